// The log mark message: an agent records a named transaction-log mark that a
// log backup captured (DBCode 2) and asks for the newest mark of a database
// (DBCode 1). KelSQLLogMarkName is the catalogue object behind it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "KelSQL/KelNetSQLFrame.h"

struct KelNetSQLLogMarkName_t {
    uint64_t SqlLogMarkNamesId;
    uint64_t SqlDatabaseId;
    uint64_t TesselId;
    char MarkName[65];
    char MarkLSN[33];
    char Description[256];
    KelNetSQLDateTime_t MarkTime;
};

enum KelNetSQLLogMarkNameCode : uint32_t {
    KelNetSQLLogMarkNameLast = 1,
    KelNetSQLLogMarkNameInsert = 2,
};

struct KelNetSQLLogMarkNameReq_t {
    uint32_t DBCode;
    KelNetSQLLogMarkName_t LogMarkName;
};
struct KelNetSQLLogMarkNameRsp_t {
    KelNetSQLOPStatus_t Status;
    KelNetSQLLogMarkName_t LogMarkName;
};

static_assert(sizeof(KelNetSQLLogMarkName_t) == 408 && offsetof(KelNetSQLLogMarkName_t, SqlDatabaseId) == 8 &&
                  offsetof(KelNetSQLLogMarkName_t, TesselId) == 16 &&
                  offsetof(KelNetSQLLogMarkName_t, MarkName) == 24 &&
                  offsetof(KelNetSQLLogMarkName_t, MarkLSN) == 89 &&
                  offsetof(KelNetSQLLogMarkName_t, Description) == 122 &&
                  offsetof(KelNetSQLLogMarkName_t, MarkTime) == 384,
              "KelNetSQLLogMarkName_t layout");
static_assert(sizeof(KelNetSQLLogMarkNameReq_t) == 416 && offsetof(KelNetSQLLogMarkNameReq_t, LogMarkName) == 8,
              "KelNetSQLLogMarkNameReq_t layout");
static_assert(sizeof(KelNetSQLLogMarkNameRsp_t) == 968 && offsetof(KelNetSQLLogMarkNameRsp_t, LogMarkName) == 560,
              "KelNetSQLLogMarkNameRsp_t layout");

class KelNetSQLLogMarkName : public KelNetSQLMessage<KelNetSQLLogMarkName, KelNetSQLLogMarkNameReq_t,
                                                     KelNetSQLLogMarkNameRsp_t, 0x1E00004F, 0x1E000050> {
public:
    static constexpr const char* kClassName = "KelNetSQLLogMarkName";
    static constexpr const char* kRequestName = "KelNet SQLLogMarkNameReq";
    static constexpr const char* kResponseName = "KelNet SQLLogMarkNameRsp";

    KelNetSQLLogMarkName(KelSQLClassProperties& ctx, bool terminate) : KelNetSQLMessage(ctx, terminate) {}
    KelNetSQLLogMarkName(KelSQLClassProperties& ctx, unsigned long long messageId, char* request)
        : KelNetSQLMessage(ctx, messageId, request) {}

    void printSQLLogMarkName(const KelNetSQLLogMarkName_t* record);
    // The Ostrel's answer by DBCode on a KelSQLLogMarkName built as server
    // object; any other code is refused (0x1E000031).
    bool answer(KelNetSQLLogMarkNameReq_t& req, KelNetSQLLogMarkNameRsp_t& rsp);
    void dumpRequest(const char* fn, const KelNetSQLLogMarkNameReq_t& req);
    void dumpResponse(const char* fn, const KelNetSQLLogMarkNameRsp_t& rsp);
};
