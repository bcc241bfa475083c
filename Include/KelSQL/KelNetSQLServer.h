// The instance message: the wire record of an SQL Server instance, its
// request (an operation code and the record) and its response (the status
// block and the record). KelSQLServer is the catalogue object behind it; the
// answering side builds one in reply mode for each request.
#pragma once

#include <cstddef>
#include <cstdint>

#include "KelSQL/KelNetSQLFrame.h"

struct KelNetSQLServer_t {
    uint64_t SqlServerId;
    uint64_t TesselId;  // 0: the Ostrel's own
    char ServerName[129];
    char ClientName[257];  // 128 characters used
    char UndoFilePath[1025];
    uint64_t SqlVersionId;
    uint64_t ServerMajor;
    uint64_t ServerMinor;
    uint64_t ServerBuild;
    uint64_t ClientId;
    uint64_t AddTime;
    uint64_t DeleteTime;
    uint64_t DeleteFlag;
    char SqlServiceName[257];
    uint64_t Flags;
};

enum KelNetSQLServerCode : uint32_t {
    KelNetSQLServerLookup = 1,
    KelNetSQLServerUpdate = 2,
    KelNetSQLServerExtract = 3,
    KelNetSQLServerInsert = 4,
    KelNetSQLServerLogicalDeletion = 5,
};

struct KelNetSQLServerReq_t {
    uint32_t DBCode;
    KelNetSQLServer_t Server;
};
struct KelNetSQLServerRsp_t {
    KelNetSQLOPStatus_t Status;
    KelNetSQLServer_t Server;
};

static_assert(sizeof(KelNetSQLServer_t) == 1768, "KelNetSQLServer_t size");
static_assert(offsetof(KelNetSQLServer_t, TesselId) == 8 && offsetof(KelNetSQLServer_t, ServerName) == 16 &&
                  offsetof(KelNetSQLServer_t, ClientName) == 145 &&
                  offsetof(KelNetSQLServer_t, UndoFilePath) == 402 &&
                  offsetof(KelNetSQLServer_t, SqlVersionId) == 1432 &&
                  offsetof(KelNetSQLServer_t, ServerMajor) == 1440 &&
                  offsetof(KelNetSQLServer_t, ServerMinor) == 1448 &&
                  offsetof(KelNetSQLServer_t, ServerBuild) == 1456 && offsetof(KelNetSQLServer_t, ClientId) == 1464 &&
                  offsetof(KelNetSQLServer_t, AddTime) == 1472 && offsetof(KelNetSQLServer_t, DeleteTime) == 1480 &&
                  offsetof(KelNetSQLServer_t, DeleteFlag) == 1488 &&
                  offsetof(KelNetSQLServer_t, SqlServiceName) == 1496 && offsetof(KelNetSQLServer_t, Flags) == 1760,
              "KelNetSQLServer_t offsets");
static_assert(sizeof(KelNetSQLServerReq_t) == 1776, "KelNetSQLServerReq_t size");
static_assert(offsetof(KelNetSQLServerReq_t, Server) == 8, "KelNetSQLServerReq_t offsets");
static_assert(sizeof(KelNetSQLServerRsp_t) == 2328, "KelNetSQLServerRsp_t size");
static_assert(offsetof(KelNetSQLServerRsp_t, Server) == 560, "KelNetSQLServerRsp_t offsets");

class KelNetSQLServer : public KelNetSQLMessage<KelNetSQLServer, KelNetSQLServerReq_t, KelNetSQLServerRsp_t,
                                                0x1E000001, 0x1E000002> {
public:
    static constexpr const char* kClassName = "KelNetSQLServer";
    static constexpr const char* kRequestName = "KelNet SQLServerReq";
    static constexpr const char* kResponseName = "KelNet SQLServerRsp";

    KelNetSQLServer(KelSQLClassProperties& ctx, bool terminate) : KelNetSQLMessage(ctx, terminate) {}
    KelNetSQLServer(KelSQLClassProperties& ctx, unsigned long long messageId, char* request)
        : KelNetSQLMessage(ctx, messageId, request) {}

    void printSQLServer(const KelNetSQLServer_t* record);
    // Answering side: runs the operation of the request's code on a
    // KelSQLServer in reply mode.
    bool answer(KelNetSQLServerReq_t& req, KelNetSQLServerRsp_t& rsp);
    void dumpRequest(const char* fn, const KelNetSQLServerReq_t& req);
    void dumpResponse(const char* fn, const KelNetSQLServerRsp_t& rsp);
    static kelsql::AnswerSide answerSide(const KelNetSQLServerReq_t& req);
};
