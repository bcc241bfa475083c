// The SQL debug level and the VDI command timeout of an agent machine: read
// and written in the machine's platform information, locally or, from the
// Ostrel, by a message that the agent host answers with the local operation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "KelSQL/KelNetSQLFrame.h"
#include "KelSQL/KelSQLClassProperties.h"

enum KelNetSQLDebugCode : uint32_t {
    KelNetSQLDebugGetLevel = 1,
    KelNetSQLDebugSetLevel = 2,
    KelNetSQLDebugSetVDITimeout = 3,
    KelNetSQLDebugGetVDITimeout = 4,
};

struct KelNetSQLDebugLevelReq_t {
    uint32_t DebugCode;
    uint32_t Padding;
    uint64_t DebugLevel;  // the value to set (codes 2 and 3)
};
struct KelNetSQLDebugLevelRsp_t {
    KelNetSQLOPStatus_t Status;
    uint64_t DebugLevel;  // the level (codes 1, 2) or timeout (codes 3, 4) after the operation
};
static_assert(sizeof(KelNetSQLDebugLevelReq_t) == 16, "KelNetSQLDebugLevelReq_t size");
static_assert(offsetof(KelNetSQLDebugLevelReq_t, DebugLevel) == 8, "KelNetSQLDebugLevelReq_t offsets");
static_assert(sizeof(KelNetSQLDebugLevelRsp_t) == 568, "KelNetSQLDebugLevelRsp_t size");
static_assert(offsetof(KelNetSQLDebugLevelRsp_t, DebugLevel) == 560, "KelNetSQLDebugLevelRsp_t offsets");

class KelNetSQLDebugLevel : public KelNetSQLMessage<KelNetSQLDebugLevel, KelNetSQLDebugLevelReq_t,
                                                    KelNetSQLDebugLevelRsp_t, 0x1E00002B, 0x1E00002C> {
public:
    static constexpr const char* kClassName = "KelNetSQLDebugLevel";
    static constexpr const char* kRequestName = "KelNetSQLDebugLevel";
    static constexpr const char* kResponseName = "KelNetSQLDebugLevelRsp";

    // Termination is always off whatever the flag.
    KelNetSQLDebugLevel(KelSQLClassProperties& ctx, bool terminate);
    KelNetSQLDebugLevel(KelSQLClassProperties& ctx, unsigned long long messageId, char* request);

    bool initialize(bool terminate) override;
    void printRequestMessage(char* request) override;

    bool answer(KelNetSQLDebugLevelReq_t& req, KelNetSQLDebugLevelRsp_t& rsp);
    void dumpResponse(const char* fn, const KelNetSQLDebugLevelRsp_t& rsp);
};

class KelSQLDebugLevel : public KelNetSQLDebugLevel {
public:
    // serverFlag: built by the answering side.
    KelSQLDebugLevel(KelSQLClassProperties& ctx, bool serverFlag);

    // The values to write; each returns what it was given.
    unsigned long debugLevel(unsigned long level);
    unsigned long vdiTimeout(unsigned long seconds);
    // The values last read, written or answered.
    uint64_t debugLevel() const { return debugLevel_; }
    uint64_t vdiTimeout() const { return vdiTimeout_; }
    bool serverFlag() const { return serverFlag_; }

    // On the platform information of the context's focus machine; each
    // returns the resulting value. A platform failure leaves its error on
    // this object (getLastError()).
    uint64_t getDebugLevel();
    uint64_t setDebugLevel();
    uint64_t getVDITimeout();
    uint64_t setVDITimeout();

    // On the agent host hostName (empty: the context's remote host); true on
    // success, with the answered value in debugLevel() or vdiTimeout().
    bool getRemoteDebugLevel(std::string hostName);
    bool setRemoteDebugLevel(std::string hostName);
    bool setRemoteVDITimeout(std::string hostName);
    bool getRemoteVDITimeout(std::string hostName);

private:
    bool remote(uint32_t code, uint64_t value, const std::string& hostName, const char* signature);
    bool platformFailed(KelPI_Base& object);

    bool serverFlag_;
    uint64_t debugLevel_ = 0;
    uint64_t vdiTimeout_ = 0;
};
