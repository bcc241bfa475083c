// The chain of restore tasks that starts at one task: the Ostrel walks the
// tasks' next links and answers their ids with their system flags, in chain
// order, in one response of fixed room. KelSQLRestoreTask runs the walk on
// the Ostrel and asks for it on an agent.
#pragma once

#include <cstddef>
#include <cstdint>

#include "KelSQL/KelNetSQLFrame.h"

struct KelNetSQLRestoreTaskInfo_t {
    uint64_t Id;
    uint64_t SystemFlags;
};

struct KelNetSQLRestoreTaskListReq_t {
    uint64_t SqlRestoreTaskId;
};

namespace kelsql {
// Slots of the response; a walk ends with an error past kRestoreTaskChainMax.
inline constexpr size_t kRestoreTaskListSlots = 251;
inline constexpr size_t kRestoreTaskChainMax = 249;
}  // namespace kelsql

struct KelNetSQLRestoreTaskListRsp_t {
    KelNetSQLOPStatus_t Status;
    uint64_t TotalCount;
    KelNetSQLRestoreTaskInfo_t Entries[kelsql::kRestoreTaskListSlots];
};

static_assert(sizeof(KelNetSQLRestoreTaskInfo_t) == 16 && offsetof(KelNetSQLRestoreTaskInfo_t, SystemFlags) == 8,
              "KelNetSQLRestoreTaskInfo_t layout");
static_assert(sizeof(KelNetSQLRestoreTaskListReq_t) == 8, "KelNetSQLRestoreTaskListReq_t size");
static_assert(sizeof(KelNetSQLRestoreTaskListRsp_t) == 4584 && offsetof(KelNetSQLRestoreTaskListRsp_t, TotalCount) == 560 &&
                  offsetof(KelNetSQLRestoreTaskListRsp_t, Entries) == 568,
              "KelNetSQLRestoreTaskListRsp_t layout");

class KelNetSQLRestoreTaskList
    : public KelNetSQLMessage<KelNetSQLRestoreTaskList, KelNetSQLRestoreTaskListReq_t, KelNetSQLRestoreTaskListRsp_t,
                              0x1E000033, 0x1E000034> {
public:
    static constexpr const char* kClassName = "KelNetSQLRestoreTaskList";
    static constexpr const char* kRequestName = "KelNetSQLRestoreTaskListReq";
    static constexpr const char* kResponseName = "KelNetSQLRestoreTaskListRsp";

    KelNetSQLRestoreTaskList(KelSQLClassProperties& ctx, bool terminate) : KelNetSQLMessage(ctx, terminate) {}
    KelNetSQLRestoreTaskList(KelSQLClassProperties& ctx, unsigned long long messageId, char* request)
        : KelNetSQLMessage(ctx, messageId, request) {}

    // Sends the filled request; true when the Ostrel answered with success
    // and a count that fits the response's slots (else the response is
    // malformed: 0x1E000032).
    bool network();
    // The Ostrel's walk on a KelSQLRestoreTask built to answer.
    bool answer(KelNetSQLRestoreTaskListReq_t& req, KelNetSQLRestoreTaskListRsp_t& rsp);
    void dumpRequest(const char* fn, const KelNetSQLRestoreTaskListReq_t& req);
    void dumpResponse(const char* fn, const KelNetSQLRestoreTaskListRsp_t& rsp);
};
