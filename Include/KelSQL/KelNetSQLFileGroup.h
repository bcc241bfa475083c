// The file-group message: the wire record of one file group of a database,
// its request (an operation code and the record) and its response (the
// status block and the record). KelSQLFileGroup is the catalogue object
// behind it; the Ostrel answers it on a record built in reply mode.
#pragma once

#include <cstddef>
#include <cstdint>

#include "KelSQL/KelNetSQLFrame.h"

struct KelNetSQLFileGroup_t {
    uint64_t SqlFileGroupId;
    uint64_t SqlDatabaseId;
    uint64_t TesselId;
    char FileGroupName[129];
    char DatabaseName[129];  // lookups by name only
    char ServerName[129];    // lookups by name only
    char ClientName[257];    // lookups by name only
    uint64_t ApplicationNumber;
    uint64_t FileGroupId;  // SQL Server's own id of the group
    uint64_t Streams;
    uint64_t MaxStreams;
    uint64_t AddTime;
    uint64_t RemovalTime;  // 0 present, 0xFFFFFFFF back again
    uint64_t DeleteFlag;
};

enum KelNetSQLFileGroupCode : uint32_t {
    KelNetSQLFileGroupLookup = 1,
    KelNetSQLFileGroupUpdate = 2,
    KelNetSQLFileGroupClientQuery = 3,
    KelNetSQLFileGroupConfig = 4,
    KelNetSQLFileGroupLogicalDeletion = 5,
};

struct KelNetSQLFileGroupReq_t {
    uint32_t DBCode;
    KelNetSQLFileGroup_t FileGroup;
};
struct KelNetSQLFileGroupRsp_t {
    KelNetSQLOPStatus_t Status;
    KelNetSQLFileGroup_t FileGroup;
};

static_assert(sizeof(KelNetSQLFileGroup_t) == 728, "KelNetSQLFileGroup_t size");
static_assert(offsetof(KelNetSQLFileGroup_t, SqlDatabaseId) == 8 && offsetof(KelNetSQLFileGroup_t, TesselId) == 16 &&
                  offsetof(KelNetSQLFileGroup_t, FileGroupName) == 24 &&
                  offsetof(KelNetSQLFileGroup_t, DatabaseName) == 153 &&
                  offsetof(KelNetSQLFileGroup_t, ServerName) == 282 &&
                  offsetof(KelNetSQLFileGroup_t, ClientName) == 411 &&
                  offsetof(KelNetSQLFileGroup_t, ApplicationNumber) == 672 &&
                  offsetof(KelNetSQLFileGroup_t, FileGroupId) == 680 &&
                  offsetof(KelNetSQLFileGroup_t, Streams) == 688 &&
                  offsetof(KelNetSQLFileGroup_t, MaxStreams) == 696 &&
                  offsetof(KelNetSQLFileGroup_t, AddTime) == 704 &&
                  offsetof(KelNetSQLFileGroup_t, RemovalTime) == 712 &&
                  offsetof(KelNetSQLFileGroup_t, DeleteFlag) == 720,
              "KelNetSQLFileGroup_t offsets");
static_assert(sizeof(KelNetSQLFileGroupReq_t) == 736 && offsetof(KelNetSQLFileGroupReq_t, FileGroup) == 8,
              "KelNetSQLFileGroupReq_t layout");
static_assert(sizeof(KelNetSQLFileGroupRsp_t) == 1288 && offsetof(KelNetSQLFileGroupRsp_t, FileGroup) == 560,
              "KelNetSQLFileGroupRsp_t layout");

class KelNetSQLFileGroup : public KelNetSQLMessage<KelNetSQLFileGroup, KelNetSQLFileGroupReq_t,
                                                   KelNetSQLFileGroupRsp_t, 0x1E000005, 0x1E000006> {
public:
    static constexpr const char* kClassName = "KelNetSQLFileGroup";
    static constexpr const char* kRequestName = "KelNet SQLFileGroupReq";
    static constexpr const char* kResponseName = "KelNet SQLFileGroupRsp";

    KelNetSQLFileGroup(KelSQLClassProperties& ctx, bool terminate) : KelNetSQLMessage(ctx, terminate) {}
    KelNetSQLFileGroup(KelSQLClassProperties& ctx, unsigned long long messageId, char* request)
        : KelNetSQLMessage(ctx, messageId, request) {}

    void printSQLFileGroup(const KelNetSQLFileGroup_t* record);
    // Answering side (the Ostrel): runs the operation of the request's code
    // on a KelSQLFileGroup in reply mode.
    bool answer(KelNetSQLFileGroupReq_t& req, KelNetSQLFileGroupRsp_t& rsp);
    void dumpRequest(const char* fn, const KelNetSQLFileGroupReq_t& req);
    void dumpResponse(const char* fn, const KelNetSQLFileGroupRsp_t& rsp);
};
