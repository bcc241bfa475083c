// The Ostrel asks an agent host to measure the free space of a directory
// before it stores it as an instance's undo file path.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "KelSQL/KelNetSQLFrame.h"

struct KelNetSQLVerifyUndoPath_t {
    KelNetSQLVerifyUndoPath_t() { std::memset(static_cast<void*>(this), 0, sizeof *this); }
    uint64_t FreeSpace;  // 0 in a request
    char Path[1024];     // no NUL when exactly 1024 characters
};
struct KelNetSQLVerifyUndoPathRsp_t {
    KelNetSQLOPStatus_t Status;
    KelNetSQLVerifyUndoPath_t Record;
};

static_assert(sizeof(KelNetSQLVerifyUndoPath_t) == 1032, "KelNetSQLVerifyUndoPath_t size");
static_assert(offsetof(KelNetSQLVerifyUndoPath_t, Path) == 8, "KelNetSQLVerifyUndoPath_t offsets");
static_assert(sizeof(KelNetSQLVerifyUndoPathRsp_t) == 1592, "KelNetSQLVerifyUndoPathRsp_t size");
static_assert(offsetof(KelNetSQLVerifyUndoPathRsp_t, Record) == 560, "KelNetSQLVerifyUndoPathRsp_t offsets");

class KelNetSQLVerifyUndoPath
    : public KelNetSQLMessage<KelNetSQLVerifyUndoPath, KelNetSQLVerifyUndoPath_t, KelNetSQLVerifyUndoPathRsp_t,
                              0x1E000031, 0x1E000032> {
public:
    static constexpr const char* kClassName = "KelNetSQLVerifyUndoPath";
    static constexpr const char* kRequestName = "KelNetSQLVerifyUndoPathReq";
    static constexpr const char* kResponseName = "KelNetSQLVerifyUndoPathRsp";

    KelNetSQLVerifyUndoPath(KelSQLClassProperties& ctx, bool terminate) : KelNetSQLMessage(ctx, terminate) {}
    KelNetSQLVerifyUndoPath(KelSQLClassProperties& ctx, unsigned long long messageId, char* request)
        : KelNetSQLMessage(ctx, messageId, request) {}

    // Sends request and copies the answer's record into response.
    bool networkQuery(KelNetSQLVerifyUndoPath_t& request, KelNetSQLVerifyUndoPath_t& response);

    void printSQLVerifyUndoPath(const KelNetSQLVerifyUndoPath_t* record);
    bool answer(KelNetSQLVerifyUndoPath_t& req, KelNetSQLVerifyUndoPathRsp_t& rsp);
    void dumpRequest(const char*, const KelNetSQLVerifyUndoPath_t& req) { printSQLVerifyUndoPath(&req); }
    void dumpResponse(const char*, const KelNetSQLVerifyUndoPathRsp_t& rsp) { printSQLVerifyUndoPath(&rsp.Record); }
};
