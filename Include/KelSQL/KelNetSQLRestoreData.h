// The restore data message: an agent reads one item of a restore task (a
// catalogue object the task restores, with the head of its file relocations
// and the next item) by its row id. KelSQLRestoreData is the catalogue
// object behind it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "KelSQL/KelNetSQLFrame.h"

struct KelNetSQLRestoreData_t {
    uint64_t SqlRestoreDataId;
    uint64_t SqlRestoreTaskId;
    uint32_t DataType;
    uint64_t SqlId;
    uint64_t SqlFileRenameId;
    uint64_t NextSqlRestoreDataId;
    char Name[129];
};

struct KelNetSQLRestoreDataReq_t {
    uint64_t SqlRestoreDataId;
};
struct KelNetSQLRestoreDataRsp_t {
    KelNetSQLOPStatus_t Status;
    KelNetSQLRestoreData_t RestoreData;
};

static_assert(sizeof(KelNetSQLRestoreData_t) == 184 && offsetof(KelNetSQLRestoreData_t, SqlRestoreTaskId) == 8 &&
                  offsetof(KelNetSQLRestoreData_t, DataType) == 16 && offsetof(KelNetSQLRestoreData_t, SqlId) == 24 &&
                  offsetof(KelNetSQLRestoreData_t, SqlFileRenameId) == 32 &&
                  offsetof(KelNetSQLRestoreData_t, NextSqlRestoreDataId) == 40 &&
                  offsetof(KelNetSQLRestoreData_t, Name) == 48,
              "KelNetSQLRestoreData_t layout");
static_assert(sizeof(KelNetSQLRestoreDataReq_t) == 8, "KelNetSQLRestoreDataReq_t size");
static_assert(sizeof(KelNetSQLRestoreDataRsp_t) == 744 && offsetof(KelNetSQLRestoreDataRsp_t, RestoreData) == 560,
              "KelNetSQLRestoreDataRsp_t layout");

class KelNetSQLRestoreData : public KelNetSQLMessage<KelNetSQLRestoreData, KelNetSQLRestoreDataReq_t,
                                                     KelNetSQLRestoreDataRsp_t, 0x1E00002D, 0x1E00002E> {
public:
    static constexpr const char* kClassName = "KelNetSQLRestoreData";
    static constexpr const char* kRequestName = "KelNetSQLRestoreDataReq";
    static constexpr const char* kResponseName = "KelNetSQLRestoreDataRsp";

    KelNetSQLRestoreData(KelSQLClassProperties& ctx, bool terminate) : KelNetSQLMessage(ctx, terminate) {}
    KelNetSQLRestoreData(KelSQLClassProperties& ctx, unsigned long long messageId, char* request)
        : KelNetSQLMessage(ctx, messageId, request) {}

    void printSQLRestoreData(const KelNetSQLRestoreData_t* record);
    // The Ostrel's answer, on a KelSQLRestoreData built as server object.
    bool answer(KelNetSQLRestoreDataReq_t& req, KelNetSQLRestoreDataRsp_t& rsp);
    void dumpRequest(const char* fn, const KelNetSQLRestoreDataReq_t& req);
    void dumpResponse(const char* fn, const KelNetSQLRestoreDataRsp_t& rsp);
};
