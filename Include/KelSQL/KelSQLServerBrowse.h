// One SQL Server instance (sqlServer row) as the catalogue held it at a point
// in time: whether it had a full backup and backup data by then, its name,
// and from depth 2 the databases added by then, each browsed in turn. Also
// answers which full database backups the archive holds at a time, for a
// selective copy. Runs on the Ostrel, reading the catalogue itself. A plain
// value: no message, no context; copies carry the browsed subtree but never
// the selective-copy list.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "KelSQL/KelSQLAppType.h"
#include "KelSQL/KelSQLDatabaseBrowse.h"
#include "KelSQL/KelSQLDateAndTime.h"
#include "KelSQL/KelSQLValues.h"
#include "platform/events/KelLastError.h"

class DBtran;

// A database file that a full backup holds.
struct KelSQLFileListForSelectiveCopy {
    uint64_t sqlFileId = 0;
    uint64_t sqlFileGroupId = 0;
    std::string logicalName;
    std::string physicalName;
    uint32_t size = 0;
    uint32_t maxSize = 0;
};

// A full database backup the archive holds at the time asked about.
struct KelSQLDatabaseForSelectiveCopy {
    uint64_t sqlDatabaseId = 0;
    uint64_t sqlBackupSetId = 0;
    std::string databaseName;
    uint64_t systemFlags = 0;
    uint64_t finishTime = 0;  // local time, seconds since 1970
    uint64_t backupType = 0;  // 68 or 100
    std::vector<KelSQLFileListForSelectiveCopy> fileList;
};

class KelSQLServerBrowse : public KelSQLBrowseDepth {
public:
    KelSQLServerBrowse();
    KelSQLServerBrowse(unsigned long sqlServerId, unsigned long browseTime);
    KelSQLServerBrowse(const KelSQLServerBrowse& other);
    KelSQLServerBrowse& operator=(const KelSQLServerBrowse& other);
    ~KelSQLServerBrowse();

    // Leaves the selective-copy list as it is.
    void initialize(unsigned long sqlServerId, unsigned long browseTime);
    void copyIn(const KelSQLServerBrowse& other);
    // Below 1 gives 0x1E00006C and false.
    bool setBrowseDepth(KelSQL_SqlBrowseDepth depth);

    // Id 0 browses the object's own id; time 0 is now, with no add-time
    // bound. Null with lastError on failure; without a full backup (browse-all
    // off) the empty list.
    std::vector<KelSQLDatabaseBrowse>* browse(SIM_TimeZoneInfo_t* timeZone, unsigned long sqlServerId,
                                              unsigned long browseTime);
    // The list as it is when it holds databases, else a browse at depth 2 at
    // least.
    std::vector<KelSQLDatabaseBrowse>* getDatabaseList(SIM_TimeZoneInfo_t* timeZone, unsigned long sqlServerId,
                                                       unsigned long browseTime);

    // The full backups the archive holds at browseTime (0: now, one instant
    // for every database) of one database, or of every configured database
    // of the instance, with their files when asked. procedureArgument goes to
    // archFileByTime as its seventh parameter. A database without an archive
    // file at the time is left out. Null on failure: with 0x1E000033 when a
    // row is missing or unreadable; with lastError untouched when there is
    // nothing to examine, the archive query fails or the archive file holds
    // no full database backup.
    std::vector<KelSQLDatabaseForSelectiveCopy>* getDatabaseListForSelectiveCopy(
        unsigned long reserved, unsigned long sqlServerId, unsigned long sqlDatabaseId, unsigned long browseTime,
        unsigned long procedureArgument, bool withFiles);

    unsigned long sqlServerId() const { return sqlServerId_; }
    const std::string& serverName() const { return serverName_; }
    unsigned long browseTime() const { return browseTime_.time(); }
    std::vector<KelSQLDatabaseBrowse>& databaseList() { return databaseList_; }
    std::vector<KelSQLDatabaseForSelectiveCopy>& selectiveCopyList() { return selectiveCopyList_; }
    bool backupDataExist() const { return backupDataExist_; }
    bool sqlBrowse() const { return sqlBrowse_; }
    void sqlBrowseOn() { sqlBrowse_ = true; }
    void sqlBrowseOff() { sqlBrowse_ = false; }
    long long sqlCode() const { return sqlCode_; }
    KelSQLAppType& sqlAppType() { return sqlAppType_; }
    const KelSQLAppType& getSqlAppType() const { return sqlAppType_; }
    const KelLastError& lastError() const { return lastError_; }
    KelLastError& getLastError() { return lastError_; }

private:
    // Steps of browse; each false with lastError set.
    bool readInstance(DBtran* tran, const char* literal, int unixTime, bool& listed);
    bool listDatabases(DBtran* tran, SIM_TimeZoneInfo_t* timeZone);
    // One database of the selective copy: 1 added, 0 left out, -1 failed.
    int selectiveCopyEntry(unsigned long sqlDatabaseId, unsigned long& browseTime, unsigned long procedureArgument,
                           bool withFiles);
    bool selectiveCopyFiles(KelSQLDatabaseForSelectiveCopy& entry);

    bool backupDataExist_ = false;
    bool sqlBrowse_ = false;
    uint64_t sqlServerId_ = 0;
    std::string serverName_;
    long long sqlCode_ = 0;
    KelSQLDateAndTime browseTime_;
    std::vector<KelSQLDatabaseBrowse> databaseList_;
    KelLastError lastError_;
    KelSQLAppType sqlAppType_;
    std::vector<KelSQLDatabaseForSelectiveCopy> selectiveCopyList_;
};
