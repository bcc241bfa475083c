// The connection probe: a request that carries nothing, answered with a
// successful status block, so that a caller learns the peer's handler is
// reachable.
#pragma once

#include <cstdint>

#include "KelSQL/KelNetSQLFrame.h"
#include "KelSQL/KelSQLClassProperties.h"

struct KelNetSQLStatusReq_t {
    uint64_t Unused;  // always zero
};
struct KelNetSQLStatusRsp_t {
    KelNetSQLOPStatus_t Status;
};
static_assert(sizeof(KelNetSQLStatusReq_t) == 8, "KelNetSQLStatusReq_t size");
static_assert(sizeof(KelNetSQLStatusRsp_t) == 560, "KelNetSQLStatusRsp_t size");

class KelNetSQLStatus
    : public KelNetSQLMessage<KelNetSQLStatus, KelNetSQLStatusReq_t, KelNetSQLStatusRsp_t, 0x1E000035, 0x1E000036> {
public:
    static constexpr const char* kClassName = "KelNetSQLStatus";
    static constexpr const char* kRequestName = "KelNetSQLStatusReq";
    static constexpr const char* kResponseName = "KelNetSQLStatusRsp";

    // Termination is always off whatever the flag.
    KelNetSQLStatus(KelSQLClassProperties& ctx, bool terminate);
    KelNetSQLStatus(KelSQLClassProperties& ctx, unsigned long long messageId, char* request);
    ~KelNetSQLStatus() override = default;

    bool initialize(bool terminate) override;
    // The probe is not worth a dump.
    void printRequestMessage(char*) override {}
    void printResponseMessage(char*) override {}

    // Sends the probe to the message's host (the Ostrel unless addressed)
    // and reads the status block; true when both succeed.
    bool connection();

    // The successful status block is the whole answer.
    bool answer(KelNetSQLStatusReq_t&, KelNetSQLStatusRsp_t&) { return true; }
};
