#include "KelSQL/KelSQLDatabaseProperties.h"

#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLErrors.h"
#include "platform/live/KelLiveSqlServer.h"

namespace {

// Why a verification decided: kept as results, never raised.
constexpr uint64_t kReasonSuspect = 0x1E0000A1;
constexpr uint64_t kReasonShutdown = 0x1E0000A2;
constexpr uint64_t kReasonOffline = 0x1E0000A3;
constexpr uint64_t kReasonRestoring = 0x1E0000C5;
constexpr uint64_t kReasonRecovering = 0x1E0000C6;
constexpr uint64_t kReasonBulkCopy = 0x1E0000C7;
constexpr uint64_t kReasonTruncOnCheckPoint = 0x1E0000C8;
constexpr uint64_t kReasonNonExistent = 0x1E0000C9;
constexpr uint64_t kReasonBulkLogged = 0x1E0000CA;
constexpr uint64_t kReasonFull = 0x1E0000CB;
constexpr uint64_t kReasonSimple = 0x1E0000CC;

// The states that the "Status" text of later versions names.
struct StateName {
    KelSQLDatabasePropertyType type;
    const char* text;
};
constexpr StateName kStatusStates[] = {
    {KelSQLDatabaseOnline, "ONLINE"},         {KelSQLDatabaseSuspect, "SUSPECT"},
    {KelSQLDatabaseOffline, "OFFLINE"},       {KelSQLDatabaseRestoring, "RESTORING"},
    {KelSQLDatabaseRecovering, "RECOVERING"},
};

// The SQL Server 7 property of a state; null for a type it has none for.
const char* sql7Name(KelSQLDatabasePropertyType type) {
    switch (type) {
    case KelSQLDatabaseSuspect:
    case KelSQLDatabaseShutdown: return "IsShutDown";
    case KelSQLDatabaseOffline: return "IsOffline";
    case KelSQLDatabaseRestoring: return "IsInLoad";
    case KelSQLDatabaseRecovering: return "IsInRecovery";
    case KelSQLDatabaseStandby: return "IsInStandBy";
    default: return nullptr;
    }
}

constexpr uint64_t bit(KelSQLDatabasePropertyType type) { return uint64_t{1} << type; }

constexpr const char* kStandbyName = "IsInStandBy";

}  // namespace

KelSQLDatabaseProperties::KelSQLDatabaseProperties(KelSQLClassProperties& context)
    : KelSQLDatabaseProperties(context, std::string()) {}

KelSQLDatabaseProperties::KelSQLDatabaseProperties(KelSQLClassProperties& context,
                                                   const std::string& sqlDatabaseName)
    : context_(&context) {
    initialize(context, sqlDatabaseName);
}

void KelSQLDatabaseProperties::initialize(KelSQLClassProperties& context, const std::string& sqlDatabaseName) {
    context_ = &context;
    error_ = KelLastError();
    alwaysFetch_ = false;
    setSqlDatabaseName(sqlDatabaseName);
}

void KelSQLDatabaseProperties::setSqlDatabaseName(const std::string& sqlDatabaseName) {
    sqlDatabaseName_ = sqlDatabaseName;
    clearProperties();
    nameSet_ = !sqlDatabaseName.empty();
}

void KelSQLDatabaseProperties::clearProperties() {
    fetchedMask_ = valueMask_ = 0;
    reasonError_ = 0;
    reasonType_ = 0;
    recoveryModel_ = 0;
}

// ---- helpers

bool KelSQLDatabaseProperties::isSql7() { return context_->getSQLDSN().sqlAppType().isSql7AppType(); }

bool KelSQLDatabaseProperties::agentSide(const char* signature) {
    if (context_->isClientOperations()) return true;
    error_.setNumber(kelsql::kErrAgentSideOnly);
    error_.addArgument(signature);
    return false;
}

bool KelSQLDatabaseProperties::cached(KelSQLDatabasePropertyType type, bool& status) const {
    if (alwaysFetch_ || (fetchedMask_ & bit(type)) == 0) return false;
    status = (valueMask_ & bit(type)) != 0;
    return true;
}

void KelSQLDatabaseProperties::remember(KelSQLDatabasePropertyType type, bool value) {
    fetchedMask_ |= bit(type);
    if (value)
        valueMask_ |= bit(type);
    else
        valueMask_ &= ~bit(type);
}

namespace {

kel::live::LiveTarget targetOf(KelSQLClassProperties& ctx) {
    return {ctx.virtualMachine(), ctx.getSQLDSN().sqlServerName()};
}

}  // namespace

// ---- readers

bool KelSQLDatabaseProperties::fetchProperty(bool& status, KelSQLDatabasePropertyType, const char* name) {
    if (!agentSide("KelSQLDatabaseProperties::fetchProperty(status, propertyBit, propertyName)")) return false;
    return kel::live::liveSqlServer().flagProperty(targetOf(*context_), sqlDatabaseName_, name ? name : "", status,
                                                   error_);
}

bool KelSQLDatabaseProperties::fetchProperty2000(bool& status, KelSQLDatabasePropertyType, const char* name) {
    if (!agentSide("KelSQLDatabaseProperties::fetchProperty2000(status, propertyBit, propertyName)")) return false;
    return kel::live::liveSqlServer().flagProperty(targetOf(*context_), sqlDatabaseName_, name ? name : "", status,
                                                   error_);
}

bool KelSQLDatabaseProperties::fetchProperty2000(std::string& value, const char* name) {
    if (!agentSide("KelSQLDatabaseProperties::fetchProperty2000(status, propertyNname)")) return false;
    return kel::live::liveSqlServer().property(targetOf(*context_), sqlDatabaseName_, name ? name : "", value,
                                               error_);
}

bool KelSQLDatabaseProperties::fetchOption(bool& status, const char* name) {
    if (!agentSide("KelSQLDatabaseProperties::fetchOption(status, propertyName)")) return false;
    return kel::live::liveSqlServer().option(targetOf(*context_), sqlDatabaseName_, name ? name : "", status, error_);
}

bool KelSQLDatabaseProperties::nonExistent(bool& status) {
    if (!agentSide("KelSQLDatabaseProperties::nonExistent(status)")) return false;
    status = false;
    // A reader that reads nothing leaves the database found.
    bool found = true;
    kel::live::LiveDatabase live;
    if (!kel::live::liveSqlServer().database(targetOf(*context_), sqlDatabaseName_, live, found, error_))
        return false;
    status = !found;
    return true;
}

bool KelSQLDatabaseProperties::verifyBackupLSNs(const std::string& sqlDatabaseName, bool& fullBackup) {
    if (!agentSide("KelSQLDatabaseProperties::verifyBackupLSNs(sqlDatabaseName, fullBackup)")) return false;
    return kel::live::liveSqlServer().fullBackupRequired(targetOf(*context_), sqlDatabaseName, fullBackup, error_);
}

// ---- states

bool KelSQLDatabaseProperties::databaseStatus(bool& status, KelSQLDatabasePropertyType type) {
    static const char* kFn = "KelSQLDatabaseProperties::databaseStatus(status, bit)";
    if (!nameSet_) return stringEmpty(error_, sqlDatabaseName_, "sqlDatabaseName", kFn);
    if (cached(type, status)) return true;
    status = false;
    if (isSql7()) {
        const char* name = sql7Name(type);
        return name ? fetchProperty(status, type, name) : true;
    }
    std::string value;
    if (!fetchProperty2000(value, "Status")) return false;
    // One text answers all five: a text naming none of them clears them all.
    for (const StateName& state : kStatusStates) {
        const bool named = value == state.text;
        remember(state.type, named);
        if (named && state.type == type) status = true;
    }
    return true;
}

bool KelSQLDatabaseProperties::offline(bool& status) { return databaseStatus(status, KelSQLDatabaseOffline); }
bool KelSQLDatabaseProperties::suspect(bool& status) { return databaseStatus(status, KelSQLDatabaseSuspect); }
bool KelSQLDatabaseProperties::restoring(bool& status) { return databaseStatus(status, KelSQLDatabaseRestoring); }
bool KelSQLDatabaseProperties::recovering(bool& status) { return databaseStatus(status, KelSQLDatabaseRecovering); }

bool KelSQLDatabaseProperties::online(bool& status) {
    if (!isSql7()) return databaseStatus(status, KelSQLDatabaseOnline);
    // SQL Server 7 has no online property: a database in none of the states
    // that keep it from use is online.
    for (KelSQLDatabasePropertyType type : {KelSQLDatabaseSuspect, KelSQLDatabaseOffline, KelSQLDatabaseRecovering}) {
        bool set = false;
        if (!databaseStatus(set, type)) return false;
        if (set) {
            status = false;
            return true;
        }
    }
    status = true;
    return true;
}

bool KelSQLDatabaseProperties::shutdown(bool& status) {
    if (isSql7()) return databaseStatus(status, KelSQLDatabaseShutdown);
    if (!suspect(status)) return false;
    return status || offline(status);
}

bool KelSQLDatabaseProperties::standby(bool& status) {
    status = false;
    return isSql7() ? fetchProperty(status, KelSQLDatabaseStandby, kStandbyName)
                    : fetchProperty2000(status, KelSQLDatabaseStandby, kStandbyName);
}

// ---- recovery model

bool KelSQLDatabaseProperties::recoveryType(KelSQL_RecoveryType2000& type) {
    static const char* kFn = "KelSQLDatabaseProperties::recoveryType(type)";
    if (!agentSide(kFn)) return false;
    if (isSql7()) {
        error_.setCritical(kelsql::kErrRecoveryType);
        error_.addArgument("RecoveryType");
        return false;
    }
    if (!alwaysFetch_ && recoveryModel_ != 0) {
        type = static_cast<KelSQL_RecoveryType2000>(recoveryModel_);
        return true;
    }
    std::string value;
    if (!fetchProperty2000(value, "Recovery")) return false;
    struct Model {
        const char* text;
        KelSQL_RecoveryType2000 model;
        KelSQLDatabasePropertyType type;
    };
    static constexpr Model kModels[] = {
        {"FULL", KelSQL_RecoveryFull, KelSQLDatabaseRecoveryFull},
        {"BULK_LOGGED", KelSQL_RecoveryBulkLogged, KelSQLDatabaseRecoveryBulkLogged},
        {"SIMPLE", KelSQL_RecoverySimple, KelSQLDatabaseRecoverySimple},
    };
    type = KelSQL_RecoveryNone;
    recoveryModel_ = 0;
    for (const Model& m : kModels) {
        const bool named = value == m.text;
        remember(m.type, named);
        if (named) type = m.model;
    }
    recoveryModel_ = type;
    return true;
}

bool KelSQLDatabaseProperties::recoveryIs(bool& status, KelSQLDatabasePropertyType type,
                                          KelSQL_RecoveryType2000 model) {
    if (cached(type, status)) return true;
    KelSQL_RecoveryType2000 read = KelSQL_RecoveryNone;
    if (!recoveryType(read)) return false;
    status = read == model;
    return true;
}

bool KelSQLDatabaseProperties::recoveryFull(bool& status) {
    return recoveryIs(status, KelSQLDatabaseRecoveryFull, KelSQL_RecoveryFull);
}
bool KelSQLDatabaseProperties::recoveryBulkLogged(bool& status) {
    return recoveryIs(status, KelSQLDatabaseRecoveryBulkLogged, KelSQL_RecoveryBulkLogged);
}
bool KelSQLDatabaseProperties::recoverySimple(bool& status) {
    return recoveryIs(status, KelSQLDatabaseRecoverySimple, KelSQL_RecoverySimple);
}

// ---- options

bool KelSQLDatabaseProperties::option(bool& status, KelSQLDatabasePropertyType type, const char* name) {
    if (cached(type, status)) return true;
    if (!fetchOption(status, name)) return false;
    remember(type, status);
    return true;
}

bool KelSQLDatabaseProperties::bulkCopy(bool& status) {
    return option(status, KelSQLDatabaseBulkCopy, "select into/bulkcopy");
}
bool KelSQLDatabaseProperties::truncOnCheckPoint(bool& status) {
    return option(status, KelSQLDatabaseTruncOnCheckPoint, "trunc. log on chkpt.");
}
bool KelSQLDatabaseProperties::singleUserMode(bool& status) {
    return option(status, KelSQLDatabaseSingleUser, "single user");
}
bool KelSQLDatabaseProperties::readOnlyMode(bool& status) {
    return option(status, KelSQLDatabaseReadOnly, "read only");
}
bool KelSQLDatabaseProperties::dboUseOnly(bool& status) {
    return option(status, KelSQLDatabaseDboUseOnly, "dbo use only");
}

// ---- verifications

bool KelSQLDatabaseProperties::ask(bool& status, KelSQLDatabasePropertyType type) {
    switch (type) {
    case KelSQLDatabaseNonExistent: return nonExistent(status);
    case KelSQLDatabaseShutdown: return shutdown(status);
    case KelSQLDatabaseBulkCopy: return bulkCopy(status);
    case KelSQLDatabaseTruncOnCheckPoint: return truncOnCheckPoint(status);
    default: return databaseStatus(status, type);
    }
}

bool KelSQLDatabaseProperties::firstSet(bool& anySet, std::initializer_list<Reason> reasons) {
    anySet = false;
    for (const Reason& r : reasons) {
        bool set = false;
        if (!ask(set, r.type)) return false;
        if (set) {
            anySet = true;
            reasonError_ = r.error;
            reasonType_ = r.type;
            return true;
        }
    }
    return true;
}

bool KelSQLDatabaseProperties::verifyDatabaseOptionsForFullBackupOnlyAllowed(const std::string& sqlDatabaseName,
                                                                             bool& fullBackup) {
    static const char* kFn =
        "KelSQLDatabaseProperties::verifyDatabaseOptionsForFullBackupOnlyAllowed(sqlDatabaseName, fullBackup)";
    if (!agentSide(kFn) || !stringEmpty(error_, sqlDatabaseName, "sqlDatabaseName", kFn)) return false;
    setSqlDatabaseName(sqlDatabaseName);
    fullBackup = false;
    if (isSql7())
        return firstSet(fullBackup, {{KelSQLDatabaseBulkCopy, kReasonBulkCopy},
                                     {KelSQLDatabaseTruncOnCheckPoint, kReasonTruncOnCheckPoint}});
    KelSQL_RecoveryType2000 model = KelSQL_RecoveryNone;
    if (!recoveryType(model)) return false;
    switch (model) {
    case KelSQL_RecoveryFull: reasonError_ = kReasonFull; reasonType_ = KelSQLDatabaseRecoveryFull; break;
    case KelSQL_RecoveryBulkLogged:
        reasonError_ = kReasonBulkLogged;
        reasonType_ = KelSQLDatabaseRecoveryBulkLogged;
        break;
    case KelSQL_RecoverySimple:
        fullBackup = true;
        reasonError_ = kReasonSimple;
        reasonType_ = KelSQLDatabaseRecoverySimple;
        break;
    default: break;
    }
    return fullBackup || verifyBackupLSNs(sqlDatabaseName, fullBackup);
}

bool KelSQLDatabaseProperties::databaseNotAccessable(const std::string& sqlDatabaseName, bool& notAccessable) {
    static const char* kFn = "KelSQLDatabaseProperties::databaseNotAccessable(sqlDatabaseName, notAccessable)";
    if (!agentSide(kFn) || !stringEmpty(error_, sqlDatabaseName, "sqlDatabaseName", kFn)) return false;
    setSqlDatabaseName(sqlDatabaseName);
    notAccessable = false;
    reasonType_ = 0;
    if (!firstSet(notAccessable, {{KelSQLDatabaseNonExistent, kReasonNonExistent},
                                  {KelSQLDatabaseSuspect, kReasonSuspect},
                                  {KelSQLDatabaseOffline, kReasonOffline},
                                  {KelSQLDatabaseRestoring, kReasonRestoring},
                                  {KelSQLDatabaseRecovering, kReasonRecovering}}))
        return false;
    if (notAccessable || !isSql7()) return true;
    return firstSet(notAccessable, {{KelSQLDatabaseShutdown, kReasonShutdown}});
}
