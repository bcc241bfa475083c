// The hot-standby step: an agent whose standby copy of a database holds the
// backup set it restored last asks the Ostrel which catalogue backup set
// comes next, whether it is up to date, or whether a full restore must start
// again. The Ostrel answers from the catalogue (KelSQLDatabaseLSNList::
// hotServerStandbyQuery).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "KelSQL/KelNetSQLFrame.h"

namespace kelsql {
// Flags of the answer.
inline constexpr unsigned long kHotServerNext = 0;
inline constexpr unsigned long kHotServerUpToDate = 1;
inline constexpr unsigned long kHotServerFullRestore = 2;
}  // namespace kelsql

struct KelNetSQLHotServerStepReq {
    uint64_t SqlDatabaseId;
    uint64_t BackupSetId;  // the agent's number of the set restored last
    char BackupSetName[129];
};

struct KelNetSQLHotServerStepRsp {
    KelNetSQLOPStatus_t Status;
    uint64_t CurrentSqlBackupSetId;
    uint64_t NextSqlBackupSetId;
    uint64_t Flags;
};

static_assert(sizeof(KelNetSQLHotServerStepReq) == 152 && offsetof(KelNetSQLHotServerStepReq, BackupSetId) == 8 &&
                  offsetof(KelNetSQLHotServerStepReq, BackupSetName) == 16,
              "KelNetSQLHotServerStepReq layout");
static_assert(sizeof(KelNetSQLHotServerStepRsp) == 584 &&
                  offsetof(KelNetSQLHotServerStepRsp, CurrentSqlBackupSetId) == 560 &&
                  offsetof(KelNetSQLHotServerStepRsp, NextSqlBackupSetId) == 568 &&
                  offsetof(KelNetSQLHotServerStepRsp, Flags) == 576,
              "KelNetSQLHotServerStepRsp layout");

class KelNetSQLHotServerStep : public KelNetSQLMessage<KelNetSQLHotServerStep, KelNetSQLHotServerStepReq,
                                                       KelNetSQLHotServerStepRsp, 0x1E000041, 0x1E000042> {
public:
    static constexpr const char* kClassName = "KelNetSQLHotServerStep";
    static constexpr const char* kRequestName = "KelNetSQLHotServerStepReq";
    static constexpr const char* kResponseName = "KelNetSQLHotServerStepRsp";

    // Initiating end: an agent's message goes to the Ostrel.
    KelNetSQLHotServerStep(KelSQLClassProperties& ctx, bool terminate);
    // Answering end, with the request in hand (null: nothing copied).
    KelNetSQLHotServerStep(KelSQLClassProperties& ctx, unsigned long long messageId, char* request)
        : KelNetSQLMessage(ctx, messageId, request) {}
    ~KelNetSQLHotServerStep() override = default;

    bool initialize(bool terminate) override;

    // Agent: sends the question; current, next and flags from the answer.
    bool networkQuery(unsigned long sqlDatabaseId, unsigned long backupSetId, unsigned long& current,
                      unsigned long& next, const std::string& backupSetName, unsigned long& flags);

    // Ostrel: the answer from the catalogue.
    bool answer(KelNetSQLHotServerStepReq& req, KelNetSQLHotServerStepRsp& rsp);
    void dumpRequest(const char* fn, const KelNetSQLHotServerStepReq& req);
    void dumpResponse(const char* fn, const KelNetSQLHotServerStepRsp& rsp);
};
