// The restore description message of one backup set: its streams, size,
// backup type and the archive files that hold it. The agent asks the Ostrel;
// KelSQLBSRestore is the catalogue object behind it.
//
// The message keeps a reference to its context, which must outlive it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "KelSQL/KelNetSQLFrame.h"

namespace kelsql {

// Archive entries one response has room for; the record carries no count of
// its own, Streams says how many are filled.
inline constexpr size_t kBSRestoreArchiveSlots = 33;

}  // namespace kelsql

struct KelNetSQLBSRestoreReq_t {
    uint64_t SqlBackupSetId;
};

struct KelNetSQLBSRestore_t {
    uint64_t SqlBackupSetId;
    uint64_t Streams;
    uint64_t TesselId;
    int64_t BackupSize;
    uint64_t BackupType;  // the letter's character code
    KelNetSQLBSRestoreArchive_t Archives[kelsql::kBSRestoreArchiveSlots];
};

struct KelNetSQLBSRestoreRsp_t {
    KelNetSQLOPStatus_t Status;
    KelNetSQLBSRestore_t BSRestore;
};

static_assert(sizeof(KelNetSQLBSRestoreReq_t) == 8, "KelNetSQLBSRestoreReq_t size");
static_assert(sizeof(KelNetSQLBSRestore_t) == 1096 && offsetof(KelNetSQLBSRestore_t, Streams) == 8 &&
                  offsetof(KelNetSQLBSRestore_t, TesselId) == 16 && offsetof(KelNetSQLBSRestore_t, BackupSize) == 24 &&
                  offsetof(KelNetSQLBSRestore_t, BackupType) == 32 && offsetof(KelNetSQLBSRestore_t, Archives) == 40,
              "KelNetSQLBSRestore_t layout");
static_assert(sizeof(KelNetSQLBSRestoreRsp_t) == 1656 && offsetof(KelNetSQLBSRestoreRsp_t, BSRestore) == 560,
              "KelNetSQLBSRestoreRsp_t layout");

class KelNetSQLBSRestore : public KelNetSQLMessage<KelNetSQLBSRestore, KelNetSQLBSRestoreReq_t,
                                                   KelNetSQLBSRestoreRsp_t, 0x1E000029, 0x1E00002A> {
public:
    static constexpr const char* kClassName = "KelNetSQLBSRestore";
    static constexpr const char* kRequestName = "KelNetSQLBSRestoreReq";
    static constexpr const char* kResponseName = "KelNetSQLBSRestoreRsp";

    KelNetSQLBSRestore(KelSQLClassProperties& ctx, bool terminate) : KelNetSQLMessage(ctx, terminate) {}
    KelNetSQLBSRestore(KelSQLClassProperties& ctx, unsigned long long messageId, char* request)
        : KelNetSQLMessage(ctx, messageId, request) {}

    // The record's dump: the archives as far as Streams says, within the slots.
    void printSQLBSRestore(const KelNetSQLBSRestore_t* record);
    void printSQLBSRestoreArchive(const KelNetSQLBSRestoreArchive_t* archive);
    // Answering side (the Ostrel), on a KelSQLBSRestore built as a server object.
    bool answer(KelNetSQLBSRestoreReq_t& req, KelNetSQLBSRestoreRsp_t& rsp);
    void dumpRequest(const char* fn, const KelNetSQLBSRestoreReq_t& req);
    void dumpResponse(const char* fn, const KelNetSQLBSRestoreRsp_t& rsp);
};
