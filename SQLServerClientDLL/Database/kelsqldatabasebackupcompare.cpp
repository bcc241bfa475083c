// The comparison of a catalogued database with the live one before a
// backup: on the agent, and asked of the agent host by the Ostrel (DBCode 8).
#include "KelSQL/KelNetSQLDBTransaction.h"
#include "KelSQL/KelNetSQLSecurity.h"
#include "KelSQL/KelNetSQLVerifyUser.h"
#include "KelSQL/KelSQLDatabase.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLErrors.h"
#include "KelSQL/KelSQLFileSubClient.h"
#include "KelSQL/KelSQLLookups.h"
#include "RecordSupport.h"
#include "platform/util/BoundedCopy.h"

using kelsql::record::sameText;

namespace {

// A DBCode 8 answer that asks for a full backup.
constexpr uint64_t kFullRequired = KelSQL_AllowNextFullContent;

}  // namespace

bool KelSQLDatabase::backupCompareAndUpdate(KelSQLDatabase& localDatabase, bool& fullNeeded) {
    static const char* kFn = "KelSQLDatabase::backupCompareAndUpdate(localDatabase)";
    KelSQLMessageLog& log = context_.log();
    if (!context_.isClientOperations()) {
        log.debug(kFn, "Class properties not configured as a client.");
        return fail(kelsql::kErrAgentSideOnly, kFn);
    }
    KelNetSQLDBTransaction* tran = context_.getNetworkDBTransaction();
    if (!tran || !tran->isTransactionStarted()) {
        log.debug(kFn, "DB transaction with Ostrel not started.");
        return fail(kelsql::kErrTranRequired, kFn);
    }
    if (!sameText(databaseName_, localDatabase.databaseName())) {
        log.debug(kFn, "The datbase name [%s] in Ostrel is different from the name [%s] on the SQL Drover.",
                  databaseName_.c_str(), localDatabase.databaseName().c_str());
        getLastError().setNumber(kelsql::kErrCompareAndUpdate);
        return false;
    }
    fullNeeded = false;
    bool changed = false;
    if (localDatabase.id() != 0 && localDatabase.id() != databaseId_) {
        log.debug(kFn, "The database id [%ld] in Ostrel is different from the id [%ld] on the SQL Drover for database [%s].",
                  static_cast<long>(databaseId_), static_cast<long>(localDatabase.id()), databaseName_.c_str());
        setId(localDatabase.id());
        changed = true;
    }
    const unsigned long live = localDatabase.getCreationTime().time();
    if (live != 0 && live != creationTime_.time()) {
        log.debug(kFn,
                  "The database creation time [%ld] in Ostrel is different from the creation time [%ld] on the SQL "
                  "Drover for database [%s].",
                  static_cast<long>(creationTime_.time()), static_cast<long>(live), databaseName_.c_str());
        creationTime_.setTime(static_cast<long>(live));
        changed = true;
    }
    if (removalTime_.time() != 0) {
        log.debug(kFn, "The database has been readded, reset the removal time in Ostrel DB for database [%s].",
                  databaseName_.c_str());
        removalTime_.setTime(static_cast<long>(kRemovalTimeBack));
        changed = true;
    }
    bool result = false;
    if (changed) {
        const std::string name = databaseName_;
        if (!update()) {
            log.debug(kFn, "Upadte of Ostrel db failed for database [%s].", name.c_str());
            return false;
        }
        result = true;
    }
    fullNeeded = result;
    std::vector<std::string>* names = getFileGroupNames(databaseName_, true);
    if (!names) return false;
    KelSQLFileGroup liveGroup(context_, false), catalogued(context_, false);
    for (const std::string& name : *names) {
        liveGroup.initializeSQLObject(true);
        if (!liveGroup.query(databaseName_, name)) return copyError(liveGroup.getLastError());
        catalogued.initializeSQLObject(true);
        if (catalogued.query(std::string(), serverName_, databaseName_, name)) {
            bool groupChanged = false;
            if (!catalogued.backupCompareAndUpdate(serverName_, databaseName_, liveGroup, groupChanged)) {
                fullNeeded = true;
                return copyError(catalogued.getLastError());
            }
            result = result || groupChanged;
        } else if (catalogued.getLastError().number() == kelsql::kErrRowOperation) {
            // New in the live database: registered now.
            if (!liveGroup.config(sqlId_, &databaseName_)) return copyError(liveGroup.getLastError());
            result = true;
        } else {
            return copyError(catalogued.getLastError());
        }
    }
    fullNeeded = result;
    return true;
}

bool KelSQLDatabase::CompareAndUpdate(KelNetSQLDatabaseReq_t* req, KelNetSQLDatabaseRsp_t* rsp) {
    static const char* kFn = "KelSQLDatabase::CompareAndUpdate()";
    KelSQLMessageLog& log = context_.log();
    KelSQLClassProperties agent(context_.virtualMachine(), KelSQLClientSide);
    agent.setMssqlActiveFlag();
    agent.getSQLUserAndPassword() = context_.getSQLUserAndPassword();
    agent.setRemoteSqlHostName(agent.getMSSqlAgent().getOstrelHostName());
    agent.getSQLDSN().setSqlServerName(kel::fieldText(req->Database.ServerName));
    KelNetSQLDBTransaction* tran = agent.getNetworkDBTransaction();
    if (!tran || !tran->setRemoteOstrel(agent.remoteSqlHostName())) return fail(kelsql::kErrNoContext, kFn);
    const unsigned long id = static_cast<unsigned long>(req->Database.DatabaseId);
    KelSQLDatabase catalogued(agent, false), live(agent, false);
    if (!catalogued.query(id, nullptr)) {
        log.debug(kFn, "Failed to query Ostrel for database ID [%ld]", static_cast<long>(id));
        return copyError(catalogued.getLastError());
    }
    live.setSqlServerName(catalogued.sqlServerName());
    if (!live.query(catalogued.databaseName())) return copyError(catalogued.getLastError());
    bool startedHere = false;
    if (!tran->isTransactionStarted()) {
        if (!tran->startTransaction()) {
            log.debug(kFn, "Failed to start transaction on Ostrel.");
            return copyError(tran->getLastError());
        }
        startedHere = true;
    }
    auto abandon = [&](KelLastError& why) {
        copyError(why);
        if (startedHere) tran->rollbackTransaction();
        return false;
    };
    bool fullNeeded = false;
    if (!catalogued.backupCompareAndUpdate(live, fullNeeded)) return abandon(catalogued.getLastError());
    if (fullNeeded) {
        if (!catalogued.updateFlag(id, KelSQL_AllowNextFullContent, 1, 0)) return abandon(catalogued.getLastError());
        rsp->Database.AllowFlags = kFullRequired;
    }
    return !startedHere || tran->commitTransaction() || copyError(tran->getLastError());
}

bool KelSQLDatabase::CompareAndUpdate(const std::string& clientName, const std::string& sqlServerName,
                                      unsigned long sqlServerId, unsigned long databaseId) {
    static const char* kFn =
        "KelSQLDatabase::CompareAndUpdate(clientName, sqlServerName, sqlServerId, databaseId)";
    KelLastError& err = getLastError();
    KelSQLMessageLog& log = context_.log();
    if (!stringEmpty(err, sqlServerName, "sqlServerName", kFn) || !stringEmpty(err, clientName, "clientName", kFn) ||
        !idNotSet(err, databaseId, "databaseId", kFn))
        return false;
    log.debug1(kFn, "Starting compare and update of database ID [%ld]", static_cast<long>(databaseId));
    if (!context_.isServerOperations()) {
        log.debug(kFn, "Class properties configured as client platform. Function only supported on Ostrel.");
        return fail(kelsql::kErrOstrelSideOnly, kFn);
    }
    if (!getClientHostnameForLocalTessel(err, context_, clientName, "clientName")) {
        log.debug(kFn, "Failed to get hostname for client [%s].", clientName.c_str());
        return false;
    }
    if (context_.getSQLUserAndPassword().sqlUser().empty() &&
        !lookupSqlUserInformation(err, context_, sqlServerId, 0, 0, 0)) {
        log.debug(kFn, "Failed to lookup user info for server [%s].", sqlServerName.c_str());
        return false;
    }
    KelNetSQLSecurity* security = context_.getRemoteSecurity();
    if (!security || !security->update(clientName, sqlServerName)) {
        log.debug(kFn, "Failed to set remote security for server [%s].", sqlServerName.c_str());
        return security ? copyError(security->getLastError()) : fail(kelsql::kErrNoContext, kFn);
    }
    KelNetSQLDatabaseReq_t* req = addressDataAgent(context_.remoteSqlHostName(), kFn) ? requestMessage(true) : nullptr;
    if (!req) return false;
    req->DBCode = KelNetSQLDatabaseCompare;
    req->Database.DatabaseId = databaseId;
    if (!kelsql::copyText(getLastError(), req->Database.ClientName, clientName, "clientName", kFn)) return false;
    if (!kelsql::copyText(getLastError(), req->Database.ServerName, sqlServerName, "serverName", kFn)) return false;
    allowFlags_ = 0;
    log.debug1(kFn, "Send ing request for compare and update to client [%s]", clientName.c_str());
    if (!networkQuery()) {
        log.debug(kFn, "Compare and update FAILED. Check keld.log on client [%s] for more details.",
                  clientName.c_str());
        return false;
    }
    if (allowFlags_ != kFullRequired) return true;
    if (!context_.startTransaction()) return copyError(context_.getLastError());
    // A failed flag update leaves the transaction to the context.
    if (!updateFlag(databaseId, KelSQL_AllowNextFullContent, 1, 0)) return false;
    KelSQLFileSubClient lister(context_, false);
    std::vector<unsigned long> ids;
    if (!lister.getFileSubclientGroupsForDatabase(databaseId, ids, false)) {
        context_.rollBackTransaction();
        return copyError(lister.getLastError());
    }
    for (unsigned long subId : ids) {
        KelSQLFileSubClient sub(context_, false);
        if (!sub.query(subId) || (sub.setFullRequiredFlagOn(), !sub.update(0))) {
            context_.rollBackTransaction();
            return copyError(sub.getLastError());
        }
    }
    return context_.commitTransaction() || copyError(context_.getLastError());
}
