// The file subclient messages: one row of a file subclient (a named selection
// of file groups and files of a database, backed up on its own) read or
// updated on the Ostrel, and one member row of its chain read by id.
// KelSQLFileSubClient and KelSQLFileSubClientGroup are the catalogue objects
// behind them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "KelSQL/KelNetSQLFrame.h"

struct KelNetSQLFileSubClient_t {
    uint64_t SqlFileSubClientId;
    uint64_t TesselId;
    uint64_t SqlDatabaseId;
    uint64_t ApplicationNumber;
    uint64_t flags;  // bit 0 logically deleted, bit 1 next backup full
    uint64_t SqlFileSubClientGroupId;  // head of the member chain; 0 none
    uint64_t Streams;
    uint64_t LogStreams;
    uint64_t MaxStreams;
    uint32_t FlagsChanged;  // 1: an update writes flags
    uint32_t Padding;
};

enum KelNetSQLFileSubClientCode : uint32_t {
    KelNetSQLFileSubClientQuery = 1,
    KelNetSQLFileSubClientUpdate = 2,
};

struct KelNetSQLFileSubClientReq_t {
    uint32_t DBCode;
    KelNetSQLFileSubClient_t FileSubClient;
};
struct KelNetSQLFileSubClientRsp_t {
    KelNetSQLOPStatus_t Status;
    KelNetSQLFileSubClient_t FileSubClient;
};

static_assert(sizeof(KelNetSQLFileSubClient_t) == 80, "KelNetSQLFileSubClient_t size");
static_assert(offsetof(KelNetSQLFileSubClient_t, TesselId) == 8 &&
                  offsetof(KelNetSQLFileSubClient_t, SqlDatabaseId) == 16 &&
                  offsetof(KelNetSQLFileSubClient_t, ApplicationNumber) == 24 &&
                  offsetof(KelNetSQLFileSubClient_t, flags) == 32 &&
                  offsetof(KelNetSQLFileSubClient_t, SqlFileSubClientGroupId) == 40 &&
                  offsetof(KelNetSQLFileSubClient_t, Streams) == 48 &&
                  offsetof(KelNetSQLFileSubClient_t, LogStreams) == 56 &&
                  offsetof(KelNetSQLFileSubClient_t, MaxStreams) == 64 &&
                  offsetof(KelNetSQLFileSubClient_t, FlagsChanged) == 72,
              "KelNetSQLFileSubClient_t offsets");
static_assert(sizeof(KelNetSQLFileSubClientReq_t) == 88 && offsetof(KelNetSQLFileSubClientReq_t, FileSubClient) == 8,
              "KelNetSQLFileSubClientReq_t layout");
static_assert(sizeof(KelNetSQLFileSubClientRsp_t) == 640 &&
                  offsetof(KelNetSQLFileSubClientRsp_t, FileSubClient) == 560,
              "KelNetSQLFileSubClientRsp_t layout");

class KelNetSQLFileSubClient : public KelNetSQLMessage<KelNetSQLFileSubClient, KelNetSQLFileSubClientReq_t,
                                                       KelNetSQLFileSubClientRsp_t, 0x1E000051, 0x1E000052> {
public:
    static constexpr const char* kClassName = "KelNetSQLFileSubClient";
    static constexpr const char* kRequestName = "KelNetSQLFileSubClientReq";
    static constexpr const char* kResponseName = "KelNetSQLFileSubClientRsp";

    KelNetSQLFileSubClient(KelSQLClassProperties& ctx, bool terminate) : KelNetSQLMessage(ctx, terminate) {}
    KelNetSQLFileSubClient(KelSQLClassProperties& ctx, unsigned long long messageId, char* request)
        : KelNetSQLMessage(ctx, messageId, request) {}

    // Answering side (the Ostrel): code 1 reads, code 2 updates; any other
    // code is answered with success and an empty record.
    bool answer(KelNetSQLFileSubClientReq_t& req, KelNetSQLFileSubClientRsp_t& rsp);
    void dumpRequest(const char* fn, const KelNetSQLFileSubClientReq_t& req);
    void dumpResponse(const char* fn, const KelNetSQLFileSubClientRsp_t& rsp);
};

// One member row of a file subclient's chain.
struct KelNetSQLFileSubClientGroup_t {
    uint64_t SqlFileSubClientGroupId;
    uint64_t SqlFileSubClientId;
    uint64_t TesselId;
    uint64_t SqlFileId;  // 0: the whole file group is the member
    uint64_t SqlFileGroupId;
    uint64_t SqlNextId;  // 0 ends the chain
};

// The request is the id of the row to read; there is no operation code.
struct KelNetSQLFileSubClientGroupReq_t {
    uint64_t SqlFileSubClientGroupId;
};
struct KelNetSQLFileSubClientGroupRsp_t {
    KelNetSQLOPStatus_t Status;
    KelNetSQLFileSubClientGroup_t FileSubClientGroup;
};

static_assert(sizeof(KelNetSQLFileSubClientGroup_t) == 48 &&
                  offsetof(KelNetSQLFileSubClientGroup_t, SqlFileSubClientId) == 8 &&
                  offsetof(KelNetSQLFileSubClientGroup_t, TesselId) == 16 &&
                  offsetof(KelNetSQLFileSubClientGroup_t, SqlFileId) == 24 &&
                  offsetof(KelNetSQLFileSubClientGroup_t, SqlFileGroupId) == 32 &&
                  offsetof(KelNetSQLFileSubClientGroup_t, SqlNextId) == 40,
              "KelNetSQLFileSubClientGroup_t layout");
static_assert(sizeof(KelNetSQLFileSubClientGroupReq_t) == 8, "KelNetSQLFileSubClientGroupReq_t size");
static_assert(sizeof(KelNetSQLFileSubClientGroupRsp_t) == 608 &&
                  offsetof(KelNetSQLFileSubClientGroupRsp_t, FileSubClientGroup) == 560,
              "KelNetSQLFileSubClientGroupRsp_t layout");

class KelNetSQLFileSubClientGroup
    : public KelNetSQLMessage<KelNetSQLFileSubClientGroup, KelNetSQLFileSubClientGroupReq_t,
                              KelNetSQLFileSubClientGroupRsp_t, 0x1E000053, 0x1E000054> {
public:
    static constexpr const char* kClassName = "KelNetSQLFileSubClientGroup";
    static constexpr const char* kRequestName = "KelNetSQLFileSubClientGroupReq";
    static constexpr const char* kResponseName = "KelNetSQLFileSubClientGroupRsp";

    KelNetSQLFileSubClientGroup(KelSQLClassProperties& ctx, bool terminate) : KelNetSQLMessage(ctx, terminate) {}
    KelNetSQLFileSubClientGroup(KelSQLClassProperties& ctx, unsigned long long messageId, char* request)
        : KelNetSQLMessage(ctx, messageId, request) {}

    // Answering side (the Ostrel): the requested row.
    bool answer(KelNetSQLFileSubClientGroupReq_t& req, KelNetSQLFileSubClientGroupRsp_t& rsp);
    void dumpRequest(const char* fn, const KelNetSQLFileSubClientGroupReq_t& req);
    void dumpResponse(const char* fn, const KelNetSQLFileSubClientGroupRsp_t& rsp);
};
