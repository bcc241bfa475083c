#include "KelSQL/KelSQLDatabaseBrowse.h"

#include "BrowseSupport.h"
#include "Db/Cursor/sqlCheckForFullFullBackup.h"
#include "Db/Cursor/sqlDatabaseBkupData.h"
#include "Db/Tbl/sqlDatabase.h"
#include "Db/Tbl/sqlFileGroup.h"
#include "KelSQL/KelSQLErrorStatus.h"

using kelsql::browse::catalogueError;
using kelsql::browse::column;

KelSQLDatabaseBrowse::KelSQLDatabaseBrowse() {
    KelSQLBrowseDepth::setBrowseDepth(KelSQL_BrowseFileGroups);
    initialize(0, 0);
}

KelSQLDatabaseBrowse::KelSQLDatabaseBrowse(unsigned long sqlDatabaseId, unsigned long browseTime) {
    KelSQLBrowseDepth::setBrowseDepth(KelSQL_BrowseFileGroups);
    initialize(sqlDatabaseId, browseTime);
}

KelSQLDatabaseBrowse::KelSQLDatabaseBrowse(const KelSQLDatabaseBrowse& other) : KelSQLBrowseDepth() {
    copyIn(other);
}

KelSQLDatabaseBrowse& KelSQLDatabaseBrowse::operator=(const KelSQLDatabaseBrowse& other) {
    if (this != &other) copyIn(other);
    return *this;
}

KelSQLDatabaseBrowse::~KelSQLDatabaseBrowse() = default;

void KelSQLDatabaseBrowse::initialize(unsigned long sqlDatabaseId, unsigned long browseTime) {
    sqlDatabaseId_ = sqlDatabaseId;
    browseTime_.setTime(sqlDatabaseId != 0 ? static_cast<long>(browseTime) : 0L);
    backupDataExist_ = false;
    databaseName_.clear();
    sqlCode_ = 0;
    lastError_.clear();
    fileGroupList_.clear();
}

void KelSQLDatabaseBrowse::copyIn(const KelSQLDatabaseBrowse& other) {
    if (other.sqlDatabaseId_ == 0) {
        sqlBrowse_ = false;
        KelSQLBrowseDepth::setBrowseDepth(KelSQL_BrowseFileGroups);
        sqlAppType_.setSql7AppType();
        initialize(0, 0);
        return;
    }
    sqlDatabaseId_ = other.sqlDatabaseId_;
    browseTime_ = other.browseTime_;
    databaseName_ = other.databaseName_;
    sqlCode_ = other.sqlCode_;
    lastError_ = other.lastError_;
    fileGroupList_ = other.fileGroupList_;
    KelSQLBrowseDepth::setBrowseDepth(other.browseDepth());
    backupDataExist_ = other.backupDataExist_;
    sqlBrowse_ = other.sqlBrowse_;
    sqlAppType_ = other.sqlAppType_;
}

bool KelSQLDatabaseBrowse::setBrowseDepth(KelSQL_SqlBrowseDepth depth) {
    if (depth < KelSQL_BrowseDatabases) {
        lastError_.setNumber(kelsql::kErrBrowseDepth);
        lastError_.addArgument("KelSQLDatabaseBrowse::setBrowseDepth(depth)");
        return false;
    }
    KelSQLBrowseDepth::setBrowseDepth(depth);
    return true;
}

std::vector<KelSQLFileGroupBrowse>* KelSQLDatabaseBrowse::getFileGroupList(SIM_TimeZoneInfo_t* timeZone,
                                                                           unsigned long sqlDatabaseId,
                                                                           unsigned long browseTime) {
    if (!fileGroupList_.empty()) return &fileGroupList_;
    if (browseDepth() < KelSQL_BrowseFileGroups) KelSQLBrowseDepth::setBrowseDepth(KelSQL_BrowseFileGroups);
    return browse(timeZone, sqlDatabaseId, browseTime);
}

std::vector<KelSQLFileGroupBrowse>* KelSQLDatabaseBrowse::browse(SIM_TimeZoneInfo_t* timeZone,
                                                                 unsigned long sqlDatabaseId,
                                                                 unsigned long browseTime) {
    const unsigned long id = sqlDatabaseId != 0 ? sqlDatabaseId : sqlDatabaseId_;
    if (!idNotSet(lastError_, id, "sqlDatabaseId", "KelSQLDatabaseBrowse::browse(sqlDatabaseId, browseTime)"))
        return nullptr;
    initialize(id, browseTime);
    kelsql::browse::BrowseTransaction tran;
    if (!tran.started(lastError_)) return nullptr;
    const kelsql::browse::BrowseMoment at(browseTime_, timeZone);

    bool listed = false;
    if (!readDatabase(tran.get(), at.literal(), at.unixTime(), listed)) return nullptr;
    if (!listed || browseDepth() < KelSQL_BrowseFileGroups) return &fileGroupList_;
    if (!listFileGroups(timeZone)) return nullptr;
    if (latestBackupSetOnly_) collapseFileGroups();
    return &fileGroupList_;
}

// The full-backup check (not in latest-backup-set mode), the coverage and
// the row; listed stays false when the database is left out at the time.
bool KelSQLDatabaseBrowse::readDatabase(DBtran* tran, const char* literal, int unixTime, bool& listed) {
    const int id = static_cast<int>(sqlDatabaseId_);
    if (!latestBackupSetOnly_) {
        SqlCheckForFullFullBackup full(tran);
        full.setValues(0, literal, unixTime, id, kelsql::browse::tombstoneLimit());
        sqlCode_ = full.getOneRow(&full, false, -1, 0);
        if (sqlCode_ != 0 && sqlCode_ != 100) {
            catalogueError(lastError_, full, sqlCode_);
            return false;
        }
        if (sqlCode_ == 100 && !sqlBrowse_) return true;
    }
    SqlDatabaseBkupData data(tran);
    data.setValues(id, literal, unixTime, kelsql::browse::tombstoneLimit());
    sqlCode_ = data.getOneRow(&data, false, -1, 0);
    if (sqlCode_ != 0 && sqlCode_ != 100) {
        catalogueError(lastError_, data, sqlCode_);
        return false;
    }
    backupDataExist_ = sqlCode_ == 0;
    if (sqlCode_ == 100 && !sqlBrowse_) return true;

    SqlDatabase database(tran);
    database.setWhere("backupSetId=%d", id);
    sqlCode_ = database.getOneRow(&database, false, -1, 0);
    if (sqlCode_ != 0) {
        catalogueError(lastError_, database, sqlCode_);
        return false;
    }
    databaseName_ = database.getDataPtr()->databaseName;
    listed = true;
    return true;
}

bool KelSQLDatabaseBrowse::listFileGroups(SIM_TimeZoneInfo_t* timeZone) {
    KelSQLFileGroupBrowse working;
    working.setBrowseDepth(browseDepth());
    working.sqlAppType() = sqlAppType_;
    if (sqlBrowse_) working.sqlBrowseOn();
    const unsigned long t = browseTime_.time();

    // Read outside this browse's transaction, as each group's browse reads
    // inside its own.
    SqlFileGroup groups(nullptr);
    if (t != 0)
        groups.setWhere("sqlDatabaseId = %d AND addTime <= %d ", static_cast<int>(sqlDatabaseId_),
                        static_cast<int>(t));
    else
        groups.setWhere("sqlDatabaseId = %d", static_cast<int>(sqlDatabaseId_));
    sqlCode_ = groups.openCursor();
    if (sqlCode_ == 100) return true;
    if (sqlCode_ != 0) {
        catalogueError(lastError_, groups, sqlCode_);
        return false;
    }
    while ((sqlCode_ = groups.fetchCursor(true)) == 0) {
        if (!working.browse(timeZone, column(groups.getDataPtr()->id), t)) {
            lastError_ = working.lastError();
            return false;
        }
        if (working.backupDataExist() || sqlBrowse_) fileGroupList_.push_back(working);
    }
    groups.closeCursor();
    if (sqlCode_ != 100) {
        fileGroupList_.clear();
        catalogueError(lastError_, groups, sqlCode_);
        return false;
    }
    return true;
}

// Of file groups with one SQL Server group id, only those whose covering
// backup set is the newest stay.
void KelSQLDatabaseBrowse::collapseFileGroups() {
    std::vector<uint64_t> keys, values;
    for (const KelSQLFileGroupBrowse& group : fileGroupList_) {
        keys.push_back(group.localFgId());
        values.push_back(group.localBkpSetId());
    }
    kelsql::browse::eraseDropped(
        fileGroupList_, kelsql::browse::keepLatest(keys, values, std::vector<bool>(keys.size(), true)));
}
