// The catalogue record of one SQL Server database of an instance: a row of
// table sqlDatabase, keyed by the application manager's backup set id (the
// sqlDatabaseId of every other table). It is also the message that carries
// its own operations: on an agent-side context that needs a connection they
// are sent to the Ostrel, which answers them on a record built in reply mode.
//
// The context is borrowed and outlives the record; the record owns its
// delete flag and, once asked for, its live-properties object.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "KelSQL/KelNetSQLDatabase.h"
#include "KelSQL/KelSQLDatabaseLayout.h"
#include "KelSQL/KelSQLDatabaseProperties.h"
#include "KelSQL/KelSQLDateAndTime.h"
#include "KelSQL/KelSQLFileGroup.h"
#include "KelSQL/KelSQLLogicalDeletion.h"
#include "KelSQL/KelSQLValues.h"

class KelSQLServer;
class SqlDatabase;
struct SqlDatabase_t;

// Bit numbers of a database's allowFlags word.
enum KelSQL_AllowFlagBits : uint32_t {
    KelSQL_AllowNextFull = 0,
    KelSQL_AllowNextFullAllowed = 1,
    KelSQL_AllowFileFull = 2,
    KelSQL_AllowNextFileFullAllowed = 4,
    KelSQL_AllowNextFullContent = 5,
    KelSQL_AllowNextDiff = 8,
    KelSQL_AllowSPChanged = 9,
};

// The column groups one item update writes (updateItem).
enum KelSQL_UpdateDBItem : uint32_t {
    KelSQL_UpdateDBStreams = 1,
    KelSQL_UpdateDBAllowFlags = 2,
    KelSQL_UpdateDBRemovalTime = 3,
    KelSQL_UpdateDBDeleteFlag = 4,
};

// An entry of an instance's database list: name and catalogue id (0: not
// configured).
struct KelSQLDatabase_t {
    std::string name;
    unsigned long sqlId = 0;
};

struct KelSQLDBNameWithType_t {
    std::string name;
    unsigned char type = 0;
};

class KelSQLDatabase : public KelNetSQLDatabase {
public:
    static constexpr unsigned long kRemovalTimeBack = 0xFFFFFFFFul;
    // systemFlags holds no bit above this mask.
    static constexpr unsigned long kSystemFlagsMask = 0x3F;

    KelSQLDatabase(KelSQLClassProperties& context, bool serverSide);
    ~KelSQLDatabase() override;
    KelSQLDatabase(const KelSQLDatabase&) = delete;
    KelSQLDatabase& operator=(const KelSQLDatabase&) = delete;

    // Ids, names, times, streams and the delete flag back to empty; the
    // lists and sqlCode stay.
    void initializeSQLObject();

    // Reads, on the Ostrel or an agent that needs no connection; sent as
    // DBCode 1 from any other agent.
    bool query(unsigned long sqlId, KelSQLServer* server);
    bool query(const std::string& clientName, const std::string& serverName, const std::string& databaseName);
    bool query(unsigned long sqlServerId, const std::string& databaseName);
    // Agent: the live database of the name (read through the live readers).
    bool query(const std::string& databaseName);
    bool networkQuery();
    bool queryOstrelDb(const char* where);
    // Ostrel, in the started transaction: the rows where chooses get the SET
    // text values (taken as it stands), and the object the row's values.
    bool updateOstrelDb(const char* where, const char* values);

    // Answering operations (reply mode only).
    bool lookup(KelNetSQLDatabaseReq_t* req, KelNetSQLDatabaseRsp_t* rsp);
    // DBCode 4: inserts or refreshes the row; on an agent host, relays it
    // to the Ostrel inside a network transaction of its own.
    bool config(KelNetSQLDatabase_t* reqDb, KelNetSQLDatabase_t* rspDb);
    // Agent: the live database named in the request, into the response.
    bool extract(KelNetSQLDatabaseReq_t* req, KelNetSQLDatabaseRsp_t* rsp);

    // Agent: the live file-group names of the database, kept between calls
    // (fetch, or an empty list, reads them again); null on the Ostrel.
    std::vector<std::string>* getFileGroupNames(const std::string& sqlDatabaseName, bool fetch);
    // Ostrel: the live file-group names, asked of the client's agent host.
    std::vector<std::string>* getFileGroupNames(bool fetch, unsigned long sqlDatabaseId,
                                                const std::string& clientName);
    // Ostrel: the database's file groups in the catalogue, in name order.
    std::vector<KelSQLFileGroup_t>* getConfiguredFGs(bool fetch, unsigned long sqlDatabaseId);
    // Ostrel: live names without a configured group of the same name.
    std::vector<std::string>* getUnConfiguredFGs(const std::string& clientName, unsigned long sqlDatabaseId);

    // Agent: registers the database (names and record set by the caller)
    // with the Ostrel, then its live file groups and "DatabaseLogs" with
    // their files, all read and checked before the first is sent; what the
    // Ostrel refuses part way takes back the rest.
    bool config(unsigned long sqlServerId, unsigned long archiveGroupNameId);
    // Agent: registers the live database of the context's machine through
    // inCP (else this object's context), which must carry a network
    // transaction with the Ostrel: its application id with the storage
    // policies given (assignSPFlag as KelNetSQLAppIdReqV3_t::SPConfig), its
    // row, its live file groups and "DatabaseLogs". This object then holds
    // the registered record.
    bool config(const std::string& sqlServerName, const std::string& databaseName, unsigned long archiveGroupNameId,
                unsigned long logArchiveGroupNameId, unsigned long assignSPFlag, KelSQLClassProperties* inCP);
    // Ostrel: asks the client's agent host to register the database, then
    // checks that a primary data file is catalogued. True only when the row
    // is there afterwards. A caller holding a transaction is refused
    // (0x1E0000B0): the agent host needs the catalogue's writer.
    bool config(const std::string& clientName, const std::string& sqlServerName, const std::string& databaseName,
                unsigned long archiveGroupNameId);

    // One allow-flag bit, written to the row (or, with sqlServerId, the
    // word to every database of the instance); sent as KelNetSQLDBFlags from
    // an agent.
    bool updateFlag(unsigned long sqlDatabaseId, KelSQL_AllowFlagBits flag, unsigned long state,
                    unsigned long sqlServerId);
    // Ostrel, in the started transaction: the item's columns of the row.
    bool updateItem(const char* signature, KelSQL_UpdateDBItem item);
    bool updateStreams();
    bool updateAllowFlags();
    // Also stamps the configured file groups still present.
    bool updateRemovalTime();
    // Also the file groups with their files and, from SQL Server 2000 on,
    // the file subclients.
    bool updateDeleteFlag();
    bool updateFGDeleteFlag(unsigned long sqlDatabaseId, bool deleteFlag);
    bool updateFGRemovalTime(unsigned long sqlDatabaseId, unsigned long removalTime);

    // Comparison with newer values: writes into the row what differs and is
    // set (removal time: a time only over 0, the back-again marker as 0).
    // Local (DBCode 2 from an agent); the object then holds the row as read
    // before the update, or the caller's values after a failure.
    bool update();
    // DBCode 2 (reply mode): answers the row as read before the update.
    bool update(KelNetSQLDatabaseReq_t* req, KelNetSQLDatabaseRsp_t* rsp);
    // Local, in the context's started transaction.
    bool compareAndUpdate(KelSQLDatabase& sqlDatabase, unsigned long sqlDatabaseId);

    // Agent, inside the network transaction: this object (the catalogue row)
    // against localDatabase (the live one); the row is updated and new live
    // file groups registered. fullNeeded: whether the next backup must be full.
    bool backupCompareAndUpdate(KelSQLDatabase& localDatabase, bool& fullNeeded);
    // Agent host, DBCode 8: the comparison for the database the request
    // names; AllowFlags 5 in the response when a full backup is required.
    bool CompareAndUpdate(KelNetSQLDatabaseReq_t* req, KelNetSQLDatabaseRsp_t* rsp);
    // Ostrel: asks the client's agent host for that comparison and, when a
    // full backup is required, marks the database and its file subclients.
    bool CompareAndUpdate(const std::string& clientName, const std::string& sqlServerName, unsigned long sqlServerId,
                          unsigned long databaseId);

    // Sets or clears the delete flag of the database and everything under
    // it; sent as DBCode 5 from an agent that needs a connection. Id 0: the
    // object's own.
    bool logicalDeletion(bool deleteFlag, unsigned long sqlDatabaseId);
    // DBCode 5 (reply mode only): answers the row with its new flag.
    bool logicalDeletion(KelNetSQLDatabase_t* reqDatabase, KelNetSQLDatabase_t* rspDatabase);
    // Ostrel, in the caller's started transaction: the database with its
    // restore tasks, backup history, log marks, file subclients, file groups
    // and files. "master" and id 1 only when logically deleted or forced; a
    // row already gone is success.
    bool forceDeletion(unsigned long sqlDatabaseId, bool force);
    // Ostrel: the database with its configured file groups and files.
    bool getDatabaseLayout(KelSQLDatabaseLayout& layout, unsigned long sqlDatabaseId);

    // Agent readers of the live database; outputs left as they are when
    // nothing is read.
    bool getLatestBackupSetId(unsigned long* backupSetId);
    bool getCreationTime(KelSQLDateAndTime& creationTime);
    bool getCreationTimeAndStatus(KelSQLDateAndTime& creationTime, unsigned long* status);
    bool anyLogBackupsDoneOutsideSeltra(unsigned long backupSetId, bool& done);

    // Made on first use for this database's name; owned by the record.
    KelSQLDatabaseProperties* getDatabaseProperties();

    // Copies between the object, the wire record and the row.
    [[nodiscard]] bool copyToNetwork(KelNetSQLDatabase_t& rec);
    void copyFromNetwork(const KelNetSQLDatabase_t& rec);
    [[nodiscard]] bool copyToDb(SqlDatabase_t& row);
    void copyFromDb(const SqlDatabase_t& row);
    static void copyNetworkToDb(const KelNetSQLDatabase_t& rec, SqlDatabase_t& row);
    static void copyNetworkFromDb(KelNetSQLDatabase_t& rec, const SqlDatabase_t& row);

    // Allow flags, in memory only.
    void setAllowFlagBitOn(unsigned long bit) { allowFlags_ |= mask(bit); }
    void setAllowFlagBitOff(unsigned long bit) { allowFlags_ &= ~mask(bit); }
    bool isAllowFlagBit(unsigned long bit) const { return (allowFlags_ & mask(bit)) != 0; }
    void setNextFullOn() {
        setAllowFlagBitOn(KelSQL_AllowNextFull);
        setAllowFlagBitOff(KelSQL_AllowNextDiff);
    }
    void setNextFullOff() { setAllowFlagBitOff(KelSQL_AllowNextFull); }
    bool isNextFullOn() const { return isAllowFlagBit(KelSQL_AllowNextFull); }
    void setNextFullAllowedOn() { setAllowFlagBitOn(KelSQL_AllowNextFullAllowed); }
    void setNextFullAllowedOff() { setAllowFlagBitOff(KelSQL_AllowNextFullAllowed); }
    bool isNextFullAllowed() const { return isAllowFlagBit(KelSQL_AllowNextFullAllowed); }
    void setFileFullOn() { setAllowFlagBitOn(KelSQL_AllowFileFull); }
    void setFileFullOff() { setAllowFlagBitOff(KelSQL_AllowFileFull); }
    bool isFileFullOn() const { return isAllowFlagBit(KelSQL_AllowFileFull); }
    void setNextFileFullAllowedOn() { setAllowFlagBitOn(KelSQL_AllowNextFileFullAllowed); }
    void setNextFileFullAllowedOff() { setAllowFlagBitOff(KelSQL_AllowNextFileFullAllowed); }
    bool isNextFileFullAllowedOn() const { return isAllowFlagBit(KelSQL_AllowNextFileFullAllowed); }
    void setNextFullContentOn() {
        setAllowFlagBitOn(KelSQL_AllowNextFullContent);
        setAllowFlagBitOff(KelSQL_AllowNextDiff);
    }
    void setNextFullContentOff() { setAllowFlagBitOff(KelSQL_AllowNextFullContent); }
    bool isNextFullContentOn() const { return isAllowFlagBit(KelSQL_AllowNextFullContent); }
    void setNextDiffOn() { setAllowFlagBitOn(KelSQL_AllowNextDiff); }
    void setNextDiffOff() { setAllowFlagBitOff(KelSQL_AllowNextDiff); }
    bool isNextDiffOn() const { return isAllowFlagBit(KelSQL_AllowNextDiff); }
    void setSPChangedOn() { setAllowFlagBitOn(KelSQL_AllowSPChanged); }
    void setSPChangedOff() { setAllowFlagBitOff(KelSQL_AllowSPChanged); }
    bool isSPChanged() const { return isAllowFlagBit(KelSQL_AllowSPChanged); }
    unsigned long allowFlags() const { return allowFlags_; }

    // Refuses (0x1E000037, nothing changed) a value with a bit above bit 5.
    bool setSystemFlags(unsigned long value);
    unsigned long systemFlags() const { return systemFlags_; }
    bool isSystemDatabase() const { return (systemFlags_ & 0x1) != 0; }

    unsigned long sqlId() const { return sqlId_; }
    unsigned long backupSetId() const { return sqlId_; }
    void setSqlId(unsigned long id) { sqlId_ = id; }
    unsigned long tesselId() const { return tesselId_; }
    unsigned long sqlServerId() const { return sqlServerId_; }
    void setSqlServerId(unsigned long id) { sqlServerId_ = id; }
    unsigned long applicationNumber() const { return applicationNumber_; }
    unsigned long id() const { return databaseId_; }
    void setId(unsigned long id) { databaseId_ = id; }
    unsigned long archiveGroupNameId() const { return archiveGroupNameId_; }
    const std::string& databaseName() const { return databaseName_; }
    const std::string& name() const { return databaseName_; }
    void setDatabaseName(const std::string& name) { databaseName_ = name; }
    const std::string& sqlServerName() const { return serverName_; }
    void setSqlServerName(const std::string& name) { serverName_ = name; }
    const std::string& clientName() const { return clientName_; }
    void setClientName(const std::string& name) { clientName_ = name; }
    KelSQLDateAndTime& getCreationTime() { return creationTime_; }
    KelSQLStreams& getStreams() { return streams_; }
    KelSQLDateAndTime& getAddTime() { return addTime_; }
    KelSQLDateAndTime& getRemovalTime() { return removalTime_; }
    KelSQLLogicalDeletion* getDeleteFlag() { return deleteFlag_.get(); }
    KelSQLLogicalDeletion* setDeleteFlag() { return deleteFlag_.get(); }
    long long sqlCode() const { return sqlCode_; }
    bool serverSide() const { return serverSide_; }

private:
    static unsigned long mask(unsigned long bit) { return 1ul << (bit % 32); }
    bool fail(uint64_t number, const char* signature);
    bool copyError(KelLastError& from);
    bool catalogueError(const char* signature, SqlDatabase& table);
    bool loadServerName(KelSQLServer* server);
    bool queryByInstance(unsigned long sqlServerId, const std::string& databaseName, const char* signature);
    // The request of DBCode 1, cleared.
    KelNetSQLDatabaseReq_t* lookupRequest();
    void loadStreams(int64_t streams, int64_t maxStreams, int64_t logStreams);
    // config(sqlServerId, archiveGroupNameId) in two halves: every value of
    // the database, its groups and their files read and checked; then sent.
    using LiveGroups = std::vector<std::unique_ptr<KelSQLFileGroup>>;
    bool readConfig(unsigned long sqlServerId, unsigned long archiveGroupNameId, LiveGroups& groups);
    bool readFileGroups(LiveGroups& groups);
    bool sendConfig(unsigned long sqlServerId, unsigned long archiveGroupNameId, const LiveGroups& groups);
    bool relayConfig(KelNetSQLDatabase_t& reqDb);
    bool storeRegistration(KelNetSQLDatabase_t& reqDb, KelNetSQLDatabase_t& rspDb);
    bool sendRegistration(const std::string& clientName, const std::string& sqlServerName,
                          const std::string& databaseName, unsigned long archiveGroupNameId);
    // Whether no catalogued file of the database looks like a primary data file.
    bool primaryDataFileMissing();
    // The database's instance decides; the context's data source when the
    // instance is not known.
    bool isSql7();
    bool removeHistory(unsigned long sqlDatabaseId);
    bool deleteRow(unsigned long sqlDatabaseId, const char* signature);
    bool addLayoutGroup(KelSQLDatabaseLayoutInternal& view, unsigned long sqlFileGroupId);

    KelSQLClassProperties& context_;
    std::unique_ptr<KelSQLDatabaseProperties> properties_;
    unsigned long sqlId_ = 0;
    unsigned long tesselId_ = 0;
    unsigned long sqlServerId_ = 0;
    unsigned long applicationNumber_ = 0;
    unsigned long databaseId_ = 0;
    unsigned long systemFlags_ = 0;
    unsigned long archiveGroupNameId_ = 0;
    unsigned long allowFlags_ = 0;
    std::string databaseName_;
    std::string serverName_;
    std::string clientName_;
    KelSQLDateAndTime creationTime_;
    KelSQLStreams streams_;
    KelSQLDateAndTime addTime_;
    KelSQLDateAndTime removalTime_;
    std::unique_ptr<KelSQLLogicalDeletion> deleteFlag_;
    std::vector<std::string> fileGroupNames_;
    std::vector<std::string> unconfiguredFGs_;
    std::vector<KelSQLFileGroup_t> configuredFGs_;
    long long sqlCode_ = 0;
    std::string where_;
    std::string values_;
    bool serverSide_;
};
