// The job manager's restore task id translated on the Ostrel: its handler
// loads the job manager's library at run time and answers which catalogue
// restore task, Tessel, job and user stand behind the id.
#pragma once

#include <cstddef>
#include <cstdint>

#include "KelSQL/KelNetSQLFrame.h"

struct KelNetSQLEvRestoreTaskReq_t {
    uint64_t TaskId;
};

struct KelNetSQLEvRestoreTask_t {
    uint64_t SqlRestoreTaskId;
    uint64_t TesselId;
    uint64_t JobId;
    uint64_t GUISequenceNumber;
    uint64_t UserId;
    char UserName[256];
};

struct KelNetSQLEvRestoreTaskRsp_t {
    KelNetSQLOPStatus_t Status;
    KelNetSQLEvRestoreTask_t Task;
};

static_assert(sizeof(KelNetSQLEvRestoreTaskReq_t) == 8, "KelNetSQLEvRestoreTaskReq_t size");
static_assert(sizeof(KelNetSQLEvRestoreTask_t) == 296 && offsetof(KelNetSQLEvRestoreTask_t, TesselId) == 8 &&
                  offsetof(KelNetSQLEvRestoreTask_t, JobId) == 16 &&
                  offsetof(KelNetSQLEvRestoreTask_t, GUISequenceNumber) == 24 &&
                  offsetof(KelNetSQLEvRestoreTask_t, UserId) == 32 &&
                  offsetof(KelNetSQLEvRestoreTask_t, UserName) == 40,
              "KelNetSQLEvRestoreTask_t layout");
static_assert(sizeof(KelNetSQLEvRestoreTaskRsp_t) == 856 && offsetof(KelNetSQLEvRestoreTaskRsp_t, Task) == 560,
              "KelNetSQLEvRestoreTaskRsp_t layout");

class KelNetSQLEvRestoreTask
    : public KelNetSQLMessage<KelNetSQLEvRestoreTask, KelNetSQLEvRestoreTaskReq_t, KelNetSQLEvRestoreTaskRsp_t,
                              0x1E000023, 0x1E000024> {
public:
    static constexpr const char* kClassName = "KelNetSQLEvRestoreTask";
    static constexpr const char* kRequestName = "KelNetSQLEvRestoreTaskReq";
    static constexpr const char* kResponseName = "KelNetSQLEvRestoreTaskRsp";

    KelNetSQLEvRestoreTask(KelSQLClassProperties& ctx, bool terminate) : KelNetSQLMessage(ctx, terminate) {}
    KelNetSQLEvRestoreTask(KelSQLClassProperties& ctx, unsigned long long messageId, char* request)
        : KelNetSQLMessage(ctx, messageId, request) {}

    // Sends the filled request; true when the Ostrel answered with success.
    bool network();
    // The Ostrel's answer: the job manager's lookup.
    bool answer(KelNetSQLEvRestoreTaskReq_t& req, KelNetSQLEvRestoreTaskRsp_t& rsp);
    void dumpRequest(const char* fn, const KelNetSQLEvRestoreTaskReq_t& req);
    void dumpResponse(const char* fn, const KelNetSQLEvRestoreTaskRsp_t& rsp);

private:
    bool lookup(uint64_t taskId, KelNetSQLEvRestoreTask_t& task);
};
