// The state and options of one database of the live instance on the agent,
// asked through the live readers. A KelSQLDatabase makes one for its own
// name on first use and owns it; agent programs may make their own. The
// context is borrowed and outlives the object.
//
// States of SQL Server 2000 and later, the recovery model and the options
// are read once per name and kept; SQL Server 7 states and standby are read
// on every question. With this platform's own reader nothing is read: every
// state answers false and both verifications answer false.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

#include "platform/events/KelLastError.h"

class KelSQLClassProperties;

// Each type is also its bit in the cache.
enum KelSQLDatabasePropertyType : uint32_t {
    KelSQLDatabaseOnline = 0,
    KelSQLDatabaseSuspect = 1,
    KelSQLDatabaseShutdown = 2,
    KelSQLDatabaseOffline = 3,
    KelSQLDatabaseNonExistent = 4,
    KelSQLDatabaseRestoring = 5,
    KelSQLDatabaseRecovering = 6,
    KelSQLDatabaseStandby = 7,
    KelSQLDatabaseRecoveryFull = 8,
    KelSQLDatabaseRecoveryBulkLogged = 9,
    KelSQLDatabaseRecoverySimple = 10,
    KelSQLDatabaseBulkCopy = 11,
    KelSQLDatabaseTruncOnCheckPoint = 12,
    KelSQLDatabaseSingleUser = 13,
    KelSQLDatabaseReadOnly = 14,
    KelSQLDatabaseDboUseOnly = 15,
};

enum KelSQL_RecoveryType2000 : uint32_t {
    KelSQL_RecoveryNone = 0,
    KelSQL_RecoveryFull = 1,
    KelSQL_RecoveryBulkLogged = 2,
    KelSQL_RecoverySimple = 3,
};

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
    // Why the last verification decided as it did: an error number kept as a
    // result (never raised) and the property type that decided.
    uint64_t reasonError() const { return reasonError_; }
    uint32_t reasonType() const { return reasonType_; }

    // States: false only when a read failed.
    bool online(bool& status);
    bool offline(bool& status);
    bool suspect(bool& status);
    bool shutdown(bool& status);
    bool restoring(bool& status);
    bool recovering(bool& status);
    bool standby(bool& status);
    bool databaseStatus(bool& status, KelSQLDatabasePropertyType type);

    bool recoveryType(KelSQL_RecoveryType2000& type);
    bool recoveryFull(bool& status);
    bool recoveryBulkLogged(bool& status);
    bool recoverySimple(bool& status);

    bool bulkCopy(bool& status);
    bool truncOnCheckPoint(bool& status);
    bool singleUserMode(bool& status);
    bool readOnlyMode(bool& status);
    bool dboUseOnly(bool& status);

    // Agent side only (0x1E000034); both set this object's name.
    bool verifyDatabaseOptionsForFullBackupOnlyAllowed(const std::string& sqlDatabaseName, bool& fullBackup);
    bool databaseNotAccessable(const std::string& sqlDatabaseName, bool& notAccessable);

    // The readers: agent side only (0x1E000034); outputs stay as the caller
    // set them when nothing is read (nonExistent sets false first).
    bool fetchProperty(bool& status, KelSQLDatabasePropertyType type, const char* name);
    bool fetchProperty2000(bool& status, KelSQLDatabasePropertyType type, const char* name);
    bool fetchProperty2000(std::string& value, const char* name);
    bool fetchOption(bool& status, const char* name);
    bool nonExistent(bool& status);
    bool verifyBackupLSNs(const std::string& sqlDatabaseName, bool& fullBackup);

private:
    bool isSql7();
    bool agentSide(const char* signature);
    bool cached(KelSQLDatabasePropertyType type, bool& status) const;
    void remember(KelSQLDatabasePropertyType type, bool value);
    bool option(bool& status, KelSQLDatabasePropertyType type, const char* name);
    bool recoveryIs(bool& status, KelSQLDatabasePropertyType type, KelSQL_RecoveryType2000 model);
    // Asks each state in order; the first that is set decides with its reason.
    struct Reason {
        KelSQLDatabasePropertyType type;
        uint64_t error;
    };
    bool firstSet(bool& anySet, std::initializer_list<Reason> reasons);
    bool ask(bool& status, KelSQLDatabasePropertyType type);

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
