// One database (sqlDatabase row) as the catalogue held it at a point in time:
// whether a full backup existed by then, whether backup data covered it, its
// name and from depth 3 its file groups, each browsed in turn. Runs on the
// Ostrel in a read-only transaction of its own. A plain value: no message,
// no context; copies carry the whole subtree.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "KelSQL/KelSQLAppType.h"
#include "KelSQL/KelSQLDateAndTime.h"
#include "KelSQL/KelSQLFileGroupBrowse.h"
#include "KelSQL/KelSQLValues.h"
#include "platform/events/KelLastError.h"

class DBtran;

class KelSQLDatabaseBrowse : public KelSQLBrowseDepth {
public:
    KelSQLDatabaseBrowse();
    KelSQLDatabaseBrowse(unsigned long sqlDatabaseId, unsigned long browseTime);
    // Latest-backup-set mode is not copied: a copy starts with it off and an
    // assignment keeps the target's.
    KelSQLDatabaseBrowse(const KelSQLDatabaseBrowse& other);
    KelSQLDatabaseBrowse& operator=(const KelSQLDatabaseBrowse& other);
    ~KelSQLDatabaseBrowse();

    void initialize(unsigned long sqlDatabaseId, unsigned long browseTime);
    void copyIn(const KelSQLDatabaseBrowse& other);
    // Below 2 gives 0x1E00006C and false.
    bool setBrowseDepth(KelSQL_SqlBrowseDepth depth);

    // Id 0 browses the object's own id; time 0 is now, with no add-time
    // bound. Null with lastError on failure; without a full backup or
    // covering data (browse-all off) the empty list.
    std::vector<KelSQLFileGroupBrowse>* browse(SIM_TimeZoneInfo_t* timeZone, unsigned long sqlDatabaseId,
                                               unsigned long browseTime);
    // The list as it is when it holds file groups, else a browse at depth 3
    // at least.
    std::vector<KelSQLFileGroupBrowse>* getFileGroupList(SIM_TimeZoneInfo_t* timeZone, unsigned long sqlDatabaseId,
                                                         unsigned long browseTime);

    unsigned long sqlDatabaseId() const { return sqlDatabaseId_; }
    const std::string& databaseName() const { return databaseName_; }
    unsigned long browseTime() const { return browseTime_.time(); }
    std::vector<KelSQLFileGroupBrowse>& fileGroupList() { return fileGroupList_; }
    bool backupDataExist() const { return backupDataExist_; }
    bool sqlBrowse() const { return sqlBrowse_; }
    void sqlBrowseOn() { sqlBrowse_ = true; }
    void sqlBrowseOff() { sqlBrowse_ = false; }
    long long sqlCode() const { return sqlCode_; }
    KelSQLAppType& sqlAppType() { return sqlAppType_; }
    const KelSQLAppType& getSqlAppType() const { return sqlAppType_; }
    const KelLastError& lastError() const { return lastError_; }
    KelLastError& getLastError() { return lastError_; }
    // Latest-backup-set mode: no full-backup check, and of file groups with
    // one SQL Server group id only those of the newest covering set stay.
    bool latestBackupSetOnly() const { return latestBackupSetOnly_; }
    void setLatestBackupSetOnly(bool on) { latestBackupSetOnly_ = on; }

private:
    // Steps of browse; each false with lastError set.
    bool readDatabase(DBtran* tran, const char* literal, int unixTime, bool& listed);
    bool listFileGroups(SIM_TimeZoneInfo_t* timeZone);
    void collapseFileGroups();

    bool backupDataExist_ = false;
    bool sqlBrowse_ = false;
    uint64_t sqlDatabaseId_ = 0;
    std::string databaseName_;
    long long sqlCode_ = 0;
    KelSQLDateAndTime browseTime_;
    std::vector<KelSQLFileGroupBrowse> fileGroupList_;
    KelLastError lastError_;
    KelSQLAppType sqlAppType_;
    bool latestBackupSetOnly_ = false;
};
