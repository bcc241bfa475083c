// The databases of an instance: the live names from the agent host, the
// catalogue's configured and system databases, the unconfigured ones and
// their discovery; and what the instance's removal, deletion and forced
// deletion carry down to them.
#include <strings.h>

#include <cstdio>

#include "Db/Cursor/sqlDatabaseList.h"
#include "Db/Cursor/sqlGetDBsByFlag.h"
#include "Db/Tbl/sqlDatabase.h"
#include "Db/Tbl/sqlServer.h"
#include "KelSQL/KelNetSQLDatabaseNameList.h"
#include "KelSQL/KelNetSQLSecurity.h"
#include "KelSQL/KelNetSQLVerifyUser.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLDatabase.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLErrors.h"
#include "KelSQL/KelSQLFileGroup.h"
#include "KelSQL/KelSQLLookups.h"
#include "KelSQL/KelSQLRestoreTask.h"
#include "KelSQL/KelSQLServer.h"
#include "platform/appmgr/ClientApplicationList.h"
#include "platform/appmgr/KelClient.h"
#include "platform/events/KelEvent.h"
#include "platform/live/KelLiveSqlServer.h"
#include "platform/util/BoundedCopy.h"

namespace {

DBtran* transactionOf(KelSQLClassProperties& ctx) {
    return ctx.isTransactionStarted() ? ctx.getDBTransaction() : nullptr;
}

unsigned long column(int32_t value) { return static_cast<unsigned long>(static_cast<uint32_t>(value)); }

bool sameName(const std::string& a, const char* b) { return strcasecmp(a.c_str(), b) == 0; }

bool isSystemName(const std::string& name) {
    return sameName(name, "master") || sameName(name, "msdb") || sameName(name, "model");
}

bool cursorFailed(KelLastError& err, const char* signature, DBtable& table, long long code) {
    err.setNumber(kelsql::kErrRowOperation);
    err.addArgument(signature);
    err.addArgument(table.getpDescribe());
    err.addArgument(table.getErrorStr(static_cast<int>(code)));
    return false;
}

void raise(uint64_t number, const char* signature, std::initializer_list<std::string> arguments) {
    KelEvent event(number);
    for (const std::string& a : arguments) event << a;
    event.raise(signature);
}

}  // namespace

// ---- live names

std::vector<std::string>* KelSQLServer::getDatabaseNames(bool fetch, const std::string& clientName,
                                                         unsigned long sqlServerId) {
    static const char* kFn = "KelSQLServer::getDatabaseNames(fetch, clientName, sqlServerId)";
    if (context_.isClientOperations()) {
        // The agent's own live instance, when a reader serves one.
        if (fetch) {
            databaseNames_.clear();
            const std::string instance = serverName_.empty() ? context_.getSQLDSN().sqlServerName() : serverName_;
            if (!kel::live::liveSqlServer().databaseNames({context_.virtualMachine(), instance}, databaseNames_,
                                                          getLastError())) {
                databaseNames_.clear();
                return nullptr;
            }
        }
        return &databaseNames_;
    }
    if (!context_.isServerOperations()) {
        fail(kelsql::kErrAgentSideOnly, kFn);
        return nullptr;
    }
    if (!clientName.empty()) clientName_ = clientName;
    if (sqlServerId != 0) sqlId_ = sqlServerId;
    if (!stringEmpty(getLastError(), clientName_, "clientName", kFn) ||
        !idNotSet(getLastError(), sqlId_, "sqlServerId", kFn) || !query(sqlId_))
        return nullptr;
    if (!fetch && !databaseNames_.empty()) return &databaseNames_;
    databaseNames_.clear();
    std::string host;
    if (!getClientHostname(getLastError(), tesselId_, clientName_, host)) return nullptr;
    context_.setRemoteSqlHostName(host);
    if (context_.getSQLUserAndPassword().sqlUser().empty() &&
        !lookupSqlUserInformation(getLastError(), context_, sqlId_, 0, 0, 0))
        return nullptr;
    KelNetSQLSecurity* security = context_.getRemoteSecurity();
    if (!security) {
        fail(kelsql::kErrNoContext, kFn);
        return nullptr;
    }
    if (!security->update(sqlId_, "")) {
        copyError(security->getLastError());
        return nullptr;
    }
    KelNetSQLDatabaseNameList list(context_, false);
    if (!list.lookup(serverName_, databaseNames_)) {
        copyError(list.getLastError());
        return nullptr;
    }
    return &databaseNames_;
}

std::vector<std::string>* KelSQLServer::getDatabaseNames(unsigned long tesselId, unsigned long clientId,
                                                         const std::string& sqlServerName) {
    static const char* kFn = "KelSQLServer::getDatabaseNames(tesselId, clientId, sqlServerName)";
    if (context_.isClientOperations()) return nullptr;
    if (!context_.isServerOperations()) {
        fail(kelsql::kErrAgentSideOnly, kFn);
        return nullptr;
    }
    if (!stringEmpty(getLastError(), sqlServerName, "sqlServerName", kFn) ||
        !idNotSet(getLastError(), tesselId, "tesselId", kFn) || !idNotSet(getLastError(), clientId, "clientId", kFn))
        return nullptr;
    serverName_ = sqlServerName;
    tesselId_ = tesselId;
    databaseNames_.clear();
    std::string host;
    if (!getClientHostname(getLastError(), tesselId, clientId, host)) return nullptr;
    context_.setRemoteSqlHostName(host);
    if (context_.getSQLUserAndPassword().sqlUser().empty()) {
        fail(kelsql::kErrSqlConnection, kFn);
        return nullptr;
    }
    KelNetSQLSecurity* security = context_.getRemoteSecurity();
    if (!security) {
        fail(kelsql::kErrNoContext, kFn);
        return nullptr;
    }
    if (!security->update(sqlServerName, 0ul)) {
        copyError(security->getLastError());
        return nullptr;
    }
    KelNetSQLDatabaseNameList list(context_, false);
    if (!list.lookup(sqlServerName, databaseNames_)) {
        copyError(list.getLastError());
        return nullptr;
    }
    std::vector<std::string> user;
    for (std::string& name : databaseNames_)
        if (!isSystemName(name) && !sameName(name, "tempdb")) user.push_back(std::move(name));
    databaseNames_.swap(user);
    return &databaseNames_;
}

// ---- catalogue lists

std::vector<KelSQLDatabase_t>* KelSQLServer::getConfiguredDBs(bool fetch, unsigned long sqlServerId) {
    static const char* kFn = "KelSQLServer::getConfiguredDBs(fetch, sqlServerId)";
    if (sqlServerId != 0) sqlId_ = sqlServerId;
    if (!idNotSet(getLastError(), sqlId_, "sqlServerId", kFn)) return nullptr;
    if (!context_.isServerOperations()) {
        fail(kelsql::kErrOstrelSideOnly, kFn);
        return nullptr;
    }
    if (!fetch && !configuredDBs_.empty()) return &configuredDBs_;
    configuredDBs_.clear();
    SqlDatabaseList cursor(transactionOf(context_));
    int code = cursor.setValues(static_cast<int>(sqlId_));
    if (code == 0) code = cursor.openCursor();
    if (code == 0) {
        const SqlDatabaseList_t& row = *cursor.getDataPtr();
        while ((code = cursor.fetchCursor(true)) == 0)
            configuredDBs_.push_back({kel::fieldText(row.dbname), column(row.sqldbid)});
        cursor.closeCursor();
    }
    sqlCode_ = code;
    if (code == 100) return &configuredDBs_;
    configuredDBs_.clear();
    cursorFailed(getLastError(), kFn, cursor, code);
    return nullptr;
}

std::vector<std::string>* KelSQLServer::getUnConfiguredDBs(const std::string& clientName,
                                                           unsigned long sqlServerId) {
    static const char* kFn = "KelSQLServer::getUnConfiguredDBs(clientName, sqlServerId)";
    if (!clientName.empty()) clientName_ = clientName;
    if (sqlServerId != 0) sqlId_ = sqlServerId;
    if (!stringEmpty(getLastError(), clientName_, "clientName", kFn) ||
        !idNotSet(getLastError(), sqlId_, "sqlServerId", kFn))
        return nullptr;
    if (!context_.isServerOperations()) {
        fail(kelsql::kErrOstrelSideOnly, kFn);
        return nullptr;
    }
    if (!getDatabaseNames(true, "", 0) || !getConfiguredDBs(true, 0)) return nullptr;
    unconfiguredNames_.clear();
    configuredDBs_.push_back({"tempdb", 0});
    KelSQLDatabase database(context_, false);
    for (const std::string& name : databaseNames_) {
        auto entry = configuredDBs_.begin();
        while (entry != configuredDBs_.end() && strcasecmp(entry->name.c_str(), name.c_str()) != 0) ++entry;
        bool configured = entry != configuredDBs_.end();
        if (configured && entry->sqlId != 0) {
            if (!database.query(entry->sqlId, nullptr)) {
                copyError(database.getLastError());
                configuredDBs_.clear();
                return nullptr;
            }
            // A logically deleted database may be registered again.
            configured = !database.setDeleteFlag()->isDeleted();
        }
        if (configured) configuredDBs_.erase(entry);
        else unconfiguredNames_.push_back(name);
    }
    configuredDBs_.clear();  // changed above: the next call reads it again
    return &unconfiguredNames_;
}

bool KelSQLServer::getUnConfiguredDBsWithType(std::vector<KelSQLDBNameWithType_t>& list,
                                              const std::string& clientName, unsigned long sqlServerId) {
    const std::vector<std::string>* names = getUnConfiguredDBs(clientName, sqlServerId);
    if (!names) return false;
    for (const std::string& name : *names)
        list.push_back({name, static_cast<unsigned char>(isSystemName(name) ? 1 : 0)});
    return true;
}

bool KelSQLServer::getSystemDatabases(std::vector<KelSQLDatabase_t>& list, unsigned long sqlServerId) {
    static const char* kFn = "KelSQLServer::getSystemDatabases(list, sqlServerId)";
    if (!idNotSet(getLastError(), sqlServerId, "sqlServerId", kFn)) return false;
    if (!context_.isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, kFn);
    list.clear();
    SqlGetDBsByFlag cursor(transactionOf(context_));
    int code = cursor.setValues(static_cast<int>(sqlServerId), 1);
    if (code == 0) code = cursor.openCursor();
    if (code == 0) {
        const SqlGetDBsByFlag_t& row = *cursor.getDataPtr();
        while ((code = cursor.fetchCursor(true)) == 0) list.push_back({kel::fieldText(row.dbname), column(row.sqldbid)});
        cursor.closeCursor();
    }
    sqlCode_ = code;
    return code == 100 || cursorFailed(getLastError(), kFn, cursor, code);
}

// ---- discovery

bool KelSQLServer::autoDiscoverDatabases(unsigned long tesselId, unsigned long sqlServerId) {
    static const char* kFn = "KelSQLServer::autoDiscoverDatabases(tesselId, sqlServerId)";
    MsSqlInstance settings(sqlServerId);
    bool enabled = false;
    if (const int rc = settings.isEnableDiscovery(enabled)) {
        getLastError().setNumber(static_cast<uint64_t>(rc));
        return false;
    }
    if (!enabled) return true;
    // A policy the instance leaves unset is the default one, 1.
    unsigned long dataPolicy = 1, logPolicy = 1;
    settings.getDefaultSPForDiscoveredDB(dataPolicy);
    settings.getDefaultLogSPForDiscoveredDB(logPolicy);
    if (dataPolicy == 0 || logPolicy == 0) return true;
    if (!query(sqlServerId)) return false;
    std::string client;
    if (const int rc = KelClient(tesselId, rowClientId_).getName(client)) {
        getLastError().setNumber(static_cast<uint64_t>(rc));
        return false;
    }
    clientName_ = client;
    const std::vector<std::string>* unconfigured = getUnConfiguredDBs("", 0);
    if (!unconfigured) return false;
    const std::vector<std::string> names = *unconfigured;
    for (const std::string& name : names) {
        if (dataPolicy == 1) raise(kelsql::kErrDiscoveryPolicy, kFn, {"DATA", name, serverName_, clientName_});
        if (logPolicy == 1) raise(kelsql::kErrDiscoveryPolicy, kFn, {"LOG", name, serverName_, clientName_});
        KelSQLDatabase database(context_, false);
        const bool registered = database.config(clientName_, serverName_, name, dataPolicy);
        raise(registered ? kelsql::kErrDiscoveryNotice : kelsql::kErrDiscoveryFailed, kFn,
              {name, serverName_, clientName_});
    }
    return true;
}

// ---- removal, deletion, forced deletion

bool KelSQLServer::updateRemovalTime() {
    return updateItem("KelSQLServer::updateRemovalTime()", KelSQL_UpdateRemovalTime) &&
           updateDBRemovalTime(sqlId_, removalTime_.time());
}

bool KelSQLServer::updateDeleteFlag() {
    return updateItem("KelSQLServer::updateDeleteFlag()", KelSQL_UpdateDeleteFlag) &&
           updateDBDeleteFlag(sqlId_, deleteFlag_->isDeleted());
}

bool KelSQLServer::updateDBRemovalTime(unsigned long sqlServerId, unsigned long removalTime) {
    static const char* kFn = "KelSQLServer::updateDBRemovalTime(sqlServerId, removalTime)";
    if (context_.isClientOperations()) return fail(kelsql::kErrOstrelSideOnly, kFn);
    const std::vector<KelSQLDatabase_t>* databases = getConfiguredDBs(true, sqlServerId);
    if (!databases) return false;
    KelSQLDatabase database(context_, false);
    for (const KelSQLDatabase_t& entry : *databases) {
        if (!database.query(entry.sqlId, nullptr)) return copyError(database.getLastError());
        // A stored time is never replaced by another.
        if (database.getRemovalTime().time() != 0) continue;
        database.getRemovalTime().setTime(static_cast<long>(removalTime));
        if (!database.updateRemovalTime()) return copyError(database.getLastError());
    }
    return true;
}

bool KelSQLServer::updateDBDeleteFlag(unsigned long sqlServerId, bool deleted) {
    static const char* kFn = "KelSQLServer::updateDBDeleteFlag(sqlServerId, deleteFlag)";
    if (context_.isClientOperations()) return fail(kelsql::kErrOstrelSideOnly, kFn);
    const std::vector<KelSQLDatabase_t>* databases = getConfiguredDBs(true, sqlServerId);
    if (!databases) return false;
    KelSQLDatabase database(context_, false);
    for (const KelSQLDatabase_t& entry : *databases) {
        database.setSqlId(entry.sqlId);
        deleted ? database.setDeleteFlag()->setDelete() : database.setDeleteFlag()->setUndelete();
        if (!database.updateDeleteFlag()) return copyError(database.getLastError());
    }
    return true;
}

bool KelSQLServer::forceDeletion(unsigned long sqlServerId) {
    static const char* kFn = "KelSQLServer::forceDeletion(sqlServerId)";
    if (context_.isClientOperations()) return fail(kelsql::kErrOstrelSideOnly, kFn);
    const unsigned long id = sqlServerId ? sqlServerId : sqlId_;
    if (!idNotSet(getLastError(), id, "sqlServerId", kFn) || !requireTransaction(kFn)) return false;
    const std::vector<KelSQLDatabase_t>* listed = getConfiguredDBs(true, id);
    if (!listed) return false;
    const std::vector<KelSQLDatabase_t> databases = *listed;
    for (const KelSQLDatabase_t& entry : databases)
        if (!forceDeleteDatabase(entry.sqlId)) return false;
    KelSQLRestoreTask tasks(context_, false, kelsql::kRestoreTaskV3);
    if (!tasks.serverForceDelete(id)) return copyError(tasks.getLastError());
    SqlServer record(context_.getDBTransaction());
    record.setWhere("instanceId=%d", static_cast<int>(id));
    sqlCode_ = record.rowDelete();
    return sqlCode_ == 0 || sqlCode_ == 100 || catalogueError(kFn, record);
}

// Forced: the instance goes with every database it has, system ones too.
bool KelSQLServer::forceDeleteDatabase(unsigned long sqlDatabaseId) {
    KelSQLDatabase database(context_, false);
    if (database.forceDeletion(sqlDatabaseId, true)) return true;
    getLastError() = database.getLastError();
    return false;
}
