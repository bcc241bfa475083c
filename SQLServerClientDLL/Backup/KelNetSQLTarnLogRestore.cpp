#include "KelSQL/KelNetSQLTarnLogRestore.h"

#include <algorithm>

#include "ChainRows.h"
#include "KelSQL/KelNetSQLRegistry.h"
#include "KelSQL/KelSQLBackupSet.h"
#include "KelSQL/KelSQLClassProperties.h"

using kelsql::backup::Where;
using kelsql::chain::LsnCursor;
using kelsql::chain::lsnError;

namespace {

const kelsql::MessageRegistration<KelNetSQLTarnLogRestore, kelsql::AnswerSide::Ostrel> registered;

}  // namespace

bool KelNetSQLTarnLogRestore::take(unsigned long sqlBackupSetId) {
    KelSQLBackupSet set(context(), false, KelSQLBackupSet::kRequestType2);
    if (!set.query(sqlBackupSetId)) {
        getLastError() = set.getLastError();
        return false;
    }
    ids_.push_back(set.sqlId());
    byteSize_ += kelsql::chain::sizeOf(set.backupSize().c_str());
    return true;
}

// One pass in backup-set order takes each log at most once: the list cannot
// repeat or run on, whatever LSNs the rows carry.
bool KelNetSQLTarnLogRestore::query(unsigned long sqlDatabaseId, unsigned long stopSqlBackupSetId,
                                    std::string firstLSN, std::string lastLSN, std::string, std::string,
                                    unsigned long pointInTime) {
    if (kelsql::backup::placeOf(context(), *this) != Where::Local) return true;
    byteSize_ = 0;
    ids_.clear();
    std::string from = std::move(firstLSN), to = std::move(lastLSN);
    bool later = true;
    KelSQLDateAndTime pit(pointInTime);
    const std::string t = pit.odbcDateFormat(true);
    const int database = static_cast<int>(sqlDatabaseId);
    LsnCursor logs(context());
    int rc = logs.open(pointInTime == 0
                           ? kel::sql::format("sqlDatabaseId = %d and backupType = %d", database, kelsql::chain::kLog)
                           : kel::sql::format("sqlDatabaseId = %d and backupType = %d and startTime <= %s ", database,
                                              kelsql::chain::kLog, t.c_str()),
                       "sqlBackupSetId asc");
    while (rc == 0 && (rc = logs.fetch()) == 0) {
        const SqlLSNs_t& row = logs.row();
        if (compareLSN(row.firstLSN, from.c_str()) > 0 || compareLSN(row.lastLSN, to.c_str()) < 0) continue;
        from = to = kel::fieldText(row.lastLSN);
        const unsigned long id = kelsql::chain::idOf(row);
        const unsigned long finish = kelsql::chain::secondsOf(row.finishTime);
        if (!take(id)) return false;
        if (pointInTime != 0) later = pointInTime > finish;
        if (stopSqlBackupSetId != 0 && stopSqlBackupSetId == id) break;
    }
    if (rc != 0 && rc != kDBNoRow) return lsnError(getLastError(), logs, rc);
    logs.close();
    if (!later || pointInTime == 0) return true;
    // The chosen logs end before the point in time: the first log after it.
    rc = logs.one(kel::sql::format("sqlDatabaseId = %d and backupType = %d and  %s < startTime", database,
                                   kelsql::chain::kLog, t.c_str()),
                  kelsql::chain::kOldestStartFirst);
    if (rc != 0) return lsnError(getLastError(), logs, rc);
    return take(kelsql::chain::idOf(logs.row()));
}

bool KelNetSQLTarnLogRestore::answer(KelNetSQLTarnLogRestoreReq_t& req, KelNetSQLTarnLogRestoreRsp_t& rsp) {
    if (!query(static_cast<unsigned long>(req.SqlDatabaseId), static_cast<unsigned long>(req.StopSqlBackupSetId),
               kel::fieldText(req.FirstLSN), kel::fieldText(req.LastLSN), kel::fieldText(req.ExtraLSN1),
               kel::fieldText(req.ExtraLSN2), static_cast<unsigned long>(req.PointInTime)))
        return false;
    if (ids_.size() > kelsql::kBSIdMax) return fail(kelsql::kErrBackupSetListFull, "KelNetSQLTarnLogRestore::buildReply()");
    std::copy(ids_.begin(), ids_.end(), rsp.SqlBackupSetId);
    rsp.TotalCount = ids_.size();
    rsp.RestoreByteSize = byteSize_;
    return true;
}
