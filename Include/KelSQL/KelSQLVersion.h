// Versions: MSVersion is a plain version value; KelSQLVersion is an SQL
// Server or tape-format version bound to a context, which finds, inserts and
// updates its row of table sqlVersion (one row per version, type and Tessel).
#pragma once

#include <cstdint>
#include <string>

#include "KelSQL/KelSQLMessageLog.h"
#include "platform/events/KelLastError.h"

class KelSQLClassProperties;

class MSVersion {
public:
    MSVersion() = default;
    MSVersion(unsigned long major, unsigned long minor, unsigned long build, unsigned long sqlId) {
        initialize(major, minor, build, sqlId);
    }

    void initialize(unsigned long major, unsigned long minor, unsigned long build, unsigned long sqlId) {
        major_ = major;
        minor_ = minor;
        build_ = build;
        sqlId_ = sqlId;
    }
    void setVersion(unsigned long major, unsigned long minor, unsigned long build, unsigned long sqlId) {
        initialize(major, minor, build, sqlId);
    }
    void setMajor(unsigned long v) { major_ = v; }
    void setMinor(unsigned long v) { minor_ = v; }
    void setBuild(unsigned long v) { build_ = v; }
    void setSqlId(unsigned long v) { sqlId_ = v; }

    // The system's device-number macros rename major() and minor() where
    // they are seen; the parentheses keep the declarations whole, and the
    // renamed forms answer the same.
    uint64_t(major)() const { return major_; }
    uint64_t(minor)() const { return minor_; }
    uint64_t gnu_dev_major() const { return major_; }
    uint64_t gnu_dev_minor() const { return minor_; }
    uint64_t build() const { return build_; }
    uint64_t sqlId() const { return sqlId_; }

private:
    uint64_t major_ = 0;
    uint64_t minor_ = 0;
    uint64_t build_ = 0;
    uint64_t sqlId_ = 0;
    // Carried with the value; nothing reads them.
    std::string text1_;
    std::string text2_;
    std::string text3_;
};

enum KelSQLVersionType : uint32_t {
    KelSQLVersionNotSet = 0,
    KelSQLVersionSQLServer = 1,
    KelSQLVersionMTF = 2,
};

class KelSQLVersion {
public:
    explicit KelSQLVersion(KelSQLClassProperties& context) : context_(context) {}
    KelSQLVersion(const KelSQLVersion&) = delete;
    KelSQLVersion& operator=(const KelSQLVersion&) = delete;

    void setSQLVersion(unsigned long major, unsigned long minor, unsigned long build, unsigned long sqlId) {
        version_.setVersion(major, minor, build, sqlId);
        type_ = KelSQLVersionSQLServer;
    }
    void setMTFVersion(unsigned long major, unsigned long minor, unsigned long build, unsigned long sqlId) {
        version_.setVersion(major, minor, build, sqlId);
        type_ = KelSQLVersionMTF;
    }
    void setSQLType() { type_ = KelSQLVersionSQLServer; }
    bool isSQLType() const { return type_ == KelSQLVersionSQLServer; }
    bool isMTFType() const { return type_ == KelSQLVersionMTF; }
    void setTesselId(unsigned long tesselId) { tesselId_ = tesselId; }
    unsigned long tesselId() const { return tesselId_; }
    MSVersion& setVersion() { return version_; }

    uint64_t(major)() const { return (version_.major)(); }
    uint64_t(minor)() const { return (version_.minor)(); }
    uint64_t gnu_dev_major() const { return (version_.major)(); }
    uint64_t gnu_dev_minor() const { return (version_.minor)(); }
    uint64_t build() const { return version_.build(); }
    uint64_t sqlId() const { return version_.sqlId(); }
    int64_t sqlCode() const { return sqlCode_; }
    KelLastError& getLastError() { return error_; }

    // By row id; query() and query(0) search by Tessel, numbers and type.
    bool query(unsigned long sqlVersionId);
    bool query() { return querySQLVersion(0); }
    // Inserts this version (a started catalogue transaction is required).
    bool config();
    // Rewrites the row the last query found (same requirement).
    bool update();

private:
    bool querySQLVersion(unsigned long sqlVersionId);
    bool requireTransaction(const char* function);
    // 0 becomes the Ostrel's own Tessel.
    bool resolveTessel();
    bool failed(int rc, const char* description, const char* text);

    KelLastError error_;
    KelSQLClassProperties& context_;
    int64_t sqlCode_ = 0;
    unsigned long tesselId_ = 0;
    MSVersion version_;
    uint32_t type_ = KelSQLVersionNotSet;
    unsigned long rowId_ = 0;
    KelSQLMessageLog log_;
};

// True when the version has its catalogue row: found, or (not found)
// inserted now; the row id is then version.sqlId().
bool getSQLVersionId(KelSQLVersion& version);
