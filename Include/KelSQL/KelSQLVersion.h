// A version (SQL Server or tape format) and its row in table sqlVersion,
// stored once per Tessel.
#pragma once

#include <cstdint>

#include "platform/events/KelLastError.h"

class KelSQLClassProperties;

struct MSVersion {
    MSVersion() = default;
    MSVersion(unsigned long major, unsigned long minor, unsigned long build, unsigned long sqlId) {
        setVersion(major, minor, build, sqlId);
    }
    void setVersion(unsigned long ma, unsigned long mi, unsigned long bu, unsigned long id) {
        major = ma;
        minor = mi;
        build = bu;
        sqlId = id;
    }
    uint64_t major = 0;
    uint64_t minor = 0;
    uint64_t build = 0;
    uint64_t sqlId = 0;
};

enum KelSQLVersionType : uint32_t {
    KelSQLVersionNotSet = 0,
    KelSQLVersionSqlServer = 1,
    KelSQLVersionTapeFormat = 2,
};

class KelSQLVersion {
public:
    // The context is the caller's and outlives this object.
    explicit KelSQLVersion(KelSQLClassProperties& context) : context_(&context) {}

    void setSQLVersion(unsigned long major, unsigned long minor, unsigned long build, unsigned long sqlId) {
        version_.setVersion(major, minor, build, sqlId);
    }
    void setSQLType() { type_ = KelSQLVersionSqlServer; }
    void setTapeFormatType() { type_ = KelSQLVersionTapeFormat; }
    MSVersion& setVersion() { return version_; }
    const MSVersion& getVersion() const { return version_; }
    // 0: the Ostrel's own Tessel.
    void setTesselId(unsigned long tesselId) { tesselId_ = tesselId; }

    // Reads the row by id into the version.
    bool query(unsigned long sqlId);
    // Finds the row of this Tessel, type and major.minor.build; keeps its id.
    // A missing row is false with sqlCode() 100.
    bool query();
    // Inserts that row in the context's started transaction; keeps the new id.
    bool config();
    // query(), and config() when the row is missing.
    bool queryOrConfig();

    uint64_t sqlId() const { return version_.sqlId; }
    uint64_t major() const { return version_.major; }
    uint64_t minor() const { return version_.minor; }
    uint64_t build() const { return version_.build; }
    uint32_t type() const { return type_; }
    long long sqlCode() const { return sqlCode_; }
    KelLastError& getLastError() { return error_; }

private:
    unsigned long writeTessel();
    bool catalogueError(const char* function, class DBtable& table);

    KelLastError error_;
    KelSQLClassProperties* context_;
    long long sqlCode_ = 0;
    unsigned long tesselId_ = 0;
    MSVersion version_;
    uint32_t type_ = KelSQLVersionNotSet;
};
