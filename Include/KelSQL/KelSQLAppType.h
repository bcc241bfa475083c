// The application type of an SQL Server instance: the generation it is
// registered as with the application manager, derived from its major version.
// A plain value; a refused code leaves type 0 and the reason in its error.
#pragma once

#include <cstdint>

#include "platform/events/KelLastError.h"

enum KelSQL_AppType : uint32_t {
    KelSQL_AppTypeNone = 0,
    KelSQL_AppTypeSql7 = 4,
    KelSQL_AppTypeSql2000 = 16,
    KelSQL_AppTypeSql2005 = 70,
};

class KelSQLAppType {
public:
    // SQL Server 7.
    KelSQLAppType() = default;
    explicit KelSQLAppType(unsigned long code) { setSqlAppType(code); }
    KelSQLAppType(const KelSQLAppType& other) { copyIn(other); }
    KelSQLAppType& operator=(const KelSQLAppType& other) {
        if (this != &other) copyIn(other);
        return *this;
    }

    // 4, 16 and 70 are types; anything else stores 0, sets 0x1E000037
    // ("sqlAppType") and returns false.
    bool setSqlAppType(unsigned long code);
    // 7 gives 4, 8 gives 16, 9 gives 70; any other major stores 0, sets
    // 0x1E000037 ("sqlMajor") and returns false.
    bool setSqlAppTypeByMajorVersion(unsigned long major);
    bool setSql7AppType() { return setSqlAppType(KelSQL_AppTypeSql7); }
    bool setSql2000AppType() { return setSqlAppType(KelSQL_AppTypeSql2000); }
    bool setSqlYukonAppType() { return setSqlAppType(KelSQL_AppTypeSql2005); }

    bool isSql7AppType() const { return type_ == KelSQL_AppTypeSql7; }
    bool isSql2000AppType() const { return type_ == KelSQL_AppTypeSql2000; }
    unsigned long sqlAppType() const { return type_; }
    KelSQL_AppType appType() const { return type_; }

    KelLastError& getLastError() { return error_; }
    const KelLastError& copyLastError() const { return error_; }

private:
    void copyIn(const KelSQLAppType& other) {
        error_ = other.copyLastError();
        type_ = other.type_;
    }

    KelLastError error_;
    KelSQL_AppType type_ = KelSQL_AppTypeSql7;
};
