// The step-restore chains and the hot-standby step of the chain selector.
#include "ChainRows.h"
#include "Db/Tbl/sqlBackupSet.h"
#include "KelSQL/KelNetSQLHotServerStep.h"
#include "KelSQL/KelSQLBackupSet.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLDatabaseLSNList.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLStepRestoreState.h"

using kelsql::chain::idOf;
using kelsql::chain::lsn;
using kelsql::chain::LsnCursor;
using kelsql::chain::lsnError;
using kelsql::chain::when;

namespace {

const char* const kStepFn = "KelSQLDatabaseLSNList::query(sqlDatabaseId, stepRestoreState)";
const char* const kHotFn =
    "KelSQLDatabaseLSNList::hotServerStandbyQuery(sqlDatabaseId, restoredSqlBackupSetId, restoredSqlBackupSetId, "
    "nextSqlBackupSetId, restoredBackupSetName, flags)";

}  // namespace

bool KelSQLDatabaseLSNList::stepEntry(unsigned long sqlDatabaseId, const KelSQLStepRestoreState& state) {
    if (!idNotSet(getLastError(), sqlDatabaseId, "sqlDatabaseId", kStepFn)) return false;
    if (!state.isObjectInitialized()) {
        getLastError().setNumber(kelsql::kErrValueNotSet);
        getLastError().addArgument("stepRestoreState");
        getLastError().addArgument(kStepFn);
        return false;
    }
    if (!context_.isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, kStepFn);
    stepItems_.clear();
    return true;
}

bool KelSQLDatabaseLSNList::appendStepItem(const SqlLSNs_t& row) {
    KelSQLDBRestoreBackupSetItem_t item;
    item.sqlBackupSetId = idOf(row);
    item.finishTime = kelsql::chain::secondsOf(row.finishTime);
    item.backupType = row.backupType;
    KelSQLBackupSet set(context_, false, KelSQLBackupSet::kRequestType2);
    if (!set.query(idOf(row))) {
        getLastError() = set.getLastError();
        return false;
    }
    item.backupSetId = set.id();
    stepItems_.push_back(item);
    return true;
}

bool KelSQLDatabaseLSNList::stepItemsOf(const std::string& where, const char* order, bool one) {
    LsnCursor rows(context_);
    int rc = rows.open(where, order);
    while (rc == 0 && (rc = rows.fetch()) == 0) {
        if (!appendStepItem(rows.row())) return false;
        if (one) return true;
    }
    dbStatus_ = rc;
    return rc == kDBNoRow || lsnError(getLastError(), rows, rc);
}

bool KelSQLDatabaseLSNList::query(unsigned long sqlDatabaseId, KelSQLStepRestoreState& state) {
    if (!stepEntry(sqlDatabaseId, state)) return false;
    if (!state.isStandby()) return state.isLoading() ? query(sqlDatabaseId, &state) : true;
    if (standbyStep(sqlDatabaseId, state)) return true;
    stepItems_.clear();
    return false;
}

bool KelSQLDatabaseLSNList::standbyStep(unsigned long sqlDatabaseId, const KelSQLStepRestoreState& state) {
    KelSQLBackupSet restored(context_, false, KelSQLBackupSet::kRequestType2);
    if (!restored.query(sqlDatabaseId, state.backupSetId())) {
        getLastError() = restored.getLastError();
        return false;
    }
    if (!appType_.query(context_, restored.sqlId())) {
        getLastError() = appType_.getLastError();
        return false;
    }
    LsnCursor own(context_);
    dbStatus_ = own.one(kel::sql::format("sqlBackupSetId=%d", static_cast<int>(restored.sqlId())), "sqlBackupSetId");
    if (dbStatus_ != 0) return lsnError(getLastError(), own, dbStatus_);
    const SqlLSNs_t r = own.row();
    const int database = static_cast<int>(sqlDatabaseId);
    switch (r.backupType) {
    case kelsql::chain::kLog:
        // Every log that begins where it ends, the latest finish first.
        return stepItemsOf(kel::sql::format("sqlDatabaseId = %d and backupType = %d and firstLSN = %s", database,
                                            kelsql::chain::kLog, lsn(r.lastLSN).c_str()),
                           kelsql::chain::kLatestFinishFirst, false);
    case kelsql::chain::kFull:
    case kelsql::chain::kSnapshot: {
        const std::string key = appType_.bsAppType7().isOn() ? lsn(r.lastLSN) : lsn(r.checkpointLSN);
        return stepItemsOf(kel::sql::format("sqlDatabaseId = %d and backupType = %d and fullBackupLSN = %s", database,
                                            kelsql::chain::kLog, key.c_str()),
                           kelsql::chain::kEarliestFinishFirst, true);
    }
    case kelsql::chain::kDifferential:
        // A log that started before the differential finished holds changes
        // the differential already brought.
        return stepItemsOf(kel::sql::format("sqlDatabaseId = %d and backupType = %d and fullBackupLSN = %s and "
                                            "startTime >= %s",
                                            database, kelsql::chain::kLog, lsn(r.fullBackupLSN).c_str(),
                                            when(r.finishTime).c_str()),
                           kelsql::chain::kEarliestFinishFirst, true);
    default: return true;
    }
}

bool KelSQLDatabaseLSNList::query(unsigned long sqlDatabaseId, KelSQLStepRestoreState* state) {
    if (!state) {
        getLastError().setNumber(kelsql::kErrValueNotSet);
        getLastError().addArgument("stepRestoreState");
        getLastError().addArgument(kStepFn);
        return false;
    }
    if (!stepEntry(sqlDatabaseId, *state)) return false;
    if (!state->isLoading() || !state->isLogOnlyAllowed()) return true;
    std::string first = state->getLogOnlyFirstLSN();
    std::string last = state->getLogOnlyLastLSN();
    const int database = static_cast<int>(sqlDatabaseId);
    unsigned long start = 0;
    {
        SqlBackupSet sets(kelsql::backup::transactionOf(context_));
        sets.setWhere("sqlDatabaseId = %d and backupSetId >= %d", database, static_cast<int>(state->backupSetId()));
        sets.setOrderBy("id");
        dbStatus_ = sets.getOneRow(&sets, false, -1, 0);
        if (dbStatus_ == kDBNoRow) return true;
        if (dbStatus_ != 0) return kelsql::backup::rowError(getLastError(), kStepFn, sets, dbStatus_);
        start = kelsql::backup::column(sets.getDataPtr()->id);
    }
    LsnCursor logs(context_);
    int rc = logs.open(kel::sql::format("sqlDatabaseId = %d and backupType = %d and sqlBackupSetId >= %d", database,
                                        kelsql::chain::kLog, static_cast<int>(start)),
                       "sqlBackupSetId asc");
    while (rc == 0 && (rc = logs.fetch()) == 0) {
        const SqlLSNs_t& row = logs.row();
        // A log that begins after the range, or ends before it, does not
        // continue it; the scan goes on past it.
        if (compareLSN(row.firstLSN, first.c_str()) > 0 || compareLSN(row.lastLSN, last.c_str()) < 0) continue;
        first = last = kel::fieldText(row.lastLSN);
        if (!appendStepItem(row)) {
            stepItems_.clear();
            return false;
        }
    }
    dbStatus_ = rc;
    if (rc == kDBNoRow) return true;
    stepItems_.clear();
    return lsnError(getLastError(), logs, rc);
}

bool KelSQLDatabaseLSNList::hotServerStandbyQuery(unsigned long sqlDatabaseId, unsigned long restoredBackupSetId,
                                                  unsigned long& currentSqlBackupSetId,
                                                  unsigned long& nextSqlBackupSetId,
                                                  const std::string& restoredBackupSetName, unsigned long& flags) {
    KelSQLMessageLog& log = context_.log();
    if (!idNotSet(getLastError(), sqlDatabaseId, "sqlDatabaseId", kHotFn) ||
        !idNotSet(getLastError(), restoredBackupSetId, "restoredBackupSetId", kHotFn))
        return false;
    if (!context_.isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, kHotFn);
    KelSQLBackupSet restored(context_, false, KelSQLBackupSet::kRequestType2);
    bool found;
    if (!restoredBackupSetName.empty()) {
        log.debug3(kHotFn, "Restored Backupset name for hot server restore is [%s].", restoredBackupSetName.c_str());
        found = restored.query(sqlDatabaseId, restoredBackupSetName);
    } else {
        log.debug3(kHotFn, "Backupset name empty. hot server restore backupsetId [%ld].",
                   static_cast<long>(restoredBackupSetId));
        found = restored.query(sqlDatabaseId, restoredBackupSetId);
    }
    if (!found) {
        getLastError() = restored.getLastError();
        return false;
    }
    const unsigned long current = restored.sqlId();
    currentSqlBackupSetId = current;
    log.debug3(kHotFn, "Last Restored Backupset is [%ld].", static_cast<long>(current));
    const int database = static_cast<int>(sqlDatabaseId);

    // The first row of a where text, or none: 0 a row, 100 none, else failure.
    LsnCursor probe(context_);
    auto first = [&](const std::string& where, const char* order) {
        dbStatus_ = probe.one(where, order);
        return dbStatus_;
    };
    auto failed = [&]() { return lsnError(getLastError(), probe, dbStatus_); };
    // A later log that goes past an LSN no log continues from: the standby
    // cannot be brought forward, which is no "up to date".
    // True when the caller fails with the error set here.
    auto gapAfter = [&](const char* reached) {
        const std::string at = lsn(reached);
        const long long holder = first(kel::sql::format("sqlDatabaseId = %d and backupType = %d and firstLSN <= %s and "
                                                  "lastLSN > %s",
                                                  database, kelsql::chain::kLog, at.c_str(), at.c_str()),
                                 kelsql::chain::kEarliestFinishFirst);
        if (holder == 0) return false;
        const long long later = holder != kDBNoRow
            ? holder
            : first(kel::sql::format("sqlDatabaseId = %d and backupType = %d and lastLSN > %s and sqlBackupSetId > %d",
                                     database, kelsql::chain::kLog, at.c_str(), static_cast<int>(current)),
                    kelsql::chain::kEarliestFinishFirst);
        if (later == kDBNoRow) return false;
        if (later != 0) {
            failed();
            return true;
        }
        chainBroken_ = true;
        kelsql::chain::chainError(getLastError(), kHotFn, "the log chain breaks at LSN " + std::string(reached));
        return true;
    };

    if (first(kel::sql::format("sqlDatabaseId = %d and sqlBackupSetId > %d and backupType in (%d, %d)", database,
                               static_cast<int>(current), kelsql::chain::kFull, kelsql::chain::kSnapshot),
              "sqlBackupSetId") == 0) {
        log.debug3(kHotFn, "A later FULL backup found. Do a FULL restore.");
        flags = kelsql::kHotServerFullRestore;
        return true;
    }
    if (dbStatus_ != kDBNoRow) return failed();
    if (first(kel::sql::format("sqlBackupSetId=%d", static_cast<int>(current)), "sqlBackupSetId") != 0)
        return failed();
    const SqlLSNs_t r = probe.row();
    switch (r.backupType) {
    case kelsql::chain::kLog: {
        // Not itself: an empty log begins where it ends.
        if (first(kel::sql::format("sqlDatabaseId = %d and backupType = %d and firstLSN = %s and sqlBackupSetId <> %d",
                                   database, kelsql::chain::kLog, lsn(r.lastLSN).c_str(), static_cast<int>(current)),
                  kelsql::chain::kLatestFinishFirst) == 0) {
            nextSqlBackupSetId = idOf(probe.row());
            return true;
        }
        if (dbStatus_ != kDBNoRow) return failed();
        log.debug3(kHotFn, "NO log backup chains to LSN [%s] for database [%ld]", kel::fieldText(r.lastLSN).c_str(),
                   static_cast<long>(sqlDatabaseId));
        nextSqlBackupSetId = 0;
        // A differential of the same full after the log: the logs that
        // would follow it are not in the catalogue, so start again.
        if (first(kel::sql::format("sqlDatabaseId = %d and backupType  = %d and \t\t\t\t\t\t\t\tfullBackupLSN = %s "
                                   "and finishTime > %s",
                                   database, kelsql::chain::kDifferential, lsn(r.fullBackupLSN).c_str(),
                                   when(r.finishTime).c_str()),
                  kelsql::chain::kLatestFinishFirst) == 0) {
            flags = kelsql::kHotServerFullRestore;
            return true;
        }
        if (dbStatus_ != kDBNoRow) return failed();
        if (gapAfter(r.lastLSN)) return false;
        log.debug3(kHotFn, "NO restores required for database [%ld]. DB is UpToDate", static_cast<long>(sqlDatabaseId));
        flags = kelsql::kHotServerUpToDate;
        return true;
    }
    case kelsql::chain::kFull:
    case kelsql::chain::kSnapshot: {
        log.debug3(kHotFn, "Backupset [%ld] restored is a FULL backup. Find next DIFF backup.",
                   static_cast<long>(current));
        if (!appType_.query(context_, current)) {
            getLastError() = appType_.getLastError();
            return false;
        }
        const std::string key = appType_.bsAppType7().isOn() ? lsn(r.lastLSN) : lsn(r.checkpointLSN);
        const char* const byFull = "sqlDatabaseId = %d and backupType = %d and fullBackupLSN = %s";
        if (first(kel::sql::format(byFull, database, kelsql::chain::kDifferential, key.c_str()),
                  kelsql::chain::kEarliestFinishFirst) == 0) {
            nextSqlBackupSetId = idOf(probe.row());
            log.debug3(kHotFn, "Diff backupset to be restored next [%ld].", static_cast<long>(nextSqlBackupSetId));
            return true;
        }
        if (dbStatus_ != kDBNoRow) return failed();
        log.debug3(kHotFn, "No diff backups found after backupset [%ld].\t\t\t\t\t\t\t\t\tLook for LOG backups",
                   static_cast<long>(current));
        // The first log that goes past the full: one that ends at or before
        // its last LSN has nothing to apply; the one after must hold it.
        if (first(kel::sql::format("sqlDatabaseId = %d and backupType = %d and fullBackupLSN = %s and lastLSN > %s",
                                   database, kelsql::chain::kLog, key.c_str(), lsn(r.lastLSN).c_str()),
                  kelsql::chain::kEarliestFinishFirst) == 0) {
            const unsigned long next = idOf(probe.row());
            if (compareLSN(probe.row().firstLSN, r.lastLSN) > 0 && gapAfter(r.lastLSN)) return false;
            nextSqlBackupSetId = next;
            log.debug3(kHotFn, "Log backupset found to be restored next [%ld].", static_cast<long>(nextSqlBackupSetId));
            return true;
        }
        if (dbStatus_ != kDBNoRow) return failed();
        log.debug3(kHotFn, "No restores required backupset [%ld] is UpToDate.", static_cast<long>(current));
        nextSqlBackupSetId = 0;
        flags = kelsql::kHotServerUpToDate;
        return true;
    }
    case kelsql::chain::kDifferential: {
        log.debug3(kHotFn, "Backupset [%ld] wass a DIFF backup that was restored.", static_cast<long>(current));
        // The LSN columns compare as numbers, so the range test holds
        // whatever the digits' count.
        // The log that holds the differential's last LSN.
        if (first(kel::sql::format("sqlDatabaseId = %d and backupType = %d and \t\t\t\t\t\tfirstLSN <= %s and lastLSN "
                                   "> %s and fullBackupLSN = %s\t\t\t\t\t\tand finishTime > %s",
                                   database, kelsql::chain::kLog, lsn(r.lastLSN).c_str(), lsn(r.lastLSN).c_str(),
                                   lsn(r.fullBackupLSN).c_str(), when(r.finishTime).c_str()),
                  kelsql::chain::kLatestFinishFirst) == 0) {
            nextSqlBackupSetId = idOf(probe.row());
            log.debug3(kHotFn, "LOG backupset to be restored next [%ld].", static_cast<long>(nextSqlBackupSetId));
            return true;
        }
        if (dbStatus_ != kDBNoRow) return failed();
        if (gapAfter(r.lastLSN)) return false;
        log.debug3(kHotFn, "No restores required. Backupset [%ld] is UpToDate.", static_cast<long>(current));
        nextSqlBackupSetId = 0;
        flags = kelsql::kHotServerUpToDate;
        return true;
    }
    default: return true;
    }
}
