#include "KelSQL/KelNetSQLEvRestoreTask.h"

#include "KelSQL/KelNetSQLRegistry.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "platform/info/KelPlatformInfo.h"
#include "platform/jobmgr/KelJobMgr.h"
#include "platform/net/KelPI_Library.h"
#include "platform/util/BoundedCopy.h"

namespace {

const kelsql::MessageRegistration<KelNetSQLEvRestoreTask, kelsql::AnswerSide::Ostrel> registered;

constexpr const char* kBuildReply = "KelNetSQLEvRestoreTask::buildReply()";

}  // namespace

bool KelNetSQLEvRestoreTask::network() { return exchange(getLastError()); }

bool KelNetSQLEvRestoreTask::lookup(uint64_t taskId, KelNetSQLEvRestoreTask_t& task) {
    KelLastError& err = getLastError();
    const std::string path = KelPI_Base::getHomeDirectory() + "\\" + kel::jobmgr::kLibraryName;
    KelPI_Library library(path, kel::jobmgr::kRestoreTaskLookupEntry);
    library.setFocus(context().getFocus());
    // The library lookup stays on: the platform keeps run-time libraries in
    // its lib folder or beside the dispatcher, where the loader searches.
    library.setEntryLookupOff();
    auto entry = reinterpret_cast<ermJobRestoreTaskLookup_t>(library.getEntryPoint());
    if (!entry) {
        err.setNumber(library.getLastError());
        return false;
    }
    KelJobRestoreTaskLookup_t result{};
    if (entry(taskId, &result) == 0) {
        err.setNumber(kelsql::kErrJobRestoreTask);
        err.addArgument(static_cast<unsigned long long>(taskId));
        return false;
    }
    task.SqlRestoreTaskId = result.sqlRestoreTaskId;
    task.TesselId = result.tesselId;
    task.JobId = result.jobId;
    task.GUISequenceNumber = result.guiSequenceNumber;
    task.UserId = result.userId;
    // The job manager's name may fill its 1024 bytes without a terminator. It
    // only says who ran the job, and is neither stored nor compared: a longer
    // one is shown cut to the wire's field.
    kel::cutCopy(task.UserName, sizeof task.UserName, result.userName, sizeof result.userName);
    if (task.TesselId == 0 || task.SqlRestoreTaskId == 0) {
        err.setNumber(kelsql::kErrJobRestoreTask);
        err.addArgument(static_cast<unsigned long long>(taskId));
        return false;
    }
    return true;
}

bool KelNetSQLEvRestoreTask::answer(KelNetSQLEvRestoreTaskReq_t& req, KelNetSQLEvRestoreTaskRsp_t& rsp) {
    try {
        return lookup(req.TaskId, rsp.Task);
    } catch (...) {
        getLastError().setNumber(kelsql::kErrRestoreTaskLookup);
        getLastError().addArgument(kBuildReply);
        return false;
    }
}

void KelNetSQLEvRestoreTask::dumpRequest(const char* fn, const KelNetSQLEvRestoreTaskReq_t& req) {
    dumpNumber(fn, "TaskId", static_cast<long long>(req.TaskId));
}

void KelNetSQLEvRestoreTask::dumpResponse(const char* fn, const KelNetSQLEvRestoreTaskRsp_t& rsp) {
    const KelNetSQLEvRestoreTask_t& t = rsp.Task;
    dumpInnerHeader(fn, "KelNetSQLEvRestoreTask");
    sqlDumpLine(fn, "        %s = %lld", "JobId", static_cast<long long>(t.JobId));
    sqlDumpLine(fn, "        %s = %lld", "GUISequenceNumber", static_cast<long long>(t.GUISequenceNumber));
    dumpNumber(fn, "SqlRestoreTaskId", static_cast<long long>(t.SqlRestoreTaskId));
    dumpNumber(fn, "TesselId", static_cast<long long>(t.TesselId));
    dumpNumber(fn, "UserId", static_cast<long long>(t.UserId));
    dumpText(fn, "UserName", t.UserName, sizeof t.UserName);
}
