// Clustered status of an instance's client: an agent asks the Ostrel (get),
// the Ostrel tells an agent (set). Built per call by the context's
// clustered-status operations; answered on whichever side receives it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "KelSQL/KelNetSQLFrame.h"
#include "KelSQL/KelSQLClassProperties.h"

enum KelNetSQLClusteredOpCode : uint32_t {
    KelNetSQLClusteredGet = 1,
    KelNetSQLClusteredSet = 2,
};

struct KelNetSQLClientClusteredReq_t {
    uint32_t ClusteredOpCode;
    uint64_t Clustered;         // op 2: non-zero clustered
    char ClientName[257];       // op 1
    char SqlServerName[129];    // op 1
    uint64_t SqlServerId;       // op 1: 0 looks the instance up by the two names
};
struct KelNetSQLClientClusteredRsp_t {
    KelNetSQLOPStatus_t Status;
    uint64_t Clustered;
};
static_assert(sizeof(KelNetSQLClientClusteredReq_t) == 416, "KelNetSQLClientClusteredReq_t size");
static_assert(offsetof(KelNetSQLClientClusteredReq_t, Clustered) == 8 &&
                  offsetof(KelNetSQLClientClusteredReq_t, ClientName) == 16 &&
                  offsetof(KelNetSQLClientClusteredReq_t, SqlServerName) == 273 &&
                  offsetof(KelNetSQLClientClusteredReq_t, SqlServerId) == 408,
              "KelNetSQLClientClusteredReq_t offsets");
static_assert(sizeof(KelNetSQLClientClusteredRsp_t) == 568 && offsetof(KelNetSQLClientClusteredRsp_t, Clustered) == 560,
              "KelNetSQLClientClusteredRsp_t layout");

class KelNetSQLClientClustered
    : public KelNetSQLMessage<KelNetSQLClientClustered, KelNetSQLClientClusteredReq_t, KelNetSQLClientClusteredRsp_t,
                              0x1E000063, 0x1E000064> {
public:
    static constexpr const char* kClassName = "KelNetSQLClientClustered";
    static constexpr const char* kRequestName = "KelNetSQLClientClusteredReq";
    static constexpr const char* kResponseName = "KelNetSQLClientClusteredRsp";

    using KelNetSQLMessage::KelNetSQLMessage;

    bool answer(KelNetSQLClientClusteredReq_t& req, KelNetSQLClientClusteredRsp_t& rsp);
    // The Ostrel answers a get; a set is stored wherever it arrives.
    static kelsql::AnswerSide answerSide(const KelNetSQLClientClusteredReq_t& req);
    void dumpRequest(const char* fn, const KelNetSQLClientClusteredReq_t& req);
    void dumpResponse(const char* fn, const KelNetSQLClientClusteredRsp_t& rsp);
};

namespace kelsql {

// The clustered flag (bit 0x1 of the flags) of a catalogue instance, by
// catalogue id, or by client and instance name when the id is 0. On failure
// err says why: the instance record's own error.
bool instanceClusterFlag(KelSQLClassProperties& ctx, unsigned long sqlServerId, const std::string& clientName,
                         const std::string& sqlServerName, bool& clustered, KelLastError& err);

}  // namespace kelsql
