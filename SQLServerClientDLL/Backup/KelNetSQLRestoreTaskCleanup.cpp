#include "KelSQL/KelNetSQLRestoreTaskCleanup.h"

#include "KelSQL/KelNetSQLRegistry.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLErrors.h"

namespace {

const kelsql::MessageRegistration<KelNetSQLRestoreTaskCleanup, kelsql::AnswerSide::Ostrel> registered;

}  // namespace

bool KelNetSQLRestoreTaskCleanup::cleanup(unsigned long restoreTaskId, unsigned long sqlRestoreTaskId) {
    static const char* kFn = "KelNetSQLRestoreTaskCleanup::cleanup(restoreTaskId, sqlRestoreTaskId)";
    if (!context().isClientOperations()) return fail(kelsql::kErrAgentSideOnly, kFn);
    KelNetSQLRestoreTaskCleanupReq_t* req = requestMessage(true);
    if (!req) return fail(kelsql::kErrNoBuffer, kFn);
    req->restoreTaskId = restoreTaskId;
    req->SqlRestoreTaskId = sqlRestoreTaskId;
    return exchange(getLastError());
}

void KelNetSQLRestoreTaskCleanup::dumpRequest(const char* fn, const KelNetSQLRestoreTaskCleanupReq_t& req) {
    dumpNumber(fn, "restoreTaskId", static_cast<long long>(req.restoreTaskId));
    dumpNumber(fn, "SqlRestoreTaskId", static_cast<long long>(req.SqlRestoreTaskId));
}
