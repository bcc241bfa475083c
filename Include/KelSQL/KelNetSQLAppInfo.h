// The message by which an agent asks the Ostrel for the backup parameters of
// one application (Tessel id and application number). Its response grew and
// shrank over time, so it keeps three layouts with their own type pairs; the
// request type fixes one per object (0x1E00001D first, 0x1E000071 second,
// anything else third) and the Ostrel answers in the version it received.
// KelSQLAppInfo is the catalogue object behind it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "KelSQL/KelNetSQLFrame.h"

namespace kelsql {
inline constexpr unsigned long long kAppInfoV1 = 0x1E00001D;
inline constexpr unsigned long long kAppInfoV2 = 0x1E000071;
inline constexpr unsigned long long kAppInfoV3 = 0x1E000080;
// Backup types of an application.
inline constexpr uint32_t kAppInfoWholeDatabase = 1;
inline constexpr uint32_t kAppInfoFileSubClient = 4;
// VSS allow flags.
inline constexpr uint64_t kVssSnapshotWriter = 0x1;
inline constexpr uint64_t kVssSystemOS = 0x2;
}  // namespace kelsql

struct KelNetSQLAppInfoReq_t {
    uint64_t TesselId;
    uint64_t AppNumber;
};

// The fields every version carries, after the status block.
struct KelNetSQLAppInfoBody_t {
    uint32_t BackupType;
    char DatabaseName[129];
    char ServerName[129];
    char FileOrGroupName[129];
    uint64_t NextFullBackup;  // 0 off, 1 on, all ones not allowed
    uint64_t SqlDatabaseId;
    uint64_t SqlFileOrGroupId;
    uint64_t TesselNumber;
    uint64_t Streams;
    uint64_t LastBackupSetId;
    KelNetSQLDateTime_t LastBackupTime;
    uint64_t SPForAutoDiscovery;
};

struct KelNetSQLAppInfoRspV2_t {
    KelNetSQLOPStatus_t Status;
    KelNetSQLAppInfoBody_t Info;
};
struct KelNetSQLAppInfoRsp_t {
    KelNetSQLOPStatus_t Status;
    KelNetSQLAppInfoBody_t Info;
    uint64_t SPForLogAutoDiscovery;
};
struct KelNetSQLAppInfoRspV3_t {
    KelNetSQLOPStatus_t Status;
    KelNetSQLAppInfoBody_t Info;
    uint64_t SPForLogAutoDiscovery;
    uint64_t vssAllowFlags;
};

static_assert(sizeof(KelNetSQLAppInfoReq_t) == 16 && offsetof(KelNetSQLAppInfoReq_t, AppNumber) == 8,
              "KelNetSQLAppInfoReq_t layout");
static_assert(offsetof(KelNetSQLAppInfoRsp_t, Info) == 560 &&
                  offsetof(KelNetSQLAppInfoRsp_t, Info.DatabaseName) == 564 &&
                  offsetof(KelNetSQLAppInfoRsp_t, Info.ServerName) == 693 &&
                  offsetof(KelNetSQLAppInfoRsp_t, Info.FileOrGroupName) == 822 &&
                  offsetof(KelNetSQLAppInfoRsp_t, Info.NextFullBackup) == 952 &&
                  offsetof(KelNetSQLAppInfoRsp_t, Info.SqlDatabaseId) == 960 &&
                  offsetof(KelNetSQLAppInfoRsp_t, Info.SqlFileOrGroupId) == 968 &&
                  offsetof(KelNetSQLAppInfoRsp_t, Info.TesselNumber) == 976 &&
                  offsetof(KelNetSQLAppInfoRsp_t, Info.Streams) == 984 &&
                  offsetof(KelNetSQLAppInfoRsp_t, Info.LastBackupSetId) == 992 &&
                  offsetof(KelNetSQLAppInfoRsp_t, Info.LastBackupTime) == 1000 &&
                  offsetof(KelNetSQLAppInfoRsp_t, Info.SPForAutoDiscovery) == 1024 &&
                  offsetof(KelNetSQLAppInfoRsp_t, SPForLogAutoDiscovery) == 1032,
              "KelNetSQLAppInfoRsp_t offsets");
static_assert(sizeof(KelNetSQLAppInfoRsp_t) == 1040 && sizeof(KelNetSQLAppInfoRspV2_t) == 1032 &&
                  sizeof(KelNetSQLAppInfoRspV3_t) == 1048 &&
                  offsetof(KelNetSQLAppInfoRspV3_t, vssAllowFlags) == 1040,
              "KelNetSQLAppInfo response sizes");

class KelNetSQLAppInfo : public KelNetSQLFrame {
public:
    using Request = KelNetSQLAppInfoReq_t;

    // Initiating end; the version is the request type (see above).
    KelNetSQLAppInfo(KelSQLClassProperties& ctx, bool terminate, unsigned long version);
    // Answering end, built with the request type received.
    KelNetSQLAppInfo(KelSQLClassProperties& ctx, unsigned long long handle, char* request, unsigned long version);
    ~KelNetSQLAppInfo() override = default;

    bool setRequestMessage(char* request) override;
    bool setResponseMessage(char* response) override;
    void printRequestMessage(char* request) override;
    void printResponseMessage(char* response) override;
    bool buildReply() override;
    bool initialize(bool terminate) override;

    // 1, 2 or 3.
    int version() const { return version_; }
    static int versionOf(unsigned long long requestType);
    static size_t responseSize(int version);

    // Null when the buffer does not hold that version's record.
    KelNetSQLAppInfoReq_t* requestMessage(bool clear);
    KelNetSQLAppInfoRsp_t* responseMessage(bool clear);
    KelNetSQLAppInfoRspV2_t* responseMessageV2(bool clear);
    KelNetSQLAppInfoRspV3_t* responseMessageV3(bool clear);

protected:
    unsigned long versionCode_;

private:
    int version_;
};
