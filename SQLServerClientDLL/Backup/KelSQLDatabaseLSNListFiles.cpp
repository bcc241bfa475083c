// File and file-group chains, and the job-based pruning query.
#include "ChainRows.h"
#include "Db/Tbl/sqlBackupSet.h"
#include "KelSQL/KelSQLBackupSet.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLDatabaseLSNList.h"
#include "KelSQL/KelSQLErrorStatus.h"

using kelsql::backup::Where;
using kelsql::chain::idOf;
using kelsql::chain::lsn;
using kelsql::chain::LsnCursor;
using kelsql::chain::lsnError;
using kelsql::chain::when;

bool KelSQLDatabaseLSNList::query(unsigned long sqlBackupSetId, KelNetSQLRestoreType type,
                                  unsigned long sqlDatabaseId, unsigned long time, bool checkNewest) {
    static const char* kFn = "KelSQLDatabaseLSNList::queryForFileGroup(sqlBackupSetId)";
    if (!idNotSet(getLastError(), sqlBackupSetId, "sqlBackupSetId", kFn) ||
        !idNotSet(getLastError(), sqlDatabaseId, "sqlDatabaseId", kFn))
        return false;
    switch (kelsql::backup::placeOf(context_, *this)) {
    case Where::Remote: return sendRequest(type, sqlBackupSetId, sqlDatabaseId, time);
    case Where::Neither: return fail(kelsql::kErrOstrelSideOnly, kFn);
    case Where::Local: break;
    }
    // R: the row the walk starts from.
    SqlLSNs_t r;
    if (type == KelNetSQLRestoreTypeFFGPointInTime) {
        if (!getLogLSNRecordForFFGPIT(nullptr, sqlDatabaseId, time, r)) return false;
    } else {
        LsnCursor newest(context_);
        KelSQLDateAndTime by(time);
        const std::string where =
            time ? kel::sql::format("sqlDatabaseId = %d and finishTime <= %s", static_cast<int>(sqlDatabaseId),
                                    by.odbcDateFormat(true))
                 : kel::sql::format("sqlDatabaseId = %d", static_cast<int>(sqlDatabaseId));
        dbStatus_ = newest.one(where, "sqlBackupSetId desc");
        if (dbStatus_ != 0) return lsnError(getLastError(), newest, dbStatus_);
        r = newest.row();
    }
    // A file restore rolls forward: the newest backup must be a later log.
    if (checkNewest && (r.backupType != kelsql::chain::kLog || r.sqlBackupSetId < static_cast<int32_t>(sqlBackupSetId))) {
        getLastError().setNumber(kelsql::kErrRestoreChain);
        return false;
    }
    KelSQLBackupSet requested(context_, false, KelSQLBackupSet::kRequestType2);
    if (!requested.query(sqlBackupSetId)) {
        getLastError() = requested.getLastError();
        return false;
    }
    const unsigned long subclient = requested.sqlFileSubClientId();
    bsIdList_.clear();
    const std::string f = kel::fieldText(r.fullBackupLSN);
    if (!appType_.query(context_, idOf(r))) {
        getLastError() = appType_.getLastError();
        return false;
    }
    if (appType_.bsAppType7().isOn()) {
        getLastError().setNumber(kelsql::kErrRestoreChain2);
        return false;
    }
    LsnCursor rows(context_);
    const std::string fl = lsn(f);
    int rc = rows.open(
        kel::sql::format("sqlDatabaseId = %d and sqlBackupSetId <= %d and ((fullBackupLSN = %s and backupType != %d "
                         "and backupType != %d) or (checkpointLSN = %s and backupType = %d or backupType = %d) or "
                         "backupType = %d or backupType = %d) and startTime <= %s",
                         static_cast<int>(r.sqlDatabaseId), static_cast<int>(r.sqlBackupSetId), fl.c_str(),
                         kelsql::chain::kFile, kelsql::chain::kFileDifferential, fl.c_str(), kelsql::chain::kFull,
                         kelsql::chain::kSnapshot, kelsql::chain::kFile, kelsql::chain::kFileDifferential,
                         when(r.startTime).c_str()),
        kelsql::chain::kNewestStartFirst);
    if (rc != 0) return lsnError(getLastError(), rows, rc);
    std::vector<uint64_t> w;
    std::string p, lst;
    bool differential = false, found = false;
    while (!found && (rc = rows.fetch()) == 0) {
        const SqlLSNs_t& x = rows.row();
        const bool isRequested = idOf(x) == sqlBackupSetId;
        if (isRequested && kelsql::chain::isFull(x.backupType) && compareLSN(f.c_str(), x.checkpointLSN) == 0) {
            found = true;
        } else if (isRequested && x.backupType == kelsql::chain::kFile &&
                   ((compareLSN(x.firstLSN, p.c_str()) >= 0 && compareLSN(x.lastLSN, lst.c_str()) <= 0) ||
                    (differential && compareLSN(x.fullBackupLSN, f.c_str()) <= 0))) {
            found = true;
        } else if (differential) {
            continue;
        } else if (x.backupType == kelsql::chain::kFileDifferential) {
            if (restoreTimeType_ == KelSQLTimeTypePointInTime &&
                restoreTime_.compare(kelsql::chain::secondsOf(x.finishTime)) > 0)
                continue;
            const unsigned long id = idOf(x);
            KelSQLBackupSet g(context_, false, KelSQLBackupSet::kRequestType2);
            if (!g.query(id)) {
                getLastError() = g.getLastError();
                return false;
            }
            if (g.sqlFileSubClientId() != subclient && g.sqlFileSubClientId() != 0) continue;
            w.push_back(id);
            differential = true;
            continue;
        } else if (x.backupType == kelsql::chain::kLog) {
            if ((p.empty() || compareLSN(p.c_str(), x.lastLSN) == 0) && compareLSN(f.c_str(), x.fullBackupLSN) == 0) {
                w.push_back(idOf(x));
                p = kel::fieldText(x.firstLSN);
                lst = kel::fieldText(x.lastLSN);
            }
            continue;
        } else {
            continue;
        }
        w.push_back(idOf(x));
    }
    if (!found) {
        if (rc != 0 && rc != kDBNoRow) return lsnError(getLastError(), rows, rc);
        return false;
    }
    rows.close();
    bsIdList_.assign(w.rbegin(), w.rend());
    return sumSizes();
}

bool KelSQLDatabaseLSNList::queryForJobBasedPruning(unsigned long sqlBackupSetId) {
    static const char* kFn = "KelSQLDatabaseLSNList::queryForJobBasedPruning(sqlBackupSetId)";
    if (!idNotSet(getLastError(), sqlBackupSetId, "sqlBackupSetId", kFn)) return false;
    if (!context_.isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, kFn);
    LsnCursor target(context_);
    dbStatus_ = target.one(kel::sql::format("sqlBackupSetId = %d", static_cast<int>(sqlBackupSetId)), "sqlBackupSetId");
    if (dbStatus_ != 0) {
        context_.log().debug(kFn, "Failed get backupset info for [%ld].", static_cast<long>(sqlBackupSetId));
        return lsnError(getLastError(), target, dbStatus_);
    }
    const SqlLSNs_t b = target.row();
    bsIdList_.clear();
    if (!appType_.query(context_, idOf(b))) {
        getLastError() = appType_.getLastError();
        return false;
    }
    const int database = static_cast<int>(b.sqlDatabaseId);
    std::string where;
    if (b.backupType == kelsql::chain::kFull) {
        // A SQL Server 7 full is named by its last LSN.
        const bool sql7 = appType_.bsAppType7().isOn();
        const std::string own = lsn(sql7 ? b.lastLSN : b.checkpointLSN);
        where = kel::sql::format(sql7 ? "sqlDatabaseId = %d and ((backupType = %d and lastLSN = %s) or (backupType <> "
                                        "%d and fullBackupLSN = %s))"
                                      : "sqlDatabaseId = %d and ((backupType = %d and checkpointLSN = %s) or "
                                        "(backupType <> %d and fullBackupLSN = %s))",
                                 database, kelsql::chain::kFull, own.c_str(), kelsql::chain::kFull, own.c_str());
    } else {
        where = kel::sql::format("sqlDatabaseId = %d and checkpointLSN = %s and sqlBackupSetId >= %d", database,
                                 lsn(b.checkpointLSN).c_str(), static_cast<int>(sqlBackupSetId));
    }
    LsnCursor rows(context_);
    int rc = rows.open(where, kelsql::chain::kNewestStartFirst);
    std::vector<uint64_t> w;
    while (rc == 0 && (rc = rows.fetch()) == 0) w.push_back(idOf(rows.row()));
    if (rc != kDBNoRow) {
        context_.log().debug(kFn, "Failed to find Log backups for LSN [%s]", kel::fieldText(b.fullBackupLSN).c_str());
        return lsnError(getLastError(), rows, rc);
    }
    if (w.empty()) return false;
    bsIdList_.assign(w.rbegin(), w.rend());
    return true;
}
