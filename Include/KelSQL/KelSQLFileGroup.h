// The catalogue record of one file group of a SQL Server database: a row of
// table sqlFileGroup, owner of the group's sqlFile rows. It is also the
// message that carries its own operations: on an agent-side context that
// needs a connection they are sent to the Ostrel, which answers them on a
// record built in reply mode.
//
// The context is borrowed and outlives the record; the record owns its
// delete flag and its two file lists.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "KelSQL/KelNetSQLFileGroup.h"
#include "KelSQL/KelSQLDateAndTime.h"
#include "KelSQL/KelSQLFile.h"
#include "KelSQL/KelSQLLogicalDeletion.h"
#include "KelSQL/KelSQLValues.h"

struct SqlFileGroup_t;

// Columns of one single-item update (updateItem).
enum KelSQL_UpdateFileGroupItem : uint32_t {
    KelSQL_UpdateFileGroupStreams = 1,
    KelSQL_UpdateFileGroupRemovalTime = 2,
    KelSQL_UpdateFileGroupDeleteFlag = 3,
    KelSQL_UpdateFileGroupApplicationNumber = 4,
};

// An entry of a database's list of configured file groups.
struct KelSQLFileGroup_t {
    std::string name;
    unsigned long sqlId = 0;
};

class KelSQLFileGroup : public KelNetSQLFileGroup {
public:
    // A removal time given as this means "back again": 0 is written.
    static constexpr unsigned long kRemovalTimeBack = 0xFFFFFFFFul;

    KelSQLFileGroup(KelSQLClassProperties& context, bool serverSide);
    ~KelSQLFileGroup() override;
    KelSQLFileGroup(const KelSQLFileGroup&) = delete;
    KelSQLFileGroup& operator=(const KelSQLFileGroup&) = delete;

    // Ids, name, times, streams and the delete flag back to empty (a
    // maximum of streams is never lowered); valid is the record-valid flag.
    // The lists and sqlCode stay.
    void initializeSQLObject(bool valid);

    // Reads, on the Ostrel or an agent that needs no connection; sent as
    // DBCode 1 from any other agent.
    bool query(unsigned long sqlFileGroupId);
    bool query(unsigned long sqlDatabaseId, const std::string& fileGroupName);
    bool query(const std::string& clientName, const std::string& serverName, const std::string& databaseName,
               const std::string& fileGroupName);
    // Agent: the live file group of the name (through the live readers);
    // nothing found leaves the object as it was.
    bool query(const std::string& databaseName, const std::string& fileGroupName) {
        return query(databaseName, fileGroupName, false);
    }
    bool query(const std::string& databaseName, const std::string& fileGroupName, bool noCopy);
    // Local only: the present group of the database with SQL Server's group
    // id; false without an error anywhere else.
    bool findValidFileGrpFordb(unsigned long sqlDatabaseId, unsigned long groupId);

    // Agent: registers the group (filled and marked valid by the caller),
    // then its live files, all read and checked before the first is sent;
    // what the Ostrel refuses part way takes back the rest. databaseName
    // may be null.
    bool config(unsigned long sqlDatabaseId, const std::string* databaseName);
    // The two halves of config, for a caller that registers the group with
    // others in one write scope (a database with its groups): readConfig
    // reads the live files and checks every value the group and its files
    // will send; sendConfig sends them under the database's id.
    bool readConfig(const std::string& databaseName);
    bool sendConfig(unsigned long sqlDatabaseId);
    // Writes the object's values through compareAndUpdate; on failure the
    // object keeps the caller's values.
    bool update();
    // Local: writes into the row what sqlFileGroup holds differently; this
    // object receives the stored row. A removal time written reaches the
    // group's files that have none.
    bool compareAndUpdate(KelSQLFileGroup& sqlFileGroup, unsigned long sqlFileGroupId);
    // Nothing of a group is compared before a backup: true, updated as it was.
    bool backupCompareAndUpdate(const std::string& sqlServerName, const std::string& databaseName,
                                KelSQLFileGroup& localFileGroup, bool& updated);
    // The delete flag of the group and of its files.
    bool logicalDeletion(bool deleteFlag, unsigned long sqlFileGroupId);
    bool updateStreams();
    bool updateRemovalTime();
    bool updateDeleteFlag();
    bool updateApplicationNumber();
    bool updateItem(const char* signature, KelSQL_UpdateFileGroupItem item);
    // Ostrel: the time to every configured file still present / the flag to
    // every configured file.
    bool updateFileRemovalTime(unsigned long sqlFileGroupId, unsigned long removalTime);
    bool updateFileDeleteFlag(unsigned long sqlFileGroupId, bool deleteFlag);
    // Ostrel: the group's files, kept between calls (fetch reads again);
    // null on failure. Owned by the record.
    std::vector<KelSQLFile_t>* getConfiguredFiles(bool fetch, unsigned long sqlFileGroupId);
    // Agent: the live logical file names of the group (through the live
    // readers); null on the Ostrel. Owned by the record.
    std::vector<std::string>* getFileNames(const std::string& databaseName, bool fetch);
    // Ostrel, in the started transaction: the group's backup history goes
    // (the group stays), or with databaseDelete its files and its row.
    bool forceDeletion(unsigned long sqlFileGroupId, bool databaseDelete);
    // Ostrel: asks the client's agent host for its live group (DBCode 3).
    bool clientQuery(const std::string& databaseName, const std::string& fileGroupName,
                     const std::string& clientName);

    bool serverQuery(const char* where);
    // Ostrel, in the started transaction: the rows where chooses get the SET
    // text values (taken as it stands), and the object the row's values.
    bool serverUpdate(const char* where, const char* values);
    bool networkQuery();

    // Answering operations (reply mode only).
    bool lookup(KelNetSQLFileGroup_t* reqFileGroup, KelNetSQLFileGroup_t* rspFileGroup);
    bool update(KelNetSQLFileGroup_t* reqFileGroup, KelNetSQLFileGroup_t* rspFileGroup);
    bool config(KelNetSQLFileGroup_t* reqFileGroup, KelNetSQLFileGroup_t* rspFileGroup);
    bool logicalDeletion(KelNetSQLFileGroup_t* reqFileGroup, KelNetSQLFileGroup_t* rspFileGroup);
    bool clientQuery(KelNetSQLFileGroup_t* reqFileGroup, KelNetSQLFileGroup_t* rspFileGroup);

    // Copies between the object, the wire record and the row.
    // The name is copied whole or refused (0x1E000037 naming the field).
    [[nodiscard]] bool copyToNetwork(KelNetSQLFileGroup_t& rec);
    void copyFromNetwork(const KelNetSQLFileGroup_t& rec);
    [[nodiscard]] bool copyToSql(SqlFileGroup_t& row);
    void copyFromSql(const SqlFileGroup_t& row);
    static void copyNetworkToSql(const KelNetSQLFileGroup_t& rec, SqlFileGroup_t& row);
    static void copyNetworkFromSql(KelNetSQLFileGroup_t& rec, const SqlFileGroup_t& row);

    unsigned long sqlId() const { return sqlId_; }
    void setSqlId(unsigned long id) { sqlId_ = id; }
    unsigned long id() const { return groupId_; }
    void setId(unsigned long id) { groupId_ = id; }
    unsigned long tesselId() const { return tesselId_; }
    void setTesselId(unsigned long id) { tesselId_ = id; }
    unsigned long sqlDatabaseId() const { return sqlDatabaseId_; }
    void setSqlDatabaseId(unsigned long id) { sqlDatabaseId_ = id; }
    unsigned long applicationNumber() const { return applicationNumber_; }
    void setApplicationNumber(unsigned long number) { applicationNumber_ = number; }
    const std::string& fileGroupName() const { return fileGroupName_; }
    void setFileGroupName(const std::string& name) { fileGroupName_ = name; }
    KelSQLStreams& getStreams() { return streams_; }
    KelSQLDateAndTime& getAddTime() { return addTime_; }
    KelSQLDateAndTime& getRemovalTime() { return removalTime_; }
    KelSQLDateAndTime& setRemovalTime() { return removalTime_; }
    KelSQLLogicalDeletion* setDeleteFlag() { return deleteFlag_.get(); }
    bool isDeleted() const { return deleteFlag_->isDeleted(); }
    bool isValid() const { return valid_; }
    long long sqlCode() const { return sqlCode_; }
    bool serverSide() const { return serverSide_; }

private:
    bool copyError(KelLastError& from);
    bool requireServerSide(const char* signature);
    bool requireTransaction(const char* signature);
    // The request of DBCode 1, cleared.
    KelNetSQLFileGroup_t* lookupRequest();
    bool queryByDatabase(unsigned long sqlDatabaseId, const std::string& fileGroupName);
    void loadStreams(uint64_t streams, uint64_t maxStreams);
    // The group's backup history, inside the caller's transaction.
    bool removeBackupHistory(unsigned long sqlFileGroupId);
    bool deleteWithFiles(unsigned long sqlFileGroupId, const char* signature);

    KelSQLClassProperties& context_;
    long long sqlCode_ = 0;
    bool valid_ = false;
    bool serverSide_;
    std::string where_;
    unsigned long groupId_ = 0;
    std::string fileGroupName_;
    unsigned long sqlId_ = 0;
    unsigned long tesselId_ = 0;
    unsigned long sqlDatabaseId_ = 0;
    unsigned long applicationNumber_ = 0;
    KelSQLStreams streams_;
    KelSQLDateAndTime addTime_;
    KelSQLDateAndTime removalTime_;
    std::unique_ptr<KelSQLLogicalDeletion> deleteFlag_;
    std::vector<std::string> fileNames_;
    std::vector<KelSQLFile_t> configuredFiles_;
    // The live files readConfig read, for sendConfig.
    std::vector<std::unique_ptr<KelSQLFile>> liveFiles_;
};
