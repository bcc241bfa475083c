// The configuration of an instance on the wire: the Ostrel sends it to the
// agent on the client's host, which installs it inside a network catalogue
// transaction that it holds on the Ostrel. The data-source request of
// KelNetSQLServerCreateDSN uses the same record.
//
// The message keeps a reference to its context, which must outlive it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "KelSQL/KelNetSQLFrame.h"
#include "KelSQL/KelNetSQLSecurity.h"

struct KelNetSQLServerConfig_t {
    char SQLServerName[129];
    char UndoFilePath[1025];  // the last byte is always 0
    uint64_t ArchiveGroupId;
    uint64_t Clustered;  // 1: a clustered client
    char SqlCredential[kelsql::kCredentialField];
    char NTCredential[kelsql::kCredentialField];  // all zero without an NT user
};
struct KelNetSQLServerConfigRsp_t {
    KelNetSQLOPStatus_t Status;
};
static_assert(sizeof(KelNetSQLServerConfig_t) == 3224, "KelNetSQLServerConfig_t size");
static_assert(offsetof(KelNetSQLServerConfig_t, UndoFilePath) == 129 &&
                  offsetof(KelNetSQLServerConfig_t, ArchiveGroupId) == 1160 &&
                  offsetof(KelNetSQLServerConfig_t, Clustered) == 1168 &&
                  offsetof(KelNetSQLServerConfig_t, SqlCredential) == 1176 &&
                  offsetof(KelNetSQLServerConfig_t, NTCredential) == 2200,
              "KelNetSQLServerConfig_t offsets");
static_assert(sizeof(KelNetSQLServerConfigRsp_t) == 560, "KelNetSQLServerConfigRsp_t size");

class KelNetSQLServerConfig : public KelNetSQLMessage<KelNetSQLServerConfig, KelNetSQLServerConfig_t,
                                                      KelNetSQLServerConfigRsp_t, 0x1E000061, 0x1E000062> {
public:
    static constexpr const char* kClassName = "KelNetSQLServerConfig";
    static constexpr const char* kRequestName = "KelNetSQLServerConfigReq";
    static constexpr const char* kResponseName = "KelNetSQLServerConfigRsp";

    KelNetSQLServerConfig(KelSQLClassProperties& ctx, bool terminate) : KelNetSQLMessage(ctx, terminate) {}
    KelNetSQLServerConfig(KelSQLClassProperties& ctx, unsigned long long messageId, char* request)
        : KelNetSQLMessage(ctx, messageId, request) {}

    // Answering end (an agent host): installs the received configuration.
    bool answer(KelNetSQLServerConfig_t& req, KelNetSQLServerConfigRsp_t& rsp);
    // Credentials never reach the debug log.
    void dumpRequest(const char* fn, const KelNetSQLServerConfig_t& req);
};
