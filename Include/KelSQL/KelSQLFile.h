// The catalogue record of one file of a SQL Server database: a row of table
// sqlFile, which belongs to one file group. It is also the message that
// carries its own operations: on an agent-side context that needs a
// connection they are sent to the Ostrel, which answers them on a record
// built in reply mode.
//
// The context is borrowed and outlives the record; the record owns its
// delete flag.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "KelSQL/KelNetSQLFile.h"
#include "KelSQL/KelSQLDateAndTime.h"
#include "KelSQL/KelSQLLogicalDeletion.h"

struct SqlFile_t;

// Columns of one single-column update (updateItem).
enum KelSQL_UpdateFileItem : uint32_t {
    KelSQL_UpdateFileRemovalTime = 1,
    KelSQL_UpdateFileDeleteFlag = 2,
};

// An entry of a file group's list of configured files.
struct KelSQLFile_t {
    std::string name;  // the logical name
    unsigned long sqlId = 0;
};

class KelSQLFile : public KelNetSQLFile {
public:
    // A removal time given as this means "back again": 0 is written.
    static constexpr unsigned long kRemovalTimeBack = 0xFFFFFFFFul;

    KelSQLFile(KelSQLClassProperties& context, bool serverSide);
    ~KelSQLFile() override;
    KelSQLFile(const KelSQLFile&) = delete;
    KelSQLFile& operator=(const KelSQLFile&) = delete;

    // Ids, names, sizes, times and the delete flag back to empty; valid is
    // the record-valid flag (a caller that filled the object itself from
    // the live file marks it valid for registration).
    void initializeSQLObject(bool valid = false);

    // Reads, on the Ostrel or an agent that needs no connection; sent as
    // DBCode 1 from any other agent.
    bool query(unsigned long sqlFileId);
    bool query(unsigned long sqlFileGroupId, const std::string& fileName);
    bool query(const std::string& clientName, const std::string& serverName, const std::string& dbName,
               const std::string& fgName, const std::string& fileName);
    // Agent: the live file of the name (through the live readers); nothing
    // found leaves the object as it was.
    bool query(const std::string& databaseName, const std::string& fileName) {
        return query(databaseName, fileName, false);
    }
    bool query(const std::string& databaseName, const std::string& fileName, bool noCopy);
    bool query(const char* dbName, const char* fileName, int);
    // Local only: the present file of the group with SQL Server's file id;
    // false without an error anywhere else.
    bool findValidFileForFG(unsigned long sqlFileGroupId, unsigned long fileId);
    // The database the file (sqlFileId, else this one) belongs to; 0 first.
    bool sqlDatabaseId(unsigned long& sqlDatabaseId, unsigned long sqlFileId);

    // Agent: registers the loaded live file in the group (DBCode 4).
    bool config(unsigned long sqlFileGroupId);
    // Writes the object's values through compareAndUpdate; on failure the
    // object keeps the caller's values.
    bool update();
    // Local: writes into the row what sqlFile holds differently; this object
    // receives the stored row.
    bool compareAndUpdate(KelSQLFile& sqlFile, unsigned long sqlFileId);
    // Agent: this catalogue file brought in line with the live localFile;
    // updated says whether its identity (id, removal, path) changed.
    bool backupCompareAndUpdate(KelSQLFile& localFile, bool& updated);
    bool logicalDeletion(bool deleteFlag, unsigned long sqlFileId);
    bool updateRemovalTime();
    bool updateDeleteFlag();
    bool updateItem(const char* signature, KelSQL_UpdateFileItem item);
    // Ostrel, in the started transaction; nothing done elsewhere.
    bool forceDeletion(unsigned long sqlFileId);
    // Ostrel: asks the client's agent host for its live file (DBCode 3).
    bool clientQuery(const std::string& databaseName, const std::string& fileName, const std::string& clientName);

    bool serverQuery(const char* where);
    // Ostrel, in the started transaction: the rows where chooses get the SET
    // text values (taken as it stands), and the object the row's values.
    bool serverUpdate(const char* where, const char* values);
    bool networkQuery();

    // Answering operations (reply mode only).
    bool lookup(KelNetSQLFile_t* reqFile, KelNetSQLFile_t* rspFile);
    bool update(KelNetSQLFile_t* reqFile, KelNetSQLFile_t* rspFile);
    bool config(KelNetSQLFile_t* reqFile, KelNetSQLFile_t* rspFile);
    bool logicalDeletion(KelNetSQLFile_t* reqFile, KelNetSQLFile_t* rspFile);
    bool clientQuery(KelNetSQLFile_t* reqFile, KelNetSQLFile_t* rspFile);

    // Copies between the object, the wire record and the row.
    // The texts are copied whole or refused (0x1E000037 naming the field).
    [[nodiscard]] bool copyToNetwork(KelNetSQLFile_t& rec);
    void copyFromNetwork(const KelNetSQLFile_t& rec);
    [[nodiscard]] bool copyToSql(SqlFile_t& row);
    void copyFromSql(const SqlFile_t& row);
    static void copyNetworkToSql(const KelNetSQLFile_t& rec, SqlFile_t& row);
    static void copyNetworkFromSql(KelNetSQLFile_t& rec, const SqlFile_t& row);

    unsigned long sqlId() const { return sqlId_; }
    void setSqlId(unsigned long id) { sqlId_ = id; }
    unsigned long id() const { return fileId_; }
    void setId(unsigned long id) { fileId_ = id; }
    unsigned long tesselId() const { return tesselId_; }
    unsigned long sqlFileGroupId() const { return sqlFileGroupId_; }
    const std::string& logicalName() const { return logicalName_; }
    void setLogicalName(const std::string& name) { logicalName_ = name; }
    const std::string& physicalName() const { return physicalName_; }
    void setPhysicalName(const std::string& name) { physicalName_ = name; }
    unsigned long size() const { return size_; }
    void setSize(unsigned long size) { size_ = size; }
    unsigned long maxSize() const { return maxSize_; }
    void setMaxSize(unsigned long size) { maxSize_ = size; }
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
    KelNetSQLFile_t* lookupRequest();
    bool queryByGroup(unsigned long sqlFileGroupId, const std::string& fileName);
    // Local part of the lookup by names: the group's row id.
    bool groupByNames(const std::string& clientName, const std::string& serverName, const std::string& dbName,
                      const std::string& fgName, unsigned long& groupId, const char* signature);

    KelSQLClassProperties& context_;
    long long sqlCode_ = 0;
    bool valid_ = false;
    bool serverSide_;
    std::string where_;
    unsigned long fileId_ = 0;
    std::string physicalName_;
    std::string logicalName_;
    unsigned long size_ = 0;
    unsigned long maxSize_ = 0;
    unsigned long sqlId_ = 0;
    unsigned long tesselId_ = 0;
    unsigned long sqlFileGroupId_ = 0;
    KelSQLDateAndTime addTime_;
    KelSQLDateAndTime removalTime_;
    std::unique_ptr<KelSQLLogicalDeletion> deleteFlag_;
};
