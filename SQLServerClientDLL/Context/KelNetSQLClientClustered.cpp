#include "KelSQL/KelNetSQLClientClustered.h"

#include "../Records/FieldCopy.h"
#include "KelSQL/KelNetSQLRegistry.h"
#include "KelSQL/KelSQLErrors.h"
#include "platform/util/BoundedCopy.h"

namespace {

const kelsql::MessageRegistration<KelNetSQLClientClustered, kelsql::AnswerSide::Both> registered;

void storeClustered(KelSQLClassProperties& ctx, uint64_t clustered) {
    if (clustered != 0)
        ctx.setClientClusteredStatusOn();
    else
        ctx.setClientClusteredStatusOff();
}

}  // namespace

kelsql::AnswerSide KelNetSQLClientClustered::answerSide(const KelNetSQLClientClusteredReq_t& req) {
    return req.ClusteredOpCode == KelNetSQLClusteredGet ? kelsql::AnswerSide::Ostrel : kelsql::AnswerSide::Both;
}

bool KelNetSQLClientClustered::answer(KelNetSQLClientClusteredReq_t& req, KelNetSQLClientClusteredRsp_t& rsp) {
    static const char* kFn = "KelNetSQLClientClustered::buildReply()";
    KelSQLClassProperties& ctx = context();
    switch (req.ClusteredOpCode) {
    case KelNetSQLClusteredGet: {
        // Only the catalogue's side knows the instances.
        if (!ctx.isServerOperations()) return refuse(kFn, req.ClusteredOpCode);
        bool clustered = false;
        if (!kelsql::instanceClusterFlag(ctx, static_cast<unsigned long>(req.SqlServerId),
                                         kel::fieldText(req.ClientName), kel::fieldText(req.SqlServerName),
                                         clustered, getLastError()))
            return false;
        rsp.Clustered = clustered ? 1 : 0;
        return true;
    }
    case KelNetSQLClusteredSet:
        storeClustered(ctx, req.Clustered);
        return true;
    default: return refuse(kFn, req.ClusteredOpCode);
    }
}

void KelNetSQLClientClustered::dumpRequest(const char* fn, const KelNetSQLClientClusteredReq_t& req) {
    dumpNumber(fn, "ClusteredOpCode", req.ClusteredOpCode);
    dumpNumber(fn, "Clustered", static_cast<long long>(req.Clustered));
    if (req.ClusteredOpCode != KelNetSQLClusteredGet) return;
    dumpText(fn, "ClientName", req.ClientName, sizeof(req.ClientName));
    dumpText(fn, "SqlServerName", req.SqlServerName, sizeof(req.SqlServerName));
    dumpNumber(fn, "SqlServerId", static_cast<long long>(req.SqlServerId));
}

void KelNetSQLClientClustered::dumpResponse(const char* fn, const KelNetSQLClientClusteredRsp_t& rsp) {
    dumpNumber(fn, "Clustered", static_cast<long long>(rsp.Clustered));
}

// The context's clustered-status exchanges.

namespace {

// Asks the Ostrel (or the host set on the context) for op 1 and keeps the answer.
bool askClustered(KelSQLClassProperties& ctx, unsigned long sqlServerId, const std::string& clientName,
                  const std::string& sqlServerName) {
    KelNetSQLClientClustered m(ctx, false);
    KelNetSQLClientClusteredReq_t* req = m.requestMessage(true);
    // An agent has no host of its own set: unaddressed, the message goes to the Ostrel.
    if (!ctx.remoteSqlHostName().empty() && !m.setRemoteDataAgent(ctx.remoteSqlHostName())) {
        ctx.getLastError() = m.getLastError();
        return false;
    }
    req->ClusteredOpCode = KelNetSQLClusteredGet;
    req->SqlServerId = sqlServerId;
    static const char* kFn = "KelSQLClassProperties::getClientClusteredStatus(clientName, sqlServerName)";
    if (!kelsql::FieldCopies(ctx.getLastError(), kFn)
             .text(req->ClientName, clientName, "clientName")
             .text(req->SqlServerName, sqlServerName, "sqlServerName")
             .ok() ||
        !m.exchange(ctx.getLastError()))
        return false;
    storeClustered(ctx, m.responseMessage(false)->Clustered);
    return true;
}

bool agentSideOnly(KelSQLClassProperties& ctx, const char* fn) {
    if (ctx.isClientOperations()) return true;
    ctx.getLastError().setNumber(kelsql::kErrAgentSideOnly);
    ctx.getLastError().addArgument(fn);
    return false;
}

bool ostrelSideOnly(KelSQLClassProperties& ctx, const char* fn) {
    if (ctx.isServerOperations()) return true;
    ctx.getLastError().setNumber(kelsql::kErrOstrelSideOnly);
    ctx.getLastError().addArgument(fn);
    return false;
}

bool tellClustered(KelSQLClassProperties& ctx, bool clustered, const char* fn) {
    // Without an agent host there is no one to tell: never report that as told.
    if (!stringEmpty(ctx.getLastError(), ctx.remoteSqlHostName(), "remoteSqlHostName", fn)) return false;
    KelNetSQLClientClustered m(ctx, false);
    KelNetSQLClientClusteredReq_t* req = m.requestMessage(true);
    if (!m.setRemoteDataAgent(ctx.remoteSqlHostName())) {
        ctx.getLastError() = m.getLastError();
        return false;
    }
    req->ClusteredOpCode = KelNetSQLClusteredSet;
    req->Clustered = clustered ? 1 : 0;
    return m.exchange(ctx.getLastError());
}

}  // namespace

bool KelSQLClassProperties::getClientClusteredStatus(unsigned long sqlServerId) {
    static const char* kFn = "KelSQLClassProperties::getClientClusteredStatus(sqlServerId)";
    if (!agentSideOnly(*this, kFn)) return false;
    if (!idNotSet(error_, sqlServerId, "sqlServerId", kFn)) return false;
    return askClustered(*this, sqlServerId, std::string(), std::string());
}

bool KelSQLClassProperties::getClientClusteredStatus(const std::string& clientName, const std::string& sqlServerName) {
    static const char* kFn = "KelSQLClassProperties::getClientClusteredStatus(clientName, sqlServerName)";
    if (!agentSideOnly(*this, kFn)) return false;
    if (!stringEmpty(error_, clientName, "clientName", kFn)) return false;
    if (!stringEmpty(error_, sqlServerName, "sqlServerName", kFn)) return false;
    if (!textFits(error_, clientName, sizeof(KelNetSQLClientClusteredReq_t::ClientName), "clientName", kFn) ||
        !textFits(error_, sqlServerName, sizeof(KelNetSQLClientClusteredReq_t::SqlServerName), "sqlServerName", kFn))
        return false;
    return askClustered(*this, 0, clientName, sqlServerName);
}

bool KelSQLClassProperties::setRemoteClientClusteredStatus(unsigned long sqlServerId) {
    static const char* kFn = "KelSQLClassProperties::setRemoteClientClusteredStatus(sqlServerId)";
    if (!ostrelSideOnly(*this, kFn)) return false;
    if (!idNotSet(error_, sqlServerId, "sqlServerId", kFn)) return false;
    bool clustered = false;
    if (!kelsql::instanceClusterFlag(*this, sqlServerId, std::string(), std::string(), clustered, error_))
        return false;
    return tellClustered(*this, clustered, kFn);
}

bool KelSQLClassProperties::setRemoteClientClusteredStatus(bool clustered) {
    static const char* kFn = "KelSQLClassProperties::setRemoteClientClusteredStatus(clustered)";
    if (!ostrelSideOnly(*this, kFn)) return false;
    return tellClustered(*this, clustered, kFn);
}
