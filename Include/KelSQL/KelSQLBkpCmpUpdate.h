// The Ostrel's request that a client's agent compare one database's
// catalogue entry with the live database and update it. On this platform
// the exchange ends in a refusal: the Ostrel reports the function as not
// supported on the client once the agent answered, and this library's agent
// answers with an empty success. The database name travels as the frame's
// trailing data; the record's reference field stays zero.
//
// The context is borrowed and outlives the object.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "KelSQL/KelNetSQLFrame.h"

struct KelSQLBkpCmpUpdateReq_t {
    uint8_t reserved1[16];
    uint64_t databaseName;  // zero: the text travels after the record
    uint8_t reserved2[32];
};
struct KelSQLBkpCmpUpdateRsp_t {
    KelNetSQLOPStatus_t status;
    uint8_t reserved[48];
};
static_assert(sizeof(KelSQLBkpCmpUpdateReq_t) == 56 && offsetof(KelSQLBkpCmpUpdateReq_t, databaseName) == 16,
              "KelSQLBkpCmpUpdateReq_t layout");
static_assert(sizeof(KelSQLBkpCmpUpdateRsp_t) == 608, "KelSQLBkpCmpUpdateRsp_t size");

class KelSQLBkpCmpUpdate : public KelNetSQLMessage<KelSQLBkpCmpUpdate, KelSQLBkpCmpUpdateReq_t,
                                                   KelSQLBkpCmpUpdateRsp_t, 0x1E00008A, 0x1E00008B> {
public:
    static constexpr const char* kClassName = "KelSQLBkpCmpUpdate";
    static constexpr const char* kRequestName = "KelSQLBkpCmpUpdateReq";
    static constexpr const char* kResponseName = "KelSQLBkpCmpUpdateRsp";

    using KelNetSQLMessage::KelNetSQLMessage;
    ~KelSQLBkpCmpUpdate() override = default;

    void printRequestMessage(char*) override {}
    void printResponseMessage(char*) override {}
    // The answering end: the cleared response, nothing else.
    bool buildReply() override;
    bool answer(Request&, Response&) { return true; }

    // Ostrel side; always false (the error tells why).
    bool compareAndUpdate(std::string clientName, std::string databaseName, std::string serverName,
                          uint64_t instanceId, uint64_t sqlDatabaseId);
    // Answering end: the database name the request carried; false when the
    // trailing data holds anything else.
    bool requestDatabaseName(std::string& databaseName);
};
