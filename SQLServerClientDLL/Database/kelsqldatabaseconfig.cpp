// KelSQLDatabase: registration, the file-group lists, allow flags and the
// item updates that carry down to file groups, files and file subclients.
#include <algorithm>

#include "Db/Cursor/sqlFileGroupList.h"
#include "KelSQL/KelNetSQLDBTransaction.h"
#include "KelSQL/KelNetSQLFileGroupNameList.h"
#include "KelSQL/KelNetSQLSecurity.h"
#include "KelSQL/KelNetSQLVerifyUser.h"
#include "KelSQL/KelSQLAppId.h"
#include "KelSQL/KelSQLDatabase.h"
#include "KelSQL/KelSQLFileSubClient.h"
#include "KelSQL/KelSQLLookups.h"
#include "KelSQL/KelSQLServer.h"
#include "KelSQL/SqlDatabaseTable.h"
#include "../Records/WriteScope.h"
#include "RecordSupport.h"
#include "platform/events/KelEvent.h"
#include "platform/util/BoundedCopy.h"

using kelsql::record::transactionOf;

namespace {

constexpr const char* kLogGroupName = "DatabaseLogs";

int32_t toColumn(unsigned long value) { return static_cast<int32_t>(static_cast<uint32_t>(value)); }

// A primary data file: a physical name of more than 7 characters ending in
// ".mdf" or ".MDF", exactly these two spellings.
bool isPrimaryDataFile(const std::string& physicalName) {
    if (physicalName.size() <= 7) return false;
    const std::string end = physicalName.substr(physicalName.size() - 4);
    return end == ".mdf" || end == ".MDF";
}

}  // namespace

bool KelSQLDatabase::isSql7() {
    if (sqlServerId_ != 0) {
        KelSQLServer server(context_, false);
        if (server.query(sqlServerId_)) return server.sqlAppType().isSql7AppType();
    }
    return context_.getSQLDSN().sqlAppType().isSql7AppType();
}

// ---- registration from the agent

namespace {
constexpr const char* kConfigFn = "KelSQLDatabase::config(sqlServerId, archiveGroupNameId)";
}  // namespace

// The groups and their files are read from the live instance and checked
// before the database is sent; what the Ostrel refuses part way takes back
// what was sent before it.
bool KelSQLDatabase::config(unsigned long sqlServerId, unsigned long archiveGroupNameId) {
    LiveGroups groups;
    kelsql::WriteScope scope(context_);
    return readConfig(sqlServerId, archiveGroupNameId, groups) && scope.open(getLastError(), kConfigFn) &&
           sendConfig(sqlServerId, archiveGroupNameId, groups) && scope.keep(getLastError(), kConfigFn);
}

bool KelSQLDatabase::readConfig(unsigned long sqlServerId, unsigned long archiveGroupNameId, LiveGroups& groups) {
    KelLastError& err = getLastError();
    if (!context_.isClientOperations()) return fail(kelsql::kErrAgentSideOnly, kConfigFn);
    if (!idNotSet(err, sqlServerId, "sqlServerId", kConfigFn) ||
        !idNotSet(err, archiveGroupNameId, "archiveGroupNameId", kConfigFn) ||
        !stringEmpty(err, serverName_, "sqlServerName", kConfigFn) ||
        !stringEmpty(err, clientName_, "clientName", kConfigFn))
        return false;
    sqlServerId_ = sqlServerId;
    setNextFullAllowedOn();
    setNextFullOn();
    setFileFullOn();
    setNextFileFullAllowedOn();
    addTime_.setCurrent();
    KelNetSQLDatabase_t sent{};
    return copyToNetwork(sent) && readFileGroups(groups);
}

bool KelSQLDatabase::sendConfig(unsigned long sqlServerId, unsigned long archiveGroupNameId,
                                const LiveGroups& groups) {
    KelNetSQLDatabaseReq_t* req = requestMessage(true);
    if (!req) return false;
    req->DBCode = KelNetSQLDatabaseConfig;
    if (!copyToNetwork(req->Database)) return false;
    req->Database.SqlServerId = sqlServerId;
    req->Database.ArchiveGroupNameId = archiveGroupNameId;
    if (!networkQuery()) return false;
    for (const std::unique_ptr<KelSQLFileGroup>& group : groups)
        if (!group->sendConfig(sqlId_)) return copyError(group->getLastError());
    return true;
}

// The live file groups, then the transaction log as a group of its own, each
// with its files, read and checked (KelSQLFileGroup::readConfig).
bool KelSQLDatabase::readFileGroups(LiveGroups& groups) {
    const std::string databaseName = databaseName_;
    std::vector<std::string>* names = getFileGroupNames(databaseName, true);
    if (!names) return false;
    for (const std::string& name : *names) {
        auto group = std::make_unique<KelSQLFileGroup>(context_, false);
        if (!group->query(databaseName, name) || !group->readConfig(databaseName))
            return copyError(group->getLastError());
        groups.push_back(std::move(group));
    }
    auto log = std::make_unique<KelSQLFileGroup>(context_, false);
    log->initializeSQLObject(true);
    log->setTesselId(tesselId_);
    log->setFileGroupName(kLogGroupName);
    if (!log->readConfig(databaseName)) return copyError(log->getLastError());
    groups.push_back(std::move(log));
    return true;
}

bool KelSQLDatabase::config(const std::string& sqlServerName, const std::string& databaseName,
                            unsigned long archiveGroupNameId, unsigned long logArchiveGroupNameId,
                            unsigned long assignSPFlag, KelSQLClassProperties* inCP) {
    static const char* kFn = "KelSQLDatabase::config(sqlServerName, databaseName, archiveGroupNameId, inCP)";
    KelLastError& err = getLastError();
    KelSQLClassProperties& ctx = inCP ? *inCP : context_;
    if (!idNotSet(err, archiveGroupNameId, "archiveGroupNameId", kFn) ||
        !stringEmpty(err, sqlServerName, "sqlServerName", kFn) ||
        !stringEmpty(err, databaseName, "databaseName", kFn))
        return false;
    if (!ctx.isClientOperations()) return fail(kelsql::kErrAgentSideOnly, kFn);

    // Machines are named by their client names. The instance's row gives the
    // context's data source its version, and with it the application type.
    const std::string clientName = ctx.getPlatformBase()->machine();
    KelSQLServer server(ctx, false);
    if (!server.query(clientName, sqlServerName)) return copyError(server.getLastError());
    KelSQLDatabase database(ctx, false);
    database.setClientName(clientName);
    database.setSqlServerName(sqlServerName);
    if (!database.query(databaseName)) return copyError(database.getLastError());
    database.setDatabaseName(databaseName);
    LiveGroups groups;
    if (!database.readConfig(server.sqlId(), archiveGroupNameId, groups)) return copyError(database.getLastError());
    // The Ostrel stores a database only under an application id: it is
    // created (or found) first, with the storage policies asked for, and
    // taken back with the rest when a later step is refused.
    kelsql::WriteScope scope(ctx);
    if (!scope.open(err, kFn)) return false;
    KelSQLAppId appId(ctx, false);
    if (!appId.createApplicationId(&ctx, sqlServerName, databaseName, archiveGroupNameId, logArchiveGroupNameId,
                                   assignSPFlag, "default"))
        return copyError(appId.getLastError());
    if (!database.sendConfig(server.sqlId(), archiveGroupNameId, groups) || !scope.keep(database.getLastError(), kFn))
        return copyError(database.getLastError());
    // This object answers with what was registered.
    KelNetSQLDatabase_t registered{};
    if (!database.copyToNetwork(registered)) return copyError(database.getLastError());
    copyFromNetwork(registered);
    return true;
}

// ---- DBCode 4

bool KelSQLDatabase::config(KelNetSQLDatabase_t* reqDb, KelNetSQLDatabase_t* rspDb) {
    static const char* kFn = "KelSQLDatabase::config(reqDb, rspDb)";
    if (!serverSide_) return fail(kelsql::kErrNoSide, kFn);
    if (context_.isServerOperations()) return storeRegistration(*reqDb, *rspDb);
    // An agent host keeps no registrations of its own: whatever the request
    // carries, the Ostrel stores it.
    if (!context_.isClientOperations()) return fail(kelsql::kErrAgentSideOnly, kFn);
    return relayConfig(*reqDb) && copyToNetwork(*rspDb);
}

bool KelSQLDatabase::storeRegistration(KelNetSQLDatabase_t& reqDb, KelNetSQLDatabase_t& rspDb) {
    static const char* kFn = "KelSQLDatabase::config(reqDb, rspDb)";
    // Names filled to the last byte of their fields would be stored cut, or
    // find a database or application id of another name.
    KelLastError& err = getLastError();
    if (!kelsql::peerTextFits(err, reqDb.DatabaseName, "databaseName", kFn) ||
        !kelsql::peerTextFits(err, reqDb.ClientName, "clientName", kFn) ||
        !kelsql::peerTextFits(err, reqDb.ServerName, "sqlServerName", kFn))
        return false;
    // The instance is the one the client and instance names designate; an
    // instance id sent beside them must be that one.
    if (!kelsql::record::parentOfNames(err, context_,
                                       {kelsql::record::ParentNames::Instance, kel::fieldText(reqDb.ClientName),
                                        kel::fieldText(reqDb.ServerName), {}, {}},
                                       reqDb.SqlServerId, "sqlServerId", kFn, sqlCode_))
        return false;
    const std::string databaseName = kel::fieldText(reqDb.DatabaseName);
    const bool exists = query(static_cast<unsigned long>(reqDb.SqlServerId), databaseName);
    if (!exists && sqlCode_ != 100) return false;
    const unsigned long storedAddTime = exists ? addTime_.time() : 0;
    getLastError().clear();
    if (!context_.isTransactionStarted()) return fail(kelsql::kErrTranRequired, kFn);

    // The instance's version gives the data source its major version, which
    // chooses the application type of the lookup.
    KelSQLServer server(context_, false);
    if (!server.query(static_cast<unsigned long>(reqDb.SqlServerId))) return copyError(server.getLastError());
    context_.getSQLDSN().setSqlServerVersion(static_cast<unsigned long>(server.getSQLVersion().major()), 0, 0);
    KelSQLAppId app(context_, false);
    if (!app.setApplicationType(0)) return copyError(app.getLastError());
    app.setClientName(kel::fieldText(reqDb.ClientName));
    app.setServerName(kel::fieldText(reqDb.ServerName));
    app.setDatabaseName(databaseName);
    app.setSubClientName("default");
    if (!app.lookup()) return copyError(app.getLastError());

    SqlDatabase record(context_.getDBTransaction());
    SqlDatabase_t& row = *record.getDataPtr();
    copyNetworkToDb(reqDb, row);
    addTime_.setCurrent();
    // A second registration keeps the first one's time.
    row.addTime = toColumn(exists ? storedAddTime : static_cast<unsigned long>(reqDb.AddTime));
    row.backupSetId = toColumn(app.backupSetId());
    row.deleteFlag = 0;
    row.tesselId = toColumn(context_.getOstrel().getTesselId());
    row.removalTime = 0;
    row.applicationNumber = toColumn(app.applicationId());
    row.streams = row.maxStreams = row.logStreams = 1;
    row.systemFlags = toColumn(static_cast<unsigned long>(reqDb.SystemFlags));
    if (exists) {
        record.setWhere("backupSetId = %d", row.backupSetId);
        sqlCode_ = record.rowUpdate(nullptr);
    } else {
        sqlCode_ = record.rowInsert(false);
    }
    if (sqlCode_ != 0) return catalogueError(kFn, record);
    rspDb = reqDb;
    copyNetworkFromDb(rspDb, row);
    return true;
}

// An agent host asked by the Ostrel to register a database registers it
// through a session and a network transaction of its own with the Ostrel:
// the session the request came in on only carries the answer.
bool KelSQLDatabase::relayConfig(KelNetSQLDatabase_t& reqDb) {
    static const char* kFn = "KelSQLDatabase::config(reqDb, rspDb)";
    KelSQLClassProperties relay(context_.virtualMachine(), KelSQLClientSide);
    // The relay registers under this machine's client (machines are named by
    // their client names): a request for another client's database is not
    // this host's to register.
    const std::string client = kel::fieldText(reqDb.ClientName);
    const std::string own = relay.getPlatformBase()->machine();
    KelLastError& err = getLastError();
    if (!stringEmpty(err, client, "clientName", kFn)) return false;
    if (!kelsql::record::sameText(client, own))
        return kelsql::record::valueMismatch(err, "clientName", kFn, "this agent host's client",
                                             client + " where this host serves " + own);
    relay.setMssqlActiveFlag();
    relay.getSQLUserAndPassword() = context_.getSQLUserAndPassword();
    relay.setRemoteSqlHostName(relay.getMSSqlAgent().getOstrelHostName());
    KelNetSQLDBTransaction* tran = relay.getNetworkDBTransaction();
    if (!tran) return fail(kelsql::kErrNoContext, kFn);
    if (!tran->setRemoteOstrel(relay.remoteSqlHostName()) || !tran->startTransaction())
        return copyError(tran->getLastError());
    if (!config(kel::fieldText(reqDb.ServerName), kel::fieldText(reqDb.DatabaseName),
                static_cast<unsigned long>(reqDb.ArchiveGroupNameId), 1, 0, &relay)) {
        tran->rollbackTransaction();
        return false;
    }
    return tran->commitTransaction() || copyError(tran->getLastError());
}

// ---- registration driven by the Ostrel

bool KelSQLDatabase::config(const std::string& clientName, const std::string& sqlServerName,
                            const std::string& databaseName, unsigned long archiveGroupNameId) {
    static const char* kFn = "KelSQLDatabase::config(clientName, sqlServerName, databaseName, archiveGroupNameId)";
    KelLastError& err = getLastError();
    if (!stringEmpty(err, sqlServerName, "sqlServerName", kFn) || !stringEmpty(err, clientName, "clientName", kFn) ||
        !stringEmpty(err, databaseName, "databaseName", kFn) ||
        !idNotSet(err, archiveGroupNameId, "archiveGroupNameId", kFn))
        return false;
    if (!context_.isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, kFn);
    if (!catalogueWriterFree(context_, err, kFn)) return false;
    if (!getClientHostnameForLocalTessel(err, context_, clientName, "clientName")) return false;
    KelSQLServer server(context_, false);
    if (!server.query(clientName, sqlServerName)) return copyError(server.getLastError());
    if (context_.getSQLUserAndPassword().sqlUser().empty() &&
        !lookupSqlUserInformation(err, context_, server.instanceId(), 0, 0, 0))
        return false;
    KelNetSQLSecurity* security = context_.getRemoteSecurity();
    if (!security) return fail(kelsql::kErrNoContext, kFn);
    if (!security->update(clientName, sqlServerName)) return copyError(security->getLastError());
    if (!sendRegistration(clientName, sqlServerName, databaseName, archiveGroupNameId)) return false;

    // The agent said it registered the database: the row says whether it did.
    if (!query(clientName, sqlServerName, databaseName)) return false;
    if (!isSql7() && primaryDataFileMissing()) {
        KelEvent event(kelsql::kErrDatabaseConfigNotice);
        event << databaseName_;
        event.raise(kFn);
    }
    err.clear();
    return true;
}

// The agent host writes the registration into the catalogue in a transaction
// of its own, which must take the catalogue's writer: a caller that holds a
// transaction (here, or on the agent host, which on one machine holds the
// same writer) would make it wait for itself. Such a caller was refused
// before anything was sent, and no transaction is opened for the request.
bool KelSQLDatabase::sendRegistration(const std::string& clientName, const std::string& sqlServerName,
                                      const std::string& databaseName, unsigned long archiveGroupNameId) {
    static const char* kFn = "KelSQLDatabase::config(clientName, sqlServerName, databaseName, archiveGroupNameId)";
    if (!addressDataAgent(context_.remoteSqlHostName(), kFn)) return false;
    KelNetSQLDatabaseReq_t* req = requestMessage(true);
    if (!req) return false;
    req->DBCode = KelNetSQLDatabaseConfig;
    req->Database.ArchiveGroupNameId = archiveGroupNameId;
    return kelsql::FieldCopies(getLastError(), kFn)
               .text(req->Database.DatabaseName, databaseName, "databaseName")
               .text(req->Database.ClientName, clientName, "clientName")
               .text(req->Database.ServerName, sqlServerName, "sqlServerName")
               .ok() &&
           networkQuery();
}

bool KelSQLDatabase::primaryDataFileMissing() {
    std::vector<KelSQLFileGroup_t>* groups = getConfiguredFGs(true, sqlId_);
    // Nothing catalogued: nothing to miss.
    if (!groups || groups->empty()) return false;
    const std::vector<KelSQLFileGroup_t> list = *groups;
    KelSQLFileGroup group(context_, false);
    KelSQLFile file(context_, false);
    for (const KelSQLFileGroup_t& entry : list) {
        std::vector<KelSQLFile_t>* files = group.getConfiguredFiles(true, entry.sqlId);
        if (!files) continue;
        for (const KelSQLFile_t& f : *files)
            if (file.query(f.sqlId) && isPrimaryDataFile(file.physicalName())) return false;
    }
    return true;
}

// ---- file-group lists

std::vector<std::string>* KelSQLDatabase::getFileGroupNames(bool fetch, unsigned long sqlDatabaseId,
                                                            const std::string& clientName) {
    static const char* kFn = "KelSQLDatabase::getFileGroupNames(fetch, sqlDatabaseId, clientName)";
    KelLastError& err = getLastError();
    if (!context_.isServerOperations()) {
        fail(kelsql::kErrOstrelSideOnly, kFn);
        return nullptr;
    }
    const std::string client = clientName.empty() ? clientName_ : clientName;
    const unsigned long id = sqlDatabaseId ? sqlDatabaseId : sqlId_;
    if (!stringEmpty(err, client, "clientName", kFn) || !idNotSet(err, id, "sqlDatabaseId", kFn)) return nullptr;
    if (!query(id, nullptr)) return nullptr;
    clientName_ = client;
    if (!fetch && !fileGroupNames_.empty()) return &fileGroupNames_;
    fileGroupNames_.clear();
    std::string host;
    if (!getClientHostname(err, tesselId_, client, host)) return nullptr;
    context_.setRemoteSqlHostName(host);
    if (context_.getSQLUserAndPassword().sqlUser().empty() && !lookupSqlUserInformation(err, context_, 0, id, 0, 0))
        return nullptr;
    KelNetSQLSecurity* security = context_.getRemoteSecurity();
    if (!security) {
        fail(kelsql::kErrNoContext, kFn);
        return nullptr;
    }
    if (!security->update(sqlServerId_, client)) {
        copyError(security->getLastError());
        return nullptr;
    }
    KelNetSQLFileGroupNameList names(context_, false);
    if (!names.lookup(databaseName_, fileGroupNames_)) {
        copyError(names.getLastError());
        fileGroupNames_.clear();
        return nullptr;
    }
    return &fileGroupNames_;
}

std::vector<KelSQLFileGroup_t>* KelSQLDatabase::getConfiguredFGs(bool fetch, unsigned long sqlDatabaseId) {
    static const char* kFn = "KelSQLDatabase::getConfiguredFGs(fetch, sqlDatabaseId)";
    if (sqlDatabaseId != 0) sqlId_ = sqlDatabaseId;
    if (!idNotSet(getLastError(), sqlId_, "sqlDatabaseId", kFn)) return nullptr;
    if (!context_.isServerOperations()) {
        fail(kelsql::kErrOstrelSideOnly, kFn);
        return nullptr;
    }
    if (!fetch && !configuredFGs_.empty()) return &configuredFGs_;
    configuredFGs_.clear();
    SqlFileGroupList cursor(transactionOf(context_));
    int code = cursor.setValues(static_cast<int>(sqlId_));
    if (code == 0) code = cursor.openCursor();
    if (code == 0) {
        const SqlFileGroupList_t& row = *cursor.getDataPtr();
        while ((code = cursor.fetchCursor(true)) == 0)
            configuredFGs_.push_back({kel::fieldText(row.fgname), kelsql::record::column(row.sqlfgid)});
        cursor.closeCursor();
    }
    sqlCode_ = code;
    if (code == 100) return &configuredFGs_;
    configuredFGs_.clear();
    kelsql::record::catalogueError(getLastError(), kFn, cursor, code);
    return nullptr;
}

std::vector<std::string>* KelSQLDatabase::getUnConfiguredFGs(const std::string& clientName,
                                                              unsigned long sqlDatabaseId) {
    static const char* kFn = "KelSQLDatabase::getUnConfiguredFGs(clientName, sqlDatabaseId)";
    if (!context_.isServerOperations()) {
        fail(kelsql::kErrOstrelSideOnly, kFn);
        return nullptr;
    }
    std::vector<std::string>* live = getFileGroupNames(true, sqlDatabaseId, clientName);
    if (!live) return nullptr;
    std::vector<KelSQLFileGroup_t>* configured = getConfiguredFGs(true, 0);
    if (!configured) return nullptr;
    unconfiguredFGs_.clear();
    for (const std::string& name : *live) {
        auto match = std::find_if(configured->begin(), configured->end(), [&](const KelSQLFileGroup_t& g) {
            return kelsql::record::sameText(g.name, name);
        });
        // Each configured group answers for one live name only.
        if (match != configured->end())
            configured->erase(match);
        else
            unconfiguredFGs_.push_back(name);
    }
    // Its next use reads the catalogue again.
    configured->clear();
    return &unconfiguredFGs_;
}

// ---- allow flags and item updates

bool KelSQLDatabase::updateFlag(unsigned long sqlDatabaseId, KelSQL_AllowFlagBits flag, unsigned long state,
                                unsigned long sqlServerId) {
    if (serverSide_ || context_.isServerOperations()) {
        if (!query(sqlDatabaseId, nullptr)) return false;
        state ? setAllowFlagBitOn(flag) : setAllowFlagBitOff(flag);
        // A system database is always backed up in full.
        if (isSystemDatabase()) setNextFullOn();
        where_ = sqlServerId ? kel::sql::format("sqlServerId=%d", static_cast<int>(sqlServerId))
                             : kel::sql::format("backupSetId=%d", static_cast<int>(sqlDatabaseId));
        values_ = kel::sql::format("allowFlags = %ld", static_cast<long>(static_cast<int32_t>(allowFlags_)));
        return updateOstrelDb(where_.c_str(), values_.c_str());
    }
    if (!idNotSet(getLastError(), sqlDatabaseId, "sqlDatabaseId", "updateFlag(sqlDatabaseId, flag, state)"))
        return false;
    KelNetSQLDBFlags message(context_, false);
    KelNetSQLDBFlagsReq_t* req = message.requestMessage(true);
    if (!req) return false;
    req->sqlDatabaseId = sqlDatabaseId;
    req->Flag = flag;
    req->State = state ? 1 : 0;
    return message.network() || copyError(message.getLastError());
}

bool KelSQLDatabase::updateItem(const char* signature, KelSQL_UpdateDBItem item) {
    if (!idNotSet(getLastError(), sqlId_, "sqlDatabaseId", signature)) return false;
    if (!context_.isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, signature);
    if (!context_.isTransactionStarted()) return fail(kelsql::kErrTranRequired, signature);
    SqlDatabaseTable table(context_.getDBTransaction());
    table.setWhere("backupSetId=%d", static_cast<int>(sqlId_));
    table.clearUpdateClause();
    switch (item) {
    case KelSQL_UpdateDBStreams:
        table.setColumn(static_cast<unsigned long>(streams_.streams()), "streams");
        table.setColumn(static_cast<unsigned long>(streams_.maxStreams()), "maxStreams");
        table.setColumn(static_cast<unsigned long>(streams_.logStreams()), "logStreams");
        break;
    case KelSQL_UpdateDBAllowFlags: table.setColumn(allowFlags_, "allowFlags"); break;
    case KelSQL_UpdateDBRemovalTime: {
        // "Back again" is a marker, never a stored time.
        const unsigned long removal = removalTime_.time();
        table.setColumn(removal == kRemovalTimeBack ? 0ul : removal, "removalTime");
        break;
    }
    case KelSQL_UpdateDBDeleteFlag: table.setColumn(deleteFlag_->isDeleted() ? 1ul : 0ul, "deleteFlag"); break;
    default: return fail(kelsql::kErrInvalidArgument, signature);
    }
    return kelsql::record::runUpdateClause(getLastError(), signature, table, sqlCode_);
}

bool KelSQLDatabase::updateStreams() { return updateItem("KelSQLDatabase::updateStreams()", KelSQL_UpdateDBStreams); }

bool KelSQLDatabase::updateAllowFlags() {
    return updateItem("KelSQLDatabase::updateAllowFlags()", KelSQL_UpdateDBAllowFlags);
}

bool KelSQLDatabase::updateRemovalTime() {
    return updateItem("KelSQLDatabase::updateRemovalTime()", KelSQL_UpdateDBRemovalTime) &&
           updateFGRemovalTime(sqlId_, removalTime_.time());
}

bool KelSQLDatabase::updateDeleteFlag() {
    if (!updateItem("KelSQLDatabase::updateDeleteFlag()", KelSQL_UpdateDBDeleteFlag) ||
        !updateFGDeleteFlag(sqlId_, deleteFlag_->isDeleted()))
        return false;
    // SQL Server 7 keeps no file subclients.
    if (isSql7()) return true;
    KelSQLFileSubClient subclients(context_, false);
    return subclients.updateDeleteFlag(sqlId_, deleteFlag_->isDeleted()) || copyError(subclients.getLastError());
}

bool KelSQLDatabase::updateFGDeleteFlag(unsigned long sqlDatabaseId, bool deleteFlag) {
    static const char* kFn = "KelSQLDatabase::updateFGDeleteFlag(sqlDatabaseId, deleteFlag)";
    if (!context_.isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, kFn);
    std::vector<KelSQLFileGroup_t>* groups = getConfiguredFGs(true, sqlDatabaseId);
    if (!groups) return false;
    KelSQLFileGroup group(context_, false);
    for (const KelSQLFileGroup_t& entry : *groups) {
        group.setSqlId(entry.sqlId);
        deleteFlag ? group.setDeleteFlag()->setDelete() : group.setDeleteFlag()->setUndelete();
        if (!group.updateDeleteFlag()) return copyError(group.getLastError());
    }
    return true;
}

bool KelSQLDatabase::updateFGRemovalTime(unsigned long sqlDatabaseId, unsigned long removalTime) {
    static const char* kFn = "KelSQLDatabase::updateFGRemovalTime(sqlDatabaseId, removalTime)";
    if (!context_.isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, kFn);
    std::vector<KelSQLFileGroup_t>* groups = getConfiguredFGs(true, sqlDatabaseId);
    if (!groups) return false;
    KelSQLFileGroup group(context_, false);
    for (const KelSQLFileGroup_t& entry : *groups) {
        if (!group.query(entry.sqlId)) return copyError(group.getLastError());
        // A group already stamped keeps its own time.
        if (group.getRemovalTime().time() != 0) continue;
        group.setRemovalTime().setTime(static_cast<long>(removalTime));
        if (!group.updateRemovalTime()) return copyError(group.getLastError());
    }
    return true;
}
