#include "KelSQL/KelNetSQLRestoreTaskList.h"

#include "KelSQL/KelNetSQLRegistry.h"
#include "KelSQL/KelSQLRestoreTask.h"

namespace {

const kelsql::MessageRegistration<KelNetSQLRestoreTaskList, kelsql::AnswerSide::Ostrel> registered;

}  // namespace

bool KelNetSQLRestoreTaskList::network() {
    if (!exchange(getLastError())) return false;
    // The count comes from a peer: more than the slots is no answer.
    if (responseMessage(false)->TotalCount <= kelsql::kRestoreTaskListSlots) return true;
    getLastError().setNumber(kelsql::kErrListRead);
    getLastError().addArgument("KelNetSQLRestoreTaskList::network()");
    getLastError().addArgument("TotalCount");
    return false;
}

bool KelNetSQLRestoreTaskList::answer(KelNetSQLRestoreTaskListReq_t& req, KelNetSQLRestoreTaskListRsp_t& rsp) {
    KelSQLRestoreTask task(context(), true, kelsql::kRestoreTaskV3);
    if (task.lookup(&req, &rsp)) return true;
    getLastError() = task.getLastError();
    rsp.TotalCount = 0;
    std::memset(static_cast<void*>(rsp.Entries), 0, sizeof rsp.Entries);
    return false;
}

void KelNetSQLRestoreTaskList::dumpRequest(const char* fn, const KelNetSQLRestoreTaskListReq_t& req) {
    dumpNumber(fn, "SqlRestoreTaskId", static_cast<long long>(req.SqlRestoreTaskId));
}

void KelNetSQLRestoreTaskList::dumpResponse(const char* fn, const KelNetSQLRestoreTaskListRsp_t& rsp) {
    dumpNumber(fn, "TotalCount", static_cast<long long>(rsp.TotalCount));
    const uint64_t count = std::min<uint64_t>(rsp.TotalCount, kelsql::kRestoreTaskListSlots);
    for (uint64_t i = 0; i < count; ++i) {
        dumpInnerHeader(fn, "KelNetSqlRestoreTaskInfo");
        dumpNumber(fn, "Id", static_cast<long long>(rsp.Entries[i].Id));
        dumpHex(fn, "SystemFlags", rsp.Entries[i].SystemFlags);
    }
}
