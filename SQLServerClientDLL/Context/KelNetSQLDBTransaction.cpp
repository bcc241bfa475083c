#include "KelSQL/KelNetSQLDBTransaction.h"

#include "../Records/WriteScope.h"
#include "KelSQL/KelNetSQLRegistry.h"
#include "KelSQL/KelSQLLookups.h"

const char* KelNetSQLDBTransaction::codeName(uint32_t code) {
    switch (code) {
    case KelNetSQLDBTransStatus: return "STATUS";
    case KelNetSQLDBTransStart: return "START";
    case KelNetSQLDBTransCommit: return "COMMIT";
    case KelNetSQLDBTransRollback: return "ROLLBACK";
    case KelNetSQLDBTransSavepoint: return "SAVEPOINT";
    case KelNetSQLDBTransRelease: return "RELEASE";
    case KelNetSQLDBTransUndo: return "UNDO";
    default: return "UNKNOWN";
    }
}

const char* KelNetSQLDBTransaction::stateName(uint32_t state) {
    switch (state) {
    case KelSQLTranNone: return "No tStarted";
    case KelSQLTranStarted: return "Started";
    case KelSQLTranCommitted: return "Committed";
    case KelSQLTranRolledBack: return "Rolled Back";
    case KelSQLTranFailed: return "Failed";
    default: return "UNKNOWN";
    }
}

namespace {

const kelsql::MessageRegistration<KelNetSQLDBTransaction, kelsql::AnswerSide::Both> registered;

}  // namespace

KelNetSQLDBTransaction::KelNetSQLDBTransaction(KelSQLClassProperties& ctx, bool terminate)
    : KelNetSQLMessage(ctx, false) {
    (void)terminate;
}

KelNetSQLDBTransaction::KelNetSQLDBTransaction(KelSQLClassProperties& ctx, unsigned long long messageId,
                                               char* request)
    : KelNetSQLMessage(ctx, messageId, request) {}

KelNetSQLDBTransaction& KelNetSQLDBTransaction::operator=(const KelNetSQLDBTransaction& other) {
    if (this == &other) return *this;
    KelNetSQLFrame::operator=(other);
    state_ = other.state_;
    return *this;
}

bool KelNetSQLDBTransaction::initialize(bool) {
    // The transaction must outlive the exchange: never terminate the session.
    return KelNetSQLMessage::initialize(false);
}

bool KelNetSQLDBTransaction::send(uint32_t code) {
    KelNetSQLDBTransactionReq_t* req = requestMessage(true);
    if (!req) return false;
    req->TransactionCode = code;
    if (!exchange(getLastError())) return false;
    state_ = responseMessage(false)->TransactionState;
    // The session now carries the peer's transaction: losing the connection
    // loses it, so the session must not quietly reconnect.
    getSession()->setRemoteTransactionOpen(state_ == KelSQLTranStarted);
    return true;
}

bool KelNetSQLDBTransaction::startTransaction() {
    if (!send(KelNetSQLDBTransStart)) return false;
    context().log().debug3("KelNetSQLDBTransaction::startTransaction", "Network database transaction started!");
    return true;
}

bool KelNetSQLDBTransaction::commitTransaction() {
    if (!send(KelNetSQLDBTransCommit)) return false;
    context().log().debug3("KelNetSQLDBTransaction::commitTransaction", "Network database transaction committed!");
    return true;
}

bool KelNetSQLDBTransaction::rollbackTransaction() {
    if (!send(KelNetSQLDBTransRollback)) return false;
    context().log().debug3("KelNetSQLDBTransaction::rollbackTransaction",
                           "Network database transaction rolled back!");
    return true;
}

bool KelNetSQLDBTransaction::setSavepoint() { return send(KelNetSQLDBTransSavepoint); }
bool KelNetSQLDBTransaction::releaseSavepoint() { return send(KelNetSQLDBTransRelease); }
bool KelNetSQLDBTransaction::undoSavepoint() { return send(KelNetSQLDBTransUndo); }

bool KelNetSQLDBTransaction::getTransactionStatus(KelNetSQLDBTransState* state) {
    if (!send(KelNetSQLDBTransStatus)) return false;
    if (state) *state = state_;
    return true;
}

bool KelNetSQLDBTransaction::getTransactionState(KelNetSQLDBTransState* state) {
    uint32_t status = context().getTransactionStatus();
    bool known = status >= KelSQLTranNone && status <= KelSQLTranFailed;
    state_ = known ? status : KelSQLTranFailed;
    if (state) *state = state_;
    return known;
}

bool KelNetSQLDBTransaction::setupRemoteDataAgentTransaction(const std::string& clientName) {
    if (!context().isServerOperations())
        return fail(kelsql::kErrOstrelSideOnly, "KelNetSQLDBTransaction::setupClientTransaction(clientName)");
    unsigned long tesselId = context().getOstrel().getTesselId();
    if (tesselId == 0) {
        getLastError().setNumber(context().getOstrel().getLastError().number());
        return false;
    }
    std::string host;
    if (!getClientHostname(getLastError(), tesselId, clientName, host)) return false;
    return setRemoteDataAgent(host);
}

bool KelNetSQLDBTransaction::answer(KelNetSQLDBTransactionReq_t& req, KelNetSQLDBTransactionRsp_t& rsp) {
    KelSQLClassProperties& ctx = context();
    bool ok = true;
    switch (req.TransactionCode) {
    case KelNetSQLDBTransStatus:
        if (!getTransactionState(&rsp.TransactionState))
            return refuse("KelNetSQLDBTransaction::buildReply()", req.TransactionCode);
        return true;
    case KelNetSQLDBTransStart: ok = ctx.startTransaction(); break;
    case KelNetSQLDBTransCommit: ok = ctx.commitTransaction(); break;
    case KelNetSQLDBTransRollback: ok = ctx.rollBackTransaction(); break;
    case KelNetSQLDBTransSavepoint:
    case KelNetSQLDBTransRelease:
    case KelNetSQLDBTransUndo: {
        const auto step = req.TransactionCode == KelNetSQLDBTransSavepoint ? kelsql::SavepointStep::Begin
                          : req.TransactionCode == KelNetSQLDBTransRelease ? kelsql::SavepointStep::Keep
                                                                           : kelsql::SavepointStep::Undo;
        ok = kelsql::savepointHere(ctx, step, ctx.getLastError(), "KelNetSQLDBTransaction::buildReply()");
        break;
    }
    default: return refuse("KelNetSQLDBTransaction::buildReply()", req.TransactionCode);
    }
    if (!ok) getLastError() = ctx.getLastError();
    getTransactionState(&rsp.TransactionState);
    return ok;
}

void KelNetSQLDBTransaction::dumpRequest(const char* fn, const KelNetSQLDBTransactionReq_t& req) {
    dumpText(fn, "TransactionCode", codeName(req.TransactionCode));
}

void KelNetSQLDBTransaction::dumpResponse(const char* fn, const KelNetSQLDBTransactionRsp_t& rsp) {
    dumpText(fn, "TransactionState", stateName(rsp.TransactionState));
}
