#include "KelSQL/KelSQLServer.h"

#include <cstdio>

#include "../Database/RecordSupport.h"
#include "../Records/FieldCopy.h"
#include "../Records/RecordPlace.h"
#include "../Records/WriteScope.h"
#include "Db/Tbl/sqlServer.h"
#include "KelSQL/KelNetSQLNTSecurity.h"
#include "KelSQL/KelNetSQLServerControl.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLErrors.h"
#include "KelSQL/KelSQLLookups.h"
#include "KelSQL/SqlServerTable.h"
#include "platform/util/BoundedCopy.h"
#include "platform/util/KelPassword.h"

static_assert(KelPassword::encryptedLength(kelsql::kStoredPasswordLimit - 1) < sizeof SqlServer_t::saPassword &&
                  KelPassword::encryptedLength(kelsql::kStoredPasswordLimit - 1) < sizeof SqlServer_t::sqlNTPassword,
              "the password columns hold the sealed form of the longest stored password");

namespace {

// The wire keeps 257 bytes for a client name; 128 characters are used, as
// everywhere else a client name is stored.
constexpr size_t kClientNameField = 129;

using kelsql::record::placeOf;
using kelsql::record::Where;

std::string keyWhere(unsigned long id) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "instanceId=%d", static_cast<int>(id));
    return buffer;
}

DBtran* transactionOf(KelSQLClassProperties& ctx) {
    return ctx.isTransactionStarted() ? ctx.getDBTransaction() : nullptr;
}

}  // namespace

KelSQLServer::KelSQLServer(KelSQLClassProperties& context, bool replyMode)
    : KelNetSQLServer(context, false),
      context_(context),
      replyMode_(replyMode),
      version_(std::make_unique<KelSQLVersion>(context)),
      upgradeView_(std::make_unique<KelSQLBitFlag>(flags_, kSql2000UpgradeFlag)),
      clusteredView_(std::make_unique<KelSQLBitFlag>(flags_, kClusteredFlag)),
      deleteFlag_(std::make_unique<KelSQLLogicalDeletion>(context)) {
    initializeSQLServerData();
}

KelSQLServer::~KelSQLServer() {
    // The views refer to flags_: they go before it.
    deleteFlag_.reset();
    version_.reset();
    upgradeView_.reset();
    clusteredView_.reset();
}

void KelSQLServer::initializeSQLServerDBData() {
    sqlId_ = tesselId_ = versionId_ = messageClientId_ = 0;
    serverName_.clear();
    serviceName_.clear();
    sqlLogin_ = KelSQLUserAndPassword();
    serviceAccount_ = KelSQLUserAndPassword();
    undoFilePath_.clear();
    addTime_.setTime(0L);
    removalTime_.setTime(0L);
    setSQLVersion(0, 0, 0, 0);
    deleteFlag_->setUndelete();
    flags_ = 0;
    rowClientId_ = 0;
}

void KelSQLServer::initializeSQLServerData() {
    initializeSQLServerDBData();
    clientName_.clear();
    databaseNames_.clear();
    unconfiguredNames_.clear();
    configuredDBs_.clear();
}

void KelSQLServer::setSQLVersion(unsigned long major, unsigned long minor, unsigned long build, unsigned long sqlId) {
    version_->setSQLVersion(major, minor, build, sqlId);
    version_->setSQLType();
    determineSqlAppType();
}

void KelSQLServer::giveVersionToDataSource() {
    context_.getSQLDSN().setSqlServerVersion(static_cast<unsigned long>(version_->major()),
                                             static_cast<unsigned long>(version_->minor()),
                                             static_cast<unsigned long>(version_->build()));
}

void KelSQLServer::determineSqlAppType() { appType_.setSqlAppTypeByMajorVersion(version_->major()); }

void KelSQLServer::setSqlLogin(const std::string& user, const std::string& password) {
    sqlLogin_.setSqlUser(user);
    sqlLogin_.setSqlPassword(password);
}

void KelSQLServer::setServiceAccount(const std::string& user, const std::string& password) {
    serviceAccount_.setSqlUser(user);
    serviceAccount_.setSqlPassword(password);
}

// ---- helpers

bool KelSQLServer::requireReplyMode(const char* signature) {
    return replyMode_ || fail(kelsql::kErrNoSide, signature);
}

bool KelSQLServer::requireTransaction(const char* signature) {
    return context_.isTransactionStarted() || fail(kelsql::kErrTranRequired, signature);
}

bool KelSQLServer::catalogueError(const char* signature, SqlServer& table) {
    getLastError().setNumber(kelsql::kErrRowOperation);
    getLastError().addArgument(signature);
    getLastError().addArgument(table.getpDescribe());
    getLastError().addArgument(table.getErrorStr(static_cast<int>(sqlCode_)));
    return false;
}

bool KelSQLServer::fail(uint64_t number, const char* signature) {
    getLastError().setNumber(number);
    getLastError().addArgument(signature);
    return false;
}

bool KelSQLServer::copyError(KelLastError& from) {
    getLastError() = from;
    return false;
}

unsigned long KelSQLServer::ostrelTessel() { return context_.getOstrel().getTesselId(); }

bool KelSQLServer::setCredential(SqlServerTable& table, const KelSQLUserAndPassword& pair, const char* userColumn,
                                 const char* passwordColumn, uint64_t error, const char* signature) {
    std::string stored;
    if (!kelsql::storedPassword(getLastError(), pair.sqlPassword(), stored, passwordColumn, error, signature))
        return false;
    table.setColumn(pair.sqlUser(), userColumn);
    table.setColumn(stored, passwordColumn);
    return true;
}

// The update clause, run literally.
bool KelSQLServer::runUpdate(SqlServerTable& table, const char* signature) {
    return kelsql::record::runUpdateClause(getLastError(), signature, table, sqlCode_);
}

bool KelSQLServer::resolveVersion(unsigned long tesselId, const char* signature) {
    if (version_->sqlId() != 0) return true;
    if (version_->major() == 0 && version_->minor() == 0 && version_->build() == 0) return true;
    version_->setSQLType();
    version_->setTesselId(tesselId);
    if (getSQLVersionId(*version_)) return true;
    copyError(version_->getLastError());
    getLastError().addArgument(signature);
    return false;
}

// ---- wire copies

bool KelSQLServer::copyToRecord(KelNetSQLServer_t& rec) {
    rec.SqlServerId = sqlId_;
    rec.TesselId = tesselId_;
    rec.ServerMajor = version_->major();
    rec.ServerMinor = version_->minor();
    rec.ServerBuild = version_->build();
    rec.SqlVersionId = version_->sqlId();
    rec.ClientId = messageClientId_;
    rec.AddTime = addTime_.time();
    rec.DeleteTime = removalTime_.time();
    rec.DeleteFlag = deleteFlag_->isDeleted() ? 1 : 0;
    rec.Flags = flags_;
    return kelsql::FieldCopies(getLastError(), "KelSQLServer::copyToRecord(rec)")
        .text(rec.ServerName, serverName_, "serverName")
        .text(rec.ClientName, kClientNameField, clientName_, "clientName")
        .text(rec.UndoFilePath, undoFilePath_, "undoFilePath")
        .text(rec.SqlServiceName, serviceName_, "sqlServiceName")
        .ok();
}

void KelSQLServer::copyFromRecord(const KelNetSQLServer_t& rec) {
    sqlId_ = static_cast<unsigned long>(rec.SqlServerId);
    tesselId_ = static_cast<unsigned long>(rec.TesselId);
    serverName_ = kel::fieldText(rec.ServerName);
    clientName_ = kel::fieldText(rec.ClientName);
    undoFilePath_ = kel::fieldText(rec.UndoFilePath);
    serviceName_ = kel::fieldText(rec.SqlServiceName);
    setSQLVersion(static_cast<unsigned long>(rec.ServerMajor), static_cast<unsigned long>(rec.ServerMinor),
                  static_cast<unsigned long>(rec.ServerBuild), static_cast<unsigned long>(rec.SqlVersionId));
    messageClientId_ = static_cast<unsigned long>(rec.ClientId);
    if (rec.AddTime) addTime_.setTime(static_cast<long>(rec.AddTime));
    if (rec.DeleteTime) removalTime_.setTime(static_cast<long>(rec.DeleteTime));
    if (rec.DeleteFlag) deleteFlag_->setDelete();
    flags_ = static_cast<unsigned long>(rec.Flags);
    rowClientId_ = 0;
}

bool KelSQLServer::copyToRequest(KelNetSQLServerReq_t* req) { return !req || copyToRecord(req->Server); }
bool KelSQLServer::copyToResponse(KelNetSQLServerRsp_t* rsp) { return !rsp || copyToRecord(rsp->Server); }
void KelSQLServer::copyFromRequest(KelNetSQLServerReq_t* req) {
    if (req) copyFromRecord(req->Server);
}
void KelSQLServer::copyFromResponse(KelNetSQLServerRsp_t* rsp) {
    if (rsp) copyFromRecord(rsp->Server);
}

bool KelSQLServer::networkQuery() {
    if (!exchange(getLastError())) return false;
    copyFromResponse(responseMessage(false));
    giveVersionToDataSource();
    return true;
}

// ---- reads

bool KelSQLServer::queryOstrelDb(const char* where) {
    static const char* kFn = "KelSQLServer::queryOstrelDb(where)";
    initializeSQLServerDBData();
    if (!where) return false;
    where_ = where;
    SqlServer record(transactionOf(context_));
    record.setWhere("%s", where);
    sqlCode_ = record.getOneRow(&record, false, -1, 0);
    if (sqlCode_ != 0) return catalogueError(kFn, record);
    const SqlServer_t& row = *record.getDataPtr();
    sqlId_ = static_cast<unsigned long>(row.instanceId);
    rowClientId_ = static_cast<unsigned long>(row.clientId);
    tesselId_ = static_cast<unsigned long>(row.tesselId);
    serverName_ = kel::fieldText(row.serverName);
    versionId_ = static_cast<unsigned long>(row.sqlVersionId);
    serviceName_ = kel::fieldText(row.sqlServiceName);
    flags_ = static_cast<unsigned long>(static_cast<uint32_t>(row.flags));
    std::string password;
    if (!decryptSQLPassword(kel::fieldText(row.saPassword), password))
        return kelsql::cipherFailed(getLastError(), kelsql::kErrDecrypt, kFn);
    setSqlLogin(kel::fieldText(row.sa), password);
    password.clear();
    if (!decryptSQLPassword(kel::fieldText(row.sqlNTPassword), password))
        return kelsql::cipherFailed(getLastError(), kelsql::kErrNTDecrypt, kFn);
    setServiceAccount(kel::fieldText(row.sqlNTAccount), password);
    undoFilePath_ = kel::fieldText(row.undoFile);
    if (row.addTime) addTime_.setTime(static_cast<long>(static_cast<uint32_t>(row.addTime)));
    if (row.removalTime) removalTime_.setTime(static_cast<long>(static_cast<uint32_t>(row.removalTime)));
    if (row.deleteFlag) deleteFlag_->setDelete();
    // An unresolved version (stored as NULL) reads as 0.0.0.
    if (versionId_ != 0) {
        if (!version_->query(versionId_)) return copyError(version_->getLastError());
        setSQLVersion(version_->major(), version_->minor(), version_->build(), versionId_);
    }
    determineSqlAppType();
    giveVersionToDataSource();
    undoFreeSpace_ = 0;
    return true;
}

bool KelSQLServer::query(unsigned long sqlId) {
    static const char* kFn = "KelSQLServer::query(sqlId)";
    if (!idNotSet(getLastError(), sqlId, "sqlId", kFn)) return false;
    switch (placeOf(context_, *this)) {
    case Where::Local: where_ = keyWhere(sqlId); return queryOstrelDb(where_.c_str());
    case Where::Remote: {
        KelNetSQLServerReq_t* req = requestMessage(true);
        if (!req) return false;
        req->DBCode = KelNetSQLServerLookup;
        req->Server.SqlServerId = sqlId;
        return networkQuery();
    }
    case Where::Neither: break;
    }
    return fail(kelsql::kErrNoSide, kFn);
}

bool KelSQLServer::query(const std::string& clientName, const std::string& sqlServerName) {
    static const char* kFn = "KelSQLServer::query(sClientName, sSQLServerName)";
    if (!stringEmpty(getLastError(), clientName, "sClientName", kFn)) return false;
    if (!stringEmpty(getLastError(), sqlServerName, "sSQLServerName", kFn)) return false;
    clientName_ = clientName;
    switch (placeOf(context_, *this)) {
    case Where::Local: {
        unsigned long tesselId = tesselId_ ? tesselId_ : ostrelTessel();
        instanceId_ = 0;
        if (!getInstanceByName(tesselId, getLastError(), clientName, sqlServerName, &instanceId_,
                               transactionOf(context_)))
            return false;
        where_ = keyWhere(instanceId_);
        return queryOstrelDb(where_.c_str());
    }
    case Where::Remote: {
        KelNetSQLServerReq_t* req = requestMessage(true);
        if (!req) return false;
        req->DBCode = KelNetSQLServerLookup;
        return kelsql::FieldCopies(getLastError(), kFn)
                   .text(req->Server.ClientName, kClientNameField, clientName, "clientName")
                   .text(req->Server.ServerName, sqlServerName, "sqlServerName")
                   .ok() &&
               networkQuery();
    }
    case Where::Neither: break;
    }
    return fail(kelsql::kErrNoSide, kFn);
}

bool KelSQLServer::lookup(KelNetSQLServerReq_t* req, KelNetSQLServerRsp_t* rsp) {
    bool ok = req->Server.SqlServerId != 0
                  ? query(static_cast<unsigned long>(req->Server.SqlServerId))
                  : query(kel::fieldText(req->Server.ClientName), kel::fieldText(req->Server.ServerName));
    return ok && copyToResponse(rsp);
}

// ---- registration

namespace {
constexpr const char* kConfigFn = "KelSQLServer::config(saLogin, saPassword, undoFilePath, serviceName)";
}  // namespace

bool KelSQLServer::configurable(const std::string& saLogin, const std::string& undoFilePath) {
    if (!context_.isClientOperations()) return fail(kelsql::kErrAgentSideOnly, kConfigFn);
    return stringEmpty(getLastError(), saLogin, "saLogin", kConfigFn) &&
           (undoFilePath.empty() || validateUndoPath(undoFilePath));
}

bool KelSQLServer::config(const std::string& saLogin, const std::string& saPassword, const std::string& undoFilePath,
                          const std::string& serviceName) {
    if (!configurable(saLogin, undoFilePath)) return false;
    setSqlLogin(saLogin, saPassword);
    undoFilePath_ = undoFilePath;
    addTime_.setCurrent();
    serviceName_ = serviceName;
    KelNetSQLServerReq_t* req = requestMessage(true);
    if (!req) return false;
    req->DBCode = KelNetSQLServerInsert;
    return copyToRequest(req) && networkQuery();
}

bool KelSQLServer::insert(KelNetSQLServerReq_t* req, KelNetSQLServerRsp_t* rsp) {
    static const char* kFn = "KelSQLServer::insert(reqServer, rspServer)";
    if (!requireReplyMode(kFn) || !requireTransaction(kFn)) return false;
    const KelNetSQLServer_t& in = req->Server;
    const std::string clientName = kel::fieldText(in.ClientName);
    const std::string serverName = kel::fieldText(in.ServerName);
    // Texts a peer filled to the last byte of their fields would be stored cut.
    static_assert(sizeof in.SqlServiceName == sizeof(SqlServer_t::sqlServiceName) &&
                  sizeof in.UndoFilePath == sizeof(SqlServer_t::undoFile));
    if (!kelsql::peerTextFits(getLastError(), in.SqlServiceName, "sqlServiceName", kFn) ||
        !kelsql::peerTextFits(getLastError(), in.UndoFilePath, "undoFilePath", kFn))
        return false;

    // Step 1: is the instance registered already?
    tesselId_ = static_cast<unsigned long>(in.TesselId);
    bool exists = query(clientName, serverName);
    if (!exists && sqlCode_ != 100) return false;
    if (!exists && instanceId_ == 0) return false;
    const unsigned long rowId = exists ? sqlId_ : instanceId_;

    // Step 2: the row, whole.
    SqlServer record(context_.getDBTransaction());
    SqlServer_t& row = *record.getDataPtr();
    row = SqlServer_t();
    const unsigned long tesselId = in.TesselId ? static_cast<unsigned long>(in.TesselId) : ostrelTessel();
    row.tesselId = static_cast<int32_t>(tesselId);
    unsigned long clientId = 0;
    if (!getSqlClientId(tesselId, getLastError(), clientName, clientId)) return false;
    row.clientId = static_cast<int32_t>(clientId);
    if (!kelsql::copyText(getLastError(), row.serverName, serverName, "serverName", kFn)) return false;
    kel::copyWholeField(row.sqlServiceName, in.SqlServiceName);

    KelSQLUserAndPassword& login = context_.getSQLUserAndPassword();
    if (login.sqlUser().empty()) return fail(kelsql::kErrNoLogin, kFn);
    if (!kelsql::copyText(getLastError(), row.sa, login.sqlUser(), "sa", kFn)) return false;
    if (!login.sqlPassword().empty()) {
        std::string stored;
        if (!kelsql::storedPassword(getLastError(), login.sqlPassword(), stored, "saPassword", kelsql::kErrEncrypt, kFn))
            return false;
        if (!kelsql::copyText(getLastError(), row.saPassword, stored, "saPassword", kFn)) return false;
    }
    kel::copyWholeField(row.undoFile, in.UndoFilePath);
    row.addTime = static_cast<int32_t>(in.AddTime);
    row.removalTime = 0;
    row.deleteFlag = 0;
    row.flags = static_cast<int32_t>(in.Flags);

    // A version row made for the instance goes with it when it cannot be stored.
    kelsql::WriteScope scope(context_);
    if (!scope.open(getLastError(), kFn)) return false;
    version_->setSQLVersion(static_cast<unsigned long>(in.ServerMajor), static_cast<unsigned long>(in.ServerMinor),
                            static_cast<unsigned long>(in.ServerBuild), static_cast<unsigned long>(in.SqlVersionId));
    if (in.SqlVersionId == 0) {
        version_->setSQLType();
        version_->setTesselId(ostrelTessel());
        if (!getSQLVersionId(*version_)) return copyError(version_->getLastError());
    }
    row.sqlVersionId = static_cast<int32_t>(version_->sqlId());

    row.instanceId = static_cast<int32_t>(rowId);
    if (exists) {
        record.setWhere("instanceId = %d", static_cast<int>(rowId));
        sqlCode_ = record.rowUpdate(nullptr);
    } else {
        sqlCode_ = record.rowInsert(false);
    }
    if (sqlCode_ != 0) return catalogueError(kFn, record);

    rsp->Server = in;
    rsp->Server.SqlServerId = rowId;
    rsp->Server.TesselId = tesselId;
    rsp->Server.AddTime = static_cast<uint32_t>(row.addTime);
    rsp->Server.DeleteFlag = 0;
    rsp->Server.SqlVersionId = static_cast<uint64_t>(row.sqlVersionId);
    rsp->Server.Flags = static_cast<uint32_t>(row.flags);
    rsp->Server.DeleteTime = 0;
    return scope.keep(getLastError(), kFn);
}

// ---- updates

bool KelSQLServer::update() {
    static const char* kFn = "KelSQLServer::update()";
    if (sqlId_ == 0) return fail(kelsql::kErrInstanceUpdate, kFn);
    switch (placeOf(context_, *this)) {
    case Where::Local: where_ = keyWhere(sqlId_); return updateOstrelDb(where_.c_str());
    case Where::Remote: {
        KelNetSQLServerReq_t* req = requestMessage(true);
        if (!req) return false;
        req->DBCode = KelNetSQLServerUpdate;
        return copyToRequest(req) && networkQuery();
    }
    case Where::Neither: break;
    }
    return fail(kelsql::kErrNoSide, kFn);
}

bool KelSQLServer::update(KelNetSQLServerReq_t* req, KelNetSQLServerRsp_t* rsp) {
    static const char* kFn = "KelSQLServer::update(reqServer, rspServer)";
    if (!requireReplyMode(kFn)) return false;
    if (req->Server.SqlServerId == 0) {
        if (!query(kel::fieldText(req->Server.ClientName), kel::fieldText(req->Server.ServerName))) return false;
        req->Server.SqlServerId = sqlId_;
    }
    copyFromRequest(req);
    return update() && copyToResponse(rsp);
}

bool KelSQLServer::updateOstrelDb(const char* where) {
    static const char* kFn = "KelSQLServer::updateOstrelDb(where)";
    if (!requireTransaction(kFn)) return false;
    if (!where) return false;
    SqlServerTable table(context_.getDBTransaction());
    table.setWhere("%s", where);
    table.clearUpdateClause();
    table.updateColumn(tesselId_, "tesselId");
    table.updateColumn(flags_, "flags");
    table.updateColumn(sa(), "sa");
    if (!saPassword().empty()) {
        std::string stored;
        if (!kelsql::storedPassword(getLastError(), saPassword(), stored, "saPassword", kelsql::kErrEncrypt, kFn))
            return false;
        table.setColumn(stored, "saPassword");
    }
    table.updateColumn(ntUser(), "sqlNTAccount");
    if (!ntUserPassword().empty()) {
        std::string stored;
        if (!kelsql::storedPassword(getLastError(), ntUserPassword(), stored, "sqlNTPassword", kelsql::kErrNTEncrypt,
                                    kFn))
            return false;
        table.setColumn(stored, "sqlNTPassword");
    }
    table.updateColumn(undoFilePath_, "undoFile");
    // A refused text writes nothing, not even the version row; a failed
    // update takes the version row back.
    kelsql::WriteScope scope(context_);
    if (!table.clauseFits(getLastError(), kFn) || !scope.open(getLastError(), kFn) ||
        !resolveVersion(ostrelTessel(), kFn))
        return false;
    // An unknown version has no sqlVersion row to refer to: NULL, not 0.
    if (version_->sqlId()) table.setColumn(version_->sqlId(), "sqlVersionId");
    else table.setNullColumn("sqlVersionId");
    return runUpdate(table, kFn) && scope.keep(getLastError(), kFn);
}

bool KelSQLServer::updateItem(const char* signature, KelSQL_UpdateServerItem item) {
    if (!idNotSet(getLastError(), sqlId_, "sqlServerId", signature)) return false;
    if (!context_.isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, signature);
    if (!requireTransaction(signature)) return false;
    if (item < KelSQL_UpdateUndoFile || item > KelSQL_UpdateFlags) return fail(kelsql::kErrInvalidArgument, signature);
    SqlServerTable table(context_.getDBTransaction());
    table.setWhere("instanceId=%d", static_cast<int>(sqlId_));
    table.clearUpdateClause();
    switch (item) {
    case KelSQL_UpdateUndoFile:
        table.setColumn(undoFilePath_, "undoFile");
        break;
    case KelSQL_UpdateSqlLogin:
        if (!setCredential(table, sqlLogin_, "sa", "saPassword", kelsql::kErrEncrypt, signature)) return false;
        break;
    case KelSQL_UpdateRemovalTime:
        table.setColumn(removalTime_.time() == kRemovalTimeCleared ? 0ul : removalTime_.time(), "removalTime");
        break;
    case KelSQL_UpdateDeleteFlag: table.setColumn(deleteFlag_->isDeleted() ? 1ul : 0ul, "deleteFlag"); break;
    case KelSQL_UpdateServiceAccount:
        if (!setCredential(table, serviceAccount_, "sqlNTAccount", "sqlNTPassword", kelsql::kErrNTEncrypt, signature))
            return false;
        break;
    case KelSQL_UpdateFlags: table.setColumn(flags_, "flags"); break;
    }
    return runUpdate(table, signature);
}

bool KelSQLServer::setSA(const std::string& user, const std::string& password, bool verify) {
    static const char* kFn = "KelSQLServer::setSA(userName, userPassword)";
    if (!stringEmpty(getLastError(), user, "userName", kFn)) return false;
    setSqlLogin(user, password);
    if (verify) {
        const bool told = isClusterFlag() ? context_.setRemoteClientClusteredStatusOn()
                                          : context_.setRemoteClientClusteredStatusOff();
        if (!told) return copyError(context_.getLastError());
        if (!sqlLogin_.verify(context_, "", nullptr)) return copyError(sqlLogin_.getLastError());
    }
    return updateItem(kFn, KelSQL_UpdateSqlLogin);
}

bool KelSQLServer::setNTUser(const std::string& clientName, const std::string& user, const std::string& password,
                             bool verify) {
    static const char* kFn = "KelSQLServer::setNTUser(clientName, userName, userPassword)";
    if (!stringEmpty(getLastError(), clientName, "clientName", kFn)) return false;
    if (!stringEmpty(getLastError(), user, "userName", kFn)) return false;
    if (verify) {
        KelNetSQLNTSecurity check(context_, false);
        if (!check.verify(clientName, sqlServerName(), user, password)) return copyError(check.getLastError());
    }
    setServiceAccount(user, password);
    return updateItem(kFn, KelSQL_UpdateServiceAccount);
}

bool KelSQLServer::updateUndoFilePath() {
    return updateItem("KelSQLServer::updateUndoFilePath()", KelSQL_UpdateUndoFile);
}

bool KelSQLServer::updateSQL2000UpgradeFlag() {
    return updateItem("KelSQLServer::updateSQL2000UpgradeFlag()", KelSQL_UpdateFlags);
}

bool KelSQLServer::logicalDeletion(bool deleteFlag, unsigned long sqlServerId) {
    static const char* kFn = "KelSQLServer::logicalDeletion(deleteFlag, sqlServerId)";
    if (!idNotSet(getLastError(), sqlServerId, "sqlServerId", kFn)) return false;
    switch (placeOf(context_, *this)) {
    case Where::Local:
        if (!query(sqlServerId)) return false;
        deleteFlag ? deleteFlag_->setDelete() : deleteFlag_->setUndelete();
        return updateDeleteFlag();
    case Where::Remote: {
        KelNetSQLServerReq_t* req = requestMessage(true);
        if (!req) return false;
        req->DBCode = KelNetSQLServerLogicalDeletion;
        req->Server.SqlServerId = sqlServerId;
        req->Server.DeleteFlag = deleteFlag ? 1 : 0;
        // An undeleted answer must clear the flag here too.
        deleteFlag_->setUndelete();
        return networkQuery();
    }
    case Where::Neither: break;
    }
    return fail(kelsql::kErrOstrelSideOnly, kFn);
}

bool KelSQLServer::logicalDeletion(KelNetSQLServerReq_t* req, KelNetSQLServerRsp_t* rsp) {
    static const char* kFn = "KelSQLServer::logicalDeletion(reqServer, rspServer)";
    if (!requireReplyMode(kFn)) return false;
    return logicalDeletion(req->Server.DeleteFlag != 0, static_cast<unsigned long>(req->Server.SqlServerId)) &&
           copyToResponse(rsp);
}

// ---- comparison

bool KelSQLServer::compareAndUpdate(KelSQLServer& given, unsigned long sqlServerId) {
    static const char* kFn = "KelSQLServer::compareAndUpdate(sqlServer, sqlServerId)";
    if (placeOf(context_, *this) != Where::Local) return fail(kelsql::kErrOstrelSideOnly, kFn);
    unsigned long id = sqlServerId ? sqlServerId : given.sqlId() ? given.sqlId() : sqlId_;
    if (!idNotSet(getLastError(), id, "sqlServerId", kFn)) return false;
    if (!query(id)) return false;
    if (given.sqlServerName() != sqlServerName()) {
        getLastError().setNumber(kelsql::kErrCompareAndUpdate);
        getLastError().addArgument(kFn);
        getLastError().addArgument(given.sqlServerName());
        getLastError().addArgument(sqlServerName());
        return false;
    }
    if (!requireTransaction(kFn)) return false;
    SqlServerTable table(context_.getDBTransaction());
    table.setWhere("instanceId=%d", static_cast<int>(id));
    table.clearUpdateClause();
    bool changed = false;
    if (!given.sa().empty() && given.sa() != sa()) {
        if (!setCredential(table, given.sqlLogin_, "sa", "saPassword", kelsql::kErrEncrypt, kFn)) return false;
        changed = true;
    }
    if (!given.undoFilePath().empty() && given.undoFilePath() != undoFilePath()) {
        table.setColumn(given.undoFilePath(), "undoFile");
        changed = true;
    }
    unsigned long removal = 0;  // a time written that the databases follow
    const unsigned long givenRemoval = given.getRemovalTime().time();
    if (givenRemoval == kRemovalTimeCleared) {
        given.getRemovalTime().setTime(0L);
        table.setColumn(0ul, "removalTime");
        changed = true;
    } else if (givenRemoval != 0 && removalTime_.time() == 0) {
        table.setColumn(givenRemoval, "removalTime");
        removal = givenRemoval;
        changed = true;
    }
    const unsigned long givenVersion = static_cast<unsigned long>(given.getSQLVersion().sqlId());
    if (givenVersion != 0 && givenVersion != version_->sqlId()) {
        table.setColumn(givenVersion, "sqlVersionId");
        changed = true;
    }
    if (!changed) return true;
    if (!runUpdate(table, kFn)) return false;
    return removal == 0 || updateDBRemovalTime(id, removal);
}

// ---- lists

bool KelSQLServer::getAllSQLServersWithinTessel(unsigned long tesselId, std::vector<KelSQL_SqlIdName_t>& list,
                                                unsigned long sqlAppTypeRestore) {
    static const char* kFn = "KelSQLServer::getAllSQLServersWithinTessel(tesselId, list, sqlAppTypeRestore)";
    if (!idNotSet(getLastError(), tesselId, "tesselId", kFn)) return false;
    DBtran tran(false);
    tran.setIsolationType(4);
    tran.startTran();
    KelSQLVersion version(context_);
    SqlServer record(&tran);
    record.setWhere("TesselId = %d", static_cast<int>(tesselId));
    sqlCode_ = record.openCursor();
    if (sqlCode_ == 100) return true;
    if (sqlCode_ != 0) return catalogueError(kFn, record);
    list.clear();
    const SqlServer_t& row = *record.getDataPtr();
    while ((sqlCode_ = record.fetchCursor(true)) == 0) {
        if (row.deleteFlag != 0) continue;
        if (sqlAppTypeRestore != 0) {
            uint64_t major = 0;
            if (row.sqlVersionId != 0) {
                if (!version.query(static_cast<unsigned long>(row.sqlVersionId))) {
                    record.closeCursor();
                    return copyError(version.getLastError());
                }
                major = version.major();
            }
            bool fits = true;
            switch (sqlAppTypeRestore) {
            case KelSQL_AppTypeSql2005: fits = major == 9; break;
            case KelSQL_AppTypeSql7: fits = major >= 7 && major <= 9; break;
            case KelSQL_AppTypeSql2000: fits = major == 8 || major == 9; break;
            default: break;
            }
            if (!fits) continue;
        }
        list.push_back({static_cast<unsigned long>(row.instanceId), kel::fieldText(row.serverName)});
    }
    const long long end = sqlCode_;
    record.closeCursor();
    sqlCode_ = end;
    if (end != 100) return catalogueError(kFn, record);
    return true;
}
