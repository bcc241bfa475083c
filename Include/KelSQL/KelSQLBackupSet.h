// The record of one finished backup of a database: a row of table
// sqlBackupSet, with its LSN record (table sqlLSNs) and its media set. It is
// also the message that carries its own operations: an agent records a
// backup by request (the Ostrel stores the row in the transaction the agent
// holds there, then the agent stores the LSN row); sets are found again by
// row id, by name and by the agent's number.
//
// The context is borrowed and outlives the record; the record owns its media
// set and its LSN record.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "KelSQL/KelNetSQLBackupSet.h"
#include "KelSQL/KelSQLDateAndTime.h"
#include "KelSQL/KelSQLLSN.h"
#include "KelSQL/KelSQLMediaSet.h"
#include "KelSQL/KelSQLVersion.h"

class DBtable;
class SqlBackupSet;
struct SqlBackupSet_t;

class KelSQLBackupSet : public KelNetSQLBackupSet {
public:
    // Texts hold at most these many characters (their columns' widths).
    static constexpr size_t kNameMax = 128;
    static constexpr size_t kDescriptionMax = 255;
    static constexpr size_t kUserNameMax = 128;
    static constexpr size_t kBackupSizeMax = 32;

    // serverObject: built by the message handler to answer a request; only
    // such an object runs the Ostrel-side insert and lookup.
    KelSQLBackupSet(KelSQLClassProperties& context, bool serverObject,
                    unsigned long long requestType = kRequestType2);
    ~KelSQLBackupSet() override;
    KelSQLBackupSet(const KelSQLBackupSet&) = delete;
    KelSQLBackupSet& operator=(const KelSQLBackupSet&) = delete;

    // Back to empty; the LSN record stays as it is.
    void initializeSQLObject();

    // Agent: sends the loaded record (DBCode 4), takes the answer (the new
    // row id, the version row ids), then stores the LSN record's row. True
    // when both rows are stored; the caller's network transaction holds them.
    bool insert(unsigned long tesselId, unsigned long sqlDatabaseId);
    // Ostrel, reply mode, in the started transaction: stores the request's
    // record as a new row unless its name is taken in its database
    // (0x1E000066); the response is the request with the new row id and the
    // resolved version row ids. The first layout stores subclient 0.
    bool insert(const KelNetSQLBackupSet_t& request, KelNetSQLBackupSet_t& response);
    bool insert(const KelNetSQLBackupSet2_t& request, KelNetSQLBackupSet2_t& response);
    // Ostrel, reply mode: the row of the request's SqlBackupSetId.
    bool lookup(const KelNetSQLBackupSet_t& request, KelNetSQLBackupSet_t& response);
    bool lookup(const KelNetSQLBackupSet2_t& request, KelNetSQLBackupSet2_t& response);
    // The removal notice an agent receives: nothing to do.
    bool remove(const KelNetSQLBackupSet_t&, KelNetSQLBackupSet_t&) { return true; }
    bool remove(const KelNetSQLBackupSet2_t&, KelNetSQLBackupSet2_t&) { return true; }

    // By row id, with both versions and the LSN record: read here on the
    // Ostrel or an agent that needs no connection, else by request.
    bool query(unsigned long sqlBackupSetId);
    // Local only: by name, and by the agent's number, in a database.
    bool query(unsigned long sqlDatabaseId, const std::string& backupSetName);
    bool query(unsigned long sqlDatabaseId, unsigned long backupSetId);
    // Agent: argument checks only; nothing is loaded.
    bool query(const std::string& searchKey, const std::string& databaseName);
    bool queryBackupSet(unsigned long backupSetId);

    // A snapshot backup: name "VSSJob" and the start time, LSNs "0", backup
    // type 'd'; times in seconds since 1970. Always true.
    bool initializeForVSS(uint64_t jobId, long startTime, long finishTime, uint64_t streams);

    // Ostrel, in the caller's started transaction (else 0x1E000041 before
    // any table is touched): removes the backup set with its archive sets,
    // the database's log marks inside its LSN range, its LSN row and its
    // backup files. A set that is gone already counts as removed. Before,
    // unless its database is logically deleted, the agent of its instance is
    // sent its instance's login and the removal notice; neither decides the
    // result. On false the caller rolls back.
    bool remove(unsigned long sqlBackupSetId);
    // Ostrel: the removal notice (DBCode 6, first layout) to the agent host
    // of clientName (empty: the context's remote SQL host); true when the
    // agent answered with success.
    bool remove(unsigned long backupSetId, unsigned long mediaSetId, const std::string& clientName);
    // Ostrel, in the caller's started transaction: removes every backup set
    // of the database, in id order, as remove() does.
    bool databaseForceDelete(unsigned long sqlDatabaseId);
    // Ostrel, in the caller's started transaction: removes every file or
    // file-group backup ('F') holding a file of the file group, with its
    // archive sets, the log marks inside its LSN range, its LSN row and its
    // backup files. True when all are removed or there are none; on false
    // the caller rolls back.
    bool fileGroupForceDelete(unsigned long sqlFileGroupId);

    unsigned long id() const { return backupSetId_; }
    unsigned long sqlId() const { return sqlId_; }
    unsigned long tesselId() const { return tesselId_; }
    unsigned long sqlDatabaseId() const { return sqlDatabaseId_; }
    unsigned long sqlFileSubClientId() const { return sqlFileSubClientId_; }
    const std::string& name() const { return name_; }
    const std::string& description() const { return description_; }
    const std::string& userName() const { return userName_; }
    const std::string& backupSize() const { return backupSize_; }
    uint64_t jobId() const { return jobId_; }
    KelSQLDateAndTime& startTime() { return startTime_; }
    KelSQLDateAndTime& finishTime() { return finishTime_; }
    MSVersion& sqlVersion() { return sqlVersion_; }
    MSVersion& mtfVersion() { return mtfVersion_; }
    KelSQLMediaSet& getMediaSet() { return *mediaSet_; }
    KelSQLLSN& getLSN() { return *lsn_; }
    long long sqlCode() const { return sqlCode_; }
    bool isLoaded() const { return loaded_; }

    // Copies between the object, the wire records and the row.
    void copyFromSql(const SqlBackupSet_t& row);
    [[nodiscard]] bool copyToSql(SqlBackupSet_t& row);
    void copyFromNetwork(const KelNetSQLBackupSet_t& rec);
    void copyFromNetwork(const KelNetSQLBackupSet2_t& rec);
    [[nodiscard]] bool copyToNetwork(KelNetSQLBackupSet_t& rec);
    [[nodiscard]] bool copyToNetwork(KelNetSQLBackupSet2_t& rec);
    static void copyNetworkToSql(const KelNetSQLBackupSet_t& rec, uint64_t sqlFileSubClientId, SqlBackupSet_t& row);
    static void copyNetworkFromSql(KelNetSQLBackupSet_t& rec, const SqlBackupSet_t& row);

private:
    bool fail(uint64_t number, const char* signature);
    bool copyError(KelLastError& from);
    // One row by where into the object; sqlCode keeps the read's result.
    bool readRow(const char* signature);
    // A read row's versions and LSN record.
    bool loadDetails();
    bool queryByWhere(const char* signature) { return readRow(signature) && loadDetails(); }
    bool resolveVersion(KelNetSQLMSVersion_t& version, unsigned long tesselId, bool sql);
    bool storeRow(const KelNetSQLBackupSet_t& request, uint64_t sqlFileSubClientId, KelNetSQLBackupSet_t& response);
    bool lookupRow(const KelNetSQLBackupSet_t& request, const char* signature);
    // The texts of a record within their columns.
    bool textsFit(const std::string& name, const std::string& description, const std::string& userName,
                  const std::string& backupSize, const char* signature);
    // The rows of one backup set, in the started transaction; a set that is
    // gone already counts as removed.
    bool removeRows(unsigned long sqlBackupSetId);
    bool removeMarks(unsigned long tesselId, const char* signature);
    void sendRemovalNotice(unsigned long sqlServerId);
    bool deleteRows(DBtable& table, const char* signature);

    KelSQLClassProperties& context_;
    long long sqlCode_ = 0;
    bool loaded_ = false;
    bool serverObject_;
    std::string where_;
    unsigned long backupSetId_ = 0;
    unsigned long mediaSetId_ = 0;
    unsigned long timeZone_ = 0;
    unsigned long compatibility_ = 0;
    unsigned long dbVersion_ = 0;
    unsigned long vendorId_ = 0;
    std::unique_ptr<KelSQLMediaSet> mediaSet_;
    std::unique_ptr<KelSQLLSN> lsn_;
    std::string name_;
    std::string description_;
    std::string userName_;
    std::string backupSize_;
    KelSQLDateAndTime startTime_;
    KelSQLDateAndTime finishTime_;
    MSVersion sqlVersion_;
    MSVersion mtfVersion_;
    uint64_t jobId_ = 0;
    unsigned long sqlFileSubClientId_ = 0;
    unsigned long sqlId_ = 0;
    unsigned long tesselId_ = 0;
    unsigned long sqlDatabaseId_ = 0;
};
