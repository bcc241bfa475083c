// The restore task cleanup message: an agent tells the Ostrel that a restore
// job is done with its task (the job's restore task id and the catalogue's);
// the Ostrel acknowledges and keeps the task, which leaves the catalogue
// only through KelSQLRestoreTask's removals.
#pragma once

#include <cstddef>
#include <cstdint>

#include "KelSQL/KelNetSQLFrame.h"

struct KelNetSQLRestoreTaskCleanupReq_t {
    uint64_t restoreTaskId;     // the job manager's
    uint64_t SqlRestoreTaskId;  // the catalogue's
};
struct KelNetSQLRestoreTaskCleanupRsp_t {
    KelNetSQLOPStatus_t Status;
};

static_assert(sizeof(KelNetSQLRestoreTaskCleanupReq_t) == 16 &&
                  offsetof(KelNetSQLRestoreTaskCleanupReq_t, SqlRestoreTaskId) == 8,
              "KelNetSQLRestoreTaskCleanupReq_t layout");
static_assert(sizeof(KelNetSQLRestoreTaskCleanupRsp_t) == 560, "KelNetSQLRestoreTaskCleanupRsp_t size");

class KelNetSQLRestoreTaskCleanup
    : public KelNetSQLMessage<KelNetSQLRestoreTaskCleanup, KelNetSQLRestoreTaskCleanupReq_t,
                              KelNetSQLRestoreTaskCleanupRsp_t, 0x1E00003B, 0x1E00003C> {
public:
    static constexpr const char* kClassName = "KelNetSQLRestoreTaskCleanup";
    static constexpr const char* kRequestName = "KelNetSQLRestoreTaskCleanupReq";
    static constexpr const char* kResponseName = "KelNetSQLRestoreTaskCleanupRsp";

    KelNetSQLRestoreTaskCleanup(KelSQLClassProperties& ctx, bool terminate) : KelNetSQLMessage(ctx, terminate) {}
    KelNetSQLRestoreTaskCleanup(KelSQLClassProperties& ctx, unsigned long long messageId, char* request)
        : KelNetSQLMessage(ctx, messageId, request) {}

    // Agent side (else 0x1E000034): true when the Ostrel acknowledged.
    bool cleanup(unsigned long restoreTaskId, unsigned long sqlRestoreTaskId);
    // The Ostrel's acknowledgement: nothing in the catalogue changes.
    bool answer(KelNetSQLRestoreTaskCleanupReq_t&, KelNetSQLRestoreTaskCleanupRsp_t&) { return true; }
    void dumpRequest(const char* fn, const KelNetSQLRestoreTaskCleanupReq_t& req);
};
