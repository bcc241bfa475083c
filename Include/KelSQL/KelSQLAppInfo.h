// The backup parameters of one application (Tessel id and application
// number): which database and instance, whether the next backup must or may
// be full, streams, the last backup set, the storage policies for databases
// found by discovery and the flags the level conversion rules test. On the
// Ostrel they are gathered from the application manager and the catalogue
// (lookupAppNumber); an agent asks the Ostrel with KelNetSQLAppInfo.
//
// The context is borrowed and outlives the object.
#pragma once

#include <string>

#include "KelSQL/KelNetSQLAppInfo.h"

class KelSQLAppInfo : public KelNetSQLAppInfo {
public:
    KelSQLAppInfo(KelSQLClassProperties& ctx, bool replyMode, unsigned long version);

    bool query(unsigned long tesselId, unsigned long appNumber);
    // Answering operations (reply mode only).
    bool lookup(KelNetSQLAppInfoReq_t* req, KelNetSQLAppInfoRsp_t* rsp);
    bool lookup(KelNetSQLAppInfoReq_t* req, KelNetSQLAppInfoRspV2_t* rsp);
    bool lookup(KelNetSQLAppInfoReq_t* req, KelNetSQLAppInfoRspV3_t* rsp);
    bool lookupAppNumber(unsigned long tesselId, unsigned long appNumber);
    bool networkQuery();

    void copyFromNetwork(const KelNetSQLAppInfoRsp_t& rsp);
    void copyFromNetwork(const KelNetSQLAppInfoRspV2_t& rsp);
    void copyFromNetwork(const KelNetSQLAppInfoRspV3_t& rsp);
    // The names are copied whole or refused (0x1E000037 naming the field).
    [[nodiscard]] bool copyToNetwork(KelNetSQLAppInfoRsp_t& rsp);
    [[nodiscard]] bool copyToNetwork(KelNetSQLAppInfoRspV2_t& rsp);
    [[nodiscard]] bool copyToNetwork(KelNetSQLAppInfoRspV3_t& rsp);
    void initializeSQLObject();

    const KelNetSQLDateTime_t& lastBackupSetTime() const { return lastBackupTime_; }
    unsigned long lastBackupSetId() const { return lastBackupSetId_; }
    unsigned long sqlDatabaseId() const { return sqlDatabaseId_; }
    unsigned long sqlFileOrGroupId() const { return sqlFileOrGroupId_; }
    const std::string& databaseName() const { return databaseName_; }
    const std::string& serverName() const { return serverName_; }
    const std::string& fileOrGroupName() const { return fileOrGroupName_; }
    const std::string& clientName() const { return clientName_; }
    unsigned long clientID() const { return clientId_; }
    unsigned long instanceID() const { return instanceId_; }
    unsigned long tesselNumber() const { return tesselNumber_; }
    unsigned long streams() const { return streams_; }
    unsigned long nextFullBackup() const { return nextFull_; }
    unsigned long spForAutoDiscovery() const { return dataSP_; }
    unsigned long spForLogAutoDiscovery() const { return logSP_; }
    unsigned long vssAllowFlags() const { return vssFlags_; }
    unsigned long appNumber() const { return appNumber_; }
    unsigned long tesselId() const { return tesselId_; }
    bool nextDiffBackup() const { return nextDiff_; }
    bool dataSPChanged() const { return dataSPChanged_; }
    bool contentChanged() const { return contentChanged_; }
    bool allowConversionOfFFG() const { return allowFFGConversion_; }
    bool canConvertDbForNewFiles() const { return convertForNewFiles_; }
    bool isFFGBkpFullRequired() const { return ffgFullRequired_; }
    bool isSystemDatabase() const { return systemDatabase_; }
    bool isBackupTypeFileSubClient() const { return backupType_ == kelsql::kAppInfoFileSubClient; }
    bool isNextFullAllowed() const { return nextFull_ != kNextFullNotAllowed; }
    bool isNextFullOn() const { return nextFull_ != 0 && nextFull_ != kNextFullNotAllowed; }

    static constexpr unsigned long kNextFullNotAllowed = ~0ul;

private:
    bool fail(uint64_t number, const char* signature);
    template <class R>
    bool lookupInto(KelNetSQLAppInfoReq_t* req, R* rsp);
    template <class R>
    void copyBodyFrom(const R& rsp);
    template <class R>
    [[nodiscard]] bool copyBodyTo(R& rsp);
    bool readApplicationManager(unsigned long tesselId, unsigned long appNumber);
    bool readCatalogue();
    void readLastBackupSet();

    unsigned long appNumber_ = 0;
    unsigned long tesselId_ = 0;
    unsigned long backupType_ = 0;
    std::string databaseName_;
    std::string serverName_;
    std::string fileOrGroupName_;
    unsigned long sqlDatabaseId_ = 0;
    unsigned long sqlFileOrGroupId_ = 0;
    unsigned long tesselNumber_ = 0;
    unsigned long streams_ = 0;
    unsigned long nextFull_ = 0;
    unsigned long lastBackupSetId_ = 0;
    KelNetSQLDateTime_t lastBackupTime_{};
    unsigned long dataSP_ = 0;
    unsigned long logSP_ = 0;
    unsigned long vssFlags_ = 0;
    std::string clientName_;
    unsigned long clientId_ = 0;
    unsigned long instanceId_ = 0;
    // Only the local lookup fills these.
    unsigned long subclientId_ = 0;
    bool nextDiff_ = false;
    bool dataSPChanged_ = false;
    bool contentChanged_ = false;
    bool allowFFGConversion_ = false;
    bool convertForNewFiles_ = false;
    bool ffgFullRequired_ = false;
    bool systemDatabase_ = false;
    bool replyMode_;
};
