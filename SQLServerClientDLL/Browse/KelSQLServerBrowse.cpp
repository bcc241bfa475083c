#include "KelSQL/KelSQLServerBrowse.h"

#include "BrowseSupport.h"
#include "Db/Cursor/sqlCheckForFullFullBackup.h"
#include "Db/Cursor/sqlServerBkupData.h"
#include "Db/Tbl/sqlDatabase.h"
#include "Db/Tbl/sqlServer.h"
#include "KelSQL/KelSQLErrorStatus.h"

using kelsql::browse::catalogueError;
using kelsql::browse::column;

KelSQLServerBrowse::KelSQLServerBrowse() {
    KelSQLBrowseDepth::setBrowseDepth(KelSQL_BrowseDatabases);
    initialize(0, 0);
}

KelSQLServerBrowse::KelSQLServerBrowse(unsigned long sqlServerId, unsigned long browseTime) {
    KelSQLBrowseDepth::setBrowseDepth(KelSQL_BrowseDatabases);
    initialize(sqlServerId, browseTime);
}

KelSQLServerBrowse::KelSQLServerBrowse(const KelSQLServerBrowse& other) : KelSQLBrowseDepth() { copyIn(other); }

KelSQLServerBrowse& KelSQLServerBrowse::operator=(const KelSQLServerBrowse& other) {
    if (this != &other) copyIn(other);
    return *this;
}

KelSQLServerBrowse::~KelSQLServerBrowse() = default;

void KelSQLServerBrowse::initialize(unsigned long sqlServerId, unsigned long browseTime) {
    sqlServerId_ = sqlServerId;
    browseTime_.setTime(sqlServerId != 0 ? static_cast<long>(browseTime) : 0L);
    backupDataExist_ = false;
    serverName_.clear();
    sqlCode_ = 0;
    lastError_.clear();
    databaseList_.clear();
}

void KelSQLServerBrowse::copyIn(const KelSQLServerBrowse& other) {
    if (other.sqlServerId_ == 0) {
        sqlBrowse_ = false;
        KelSQLBrowseDepth::setBrowseDepth(KelSQL_BrowseDatabases);
        sqlAppType_.setSql7AppType();
        initialize(0, 0);
        return;
    }
    sqlServerId_ = other.sqlServerId_;
    browseTime_ = other.browseTime_;
    serverName_ = other.serverName_;
    sqlCode_ = other.sqlCode_;
    lastError_ = other.lastError_;
    databaseList_ = other.databaseList_;
    KelSQLBrowseDepth::setBrowseDepth(other.browseDepth());
    backupDataExist_ = other.backupDataExist_;
    sqlBrowse_ = other.sqlBrowse_;
    sqlAppType_ = other.sqlAppType_;
}

bool KelSQLServerBrowse::setBrowseDepth(KelSQL_SqlBrowseDepth depth) {
    if (depth < KelSQL_BrowseInstances) {
        lastError_.setNumber(kelsql::kErrBrowseDepth);
        lastError_.addArgument("KelSQLServerBrowse::setBrowseDepth(depth)");
        return false;
    }
    KelSQLBrowseDepth::setBrowseDepth(depth);
    return true;
}

std::vector<KelSQLDatabaseBrowse>* KelSQLServerBrowse::getDatabaseList(SIM_TimeZoneInfo_t* timeZone,
                                                                       unsigned long sqlServerId,
                                                                       unsigned long browseTime) {
    if (!databaseList_.empty()) return &databaseList_;
    if (browseDepth() < KelSQL_BrowseDatabases) KelSQLBrowseDepth::setBrowseDepth(KelSQL_BrowseDatabases);
    return browse(timeZone, sqlServerId, browseTime);
}

std::vector<KelSQLDatabaseBrowse>* KelSQLServerBrowse::browse(SIM_TimeZoneInfo_t* timeZone, unsigned long sqlServerId,
                                                              unsigned long browseTime) {
    const unsigned long id = sqlServerId != 0 ? sqlServerId : sqlServerId_;
    if (!idNotSet(lastError_, id, "sqlServerId", "KelSQLServerBrowse::browse(sqlServerId, browseTime)"))
        return nullptr;
    initialize(id, browseTime);
    kelsql::browse::BrowseTransaction tran;
    if (!tran.started(lastError_)) return nullptr;
    const kelsql::browse::BrowseMoment at(browseTime_, timeZone);

    bool listed = false;
    if (!readInstance(tran.get(), at.literal(), at.unixTime(), listed)) return nullptr;
    if (!listed || browseDepth() < KelSQL_BrowseDatabases) return &databaseList_;
    if (!listDatabases(tran.get(), timeZone)) return nullptr;
    return &databaseList_;
}

// The full-backup check, the coverage and the row; listed stays false when
// the instance is left out at the time.
bool KelSQLServerBrowse::readInstance(DBtran* tran, const char* literal, int unixTime, bool& listed) {
    const int id = static_cast<int>(sqlServerId_);
    SqlCheckForFullFullBackup full(tran);
    full.setValues(id, literal, unixTime, 0, kelsql::browse::tombstoneLimit());
    sqlCode_ = full.getOneRow(&full, false, -1, 0);
    if (sqlCode_ != 0 && sqlCode_ != 100) {
        catalogueError(lastError_, full, sqlCode_);
        return false;
    }
    if (sqlCode_ == 100 && !sqlBrowse_) return true;

    SqlServerBkupData data(tran);
    data.setValues(id, literal, unixTime, kelsql::browse::tombstoneLimit());
    sqlCode_ = data.getOneRow(&data, false, -1, 0);
    if (sqlCode_ != 0 && sqlCode_ != 100) {
        catalogueError(lastError_, data, sqlCode_);
        return false;
    }
    backupDataExist_ = sqlCode_ == 0;
    if (sqlCode_ == 100 && !sqlBrowse_) return true;

    SqlServer server(tran);
    server.setWhere("instanceId=%d", id);
    sqlCode_ = server.getOneRow(&server, false, -1, 0);
    if (sqlCode_ != 0) {
        catalogueError(lastError_, server, sqlCode_);
        return false;
    }
    serverName_ = server.getDataPtr()->serverName;
    listed = true;
    return true;
}

bool KelSQLServerBrowse::listDatabases(DBtran* tran, SIM_TimeZoneInfo_t* timeZone) {
    KelSQLDatabaseBrowse working;
    working.setBrowseDepth(browseDepth());
    working.sqlAppType() = sqlAppType_;
    if (sqlBrowse_) working.sqlBrowseOn();
    const unsigned long t = browseTime_.time();

    SqlDatabase databases(tran);
    if (t != 0)
        databases.setWhere("sqlServerId = %d AND addTime <= %d ", static_cast<int>(sqlServerId_), static_cast<int>(t));
    else
        databases.setWhere("sqlServerId = %d", static_cast<int>(sqlServerId_));
    sqlCode_ = databases.openCursor();
    if (sqlCode_ == 100) return true;
    if (sqlCode_ != 0) {
        catalogueError(lastError_, databases, sqlCode_);
        return false;
    }
    while ((sqlCode_ = databases.fetchCursor(true)) == 0) {
        if (!working.browse(timeZone, column(databases.getDataPtr()->backupSetId), t)) {
            lastError_ = working.lastError();
            return false;
        }
        if (working.backupDataExist() || sqlBrowse_) databaseList_.push_back(working);
    }
    databases.closeCursor();
    if (sqlCode_ != 100) {
        databaseList_.clear();
        catalogueError(lastError_, databases, sqlCode_);
        return false;
    }
    return true;
}
