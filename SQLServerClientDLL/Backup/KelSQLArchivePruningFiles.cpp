// Archive file pruning: marking a batch of one database's archive files, and
// removing the backup sets whose archive files or archive group are gone.
#include <unordered_map>

#include "ChainRows.h"
#include "Db/Cursor/sqlArchGroupDelInfo.h"
#include "Db/Cursor/sqlGetBackupSetsToPrune.h"
#include "Db/Cursor/sqlTombStoneSQLBackups.h"
#include "KelSQL/KelNetSQLDBTransaction.h"
#include "KelSQL/KelSQLArchivePruning.h"
#include "KelSQL/KelSQLBackupSet.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLLookups.h"

using kelsql::chain::idOf;
using kelsql::chain::lsn;
using kelsql::chain::when;

namespace {

const char* const kPruneFn = "KelSQLArchivePruning::pruneArchiveFiles(prunable, cycles, dateTime, archiveList)";
const char* const kRemoveFn = "KelSQLArchivePruning::removePrunedFiles()";
const char* const kGroupFn = "KelSQLArchivePruning::deleteArchiveGroup(tesselId, archiveGroupId)";

using Archives = std::vector<KelSQLFullArchiveMapping_t>;
// The entries of each backup set, last entry first.
using EntriesOf = std::unordered_map<uint64_t, std::vector<size_t>>;

void logArchives(KelSQLMessageLog& log, const char* heading, const Archives& list, bool verdicts) {
    if (!log.isDebug3On()) return;
    log.debug3(kPruneFn, "%s", heading);
    for (size_t i = list.size(); i-- > 0;) {
        const KelSQLFullArchiveMapping_t& e = list[i];
        if (verdicts) {
            if (e.isPrunable)
                log.debug3(kPruneFn, "Prunable: sql bs = %d   ag = %d  af = %d", static_cast<int>(e.sqlBackupSetId),
                           static_cast<int>(e.archiveGroupId), static_cast<int>(e.archiveFileId));
        } else {
            log.debug3(kPruneFn, "archives ag = %d  af = %d  bt = %d", static_cast<int>(e.archiveGroupId),
                       static_cast<int>(e.archiveFileId), static_cast<int>(e.backupType));
        }
    }
}

// A cursor record closed whichever way its function ends.
template <class Record>
struct Closing {
    Record& record;
    ~Closing() { record.closeCursor(); }
};

}  // namespace

bool KelSQLArchivePruning::pruneArchiveFiles(bool& prunable, uint64_t cycles, uint64_t dateTime, Archives& archiveList) {
    prunable = false;
    // Every entry starts refused: an early answer never leaves an entry
    // marked that was not judged.
    for (KelSQLFullArchiveMapping_t& e : archiveList) e.isPrunable = false;
    if (archiveList.empty()) return true;
    logArchives(context_.log(), "Inputted ArMgr Archives for possible pruning!", archiveList, false);
    if (!cyclesCreated_) {
        bool computed = false;
        for (size_t i = archiveList.size(); i-- > 0 && !computed;) {
            KelSQLFullArchiveMapping_t& e = archiveList[i];
            if (createDatabaseCycles(cycles, dateTime, e.tesselId, e.archiveGroupId, e.archiveFileId)) {
                computed = true;
                continue;
            }
            if (!archiveNotFound_) return false;
            e.sqlBackupSetId = 0;
            e.isPrunable = true;
            cyclesCreated_ = true;
            context_.log().debug3(kPruneFn, "Unknown Archive, Prunable: sql bs = %d   ag = %d  af = %d", 0,
                                  static_cast<int>(e.archiveGroupId), static_cast<int>(e.archiveFileId));
            if (i == 0) return true;
        }
        if (!cyclesCreated_) return true;
    }
    if (!markBackupSets(archiveList)) return false;
    for (const KelSQLFullArchiveMapping_t& p : prunableFulls_)
        if (!markDependants(p, archiveList)) return false;
    logArchives(context_.log(), "Prunable Archive Files!", archiveList, true);
    return true;
}

bool KelSQLArchivePruning::markBackupSets(Archives& archiveList) {
    for (size_t i = archiveList.size(); i-- > 0;) {
        KelSQLFullArchiveMapping_t& e = archiveList[i];
        if (queryArchiveSet(e.tesselId, e.archiveGroupId, e.archiveFileId)) {
            e.sqlBackupSetId = sqlBackupSetId_;
            e.isPrunable = false;
            continue;
        }
        if (dbStatus_ != kDBNoRow) return false;
        error_.clear();
        e.sqlBackupSetId = 0;
        e.isPrunable = true;
        context_.log().debug3(kPruneFn, "Prunable: sql bs = %d   ag = %d  af = %d", 0,
                              static_cast<int>(e.archiveGroupId), static_cast<int>(e.archiveFileId));
    }
    return true;
}

// Marks the full's entries and those of every backup based on it; withdraws
// them all when one such backup lies outside the batch.
bool KelSQLArchivePruning::markDependants(const KelSQLFullArchiveMapping_t& p, Archives& archiveList) {
    kelsql::chain::LsnCursor row(context_);
    dbStatus_ = row.one(kel::sql::format("sqlBackupSetId = %d", static_cast<int>(p.sqlBackupSetId)), "sqlBackupSetId");
    if (dbStatus_ != 0) return kelsql::chain::lsnError(error_, row, dbStatus_);
    const SqlLSNs_t full = row.row();
    if (!appType_.query(context_, static_cast<unsigned long>(p.sqlBackupSetId))) return copyError(appType_.getLastError());
    const bool sql7 = appType_.bsAppType7().isOn();
    const std::string key = lsn(sql7 ? full.lastLSN : full.checkpointLSN);
    const std::string finish = when(full.finishTime);

    EntriesOf entries;
    for (size_t i = archiveList.size(); i-- > 0;) entries[archiveList[i].sqlBackupSetId].push_back(i);
    std::vector<bool*> marks;
    auto mark = [&](uint64_t sqlBackupSetId) {
        auto found = entries.find(sqlBackupSetId);
        if (found == entries.end()) return false;
        for (size_t i : found->second) {
            archiveList[i].isPrunable = true;
            marks.push_back(&archiveList[i].isPrunable);
        }
        return true;
    };
    mark(p.sqlBackupSetId);
    kelsql::chain::LsnCursor rows(context_);
    int rc = rows.open(
        kel::sql::format(sql7 ? "sqlDatabaseId = %d and ((fullBackupLSN = %s and startTime > %s and (backupType = %d or "
                                "backupType = %d)) or (lastLSN = %s and startTime > %s and backupType = %d))"
                              : "sqlDatabaseId = %d and ((fullBackupLSN = %s and startTime > %s and (backupType = %d or "
                                "backupType = %d)) or (checkpointLSN = %s and startTime > %s and backupType = %d))",
                         static_cast<int>(full.sqlDatabaseId), key.c_str(), finish.c_str(), kelsql::chain::kLog,
                         kelsql::chain::kDifferential, key.c_str(), finish.c_str(), kelsql::chain::kFull),
        kelsql::chain::kNewestStartFirst);
    if (rc != 0) return kelsql::chain::lsnError(error_, rows, rc);
    while ((rc = rows.fetch()) == 0) {
        if (mark(idOf(rows.row()))) continue;
        // A backup based on the full lies outside the batch: the full stays.
        for (bool* m : marks) *m = false;
        return true;
    }
    if (rc != kDBNoRow) return kelsql::chain::lsnError(error_, rows, rc);
    return true;
}

bool KelSQLArchivePruning::removePrunedFiles() {
    {
        SqlTombStoneSQLBackups tombStone(nullptr);
        Closing<SqlTombStoneSQLBackups> closing{tombStone};
        int rc = tombStone.setValues(1);
        if (rc == 0) rc = tombStone.openCursor();
        if (rc == 0) rc = tombStone.fetchCursor(true);
        if (rc != 0 && rc != kDBNoRow) return kelsql::backup::rowError(error_, kRemoveFn, tombStone, rc);
    }
    std::vector<SqlGetBackupSetsToPrune_t> candidates;
    {
        SqlGetBackupSetsToPrune prune(nullptr);
        Closing<SqlGetBackupSetsToPrune> closing{prune};
        int rc = prune.setValues();
        if (rc == 0) rc = prune.openCursor();
        while (rc == 0 && (rc = prune.fetchCursor(true)) == 0) candidates.push_back(*prune.getDataPtr());
        if (rc != kDBNoRow) return kelsql::backup::rowError(error_, kRemoveFn, prune, rc);
    }
    KelSQLBackupSet set(context_, false, KelSQLBackupSet::kRequestType2);
    // Each client's host is looked up once.
    std::unordered_map<uint64_t, std::string> hosts;
    for (const SqlGetBackupSetsToPrune_t& c : candidates) {
        if (!context_.startTransaction()) return copyError(context_.getLastError());
        const uint64_t client = (static_cast<uint64_t>(static_cast<uint32_t>(c.tesselId)) << 32) |
                                static_cast<uint32_t>(c.clientId);
        auto host = hosts.find(client);
        if (host == hosts.end()) {
            std::string name;
            // Not found: the removal goes on without a host; the lookup's error stays.
            getSqlClientHostnameGivenClientId(error_, kelsql::backup::column(c.tesselId),
                                              kelsql::backup::column(c.clientId), name);
            host = hosts.emplace(client, name).first;
        }
        context_.setRemoteSqlHostName(host->second);
        if (!set.remove(kelsql::backup::column(c.backupSetId))) {
            context_.rollBackTransaction();
            return copyError(set.getLastError());
        }
        if (!context_.commitTransaction()) return copyError(context_.getLastError());
    }
    return true;
}

bool KelSQLArchivePruning::deleteArchiveGroup(uint64_t tesselId, uint64_t archiveGroupId) {
    if (!context_.isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, kGroupFn);
    if (!idNotSet(error_, static_cast<unsigned long>(tesselId), "tesselId", kGroupFn) ||
        !idNotSet(error_, static_cast<unsigned long>(archiveGroupId), "archiveGroupId", kGroupFn))
        return false;
    if (!context_.isTransactionStarted()) {
        if (KelNetSQLDBTransaction* t = context_.getNetworkDBTransaction()) t->rollbackTransaction();
        return fail(kelsql::kErrTranRequired, kGroupFn);
    }
    std::vector<SqlArchGroupDelInfo_t> rows;
    {
        SqlArchGroupDelInfo info(context_.getDBTransaction());
        Closing<SqlArchGroupDelInfo> closing{info};
        int rc = info.setValues(static_cast<int>(tesselId), static_cast<int>(archiveGroupId));
        if (rc == 0) rc = info.openCursor();
        while (rc == 0 && (rc = info.fetchCursor(true)) == 0) rows.push_back(*info.getDataPtr());
        if (rc != kDBNoRow) return kelsql::backup::rowError(error_, kGroupFn, info, rc);
    }
    KelSQLBackupSet set(context_, false, KelSQLBackupSet::kRequestType2);
    int32_t client = 0;
    for (const SqlArchGroupDelInfo_t& r : rows) {
        if (&r == &rows.front() || r.clientid != client) {
            client = r.clientid;
            context_.setRemoteSqlHostName(kel::fieldText(r.clienthostname));
            context_.log().debug3(kGroupFn, "client %d: remote SQL host [%s]", static_cast<int>(client),
                                  context_.remoteSqlHostName().c_str());
        }
        if (!set.remove(kelsql::backup::column(r.sqlbackupsetid))) return copyError(set.getLastError());
    }
    return true;
}
