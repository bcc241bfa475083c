// The application type of an SQL Server instance, from its major version.
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
    KelSQLAppType() = default;

    // 7 gives 4, 8 gives 16, 9 gives 70; any other major sets type 0 and
    // 0x1E000037 ("sqlMajor") and returns false.
    bool setSqlAppTypeByMajorVersion(unsigned long major);

    KelSQL_AppType appType() const { return type_; }
    KelLastError& getLastError() { return error_; }

private:
    KelSQL_AppType type_ = KelSQL_AppTypeSql7;
    KelLastError error_;
};
