#include "KelSQL/KelSQLInstallerFunctions.h"

#include "../Records/FieldCopy.h"
#include "../Records/WriteScope.h"

#include <cstdlib>
#include <memory>
#include <vector>

#include "KelSQL/KelNetSQLDBTransaction.h"
#include "KelSQL/KelNetSQLSecurity.h"
#include "KelSQL/KelSQLAppId.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLDatabase.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLErrors.h"
#include "KelSQL/KelSQLInstallerRegistry.h"
#include "KelSQL/KelSQLServer.h"
#include "platform/events/KelDebug.h"
#include "platform/live/KelLiveSqlServer.h"
#include "platform/util/BoundedCopy.h"

namespace {

bool present(const char* text) { return text && *text; }

// The installer convention: the error saved for sqlFormatLastError and its
// number returned (never 0 after a failure).
unsigned long saved(KelLastError& error) {
    if (error.number() == 0) error.setNumber(kelsql::kErrInvalidArgument);
    sqlInstallLastError(KelSQL_InstallErrorSave, error);
    return static_cast<unsigned long>(error.number());
}

unsigned long badArgument(const char* function) {
    KelLastError error;
    error.setNumber(kelsql::kErrInvalidArgument);
    error.addArgument(function);
    return saved(error);
}

// Where an installer function works: the caller's context, which must then
// hold the network transaction with the Ostrel the work goes into, or a
// context of its own on the focus machine with a transaction of its own,
// committed only when all the work is done.
class InstallSession {
public:
    InstallSession(KelSQLClassProperties* prop, const char* focus) : prop_(prop) {
        if (!prop_) own_ = std::make_unique<KelSQLClassProperties>(present(focus) ? focus : "", KelSQLClientSide);
    }
    ~InstallSession() {
        // Whatever did not reach end() is not kept.
        KelNetSQLDBTransaction* tran = ctx().getNetworkDBTransaction();
        if (own_ && tran && tran->isTransactionStarted()) tran->rollbackTransaction();
    }
    InstallSession(const InstallSession&) = delete;
    InstallSession& operator=(const InstallSession&) = delete;

    KelSQLClassProperties& ctx() { return prop_ ? *prop_ : *own_; }
    // The machine names its client on this platform.
    std::string clientName() { return ctx().getPlatformBase()->machine(); }

    // The agent install must be active; a context of its own is pointed at
    // the Ostrel and, when writing, opens its transaction there.
    bool begin(bool writes, KelLastError& error, const char* function) {
        KelSQLClassProperties& c = ctx();
        KelPI_MSSqlAgent& agent = c.getMSSqlAgent();
        if (agent.isAgentInstallActive(c.getPlatformBase()->getOstrelClientName()) == 0) {
            error.setNumber(agent.getLastError().number());
            error.addArgument(function);
            return false;
        }
        if (!own_) {
            KelNetSQLDBTransaction* tran = c.getNetworkDBTransaction();
            if (writes && !(tran && tran->isTransactionStarted())) {
                error.setNumber(kelsql::kErrTranRequired);
                error.addArgument(function);
                return false;
            }
            return true;
        }
        c.setRemoteSqlHostName(agent.getOstrelHostName());
        if (!writes) return true;
        KelNetSQLDBTransaction* tran = c.getNetworkDBTransaction();
        if (!tran) {
            error.setNumber(kelsql::kErrNoContext);
            error.addArgument(function);
            return false;
        }
        if (tran->setRemoteOstrel(c.remoteSqlHostName()) && tran->startTransaction()) return true;
        error = tran->getLastError();
        return false;
    }
    // A transaction of its own is committed; the caller's stays the caller's.
    bool end(KelLastError& error) {
        KelNetSQLDBTransaction* tran = ctx().getNetworkDBTransaction();
        if (!own_ || !tran || !tran->isTransactionStarted() || tran->commitTransaction()) return true;
        error = tran->getLastError();
        return false;
    }

private:
    KelSQLClassProperties* prop_;
    std::unique_ptr<KelSQLClassProperties> own_;
};

// The instance's login, handed to the Ostrel for the session's writes.
bool giveLogin(InstallSession& session, const std::string& sqlServerName, const char* user, const char* password,
               KelLastError& error) {
    KelSQLClassProperties& ctx = session.ctx();
    ctx.getSQLUserAndPassword().setSqlUser(user);
    ctx.getSQLUserAndPassword().setSqlPassword(password ? password : "");
    KelNetSQLSecurity* security = ctx.getRemoteSecurity();
    if (!security) {
        error.setNumber(kelsql::kErrNoContext);
        return false;
    }
    if (security->update(session.clientName(), sqlServerName)) return true;
    error = security->getLastError();
    return false;
}

// The context's data source takes the instance on the context's machine.
bool useInstance(KelSQLClassProperties& ctx, const std::string& sqlServerName, KelLastError& error) {
    KelSQLServerDSN& dsn = ctx.getSQLDSN();
    if (dsn.sqlServerName() == sqlServerName && dsn.isValid()) return true;
    if ((dsn.virtualMachine().empty() && !dsn.setVirtualMachine(ctx.virtualMachine())) ||
        !dsn.setSqlServerName(sqlServerName)) {
        error = dsn.getLastError();
        return false;
    }
    return true;
}

// The version of the instance, read from the live instance, else the one the
// machine's data source records for it; the context's data source takes it,
// so that the application type follows it.
bool takeVersion(KelSQLServer& server, KelSQLClassProperties& ctx, const std::string& sqlServerName,
                 KelLastError& error) {
    KelSQLServerDSN& dsn = ctx.getSQLDSN();
    if (server.serverQuery(sqlServerName)) {
        const KelSQLVersion& live = server.getSQLVersion();
        dsn.setSqlServerVersion(static_cast<unsigned long>(live.major()), static_cast<unsigned long>(live.minor()),
                                static_cast<unsigned long>(live.build()));
        return true;
    }
    if (server.getLastError().number() != kelsql::kErrNotSupported) {
        error = server.getLastError();
        return false;
    }
    server.getLastError().clear();
    if (!useInstance(ctx, sqlServerName, error)) return false;
    server.setSQLVersion(dsn.major(), dsn.minor(), dsn.build(), 0);
    return true;
}

}  // namespace

// ---- application ids

unsigned long sqlCreateApplicationIdProperty(KelSQLClassProperties* prop, const char* serverName,
                                             const char* databaseName, unsigned long archiveGroupNameId,
                                             unsigned long logArchiveGroupNameId, unsigned long assignSPFlag,
                                             const char* subClientName, const char* focus) {
    static const char* kFn =
        "sqlCreateApplicationIdProperty(prop, serverName, databaseName, archiveGroupNameId, "
        "logArchiveGroupNameId, assignSPFlag, subClientName, focus)";
    if (!present(serverName) || !present(databaseName) || archiveGroupNameId == 0) return badArgument(kFn);
    InstallSession session(prop, focus);
    KelLastError error;
    if (!session.begin(false, error, kFn)) return saved(error);
    // A context of its own learns the instance's version from the machine's
    // data source; without one the application type below cannot be had.
    if (!prop) useInstance(session.ctx(), serverName, error);
    KelSQLAppId appId(session.ctx(), false);
    if (!appId.setApplicationType(0)) return saved(appId.getLastError());
    if (!appId.createApplicationId(&session.ctx(), serverName, databaseName, archiveGroupNameId,
                                   logArchiveGroupNameId, assignSPFlag, subClientName ? subClientName : ""))
        return saved(appId.getLastError());
    return 0;
}

unsigned long sqlCreateApplicationId(const char* serverName, const char* databaseName,
                                     unsigned long archiveGroupNameId, unsigned long logArchiveGroupNameId,
                                     unsigned long assignSPFlag, const char* focus) {
    return sqlCreateApplicationIdProperty(nullptr, serverName, databaseName, archiveGroupNameId,
                                          logArchiveGroupNameId, assignSPFlag, nullptr, focus);
}

// ---- versions

unsigned long sqlServerRegMajorVersion(const char* instanceName, unsigned long* major, bool flag) {
    static const char* kFn = "sqlServerRegMajorVersion(instanceName, major, flag)";
    if (!present(instanceName) || !major) return badArgument(kFn);
    // The registry reader may leave the text unfilled: it starts empty.
    char text[64] = {};
    int length = sizeof text;
    int other = 0;
    if (sqlServerRegVersion(instanceName, text, &length, &other, flag ? 1 : 0) != 0) {
        KelLastError error;
        sqlInstallLastError(KelSQL_InstallErrorGet, error);
        return saved(error);
    }
    const std::string version = kel::fieldText(text);
    const unsigned long value = static_cast<unsigned long>(std::atoi(version.substr(0, version.find('.')).c_str()));
    if (value - 7 > 1) {
        KelLastError error;
        error.setNumber(kelsql::kErrUnsupportedVersion);
        error.addArgument(kFn);
        error.addArgument(version);
        return saved(error);
    }
    *major = value;
    return 0;
}

// ---- the catalogue

bool sqlServerIsConfiguredProperty(KelLastError& error, const char* machine, const char* sqlServerName,
                                   KelUpgradeSQLServer_t* out) {
    static const char* kFn = "sqlServerIsConfiguredProperty(error, machine, sqlServerName, out)";
    if (!present(machine) || !present(sqlServerName) || !out) {
        error.setNumber(kelsql::kErrInvalidArgument);
        error.addArgument(kFn);
        return false;
    }
    KelPI_Focus::setFocus(machine);
    *out = KelUpgradeSQLServer_t{};
    KelSQLClassProperties ctx(machine, KelSQLClientSide);
    ctx.setMssqlActiveFlag();
    // The machine names its client on this platform.
    auto server = std::make_unique<KelSQLServer>(ctx, false);
    if (!server->query(KelPI_Focus::getFocusClientName(true), sqlServerName)) {
        if (server->getLastError().number() == kelsql::kErrNoSuchInstance) return true;
        error = server->getLastError();
        return false;
    }
    out->status = server->isDeleted() ? KelUpgradeSQLServerDeleted : KelUpgradeSQLServerConfigured;
    out->majorVersion = server->getSQLVersion().major();
    out->minorVersion = server->getSQLVersion().minor();
    return true;
}

unsigned long sqlServerIsConfigured(const char* machine, const char* sqlServerName, KelUpgradeSQLServer_t* out) {
    KelLastError error;
    if (sqlServerIsConfiguredProperty(error, machine, sqlServerName, out)) return 0;
    return saved(error);
}

// ---- lists and modes this platform cannot read

unsigned long sqlServerListV2(KelInstallSQLObjectList_t* list, const char* machine, int clustered) {
    KelDebug::Error("sqlServerListV2()", kelsql::kNotSupportedText);
    std::vector<kel::live::LiveInstance> instances;
    KelLastError error;
    if (!list || !kel::live::liveSqlServer().instances(machine ? machine : "", clustered != 0, instances, error))
        return 0;
    if (instances.empty()) return 0;
    auto* objects = static_cast<KelInstallSQLObject_t*>(std::calloc(instances.size(), sizeof(KelInstallSQLObject_t)));
    if (!objects) return 0;
    for (size_t i = 0; i < instances.size(); ++i) {
        // The name picks the instance, so it is whole or the list is refused;
        // version and description are only shown, and are cut to their fields.
        if (!kelsql::copyText(error, objects[i].name, instances[i].name, "name", "sqlServerListV2()")) {
            std::free(objects);
            return saved(error);
        }
        kel::cutField(objects[i].version, instances[i].version);
        kel::cutField(objects[i].description, instances[i].description);
    }
    std::free(list->objects);
    list->objects = objects;
    list->count = instances.size();
    return 0;
}

bool sqlServerListClustered(KelLastError& error, KelInstallSQLObjectList_t*, const char*, const char*) {
    return kelsql::notSupported(error, "sqlServerListClustered()");
}

bool sqlSecurityModeProperty(KelLastError& error, const char*, const char*, const char*, unsigned long*) {
    return kelsql::notSupported(error, "sqlSecurityModeProperty()");
}

unsigned long sqlSecurityMode(const char* machine, const char* sqlServerName, const char* sqlUser,
                              unsigned long* mode) {
    KelLastError error;
    if (sqlSecurityModeProperty(error, machine, sqlServerName, sqlUser, mode)) return 0;
    // Callers keep their own mode when none is read: not a failure to them,
    // and nothing for sqlFormatLastError to report.
    if (error.number() == kelsql::kErrNotSupported) {
        KelLastError none;
        sqlInstallLastError(KelSQL_InstallErrorSave, none);
        return 0;
    }
    return saved(error);
}

unsigned long sqlServerList(const char*, const char*, KelInstallSQLObjectList_t*, const char*) { return 0; }

unsigned long sqlDatabaseList(const char*, const char*, const char*, KelInstallSQLObjectList_t*, const char*, int) {
    return 0;
}

unsigned long sqlSAUserList(KelSQLSAUserType, const char*, const char*, const char*, KelInstallSQLObjectList_t*,
                            const char*) {
    return 0;
}

// ---- installation

unsigned long sqlInstallServerProperty(KelSQLClassProperties* prop, const char* sqlServerName, const char* sqlUser,
                                       const char* sqlPassword, const char* undoFilePath, unsigned long archiveGroupId,
                                       const char* focus, bool clustered, unsigned long* sqlServerId) {
    static const char* kFn =
        "sqlInstallServerProperty(prop, sqlServerName, sqlUser, sqlPassword, undoFilePath, archiveGroupId, focus, "
        "clustered, sqlServerId)";
    if (!present(sqlServerName) || !present(sqlUser) || archiveGroupId == 0) return badArgument(kFn);
    KelLastError error;
    // The undo path travels in the instance's record: one longer than its
    // field is refused as too long before anything is sent.
    if (undoFilePath && !textFits(error, undoFilePath, sizeof(KelNetSQLServer_t::UndoFilePath), "undoFilePath", kFn))
        return saved(error);
    InstallSession session(prop, focus);
    KelSQLClassProperties& ctx = session.ctx();
    if (!session.begin(true, error, kFn) || !giveLogin(session, sqlServerName, sqlUser, sqlPassword, error))
        return saved(error);

    KelSQLServer server(ctx, false);
    if (!takeVersion(server, ctx, sqlServerName, error)) return saved(error);
    // What the instance's row will hold is checked before anything is
    // written; what the Ostrel refuses after the application id takes the
    // id back, and the caller's transaction stays as it was.
    if (!server.configurable(sqlUser, undoFilePath ? undoFilePath : "")) return saved(server.getLastError());
    kelsql::WriteScope scope(ctx);
    if (!scope.open(error, kFn)) return saved(error);
    // The instance's master database stands for the instance in the
    // application manager: its application id registers the instance there
    // and keeps the instance's storage policies, which become those given.
    KelSQLAppId appId(ctx, false);
    if (!appId.createApplicationId(&ctx, sqlServerName, "master", archiveGroupId, 0, KelSQLAssignSPGiven, "default"))
        return saved(appId.getLastError());
    server.setClientName(session.clientName());
    server.setSqlServerName(sqlServerName);
    server.setFlags(clustered ? KelSQLServer::kClusteredFlag : 0);
    // Named again now that the record knows the instance's version and
    // whether it is clustered: serverQuery named it before it knew either.
    server.nameService();
    // The Ostrel writes the whole row: a registered instance is refreshed.
    if (!server.config(sqlUser, sqlPassword ? sqlPassword : "", undoFilePath ? undoFilePath : "",
                       server.serviceName()))
        return saved(server.getLastError());
    if (!scope.keep(error, kFn) || !session.end(error)) return saved(error);
    if (sqlServerId) *sqlServerId = server.sqlId();
    return 0;
}

unsigned long sqlInstallServer(const char* sqlServerName, const char* sqlUser, const char* sqlPassword,
                               const char* undoFilePath, unsigned long archiveGroupId, const char* focus,
                               bool clustered) {
    unsigned long sqlServerId = 0;
    return sqlInstallServerProperty(nullptr, sqlServerName, sqlUser, sqlPassword, undoFilePath, archiveGroupId, focus,
                                    clustered, &sqlServerId);
}

unsigned long sqlInstallDatabaseProperty(KelSQLClassProperties* prop, const char* sqlServerName,
                                         const char* databaseName, unsigned long archiveGroupId,
                                         unsigned long logArchiveGroupId, const char* focus) {
    static const char* kFn =
        "sqlInstallDatabaseProperty(prop, sqlServerName, databaseName, archiveGroupId, logArchiveGroupId, focus)";
    if (!present(sqlServerName) || !present(databaseName) || archiveGroupId == 0) return badArgument(kFn);
    InstallSession session(prop, focus);
    KelLastError error;
    if (!session.begin(true, error, kFn)) return saved(error);
    KelSQLDatabase database(session.ctx(), false);
    if (!database.config(sqlServerName, databaseName, archiveGroupId, logArchiveGroupId, KelSQLAssignSPGiven,
                         &session.ctx()))
        return saved(database.getLastError());
    if (!session.end(error)) return saved(error);
    return 0;
}

unsigned long sqlInstallDatabase(const char* sqlServerName, const char* databaseName, unsigned long archiveGroupId,
                                 unsigned long logArchiveGroupId, const char* focus) {
    return sqlInstallDatabaseProperty(nullptr, sqlServerName, databaseName, archiveGroupId, logArchiveGroupId, focus);
}

bool sqlDatabaseNotAccessable(KelSQLClassProperties&, const std::string&, KelLastError&, bool&,
                              KelSQLDatabasePropertyType&) {
    return true;
}
