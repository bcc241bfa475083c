#include "KelSQL/KelSQLRemovalEntryPoints.h"

#include <vector>

#include "KelSQL/KelSQLAppType.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLDatabase.h"
#include "KelSQL/KelSQLFileSubClientConfig.h"
#include "KelSQL/KelSQLErrors.h"
#include "KelSQL/KelSQLServer.h"
#include "platform/appmgr/ApplicationId.h"
#include "platform/appmgr/ClientApplicationList.h"
#include "platform/appmgr/KelClient.h"

namespace {

bool failed(KelLastError& error, uint64_t number, const char* signature) {
    error.clear();
    error.setNumber(number);
    error.addArgument(signature);
    return false;
}

bool copied(KelLastError& error, const KelLastError& from) {
    error = from;
    return false;
}

// Ends the function's transaction by the outcome of its work.
bool finish(KelSQLClassProperties& ctx, bool ok, KelLastError& error, const KelLastError& why) {
    if (!ok) {
        ctx.rollBackTransaction();
        return copied(error, why);
    }
    return ctx.commitTransaction() || copied(error, ctx.getLastError());
}

// The client's host becomes where the context's agent-bound messages go.
bool pointAtClient(KelSQLClassProperties& ctx, KelClient& client, KelNetMessage& message, KelLastError& error,
                   const char* signature) {
    std::string host;
    if (client.getNetworkHostname(host, nullptr) != 0) return failed(error, kelsql::kErrClientNotFound, signature);
    ctx.setRemoteSqlHostName(host);
    return message.setRemoteDataAgent(host) || copied(error, message.getLastError());
}

bool subclientRemoval(const std::string& virtualMachine, unsigned long subClientId, KelLastError& error,
                      DBtran* tran, bool markOnly, const char* signature) {
    unsigned long fileSubClientId = 0;
    if (Subclient(subClientId).getSQLFileGroupID(fileSubClientId, tran) != 0)
        return failed(error, kelsql::kErrClientNotFound, signature);
    if (fileSubClientId == 0) return true;  // no file or file-group subclient
    KelSQLClassProperties ctx(virtualMachine, KelSQLServerSide);
    KelSQLFileSubClientConfig config(ctx);
    if (!ctx.startTransaction()) return copied(error, ctx.getLastError());
    const bool ok = markOnly ? config.logicalDeletion(fileSubClientId) : config.forceDeletion(fileSubClientId);
    return finish(ctx, ok, error, config.getLastError());
}

}  // namespace

bool sqlAppIdSubClientMarkDelete(const std::string& virtualMachine, unsigned long subClientId, KelLastError& error,
                                 DBtran* tran) {
    return subclientRemoval(virtualMachine, subClientId, error, tran, true,
                            "sqlAppIdSubClientMarkDelete(virtualMachine, subClientId, error, tran)");
}

bool sqlAppIdSubClientDelete(const std::string& virtualMachine, unsigned long, unsigned long,
                             unsigned long subClientId, KelLastError& error) {
    return subclientRemoval(virtualMachine, subClientId, error, nullptr, false,
                            "sqlAppIdSubClientDelete(virtualMachine, tesselId, clientId, subClientId, error)");
}

bool sqlAppIdBackupSetDelete(const std::string& virtualMachine, unsigned long tesselId, unsigned long clientId,
                             unsigned long instanceId, unsigned long backupSetId, KelLastError& error) {
    static const char* kFn =
        "sqlAppIdBackupSetDelete(virtualMachine, tesselId, clientId, instanceId, backupSetId, error)";
    KelClient client(tesselId, clientId);
    if (client.lookup(nullptr) != 0) return failed(error, kelsql::kErrClientNotFound, kFn);
    KelSQLClassProperties ctx(virtualMachine, KelSQLServerSide);
    KelSQLDatabase database(ctx, false);
    KelSQLServer server(ctx, false);
    if (!server.query(instanceId)) return server.sqlCode() == 100 || copied(error, server.getLastError());
    const std::vector<KelSQLDatabase_t>* configured = server.getConfiguredDBs(true, 0);
    if (!configured) return copied(error, server.getLastError());
    const bool wholeInstance =
        configured->empty() || (configured->size() == 1 && configured->front().sqlId == backupSetId);
    if (configured->size() == 1 && !wholeInstance) return true;  // another database: nothing of ours
    if (!pointAtClient(ctx, client, database, error, kFn)) return false;
    if (!ctx.startTransaction()) return copied(error, ctx.getLastError());
    if (wholeInstance) return finish(ctx, server.forceDeletion(instanceId), error, server.getLastError());
    const bool ok = database.forceDeletion(backupSetId, false);
    return finish(ctx, ok, error, database.getLastError());
}

bool sqlAppIdInstanceDelete(const std::string& virtualMachine, unsigned long tesselId, unsigned long clientId,
                            unsigned long instanceId, KelLastError& error) {
    static const char* kFn = "sqlAppIdInstanceDelete(virtualMachine, tesselId, clientId, instanceId, error)";
    KelClient client(tesselId, clientId);
    if (client.lookup(nullptr) != 0) return failed(error, kelsql::kErrClientNotFound, kFn);
    KelSQLClassProperties ctx(virtualMachine, KelSQLServerSide);
    KelSQLServer server(ctx, false);
    if (!pointAtClient(ctx, client, server, error, kFn)) return false;
    if (!ctx.startTransaction()) return copied(error, ctx.getLastError());
    return finish(ctx, server.forceDeletion(instanceId), error, server.getLastError());
}

bool sqlAppIdDelete(const std::string& virtualMachine, unsigned long tesselId, unsigned long clientId,
                    unsigned long appTypeId, KelLastError& error) {
    static const char* kFn = "sqlAppIdDelete(virtualMachine, tesselId, clientId, appTypeId, error)";
    const unsigned long type = appTypeId == 0 ? static_cast<unsigned long>(KelSQL_AppTypeSql7) : appTypeId;
    if (type != KelSQL_AppTypeSql7 && type != KelSQL_AppTypeSql2000 && type != KelSQL_AppTypeSql2005) {
        failed(error, kelsql::kErrValueNotSet, "appTypeId");
        error.addArgument(kFn);
        return false;
    }
    KelSQLClassProperties ctx(virtualMachine, KelSQLServerSide);
    KelSQLServer server(ctx, false);
    if (!ctx.startTransaction()) return copied(error, ctx.getLastError());
    KelClient client(tesselId, clientId);
    std::vector<unsigned long> ids;
    std::vector<std::string> names;
    if (client.lookup(nullptr) != 0) {
        ctx.rollBackTransaction();
        return failed(error, kelsql::kErrClientNotFound, kFn);
    }
    if (ClientApplicationList().getInstanceList(clientId, type, ids, names, nullptr, 1) != 0) {
        ctx.rollBackTransaction();
        return failed(error, kelsql::kErrClientApplications, kFn);
    }
    // An open transaction left here is rolled back with the context.
    if (!pointAtClient(ctx, client, server, error, kFn)) return false;
    for (unsigned long id : ids)
        if (!server.forceDeletion(id)) return finish(ctx, false, error, server.getLastError());
    return finish(ctx, true, error, error);
}

bool sqlCheckForDatabaseDeletionAllowed(const std::string& virtualMachine, unsigned long, unsigned long,
                                        unsigned long backupSetId, KelLastError& error) {
    static const char* kFn =
        "sqlCheckForDatabaseDeletionAllowed(virtualMachine, tesselId, clientId, backupSetId, error)";
    KelSQLClassProperties ctx(virtualMachine, KelSQLServerSide);
    KelSQLDatabase database(ctx, false);
    if (!database.query(backupSetId, nullptr)) return database.sqlCode() == 100 || copied(error, database.getLastError());
    const bool master = database.databaseName() == "master" || database.id() == 1;
    if (master && !database.setDeleteFlag()->isDeleted()) return failed(error, kelsql::kErrDatabaseDeletion, kFn);
    return true;
}
