#include "KelSQL/KelNetSQLSecurity.h"

#include "../Records/FieldCopy.h"
#include "KelSQL/KelNetSQLRegistry.h"
#include "KelSQL/KelSQLLookups.h"
#include "KelSQL/KelSQLServer.h"
#include "KelSQL/KelSQLUserAndPassword.h"
#include "platform/util/BoundedCopy.h"
#include "platform/util/KelPassword.h"

// Every wire credential field (security, NT security, configuration,
// data-source and verify-user records) holds the sealed network form of the
// longest login it may carry: two digits, then user name and password.
static_assert(KelPassword::encryptedLength(2 + kelsql::kNetworkCredentialMax) < kelsql::kCredentialField,
              "a credential field holds the longest login's network form");

namespace {

const kelsql::MessageRegistration<KelNetSQLSecurity, kelsql::AnswerSide::Both> registered;

constexpr const char* kUpdateById = "KelNetSQLSecurity::update(sqlServerId, clientName,)";
constexpr const char* kUpdateByName = "KelNetSQLSecurity::update(clientName, serverName)";

}  // namespace

bool kelsql::fillCredentialField(char (&field)[kCredentialField], const std::string& user,
                                 const std::string& password) {
    std::string form;
    return encryptNetworkSQLPassword(user, password, form) && kel::copyField(field, form);
}

bool kelsql::fillCredentialField(KelLastError& err, char (&field)[kCredentialField], const std::string& user,
                                 const std::string& password, uint64_t number, const char* signature) {
    if (fillCredentialField(field, user, password)) return true;
    const uint64_t shape = networkCredentialError(user, password, 0);
    if (!shape) return cipherFailed(err, number, signature);
    err.setNumber(shape);
    err.addArgument(signature);
    return false;
}

KelNetSQLSecurity::KelNetSQLSecurity(KelSQLClassProperties& ctx, bool) : KelNetSQLMessage(ctx, false) {}

KelNetSQLSecurity::KelNetSQLSecurity(KelSQLClassProperties& ctx, unsigned long long messageId, char* request)
    : KelNetSQLMessage(ctx, messageId, request) {}

KelNetSQLSecurity& KelNetSQLSecurity::operator=(const KelNetSQLSecurity& other) {
    if (this != &other) KelNetSQLFrame::operator=(other);
    return *this;
}

bool KelNetSQLSecurity::initialize(bool) { return KelNetSQLMessage::initialize(false); }

bool KelNetSQLSecurity::networkQuery() { return exchange(getLastError()); }

bool KelNetSQLSecurity::set(const std::string& credential) {
    std::string user, password;
    if (!decryptNetworkSQLPassword(credential, user, password))
        return kelsql::cipherFailed(getLastError(), kelsql::kErrDecrypt, "KelNetSQLSecurity::set(credential)");
    KelSQLUserAndPassword& login = context().getSQLUserAndPassword();
    login.setSqlUser(user);
    login.setSqlPassword(password);
    return true;
}

KelNetSQLSecurityReq_t* KelNetSQLSecurity::credentialRequest(uint32_t code, const char* function) {
    const KelSQLUserAndPassword& login = context().getSQLUserAndPassword();
    KelNetSQLSecurityReq_t* req = requestMessage(true);
    if (!req) return nullptr;
    if (!kelsql::fillCredentialField(getLastError(), req->Credential, login.sqlUser(), login.sqlPassword(),
                                     kelsql::kErrEncrypt, function))
        return nullptr;
    req->OpCode = code;
    return req;
}

bool KelNetSQLSecurity::findAgentHost(const std::string& clientName) {
    return getClientHostnameForLocalTessel(getLastError(), context(), clientName, "clientName");
}

bool KelNetSQLSecurity::findAgentHost(unsigned long clientId, const char* function) {
    KelSQLClassProperties& ctx = context();
    KelLastError& err = getLastError();
    if (clientId == 0) return stringEmpty(err, ctx.remoteSqlHostName(), "clientName", function);
    unsigned long tesselId = ctx.getOstrel().getTesselId();
    if (tesselId == 0) return fail(ctx.getOstrel().getLastError().number(), function);
    return getClientHostname(err, tesselId, clientId, ctx.setRemoteSqlHostName());
}

bool KelNetSQLSecurity::lookup(const std::string& clientName, const std::string& serverName,
                               const std::string& databaseName) {
    static const char* const kFunction = "KelNetSQLSecurity::lookup(clientName, serverName, databaseName)";
    KelSQLClassProperties& ctx = context();
    KelLastError& err = getLastError();
    if (!prepareAgentLookup(clientName, sizeof(KelNetSQLSecurityReq_t::ClientName), serverName,
                            sizeof(KelNetSQLSecurityReq_t::SqlServerName), kFunction))
        return false;
    KelNetSQLSecurityReq_t* req = requestMessage(true);
    if (!req) return false;
    req->OpCode = KelNetSQLSecurityLookup;
    if (!kelsql::copyText(getLastError(), req->ClientName, clientName, "clientName", kFunction)) return false;
    if (!kelsql::copyText(getLastError(), req->SqlServerName, serverName, "sqlServerName", kFunction)) return false;
    if (!databaseName.empty() &&
        !kelsql::copyText(getLastError(), req->DatabaseName, databaseName, "databaseName", kFunction))
        return false;
    if (!networkQuery()) return false;
    KelNetSQLSecurityRsp_t* rsp = responseMessage(false);
    if (!set(kel::fieldText(rsp->Credential))) return false;
    std::string sqlServerName = kel::fieldText(rsp->SqlServerName);
    if (sqlServerName.empty()) return true;
    KelSQLServerDSN& dsn = ctx.getSQLDSN();
    bool ok = dsn.setVirtualMachine(ctx.virtualMachine());
    if (ok) {
        dsn.setClustered(ctx.isClientClustered());
        ok = dsn.setSqlServerName(sqlServerName);
    }
    if (!ok) err = dsn.getLastError();
    return ok;
}

bool KelNetSQLSecurity::lookup(KelNetSQLSecurityReq_t* req, KelNetSQLSecurityRsp_t* rsp) {
    static const char* const kFunction = "KelNetSQLSecurity::lookup(req, rsp)";
    if (!req || !rsp) return fail(kelsql::kErrNoBuffer, kFunction);
    KelSQLServer server(context(), false);
    if (!server.query(kel::fieldText(req->ClientName), kel::fieldText(req->SqlServerName))) {
        getLastError() = server.getLastError();
        return false;
    }
    if (!kelsql::fillCredentialField(getLastError(), rsp->Credential, server.sa(), server.saPassword(),
                                     kelsql::kErrEncrypt, kFunction))
        return false;
    if (!kelsql::copyText(getLastError(), rsp->SqlServerName, server.sqlServerName(), "sqlServerName", kFunction))
        return false;
    return true;
}

bool KelNetSQLSecurity::update(unsigned long sqlServerId, const std::string& clientName) {
    KelSQLClassProperties& ctx = context();
    if (!ctx.isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, kUpdateById);
    if (!idNotSet(getLastError(), sqlServerId, "sqlServerId", kUpdateById)) return false;
    if (!findAgentHost(clientName)) return false;
    KelSQLServer server(ctx, false);
    if (!server.query(sqlServerId)) {
        getLastError() = server.getLastError();
        return false;
    }
    if (!addressDataAgent(ctx.remoteSqlHostName(), kUpdateById)) return false;
    if (!ctx.setRemoteClientClusteredStatus(sqlServerId)) {
        getLastError() = ctx.getLastError();
        return false;
    }
    KelNetSQLSecurityReq_t* req = credentialRequest(KelNetSQLSecurityUpdateAgent, kUpdateById);
    if (!req) return false;
    if (!kelsql::copyText(getLastError(), req->AgentSqlServerName, server.sqlServerName(), "agentSqlServerName",
                          kUpdateById))
        return false;
    return networkQuery();
}

bool KelNetSQLSecurity::update(const std::string& sqlServerName, unsigned long clientId) {
    if (!context().isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, kUpdateById);
    if (!stringEmpty(getLastError(), sqlServerName, "sqlServerName", kUpdateById)) return false;
    if (!findAgentHost(clientId, kUpdateById) ||
        !addressDataAgent(context().remoteSqlHostName(), kUpdateById))
        return false;
    KelNetSQLSecurityReq_t* req = credentialRequest(KelNetSQLSecurityUpdateAgent, kUpdateById);
    if (!req) return false;
    if (!kelsql::copyText(getLastError(), req->AgentSqlServerName, sqlServerName, "agentSqlServerName", kUpdateById))
        return false;
    return networkQuery();
}

bool KelNetSQLSecurity::update(const std::string& clientName, const std::string& serverName) {
    KelSQLClassProperties& ctx = context();
    KelLastError& err = getLastError();
    if (ctx.isServerOperations()) {
        if (!stringEmpty(err, serverName, "serverName", kUpdateByName)) return false;
        if (!findAgentHost(clientName) ||
            !addressDataAgent(ctx.remoteSqlHostName(), kUpdateByName))
            return false;
        KelNetSQLSecurityReq_t* req = credentialRequest(KelNetSQLSecurityUpdateAgent, kUpdateByName);
        if (!req) return false;
        if (!kelsql::copyText(getLastError(), req->AgentSqlServerName, serverName, "agentSqlServerName", kUpdateByName))
            return false;
        return networkQuery();
    }
    if (ctx.isClientOperations()) {
        if (!stringEmpty(err, clientName, "clientName", kUpdateByName) ||
            !stringEmpty(err, serverName, "serverName", kUpdateByName))
            return false;
        KelNetSQLSecurityReq_t* req = credentialRequest(KelNetSQLSecurityUpdateOstrel, kUpdateByName);
        if (!req) return false;
        if (!kelsql::copyText(getLastError(), req->ClientName, clientName, "clientName", kUpdateByName)) return false;
        if (!kelsql::copyText(getLastError(), req->SqlServerName, serverName, "sqlServerName", kUpdateByName))
            return false;
        return networkQuery();
    }
    return fail(kelsql::kErrOstrelSideOnly, kUpdateByName);
}

bool KelNetSQLSecurity::insert() {
    static const char* const kFunction = "KelNetSQLSecurity::insert()";
    if (!context().isClientOperations()) return fail(kelsql::kErrAgentSideOnly, kFunction);
    return credentialRequest(KelNetSQLSecurityUpdateAgent, kFunction) && networkQuery();
}

kelsql::AnswerSide KelNetSQLSecurity::answerSide(const KelNetSQLSecurityReq_t& req) {
    switch (req.OpCode) {
    case KelNetSQLSecurityLookup:
    case KelNetSQLSecurityUpdateOstrel: return kelsql::AnswerSide::Ostrel;
    case KelNetSQLSecurityUpdateAgent: return kelsql::AnswerSide::Agent;
    default: return kelsql::AnswerSide::Both;
    }
}

bool KelNetSQLSecurity::answer(KelNetSQLSecurityReq_t& req, KelNetSQLSecurityRsp_t& rsp) {
    static const char* const kFunction = "KelNetSQLSecurity::buildReply()";
    KelSQLClassProperties& ctx = context();
    // Nothing is verified here: what the peer sends is kept in the session's
    // context for the requests that follow on it.
    switch (req.OpCode) {
    case KelNetSQLSecurityLookup:
        if (ctx.isServerOperations()) return lookup(&req, &rsp);
        break;
    case KelNetSQLSecurityUpdateAgent:
        if (ctx.isClientOperations()) return set(kel::fieldText(req.Credential));
        break;
    case KelNetSQLSecurityUpdateOstrel:
        if (ctx.isServerOperations()) return set(kel::fieldText(req.Credential));
        break;
    default: break;
    }
    return refuse(kFunction, req.OpCode);
}
