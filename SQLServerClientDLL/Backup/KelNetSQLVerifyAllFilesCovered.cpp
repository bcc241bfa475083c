#include "KelSQL/KelNetSQLVerifyAllFilesCovered.h"

#include "KelSQL/KelNetSQLRegistry.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLErrors.h"

namespace {

// The agent asks; the Ostrel answers from its catalogue.
const kelsql::MessageRegistration<KelNetSQLVerifyAllFilesCovered, kelsql::AnswerSide::Ostrel> registered;

}  // namespace

bool KelNetSQLVerifyAllFilesCovered::answer(Request& req, Response& rsp) {
    bool complete = false;
    if (!IsSubClientSetComplete(getLastError(), context(), req.sqlDatabaseId, complete)) return false;
    rsp.bCovered = complete ? 1 : 0;
    return true;
}

void KelNetSQLVerifyAllFilesCovered::dumpRequest(const char* fn, const Request& req) {
    dumpNumber(fn, "sqlDatabaseId", static_cast<long long>(req.sqlDatabaseId));
}

void KelNetSQLVerifyAllFilesCovered::dumpResponse(const char* fn, const Response& rsp) {
    dumpNumber(fn, "bCovered", rsp.bCovered);
}

KelSQLVerifyAllFilesCovered::KelSQLVerifyAllFilesCovered(KelSQLClassProperties& ctx, bool)
    : KelNetSQLVerifyAllFilesCovered(ctx, false) {}

bool KelSQLVerifyAllFilesCovered::query(uint64_t sqlDatabaseId) {
    static const char* kFn = "KelSQLVerifyAllFilesCovered::query(sqlDatabaseId)";
    KelLastError& err = getLastError();
    if (!context().isClientOperations()) return fail(kelsql::kErrAgentSideOnly, kFn);
    if (!idNotSet(err, static_cast<unsigned long>(sqlDatabaseId), "sqlDatabaseId", kFn)) return false;
    Request* req = requestMessage(false);
    if (!req) return false;
    req->sqlDatabaseId = sqlDatabaseId;
    return networkQuery();
}

bool KelSQLVerifyAllFilesCovered::networkQuery() {
    if (!exchange(getLastError())) return false;
    const Response* rsp = responseMessage(false);
    if (!rsp) return false;
    copyFromNetwork(*rsp);
    return true;
}
