// The LSN record of one backup set: a row of table sqlLSNs (one per backup
// set, keyed by it) telling where the backup lies in the database's log. It
// is also the message that carries its own operations: an agent stores the
// row after the backup set's and loads it by request; the Ostrel answers on
// a record built in reply mode.
//
// The context is borrowed and outlives the record.
#pragma once

#include <cstdint>
#include <string>

#include "KelSQL/KelNetSQLLSN.h"

class SqlLSNs;
struct SqlLSNs_t;

// Backup type letters, stored as their character codes.
enum KelSQLBackupType : uint64_t {
    KelSQLBackupTypeDatabase = 'D',
    KelSQLBackupTypeSnapshot = 'd',
    KelSQLBackupTypeDifferential = 'I',
    KelSQLBackupTypeLog = 'L',
    KelSQLBackupTypeFileGroup = 'F',
    KelSQLBackupTypeFileDifferential = 'G',
};

// The order of two LSNs as non-negative decimal integers of any length
// (leading blanks skipped, read up to the first non-digit, leading zeros
// ignored; no digits reads as 0): 0 equal, -1 when b is greater, else 1.
// Exact: neighbouring LSNs of any length never compare equal.
int compareLSN(const char* a, const char* b);

class KelSQLLSN : public KelNetSQLLSN {
public:
    // LSN texts hold at most this many characters (the column's width).
    static constexpr size_t kLSNMax = 32;

    KelSQLLSN(KelSQLClassProperties& context, bool serverObject);
    KelSQLLSN(const KelSQLLSN&) = delete;
    KelSQLLSN& operator=(const KelSQLLSN&) = delete;

    void initializeSQLObject();

    // Agent: sends the record (DBCode 4) with the three ids.
    bool insert(unsigned long tesselId, unsigned long sqlDatabaseId, unsigned long sqlBackupSetId);
    // Agent: whether insert would send the record for a backup set of that
    // database (ids given, record complete, every text within its field);
    // the error says why not. A backup set asks before it sends itself.
    bool insertable(unsigned long tesselId, unsigned long sqlDatabaseId);
    // Ostrel, reply mode only, in the started transaction: stores the
    // request's record unless the backup set has its row already (0x1E000066).
    bool insert(const KelNetSQLLSN_t& request, KelNetSQLLSN_t& response);
    // The row of a backup set: read here on the Ostrel or an agent that
    // needs no connection, else by request (DBCode 1).
    bool query(unsigned long sqlBackupSetId);
    bool lookup(const KelNetSQLLSN_t& request, KelNetSQLLSN_t& response);

    // Loaded, or complete enough to be stored (then it counts as loaded).
    bool isSQLObjectInitialized();

    void setFirst(const std::string& lsn) { first_ = lsn; }
    void setLast(const std::string& lsn) { last_ = lsn; }
    void setCheckpoint(const std::string& lsn) { checkpoint_ = lsn; }
    void setDatabase(const std::string& lsn) { database_ = lsn; }
    void setBackupType(uint64_t type) { backupType_ = type; }
    void setStartTime(const KelNetSQLDateTime_t* t) { startTime_ = t ? *t : KelNetSQLDateTime_t(); }
    void setFinishTime(const KelNetSQLDateTime_t* t) { finishTime_ = t ? *t : KelNetSQLDateTime_t(); }

    const KelNetSQLDateTime_t& startTime() const { return startTime_; }
    const KelNetSQLDateTime_t& finishTime() const { return finishTime_; }
    uint64_t backupType() const { return backupType_; }
    const std::string& first() const { return first_; }
    const std::string& last() const { return last_; }
    const std::string& checkpoint() const { return checkpoint_; }
    const std::string& database() const { return database_; }
    unsigned long sqlBackupSetId() const { return sqlBackupSetId_; }
    unsigned long sqlDatabaseId() const { return sqlDatabaseId_; }
    unsigned long tesselId() const { return tesselId_; }
    bool isBackupTypeDatabase() const {
        return backupType_ == KelSQLBackupTypeDatabase || backupType_ == KelSQLBackupTypeSnapshot;
    }
    bool isBackupTypeFileGroup() const { return backupType_ == KelSQLBackupTypeFileGroup; }
    long long sqlCode() const { return sqlCode_; }

    // Copies between the object, the wire record and the row.
    void copyFromSql(const SqlLSNs_t& row);
    [[nodiscard]] bool copyToSql(SqlLSNs_t& row);
    void copyFromNetwork(const KelNetSQLLSN_t& rec);
    [[nodiscard]] bool copyToNetwork(KelNetSQLLSN_t& rec);
    static void copyNetworkToSql(const KelNetSQLLSN_t& rec, SqlLSNs_t& row);
    static void copyNetworkFromSql(KelNetSQLLSN_t& rec, const SqlLSNs_t& row);

private:
    bool fail(uint64_t number, const char* signature);
    bool catalogueError(const char* signature, SqlLSNs& table);
    // Each LSN text within its column; else 0x1E000037 naming the field.
    bool lsnTextsFit(const std::string* texts, const char* signature);
    bool checkInsert(unsigned long tesselId, unsigned long sqlDatabaseId, const unsigned long* sqlBackupSetId,
                     const char* signature);

    KelSQLClassProperties& context_;
    long long sqlCode_ = 0;
    bool loaded_ = false;
    bool serverObject_;
    std::string where_;
    unsigned long sqlBackupSetId_ = 0;
    unsigned long sqlDatabaseId_ = 0;
    unsigned long tesselId_ = 0;
    KelNetSQLDateTime_t startTime_;
    KelNetSQLDateTime_t finishTime_;
    uint64_t backupType_ = 0;
    std::string first_;
    std::string last_;
    std::string checkpoint_;
    std::string database_;
};
