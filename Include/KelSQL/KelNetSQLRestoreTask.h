// The message by which an agent reads one restore task from the Ostrel. Its
// response record grew twice, so the message keeps three layouts, each with
// its own type pair; the request type given to the constructor fixes one per
// object (0x1E000021 version 1, 0x1E000043 version 2, anything else version
// 3), and the Ostrel answers in the version of the request it received.
// KelSQLRestoreTask is the catalogue object behind it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "KelSQL/KelNetSQLFrame.h"

// Restore types of a task (values 10 to 15 are none; 0 means no type set).
enum KelNetSQLRestoreType : uint32_t {
    KelNetSQLRestoreTypeNone = 0,
    KelNetSQLRestoreTypePointInTime = 1,
    KelNetSQLRestoreTypeDiscreteTime = 2,
    KelNetSQLRestoreTypeDBStepRestore = 3,
    KelNetSQLRestoreTypeDBBackupSet = 4,
    KelNetSQLRestoreTypeRecoverOnly = 5,
    KelNetSQLRestoreTypeFileGroup = 6,
    KelNetSQLRestoreTypeFile = 7,
    KelNetSQLRestoreTypeHotServer = 8,
    KelNetSQLRestoreTypeStopAtMark = 9,
    KelNetSQLRestoreTypeStopBeforeMark = 16,
    KelNetSQLRestoreTypeFFGPointInTime = 17,
    KelNetSQLRestoreTypeFFGStopAtMark = 18,
    KelNetSQLRestoreTypeFFGStopBeforeMark = 19,
};

namespace kelsql {
// Bits of a task's restore flags.
inline constexpr uint64_t kRestoreNoRecovery = 0x20;
inline constexpr uint64_t kRestoreStandBy = 0x40;
inline constexpr uint64_t kRestoreFlagsMax = 0x7FFF;

inline constexpr unsigned long long kRestoreTaskV1 = 0x1E000021;
inline constexpr unsigned long long kRestoreTaskV2 = 0x1E000043;
inline constexpr unsigned long long kRestoreTaskV3 = 0x1E00004D;
}  // namespace kelsql

struct KelNetSQLRestoreTaskReq_t {
    uint64_t SqlRestoreTaskId;
};

struct KelNetSQLRestoreTask_t {
    uint64_t SqlRestoreTaskId;
    uint32_t RestoreType;
    uint64_t SqlBackupSetId;
    uint64_t SqlDatabaseId;
    uint64_t SqlRestoreDataId;
    uint64_t SqlServerId;
    int64_t RestoreTime;
    uint64_t Percentage;
    uint64_t RestoreFlags;
    char ServerName[129];
    char DatabaseName[129];
    char UndoFile[1024];  // terminated only when shorter
    char Reserved[1030];  // zero
    uint64_t NextSqlRestoreTaskId;
    uint64_t SystemFlags;
};

struct KelNetSQLRestoreTask2_t {
    KelNetSQLRestoreTask_t Task;
    uint64_t ArchiveCopyId;
};

struct KelNetSQLRestoreTask3_t {
    KelNetSQLRestoreTask2_t Task2;
    char MarkName[65];
};

struct KelNetSQLRestoreTaskRsp_t {
    KelNetSQLOPStatus_t Status;
    KelNetSQLRestoreTask_t Task;
};
struct KelNetSQLRestoreTask2Rsp_t {
    KelNetSQLOPStatus_t Status;
    KelNetSQLRestoreTask2_t Task;
};
struct KelNetSQLRestoreTask3Rsp_t {
    KelNetSQLOPStatus_t Status;
    KelNetSQLRestoreTask3_t Task;
};

static_assert(sizeof(KelNetSQLRestoreTaskReq_t) == 8, "KelNetSQLRestoreTaskReq_t size");
static_assert(sizeof(KelNetSQLRestoreTask_t) == 2400, "KelNetSQLRestoreTask_t size");
static_assert(offsetof(KelNetSQLRestoreTask_t, RestoreType) == 8 &&
                  offsetof(KelNetSQLRestoreTask_t, SqlBackupSetId) == 16 &&
                  offsetof(KelNetSQLRestoreTask_t, SqlDatabaseId) == 24 &&
                  offsetof(KelNetSQLRestoreTask_t, SqlRestoreDataId) == 32 &&
                  offsetof(KelNetSQLRestoreTask_t, SqlServerId) == 40 &&
                  offsetof(KelNetSQLRestoreTask_t, RestoreTime) == 48 &&
                  offsetof(KelNetSQLRestoreTask_t, Percentage) == 56 &&
                  offsetof(KelNetSQLRestoreTask_t, RestoreFlags) == 64 &&
                  offsetof(KelNetSQLRestoreTask_t, ServerName) == 72 &&
                  offsetof(KelNetSQLRestoreTask_t, DatabaseName) == 201 &&
                  offsetof(KelNetSQLRestoreTask_t, UndoFile) == 330 &&
                  offsetof(KelNetSQLRestoreTask_t, Reserved) == 1354 &&
                  offsetof(KelNetSQLRestoreTask_t, NextSqlRestoreTaskId) == 2384 &&
                  offsetof(KelNetSQLRestoreTask_t, SystemFlags) == 2392,
              "KelNetSQLRestoreTask_t offsets");
static_assert(sizeof(KelNetSQLRestoreTask2_t) == 2408 && offsetof(KelNetSQLRestoreTask2_t, ArchiveCopyId) == 2400,
              "KelNetSQLRestoreTask2_t layout");
static_assert(sizeof(KelNetSQLRestoreTask3_t) == 2480 && offsetof(KelNetSQLRestoreTask3_t, MarkName) == 2408,
              "KelNetSQLRestoreTask3_t layout");
static_assert(sizeof(KelNetSQLRestoreTaskRsp_t) == 2960 && offsetof(KelNetSQLRestoreTaskRsp_t, Task) == 560,
              "KelNetSQLRestoreTaskRsp_t layout");
static_assert(sizeof(KelNetSQLRestoreTask2Rsp_t) == 2968 && offsetof(KelNetSQLRestoreTask2Rsp_t, Task) == 560,
              "KelNetSQLRestoreTask2Rsp_t layout");
static_assert(sizeof(KelNetSQLRestoreTask3Rsp_t) == 3040 && offsetof(KelNetSQLRestoreTask3Rsp_t, Task) == 560,
              "KelNetSQLRestoreTask3Rsp_t layout");

class KelNetSQLRestoreTask : public KelNetSQLFrame {
public:
    // Registered for every version's request; the record of the largest.
    using Request = KelNetSQLRestoreTaskReq_t;

    // Initiating end.
    KelNetSQLRestoreTask(KelSQLClassProperties& ctx, bool terminate, unsigned long long requestType);
    // Answering end, with the request in hand (null: nothing copied).
    KelNetSQLRestoreTask(KelSQLClassProperties& ctx, unsigned long long messageId, char* request,
                         unsigned long long requestType);
    ~KelNetSQLRestoreTask() override = default;

    bool setRequestMessage(char* request) override;
    bool setResponseMessage(char* response) override;
    void printRequestMessage(char* request) override;
    void printResponseMessage(char* response) override;
    bool buildReply() override;
    bool initialize(bool terminate) override;

    // 1, 2 or 3.
    int version() const { return version_; }
    unsigned long long requestMessageType() const;
    static int versionOf(unsigned long long requestType);
    static size_t responseSize(int version);

    // Null when the buffer does not hold the record (another version's).
    KelNetSQLRestoreTaskReq_t* requestMessage(bool clear);
    KelNetSQLRestoreTaskRsp_t* responseMessage(bool clear);
    KelNetSQLRestoreTask2Rsp_t* responseMessage2(bool clear);
    KelNetSQLRestoreTask3Rsp_t* responseMessage3(bool clear);

    void printSQLRestoreTask(const KelNetSQLRestoreTask_t* task);
    void printSQLRestoreTask(const KelNetSQLRestoreTask2_t* task);
    void printSQLRestoreTask(const KelNetSQLRestoreTask3_t* task);

private:
    template <class R>
    R* buffer(char* data, size_t length, bool clear);

    int version_;
};
