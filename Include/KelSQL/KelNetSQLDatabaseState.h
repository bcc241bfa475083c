// The database-state message the Ostrel sends to an agent host before a step
// restore: which state the named database is in and what was restored into
// it last. Its response grew once, so the message keeps two layouts, each
// with its own type pair; the request type given to the constructor fixes
// one per object (0x1E000086 version 2, anything else version 1), and the
// agent answers in the version of the request it received.
// KelSQLStepRestoreState is the catalogue object behind it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "KelSQL/KelNetSQLFrame.h"

namespace kelsql {
inline constexpr unsigned long long kDatabaseStateV1 = 0x1E000037;
inline constexpr unsigned long long kDatabaseStateV2 = 0x1E000086;
}  // namespace kelsql

struct KelNetSQLDatabaseStateReq_t {
    char ServerName[129];
    char DatabaseName[129];
};

struct KelNetSQLDatabaseStateRsp_t {
    KelNetSQLOPStatus_t Status;
    uint64_t RestoreId;
    uint64_t BackupSetId;
    uint64_t DatabaseState;
    uint64_t DatabaseProperty;
    uint64_t RestoreType;
    KelNetSQLDateTime_t RestoreDate;
    KelNetSQLDateTime_t StopAt;
    char BackupSetName[129];
};

struct KelNetSQLDatabaseStateRspV2_t {
    KelNetSQLOPStatus_t Status;
    uint64_t RestoreId;
    uint64_t BackupSetId;
    uint64_t DatabaseState;
    uint64_t DatabaseProperty;
    uint64_t RestoreType;
    KelNetSQLDateTime_t RestoreDate;
    KelNetSQLDateTime_t StopAt;
    char BackupSetName[129];
    uint32_t LogOnly;
    char FirstLSN[33];
    char LastLSN[33];
    char CheckpointLSN[33];
    char FullBkpLSN[33];
};

static_assert(sizeof(KelNetSQLDatabaseStateReq_t) == 258 && offsetof(KelNetSQLDatabaseStateReq_t, DatabaseName) == 129,
              "KelNetSQLDatabaseStateReq_t layout");
static_assert(sizeof(KelNetSQLDatabaseStateRsp_t) == 784 && offsetof(KelNetSQLDatabaseStateRsp_t, RestoreId) == 560 &&
                  offsetof(KelNetSQLDatabaseStateRsp_t, BackupSetId) == 568 &&
                  offsetof(KelNetSQLDatabaseStateRsp_t, DatabaseState) == 576 &&
                  offsetof(KelNetSQLDatabaseStateRsp_t, DatabaseProperty) == 584 &&
                  offsetof(KelNetSQLDatabaseStateRsp_t, RestoreType) == 592 &&
                  offsetof(KelNetSQLDatabaseStateRsp_t, RestoreDate) == 600 &&
                  offsetof(KelNetSQLDatabaseStateRsp_t, StopAt) == 624 &&
                  offsetof(KelNetSQLDatabaseStateRsp_t, BackupSetName) == 648,
              "KelNetSQLDatabaseStateRsp_t layout");
static_assert(sizeof(KelNetSQLDatabaseStateRspV2_t) == 920 &&
                  offsetof(KelNetSQLDatabaseStateRspV2_t, BackupSetName) == 648 &&
                  offsetof(KelNetSQLDatabaseStateRspV2_t, LogOnly) == 780 &&
                  offsetof(KelNetSQLDatabaseStateRspV2_t, FirstLSN) == 784 &&
                  offsetof(KelNetSQLDatabaseStateRspV2_t, LastLSN) == 817 &&
                  offsetof(KelNetSQLDatabaseStateRspV2_t, CheckpointLSN) == 850 &&
                  offsetof(KelNetSQLDatabaseStateRspV2_t, FullBkpLSN) == 883,
              "KelNetSQLDatabaseStateRspV2_t layout");

class KelNetSQLDatabaseState : public KelNetSQLFrame {
public:
    // Both versions share the request record.
    using Request = KelNetSQLDatabaseStateReq_t;
    // The bytes of each version's response that carry fields (the record
    // without its trailing alignment).
    static constexpr size_t kResponseBytesV1 = 777;
    static constexpr size_t kResponseBytesV2 = 916;

    // Initiating end; never terminates the session.
    KelNetSQLDatabaseState(KelSQLClassProperties& ctx, bool terminate, unsigned long requestType);
    // Answering end, with the request in hand (null: nothing copied).
    KelNetSQLDatabaseState(KelSQLClassProperties& ctx, unsigned long long messageId, char* request,
                           unsigned long long requestType);
    ~KelNetSQLDatabaseState() override = default;

    bool setRequestMessage(char* request) override;
    bool setResponseMessage(char* response) override;
    void printRequestMessage(char* request) override;
    void printResponseMessage(char* response) override;
    bool buildReply() override;
    bool initialize(bool terminate) override;

    bool isVersion2() const { return requestType_ == kelsql::kDatabaseStateV2; }
    unsigned long requestMessageType() const { return requestType_; }

    // The buffers, zeroed first when clear is true; null when the buffer
    // does not hold the record (the other version's response).
    KelNetSQLDatabaseStateReq_t* requestMessage(bool clear);
    KelNetSQLDatabaseStateRsp_t* responseMessage(bool clear);
    KelNetSQLDatabaseStateRspV2_t* responseMessage2(bool clear);

private:
    size_t responseSize() const;
    char* record(char* buffer, size_t length, size_t size, bool clear);

    unsigned long requestType_;
};
