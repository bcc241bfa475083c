// Whether a backup set already has a backup file of a logical name: the
// agent asks, the Ostrel answers 2 found, 1 not found or 0 failed in the
// response's Status field.
//
// The message keeps a reference to its context, which must outlive it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "KelSQL/KelNetSQLFrame.h"

struct KelNetSQLBackupFileExistReq_t {
    uint64_t TesselId;
    uint64_t SqlBackupSetId;
    char LogicalName[129];
};
struct KelNetSQLBackupFileExistRsp_t {
    KelNetSQLOPStatus_t Status;
    uint32_t FileStatus;  // the dump's "Status"
};

enum KelNetSQLBackupFileExistStatus : uint32_t {
    KelNetSQLBackupFileExistFailed = 0,
    KelNetSQLBackupFileExistNotFound = 1,
    KelNetSQLBackupFileExistFound = 2,
};

static_assert(sizeof(KelNetSQLBackupFileExistReq_t) == 152 &&
                  offsetof(KelNetSQLBackupFileExistReq_t, SqlBackupSetId) == 8 &&
                  offsetof(KelNetSQLBackupFileExistReq_t, LogicalName) == 16,
              "KelNetSQLBackupFileExistReq_t layout");
static_assert(sizeof(KelNetSQLBackupFileExistRsp_t) == 568 &&
                  offsetof(KelNetSQLBackupFileExistRsp_t, FileStatus) == 560,
              "KelNetSQLBackupFileExistRsp_t layout");

class KelNetSQLBackupFileExist
    : public KelNetSQLMessage<KelNetSQLBackupFileExist, KelNetSQLBackupFileExistReq_t,
                              KelNetSQLBackupFileExistRsp_t, 0x1E000069, 0x1E000070> {
public:
    static constexpr const char* kClassName = "KelNetSQLBackupFileExist";
    static constexpr const char* kRequestName = "KelNetSQLBackupFileExistReq";
    static constexpr const char* kResponseName = "KelNetSQLBackupFileExistRsp";

    KelNetSQLBackupFileExist(KelSQLClassProperties& ctx, bool terminate) : KelNetSQLMessage(ctx, terminate) {}
    KelNetSQLBackupFileExist(KelSQLClassProperties& ctx, unsigned long long messageId, char* request)
        : KelNetSQLMessage(ctx, messageId, request) {}

    // Sends the question; true when the Ostrel answered success. The answer
    // is the response's FileStatus. A name longer than its field is refused
    // (0x1E000037) before anything is sent: cut, it would name another file.
    bool networkQuery(unsigned long tesselId, unsigned long sqlBackupSetId, const std::string& logicalName);

    // Answering side: the Ostrel only; any other side refuses (0x1E000031).
    bool answer(KelNetSQLBackupFileExistReq_t& req, KelNetSQLBackupFileExistRsp_t& rsp);
    void dumpRequest(const char* fn, const KelNetSQLBackupFileExistReq_t& req);
    void dumpResponse(const char* fn, const KelNetSQLBackupFileExistRsp_t& rsp);
};
