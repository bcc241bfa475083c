// The chains a time picks: point in time, discrete time and browse; and the
// last-full and file-group point-in-time records.
#include "ChainRows.h"
#include "KelSQL/KelSQLBackupSet.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLDatabaseLSNList.h"
#include "KelSQL/KelSQLErrorStatus.h"

using kelsql::chain::idOf;
using kelsql::chain::lsn;
using kelsql::chain::LsnCursor;
using kelsql::chain::lsnError;

unsigned long KelSQLDatabaseLSNList::clientTime(unsigned long time, SIM_TimeZoneInfo_t* timeZone) {
    if (!timeZone) return time;
    KelSQLDateAndTime convert;
    unsigned long out = 0;
    return convert.recalculateWithTimeZone(time, timeZone, out) ? out : time;
}

bool KelSQLDatabaseLSNList::query(SIM_TimeZoneInfo_t* timeZone, unsigned long sqlDatabaseId, unsigned long time,
                                  KelSQLTimeType type) {
    static const char* kFn = "KelSQLDatabaseLSNList::query(sqlDatabaseId, time, type)";
    if (!idNotSet(getLastError(), sqlDatabaseId, "sqlDatabaseId", kFn) || !idNotSet(getLastError(), time, "time", kFn))
        return false;
    if (!context_.isServerOperations()) {
        // The agent always asks: the time goes as it was given.
        if (!context_.isClientOperations()) return fail(kelsql::kErrOstrelSideOnly, kFn);
        return sendRequest(type == KelSQLTimeTypePointInTime ? KelNetSQLRestoreTypePointInTime
                                                             : KelNetSQLRestoreTypeDiscreteTime,
                           0, sqlDatabaseId, time);
    }
    KelSQLDateAndTime at(clientTime(time, timeZone));
    kelsql::record::ReadSnapshot snapshot(context_);
    return pointInTimeTarget(sqlDatabaseId, at, type);
}

bool KelSQLDatabaseLSNList::pointInTimeTarget(unsigned long sqlDatabaseId, KelSQLDateAndTime& at,
                                              KelSQLTimeType type) {
    const int database = static_cast<int>(sqlDatabaseId);
    const std::string t = at.odbcDateFormat(true);
    LsnCursor pick(context_);
    const bool pointInTime = type == KelSQLTimeTypePointInTime;
    // A backup that holds the time: a log spanning it, or a database backup
    // taken exactly then. Of the logs spanning it the first recorded answers,
    // as two logs may end and start in the same second. A database's logs
    // follow one another, so those logs end between the time and the end of
    // the last log started by it: sought in that range of finish times (the
    // pluses keep the planner on it), never among every log before the time.
    std::string where = pointInTime
        ? kel::sql::format("sqlBackupSetId = (select sqlBackupSetId from sqlLSNs where sqlDatabaseId = %d and "
                           "+backupType = %d and +startTime <= %s and finishTime >= %s and finishTime <= "
                           "(select finishTime from sqlLSNs where sqlDatabaseId = %d and backupType = %d and "
                           "startTime <= %s order by startTime desc, sqlBackupSetId desc limit 1) "
                           "order by sqlBackupSetId limit 1)",
                           database, kelsql::chain::kLog, t.c_str(), t.c_str(), database, kelsql::chain::kLog,
                           t.c_str())
        : kel::sql::format("sqlDatabaseId = %d and backupType != %d and backupType != %d and \t\t\t\t\t\t\tstartTime "
                           ">= %s and startTime <= %s and finishTime <= %s",
                           database, kelsql::chain::kFile, kelsql::chain::kFileDifferential, t.c_str(), t.c_str(),
                           t.c_str());
    dbStatus_ = pick.one(where, "sqlBackupSetId");
    if (dbStatus_ == 0) return query(idOf(pick.row()));
    if (dbStatus_ != kDBNoRow) return lsnError(getLastError(), pick, dbStatus_);
    // Else the first log after the time (whose differential must have
    // finished by it), or the newest database backup before it.
    if (pointInTime) {
        where = kel::sql::format("sqlDatabaseId = %d and backupType = %d and %s < startTime", database,
                                 kelsql::chain::kLog, t.c_str());
        dbStatus_ = pick.one(where, kelsql::chain::kOldestStartFirst);
    } else {
        where = kel::sql::format("sqlDatabaseId = %d and backupType != %d and backupType != %d and \t\t\t\t\t\t   "
                                 "finishTime < %s",
                                 database, kelsql::chain::kFile, kelsql::chain::kFileDifferential, t.c_str());
        dbStatus_ = pick.one(where, kelsql::chain::kLatestFinishFirst);
    }
    if (dbStatus_ != 0) return lsnError(getLastError(), pick, dbStatus_);
    if (pointInTime) {
        restoreTimeType_ = KelSQLTimeTypePointInTime;
        restoreTime_ = at;
    }
    return query(idOf(pick.row()));
}

bool KelSQLDatabaseLSNList::query(SIM_TimeZoneInfo_t* timeZone, unsigned long sqlDatabaseId,
                                  unsigned long browseTime) {
    static const char* kFn = "KelSQLDatabaseLSNList::query(sqlDatabaseId, browseTime)";
    if (!idNotSet(getLastError(), sqlDatabaseId, "sqlDatabaseId", kFn)) return false;
    if (!context_.isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, kFn);
    browseItems_.clear();
    kelsql::record::ReadSnapshot snapshot(context_);
    KelSQLDateAndTime now;
    KelSQLDateAndTime at(clientTime(browseTime ? browseTime : now.setCurrent(), timeZone));
    const std::string t = at.odbcDateFormat(true);
    LsnCursor newest(context_);
    dbStatus_ = newest.one(kel::sql::format("sqlDatabaseId = %d and backupType != %d and \t\t\t\t   backupType != %d "
                                            "and finishTime <= %s",
                                            static_cast<int>(sqlDatabaseId), kelsql::chain::kFile,
                                            kelsql::chain::kFileDifferential, t.c_str()),
                           kelsql::chain::kLatestFinishFirst);
    if (dbStatus_ != 0) {
        context_.log().debug(kFn, "Failed to find backupSet for database [%ld] and time [%s].",
                             static_cast<long>(sqlDatabaseId), t.c_str());
        return lsnError(getLastError(), newest, dbStatus_);
    }
    const unsigned long target = idOf(newest.row());
    context_.log().debug(kFn, "BackupSet to restore and form chains to is [%ld]", static_cast<long>(target));
    itemsWanted_ = true;
    const bool formed = query(target);
    itemsWanted_ = false;
    if (!formed) {
        context_.log().debug(kFn, "FAiled to form chains for backupset [%ld]", static_cast<long>(target));
        return false;
    }
    return browseItemsOf(kFn);
}

// The chain as items, newest first, each with the agent's number of its set:
// as the chain's walk and its size read found them. A chain of a full alone,
// or one with a set missing, is read set by set, which says which.
bool KelSQLDatabaseLSNList::browseItemsOf(const char*) {
    if (bsIdList_.empty()) return true;
    if (chainItems_.size() != bsIdList_.size()) return browseItemsOneByOne();
    browseItems_.assign(chainItems_.rbegin(), chainItems_.rend());
    chainItems_.clear();
    return true;
}

bool KelSQLDatabaseLSNList::browseItemsOneByOne() {
    KelSQLBackupSet set(context_, false, KelSQLBackupSet::kRequestType2);
    LsnCursor row(context_);
    for (auto id = bsIdList_.rbegin(); id != bsIdList_.rend(); ++id) {
        dbStatus_ = row.one(kel::sql::format("sqlBackupSetId = %d", static_cast<int>(*id)), "sqlBackupSetId");
        if (dbStatus_ != 0) return lsnError(getLastError(), row, dbStatus_);
        if (!set.query(static_cast<unsigned long>(*id))) {
            getLastError() = set.getLastError();
            browseItems_.clear();
            return false;
        }
        KelSQLDBRestoreBackupSetItem_t item;
        item.sqlBackupSetId = *id;
        item.backupSetId = set.id();
        item.finishTime = kelsql::chain::secondsOf(row.row().finishTime);
        item.backupType = row.row().backupType;
        browseItems_.push_back(item);
    }
    return true;
}

bool KelSQLDatabaseLSNList::getLSNRecordForLastFull(SIM_TimeZoneInfo_t* timeZone, unsigned long sqlDatabaseId,
                                                    unsigned long browseTime, SqlLSNs_t& row) {
    static const char* kFn = "KelSQLDatabaseLSNList::getLSNRecordForLastFull";
    KelSQLDateAndTime now;
    const unsigned long time = browseTime ? browseTime : now.setCurrent();
    if (!context_.isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, kFn);
    KelSQLDateAndTime at(clientTime(time, timeZone));
    const std::string a = at.odbcDateFormat(true);
    const int database = static_cast<int>(sqlDatabaseId);
    LsnCursor newest(context_);
    dbStatus_ = newest.one(kel::sql::format("sqlDatabaseId = %d and backupType != %d and backupType != %d and "
                                            "finishTime <= %s",
                                            database, kelsql::chain::kFile, kelsql::chain::kFileDifferential, a.c_str()),
                           kelsql::chain::kLatestFinishFirst);
    if (dbStatus_ == kDBNoRow) return false;
    if (dbStatus_ != 0) return lsnError(getLastError(), newest, dbStatus_);
    if (kelsql::chain::isFull(newest.row().backupType)) {
        row = newest.row();
        return true;
    }
    // Always by its checkpoint LSN here, whatever the version; sought by
    // that LSN (the time only filters), not by walking the finish times.
    LsnCursor full(context_);
    dbStatus_ = full.one(kel::sql::format("sqlDatabaseId = %d and (backupType = %d or backupType = %d) and "
                                          "checkpointLSN = %s and +finishTime <= %s",
                                          database, kelsql::chain::kFull, kelsql::chain::kSnapshot,
                                          lsn(newest.row().fullBackupLSN).c_str(), a.c_str()),
                         kelsql::chain::kLatestFinishFirstByLSN);
    if (dbStatus_ == kDBNoRow) return false;
    if (dbStatus_ != 0) return lsnError(getLastError(), full, dbStatus_);
    row = full.row();
    return true;
}

bool KelSQLDatabaseLSNList::getLogLSNRecordForFFGPIT(SIM_TimeZoneInfo_t* timeZone, unsigned long sqlDatabaseId,
                                                     unsigned long pit, SqlLSNs_t& row) {
    static const char* kFn = "KelSQLDatabaseLSNList::getLogLSNRecordForFFGPIT";
    KelSQLDateAndTime now;
    const unsigned long time = pit ? pit : now.setCurrent();
    if (!context_.isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, kFn);
    KelSQLDateAndTime at(clientTime(time, timeZone));
    const int database = static_cast<int>(sqlDatabaseId);
    LsnCursor latest(context_);
    dbStatus_ = latest.one(kel::sql::format("sqlDatabaseId = %d AND backupType != %d AND backupType != %d AND "
                                            "backupType != %d",
                                            database, kelsql::chain::kFull, kelsql::chain::kSnapshot,
                                            kelsql::chain::kDifferential),
                           kelsql::chain::kLatestFinishFirst);
    if (dbStatus_ == kDBNoRow) return false;
    if (dbStatus_ != 0) return lsnError(getLastError(), latest, dbStatus_);
    const SqlLSNs_t& l = latest.row();
    if (l.backupType != kelsql::chain::kLog) return false;
    const unsigned long start = kelsql::chain::secondsOf(l.startTime);
    const unsigned long finish = kelsql::chain::secondsOf(l.finishTime);
    if (at.compare(finish) < 0 || (start <= at.time() && at.time() <= finish)) {
        row = l;
        return true;
    }
    // The latest log started after the time: the first log that ended after it.
    LsnCursor after(context_);
    dbStatus_ = after.one(kel::sql::format("sqlDatabaseId = %d and backupType = %d and finishTime > %s", database,
                                           kelsql::chain::kLog, at.odbcDateFormat(true)),
                          kelsql::chain::kEarliestFinishFirst);
    if (dbStatus_ == kDBNoRow) return false;
    if (dbStatus_ != 0) return lsnError(getLastError(), after, dbStatus_);
    if (after.row().backupType != kelsql::chain::kLog) return false;
    row = after.row();
    return true;
}
