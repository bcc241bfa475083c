// The state and options of one database of the live instance on the agent,
// asked through the live readers. A KelSQLDatabase makes one for its own
// name on first use and owns it; agent programs may make their own. The
// context is borrowed and outlives the object.
#pragma once

#include <cstdint>
#include <string>

#include "platform/events/KelLastError.h"

class KelSQLClassProperties;

class KelSQLDatabaseProperties {
public:
    explicit KelSQLDatabaseProperties(KelSQLClassProperties& context);
    KelSQLDatabaseProperties(KelSQLClassProperties& context, const std::string& sqlDatabaseName);

    // Context and name; the error cleared, always-fetch off.
    void initialize(KelSQLClassProperties& context, const std::string& sqlDatabaseName);
    // A new name forgets what was read for the old one.
    void setSqlDatabaseName(const std::string& sqlDatabaseName);
    void clearProperties();

    const std::string& sqlDatabaseName() const { return sqlDatabaseName_; }
    bool alwaysFetch() const { return alwaysFetch_; }
    void setAlwaysFetch(bool on) { alwaysFetch_ = on; }
    KelLastError& getLastError() { return error_; }

private:
    KelSQLClassProperties* context_;
    KelLastError error_;
    bool nameSet_ = false;
    bool alwaysFetch_ = false;
    uint64_t reasonError_ = 0;
    std::string sqlDatabaseName_;
    uint64_t fetchedMask_ = 0;
    uint64_t valueMask_ = 0;
    uint32_t reasonType_ = 0;
    uint32_t recoveryModel_ = 0;
};
