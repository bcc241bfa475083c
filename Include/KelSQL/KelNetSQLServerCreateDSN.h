// A request to create an instance's ODBC data source on the agent of the
// client's host. Creating one is not offered there: the agent always refuses.
//
// The message keeps a reference to its context, which must outlive it.
#pragma once

#include <string>

#include "KelSQL/KelNetSQLServerConfig.h"

class KelNetSQLServerCreateDSN : public KelNetSQLMessage<KelNetSQLServerCreateDSN, KelNetSQLServerConfig_t,
                                                         KelNetSQLServerConfigRsp_t, 0x1E000065, 0x1E000066> {
public:
    static constexpr const char* kClassName = "KelNetSQLServerCreateDSN";
    static constexpr const char* kRequestName = "KelNetSQLServerCreateDSNReq";
    static constexpr const char* kResponseName = "KelNetSQLServerCreateDSNRsp";

    KelNetSQLServerCreateDSN(KelSQLClassProperties& ctx, bool terminate) : KelNetSQLMessage(ctx, terminate) {}
    KelNetSQLServerCreateDSN(KelSQLClassProperties& ctx, unsigned long long messageId, char* request)
        : KelNetSQLMessage(ctx, messageId, request) {}

    // Ostrel: sends the request to the context's remote SQL host.
    bool createDSN(const std::string& sqlServerName, const std::string& sqlUser, const std::string& sqlPassword);
    bool networkQuery();
    // Agent: always 0x1E000035.
    bool createDSN(KelNetSQLServerConfig_t& request);

    bool answer(KelNetSQLServerConfig_t& req, KelNetSQLServerConfigRsp_t& rsp);
    void dumpRequest(const char* fn, const KelNetSQLServerConfig_t& req);

private:
    std::string sqlServerName_;
    std::string sqlUser_;
    std::string sqlPassword_;
};
