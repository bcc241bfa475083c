#include "KelSQL/KelSQLStepRestoreState.h"

#include "../Records/FieldCopy.h"
#include "KelSQL/KelNetSQLHotServerStep.h"
#include "KelSQL/KelNetSQLSecurity.h"
#include "KelSQL/KelNetSQLVerifyUser.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLDatabase.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLErrors.h"
#include "KelSQL/KelSQLLookups.h"
#include "KelSQL/KelSQLServer.h"
#include "platform/live/KelLiveSqlServer.h"
#include "platform/util/BoundedCopy.h"

namespace {

const char* const kByNames = "KelSQLStepRestoreState::query(tesselId, clientName, sqlServerId, databaseName)";
const char* const kByIds = "KelSQLStepRestoreState::query(clientName, sqlDatabaseId)";
const char* const kLive = "KelSQLStepRestoreState::query(sqlServerName, sqlDatabaseName)";

KelNetSQLDateTime_t wireTime(const KelSQLDateAndTime& time) {
    KelNetSQLDateTime_t w;
    if (time.time() == 0) return w;
    const TIMESTAMP_STRUCT& ts = time.netTimeStamp();
    w.Year = ts.year;
    w.Month = ts.month;
    w.Day = ts.day;
    w.Hour = ts.hour;
    w.Minute = ts.minute;
    w.Second = ts.second;
    return w;
}

void takeTime(KelSQLDateAndTime& time, const KelNetSQLDateTime_t& w) {
    const bool zero = w.Year == 0 && w.Month == 0 && w.Day == 0 && w.Hour == 0 && w.Minute == 0 && w.Second == 0;
    if (zero) time.setTime(0L);
    else time.setTime(w);
}

}  // namespace

KelSQLStepRestoreState::KelSQLStepRestoreState(KelSQLClassProperties& context, bool serverObject,
                                               unsigned long requestType)
    : KelNetSQLDatabaseState(context, false, requestType), context_(context), serverObject_(serverObject) {
    initializeSQLObject();
}

void KelSQLStepRestoreState::initializeSQLObject() {
    stepRestorable_ = false;
    stepState_ = kelsql::kStepNotSet;
    databaseProperty_ = 0;
    clientName_.clear();
    databaseName_.clear();
    serverName_.clear();
    sqlDatabaseId_ = databaseState_ = restoreId_ = backupSetId_ = restoreType_ = 0;
    restoreDate_.setTime(0L);
    stopAt_.setTime(0L);
    backupSetName_.clear();
    logOnly_ = 0;
    logOnlyFirstLSN_.clear();
    logOnlyLastLSN_.clear();
    checkpointLSN_.clear();
    fullBackupLSN_.clear();
    initialised_ = false;
}

bool KelSQLStepRestoreState::fail(uint64_t number, const char* signature) {
    getLastError().setNumber(number);
    getLastError().addArgument(signature);
    return false;
}

void KelSQLStepRestoreState::setDatabaseState() {
    stepRestorable_ = false;
    switch (databaseProperty_) {
    case 1: stepState_ = kelsql::kStepProperty1; return;
    case 2: stepState_ = kelsql::kStepProperty2; return;
    case 3: stepState_ = kelsql::kStepProperty3; return;
    case 4: stepState_ = kelsql::kStepProperty4; return;
    default: break;
    }
    if (isUnknown()) stepState_ = kelsql::kStepOnline;
    else if (isStandby() || isLoading()) {
        stepState_ = isStandby() ? kelsql::kStepStandby : kelsql::kStepLoading;
        stepRestorable_ = true;
    } else if (isEmergencyMode()) stepState_ = kelsql::kStepEmergency;
    else if (isSingleUser()) stepState_ = kelsql::kStepSingleUser;
    else if (isDBOOnly()) stepState_ = kelsql::kStepDBOOnly;
    else if (isReadOnly()) stepState_ = kelsql::kStepReadOnly;
    else if (isPointInTime()) stepState_ = kelsql::kStepPointInTime;
    else if (isOnLine()) stepState_ = kelsql::kStepOnline;
    else stepState_ = kelsql::kStepNotSet;
}

// The agent could not tell the state in the way this number says: the
// database counts as initialised with state 32 and nothing restored.
void KelSQLStepRestoreState::takeUnavailable() {
    restoreId_ = backupSetId_ = restoreType_ = 0;
    restoreDate_.setTime(0L);
    stopAt_.setTime(0L);
    stepRestorable_ = false;
    stepState_ = kelsql::kStepProperty4;
    databaseProperty_ = 0;
    backupSetName_.clear();
    logOnlyFirstLSN_.clear();
    logOnlyLastLSN_.clear();
    checkpointLSN_.clear();
    fullBackupLSN_.clear();
    logOnly_ = 0;
    initialised_ = true;
}

// ---- copies

void KelSQLStepRestoreState::copyFromNetwork(KelNetSQLDatabaseStateRsp_t* rsp) {
    if (!rsp) return;
    restoreId_ = rsp->RestoreId;
    backupSetId_ = rsp->BackupSetId;
    databaseState_ = rsp->DatabaseState;
    databaseProperty_ = static_cast<uint32_t>(rsp->DatabaseProperty);
    restoreType_ = rsp->RestoreType;
    takeTime(restoreDate_, rsp->RestoreDate);
    takeTime(stopAt_, rsp->StopAt);
    backupSetName_ = kel::fieldText(rsp->BackupSetName);
    logOnly_ = 0;
    logOnlyFirstLSN_.clear();
    logOnlyLastLSN_.clear();
    checkpointLSN_.clear();
    fullBackupLSN_.clear();
    initialised_ = true;
}

void KelSQLStepRestoreState::copyFromNetwork(KelNetSQLDatabaseStateRspV2_t* rsp) {
    if (!rsp) return;
    // The first version's fields lead the second's at the same offsets.
    copyFromNetwork(reinterpret_cast<KelNetSQLDatabaseStateRsp_t*>(rsp));
    logOnly_ = rsp->LogOnly;
    logOnlyFirstLSN_ = kel::fieldText(rsp->FirstLSN);
    logOnlyLastLSN_ = kel::fieldText(rsp->LastLSN);
    checkpointLSN_ = kel::fieldText(rsp->CheckpointLSN);
    fullBackupLSN_ = kel::fieldText(rsp->FullBkpLSN);
}

bool KelSQLStepRestoreState::copyToNetwork(KelNetSQLDatabaseStateRspV2_t* rsp) {
    if (!rsp) return false;
    rsp->RestoreId = restoreId_;
    rsp->BackupSetId = backupSetId_;
    rsp->DatabaseState = databaseState_;
    rsp->DatabaseProperty = databaseProperty_;
    rsp->RestoreType = restoreType_;
    rsp->RestoreDate = wireTime(restoreDate_);
    rsp->StopAt = wireTime(stopAt_);
    rsp->LogOnly = logOnly_;
    return kelsql::FieldCopies(getLastError(), "KelSQLStepRestoreState::copyToNetwork(rsp)")
        .text(rsp->BackupSetName, backupSetName_, "backupSetName")
        .text(rsp->FirstLSN, logOnlyFirstLSN_, "firstLSN")
        .text(rsp->LastLSN, logOnlyLastLSN_, "lastLSN")
        .text(rsp->CheckpointLSN, checkpointLSN_, "checkpointLSN")
        .text(rsp->FullBkpLSN, fullBackupLSN_, "fullBkpLSN")
        .ok();
}

// ---- the Ostrel's questions

bool KelSQLStepRestoreState::networkQuery() {
    if (!initiate()) return false;
    KelNetSQLOPStatus_t* status = responseStatus();
    if (!status) return fail(kelsql::kErrNoBuffer, "KelSQLStepRestoreState::networkQuery()");
    return operationStatus(*status, getLastError());
}

bool KelSQLStepRestoreState::ask(const char* signature, KelSQLDateAndTime* creationTime) {
    KelNetSQLDatabaseStateReq_t* req = requestMessage(true);
    if (!req) return fail(kelsql::kErrNoBuffer, signature);
    if (!kelsql::copyText(getLastError(), req->DatabaseName, databaseName_, "databaseName", signature)) return false;
    if (!kelsql::copyText(getLastError(), req->ServerName, serverName_, "serverName", signature)) return false;
    if (!networkQuery()) {
        if (getLastError().number() != kelsql::kErrStepStateUnavailable) return false;
        takeUnavailable();
        return true;
    }
    if (isVersion2()) copyFromNetwork(responseMessage2(false));
    else copyFromNetwork(responseMessage(false));
    // A restore after the database was created is not a stop-at restore of
    // this database any more.
    if (creationTime && isPointInTime() && restoreDate_.time() > creationTime->time()) stopAt_.setTime(0L);
    setDatabaseState();
    return true;
}

bool KelSQLStepRestoreState::query(unsigned long tesselId, const std::string& clientName, unsigned long sqlServerId,
                                   const std::string& databaseName) {
    KelLastError& err = getLastError();
    if (!context_.isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, kByNames);
    if (!idNotSet(err, tesselId, "tesselId", kByNames) || !stringEmpty(err, clientName, "clientName", kByNames) ||
        !stringEmpty(err, databaseName, "databaseName", kByNames) ||
        !idNotSet(err, sqlServerId, "sqlServerId", kByNames))
        return false;
    std::string host;
    if (!getClientHostname(err, tesselId, clientName, host)) return false;
    if (host != context_.remoteSqlHostName()) {
        disconnect();
        context_.setRemoteSqlHostName(host);
    }
    // A message not yet addressed to that host (a fresh object on a context
    // that spoke to it before) would otherwise go to the Ostrel.
    if (getRemoteHostName() != host) {
        if (!setRemoteDataAgent(host)) {
            fail(kelsql::kErrAgentAddress, kByNames);
            err.addArgument(host);
            return false;
        }
    }
    initializeSQLObject();
    KelSQLServer server(context_, false);
    if (!server.query(sqlServerId)) {
        err = server.getLastError();
        return false;
    }
    clientName_ = clientName;
    serverName_ = server.sqlServerName();
    databaseName_ = databaseName;
    sqlDatabaseId_ = 0;
    if (!lookupSqlUserInformation(err, context_, sqlServerId, 0, 0, 0)) return false;
    KelNetSQLSecurity* security = context_.getRemoteSecurity();
    if (!security) return fail(kelsql::kErrNoContext, kByNames);
    if (!security->update(sqlServerId, std::string())) {
        err = security->getLastError();
        return false;
    }
    return ask(kByNames, nullptr);
}

bool KelSQLStepRestoreState::query(const std::string& clientName, unsigned long sqlDatabaseId) {
    KelLastError& err = getLastError();
    if (!context_.isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, kByIds);
    if (!stringEmpty(err, clientName, "clientName", kByIds) || !idNotSet(err, sqlDatabaseId, "sqlDatabaseId", kByIds))
        return false;
    if (!getClientHostnameForLocalTessel(err, context_, clientName, "clientName")) return false;
    disconnect();
    setRemoteDataAgent(context_.remoteSqlHostName());
    initializeSQLObject();
    KelSQLDatabase database(context_, false);
    if (!database.query(sqlDatabaseId, nullptr)) {
        err = database.getLastError();
        return false;
    }
    KelSQLServer server(context_, false);
    if (!server.query(database.sqlServerId())) {
        err = server.getLastError();
        return false;
    }
    clientName_ = clientName;
    serverName_ = server.sqlServerName();
    databaseName_ = database.name();
    sqlDatabaseId_ = database.sqlId();
    if (context_.getSQLUserAndPassword().sqlUser().empty() &&
        !lookupSqlUserInformation(err, context_, server.sqlId(), 0, 0, 0))
        return false;
    KelNetSQLSecurity* security = context_.getRemoteSecurity();
    if (!security) return fail(kelsql::kErrNoContext, kByIds);
    if (!security->update(server.sqlId(), std::string())) {
        err = security->getLastError();
        return false;
    }
    return ask(kByIds, &database.getCreationTime());
}

// ---- the agent's answers

bool KelSQLStepRestoreState::query(KelNetSQLDatabaseStateReq_t* request, KelNetSQLDatabaseStateRspV2_t* response) {
    static const char* kFn = "KelSQLStepRestoreState::query(req, rsp)";
    if (!serverObject_) return fail(kelsql::kErrNoSide, kFn);
    if (!request || !response) return fail(kelsql::kErrNoBuffer, kFn);
    return query(kel::fieldText(request->ServerName), kel::fieldText(request->DatabaseName)) &&
           copyToNetwork(response);
}

bool KelSQLStepRestoreState::query(const std::string& sqlServerName, const std::string& sqlDatabaseName) {
    if (!context_.isClientOperations()) return fail(kelsql::kErrAgentSideOnly, kLive);
    initializeSQLObject();
    serverName_ = sqlServerName;
    databaseName_ = sqlDatabaseName;
    kel::live::LiveRestoreState live;
    bool read = false;
    if (!kel::live::liveSqlServer().restoreState({context_.virtualMachine(), sqlServerName}, sqlDatabaseName, live,
                                                 read, getLastError()))
        return false;
    // Nothing read leaves the reset state, which the Ostrel takes as on line.
    if (!read) return true;
    databaseState_ = live.status;
    databaseProperty_ = static_cast<uint32_t>(live.property);
    restoreId_ = live.restoreId;
    backupSetId_ = live.backupSetId;
    restoreType_ = live.restoreType;
    restoreDate_.setTime(static_cast<long>(live.restoreDate));
    stopAt_.setTime(static_cast<long>(live.stopAt));
    backupSetName_ = live.backupSetName;
    logOnly_ = live.logOnly ? 1 : 0;
    logOnlyFirstLSN_ = live.firstLSN;
    logOnlyLastLSN_ = live.lastLSN;
    checkpointLSN_ = live.checkpointLSN;
    fullBackupLSN_ = live.fullBackupLSN;
    setDatabaseState();
    initialised_ = true;
    return true;
}

bool KelSQLStepRestoreState::query(const std::string& sqlServerName, KelSQLDatabase& database) {
    if (!idNotSet(getLastError(), database.sqlId(), "database", "KelSQLStepRestoreState::query(sqlServerName, database)"))
        return false;
    if (!query(sqlServerName, database.databaseName())) return false;
    sqlDatabaseId_ = database.sqlId();
    return true;
}

bool KelSQLStepRestoreState::hotServerQuery(unsigned long& currentSqlBackupSetId, unsigned long& nextSqlBackupSetId,
                                            unsigned long& flags) {
    static const char* kFn = "KelSQLStepRestoreState::hotServerQuery(currentSqlBackupSetId, nextSqlBackupSetId, flags)";
    if (!context_.isClientOperations()) return fail(kelsql::kErrAgentSideOnly, kFn);
    if (!initialised_) {
        getLastError().setNumber(kelsql::kErrNotLoaded);
        return false;
    }
    if (backupSetId_ == 0) {
        currentSqlBackupSetId = nextSqlBackupSetId = 0;
        return true;
    }
    KelNetSQLHotServerStep step(context_, false);
    if (!step.networkQuery(static_cast<unsigned long>(sqlDatabaseId_), static_cast<unsigned long>(backupSetId_),
                           currentSqlBackupSetId, nextSqlBackupSetId, backupSetName_, flags)) {
        getLastError() = step.getLastError();
        return false;
    }
    return true;
}
