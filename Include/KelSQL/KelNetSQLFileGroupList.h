// The catalogue's file-group rows of a database: an agent asks the Ostrel by
// catalogue database id and gets every row (deleted and removed ones too) in
// id order, in packets of at most 50 items. Exported for the agent's
// programs; nothing in the library sends it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "KelSQL/KelNetSQLFrame.h"

struct KelNetSQLFileGroupListReq_t {
    uint64_t SqlDatabaseId;
};
struct KelNetSQLFileGroupItem_t {
    uint64_t SqlFileGroupId;
    uint64_t RemovalTime;  // 0 while the group exists
    char Name[129];
};
using KelNetSQLFileGroupListRsp_t = KelNetSQLListRsp_t<KelNetSQLFileGroupItem_t, 50>;

static_assert(sizeof(KelNetSQLFileGroupListReq_t) == 8, "KelNetSQLFileGroupListReq_t size");
static_assert(sizeof(KelNetSQLFileGroupItem_t) == 152 && offsetof(KelNetSQLFileGroupItem_t, RemovalTime) == 8 &&
                  offsetof(KelNetSQLFileGroupItem_t, Name) == 16,
              "KelNetSQLFileGroupItem_t layout");
static_assert(sizeof(KelNetSQLFileGroupListRsp_t) == 8176, "KelNetSQLFileGroupListRsp_t size");

class KelNetSQLFileGroupList
    : public KelNetSQLListMessage<KelNetSQLFileGroupList, KelNetSQLFileGroupListReq_t, KelNetSQLFileGroupItem_t, 50,
                                  0x1E00003F, 0x1E000040> {
public:
    static constexpr const char* kClassName = "KelNetSQLFileGroupList";
    static constexpr const char* kRequestName = "KelNetSQLFileGroupListReq";
    static constexpr const char* kResponseName = "KelNetSQLFileGroupListRsp";

    // Initiating end: on an agent, addressed to the Ostrel.
    KelNetSQLFileGroupList(KelSQLClassProperties& ctx, bool terminate);
    KelNetSQLFileGroupList(KelSQLClassProperties& ctx, unsigned long long messageId, char* request)
        : KelNetSQLListMessage(ctx, messageId, request) {}

    bool initialize(bool terminate) override;

    // Agent: the file-group rows of the catalogue database, in id order.
    bool lookup(unsigned long sqlDatabaseId, std::vector<KelNetSQLFileGroupItem_t>& returnFileGroups);

    // Answering end (the Ostrel).
    bool answer(KelNetSQLFileGroupListReq_t& req, Response& rsp);
    void dumpRequest(const char* fn, const KelNetSQLFileGroupListReq_t& req);
    void dumpResponse(const char* fn, const Response& rsp);

private:
    void route();
};
