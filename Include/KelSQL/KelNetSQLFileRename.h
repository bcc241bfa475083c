// The file relocation message: an agent reads one relocation of a restore
// task (where a database file is restored to) by its row id. KelSQLFileRename
// is the catalogue object behind it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "KelSQL/KelNetSQLFrame.h"

struct KelNetSQLFileRename_t {
    uint64_t SqlFileRenameId;
    uint64_t SqlRestoreTaskId;
    uint64_t NextSqlFileRenameId;
    char Logical[129];
    char Physical[261];
};

struct KelNetSQLFileRenameReq_t {
    uint64_t SqlFileRenameId;
};
struct KelNetSQLFileRenameRsp_t {
    KelNetSQLOPStatus_t Status;
    KelNetSQLFileRename_t FileRename;
};

static_assert(sizeof(KelNetSQLFileRename_t) == 416 && offsetof(KelNetSQLFileRename_t, SqlRestoreTaskId) == 8 &&
                  offsetof(KelNetSQLFileRename_t, NextSqlFileRenameId) == 16 &&
                  offsetof(KelNetSQLFileRename_t, Logical) == 24 && offsetof(KelNetSQLFileRename_t, Physical) == 153,
              "KelNetSQLFileRename_t layout");
static_assert(sizeof(KelNetSQLFileRenameReq_t) == 8, "KelNetSQLFileRenameReq_t size");
static_assert(sizeof(KelNetSQLFileRenameRsp_t) == 976 && offsetof(KelNetSQLFileRenameRsp_t, FileRename) == 560,
              "KelNetSQLFileRenameRsp_t layout");

class KelNetSQLFileRename : public KelNetSQLMessage<KelNetSQLFileRename, KelNetSQLFileRenameReq_t,
                                                    KelNetSQLFileRenameRsp_t, 0x1E00002F, 0x1E000030> {
public:
    static constexpr const char* kClassName = "KelNetSQLFileRename";
    static constexpr const char* kRequestName = "KelNetSQLFileRenameReq";
    static constexpr const char* kResponseName = "KelNetSQLFileRenameRsp";

    KelNetSQLFileRename(KelSQLClassProperties& ctx, bool terminate) : KelNetSQLMessage(ctx, terminate) {}
    KelNetSQLFileRename(KelSQLClassProperties& ctx, unsigned long long messageId, char* request)
        : KelNetSQLMessage(ctx, messageId, request) {}

    void printSQLFileRename(const KelNetSQLFileRename_t* record);
    // The Ostrel's answer, on a KelSQLFileRename built as server object.
    bool answer(KelNetSQLFileRenameReq_t& req, KelNetSQLFileRenameRsp_t& rsp);
    void dumpRequest(const char* fn, const KelNetSQLFileRenameReq_t& req);
    void dumpResponse(const char* fn, const KelNetSQLFileRenameRsp_t& rsp);
};
