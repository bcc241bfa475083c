// The SQL Server instances installed on a client's host: the Ostrel asks the
// agent host; the agent answers from its instance enumeration in packets of
// at most 16 instances.
//
// The message keeps a reference to its context, which must outlive it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "KelSQL/KelNetSQLFrame.h"
#include "KelSQL/KelSQLVersion.h"

struct KelNetSQLServerListReq {
    uint64_t Clustered;  // 1: the client is a clustered (virtual) client
};
struct KelNetSQLServerInfo_t {
    char SqlServerName[129];
    char Description[300];
    KelNetSQLMSVersion_t Version;  // SqlVersionId stays 0
};
using KelNetSQLServerListRsp_t = KelNetSQLListRsp_t<KelNetSQLServerInfo_t, 16>;

static_assert(sizeof(KelNetSQLServerListReq) == 8, "KelNetSQLServerListReq size");
static_assert(sizeof(KelNetSQLServerInfo_t) == 464 && offsetof(KelNetSQLServerInfo_t, Description) == 129 &&
                  offsetof(KelNetSQLServerInfo_t, Version) == 432,
              "KelNetSQLServerInfo_t layout");
static_assert(sizeof(KelNetSQLServerListRsp_t) == 8000, "a full KelNetSQLServerListRsp_t packet");

// An instance on a client's host: name, description and version (catalogue
// version id 0).
struct KelSQLServerUnconfigured_t {
    std::string name;
    std::string description;
    MSVersion version;
};

class KelNetSQLServerList
    : public KelNetSQLListMessage<KelNetSQLServerList, KelNetSQLServerListReq, KelNetSQLServerInfo_t, 16, 0x1E000059,
                                  0x1E000060> {
public:
    static constexpr const char* kClassName = "KelNetSQLServerList";
    static constexpr const char* kRequestName = "KelNetSQLServerListReq";
    static constexpr const char* kResponseName = "KelNetSQLServerListRsp";

    // Termination is always off, whatever the flag.
    KelNetSQLServerList(KelSQLClassProperties& ctx, bool terminate);
    KelNetSQLServerList(KelSQLClassProperties& ctx, unsigned long long messageId, char* request);

    bool initialize(bool terminate) override;

    // Ostrel: the instances on sqlHostName (empty: the context's remote SQL
    // host), the client's clustered flag read from the catalogue.
    bool getSQLServerList(unsigned long tesselId, unsigned long clientId, const std::string& sqlHostName);
    const std::vector<KelSQLServerUnconfigured_t>& getSQLServerClientList() const { return received_; }

    // Answering end (an agent host).
    bool answer(KelNetSQLServerListReq& req, Response& rsp);
    void dumpResponse(const char* fn, const Response& rsp);

    // "major.minor.build" into a version record; parts that are missing or
    // empty stay 0.
    static void parseVersion(const char* text, KelNetSQLMSVersion_t& version);

private:
    std::vector<KelSQLServerUnconfigured_t> received_;
};
