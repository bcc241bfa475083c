// One file (sqlFile row) as the catalogue held it at a point in time: its
// names, sizes, SQL Server file id and whether backup data covered it. Filled
// by its file group's browse, or by a browse of its own on the Ostrel, which
// reads the catalogue in a read-only transaction of its own. A plain value:
// no message, no context; copies carry everything.
#pragma once

#include <cstdint>
#include <string>

#include "KelSQL/KelSQLAppType.h"
#include "KelSQL/KelSQLDateAndTime.h"
#include "platform/events/KelLastError.h"

struct SqlFile_t;

class KelSQLFileBrowse {
public:
    KelSQLFileBrowse();
    KelSQLFileBrowse(unsigned long sqlFileId, unsigned long browseTime);
    KelSQLFileBrowse(const KelSQLFileBrowse& other);
    KelSQLFileBrowse& operator=(const KelSQLFileBrowse& other);
    ~KelSQLFileBrowse();

    // Id 0 stores time 0 as well; everything read is cleared.
    void initialize(unsigned long sqlFileId, unsigned long browseTime);
    // A source without id leaves this empty with browse-all off.
    void copyIn(const KelSQLFileBrowse& other);
    void copyFromSql(SqlFile_t* row, bool hasBackupData);
    void setBrowseTime(unsigned long browseTime) { browseTime_.setTime(static_cast<long>(browseTime)); }

    // Id 0 browses the object's own id; time 0 is now, with no add-time
    // bound. Without covering data (browse-all off) true with only the id and
    // time set; false with lastError on failure.
    bool browse(SIM_TimeZoneInfo_t* timeZone, unsigned long sqlFileId, unsigned long browseTime);

    unsigned long sqlFileId() const { return sqlFileId_; }
    const std::string& physicalName() const { return physicalName_; }
    const std::string& logicalName() const { return logicalName_; }
    uint64_t size() const { return size_; }
    uint64_t maxSize() const { return maxSize_; }
    uint64_t localFileId() const { return localFileId_; }
    unsigned long browseTime() const { return browseTime_.time(); }
    bool backupDataExist() const { return backupDataExist_; }
    bool sqlBrowse() const { return sqlBrowse_; }
    void sqlBrowseOn() { sqlBrowse_ = true; }
    void sqlBrowseOff() { sqlBrowse_ = false; }
    int32_t sqlCode() const { return sqlCode_; }
    KelSQLAppType& sqlAppType() { return sqlAppType_; }
    const KelSQLAppType& getSqlAppType() const { return sqlAppType_; }
    const KelLastError& lastError() const { return lastError_; }
    KelLastError& getLastError() { return lastError_; }

private:
    bool backupDataExist_ = false;
    bool sqlBrowse_ = false;
    uint64_t sqlFileId_ = 0;
    std::string physicalName_;
    std::string logicalName_;
    uint64_t size_ = 0;
    uint64_t maxSize_ = 0;
    uint64_t localFileId_ = 0;
    KelSQLDateAndTime browseTime_;
    KelLastError lastError_;
    int32_t sqlCode_ = 0;
    KelSQLAppType sqlAppType_;
};
