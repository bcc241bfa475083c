// The level a SQL Server backup job must run at, asked by the Ostrel before
// the job starts: an agent older than release id 8 decides by itself and is
// only asked whether it converted (KelSQLBackupConversions, Ostrel to agent
// host); a newer one gets the Ostrel's conversion rules.
#pragma once

#include <cstdint>
#include <string>

#include "KelSQL/KelNetSQLBackupConversionRules.h"
#include "KelSQL/KelNetSQLFrame.h"

class KelSQLBackupConversions : public KelNetSQLLogConvertedToFull {
public:
    // Initiating end; the session is never terminated.
    KelSQLBackupConversions(KelSQLClassProperties& ctx, bool terminate);
    // Answering end: this library's agent converts nothing and says so.
    KelSQLBackupConversions(KelSQLClassProperties& ctx, unsigned long long messageId, char* request);
    ~KelSQLBackupConversions() override = default;

    // Ostrel side: asks the client's agent.
    bool query(uint32_t tesselId, uint32_t clientId, uint32_t instanceId, uint32_t appId);
    bool networkQuery();
    void copyFromNetwork(const KelNetSQLLogConvertedToFullRsp_t& rsp);
    bool isBkupTypeConverted() const { return converted_; }
    int32_t getBkupLevel() const { return level_; }

private:
    bool converted_ = false;
    int32_t level_ = 0;
};

// 1 when the job may run at the level left in level; 0 when it must not run,
// with the reason in message.
int getBackupConversion(const char* focusName, uint32_t tesselId, uint32_t clientId, uint32_t instanceId,
                        uint32_t appId, KelBkpLevel& level, std::string& message, uint32_t jobId);
