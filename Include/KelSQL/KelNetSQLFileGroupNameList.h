// The file-group names of a database of a live instance: the Ostrel asks the
// agent host of a client by database name; the agent answers from its live
// instance, in packets of at most 50 names.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "KelSQL/KelNetSQLFrame.h"

struct KelNetSQLFileGroupNameListReq_t {
    char SqlDatabaseName[129];
};
struct KelNetSQLFileGroupInfo_t {
    char Name[129];
};
using KelNetSQLFileGroupNameListRsp_t = KelNetSQLListRsp_t<KelNetSQLFileGroupInfo_t, 50>;

static_assert(sizeof(KelNetSQLFileGroupNameListReq_t) == 129, "KelNetSQLFileGroupNameListReq_t size");
static_assert(sizeof(KelNetSQLFileGroupInfo_t) == 129, "KelNetSQLFileGroupInfo_t size");
// 7026 bytes of content, cleared and sent as 7032.
static_assert(offsetof(KelNetSQLFileGroupNameListRsp_t, Items) + 50 * sizeof(KelNetSQLFileGroupInfo_t) == 7026 &&
                  sizeof(KelNetSQLFileGroupNameListRsp_t) == 7032,
              "KelNetSQLFileGroupNameListRsp_t size");

class KelNetSQLFileGroupNameList
    : public KelNetSQLListMessage<KelNetSQLFileGroupNameList, KelNetSQLFileGroupNameListReq_t,
                                  KelNetSQLFileGroupInfo_t, 50, 0x1E00001B, 0x1E00001C> {
public:
    static constexpr const char* kClassName = "KelNetSQLFileGroupNameList";
    static constexpr const char* kRequestName = "KelNetSQLFileGroupNameListReq";
    static constexpr const char* kResponseName = "KelNetSQLFileGroupNameListRsp";

    // Initiating end: on the Ostrel, addressed to the context's remote SQL
    // host when it has one.
    KelNetSQLFileGroupNameList(KelSQLClassProperties& ctx, bool terminate);
    KelNetSQLFileGroupNameList(KelSQLClassProperties& ctx, unsigned long long messageId, char* request)
        : KelNetSQLListMessage(ctx, messageId, request) {}

    bool initialize(bool terminate) override;

    // Ostrel: the file-group names of the agent's live database, in order.
    bool lookup(const std::string& sqlDatabaseName, std::vector<std::string>& returnFileGroups);

    // Answering end (an agent host).
    bool answer(KelNetSQLFileGroupNameListReq_t& req, Response& rsp);
    void dumpRequest(const char* fn, const KelNetSQLFileGroupNameListReq_t& req);
    void dumpResponse(const char* fn, const Response& rsp);

private:
    void route();
};
