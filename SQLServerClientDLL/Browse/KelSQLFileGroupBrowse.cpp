#include "KelSQL/KelSQLFileGroupBrowse.h"

#include "BrowseSupport.h"
#include "Db/Cursor/sql2KFileBkupData.h"
#include "Db/Cursor/sql2KFileGrpBkupData.h"
#include "Db/Cursor/sqlFileBkupData.h"
#include "Db/Cursor/sqlFileGroupBkupData.h"
#include "Db/Tbl/sqlFile.h"
#include "Db/Tbl/sqlFileGroup.h"
#include "KelSQL/KelSQLErrorStatus.h"

using kelsql::browse::catalogueError;
using kelsql::browse::column;

namespace {

// In latest-backup-set mode log and differential backups do not cover.
constexpr int kLatestOnlyType = 76;

uint64_t localSeconds(const DB_DATETIME& date) {
    KelSQLDateAndTime t;
    t.setTime(reinterpret_cast<const TIMESTAMP_STRUCT&>(date));
    return t.time();
}

}  // namespace

KelSQLFileGroupBrowse::KelSQLFileGroupBrowse() { initialize(0, 0); }

KelSQLFileGroupBrowse::KelSQLFileGroupBrowse(unsigned long sqlFileGroupId, unsigned long browseTime) {
    initialize(sqlFileGroupId, browseTime);
}

KelSQLFileGroupBrowse::KelSQLFileGroupBrowse(const KelSQLFileGroupBrowse& other) : KelSQLBrowseDepth() {
    copyIn(other);
}

KelSQLFileGroupBrowse& KelSQLFileGroupBrowse::operator=(const KelSQLFileGroupBrowse& other) {
    if (this != &other) copyIn(other);
    return *this;
}

KelSQLFileGroupBrowse::~KelSQLFileGroupBrowse() = default;

void KelSQLFileGroupBrowse::initialize(unsigned long sqlFileGroupId, unsigned long browseTime) {
    sqlFileGroupId_ = sqlFileGroupId;
    browseTime_.setTime(sqlFileGroupId != 0 ? static_cast<long>(browseTime) : 0L);
    backupDataExist_ = false;
    fileGroupName_.clear();
    sqlCode_ = 0;
    localFgId_ = localBkpSetId_ = 0;
    lastError_.clear();
    fileList_.clear();
    fileCoverage_.clear();
    fileBackupSetList_.clear();
}

void KelSQLFileGroupBrowse::copyIn(const KelSQLFileGroupBrowse& other) {
    latestBackupSetOnly_ = other.latestBackupSetOnly_;
    if (other.sqlFileGroupId_ == 0) {
        sqlBrowse_ = false;
        KelSQLBrowseDepth::setBrowseDepth(KelSQL_BrowseFiles);
        sqlAppType_.setSql7AppType();
        initialize(0, 0);
        return;
    }
    sqlFileGroupId_ = other.sqlFileGroupId_;
    browseTime_ = other.browseTime_;
    fileGroupName_ = other.fileGroupName_;
    localFgId_ = other.localFgId_;
    localBkpSetId_ = other.localBkpSetId_;
    sqlCode_ = other.sqlCode_;
    lastError_ = other.lastError_;
    fileList_ = other.fileList_;
    fileCoverage_ = other.fileCoverage_;
    KelSQLBrowseDepth::setBrowseDepth(other.browseDepth());
    backupDataExist_ = other.backupDataExist_;
    sqlBrowse_ = other.sqlBrowse_;
    sqlAppType_ = other.sqlAppType_;
}

bool KelSQLFileGroupBrowse::setBrowseDepth(KelSQL_SqlBrowseDepth depth) {
    if (depth < KelSQL_BrowseFileGroups) {
        lastError_.setNumber(kelsql::kErrBrowseDepth);
        lastError_.addArgument("KelSQLFileGroupBrowse::setBrowseDepth(depth)");
        return false;
    }
    KelSQLBrowseDepth::setBrowseDepth(depth);
    return true;
}

std::vector<KelSQLFileBrowse>* KelSQLFileGroupBrowse::getFileList(SIM_TimeZoneInfo_t* timeZone,
                                                                  unsigned long sqlFileGroupId,
                                                                  unsigned long browseTime) {
    if (!fileList_.empty()) return &fileList_;
    if (browseDepth() < KelSQL_BrowseFiles) KelSQLBrowseDepth::setBrowseDepth(KelSQL_BrowseFiles);
    return browse(timeZone, sqlFileGroupId, browseTime);
}

std::vector<KelSQLFileBrowse>* KelSQLFileGroupBrowse::browse(SIM_TimeZoneInfo_t* timeZone,
                                                             unsigned long sqlFileGroupId, unsigned long browseTime) {
    const unsigned long id = sqlFileGroupId != 0 ? sqlFileGroupId : sqlFileGroupId_;
    if (!idNotSet(lastError_, id, "sqlFileGroupId", "KelSQLFileGroupBrowse::browse(sqlFileGroupId, browseTime)"))
        return nullptr;
    initialize(id, browseTime);
    kelsql::browse::BrowseTransaction tran;
    if (!tran.started(lastError_)) return nullptr;
    const kelsql::browse::BrowseMoment at(browseTime_, timeZone);

    bool covered = false;
    if (!readGroup(tran.get(), at.literal(), at.unixTime(), covered)) return nullptr;
    if (!covered && !sqlBrowse_) return &fileList_;
    if (browseDepth() < KelSQL_BrowseFiles) return &fileList_;
    if (!listFiles(tran.get(), at.literal(), at.unixTime())) return nullptr;
    if (latestBackupSetOnly_) collapseFiles();
    return &fileList_;
}

bool KelSQLFileGroupBrowse::readGroup(DBtran* tran, const char* literal, int unixTime, bool& covered) {
    const int id = static_cast<int>(sqlFileGroupId_);
    if (sqlAppType_.isSql7AppType()) {
        SqlFileGroupBkupData query(tran);
        query.setValues(id, literal, unixTime);
        sqlCode_ = query.getOneRow(&query, false, -1, 0);
        if (sqlCode_ != 0 && sqlCode_ != 100) {
            catalogueError(lastError_, query, sqlCode_);
            return false;
        }
    } else {
        Sql2KFileGrpBkupData query(tran);
        query.setValues(id, literal, unixTime, latestBackupSetOnly_ ? kLatestOnlyType : 0);
        sqlCode_ = query.getOneRow(&query, false, -1, 0);
        if (sqlCode_ != 0 && sqlCode_ != 100) {
            catalogueError(lastError_, query, sqlCode_);
            return false;
        }
        if (sqlCode_ == 0) localBkpSetId_ = column(query.getDataPtr()->sqlBackupSetId);
    }
    covered = sqlCode_ == 0;
    backupDataExist_ = covered;
    if (!covered && !sqlBrowse_) return true;

    SqlFileGroup group(tran);
    group.setWhere("id=%d", id);
    sqlCode_ = group.getOneRow(&group, false, -1, 0);
    if (sqlCode_ != 0) {
        catalogueError(lastError_, group, sqlCode_);
        return false;
    }
    fileGroupName_ = group.getDataPtr()->fileGroupName;
    localFgId_ = column(group.getDataPtr()->groupId);
    return true;
}

bool KelSQLFileGroupBrowse::listFiles(DBtran* tran, const char* literal, int unixTime) {
    KelSQLFileBrowse working;
    working.sqlAppType() = sqlAppType_;
    if (sqlBrowse_) working.sqlBrowseOn();
    const unsigned long t = browseTime_.time();
    working.setBrowseTime(t);
    const int type = latestBackupSetOnly_ ? kLatestOnlyType : 0;

    SqlFile files(tran);
    if (t != 0)
        files.setWhere("sqlFileGroupId = %d AND addTime <= %d ", static_cast<int>(sqlFileGroupId_),
                       static_cast<int>(t));
    else
        files.setWhere("sqlFileGroupId = %d", static_cast<int>(sqlFileGroupId_));
    sqlCode_ = files.openCursor();
    if (sqlCode_ == 100) return true;
    if (sqlCode_ != 0) {
        catalogueError(lastError_, files, sqlCode_);
        return false;
    }
    SqlFile_t* row = files.getDataPtr();
    while ((sqlCode_ = files.fetchCursor(true)) == 0) {
        FileCoverage coverage;
        KelSQLFileBackupSetListEntry entry;
        if (sqlAppType_.isSql7AppType()) {
            SqlFileBkupData query(tran);
            query.setValues(row->id, literal, unixTime);
            sqlCode_ = query.getOneRow(&query, false, -1, 0);
            if (sqlCode_ != 0 && sqlCode_ != 100) {
                catalogueError(lastError_, query, sqlCode_);
                return false;
            }
        } else {
            Sql2KFileBkupData query(tran);
            query.setValues(row->id, literal, unixTime, type);
            sqlCode_ = query.getOneRow(&query, false, -1, 0);
            if (sqlCode_ != 0 && sqlCode_ != 100) {
                catalogueError(lastError_, query, sqlCode_);
                return false;
            }
            if (sqlCode_ == 0) {
                const Sql2KFileBkupData_t& found = *query.getDataPtr();
                entry.sqlBackupSetId = column(found.sqlBackupSetId);
                entry.startTime = localSeconds(found.startTime);
                entry.finishTime = localSeconds(found.finishTime);
                coverage = {entry.sqlBackupSetId, true};
            }
        }
        if (sqlCode_ == 100 && !sqlBrowse_) continue;
        if (coverage.listed) fileBackupSetList_.push_back(entry);
        working.copyFromSql(row, sqlCode_ == 0);
        fileList_.push_back(working);
        fileCoverage_.push_back(coverage);
    }
    files.closeCursor();
    if (sqlCode_ != 100) {
        fileList_.clear();
        fileCoverage_.clear();
        catalogueError(lastError_, files, sqlCode_);
        return false;
    }
    return true;
}

// Of files with one SQL Server file id, only those covered by the newest
// backup set stay, each file compared through its own covering set; files
// without one take no part. The backup-set list loses the entries of the
// files that go.
void KelSQLFileGroupBrowse::collapseFiles() {
    std::vector<uint64_t> keys, values;
    std::vector<bool> takesPart;
    for (size_t i = 0; i < fileList_.size(); ++i) {
        keys.push_back(fileList_[i].localFileId());
        const bool listed = i < fileCoverage_.size() && fileCoverage_[i].listed;
        values.push_back(listed ? fileCoverage_[i].sqlBackupSetId : 0);
        takesPart.push_back(listed);
    }
    const std::vector<bool> keep = kelsql::browse::keepLatest(keys, values, takesPart);
    std::vector<bool> keepEntry;
    for (size_t i = 0; i < keep.size(); ++i)
        if (takesPart[i]) keepEntry.push_back(keep[i]);
    kelsql::browse::eraseDropped(fileList_, keep);
    kelsql::browse::eraseDropped(fileCoverage_, keep);
    kelsql::browse::eraseDropped(fileBackupSetList_, keepEntry);
}
