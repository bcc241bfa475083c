// Two reports of a database's backup history on the Ostrel: the active chain
// (the backups linked by their LSNs to the newest backup, through an
// unbroken line of full backups, newest first) and the inactive list (every
// other backup, newest first); and the media entries of one backup set. The
// reports read the catalogue in a read transaction of their own.
//
// The context is borrowed and outlives the object; one thread uses it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "KelSQL/KelSQLDatabaseLSNList.h"
#include "KelSQL/KelSQLDateAndTime.h"

class DBtable;
class SqlBackupSet;
struct SqlBackupSet_t;
struct SqlLSNs_t;

// One report row: a backup set joined with its LSN row.
struct KelSQLDatabaseBackupSetRecord_t {
    uint64_t sqlBackupSetId = 0;
    uint64_t sqlFileSubClientId = 0;
    int64_t jobId = 0;
    uint64_t backupType = 0;  // the type letter's code
    uint64_t backupSetId = 0;
    uint64_t timeZone = 0;
    uint64_t compatibility = 0;
    uint64_t dbVersion = 0;
    uint64_t sqlVersionId = 0;
    uint64_t mtfVersionId = 0;
    uint64_t streams = 0;
    std::string description;
    std::string userName;
    std::string backupSize;
    TIMESTAMP_STRUCT seltraStartTime{};
    TIMESTAMP_STRUCT seltraFinishTime{};
    std::string fullBackupLSN;
    std::string checkpointLSN;
    std::string lastLSN;
    std::string firstLSN;
    TIMESTAMP_STRUCT startTime{};
    TIMESTAMP_STRUCT finishTime{};
};

// One media entry of a backup set.
struct KelSQLDatabaseArchiveSetRecord_t {
    uint64_t id = 0;
    uint64_t sequenceNumber = 0;
    uint64_t archiveGroup = 0;
    uint64_t archiveFile = 0;
};

class KelSQLDatabaseReports {
public:
    explicit KelSQLDatabaseReports(KelSQLClassProperties& context);
    KelSQLDatabaseReports(const KelSQLDatabaseReports&) = delete;
    KelSQLDatabaseReports& operator=(const KelSQLDatabaseReports&) = delete;

    // Both lists of the database; true when both are complete. A full that
    // leads back to one already placed ends the active list.
    bool createChainReports(unsigned long sqlDatabaseId);
    // The active list of that database: built first unless the reports of
    // that very database are built already (the error tells of a failed
    // build; the list is then empty or partial).
    std::vector<KelSQLDatabaseBackupSetRecord_t>& activeLSNChain(unsigned long sqlDatabaseId);
    std::vector<KelSQLDatabaseBackupSetRecord_t>& inactiveLSNChain() { return inactive_; }
    bool getArchiveSetList(unsigned long sqlBackupSetId, std::vector<KelSQLDatabaseArchiveSetRecord_t>& archiveSetList);
    void initializeChainReports();
    KelLastError& getLastError() { return error_; }

private:
    bool fail(uint64_t number, const char* signature);
    bool tableError(DBtable& table, long long code);
    // The walk of the active list from the newest row.
    bool activeWalk(DBtran& tran, SqlBackupSet& sets, SqlLSNs_t current);
    bool inactiveList(DBtran& tran);
    void copyActiveLSN(const SqlLSNs_t& row);
    void copyActiveBackupSet(const SqlBackupSet_t& row);

    KelSQLClassProperties& context_;
    KelLastError error_;
    long long sqlCode_ = 0;
    KelSQLDateAndTime time_;
    KelSQLDatabaseBackupSetRecord_t work_;
    KelSQLBackupSetAppType appType_;
    uint64_t sqlDatabaseId_ = 0;
    bool built_ = false;
    std::vector<KelSQLDatabaseBackupSetRecord_t> active_;
    std::vector<KelSQLDatabaseBackupSetRecord_t> inactive_;
};
