// Whether the file and file-group subclients of a database together cover
// every data file group and file of it. The Ostrel answers from its
// catalogue (IsSubClientSetComplete); an agent asks with
// KelSQLVerifyAllFilesCovered.
#pragma once

#include <cstddef>
#include <cstdint>

#include "KelSQL/KelNetSQLFrame.h"

struct KelNetSQLVerifyAllFilesCoveredReq_t {
    uint64_t sqlDatabaseId;
};
struct KelNetSQLVerifyAllFilesCoveredRsp_t {
    KelNetSQLOPStatus_t status;
    uint32_t bCovered;
};
static_assert(sizeof(KelNetSQLVerifyAllFilesCoveredReq_t) == 8, "KelNetSQLVerifyAllFilesCoveredReq_t size");
static_assert(sizeof(KelNetSQLVerifyAllFilesCoveredRsp_t) == 568 &&
                  offsetof(KelNetSQLVerifyAllFilesCoveredRsp_t, bCovered) == 560,
              "KelNetSQLVerifyAllFilesCoveredRsp_t layout");

// True with the answer in complete; false on failure, with the reason in err
// where one is known. A database without live file subclients is complete.
bool IsSubClientSetComplete(KelLastError& err, KelSQLClassProperties& context, uint64_t sqlDatabaseId,
                            bool& complete);

class KelNetSQLVerifyAllFilesCovered
    : public KelNetSQLMessage<KelNetSQLVerifyAllFilesCovered, KelNetSQLVerifyAllFilesCoveredReq_t,
                              KelNetSQLVerifyAllFilesCoveredRsp_t, 0x1E00007B, 0x1E00007C> {
public:
    static constexpr const char* kClassName = "KelNetSQLVerifyAllFilesCovered";
    static constexpr const char* kRequestName = "KelNetSQLVerifyAllFilesCoveredReq";
    static constexpr const char* kResponseName = "KelNetSQLVerifyAllFilesCoveredRsp";

    using KelNetSQLMessage::KelNetSQLMessage;
    ~KelNetSQLVerifyAllFilesCovered() override = default;

    bool answer(Request& req, Response& rsp);
    void dumpRequest(const char* fn, const Request& req);
    void dumpResponse(const char* fn, const Response& rsp);
};

// The agent's question; the context is borrowed and outlives the object.
class KelSQLVerifyAllFilesCovered : public KelNetSQLVerifyAllFilesCovered {
public:
    KelSQLVerifyAllFilesCovered(KelSQLClassProperties& ctx, bool terminate);

    // Agent side; afterwards isCovered() holds the answer.
    bool query(uint64_t sqlDatabaseId);
    bool networkQuery();
    void copyFromNetwork(const Response& rsp) { covered_ = rsp.bCovered != 0; }
    bool isCovered() const { return covered_; }

private:
    bool covered_ = false;
};
