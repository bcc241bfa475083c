// Removes from the application manager every application id of one SQL
// Server instance of a client. On the Ostrel it works directly; an agent
// sends the removal to the Ostrel (KelNetSQLDeleteAppId), whose handler runs
// the same operation there. The catalogue rows of the instance stay.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "KelSQL/KelNetSQLFrame.h"

struct KelNetSQLDeleteAppIdReq_t {
    char ClientName[257];
    char Padding1[7];
    uint64_t ApplicationType;  // 4, 16 or 70
    char ServerName[129];
    char Padding2[7];
};
struct KelNetSQLDeleteAppIdRsp_t {
    KelNetSQLOPStatus_t Status;
};

static_assert(sizeof(KelNetSQLDeleteAppIdReq_t) == 408, "KelNetSQLDeleteAppIdReq_t size");
static_assert(offsetof(KelNetSQLDeleteAppIdReq_t, ApplicationType) == 264 &&
                  offsetof(KelNetSQLDeleteAppIdReq_t, ServerName) == 272,
              "KelNetSQLDeleteAppIdReq_t offsets");
static_assert(sizeof(KelNetSQLDeleteAppIdRsp_t) == 560, "KelNetSQLDeleteAppIdRsp_t size");

class KelNetSQLDeleteAppId
    : public KelNetSQLMessage<KelNetSQLDeleteAppId, KelNetSQLDeleteAppIdReq_t, KelNetSQLDeleteAppIdRsp_t,
                              0x1E000057, 0x1E000058> {
public:
    static constexpr const char* kClassName = "KelNetSQLDeleteAppId";
    static constexpr const char* kRequestName = "KelNetSQLDeleteAppIdReq";
    static constexpr const char* kResponseName = "KelNetSQLDeleteAppIdRsp";

    KelNetSQLDeleteAppId(KelSQLClassProperties& ctx, bool terminate) : KelNetSQLMessage(ctx, terminate) {}
    KelNetSQLDeleteAppId(KelSQLClassProperties& ctx, unsigned long long messageId, char* request)
        : KelNetSQLMessage(ctx, messageId, request) {}

    // Answering end (the Ostrel).
    bool answer(KelNetSQLDeleteAppIdReq_t& req, KelNetSQLDeleteAppIdRsp_t& rsp);
    void dumpRequest(const char* fn, const KelNetSQLDeleteAppIdReq_t& req);
};

class KelSQLDeleteAppId : public KelNetSQLDeleteAppId {
public:
    // The context is borrowed and outlives the object.
    KelSQLDeleteAppId(KelSQLClassProperties& context, bool replyMode);

    void initializeSQLObject();
    // Empty or zero arguments fall back on the values set before.
    bool deleteApplicationId(const std::string& clientName, unsigned long applicationType,
                             const std::string& sqlServerName);
    void setClientName(const std::string& name) { clientName_ = name; }
    void setApplicationType(unsigned long type) { applicationType_ = type; }
    void setSqlServerName(const std::string& name) { sqlServerName_ = name; }
    // Sends the three fields to the Ostrel and waits for its answer.
    bool networkQuery();
    bool replyMode() const { return replyMode_; }

private:
    bool removeHere(const char* signature);

    bool replyMode_;
    std::string clientName_;
    std::string sqlServerName_;
    uint64_t applicationType_ = 0;
};
