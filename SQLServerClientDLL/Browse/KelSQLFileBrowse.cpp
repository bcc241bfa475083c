#include "KelSQL/KelSQLFileBrowse.h"

#include "BrowseSupport.h"
#include "Db/Cursor/sql2KFileBkupData.h"
#include "Db/Cursor/sqlFileBkupData.h"
#include "Db/Tbl/sqlFile.h"
#include "KelSQL/KelSQLErrorStatus.h"

using kelsql::browse::catalogueError;
using kelsql::browse::column;

KelSQLFileBrowse::KelSQLFileBrowse() { initialize(0, 0); }

KelSQLFileBrowse::KelSQLFileBrowse(unsigned long sqlFileId, unsigned long browseTime) {
    initialize(sqlFileId, browseTime);
}

KelSQLFileBrowse::KelSQLFileBrowse(const KelSQLFileBrowse& other) { copyIn(other); }

KelSQLFileBrowse& KelSQLFileBrowse::operator=(const KelSQLFileBrowse& other) {
    if (this != &other) copyIn(other);
    return *this;
}

KelSQLFileBrowse::~KelSQLFileBrowse() = default;

void KelSQLFileBrowse::initialize(unsigned long sqlFileId, unsigned long browseTime) {
    sqlFileId_ = sqlFileId;
    browseTime_.setTime(sqlFileId != 0 ? static_cast<long>(browseTime) : 0L);
    backupDataExist_ = false;
    physicalName_.clear();
    logicalName_.clear();
    size_ = maxSize_ = localFileId_ = 0;
    sqlCode_ = 0;
    lastError_.clear();
}

void KelSQLFileBrowse::copyIn(const KelSQLFileBrowse& other) {
    if (other.sqlFileId_ == 0) {
        sqlBrowse_ = false;
        initialize(0, 0);
        return;
    }
    sqlFileId_ = other.sqlFileId_;
    physicalName_ = other.physicalName_;
    logicalName_ = other.logicalName_;
    size_ = other.size_;
    maxSize_ = other.maxSize_;
    lastError_ = other.lastError_;
    sqlCode_ = other.sqlCode_;
    browseTime_ = other.browseTime_;
    backupDataExist_ = other.backupDataExist_;
    sqlBrowse_ = other.sqlBrowse_;
    sqlAppType_ = other.sqlAppType_;
    localFileId_ = other.localFileId_;
}

void KelSQLFileBrowse::copyFromSql(SqlFile_t* row, bool hasBackupData) {
    backupDataExist_ = hasBackupData;
    sqlFileId_ = column(row->id);
    physicalName_ = row->physicalName;
    logicalName_ = row->logicalName;
    size_ = column(row->size);
    maxSize_ = column(row->maxSize);
    localFileId_ = column(row->fileId);
}

bool KelSQLFileBrowse::browse(SIM_TimeZoneInfo_t* timeZone, unsigned long sqlFileId, unsigned long browseTime) {
    const unsigned long id = sqlFileId != 0 ? sqlFileId : sqlFileId_;
    if (!idNotSet(lastError_, id, "sqlFileId", "KelSQLFileBrowse::browse(sqlFileId, browseTime)")) return false;
    initialize(id, browseTime);
    kelsql::browse::BrowseTransaction tran;
    if (!tran.started(lastError_)) return false;
    const kelsql::browse::BrowseMoment at(browseTime_, timeZone);

    // A file browsed alone counts every backup type.
    auto cover = [&](auto& query) {
        sqlCode_ = query.getOneRow(&query, false, -1, 0);
        if (sqlCode_ != 0 && sqlCode_ != 100) catalogueError(lastError_, query, sqlCode_);
        return sqlCode_;
    };
    int code;
    if (sqlAppType_.isSql7AppType()) {
        SqlFileBkupData query(tran.get());
        query.setValues(static_cast<int>(id), at.literal(), at.unixTime());
        code = cover(query);
    } else {
        Sql2KFileBkupData query(tran.get());
        query.setValues(static_cast<int>(id), at.literal(), at.unixTime(), 0);
        code = cover(query);
    }
    if (code != 0 && code != 100) return false;
    backupDataExist_ = code == 0;
    if (code == 100 && !sqlBrowse_) return true;

    SqlFile file(tran.get());
    const unsigned long t = browseTime_.time();
    if (t == 0)
        file.setWhere("id = %d", static_cast<int>(id));
    else
        file.setWhere("id = %d AND addTime <= %d ", static_cast<int>(id), static_cast<int>(t));
    sqlCode_ = file.getOneRow(&file, false, -1, 0);
    if (sqlCode_ != 0) {
        catalogueError(lastError_, file, sqlCode_);
        return false;
    }
    copyFromSql(file.getDataPtr(), backupDataExist_);
    return true;
}
