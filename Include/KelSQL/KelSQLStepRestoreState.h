// The state of a database restored step by step: whether it is in standby or
// loading, which backup set was restored into it last and, for a loading
// database, the log range it may still take. The Ostrel fills it by asking
// the agent on the instance's client machine (KelNetSQLDatabaseState); the
// agent's handler answers from what it reads of its live SQL Server. The
// filled object goes to the step-restore chains and the hot-standby step.
//
// The context is borrowed and outlives the object; one thread uses it.
#pragma once

#include <cstdint>
#include <string>

#include "KelSQL/KelNetSQLDatabaseState.h"
#include "KelSQL/KelSQLDateAndTime.h"

class KelSQLDatabase;

// stepState codes, as setDatabaseState() derives them.
namespace kelsql {
inline constexpr uint64_t kStepNotSet = 1;
inline constexpr uint64_t kStepLoading = 2;
inline constexpr uint64_t kStepStandby = 4;
inline constexpr uint64_t kStepReadOnly = 8;
inline constexpr uint64_t kStepOnline = 16;
inline constexpr uint64_t kStepProperty4 = 32;
inline constexpr uint64_t kStepDBOOnly = 64;
inline constexpr uint64_t kStepProperty1 = 128;
inline constexpr uint64_t kStepSingleUser = 256;
inline constexpr uint64_t kStepEmergency = 512;
inline constexpr uint64_t kStepPointInTime = 1024;
inline constexpr uint64_t kStepProperty2 = 2048;
inline constexpr uint64_t kStepProperty3 = 4096;
}  // namespace kelsql

class KelSQLStepRestoreState : public KelNetSQLDatabaseState {
public:
    KelSQLStepRestoreState(KelSQLClassProperties& context, bool serverObject, unsigned long requestType);
    KelSQLStepRestoreState(const KelSQLStepRestoreState&) = delete;
    KelSQLStepRestoreState& operator=(const KelSQLStepRestoreState&) = delete;

    // The reset: not initialised, stepState 1, everything else empty.
    void initializeSQLObject();

    // Ostrel: asks the agent of the client for the database's state.
    bool query(unsigned long tesselId, const std::string& clientName, unsigned long sqlServerId,
               const std::string& databaseName);
    bool query(const std::string& clientName, unsigned long sqlDatabaseId);
    // Agent: the handler's answer (server object only), the live reading by
    // names, and the live reading of a catalogue database.
    bool query(KelNetSQLDatabaseStateReq_t* request, KelNetSQLDatabaseStateRspV2_t* response);
    bool query(const std::string& sqlServerName, const std::string& sqlDatabaseName);
    bool query(const std::string& sqlServerName, KelSQLDatabase& database);

    // Agent: asks the Ostrel which catalogue backup set a hot-standby server
    // restores next. A state with backup set 0 answers 0 and 0 unsent.
    bool hotServerQuery(unsigned long& currentSqlBackupSetId, unsigned long& nextSqlBackupSetId,
                        unsigned long& flags);

    void setDatabaseState();
    // The texts are copied whole or refused (0x1E000037 naming the field).
    [[nodiscard]] bool copyToNetwork(KelNetSQLDatabaseStateRspV2_t* response);
    void copyFromNetwork(KelNetSQLDatabaseStateRsp_t* response);
    void copyFromNetwork(KelNetSQLDatabaseStateRspV2_t* response);
    bool networkQuery();

    bool isObjectInitialized() const { return initialised_; }
    bool isLoading() const { return (databaseState_ & 0x20) != 0; }
    bool isReadOnly() const { return (databaseState_ & 0x400) != 0; }
    bool isDBOOnly() const { return (databaseState_ & 0x800) != 0; }
    bool isSingleUser() const { return (databaseState_ & 0x1000) != 0; }
    bool isEmergencyMode() const { return (databaseState_ & 0x8000) != 0; }
    bool isStandby() const { return (databaseState_ & 0x200400) == 0x200400; }
    bool isOnLine() const { return (databaseState_ & 0x200420) == 0; }
    bool isUnknown() const { return databaseState_ == 0; }
    bool isPointInTime() const { return stopAt_.time() != 0; }
    bool isLogOnlyAllowed() const { return logOnly_ != 0; }
    unsigned long backupSetId() const { return static_cast<unsigned long>(backupSetId_); }
    const std::string& getLogOnlyFirstLSN() const { return logOnlyFirstLSN_; }
    const std::string& getLogOnlyLastLSN() const { return logOnlyLastLSN_; }

    bool isStepRestorable() const { return stepRestorable_; }
    uint64_t stepState() const { return stepState_; }
    uint64_t databaseState() const { return databaseState_; }
    uint32_t databaseProperty() const { return databaseProperty_; }
    unsigned long sqlDatabaseId() const { return static_cast<unsigned long>(sqlDatabaseId_); }
    const std::string& clientName() const { return clientName_; }
    const std::string& serverName() const { return serverName_; }
    const std::string& databaseName() const { return databaseName_; }
    const std::string& backupSetName() const { return backupSetName_; }
    const std::string& checkpointLSN() const { return checkpointLSN_; }
    const std::string& fullBackupLSN() const { return fullBackupLSN_; }
    uint64_t restoreId() const { return restoreId_; }
    uint64_t restoreType() const { return restoreType_; }
    KelSQLDateAndTime& restoreDate() { return restoreDate_; }
    KelSQLDateAndTime& stopAt() { return stopAt_; }

private:
    bool fail(uint64_t number, const char* signature);
    // Steps shared by both Ostrel-side queries: the request, the exchange
    // and the answer taken (the 0x1E00008D answer included).
    bool ask(const char* signature, KelSQLDateAndTime* creationTime);
    void takeUnavailable();

    KelSQLClassProperties& context_;
    bool serverObject_;
    bool initialised_ = false;
    bool stepRestorable_ = false;
    uint64_t stepState_ = kelsql::kStepNotSet;
    std::string clientName_, databaseName_, serverName_;
    uint64_t sqlDatabaseId_ = 0;
    uint64_t databaseState_ = 0;
    uint64_t restoreId_ = 0;
    uint64_t backupSetId_ = 0;
    uint64_t restoreType_ = 0;
    KelSQLDateAndTime restoreDate_;
    KelSQLDateAndTime stopAt_;
    std::string backupSetName_;
    uint32_t logOnly_ = 0;
    std::string logOnlyFirstLSN_, logOnlyLastLSN_, checkpointLSN_, fullBackupLSN_;
    uint32_t databaseProperty_ = 0;
};
