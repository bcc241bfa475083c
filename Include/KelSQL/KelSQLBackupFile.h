// The record of one database file as a backup set captured it: a row of
// table sqlBackupFile. It is also the message that carries its own
// operations: an agent records each file of a finished backup by request,
// and the Ostrel stores it under the file group that holds the file of that
// logical name now (the agent's value is never used).
//
// The context is borrowed and outlives the record.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "KelSQL/KelNetSQLBackupFile.h"

class DBtable;
class SqlBackupFile;
struct SqlBackupFile_t;

class KelSQLBackupFile : public KelNetSQLBackupFile {
public:
    // Texts hold at most these many characters (their columns' widths).
    static constexpr size_t kPhysicalNameMax = 260;
    static constexpr size_t kLogicalNameMax = 128;
    static constexpr size_t kPhysicalDriveMax = 260;

    // serverObject: built by the message handler to answer a request; only
    // such an object runs the Ostrel-side insert and lookup.
    KelSQLBackupFile(KelSQLClassProperties& context, bool serverObject);
    KelSQLBackupFile(const KelSQLBackupFile&) = delete;
    // Copies the record only (not the flags, the context or the list).
    KelSQLBackupFile& operator=(const KelSQLBackupFile& other);

    void initializeSQLObject();

    // Agent: sends the loaded record (DBCode 4) for the backup set and takes
    // back the stored row, with its id and the file group the Ostrel found.
    bool insert(unsigned long tesselId, unsigned long sqlBackupSetId);
    // Ostrel, server object, in the started transaction: stores the request's
    // record unless the backup set has a file of that logical name already
    // (0x1E000068); the file group comes from the live file of that name.
    bool insert(const KelNetSQLBackupFile_t& request, KelNetSQLBackupFile_t& response);
    // Ostrel, server object: the row of the request's SqlBackupFileId.
    bool lookup(const KelNetSQLBackupFile_t& request, KelNetSQLBackupFile_t& response);

    // By row id: read here on the Ostrel or an agent that needs no
    // connection, else by request (DBCode 1).
    bool query(unsigned long sqlBackupFileId);
    // Local only: the file of that logical name in the backup set (of the
    // Tessel). A name longer than its column is refused before any SQL.
    bool query(unsigned long sqlBackupSetId, const std::string& logicalName);
    bool query(unsigned long tesselId, unsigned long sqlBackupSetId, const std::string& logicalName);
    // Agent: true, and nothing is loaded; refused elsewhere (0x1E000034).
    bool query(unsigned long backupSetId, unsigned long fileNumber);
    // Agent: the object's list of backup file ids (no operation fills it);
    // null on failure.
    const std::vector<uint64_t>* getBackupFileList(unsigned long backupSetId);

    // Records the files of a log backup through KelNetSQLBackupFileLogUpdate.
    bool backupFileLogUpdate(unsigned long tesselId, unsigned long sqlDatabaseId, unsigned long sqlBackupSetId);

    // save is copyToNetwork, restore copyFromNetwork; a null record is
    // refused (0x1E000001).
    bool save(KelNetSQLBackupFile_t* record);
    bool restore(const KelNetSQLBackupFile_t* record);

    const std::string& logicalName() const { return logicalName_; }
    const std::string& physicalDrive() const { return physicalDrive_; }
    const std::string& physicalName() const { return physicalName_; }
    uint64_t fileNumber() const { return fileNumber_; }
    uint64_t pageCount() const { return pageCount_; }
    uint64_t pageSize() const { return pageSize_; }
    uint64_t fileType() const { return fileType_; }
    uint64_t sqlId() const { return sqlId_; }
    uint64_t sqlBackupSetId() const { return sqlBackupSetId_; }
    uint64_t tesselId() const { return tesselId_; }
    uint64_t sqlFileGroupId() const { return sqlFileGroupId_; }
    long long sqlCode() const { return sqlCode_; }
    bool isLoaded() const { return loaded_; }

    // Copies between the object, the wire record and the row.
    [[nodiscard]] bool copyToNetwork(KelNetSQLBackupFile_t& rec);
    void copyFromNetwork(const KelNetSQLBackupFile_t& rec);
    [[nodiscard]] bool copyToSql(SqlBackupFile_t& row);
    void copyFromSql(const SqlBackupFile_t& row);
    static void copyNetworkToSql(const KelNetSQLBackupFile_t& rec, SqlBackupFile_t& row);
    static void copyNetworkFromSql(KelNetSQLBackupFile_t& rec, const SqlBackupFile_t& row);

private:
    bool fail(uint64_t number, const char* signature);
    // 0x1E000033 with the record's description and the database's text.
    bool rowError(DBtable& record);
    // The three texts within their columns; else 0x1E000037 naming the field.
    bool textsFit(const std::string& physicalName, const std::string& logicalName, const std::string& physicalDrive,
                  const char* signature);
    // One row by where_ into the object; sqlCode keeps the read's result.
    bool serverQuery();
    bool queryByName(const char* signature);

    KelSQLClassProperties& context_;
    bool serverObject_;
    bool loaded_ = false;
    long long sqlCode_ = 0;
    std::string where_;
    std::vector<uint64_t> backupFileList_;
    uint64_t fileNumber_ = 0;
    uint64_t pageCount_ = 0;
    uint64_t pageSize_ = 0;
    uint64_t fileType_ = 0;
    std::string physicalName_;
    std::string physicalDrive_;
    std::string logicalName_;
    uint64_t sqlId_ = 0;
    uint64_t sqlBackupSetId_ = 0;
    uint64_t tesselId_ = 0;
    uint64_t sqlFileGroupId_ = 0;
};
