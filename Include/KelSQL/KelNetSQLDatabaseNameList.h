// The database names of a live instance: the Ostrel asks the agent host of a
// client by SQL Server name; the agent answers from its live instance, in
// packets of at most 50 names.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "KelSQL/KelNetSQLDatabase.h"
#include "KelSQL/KelNetSQLFrame.h"

struct KelNetSQLDatabaseNameListReq_t {
    char SqlServerName[129];
};
using KelNetSQLDatabaseNameListRsp_t = KelNetSQLListRsp_t<KelNetSQLDatabaseInfo_t, 50>;

static_assert(sizeof(KelNetSQLDatabaseNameListReq_t) == 129, "KelNetSQLDatabaseNameListReq_t size");
// 7026 bytes of content, cleared and sent as 7032.
static_assert(offsetof(KelNetSQLDatabaseNameListRsp_t, Items) + 50 * sizeof(KelNetSQLDatabaseInfo_t) == 7026 &&
                  sizeof(KelNetSQLDatabaseNameListRsp_t) == 7032,
              "KelNetSQLDatabaseNameListRsp_t size");

class KelNetSQLDatabaseNameList
    : public KelNetSQLListMessage<KelNetSQLDatabaseNameList, KelNetSQLDatabaseNameListReq_t, KelNetSQLDatabaseInfo_t,
                                  50, 0x1E000019, 0x1E00001A> {
public:
    static constexpr const char* kClassName = "KelNetSQLDatabaseNameList";
    static constexpr const char* kRequestName = "KelNetSQLDatabaseNameListReq";
    static constexpr const char* kResponseName = "KelNetSQLDatabaseNameListRsp";

    // Initiating end: on the Ostrel, addressed to the context's remote SQL
    // host when it has one.
    KelNetSQLDatabaseNameList(KelSQLClassProperties& ctx, bool terminate);
    KelNetSQLDatabaseNameList(KelSQLClassProperties& ctx, unsigned long long messageId, char* request)
        : KelNetSQLListMessage(ctx, messageId, request) {}

    bool initialize(bool terminate) override;

    // Ostrel: the database names of the agent's live instance, in order.
    bool lookup(const std::string& sqlServerName, std::vector<std::string>& names);

    // Answering end (an agent host).
    bool answer(KelNetSQLDatabaseNameListReq_t& req, Response& rsp);
    void dumpRequest(const char* fn, const KelNetSQLDatabaseNameListReq_t& req);
    void dumpResponse(const char* fn, const Response& rsp);

private:
    void route();
};
