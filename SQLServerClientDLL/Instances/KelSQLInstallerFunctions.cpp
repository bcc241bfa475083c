#include "KelSQL/KelSQLInstallerFunctions.h"

#include <cstdlib>
#include <memory>
#include <vector>

#include "KelSQL/KelSQLAppId.h"
#include "KelSQL/KelSQLClassProperties.h"
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

}  // namespace

// ---- application ids

unsigned long sqlCreateApplicationIdProperty(KelSQLClassProperties* prop, const char* serverName,
                                             const char* databaseName, unsigned long archiveGroupNameId,
                                             unsigned long, unsigned long, const char*, const char* focus) {
    static const char* kFn =
        "sqlCreateApplicationIdProperty(prop, serverName, databaseName, archiveGroupNameId, "
        "logArchiveGroupNameId, assignSPFlag, subClientName, focus)";
    if (!present(serverName) || !present(databaseName) || archiveGroupNameId == 0) return badArgument(kFn);
    std::unique_ptr<KelSQLClassProperties> own;
    if (!prop) own = std::make_unique<KelSQLClassProperties>(present(focus) ? focus : "", KelSQLClientSide);
    KelSQLClassProperties& ctx = prop ? *prop : *own;

    KelPI_MSSqlAgent& agent = ctx.getMSSqlAgent();
    if (agent.isAgentInstallActive(ctx.getPlatformBase()->getOstrelClientName()) == 0) {
        KelLastError error;
        error.setNumber(agent.getLastError().number());
        error.addArgument(kFn);
        return saved(error);
    }
    if (!prop) ctx.setRemoteSqlHostName(agent.getOstrelHostName());
    KelSQLAppId appId(ctx, false);
    if (!appId.setApplicationType(0)) return saved(appId.getLastError());
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
        if (!textFits(error, instances[i].name, sizeof objects[i].name, "name", "sqlServerListV2()") ||
            !kel::copyField(objects[i].name, instances[i].name)) {
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

unsigned long sqlInstallServerProperty(KelSQLClassProperties*, const char*, const char*, const char*, const char*,
                                       unsigned long, const char*, bool, unsigned long*) {
    return 0;
}

unsigned long sqlInstallServer(const char* sqlServerName, const char* sqlUser, const char* sqlPassword,
                               const char* undoFilePath, unsigned long archiveGroupId, const char* focus,
                               bool clustered) {
    unsigned long sqlServerId = 0;
    return sqlInstallServerProperty(nullptr, sqlServerName, sqlUser, sqlPassword, undoFilePath, archiveGroupId, focus,
                                    clustered, &sqlServerId);
}

unsigned long sqlInstallDatabaseProperty(KelSQLClassProperties*, const char*, const char*, unsigned long,
                                         unsigned long, const char*) {
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
