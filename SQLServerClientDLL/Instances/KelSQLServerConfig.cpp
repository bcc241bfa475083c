#include "KelSQL/KelSQLServerConfig.h"

#include "../Records/FieldCopy.h"
#include "Db/Tbl/sqlServer.h"
#include "KelSQL/KelNetSQLDBTransaction.h"
#include "KelSQL/KelNetSQLNTSecurity.h"
#include "KelSQL/KelNetSQLSecurity.h"
#include "KelSQL/KelNetSQLServerCreateDSN.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLInstallerFunctions.h"
#include "KelSQL/KelSQLLookups.h"
#include "KelSQL/KelSQLServer.h"
#include "KelSQL/KelSQLUserAndPassword.h"
#include "platform/util/BoundedCopy.h"

namespace {

constexpr const char* kVerifySQLUser = "KelSQLServerConfig::verifySQLUser(sqlUser, sqlPassword)";
constexpr const char* kVerifyNTUser = "KelSQLServerConfig::verifyNTUser(ntUser, ntPassword)";
constexpr const char* kClustered = "KelSQLServerConfig::clustered()";
constexpr const char* kConfig = "KelSQLServerConfig::config()";
constexpr const char* kCreateDSN = "KelSQLServerConfig::createDSN()";
constexpr const char* kNetworkQuery = "KelSQLServerConfig::networkQuery()";
constexpr const char* kConfigAgent = "KelSQLServerConfig::config(sqlServer)";

}  // namespace

KelSQLServerConfig::KelSQLServerConfig(KelSQLClassProperties& context, bool replyMode)
    : KelNetSQLServerConfig(context, false), replyMode_(replyMode) {}

bool KelSQLServerConfig::requireOstrel(const char* signature) {
    return context().isServerOperations() || fail(kelsql::kErrOstrelSideOnly, signature);
}

bool KelSQLServerConfig::findHost(const char*) {
    KelSQLClassProperties& ctx = context();
    std::string host;
    if (!getSqlClientHostnameGivenClientId(getLastError(), tesselId_, clientId_, host)) return false;
    if (host != ctx.remoteSqlHostName()) {
        // A session open to another agent host cannot carry these requests.
        disconnect();
        ctx.setRemoteSqlHostName(host);
    }
    return true;
}

// ---- Ostrel side

bool KelSQLServerConfig::clustered() {
    KelLastError& err = getLastError();
    if (!idNotSet(err, tesselId_, "tesselId", kClustered) || !idNotSet(err, clientId_, "clientId", kClustered))
        return false;
    KelSQLClassProperties& ctx = context();
    SqlServer record(ctx.isTransactionStarted() ? ctx.getDBTransaction() : nullptr);
    record.setWhere("tesselId = %d and clientId = %d", static_cast<int>(tesselId_), static_cast<int>(clientId_));
    auto catalogueError = [&](int code) {
        err.setNumber(kelsql::kErrRowOperation);
        err.addArgument(kClustered);
        err.addArgument(record.getpDescribe());
        err.addArgument(record.getErrorStr(code));
        return false;
    };
    clusteredOff();
    int rc = record.openCursor();
    if (rc == 100) return true;
    if (rc != 0) return catalogueError(rc);
    while ((rc = record.fetchCursor(true)) == 0) {
        if (static_cast<uint32_t>(record.getDataPtr()->flags) & KelSQLServer::kClusteredFlag) {
            record.closeCursor();
            clusteredOn();
            return true;
        }
    }
    record.closeCursor();
    return rc == 100 || catalogueError(rc);
}

bool KelSQLServerConfig::verifySQLUser(const std::string& sqlUser, const std::string& sqlPassword) {
    KelLastError& err = getLastError();
    if (!requireOstrel(kVerifySQLUser)) return false;
    if (!stringEmpty(err, sqlUser, "sqlUser", kVerifySQLUser) ||
        !stringEmpty(err, sqlServerName_, "sqlServerName", kVerifySQLUser) ||
        !idNotSet(err, tesselId_, "tesselId", kVerifySQLUser) || !idNotSet(err, clientId_, "clientId", kVerifySQLUser))
        return false;
    if (!findHost(kVerifySQLUser) || !clustered()) return false;
    KelSQLClassProperties& ctx = context();
    if (!(clustered_ ? ctx.setRemoteClientClusteredStatusOn() : ctx.setRemoteClientClusteredStatusOff())) {
        err = ctx.getLastError();
        return false;
    }
    sqlUser_ = sqlUser;
    sqlPassword_ = sqlPassword;
    return true;
}

bool KelSQLServerConfig::verifyNTUser(const std::string& ntUser, const std::string& ntPassword) {
    KelLastError& err = getLastError();
    KelSQLClassProperties& ctx = context();
    // Each refusal is also logged: the administrator's tool shows only the last.
    struct Check {
        bool ok;
        const char* line;
        const char* name;
    };
    const Check checks[] = {{!ntUser.empty(), "nt user empty", "ntUser"},
                            {!sqlServerName_.empty(), "no server name", "sqlServerName"},
                            {tesselId_ != 0, "no tesselid", "tesselId"},
                            {clientId_ != 0, "no clientid", "clientId"}};
    for (const Check& c : checks) {
        if (c.ok) continue;
        ctx.log().debug3(kVerifyNTUser, "%s", c.line);
        return stringEmpty(err, std::string(), c.name, kVerifyNTUser);
    }
    if (!requireOstrel(kVerifyNTUser) || !findHost(kVerifyNTUser)) return false;
    KelNetSQLNTSecurity* security = ctx.getNTSecurity();
    if (!security) return fail(kelsql::kErrNoContext, kVerifyNTUser);
    if (!security->verify(tesselId_, clientId_, sqlServerName_, ntUser, ntPassword, sqlUser_, sqlPassword_)) {
        err = security->getLastError();
        return false;
    }
    ntUser_ = ntUser;
    ntPassword_ = ntPassword;
    return true;
}

bool KelSQLServerConfig::config() {
    KelLastError& err = getLastError();
    if (!idNotSet(err, tesselId_, "tesselId", kConfig) || !idNotSet(err, clientId_, "clientId", kConfig) ||
        !idNotSet(err, archiveGroupId_, "archiveGroupId", kConfig) ||
        !stringEmpty(err, sqlServerName_, "sqlServerName", kConfig) || !stringEmpty(err, sqlUser_, "sqlUser", kConfig))
        return false;
    if (!requireOstrel(kConfig)) return false;
    KelSQLClassProperties& ctx = context();
    // The agent host installs in a catalogue transaction of its own.
    if (!catalogueWriterFree(ctx, err, kConfig)) return false;
    KelNetSQLSecurity* security = ctx.getRemoteSecurity();
    if (!security) return fail(kelsql::kErrNoContext, kConfig);
    if (!fillRequest()) return false;
    // The security message sends the context's login: the one this
    // configuration gives the agent.
    ctx.getSQLUserAndPassword().setSqlUser(sqlUser_);
    ctx.getSQLUserAndPassword().setSqlPassword(sqlPassword_);
    if (!security->update(sqlServerName_, 0ul)) {
        err = security->getLastError();
        return false;
    }
    return exchange(err);
}

bool KelSQLServerConfig::fillRequest() {
    if (!addressDataAgent(context().remoteSqlHostName(), kNetworkQuery)) return false;
    KelNetSQLServerConfig_t* req = requestMessage(true);
    if (!req) return false;
    if (!kelsql::FieldCopies(getLastError(), kNetworkQuery)
             .text(req->SQLServerName, sqlServerName_, "sqlServerName")
             .text(req->UndoFilePath, undoFilePath_, "undoFilePath")
             .ok())
        return false;
    req->ArchiveGroupId = archiveGroupId_;
    req->Clustered = clustered_ ? 1 : 0;
    return kelsql::fillCredentialField(getLastError(), req->SqlCredential, sqlUser_, sqlPassword_, kelsql::kErrEncrypt,
                                       kNetworkQuery) &&
           (ntUser_.empty() || kelsql::fillCredentialField(getLastError(), req->NTCredential, ntUser_, ntPassword_,
                                                           kelsql::kErrEncrypt, kNetworkQuery));
}

bool KelSQLServerConfig::networkQuery() { return fillRequest() && exchange(getLastError()); }

bool KelSQLServerConfig::createDSN() {
    KelLastError& err = getLastError();
    if (!stringEmpty(err, sqlServerName_, "sqlServerName", kCreateDSN) ||
        !stringEmpty(err, sqlUser_, "sqlUser", kCreateDSN))
        return false;
    KelNetSQLServerCreateDSN request(context(), false);
    if (!request.createDSN(sqlServerName_, sqlUser_, sqlPassword_)) {
        err = request.getLastError();
        return false;
    }
    return true;
}

// ---- agent side

bool KelSQLServerConfig::config(KelNetSQLServerConfig_t& request) {
    KelLastError& err = getLastError();
    if (!replyMode_) return fail(kelsql::kErrNoSide, kConfigAgent);
    KelSQLClassProperties& ctx = context();
    const std::string focus = ctx.virtualMachine();
    // Its own session to the Ostrel: the transaction must not ride on the
    // session this request came in on.
    KelSQLClassProperties install(focus, KelSQLClientSide);
    install.setMssqlActiveFlag();

    std::string user, password;
    if (!decryptNetworkSQLPassword(kel::fieldText(request.SqlCredential), user, password))
        return kelsql::cipherFailed(err, kelsql::kErrDecrypt, kConfigAgent);
    install.getSQLUserAndPassword().setSqlUser(user);
    install.getSQLUserAndPassword().setSqlPassword(password);

    const std::string sqlServerName = kel::fieldText(request.SQLServerName);
    KelSQLServerDSN& dsn = install.getSQLDSN();
    if (!dsn.setVirtualMachine(focus)) {
        err = dsn.getLastError();
        return false;
    }
    dsn.setClustered(request.Clustered != 0 || ctx.isClientClustered());
    if (!dsn.setSqlServerName(sqlServerName)) {
        err = dsn.getLastError();
        return false;
    }
    std::string ntUser, ntPassword;
    if (request.NTCredential[0] != '\0' &&
        !decryptNetworkSQLPassword(kel::fieldText(request.NTCredential), ntUser, ntPassword))
        return kelsql::cipherFailed(err, kelsql::kErrDecrypt, kConfigAgent);

    KelNetSQLDBTransaction* tran = install.getNetworkDBTransaction();
    if (!tran) return fail(kelsql::kErrNoContext, kConfigAgent);
    install.setRemoteSqlHostName(install.getMSSqlAgent().getOstrelHostName());
    if (!tran->setRemoteOstrel(install.remoteSqlHostName()) || !tran->startTransaction()) {
        err = tran->getLastError();
        return false;
    }
    const std::string undoFilePath = kel::fieldText(request.UndoFilePath);
    ctx.log().debug3(kConfigAgent, "Calling sqlInstallServerProperty for Server [%s]", sqlServerName.c_str());
    unsigned long sqlServerId = 0;
    const auto archiveGroupId = static_cast<unsigned long>(request.ArchiveGroupId);
    unsigned long rc = sqlInstallServerProperty(&install, sqlServerName.c_str(), user.c_str(), password.c_str(),
                                                undoFilePath.c_str(), archiveGroupId, focus.c_str(),
                                                request.Clustered != 0, &sqlServerId);
    if (rc == 0 && !ntUser.empty())
        rc = sqlUpdateNTAccountProperty(&install, sqlServerName.c_str(), ntUser.c_str(), ntPassword.c_str(),
                                        focus.c_str());
    if (rc != 0) {
        sqlInstallLastError(KelSQL_InstallErrorGet, err);
        if (err.number() == 0) err.setNumber(rc);
        // The NT update may have rolled the transaction back already; one
        // still open is rolled back here, never committed.
        if (tran->isTransactionStarted()) tran->rollbackTransaction();
        return false;
    }
    if (!tran->commitTransaction()) {
        err = tran->getLastError();
        tran->rollbackTransaction();
        return false;
    }
    return true;
}
