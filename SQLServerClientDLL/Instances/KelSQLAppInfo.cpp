#include "KelSQL/KelSQLAppInfo.h"

#include <cstring>

#include "../Records/FieldCopy.h"
#include "Db/Cursor/sqlBackupSetDesc.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLDatabase.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLErrors.h"
#include "KelSQL/KelSQLFileSubClient.h"
#include "KelSQL/KelSQLServer.h"
#include "platform/appmgr/ApplicationId.h"
#include "platform/appmgr/ClientApplicationList.h"
#include "platform/appmgr/KelClient.h"
#include "platform/appmgr/KelSimOS.h"
#include "platform/util/BoundedCopy.h"

namespace {

// Operating systems whose clients the snapshot rules treat apart.
bool flaggedSystem(unsigned long osId) { return osId == 34 || osId == 35; }

DBtran* transactionOf(KelSQLClassProperties& ctx) {
    return ctx.isTransactionStarted() ? ctx.getDBTransaction() : nullptr;
}

// A platform call's own number is passed on; the error record says more.
bool platformFailed(KelLastError& to, const KelLastError& from, int rc) {
    to = from;
    if (to.number() == 0) to.setNumber(static_cast<uint64_t>(rc));
    return false;
}

}  // namespace

KelSQLAppInfo::KelSQLAppInfo(KelSQLClassProperties& ctx, bool replyMode, unsigned long version)
    : KelNetSQLAppInfo(ctx, false, version), replyMode_(replyMode) {
    initializeSQLObject();
}

bool KelSQLAppInfo::fail(uint64_t number, const char* signature) {
    getLastError().setNumber(number);
    getLastError().addArgument(signature);
    return false;
}

void KelSQLAppInfo::initializeSQLObject() {
    backupType_ = 0;
    databaseName_.clear();
    serverName_.clear();
    fileOrGroupName_.clear();
    sqlDatabaseId_ = sqlFileOrGroupId_ = tesselNumber_ = streams_ = nextFull_ = lastBackupSetId_ = 0;
    lastBackupTime_ = KelNetSQLDateTime_t{};
    dataSP_ = logSP_ = vssFlags_ = 0;
    clientName_.clear();
    clientId_ = instanceId_ = subclientId_ = 0;
    nextDiff_ = dataSPChanged_ = contentChanged_ = allowFFGConversion_ = convertForNewFiles_ = false;
    ffgFullRequired_ = systemDatabase_ = false;
}

bool KelSQLAppInfo::query(unsigned long tesselId, unsigned long appNumber) {
    static const char* kFn = "KelSQLAppInfo::query(tesselId, appNumber)";
    KelSQLClassProperties& ctx = context();
    if (ctx.isServerOperations() || (ctx.isClientOperations() && !connectionNeeded()))
        return lookupAppNumber(tesselId, appNumber);
    if (!ctx.isClientOperations()) return fail(kelsql::kErrAgentSideOnly, kFn);
    if (!idNotSet(getLastError(), tesselId, "tesselId", kFn) || !idNotSet(getLastError(), appNumber, "appNumber", kFn))
        return false;
    KelNetSQLAppInfoReq_t* req = requestMessage(true);
    if (!req) return fail(kelsql::kErrNoBuffer, kFn);
    req->TesselId = tesselId;
    req->AppNumber = appNumber;
    if (!networkQuery()) return false;
    tesselId_ = tesselId;
    appNumber_ = appNumber;
    return true;
}

bool KelSQLAppInfo::networkQuery() {
    KelLastError err;
    if (!exchange(err)) {
        getLastError() = err;
        return false;
    }
    if (version() == 1) copyFromNetwork(*responseMessage(false));
    else if (version() == 2) copyFromNetwork(*responseMessageV2(false));
    else copyFromNetwork(*responseMessageV3(false));
    return true;
}

template <class R>
void KelSQLAppInfo::copyBodyFrom(const R& rsp) {
    initializeSQLObject();
    const KelNetSQLAppInfoBody_t& b = rsp.Info;
    backupType_ = b.BackupType;
    databaseName_ = kel::fieldText(b.DatabaseName);
    serverName_ = kel::fieldText(b.ServerName);
    fileOrGroupName_ = kel::fieldText(b.FileOrGroupName);
    sqlDatabaseId_ = b.SqlDatabaseId;
    sqlFileOrGroupId_ = b.SqlFileOrGroupId;
    streams_ = b.Streams;
    nextFull_ = b.NextFullBackup;
    lastBackupSetId_ = b.LastBackupSetId;
    lastBackupTime_ = b.LastBackupTime;
    tesselNumber_ = b.TesselNumber;
    dataSP_ = b.SPForAutoDiscovery;
}

template <class R>
bool KelSQLAppInfo::copyBodyTo(R& rsp) {
    KelNetSQLAppInfoBody_t& b = rsp.Info;
    b.BackupType = static_cast<uint32_t>(backupType_);
    if (!kelsql::FieldCopies(getLastError(), "KelSQLAppInfo::copyToNetwork(rsp)")
             .text(b.DatabaseName, databaseName_, "databaseName")
             .text(b.ServerName, serverName_, "serverName")
             .text(b.FileOrGroupName, fileOrGroupName_, "fileOrGroupName")
             .ok())
        return false;
    b.SqlDatabaseId = sqlDatabaseId_;
    b.SqlFileOrGroupId = sqlFileOrGroupId_;
    b.Streams = streams_;
    b.NextFullBackup = nextFull_;
    b.LastBackupSetId = lastBackupSetId_;
    b.LastBackupTime = lastBackupTime_;
    b.TesselNumber = tesselNumber_;
    b.SPForAutoDiscovery = dataSP_;
    return true;
}

void KelSQLAppInfo::copyFromNetwork(const KelNetSQLAppInfoRsp_t& rsp) {
    copyBodyFrom(rsp);
    logSP_ = rsp.SPForLogAutoDiscovery;
}
void KelSQLAppInfo::copyFromNetwork(const KelNetSQLAppInfoRspV2_t& rsp) { copyBodyFrom(rsp); }
void KelSQLAppInfo::copyFromNetwork(const KelNetSQLAppInfoRspV3_t& rsp) {
    copyBodyFrom(rsp);
    logSP_ = rsp.SPForLogAutoDiscovery;
    vssFlags_ = rsp.vssAllowFlags;
}
bool KelSQLAppInfo::copyToNetwork(KelNetSQLAppInfoRsp_t& rsp) {
    rsp.SPForLogAutoDiscovery = logSP_;
    return copyBodyTo(rsp);
}
bool KelSQLAppInfo::copyToNetwork(KelNetSQLAppInfoRspV2_t& rsp) { return copyBodyTo(rsp); }
bool KelSQLAppInfo::copyToNetwork(KelNetSQLAppInfoRspV3_t& rsp) {
    rsp.SPForLogAutoDiscovery = logSP_;
    rsp.vssAllowFlags = vssFlags_;
    return copyBodyTo(rsp);
}

template <class R>
bool KelSQLAppInfo::lookupInto(KelNetSQLAppInfoReq_t* req, R* rsp) {
    static const char* kFn = "KelSQLAppInfo::lookup(reqAppInfo, rspAppInfo)";
    if (!replyMode_) return fail(kelsql::kErrNoSide, kFn);
    if (!req || !rsp || req->TesselId == 0 || req->AppNumber == 0) {
        fail(kelsql::kErrRequestIds, kFn);
        getLastError().addArgument(static_cast<unsigned long long>(__LINE__));
        return false;
    }
    return query(static_cast<unsigned long>(req->TesselId), static_cast<unsigned long>(req->AppNumber)) &&
           copyToNetwork(*rsp);
}

bool KelSQLAppInfo::lookup(KelNetSQLAppInfoReq_t* req, KelNetSQLAppInfoRsp_t* rsp) { return lookupInto(req, rsp); }
bool KelSQLAppInfo::lookup(KelNetSQLAppInfoReq_t* req, KelNetSQLAppInfoRspV2_t* rsp) { return lookupInto(req, rsp); }
bool KelSQLAppInfo::lookup(KelNetSQLAppInfoReq_t* req, KelNetSQLAppInfoRspV3_t* rsp) { return lookupInto(req, rsp); }

bool KelSQLAppInfo::readApplicationManager(unsigned long tesselId, unsigned long appNumber) {
    KelLastError& err = getLastError();
    DBtran* tran = transactionOf(context());
    KelTessel tessel(tesselId);
    if (tessel.lookup(tran) != 0) {
        err = tessel.getLastError();
        return fail(kelsql::kErrAppNumberLookup, "KelSQLAppInfo::lookupAppNumber(tesselId, appNumber)");
    }
    if (int rc = tessel.getTesselNumber(tesselNumber_, tran)) return platformFailed(err, tessel.getLastError(), rc);
    ApplicationId app(tesselId, appNumber);
    BackupSet* backupSet = app.getBackupSet(tran);
    KelClient* client = backupSet ? app.getClient(tran) : nullptr;
    if (!client) return platformFailed(err, app.getLastError(), kelsql::kErrApplicationId);
    unsigned long osId = 0;
    if (int rc = client->getOperatingSystemId(osId, tran)) return platformFailed(err, client->getLastError(), rc);
    if (int rc = client->getClientId(clientId_, tran)) return platformFailed(err, client->getLastError(), rc);
    if (int rc = client->getName(clientName_, tran)) return platformFailed(err, client->getLastError(), rc);
    Instance* instance = app.getInstance(tran);
    if (!instance) return platformFailed(err, app.getLastError(), kelsql::kErrApplicationId);
    vssFlags_ = 0;
    MsSqlInstance settings(instance->getId());
    bool on = false;
    if (int rc = settings.isUseSnapshotWriter(on, tran)) return platformFailed(err, settings.getLastError(), rc);
    if (on) vssFlags_ |= kelsql::kVssSnapshotWriter;
    instanceId_ = instance->getId();
    KelSimSystemOS systems;
    if (int rc = systems.lookupSystemOS(osId, tran)) return platformFailed(err, systems.os().getLastError(), rc);
    if (flaggedSystem(systems.os().getOSId())) vssFlags_ |= kelsql::kVssSystemOS;
    dataSP_ = logSP_ = 0;
    if (int rc = settings.isEnableDiscovery(on, tran)) return platformFailed(err, settings.getLastError(), rc);
    if (on) {
        unsigned long value = 1;
        if (int rc = settings.getDefaultSPForDiscoveredDB(value, tran))
            return platformFailed(err, settings.getLastError(), rc);
        dataSP_ = value;
        value = 1;
        if (int rc = settings.getDefaultLogSPForDiscoveredDB(value, tran))
            return platformFailed(err, settings.getLastError(), rc);
        logSP_ = value;
    }
    sqlDatabaseId_ = backupSet->getId();
    // An application without a subclient reads as one whose file subclient
    // could not be read: the whole database.
    Subclient* subclient = app.getSubclient(tran);
    unsigned long fileSubclientId = 0;
    subclientId_ = subclient && subclient->getSQLFileGroupID(fileSubclientId, tran) == 0 ? fileSubclientId : 0;
    return true;
}

bool KelSQLAppInfo::readCatalogue() {
    KelSQLDatabase database(context(), false);
    if (!database.query(sqlDatabaseId_, nullptr)) {
        getLastError() = database.getLastError();
        return false;
    }
    fileOrGroupName_.clear();
    sqlFileOrGroupId_ = 0;
    backupType_ = kelsql::kAppInfoWholeDatabase;
    nextFull_ = !database.isNextFullAllowed() ? kNextFullNotAllowed : database.isNextFullOn() ? 1 : 0;
    nextDiff_ = database.isNextDiffOn();
    streams_ = database.getStreams().streams();
    databaseName_ = database.databaseName();
    dataSPChanged_ = database.isSPChanged();
    contentChanged_ = database.isNextFullContentOn();
    allowFFGConversion_ = database.isNextFileFullAllowedOn();
    convertForNewFiles_ = database.isFileFullOn();
    systemDatabase_ = database.isSystemDatabase();
    KelSQLServer server(context(), false);
    if (!server.query(database.sqlServerId())) {
        getLastError() = server.getLastError();
        return false;
    }
    serverName_ = server.sqlServerName();
    if (subclientId_ == 0) return true;
    KelSQLFileSubClient fileSubClient(context(), false);
    if (!fileSubClient.query(subclientId_)) {
        getLastError() = fileSubClient.getLastError();
        return false;
    }
    fileOrGroupName_ = fileSubClient.subClientName();
    sqlFileOrGroupId_ = fileSubClient.sqlId();
    streams_ = fileSubClient.streams().streams();
    backupType_ = kelsql::kAppInfoFileSubClient;
    ffgFullRequired_ = fileSubClient.isFullRequired();
    return true;
}

// No backup set yet is not an error: the cleared row gives 0 and no time.
void KelSQLAppInfo::readLastBackupSet() {
    SqlBackupSetDesc cursor(transactionOf(context()));
    SqlBackupSetDesc_t& row = *cursor.getDataPtr();
    row = SqlBackupSetDesc_t{};
    if (cursor.setValues(static_cast<int>(sqlDatabaseId_)) == 0 && cursor.openCursor() == 0) {
        if (cursor.fetchCursor(true) != 0) row = SqlBackupSetDesc_t{};
        cursor.closeCursor();
    }
    lastBackupSetId_ = static_cast<unsigned long>(static_cast<uint32_t>(row.bsid));
    lastBackupTime_ = KelNetSQLDateTime_t{};
    lastBackupTime_.Year = row.finishTime.year;
    lastBackupTime_.Month = row.finishTime.month;
    lastBackupTime_.Day = row.finishTime.day;
    lastBackupTime_.Hour = row.finishTime.hour;
    lastBackupTime_.Minute = row.finishTime.minute;
    lastBackupTime_.Second = row.finishTime.second;
}

bool KelSQLAppInfo::lookupAppNumber(unsigned long tesselId, unsigned long appNumber) {
    if (!readApplicationManager(tesselId, appNumber) || !readCatalogue()) return false;
    readLastBackupSet();
    appNumber_ = appNumber;
    tesselId_ = tesselId;
    // The object's own response in this object's layout, never a larger one.
    if (version() == 1) {
        if (auto* rsp = responseMessage(true)) return copyToNetwork(*rsp);
    } else if (version() == 2) {
        if (auto* rsp = responseMessageV2(true)) return copyToNetwork(*rsp);
    } else if (auto* rsp = responseMessageV3(true)) {
        return copyToNetwork(*rsp);
    }
    return true;
}
