#include "KelSQL/KelSQLDatabaseReports.h"

#include <unordered_set>

#include "BackupRecords.h"
#include "ChainRows.h"
#include "Db/Tbl/sqlArchiveSet.h"
#include "Db/Tbl/sqlBackupSet.h"
#include "Db/Tbl/sqlLSNs.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "platform/db/SqlText.h"
#include "platform/util/BoundedCopy.h"

namespace {

const char* const kChainFn = "KelSQLDatabaseReports::createChainReports(sqlDatabaseId)";
const char* const kArchiveFn = "KelSQLDatabaseReports::getArchiveSetList(sqlBackupSetId, archiveSetList)";

constexpr int kFull = 'D';

// Integer columns widen with their sign.
uint64_t widened(int32_t value) { return static_cast<uint64_t>(static_cast<int64_t>(value)); }

TIMESTAMP_STRUCT stamp(const DB_DATETIME& d) {
    TIMESTAMP_STRUCT t{};
    t.year = d.year;
    t.month = d.month;
    t.day = d.day;
    t.hour = d.hour;
    t.minute = d.minute;
    t.second = d.second;
    return t;
}

// A read transaction of the report's own, released without commit.
class ReadTransaction {
public:
    ReadTransaction() : tran_(false) {
        tran_.setIsolationType(4);
        tran_.startTran();
    }
    ~ReadTransaction() { tran_.rollbackTran(); }
    ReadTransaction(const ReadTransaction&) = delete;
    ReadTransaction& operator=(const ReadTransaction&) = delete;
    DBtran& tran() { return tran_; }

private:
    DBtran tran_;
};

}  // namespace

KelSQLDatabaseReports::KelSQLDatabaseReports(KelSQLClassProperties& context) : context_(context) {
    error_.clear();
    initializeChainReports();
}

void KelSQLDatabaseReports::initializeChainReports() {
    sqlDatabaseId_ = 0;
    built_ = false;
    active_.clear();
    inactive_.clear();
}

bool KelSQLDatabaseReports::fail(uint64_t number, const char* signature) {
    error_.setNumber(number);
    error_.addArgument(signature);
    return false;
}

bool KelSQLDatabaseReports::tableError(DBtable& table, long long code) {
    error_.setNumber(kelsql::kErrRowOperation);
    error_.addArgument(table.getpDescribe());
    error_.addArgument(table.getErrorStr(static_cast<int>(code)));
    return false;
}

void KelSQLDatabaseReports::copyActiveLSN(const SqlLSNs_t& row) {
    work_.sqlBackupSetId = widened(row.sqlBackupSetId);
    work_.backupType = widened(row.backupType);
    work_.fullBackupLSN = kel::fieldText(row.fullBackupLSN);
    work_.checkpointLSN = kel::fieldText(row.checkpointLSN);
    work_.lastLSN = kel::fieldText(row.lastLSN);
    work_.firstLSN = kel::fieldText(row.firstLSN);
    work_.startTime = stamp(row.startTime);
    work_.finishTime = stamp(row.finishTime);
}

void KelSQLDatabaseReports::copyActiveBackupSet(const SqlBackupSet_t& row) {
    work_.sqlFileSubClientId = widened(row.sqlFileSubClientId);
    long long job = 0;
    longToDlongDB(&job, row.jobId_h, row.jobId_l);
    work_.jobId = job;
    work_.backupSetId = widened(row.backupSetId);
    work_.timeZone = widened(row.timeZone);
    work_.compatibility = widened(row.compatibility);
    work_.dbVersion = widened(row.dbVersion);
    work_.sqlVersionId = widened(row.sqlVersionId);
    work_.mtfVersionId = widened(row.mtfVersionId);
    work_.streams = widened(row.streams);
    work_.description = kel::fieldText(row.description);
    work_.userName = kel::fieldText(row.userName);
    work_.backupSize = kel::fieldText(row.backupSize);
    time_.setTime(static_cast<long>(kelsql::backup::column(row.seltraStartTime)));
    work_.seltraStartTime = time_.timeStamp();
    time_.setTime(static_cast<long>(kelsql::backup::column(row.seltraFinishTime)));
    work_.seltraFinishTime = time_.timeStamp();
}

bool KelSQLDatabaseReports::createChainReports(unsigned long sqlDatabaseId) {
    initializeChainReports();
    if (!context_.isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, kChainFn);
    if (!idNotSet(error_, sqlDatabaseId, "sqlDatabaseId", kChainFn)) return false;
    sqlDatabaseId_ = sqlDatabaseId;
    ReadTransaction read;
    SqlBackupSet sets(&read.tran());
    sets.setWhere("id = (SELECT MAX(id) FROM sqlBackupSet WHERE sqlDatabaseId = %d)", static_cast<int>(sqlDatabaseId));
    sqlCode_ = sets.getOneRow(&sets, false, -1, 0);
    if (sqlCode_ != 0) return tableError(sets, sqlCode_);
    SqlLSNs lsns(&read.tran());
    lsns.setWhere("sqlBackupSetId=%d", sets.getDataPtr()->id);
    sqlCode_ = lsns.getOneRow(&lsns, false, -1, 0);
    if (sqlCode_ != 0) return tableError(lsns, sqlCode_);
    if (!appType_.query(context_, kelsql::backup::column(sets.getDataPtr()->id))) {
        error_ = appType_.getLastError();
        return false;
    }
    if (!activeWalk(read.tran(), sets, *lsns.getDataPtr())) {
        const uint64_t keep = sqlDatabaseId_;
        initializeChainReports();
        sqlDatabaseId_ = keep;
        return false;
    }
    return inactiveList(read.tran());
}

// From the newest row back through the fulls each full names as its own
// full: a full, then the dependants of the full before it, newest first.
// Every row is placed once: a full met again (one that names itself, or two
// that name each other) ends the list, and a dependant met again is passed.
bool KelSQLDatabaseReports::activeWalk(DBtran& tran, SqlBackupSet& sets, SqlLSNs_t current) {
    const int database = static_cast<int>(sqlDatabaseId_);
    std::unordered_set<uint64_t> placed;
    auto place = [&](const SqlLSNs_t& row) {
        copyActiveLSN(row);
        copyActiveBackupSet(*sets.getDataPtr());
        active_.push_back(work_);
        placed.insert(widened(row.sqlBackupSetId));
    };
    SqlLSNs lsns(&tran);
    bool atFull = current.backupType == kFull;
    for (;;) {
        if (atFull) {
            if (placed.count(widened(current.sqlBackupSetId))) return true;
            char fullLSN[sizeof current.fullBackupLSN];
            kel::copyWholeField(fullLSN, current.fullBackupLSN);
            place(current);
            const std::string literal = kel::sql::quoted(fullLSN);
            int rc = kDBNoRow;
            if (!appType_.bsAppType7().isOn()) {
                lsns.setWhere("sqlDatabaseId = %d and (checkpointLSN = %s and backupType = %d)", database,
                              literal.c_str(), kFull);
                rc = lsns.getOneRow(&lsns, false, -1, 0);
                if (rc != 0 && rc != kDBNoRow) return tableError(lsns, rc);
            }
            if (rc == kDBNoRow) {
                lsns.setWhere("sqlDatabaseId = %d and (lastLSN = %s and backupType = %d)", database, literal.c_str(),
                              kFull);
                rc = lsns.getOneRow(&lsns, false, -1, 0);
                if (rc == kDBNoRow) return true;
                if (rc != 0) return tableError(lsns, rc);
                if (!appType_.query(context_, kelsql::backup::column(lsns.getDataPtr()->sqlBackupSetId))) {
                    error_ = appType_.getLastError();
                    return false;
                }
            }
            current = *lsns.getDataPtr();
            kel::copyWholeField(current.fullBackupLSN, fullLSN);
        }
        // The dependants of the full that L names, and that full itself.
        const std::string l = kel::sql::quoted(kel::fieldText(current.fullBackupLSN));
        SqlLSNs rows(&tran);
        rows.setWhere(appType_.bsAppType7().isOn()
                          ? "sqlDatabaseId = %d and ((fullBackupLSN = %s and backupType != %d) or (lastLSN = %s and "
                            "backupType = %d))"
                          : "sqlDatabaseId = %d and ((fullBackupLSN = %s and backupType != %d) or (checkpointLSN = "
                            "%s and backupType = %d))",
                      database, l.c_str(), kFull, l.c_str(), kFull);
        rows.setOrderBy(kelsql::chain::kNewestStartFirst);
        sqlCode_ = rows.openCursor();
        if (sqlCode_ == kDBNoRow) return true;
        if (sqlCode_ != 0) return tableError(rows, sqlCode_);
        atFull = false;
        while ((sqlCode_ = rows.fetchCursor(true)) == 0) {
            const SqlLSNs_t& row = *rows.getDataPtr();
            if (placed.count(widened(row.sqlBackupSetId)) && row.backupType != kFull) continue;
            sets.setWhere("id=%d", row.sqlBackupSetId);
            const int rc = sets.getOneRow(&sets, false, -1, 0);
            if (rc != 0) {
                rows.closeCursor();
                return tableError(sets, rc);
            }
            if (row.backupType == kFull) {
                current = row;
                atFull = true;
                break;
            }
            place(row);
        }
        rows.closeCursor();
        if (atFull) continue;
        if (sqlCode_ == kDBNoRow) return true;
        return tableError(rows, sqlCode_);
    }
}

bool KelSQLDatabaseReports::inactiveList(DBtran& tran) {
    SqlLSNs rows(&tran);
    rows.setWhere("sqlDatabaseId = %d", static_cast<int>(sqlDatabaseId_));
    rows.setOrderBy(kelsql::chain::kNewestStartFirst);
    sqlCode_ = rows.openCursor();
    if (sqlCode_ == kDBNoRow) {
        built_ = true;
        return true;
    }
    if (sqlCode_ != 0) return tableError(rows, sqlCode_);
    std::unordered_multiset<uint64_t> active;
    for (const auto& r : active_) active.insert(r.sqlBackupSetId);
    SqlBackupSet sets(&tran);
    while ((sqlCode_ = rows.fetchCursor(true)) == 0) {
        const SqlLSNs_t& row = *rows.getDataPtr();
        auto found = active.find(widened(row.sqlBackupSetId));
        if (found != active.end()) {
            active.erase(found);
            continue;
        }
        sets.setWhere("id=%d", row.sqlBackupSetId);
        const int rc = sets.getOneRow(&sets, false, -1, 0);
        if (rc != 0) {
            rows.closeCursor();
            return tableError(sets, rc);
        }
        copyActiveLSN(row);
        copyActiveBackupSet(*sets.getDataPtr());
        inactive_.push_back(work_);
    }
    rows.closeCursor();
    if (sqlCode_ != kDBNoRow) return tableError(rows, sqlCode_);
    built_ = true;
    return true;
}

std::vector<KelSQLDatabaseBackupSetRecord_t>& KelSQLDatabaseReports::activeLSNChain(unsigned long sqlDatabaseId) {
    // Reports of another database are never handed out for this one.
    if (!built_ || sqlDatabaseId_ != sqlDatabaseId) createChainReports(sqlDatabaseId);
    return active_;
}

bool KelSQLDatabaseReports::getArchiveSetList(unsigned long sqlBackupSetId,
                                              std::vector<KelSQLDatabaseArchiveSetRecord_t>& archiveSetList) {
    if (!context_.isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, kArchiveFn);
    if (!idNotSet(error_, sqlBackupSetId, "sqlBackupSetId", kArchiveFn)) return false;
    ReadTransaction read;
    SqlArchiveSet media(&read.tran());
    media.setWhere("sqlBackupSetId = %d", static_cast<int>(sqlBackupSetId));
    sqlCode_ = media.openCursor();
    if (sqlCode_ != 0) return tableError(media, sqlCode_);
    archiveSetList.clear();
    while ((sqlCode_ = media.fetchCursor(true)) == 0) {
        const SqlArchiveSet_t& row = *media.getDataPtr();
        archiveSetList.push_back(
            {widened(row.id), widened(row.sequenceNumber), widened(row.archiveGroup), widened(row.archiveFile)});
    }
    media.closeCursor();
    return sqlCode_ == kDBNoRow || tableError(media, sqlCode_);
}
