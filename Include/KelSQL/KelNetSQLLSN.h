// The LSN message: the wire record of one backup set's LSN row, its request
// (an operation code and the record) and its response (the status block and
// the record). KelSQLLSN is the catalogue object behind it; the Ostrel
// answers it on a record built in reply mode.
#pragma once

#include <cstddef>
#include <cstdint>

#include "KelSQL/KelNetSQLFrame.h"

struct KelNetSQLLSN_t {
    uint64_t SqlBackupSetId;
    uint64_t TesselId;
    uint64_t SqlDatabaseId;
    KelNetSQLDateTime_t StartTime;
    KelNetSQLDateTime_t FinishTime;
    uint64_t BackupType;  // the letter's character code
    char FirstLSN[33];
    char LastLSN[33];
    char CheckpointLSN[33];
    char DatabaseLSN[33];
};

enum KelNetSQLLSNCode : uint32_t {
    KelNetSQLLSNLookup = 1,
    KelNetSQLLSNInsert = 4,
};

struct KelNetSQLLSNReq_t {
    uint32_t DBCode;
    KelNetSQLLSN_t LSN;
};
struct KelNetSQLLSNRsp_t {
    KelNetSQLOPStatus_t Status;
    KelNetSQLLSN_t LSN;
};

static_assert(sizeof(KelNetSQLLSN_t) == 216, "KelNetSQLLSN_t size");
static_assert(offsetof(KelNetSQLLSN_t, TesselId) == 8 && offsetof(KelNetSQLLSN_t, SqlDatabaseId) == 16 &&
                  offsetof(KelNetSQLLSN_t, StartTime) == 24 && offsetof(KelNetSQLLSN_t, FinishTime) == 48 &&
                  offsetof(KelNetSQLLSN_t, BackupType) == 72 && offsetof(KelNetSQLLSN_t, FirstLSN) == 80 &&
                  offsetof(KelNetSQLLSN_t, LastLSN) == 113 && offsetof(KelNetSQLLSN_t, CheckpointLSN) == 146 &&
                  offsetof(KelNetSQLLSN_t, DatabaseLSN) == 179,
              "KelNetSQLLSN_t offsets");
static_assert(sizeof(KelNetSQLLSNReq_t) == 224 && offsetof(KelNetSQLLSNReq_t, LSN) == 8, "KelNetSQLLSNReq_t layout");
static_assert(sizeof(KelNetSQLLSNRsp_t) == 776 && offsetof(KelNetSQLLSNRsp_t, LSN) == 560, "KelNetSQLLSNRsp_t layout");

class KelNetSQLLSN : public KelNetSQLMessage<KelNetSQLLSN, KelNetSQLLSNReq_t, KelNetSQLLSNRsp_t, 0x1E00000F, 0x1E000010> {
public:
    static constexpr const char* kClassName = "KelNetSQLLSN";
    static constexpr const char* kRequestName = "KelNetSQLLSNReq";
    static constexpr const char* kResponseName = "KelNetSQLLSNRsp";

    KelNetSQLLSN(KelSQLClassProperties& ctx, bool terminate) : KelNetSQLMessage(ctx, terminate) {}
    KelNetSQLLSN(KelSQLClassProperties& ctx, unsigned long long messageId, char* request)
        : KelNetSQLMessage(ctx, messageId, request) {}

    void printSQLLSN(const KelNetSQLLSN_t* record);
    // Answering side (the Ostrel): DBCode 1 lookup, 4 insert, on a KelSQLLSN
    // in reply mode; any other code is refused (0x1E000031).
    bool answer(KelNetSQLLSNReq_t& req, KelNetSQLLSNRsp_t& rsp);
    void dumpRequest(const char* fn, const KelNetSQLLSNReq_t& req);
    void dumpResponse(const char* fn, const KelNetSQLLSNRsp_t& rsp);
};
