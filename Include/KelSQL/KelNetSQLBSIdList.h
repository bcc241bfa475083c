// The restore-chain request: an agent names a restore type with a backup
// set, a database and a time; the Ostrel answers with the ids of the backup
// sets the restore needs, oldest (the full) first, and the bytes to read.
// KelSQLDatabaseLSNList is the chain selector behind it.
//
// The message keeps a reference to its context, which must outlive it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "KelSQL/KelNetSQLFrame.h"

namespace kelsql {
// Slots of the response's id array, and how many of them an answer fills.
inline constexpr size_t kBSIdSlots = 1801;
inline constexpr size_t kBSIdMax = 1799;
}  // namespace kelsql

struct KelNetSQLBSIdListReq_t {
    uint32_t RestoreType;  // KelNetSQLRestoreType
    uint32_t Reserved;
    uint64_t RestoreTime;  // seconds since 1970
    uint64_t SqlBackupSetId;
    uint64_t SqlDatabaseId;
};
struct KelNetSQLBSIdListRsp_t {
    KelNetSQLOPStatus_t Status;
    uint64_t RestoreByteSize;
    uint64_t TotalCount;
    uint64_t SqlBackupSetId[kelsql::kBSIdSlots];
};

static_assert(sizeof(KelNetSQLBSIdListReq_t) == 32 && offsetof(KelNetSQLBSIdListReq_t, RestoreTime) == 8 &&
                  offsetof(KelNetSQLBSIdListReq_t, SqlBackupSetId) == 16 &&
                  offsetof(KelNetSQLBSIdListReq_t, SqlDatabaseId) == 24,
              "KelNetSQLBSIdListReq_t layout");
static_assert(sizeof(KelNetSQLBSIdListRsp_t) == 14984 && offsetof(KelNetSQLBSIdListRsp_t, RestoreByteSize) == 560 &&
                  offsetof(KelNetSQLBSIdListRsp_t, TotalCount) == 568 &&
                  offsetof(KelNetSQLBSIdListRsp_t, SqlBackupSetId) == 576,
              "KelNetSQLBSIdListRsp_t layout");

class KelNetSQLBSIdList
    : public KelNetSQLMessage<KelNetSQLBSIdList, KelNetSQLBSIdListReq_t, KelNetSQLBSIdListRsp_t, 0x1E000027,
                              0x1E000028> {
public:
    static constexpr const char* kClassName = "KelNetSQLBSIdList";
    static constexpr const char* kRequestName = "KelNetSQLBSIdListReq";
    static constexpr const char* kResponseName = "KelNetSQLBSIdListRsp";

    KelNetSQLBSIdList(KelSQLClassProperties& ctx, bool terminate) : KelNetSQLMessage(ctx, terminate) {}
    KelNetSQLBSIdList(KelSQLClassProperties& ctx, unsigned long long messageId, char* request)
        : KelNetSQLMessage(ctx, messageId, request) {}

    // Answering side (the Ostrel): the chain of the request's restore type,
    // chosen by a KelSQLDatabaseLSNList built as the handler's object.
    bool answer(KelNetSQLBSIdListReq_t& req, KelNetSQLBSIdListRsp_t& rsp);
    void dumpRequest(const char* fn, const KelNetSQLBSIdListReq_t& req);
    // Prints no more ids than the slots hold, whatever TotalCount says.
    void dumpResponse(const char* fn, const KelNetSQLBSIdListRsp_t& rsp);
};
