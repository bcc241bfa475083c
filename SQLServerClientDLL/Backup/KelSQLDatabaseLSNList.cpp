#include "KelSQL/KelSQLDatabaseLSNList.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "ChainLinks.h"
#include "ChainRows.h"
#include "Db/Tbl/sqlBackupSet.h"
#include "KelSQL/KelNetSQLTarnLogRestore.h"
#include "KelSQL/KelSQLBackupSet.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLErrorStatus.h"

using kelsql::backup::Where;
using kelsql::chain::ChainLinks;
using kelsql::chain::idOf;
using kelsql::chain::lsn;
using kelsql::chain::LsnCursor;
using kelsql::chain::lsnError;
using kelsql::chain::when;

namespace {

const char* const kChainFn = "KelSQLDatabaseLSNList::query(sqlBackupSetId)";

// The full ('D' or 'd') that an LSN names, newest first by start, among those
// started by time: its checkpoint LSN, or its last LSN for SQL Server 7.
std::string fullWhere(unsigned long sqlDatabaseId, const std::string& lsnLiteral, const std::string& time,
                      bool sql7, const std::string& finishedBy = std::string()) {
    return (sql7 ? kel::sql::format("sqlDatabaseId = %d and lastLSN = %s and \t\t\t\tbackupType in (%d,%d) and "
                                   "startTime <= %s",
                                   static_cast<int>(sqlDatabaseId), lsnLiteral.c_str(), kelsql::chain::kFull,
                                   kelsql::chain::kSnapshot, time.c_str())
                : kel::sql::format("sqlDatabaseId = %d and checkpointLSN = %s and \t\t\t\tbackupType in (%d, %d) "
                                   "and startTime <= %s",
                                   static_cast<int>(sqlDatabaseId), lsnLiteral.c_str(), kelsql::chain::kFull,
                                   kelsql::chain::kSnapshot, time.c_str())) +
           finishedBy;
}

}  // namespace

KelSQLDatabaseLSNList::KelSQLDatabaseLSNList(KelSQLClassProperties& context, bool serverObject)
    : KelNetSQLBSIdList(context, false), context_(context), serverObject_(serverObject) {}

bool KelSQLDatabaseLSNList::fail(uint64_t number, const char* signature) {
    getLastError().setNumber(number);
    getLastError().addArgument(signature);
    return false;
}

// ---- the request's agent side

bool KelSQLDatabaseLSNList::sendRequest(uint32_t restoreType, unsigned long sqlBackupSetId,
                                        unsigned long sqlDatabaseId, unsigned long time) {
    KelNetSQLBSIdListReq_t* req = requestMessage(true);
    if (!req) return fail(kelsql::kErrNoBuffer, "KelSQLDatabaseLSNList::networkQuery()");
    req->RestoreType = restoreType;
    req->SqlBackupSetId = sqlBackupSetId;
    req->SqlDatabaseId = sqlDatabaseId;
    req->RestoreTime = time;
    return networkQuery();
}

bool KelSQLDatabaseLSNList::networkQuery() {
    if (!exchange(getLastError())) return false;
    return copyFromNetwork(responseMessage(false));
}

bool KelSQLDatabaseLSNList::copyFromNetwork(KelNetSQLBSIdListRsp_t* rsp) {
    bsIdList_.clear();
    restoreByteSize_ = 0;
    if (!rsp) return fail(kelsql::kErrNoBuffer, "KelSQLDatabaseLSNList::copyFromNetwork(rspBSIds)");
    // A count the slots cannot hold is a broken answer, not a longer list.
    if (rsp->TotalCount > kelsql::kBSIdSlots) {
        fail(kelsql::kErrListRead, "KelSQLDatabaseLSNList::copyFromNetwork(rspBSIds)");
        getLastError().addArgument("TotalCount beyond the response's slots");
        return false;
    }
    bsIdList_.assign(rsp->SqlBackupSetId, rsp->SqlBackupSetId + rsp->TotalCount);
    restoreByteSize_ = rsp->RestoreByteSize;
    return true;
}

bool KelSQLDatabaseLSNList::copyToNetwork(KelNetSQLBSIdListRsp_t* rsp) {
    static const char* kFn = "KelSQLDatabaseLSNList::copyToNetwork(rspBSIds)";
    if (!rsp) return fail(kelsql::kErrNoBuffer, kFn);
    if (bsIdList_.size() > kelsql::kBSIdMax) return fail(kelsql::kErrBackupSetListFull, kFn);
    std::copy(bsIdList_.begin(), bsIdList_.end(), rsp->SqlBackupSetId);
    rsp->TotalCount = bsIdList_.size();
    rsp->RestoreByteSize = restoreByteSize_;
    return true;
}

// ---- small reads

namespace {

const char* const kSizeFn = "KelSQLDatabaseLSNList::getBackupsetSize(sqlBackupSetId, size)";

// One set's size through a record the caller may keep for the next: the
// lookup's statement is prepared once for a whole chain.
long long readSize(SqlBackupSet& record, unsigned long sqlBackupSetId, unsigned long long& size) {
    size = 0;
    record.setWhere("id=%d", static_cast<int>(sqlBackupSetId));
    const long long rc = record.getOneRow(&record, false, -1, 0);
    if (rc == 0) size = kelsql::chain::sizeOf(record.getDataPtr()->backupSize);
    return rc;
}

// The sets of a chain (ids, all of one database, none twice) read without a
// value per set, so that a chain of any length takes two statements: its
// head (the full, often a week older than the rest) by its id, the rest as
// the range of their database's ids they lie in, where a set of another
// chain is passed over. The size of the whole and the agent's number of each
// set; false when a set was not found (or the database failed).
bool readChain(SqlBackupSet& record, const std::vector<uint64_t>& ids, uint64_t& total,
               std::vector<uint64_t>& numbers) {
    const size_t n = ids.size();
    total = 0;
    numbers.assign(n, 0);
    // Where each id stands in the chain, in id order: the range comes in id
    // order too, so each row is matched by one step along this list.
    std::vector<std::pair<uint64_t, size_t>> order;
    order.reserve(n);
    for (size_t i = 0; i < n; ++i) order.emplace_back(ids[i], i);
    std::sort(order.begin(), order.end());
    for (size_t i = 1; i < n; ++i)
        if (order[i].first == order[i - 1].first) return false;
    record.setWhere("id=%d", static_cast<int>(ids.front()));
    if (record.getOneRow(&record, false, -1, 0) != 0) return false;
    total = kelsql::chain::sizeOf(record.getDataPtr()->backupSize);
    numbers[0] = kelsql::backup::column(record.getDataPtr()->backupSetId);
    if (n == 1) return true;
    const auto [low, high] = std::minmax_element(ids.begin() + 1, ids.end());
    record.setWhere("sqlDatabaseId = %d and id >= %d and id <= %d", record.getDataPtr()->sqlDatabaseId,
                    static_cast<int>(*low), static_cast<int>(*high));
    record.setOrderBy("sqlDatabaseId, id");
    size_t next = 0, found = 1;
    int rc = record.openCursor();
    while (rc == 0 && (rc = record.fetchCursor(true)) == 0) {
        const SqlBackupSet_t& row = *record.getDataPtr();
        const uint64_t id = kelsql::backup::column(row.id);
        while (next < n && order[next].first < id) ++next;
        if (next == n || order[next].first != id || order[next].second == 0) continue;
        numbers[order[next].second] = kelsql::backup::column(row.backupSetId);
        total += kelsql::chain::sizeOf(row.backupSize);
        ++found;
    }
    record.closeCursor();
    return found == n;
}

}  // namespace

bool KelSQLDatabaseLSNList::getBackupsetSize(unsigned long sqlBackupSetId, unsigned long long& size) {
    SqlBackupSet record(kelsql::backup::transactionOf(context_));
    dbStatus_ = readSize(record, sqlBackupSetId, size);
    return dbStatus_ == 0 || kelsql::backup::rowError(getLastError(), kSizeFn, record, dbStatus_);
}

bool KelSQLDatabaseLSNList::sumSizes() {
    restoreByteSize_ = 0;
    if (bsIdList_.empty()) return true;
    SqlBackupSet record(kelsql::backup::transactionOf(context_));
    uint64_t total = 0;
    std::vector<uint64_t> numbers;
    if (readChain(record, bsIdList_, total, numbers)) {
        // The browse's items stand in the chain's order.
        if (chainItems_.size() == numbers.size())
            for (size_t i = 0; i < numbers.size(); ++i) chainItems_[i].backupSetId = numbers[i];
        dbStatus_ = 0;
        restoreByteSize_ = total;
        return true;
    }
    // Set by set: the set that fails is named (and one named twice counts twice).
    chainItems_.clear();
    for (uint64_t id : bsIdList_) {
        unsigned long long size = 0;
        dbStatus_ = readSize(record, static_cast<unsigned long>(id), size);
        if (dbStatus_ != 0) return kelsql::backup::rowError(getLastError(), kSizeFn, record, dbStatus_);
        restoreByteSize_ += size;
    }
    return true;
}

bool KelSQLDatabaseLSNList::doesFullBackupChainExist(unsigned long sqlDatabaseId, KelSQLDateAndTime& time,
                                                     std::string fullBackupLSN, bool sql7, DBtran*, bool& exists) {
    return fullPresent(sqlDatabaseId, time.odbcDateFormat(true), fullBackupLSN, sql7, exists, std::string());
}

bool KelSQLDatabaseLSNList::fullPresent(unsigned long sqlDatabaseId, const std::string& time,
                                        const std::string& fullBackupLSN, bool sql7, bool& exists,
                                        const std::string& finishedBy) {
    static const char* kFn = "KelSQLDatabaseLSNList::doesFullBackupChainExist";
    exists = true;
    LsnCursor full(context_);
    // The order is not one an index gives: the full is sought by its LSN,
    // never by walking the finish times back to it.
    dbStatus_ = full.one(fullWhere(sqlDatabaseId, lsn(fullBackupLSN), time, sql7, finishedBy),
                         kelsql::chain::kLatestFinishFirstByLSN);
    if (dbStatus_ == 0) return true;
    context_.log().debug1(kFn, "Failed to find FULL backup for database [%ld] with LSN [%s] and time [%s].",
                          static_cast<long>(sqlDatabaseId), fullBackupLSN.c_str(), time.c_str());
    if (dbStatus_ == kDBNoRow) {
        exists = false;
        return true;
    }
    return lsnError(getLastError(), full, dbStatus_);
}

bool KelSQLDatabaseLSNList::setStepRestoreList(unsigned long sqlBackupSetId) {
    static const char* kFn = "KelSQLDatabaseLSNList::setStepRestoreList(sqlBackupSetId)";
    if (!idNotSet(getLastError(), sqlBackupSetId, "sqlBackupSetId", kFn)) return false;
    KelSQLLSN row(context_, false);
    if (!row.query(sqlBackupSetId)) {
        getLastError() = row.getLastError();
        return false;
    }
    if (kelsql::chain::isFileBackup(static_cast<int>(row.backupType()))) {
        getLastError().setNumber(kelsql::kErrStepRestoreList);
        return false;
    }
    bsIdList_.assign(1, sqlBackupSetId);
    KelSQLBackupSet set(context_, false, KelSQLBackupSet::kRequestType2);
    if (!set.query(sqlBackupSetId)) {
        getLastError() = set.getLastError();
        return false;
    }
    restoreByteSize_ = kelsql::chain::sizeOf(set.backupSize().c_str());
    return true;
}

bool KelSQLDatabaseLSNList::setTarnLogOnlyRestoreList(unsigned long sqlDatabaseId, unsigned long stopSqlBackupSetId,
                                                      std::string firstLSN, std::string lastLSN,
                                                      std::string extraLSN1, std::string extraLSN2,
                                                      unsigned long pointInTime) {
    bsIdList_.clear();
    restoreByteSize_ = 0;
    KelNetSQLTarnLogRestore logs(context_, true);
    if (!logs.query(sqlDatabaseId, stopSqlBackupSetId, std::move(firstLSN), std::move(lastLSN), std::move(extraLSN1),
                    std::move(extraLSN2), pointInTime)) {
        getLastError() = logs.getLastError();
        return false;
    }
    bsIdList_ = logs.getBSIdList();
    restoreByteSize_ = logs.getBackupSize();
    return true;
}

// ---- the chain of one backup set

bool KelSQLDatabaseLSNList::query(unsigned long sqlBackupSetId) {
    if (!idNotSet(getLastError(), sqlBackupSetId, "sqlBackupSetId", kChainFn)) return false;
    switch (kelsql::backup::placeOf(context_, *this)) {
    case Where::Remote: return sendRequest(KelNetSQLRestoreTypeDBBackupSet, sqlBackupSetId, 0, 0);
    case Where::Neither: return fail(kelsql::kErrOstrelSideOnly, kChainFn);
    case Where::Local: break;
    }
    chainBroken_ = false;
    chainItems_.clear();
    kelsql::record::ReadSnapshot snapshot(context_);
    LsnCursor target(context_);
    dbStatus_ = target.one(kel::sql::format("sqlBackupSetId = %d", static_cast<int>(sqlBackupSetId)),
                           "sqlBackupSetId");
    if (dbStatus_ != 0) {
        context_.log().debug(kChainFn, "Failed get backupset info for [%ld].", static_cast<long>(sqlBackupSetId));
        return lsnError(getLastError(), target, dbStatus_);
    }
    bsIdList_.clear();
    const SqlLSNs_t row = target.row();
    if (kelsql::chain::isFileBackup(row.backupType)) {
        context_.log().debug(kChainFn, "Failed to get backupset info for [%ld]. \t\t\t\t\tThis is a FFG backupset",
                             static_cast<long>(sqlBackupSetId));
        return lsnError(getLastError(), target, dbStatus_);
    }
    if (kelsql::chain::isFull(row.backupType)) {
        bsIdList_.assign(1, sqlBackupSetId);
        return getBackupsetSize(sqlBackupSetId, restoreByteSize_);
    }
    return chainOf(row);
}

// Walks back from the target: while the full its logs name is missing,
// through those logs and older logs linked by LSN; then the present full's
// chain, or the newest full before. The walk only gathers; whether a server
// can restore what it gathered is decided once, at the end.
bool KelSQLDatabaseLSNList::chainOf(const SqlLSNs_t& target) {
    ChainLinks w;
    SqlLSNs_t r = target;
    // The oldest set taken so far: what is restored before it must have
    // been recorded before it.
    SqlLSNs_t limit = target;
    const std::string finished = finishedBy();
    for (;;) {
        const int database = static_cast<int>(r.sqlDatabaseId);
        const std::string f = kel::fieldText(r.fullBackupLSN);
        if (!appType_.query(context_, idOf(r))) {
            getLastError() = appType_.getLastError();
            return false;
        }
        const bool sql7 = appType_.bsAppType7().isOn();
        bool exists = false;
        if (!fullPresent(static_cast<unsigned long>(database), when(r.startTime), f, sql7, exists, finished))
            return false;
        if (exists) {
            context_.log().debug3(kChainFn, "FULL backup chaining to LSN [%s] found.", f.c_str());
            if (!presentFullChain(r, limit, sql7, w)) return false;
            break;
        }
        context_.log().debug3(kChainFn, "FULL backup chaining to LSN [%s] NOT found.", f.c_str());
        // A differential cannot be restored without its own full: an older
        // full alone would restore to another set than the one asked for.
        if (r.backupType != kelsql::chain::kLog) {
            context_.log().debug(kChainFn, "Failed to get FULL backup before backupset [%ld].",
                                 static_cast<long>(idOf(r)));
            chainBroken_ = true;
            LsnCursor none(context_);
            return lsnError(getLastError(), none, kDBNoRow);
        }
        // The logs of the missing full, newest first, linked by LSN; the
        // first one taken is r itself.
        LsnCursor logs(context_);
        const std::string start = when(r.startTime);
        int rc = logs.open(kel::sql::format("sqlDatabaseId = %d and backupType = %d and \t\t\t\t\t\t\tfullBackupLSN = "
                                            "%s and startTime <= %s",
                                            database, kelsql::chain::kLog, lsn(f).c_str(), start.c_str()),
                           kelsql::chain::kNewestStartFirst);
        std::string k;
        bool progressed = false;
        while (rc == 0 && (rc = logs.fetch()) == 0) {
            const SqlLSNs_t& x = logs.row();
            if (k.empty() ? idOf(x) != idOf(r) : (w.has(idOf(x)) || compareLSN(k.c_str(), x.lastLSN) != 0)) continue;
            w.add(x);
            k = kel::fieldText(x.firstLSN);
            r = x;
            progressed = true;
        }
        if (rc != kDBNoRow) {
            context_.log().debug(kChainFn, "Failed to find Log backups for LSN [%s] and time [%s]", f.c_str(),
                                 start.c_str());
            return lsnError(getLastError(), logs, rc);
        }
        logs.close();
        // Every log of this segment is in the chain already: the LSNs lead
        // back to where the walk has been.
        if (!progressed) {
            chainBroken_ = true;
            return kelsql::chain::chainError(getLastError(), kChainFn,
                                             "the log chain returns to a backup set it holds");
        }
        // The newest full that may head the chain, recorded before the
        // oldest log taken.
        LsnCursor full(context_);
        const std::string oldestStart = when(r.startTime);
        const int fullRc =
            full.one(kel::sql::format("sqlDatabaseId = %d and backupType in (%d, %d) and \t\t\t\t\t\t\t\tstartTime <= "
                                      "%s and sqlBackupSetId < %d",
                                      database, kelsql::chain::kFull, kelsql::chain::kSnapshot, oldestStart.c_str(),
                                      static_cast<int>(idOf(r))) +
                         finished,
                     kelsql::chain::kNewestStartFirst);
        if (fullRc != 0 && fullRc != kDBNoRow) return lsnError(getLastError(), full, fullRc);
        // An older log that ends where the oldest taken one begins; the one
        // taken already (a log whose first and last LSN are equal finds
        // itself) is no older log, nor is one recorded after it. One older
        // than that full leads to an older full: the newer one heads.
        LsnCursor older(context_);
        rc = older.open(kel::sql::format("sqlDatabaseId = %d and backupType = %d and \t\t\t\t\t\t\tstartTime <= %s and "
                                         "lastLSN = %s",
                                         database, kelsql::chain::kLog, oldestStart.c_str(), lsn(k).c_str()),
                        kelsql::chain::kNewestStartFirst);
        bool found = false;
        while (rc == 0 && (rc = older.fetch()) == 0) {
            if (w.has(idOf(older.row())) || kelsql::chain::laterSameStart(older.row(), r)) continue;
            if (fullRc == 0 && idOf(older.row()) < idOf(full.row())) break;
            limit = r;
            r = older.row();
            found = true;
            break;
        }
        if (!found && rc != 0 && rc != kDBNoRow) {
            context_.log().debug(kChainFn, "Failed to find log backup with lastLSN [%s].", k.c_str());
            return lsnError(getLastError(), older, rc);
        }
        if (found) continue;
        context_.log().debug3(kChainFn, "No more log backups to chain. Find an unchained FULL.");
        if (fullRc != 0) {
            context_.log().debug(kChainFn, "Failed to get FULL backup before backupset [%ld].",
                                 static_cast<long>(idOf(r)));
            chainBroken_ = true;
            return lsnError(getLastError(), full, fullRc);
        }
        const SqlLSNs_t base = full.row();
        if (!differentialOf(base, r, sql7, w)) return false;
        w.add(base);
        break;
    }
    if (!w.restoreOrder(bsIdList_, getLastError(), kChainFn)) {
        chainBroken_ = true;
        return false;
    }
    if (itemsWanted_) w.items(bsIdList_, chainItems_);
    return sumSizes();
}

std::string KelSQLDatabaseLSNList::finishedBy() {
    if (restoreTimeType_ != KelSQLTimeTypePointInTime) return std::string();
    return std::string(" and finishTime <= ") + restoreTime_.odbcDateFormat(true);
}

bool KelSQLDatabaseLSNList::finishedAfterPoint(const SqlLSNs_t& x) const {
    return restoreTimeType_ == KelSQLTimeTypePointInTime &&
           restoreTime_.compare(kelsql::chain::secondsOf(x.finishTime)) > 0;
}

// The newest differential of full recorded before r (one that finished by
// the point, for a point in time): a chain that reaches a full through logs
// of a later, missing one restores it before the logs as well.
bool KelSQLDatabaseLSNList::differentialOf(const SqlLSNs_t& full, const SqlLSNs_t& r, bool sql7, ChainLinks& w) {
    LsnCursor rows(context_);
    int rc = rows.open(kel::sql::format("sqlDatabaseId = %d and backupType = %d and fullBackupLSN = %s and "
                                        "startTime <= %s",
                                        static_cast<int>(full.sqlDatabaseId), kelsql::chain::kDifferential,
                                        lsn(sql7 ? full.lastLSN : full.checkpointLSN).c_str(),
                                        when(r.startTime).c_str()),
                       kelsql::chain::kNewestStartFirst);
    while (rc == 0 && (rc = rows.fetch()) == 0) {
        const SqlLSNs_t& x = rows.row();
        if (kelsql::chain::laterSameStart(x, r) || idOf(x) > idOf(r) || finishedAfterPoint(x)) continue;
        w.add(x);
        return true;
    }
    return rc == kDBNoRow || lsnError(getLastError(), rows, rc);
}

// The chain of a present full up to r: the logs linked back from r, the
// newest differential met (one that finished by the restore time, for a
// point in time), then the full. A differential recorded after r but before
// limit (the oldest set of a later segment) serves as well: the later logs
// then continue from it. The full is found by its own index and the walk
// stops at the differential: what lies between them is never read.
bool KelSQLDatabaseLSNList::presentFullChain(const SqlLSNs_t& r, const SqlLSNs_t& limit, bool sql7, ChainLinks& w) {
    const int database = static_cast<int>(r.sqlDatabaseId);
    const std::string f = kel::fieldText(r.fullBackupLSN);
    const std::string start = when(limit.startTime);
    auto failed = [&](LsnCursor& cursor, long long rc) {
        context_.log().debug(kChainFn, "DB error. Failed to find backups chaining to lSN [%s].", f.c_str());
        return lsnError(getLastError(), cursor, rc);
    };
    LsnCursor full(context_);
    int rc = full.one(fullWhere(static_cast<unsigned long>(database), lsn(f), start, sql7, finishedBy()),
                      kelsql::chain::kNewestStartFirst);
    if (rc != 0 && rc != kDBNoRow) return failed(full, rc);
    const bool haveFull = rc == 0;
    const uint64_t fullId = haveFull ? idOf(full.row()) : 0;
    std::string where = kel::sql::format("sqlDatabaseId = %d and backupType != %d and backupType != %d and "
                                         "fullBackupLSN = %s and startTime <= %s",
                                         database, kelsql::chain::kFile, kelsql::chain::kFileDifferential,
                                         lsn(f).c_str(), start.c_str());
    if (haveFull) where += " and startTime >= " + when(full.row().startTime);
    LsnCursor rows(context_);
    rc = rows.open(where, kelsql::chain::kNewestStartFirst);
    std::string p;
    while (rc == 0 && (rc = rows.fetch()) == 0) {
        const SqlLSNs_t& x = rows.row();
        // A set recorded after limit in limit's second is not before it.
        if (idOf(x) == fullId || w.has(idOf(x)) || kelsql::chain::laterSameStart(x, limit)) continue;
        if (x.backupType == kelsql::chain::kLog) {
            // The logs start at r itself.
            if ((p.empty() ? idOf(x) == idOf(r) : compareLSN(p.c_str(), x.lastLSN) == 0) &&
                compareLSN(f.c_str(), x.fullBackupLSN) == 0) {
                w.add(x);
                p = kel::fieldText(x.firstLSN);
            }
        } else if (x.backupType == kelsql::chain::kDifferential) {
            if (finishedAfterPoint(x)) continue;
            w.add(x);
            break;
        }
    }
    if (rc != 0 && rc != kDBNoRow) return failed(rows, rc);
    if (haveFull) w.add(full.row());
    return true;
}
