// The log-mark reports of the Ostrel: a database's marks, an instance's, the
// marks of a restore window and those several databases share.
#include <algorithm>
#include <cstring>

#include "KelSQL/KelSQLLogMarkName.h"
#include "BackupRecords.h"
#include "Db/Cursor/sqlDbMarkReport.h"
#include "Db/Tbl/sqlLSNs.h"
#include "Db/Tbl/sqlLogMarkNames.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLDatabaseLSNList.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "platform/db/SqlText.h"
#include "platform/util/BoundedCopy.h"

namespace {

const char* const kDatabaseFn =
    "KelSQLLogMarkName::databaseLogMarksReport(tesselId, sqlDatabaseId, list, beforeBrowseTime, afterBrowseTime)";
const char* const kServerFn =
    "KelSQLLogMarkName::databaseLogMarksReport(tesselId, sqlServerId, list, beforeBrowseTime, afterBrowseTime)";
const char* const kRestoreFn =
    "KelSQLLogMarkName::getLogMarksForDatabaseRestore(tesselId, sqlDatabaseId, list, beforeBrowseTime, "
    "afterBrowseTime)";
const char* const kCommonFn =
    "KelSQLLogMarkName::getCommonDatabaseLogMarks(tesselId, sqlServerId, sqlDatabaseIdList, list)";

KelSQL_LogMark_t entryOf(const SqlLogMarkNames_t& row) {
    KelSQL_LogMark_t e;
    e.id = kelsql::backup::column(row.id);
    e.sqlDatabaseId = kelsql::backup::column(row.sqlDatabaseId);
    e.markTime = row.markTime.isCleared() ? 0 : [&] {
        KelSQLDateAndTime t;
        t.setTime(kelsql::backup::wireDate(row.markTime));
        return static_cast<int64_t>(t.time());
    }();
    e.name = kel::fieldText(row.name);
    e.description = kel::fieldText(row.description);
    e.lsn = kel::fieldText(row.lsn);
    return e;
}

KelSQL_LogMark_t entryOf(const SqlDbMarkReport_t& row) {
    SqlLogMarkNames_t same{};
    same.id = row.id;
    same.sqlDatabaseId = row.sqldatabaseid;
    kel::copyWholeField(same.name, row.name);
    kel::copyWholeField(same.description, row.description);
    kel::copyWholeField(same.lsn, row.lsn);
    same.markTime = row.marktime;
    return entryOf(same);
}

}  // namespace

bool KelSQLLogMarkName::reportOpening(unsigned long tesselId, const char* idName, unsigned long id, bool idFirst,
                                      const char* signature) {
    KelLastError& err = getLastError();
    const bool ids = idFirst ? idNotSet(err, id, idName, signature) && idNotSet(err, tesselId, "tesselId", signature)
                             : idNotSet(err, tesselId, "tesselId", signature) && idNotSet(err, id, idName, signature);
    if (!ids) return false;
    if (!context_.isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, signature);
    // SQL Server 7 keeps no marks: the instance of what is reported decides,
    // as for every other use of the marks.
    const bool sql7 = std::strcmp(idName, "sqlServerId") == 0 ? isSql7Instance(id) : isSql7(id);
    if (sql7) return fail(kelsql::kErrLogMark, signature);
    return true;
}

template <class Record>
bool KelSQLLogMarkName::fetchReport(Record& record, std::vector<KelSQL_LogMark_t>& list, const char* signature) {
    sqlCode_ = record.openCursor();
    if (sqlCode_ == kDBNoRow) return true;
    if (sqlCode_ != 0) return kelsql::backup::rowError(getLastError(), signature, record, sqlCode_);
    uint64_t sequence = 0;
    while ((sqlCode_ = record.fetchCursor(true)) == 0) {
        list.push_back(entryOf(*record.getDataPtr()));
        list.back().sequence = ++sequence;
    }
    record.closeCursor();
    if (sqlCode_ == kDBNoRow) return true;
    return kelsql::backup::rowError(getLastError(), signature, record, sqlCode_);
}

bool KelSQLLogMarkName::databaseLogMarksReport(unsigned long tesselId, unsigned long sqlDatabaseId,
                                               std::vector<KelSQL_LogMark_t>& list) {
    if (!reportOpening(tesselId, "sqlDatabaseId", sqlDatabaseId, true, kDatabaseFn)) return false;
    list.clear();
    SqlLogMarkNames record(kelsql::backup::transactionOf(context_));
    record.setWhere("tesselId = %d and sqlDatabaseId = %d", static_cast<int>(tesselId),
                    static_cast<int>(sqlDatabaseId));
    record.setOrderBy("name, markTime desc, sqlDatabaseId");
    return fetchReport(record, list, kDatabaseFn);
}

bool KelSQLLogMarkName::serverLogMarksReport(unsigned long tesselId, unsigned long sqlServerId,
                                             std::vector<KelSQL_LogMark_t>& list) {
    if (!reportOpening(tesselId, "sqlServerId", sqlServerId, true, kServerFn)) return false;
    list.clear();
    SqlDbMarkReport cursor(kelsql::backup::transactionOf(context_));
    sqlCode_ = cursor.setValues(static_cast<int>(tesselId), static_cast<int>(sqlServerId));
    if (sqlCode_ != 0) return kelsql::backup::rowError(getLastError(), kServerFn, cursor, sqlCode_);
    return fetchReport(cursor, list, kServerFn);
}

bool KelSQLLogMarkName::getLogMarksForDatabaseRestore(unsigned long tesselId, unsigned long sqlDatabaseId,
                                                      std::vector<KelSQL_LogMark_t>& list,
                                                      unsigned long beforeBrowseTime, unsigned long afterBrowseTime) {
    if (!reportOpening(tesselId, "sqlDatabaseId", sqlDatabaseId, true, kRestoreFn)) return false;
    list.clear();
    unsigned long lower = afterBrowseTime;
    if (lower == 0) {
        // The window opens where the full a restore to beforeBrowseTime
        // starts from finished.
        KelSQLDatabaseLSNList chain(context_, false);
        SqlLSNs_t full{};
        if (!chain.getLSNRecordForLastFull(nullptr, sqlDatabaseId, beforeBrowseTime, full))
            return fail(kelsql::kErrLogMark, kRestoreFn);
        KelSQLDateAndTime t;
        t.setTime(kelsql::backup::wireDate(full.finishTime));
        lower = t.time();
    }
    std::string where = kel::sql::format("tesselId = %d and sqlDatabaseId = %d", static_cast<int>(tesselId),
                                         static_cast<int>(sqlDatabaseId));
    KelSQLDateAndTime bound;
    if (lower != 0) {
        bound.setTime(static_cast<long>(lower));
        where += kel::sql::format(" and markTime >= %s", bound.odbcDateFormat(false));
    }
    if (beforeBrowseTime != 0) {
        bound.setTime(static_cast<long>(beforeBrowseTime));
        where += kel::sql::format(" and markTime <= %s", bound.odbcDateFormat(false));
    }
    SqlLogMarkNames record(kelsql::backup::transactionOf(context_));
    record.setWhere("%s", where.c_str());
    record.setOrderBy("markTime desc");
    return fetchReport(record, list, kRestoreFn);
}

bool KelSQLLogMarkName::getCommonDatabaseLogMarks(unsigned long tesselId, unsigned long sqlServerId,
                                                  const std::vector<unsigned long>& sqlDatabaseIdList,
                                                  unsigned long beforeBrowseTime,
                                                  std::vector<KelSQL_LogMark_t>& list) {
    KelLastError& err = getLastError();
    if (!idNotSet(err, tesselId, "tesselId", kCommonFn) || !idNotSet(err, sqlServerId, "sqlServerId", kCommonFn) ||
        !idNotSet(err, sqlDatabaseIdList.size(), "sqlDatabaseIdList", kCommonFn))
        return false;
    if (!context_.isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, kCommonFn);
    if (isSql7Instance(sqlServerId)) return fail(kelsql::kErrLogMark, kCommonFn);
    list.clear();
    if (!getLogMarksForDatabaseRestore(tesselId, sqlDatabaseIdList.front(), list, beforeBrowseTime, 0)) return false;
    for (size_t i = 1; i < sqlDatabaseIdList.size() && !list.empty(); ++i) {
        std::vector<KelSQL_LogMark_t> other;
        if (!getLogMarksForDatabaseRestore(tesselId, sqlDatabaseIdList[i], other, beforeBrowseTime, 0)) return false;
        list.erase(std::remove_if(list.begin(), list.end(),
                                  [&](const KelSQL_LogMark_t& mark) {
                                      return std::none_of(other.begin(), other.end(), [&](const KelSQL_LogMark_t& o) {
                                          return o.name == mark.name && o.markTime == mark.markTime;
                                      });
                                  }),
                   list.end());
    }
    return true;
}
