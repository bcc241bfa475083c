// One file group (sqlFileGroup row) as the catalogue held it at a point in
// time: whether backup data covered it, its name and SQL Server group id, and
// from depth 4 its files, each with its own coverage. SQL Server 7 instances
// use the plain coverage queries; later ones also learn the newest covering
// backup set. Runs on the Ostrel in a read-only transaction of its own. A
// plain value: no message, no context; copies carry the file list.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "KelSQL/KelSQLAppType.h"
#include "KelSQL/KelSQLDateAndTime.h"
#include "KelSQL/KelSQLFileBrowse.h"
#include "KelSQL/KelSQLValues.h"
#include "platform/events/KelLastError.h"

class DBtran;

// The newest backup set covering a listed file, its LSN start and finish
// (local time, seconds since 1970).
struct KelSQLFileBackupSetListEntry {
    uint64_t sqlBackupSetId = 0;
    uint64_t startTime = 0;
    uint64_t finishTime = 0;
};
static_assert(sizeof(KelSQLFileBackupSetListEntry) == 24, "KelSQLFileBackupSetListEntry size");

class KelSQLFileGroupBrowse : public KelSQLBrowseDepth {
public:
    KelSQLFileGroupBrowse();
    KelSQLFileGroupBrowse(unsigned long sqlFileGroupId, unsigned long browseTime);
    // The backup-set list is not copied: a copy starts without one and an
    // assignment keeps the target's.
    KelSQLFileGroupBrowse(const KelSQLFileGroupBrowse& other);
    KelSQLFileGroupBrowse& operator=(const KelSQLFileGroupBrowse& other);
    ~KelSQLFileGroupBrowse();

    void initialize(unsigned long sqlFileGroupId, unsigned long browseTime);
    void copyIn(const KelSQLFileGroupBrowse& other);
    // Below 3 gives 0x1E00006C and false.
    bool setBrowseDepth(KelSQL_SqlBrowseDepth depth);

    // Id 0 browses the object's own id; time 0 is now, with no add-time
    // bound. Null with lastError on failure; without covering data (browse-all
    // off) the empty list.
    std::vector<KelSQLFileBrowse>* browse(SIM_TimeZoneInfo_t* timeZone, unsigned long sqlFileGroupId,
                                          unsigned long browseTime);
    // The list as it is when it holds files, else a browse at depth 4 at least.
    std::vector<KelSQLFileBrowse>* getFileList(SIM_TimeZoneInfo_t* timeZone, unsigned long sqlFileGroupId,
                                               unsigned long browseTime);

    unsigned long sqlFileGroupId() const { return sqlFileGroupId_; }
    const std::string& fileGroupName() const { return fileGroupName_; }
    uint64_t localFgId() const { return localFgId_; }
    uint64_t localBkpSetId() const { return localBkpSetId_; }
    unsigned long browseTime() const { return browseTime_.time(); }
    std::vector<KelSQLFileBrowse>& fileList() { return fileList_; }
    const std::vector<KelSQLFileBackupSetListEntry>& fileBackupSetList() const { return fileBackupSetList_; }
    bool backupDataExist() const { return backupDataExist_; }
    bool sqlBrowse() const { return sqlBrowse_; }
    void sqlBrowseOn() { sqlBrowse_ = true; }
    void sqlBrowseOff() { sqlBrowse_ = false; }
    long long sqlCode() const { return sqlCode_; }
    KelSQLAppType& sqlAppType() { return sqlAppType_; }
    const KelSQLAppType& getSqlAppType() const { return sqlAppType_; }
    const KelLastError& lastError() const { return lastError_; }
    KelLastError& getLastError() { return lastError_; }
    // Latest-backup-set mode: log and differential backups do not cover, and
    // of files with one SQL Server file id only the newest covered stays.
    bool latestBackupSetOnly() const { return latestBackupSetOnly_; }
    void setLatestBackupSetOnly(bool on) { latestBackupSetOnly_ = on; }

private:
    // What covered a listed file, kept beside it in the same position, so
    // that the collapse never reads another file's backup set.
    struct FileCoverage {
        uint64_t sqlBackupSetId = 0;
        bool listed = false;  // has its entry in fileBackupSetList_
    };

    // Steps of browse; each false with lastError set.
    bool readGroup(DBtran* tran, const char* literal, int unixTime, bool& covered);
    bool listFiles(DBtran* tran, const char* literal, int unixTime);
    void collapseFiles();

    bool backupDataExist_ = false;
    bool sqlBrowse_ = false;
    uint64_t sqlFileGroupId_ = 0;
    std::string fileGroupName_;
    long long sqlCode_ = 0;
    uint64_t localFgId_ = 0;
    uint64_t localBkpSetId_ = 0;
    KelSQLDateAndTime browseTime_;
    std::vector<KelSQLFileBrowse> fileList_;
    KelLastError lastError_;
    KelSQLAppType sqlAppType_;
    std::vector<KelSQLFileBackupSetListEntry> fileBackupSetList_;
    bool latestBackupSetOnly_ = false;
    std::vector<FileCoverage> fileCoverage_;
};
