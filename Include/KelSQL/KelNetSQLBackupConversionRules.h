// Whether a backup job's level (log, log without truncation, differential)
// runs as asked or must be converted: the Ostrel's catalogue rules in a fixed
// order, and only when none fires the client's agent, asked with this
// message (Ostrel to agent host). The client, instance and database names go
// as the frame's trailing data (decodeRequestTexts rebuilds them); the
// record's three reference fields stay zero.
//
// One object serves one decision; the context is borrowed and outlives it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "KelSQL/KelNetSQLFrame.h"

class KelSQLAppInfo;

enum KelBkpLevel : int32_t {
    KelBkpLevelFull = 1,
    KelBkpLevelLog = 2,
    KelBkpLevelDifferential = 4,
    KelBkpLevelLogNoTruncate = 256,
};

struct KelNetSQLBkpConversionReq_t {
    uint64_t clientName;    // zero: the text travels after the record
    uint64_t serverName;    // zero, as clientName
    uint64_t databaseName;  // zero, as clientName
    int64_t bkupLevel;
    uint64_t lastBackupSetId;
    KelNetSQLDateTime_t lastBackupSetTime;
};
struct KelNetSQLBkpConversionRsp_t {
    KelNetSQLOPStatus_t status;
    uint32_t bkupTypeConverted;
    uint64_t bkupLevel;
    uint64_t eventId;
};
static_assert(sizeof(KelNetSQLBkpConversionReq_t) == 64 && offsetof(KelNetSQLBkpConversionReq_t, bkupLevel) == 24 &&
                  offsetof(KelNetSQLBkpConversionReq_t, lastBackupSetId) == 32 &&
                  offsetof(KelNetSQLBkpConversionReq_t, lastBackupSetTime) == 40,
              "KelNetSQLBkpConversionReq_t layout");
static_assert(sizeof(KelNetSQLBkpConversionRsp_t) == 584 &&
                  offsetof(KelNetSQLBkpConversionRsp_t, bkupTypeConverted) == 560 &&
                  offsetof(KelNetSQLBkpConversionRsp_t, bkupLevel) == 568 &&
                  offsetof(KelNetSQLBkpConversionRsp_t, eventId) == 576,
              "KelNetSQLBkpConversionRsp_t layout");

class KelNetSQLBackupConversionRules
    : public KelNetSQLMessage<KelNetSQLBackupConversionRules, KelNetSQLBkpConversionReq_t,
                              KelNetSQLBkpConversionRsp_t, 0x1E000084, 0x1E000085> {
public:
    static constexpr const char* kClassName = "KelNetSQLBackupConversionRules";
    static constexpr const char* kRequestName = "KelNetSQLBkpConversionReq";
    static constexpr const char* kResponseName = "KelNetSQLBkpConversionRsp";
    // No name sent is longer than its catalogue column.
    static constexpr size_t kMaxNameLength = 128;

    // Initiating end; the session is never terminated, whatever terminate says.
    KelNetSQLBackupConversionRules(KelSQLClassProperties& ctx, bool terminate);
    // Answering end, with the request in hand.
    KelNetSQLBackupConversionRules(KelSQLClassProperties& ctx, unsigned long long messageId, char* request);
    ~KelNetSQLBackupConversionRules() override = default;

    void printRequestMessage(char* request) override;

    // Ostrel: decides for one job of one application. True when a decision
    // was reached, also when conversion is needed but not allowed (the error
    // then says why); false on failure.
    bool checkConversionRules(uint32_t tesselId, uint32_t appId, int32_t level, uint32_t jobId);
    bool isBkupTypeConverted() const { return converted_; }
    KelBkpLevel getBkupLevel() const { return static_cast<KelBkpLevel>(level_); }
    bool IsConversionAllowed() const { return allowed_; }
    void copyFromNetwork(const KelNetSQLBkpConversionRsp_t& rsp);

    // Answering end: the client, instance and database names the request
    // carried; false when the trailing data does not hold exactly those.
    bool decodeRequestTexts(std::string& clientName, std::string& serverName, std::string& databaseName);

    // This library does not decide for the agent: refused with 0x1E000034.
    bool answer(Request& req, Response& rsp);

private:
    bool askAgent(KelSQLAppInfo& app, int32_t level, const char* levelName, uint32_t jobId);
    void outcome(KelSQLAppInfo& app, const char* levelName, uint64_t eventId, uint64_t refusal,
                 uint32_t jobId);

    bool converted_ = false;
    int32_t level_ = 0;
    uint64_t eventId_ = 0;
    bool allowed_ = false;
};
