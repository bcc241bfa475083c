// The Ostrel asks the agent on a client's host for the state of an SQL
// Server instance's service, or to stop or start it. The agent answers with
// its service controller (KelSQLServerControl).
#pragma once

#include <cstddef>
#include <cstdint>

#include "KelSQL/KelNetSQLFrame.h"

enum KelNetSQLServerControlCode : uint32_t {
    KelNetSQLServerControlStatus = 1,
    KelNetSQLServerControlStop = 2,
    KelNetSQLServerControlStart = 3,
};

struct KelNetSQLServerControlReq_t {
    uint32_t Control;
    char ServerName[129];
    char ServiceName[257];
    char Padding[2];
};
struct KelNetSQLServerControlRsp_t {
    KelNetSQLOPStatus_t Status;
    uint32_t ServiceStatus;  // the wire's `Status`: the service state after the operation, 0 on failure
    char Padding[4];
};

static_assert(sizeof(KelNetSQLServerControlReq_t) == 392, "KelNetSQLServerControlReq_t size");
static_assert(offsetof(KelNetSQLServerControlReq_t, ServerName) == 4 &&
                  offsetof(KelNetSQLServerControlReq_t, ServiceName) == 133,
              "KelNetSQLServerControlReq_t offsets");
static_assert(sizeof(KelNetSQLServerControlRsp_t) == 568, "KelNetSQLServerControlRsp_t size");
static_assert(offsetof(KelNetSQLServerControlRsp_t, ServiceStatus) == 560, "KelNetSQLServerControlRsp_t offsets");

class KelNetSQLServerControl
    : public KelNetSQLMessage<KelNetSQLServerControl, KelNetSQLServerControlReq_t, KelNetSQLServerControlRsp_t,
                              0x1E00003D, 0x1E00003E> {
public:
    static constexpr const char* kClassName = "KelNetSQLServerControl";
    static constexpr const char* kRequestName = "KelNetSQLServerControlReq";
    static constexpr const char* kResponseName = "KelNetSQLServerControlRsp";

    // Initiating end; the sender addresses it with setRemoteDataAgent.
    KelNetSQLServerControl(KelSQLClassProperties& ctx, bool terminate) : KelNetSQLMessage(ctx, terminate) {}
    KelNetSQLServerControl(KelSQLClassProperties& ctx, unsigned long long messageId, char* request)
        : KelNetSQLMessage(ctx, messageId, request) {}

    // Sends the request in hand; the caller reads ServiceStatus itself.
    bool networkQuery();

    // Answering end (the agent host), by Control.
    bool answer(KelNetSQLServerControlReq_t& req, KelNetSQLServerControlRsp_t& rsp);
    void dumpRequest(const char* fn, const KelNetSQLServerControlReq_t& req);
    void dumpResponse(const char* fn, const KelNetSQLServerControlRsp_t& rsp);
};
