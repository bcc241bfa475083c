#include "KelSQL/KelNetSQLNTSecurity.h"

#include <memory>

#include "../Records/FieldCopy.h"
#include "KelSQL/KelNetSQLDBTransaction.h"
#include "../Records/FieldCopy.h"
#include "KelSQL/KelNetSQLRegistry.h"
#include "KelSQL/KelSQLLookups.h"
#include "KelSQL/KelSQLServer.h"
#include "KelSQL/KelSQLUserAndPassword.h"
#include "platform/util/BoundedCopy.h"

namespace {

const kelsql::MessageRegistration<KelNetSQLNTSecurity, kelsql::AnswerSide::Both> registered;

constexpr const char* kVerifyByName = "KelNetSQLNTSecurity::verify(clientName, serverName, NTUser, NTPassword)";
constexpr const char* kVerifyById =
    "KelNetSQLNTSecurity::verify(tesselId, clientId, serverName, NTUser, NTPassword, sqlUser, sqlPassword)";
// The verify request carries no SQL login of its own: the agent checks the
// account with whatever password it is given under this name.
constexpr const char* kNoSqlUser = "NotApplicable";

}  // namespace

KelNetSQLNTSecurity::KelNetSQLNTSecurity(KelSQLClassProperties& ctx, bool) : KelNetSQLMessage(ctx, false) {}

KelNetSQLNTSecurity::KelNetSQLNTSecurity(KelSQLClassProperties& ctx, unsigned long long messageId, char* request)
    : KelNetSQLMessage(ctx, messageId, request) {}

KelNetSQLNTSecurity& KelNetSQLNTSecurity::operator=(const KelNetSQLNTSecurity& other) {
    if (this == &other) return *this;
    KelNetSQLFrame::operator=(other);
    ntUser_ = other.ntUser_;
    ntPassword_ = other.ntPassword_;
    return *this;
}

bool KelNetSQLNTSecurity::initialize(bool) { return KelNetSQLMessage::initialize(false); }

bool KelNetSQLNTSecurity::networkQuery() { return exchange(getLastError()); }

bool KelNetSQLNTSecurity::set(const std::string& credential) {
    if (credential.empty()) return true;
    std::string user, password;
    if (!decryptNetworkSQLPassword(credential, user, password))
        return kelsql::cipherFailed(getLastError(), kelsql::kErrNTDecrypt, "KelNetSQLNTSecurity::set(credential)");
    ntUser_ = user;
    ntPassword_ = password;
    return true;
}

bool KelNetSQLNTSecurity::lookup(const std::string& clientName, const std::string& serverName) {
    static const char* const kFunction = "KelNetSQLNTSecurity::lookup(clientName, serverName)";
    if (!prepareAgentLookup(clientName, sizeof(KelNetSQLNTSecurityReq_t::ClientName), serverName,
                            sizeof(KelNetSQLNTSecurityReq_t::SqlServerName), kFunction))
        return false;
    KelNetSQLNTSecurityReq_t* req = requestMessage(true);
    if (!req) return false;
    req->OpCode = KelNetSQLNTSecurityLookup;
    if (!kelsql::copyText(getLastError(), req->ClientName, clientName, "clientName", kFunction)) return false;
    if (!kelsql::copyText(getLastError(), req->SqlServerName, serverName, "sqlServerName", kFunction)) return false;
    if (!networkQuery()) return false;
    return set(kel::fieldText(responseMessage(false)->NTCredential));
}

bool KelNetSQLNTSecurity::lookup(KelNetSQLNTSecurityReq_t* req, KelNetSQLNTSecurityRsp_t* rsp) {
    static const char* const kFunction = "KelNetSQLNTSecurity::lookup(req, rsp)";
    if (!req || !rsp) return fail(kelsql::kErrNoBuffer, kFunction);
    KelSQLServer server(context(), false);
    if (!server.query(kel::fieldText(req->ClientName), kel::fieldText(req->SqlServerName))) {
        getLastError() = server.getLastError();
        return false;
    }
    // An instance without a service account answers with an empty form.
    if (server.ntUser().empty()) return true;
    return kelsql::fillCredentialField(getLastError(), rsp->NTCredential, server.ntUser(), server.ntUserPassword(),
                                       kelsql::kErrNTEncrypt, kFunction);
}

bool KelNetSQLNTSecurity::update(KelNetSQLNTSecurityReq_t* req, KelNetSQLNTSecurityRsp_t* rsp) {
    static const char* const kFunction = "KelNetSQLNTSecurity::update(req, rsp)";
    if (!req || !rsp) return fail(kelsql::kErrNoBuffer, kFunction);
    std::string clientName = kel::fieldText(req->ClientName);
    KelSQLServer server(context(), false);
    if (!server.query(clientName, kel::fieldText(req->SqlServerName))) {
        getLastError() = server.getLastError();
        return false;
    }
    if (!set(kel::fieldText(req->NTCredential))) return false;
    if (!server.setNTUser(clientName, ntUser_, ntPassword_, false)) {
        getLastError() = server.getLastError();
        return false;
    }
    return true;
}

bool KelNetSQLNTSecurity::verify(KelNetSQLNTSecurityReq_t*, KelNetSQLNTSecurityRsp_t*) {
    return kelsql::notSupported(getLastError(), "KelNetSQLNTSecurity::verify(req, rsp)");
}

bool KelNetSQLNTSecurity::update(const std::string&, const std::string&, const std::string&, const std::string&,
                                 bool) {
    return kelsql::notSupported(getLastError(), "KelNetSQLSecurity::update()");
}

bool KelNetSQLNTSecurity::sendVerify(const std::string& clientName, const std::string& serverName,
                                     const std::string& sqlUser, const std::string& sqlPassword,
                                     const std::string& ntUser, const std::string& ntPassword,
                                     const char* function) {
    KelNetSQLNTSecurityReq_t* req = requestMessage(true);
    if (!req) return false;
    req->OpCode = KelNetSQLNTSecurityVerify;
    if (!kelsql::copyText(getLastError(), req->ClientName, clientName, "clientName", function)) return false;
    if (!kelsql::copyText(getLastError(), req->SqlServerName, serverName, "sqlServerName", function)) return false;
    if (!kelsql::fillCredentialField(getLastError(), req->SqlCredential, sqlUser, sqlPassword, kelsql::kErrEncrypt,
                                     function))
        return false;
    if (!ntUser.empty() && !kelsql::fillCredentialField(getLastError(), req->NTCredential, ntUser, ntPassword,
                                                        kelsql::kErrNTEncrypt, function))
        return false;
    return networkQuery();
}

bool KelNetSQLNTSecurity::verify(const std::string& clientName, const std::string& serverName,
                                 const std::string& ntUser, const std::string& ntPassword) {
    KelLastError& err = getLastError();
    KelSQLClassProperties& ctx = context();
    if (!stringEmpty(err, clientName, "clientName", kVerifyByName) ||
        !stringEmpty(err, serverName, "serverName", kVerifyByName) ||
        !stringEmpty(err, ntUser, "NTUser", kVerifyByName))
        return false;
    if (!ctx.isServerOperations()) return fail(kelsql::kErrNoSide, kVerifyByName);
    if (!getClientHostnameForLocalTessel(err, ctx, clientName, "clientName") || !addressDataAgent(ctx.remoteSqlHostName(), kVerifyByName))
        return false;
    KelSQLServer server(ctx, false);
    if (!server.query(clientName, serverName)) {
        err = server.getLastError();
        return false;
    }
    return sendVerify(clientName, serverName, server.sa(), server.saPassword(), ntUser, ntPassword, kVerifyByName);
}

bool KelNetSQLNTSecurity::verify(unsigned long tesselId, unsigned long clientId, const std::string& serverName,
                                 const std::string& ntUser, const std::string& ntPassword,
                                 const std::string& sqlUser, const std::string& sqlPassword) {
    KelLastError& err = getLastError();
    KelSQLClassProperties& ctx = context();
    if (!idNotSet(err, tesselId, "tesselId", kVerifyById) || !idNotSet(err, clientId, "clientId", kVerifyById) ||
        !stringEmpty(err, serverName, "serverName", kVerifyById) ||
        !stringEmpty(err, ntUser, "NTUser", kVerifyById))
        return false;
    if (!ctx.isServerOperations()) return fail(kelsql::kErrNoSide, kVerifyById);
    std::string host, clientName;
    if (!getSqlClientHostnameGivenClientId(err, tesselId, clientId, host, clientName)) return false;
    if (host != ctx.remoteSqlHostName()) {
        // A session open to another agent host cannot carry this request.
        disconnect();
        ctx.setRemoteSqlHostName(host);
    }
    if (!addressDataAgent(ctx.remoteSqlHostName(), kVerifyById)) return false;
    std::string password = sqlPassword;
    if (sqlUser.empty()) {
        KelSQLServer server(ctx, false);
        if (!server.query(clientName, serverName)) {
            err = server.getLastError();
            return false;
        }
        password = server.saPassword();
    }
    return sendVerify(clientName, serverName, kNoSqlUser, password, ntUser, ntPassword, kVerifyById);
}

kelsql::AnswerSide KelNetSQLNTSecurity::answerSide(const KelNetSQLNTSecurityReq_t& req) {
    switch (req.OpCode) {
    case KelNetSQLNTSecurityLookup:
    case KelNetSQLNTSecurityUpdate: return kelsql::AnswerSide::Ostrel;
    case KelNetSQLNTSecurityVerify: return kelsql::AnswerSide::Agent;
    default: return kelsql::AnswerSide::Both;
    }
}

bool KelNetSQLNTSecurity::answer(KelNetSQLNTSecurityReq_t& req, KelNetSQLNTSecurityRsp_t& rsp) {
    switch (req.OpCode) {
    case KelNetSQLNTSecurityLookup: return lookup(&req, &rsp);
    case KelNetSQLNTSecurityUpdate: return update(&req, &rsp);
    case KelNetSQLNTSecurityVerify: return verify(&req, &rsp);
    default: return refuse("KelNetSQLNTSecurity::buildReply()", req.OpCode);
    }
}

namespace {

// The installer's result: 0, or err saved as the last error and its number
// (never 0 after a failure).
unsigned long installerResult(KelLastError& err) {
    if (err.number() == 0) err.setNumber(kelsql::kErrInvalidArgument);
    sqlInstallLastError(KelSQL_InstallErrorSave, err);
    return static_cast<unsigned long>(err.number());
}

std::string focusName(const char* virtualMachine) {
    return virtualMachine && *virtualMachine ? std::string(virtualMachine) : std::string();
}

bool present(const char* text) { return text && *text; }

}  // namespace

unsigned long sqlVerifyNTSQLUser(const char*, const char*, const char*, const char* virtualMachine, const char*,
                                 const char*) {
    static const char* const kFunction = "sqlVerifyNTSQLUser()";
    std::string focus = focusName(virtualMachine);
    if (!focus.empty()) KelPI_Focus::setFocus(focus);
    // The account is never checked here: the installer must not read that as
    // a verified account.
    KelLastError err;
    kelsql::notSupported(err, kFunction);
    return installerResult(err);
}

unsigned long sqlUpdateNTAccount(const char* serverName, const char* ntUser, const char* ntPassword,
                                 const char* virtualMachine) {
    return sqlUpdateNTAccountProperty(nullptr, serverName, ntUser, ntPassword, virtualMachine);
}

unsigned long sqlUpdateNTAccountProperty(KelSQLClassProperties* property, const char* serverName,
                                         const char* ntUser, const char* ntPassword, const char* virtualMachine) {
    static const char* const kFunction = "sqlUpdateNTAccountProperty(property, serverName, ntUser, ntPassword)";
    KelLastError err;
    if (!present(serverName) || !present(ntUser) || !ntPassword) {
        err.setNumber(kelsql::kErrInvalidArgument);
        err.addArgument(kFunction);
        return installerResult(err);
    }
    std::string focus = focusName(virtualMachine);
    if (!focus.empty()) KelPI_Focus::setFocus(focus);
    std::unique_ptr<KelSQLClassProperties> own;
    if (!property) own = std::make_unique<KelSQLClassProperties>(focus, KelSQLClientSide);
    KelSQLClassProperties& ctx = property ? *property : *own;

    std::string client = KelPI_Focus::getFocusClientName(true);
    if (ctx.getMSSqlAgent().isAgentInstallActive(client) == 0) {
        err.setNumber(ctx.getMSSqlAgent().getLastError().number());
        err.addArgument(kFunction);
        return installerResult(err);
    }
    KelNetSQLDBTransaction* tran = ctx.getNetworkDBTransaction();
    if (!tran) {
        err = ctx.getLastError();
        return installerResult(err);
    }
    const bool ownTransaction = property == nullptr;
    if (!ownTransaction && !tran->isTransactionStarted()) {
        tran->getLastError().setNumber(kelsql::kErrTranRequired);
        tran->getLastError().addArgument(kFunction);
        return installerResult(tran->getLastError());
    }
    if (ownTransaction) {
        ctx.setRemoteSqlHostName(ctx.getMSSqlAgent().getOstrelHostName());
        if (!tran->setRemoteOstrel(ctx.remoteSqlHostName()) || !tran->startTransaction())
            return installerResult(tran->getLastError());
    }
    KelNetSQLNTSecurity message(ctx, false);
    if (!message.update(client, serverName, ntUser, ntPassword, false)) {
        err = message.getLastError();
        tran->rollbackTransaction();
        return installerResult(err);
    }
    if (ownTransaction && !tran->commitTransaction()) return installerResult(tran->getLastError());
    return 0;
}
