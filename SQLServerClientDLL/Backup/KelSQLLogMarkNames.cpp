#include "KelSQL/KelSQLLogMarkName.h"

#include "BackupRecords.h"
#include "Db/Tbl/sqlDatabase.h"
#include "Db/Tbl/sqlLogMarkNames.h"
#include "Db/Tbl/sqlServer.h"
#include "Db/Tbl/sqlVersion.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLErrors.h"
#include "platform/db/SqlText.h"
#include "platform/util/BoundedCopy.h"

using kelsql::backup::column;

namespace {

KelNetSQLDateTime_t wireTime(const KelSQLDateAndTime& time) {
    KelNetSQLDateTime_t w;
    if (time.time() == 0) return w;
    const TIMESTAMP_STRUCT& ts = time.timeStamp();
    w.Year = ts.year;
    w.Month = ts.month;
    w.Day = ts.day;
    w.Hour = ts.hour;
    w.Minute = ts.minute;
    w.Second = ts.second;
    return w;
}

bool isZero(const KelNetSQLDateTime_t& w) {
    return w.Year == 0 && w.Month == 0 && w.Day == 0 && w.Hour == 0 && w.Minute == 0 && w.Second == 0;
}

}  // namespace

KelSQLLogMarkName::KelSQLLogMarkName(KelSQLClassProperties& context, bool serverObject)
    : KelNetSQLLogMarkName(context, false), context_(context), serverObject_(serverObject) {
    initializeSQLObject();
}

void KelSQLLogMarkName::initializeSQLObject() {
    loaded_ = false;
    id_ = tesselId_ = sqlDatabaseId_ = 0;
    name_.clear();
    lsn_.clear();
    description_.clear();
    markTime_.setTime(0L);
}

bool KelSQLLogMarkName::fail(uint64_t number, const char* signature) {
    getLastError().setNumber(number);
    getLastError().addArgument(signature);
    return false;
}

// ---- copies

bool KelSQLLogMarkName::copyToNetwork(KelNetSQLLogMarkName_t& rec) {
    rec.SqlLogMarkNamesId = id_;
    rec.SqlDatabaseId = sqlDatabaseId_;
    rec.TesselId = tesselId_;
    rec.MarkTime = wireTime(markTime_);
    return kelsql::FieldCopies(getLastError(), "KelSQLLogMarkName::copyToNetwork(rec)")
        .text(rec.MarkName, name_, "markName")
        .text(rec.MarkLSN, lsn_, "markLSN")
        .text(rec.Description, description_, "description")
        .ok();
}

void KelSQLLogMarkName::copyFromNetwork(const KelNetSQLLogMarkName_t& rec) {
    initializeSQLObject();
    id_ = static_cast<unsigned long>(rec.SqlLogMarkNamesId);
    sqlDatabaseId_ = static_cast<unsigned long>(rec.SqlDatabaseId);
    tesselId_ = static_cast<unsigned long>(rec.TesselId);
    name_ = kel::fieldText(rec.MarkName);
    lsn_ = kel::fieldText(rec.MarkLSN);
    description_ = kel::fieldText(rec.Description);
    if (!isZero(rec.MarkTime)) markTime_.setTime(rec.MarkTime);
    loaded_ = true;
}

bool KelSQLLogMarkName::copyToSql(SqlLogMarkNames_t& row) {
    row.id = static_cast<int32_t>(id_);
    row.tesselId = static_cast<int32_t>(tesselId_);
    row.sqlDatabaseId = static_cast<int32_t>(sqlDatabaseId_);
    row.markTime.clear();
    if (markTime_.time() != 0) kelsql::backup::storeDate(row.markTime, wireTime(markTime_));
    return kelsql::FieldCopies(getLastError(), "KelSQLLogMarkName::copyToSql(row)")
        .text(row.name, name_, "name")
        .text(row.lsn, lsn_, "lsn")
        .text(row.description, description_, "description")
        .ok();
}

void KelSQLLogMarkName::copyFromSql(const SqlLogMarkNames_t& row) {
    KelNetSQLLogMarkName_t rec{};
    rec.SqlLogMarkNamesId = column(row.id);
    rec.SqlDatabaseId = column(row.sqlDatabaseId);
    rec.TesselId = column(row.tesselId);
    kel::copyWholeField(rec.MarkName, row.name);
    kel::copyWholeField(rec.MarkLSN, row.lsn);
    kel::copyWholeField(rec.Description, row.description);
    if (!row.markTime.isCleared()) rec.MarkTime = kelsql::backup::wireDate(row.markTime);
    copyFromNetwork(rec);
}

// ---- the Ostrel's catalogue

bool KelSQLLogMarkName::isSql7(unsigned long sqlDatabaseId) {
    DBtran* tran = kelsql::backup::transactionOf(context_);
    SqlDatabase database(tran);
    database.setWhere("backupSetId = %d", static_cast<int>(sqlDatabaseId));
    if (sqlDatabaseId == 0 || database.getOneRow(&database, false, -1, 0) != 0) return false;
    return isSql7Instance(static_cast<unsigned long>(static_cast<uint32_t>(database.getDataPtr()->sqlServerId)));
}

bool KelSQLLogMarkName::isSql7Instance(unsigned long sqlServerId) {
    DBtran* tran = kelsql::backup::transactionOf(context_);
    SqlServer server(tran);
    server.setWhere("instanceId = %d", static_cast<int>(sqlServerId));
    if (server.getOneRow(&server, false, -1, 0) != 0 || server.getDataPtr()->sqlVersionId == 0) return false;
    SqlVersion version(tran);
    version.setWhere("id = %d", server.getDataPtr()->sqlVersionId);
    return version.getOneRow(&version, false, -1, 0) == 0 && version.getDataPtr()->major == 7;
}

// One row of where_ into the record; sqlDatabaseId 0: the row's database
// decides whether marks are kept.
bool KelSQLLogMarkName::serverQuery(unsigned long sqlDatabaseId) {
    static const char* kFn = "KelSQLLogMarkName::serverQuery(where)";
    if (!context_.isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, kFn);
    if (sqlDatabaseId != 0 && isSql7(sqlDatabaseId)) return fail(kelsql::kErrLogMark, kFn);
    SqlLogMarkNames record(kelsql::backup::transactionOf(context_));
    record.setWhere("%s", where_.c_str());
    sqlCode_ = record.getOneRow(&record, false, -1, 0);
    if (sqlCode_ != 0) return kelsql::backup::rowError(getLastError(), kFn, record, sqlCode_);
    if (sqlDatabaseId == 0 && isSql7(column(record.getDataPtr()->sqlDatabaseId)))
        return fail(kelsql::kErrLogMark, kFn);
    copyFromSql(*record.getDataPtr());
    return true;
}

bool KelSQLLogMarkName::serverRemove(unsigned long sqlDatabaseId) {
    static const char* kFn = "KelSQLLogMarkName::serverRemove(where)";
    if (!context_.isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, kFn);
    if (isSql7(sqlDatabaseId)) return true;
    if (!context_.isTransactionStarted()) return fail(kelsql::kErrTranRequired, kFn);
    SqlLogMarkNames record(context_.getDBTransaction());
    record.setWhere("%s", where_.c_str());
    sqlCode_ = record.rowDelete();
    if (sqlCode_ == 0 || sqlCode_ == kDBNoRow) return true;
    return kelsql::backup::rowError(getLastError(), kFn, record, sqlCode_);
}

bool KelSQLLogMarkName::insert() {
    static const char* kFn = "KelSQLLogMarkName::insert(insert)";
    KelLastError& err = getLastError();
    if (!idNotSet(err, sqlDatabaseId_, "sqlDatabaseId", kFn) || !idNotSet(err, tesselId_, "tesselId", kFn) ||
        !idNotSet(err, markTime_.time(), "markTime", kFn) || !stringEmpty(err, name_, "markName", kFn) ||
        !stringEmpty(err, lsn_, "markLSN", kFn))
        return false;
    if (!context_.isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, kFn);
    if (isSql7(sqlDatabaseId_)) return fail(kelsql::kErrLogMark, kFn);
    if (!context_.isTransactionStarted()) return fail(kelsql::kErrTranRequired, kFn);
    if (!textFits(err, name_, kNameMax + 1, "markName", kFn) ||
        !textFits(err, lsn_, kLSNMax + 1, "markLSN", kFn) ||
        !textFits(err, description_, kDescriptionMax + 1, "description", kFn))
        return false;
    SqlLogMarkNames record(context_.getDBTransaction());
    SqlLogMarkNames_t& row = *record.getDataPtr();
    if (!copyToSql(row)) return false;
    row.id = 0;
    sqlCode_ = record.rowInsert(true);
    if (sqlCode_ != 0) return kelsql::backup::rowError(err, kFn, record, sqlCode_);
    copyFromSql(row);
    return true;
}

bool KelSQLLogMarkName::query(unsigned long tesselId, unsigned long sqlDatabaseId, bool& found) {
    static const char* kFn = "KelSQLLogMarkName::query(tesselId, sqlDatabaseId, found)";
    found = false;
    if (!idNotSet(getLastError(), tesselId, "tesselId", kFn) ||
        !idNotSet(getLastError(), sqlDatabaseId, "sqlDatabaseId", kFn))
        return false;
    if (!context_.isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, kFn);
    where_ = kel::sql::format("tesselId = %d and sqlDatabaseId = %d", static_cast<int>(tesselId),
                              static_cast<int>(sqlDatabaseId));
    if (serverQuery(sqlDatabaseId)) {
        found = true;
        return true;
    }
    // No row is an answer, not a failure; the number stays in the error.
    if (getLastError().number() != kelsql::kErrRowOperation) return false;
    if (sqlCode_ == kDBNoRow) return true;
    found = sqlCode_ == 1004;
    return found;
}

bool KelSQLLogMarkName::query(unsigned long sqlLogMarkNamesId) {
    static const char* kFn = "KelSQLLogMarkName::query(sqlLogMarkNamesId)";
    if (!idNotSet(getLastError(), sqlLogMarkNamesId, "sqlLogMarkNamesId", kFn)) return false;
    if (!context_.isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, kFn);
    where_ = kel::sql::format("id=%d", static_cast<int>(sqlLogMarkNamesId));
    return serverQuery(0);
}

bool KelSQLLogMarkName::removeDatabase(unsigned long tesselId, unsigned long sqlDatabaseId) {
    static const char* kFn = "KelSQLLogMarkName::removeDatabase(tesselId, sqlDatabaseId)";
    if (!idNotSet(getLastError(), tesselId, "tesselId", kFn) ||
        !idNotSet(getLastError(), sqlDatabaseId, "sqlDatabaseId", kFn))
        return false;
    if (!context_.isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, kFn);
    where_ = kel::sql::format("tesselId = %d and sqlDatabaseId = %d", static_cast<int>(tesselId),
                              static_cast<int>(sqlDatabaseId));
    return serverRemove(sqlDatabaseId);
}

bool KelSQLLogMarkName::removeLSNRange(unsigned long tesselId, unsigned long sqlDatabaseId,
                                       const std::string& firstLSN, const std::string& lastLSN) {
    static const char* kFn = "KelSQLLogMarkName::removeLSNRange(tesselId, sqlDatabaseId, firstLSN, lastLSN)";
    KelLastError& err = getLastError();
    if (!idNotSet(err, tesselId, "tesselId", kFn) || !idNotSet(err, sqlDatabaseId, "sqlDatabaseId", kFn) ||
        !stringEmpty(err, firstLSN, "firstLSN", kFn) || !stringEmpty(err, lastLSN, "lastLSN", kFn) ||
        !textFits(err, firstLSN, kLSNMax + 1, "firstLSN", kFn) ||
        !textFits(err, lastLSN, kLSNMax + 1, "lastLSN", kFn))
        return false;
    // The lsn column compares as a number, so "1000" lies between "900" and "1100".
    where_ = kel::sql::format("tesselId = %d and sqlDatabaseId = %d and lsn >= %s and lsn <= %s",
                              static_cast<int>(tesselId), static_cast<int>(sqlDatabaseId),
                              kel::sql::quoted(firstLSN).c_str(), kel::sql::quoted(lastLSN).c_str());
    return serverRemove(sqlDatabaseId);
}

// ---- the agent's requests

bool KelSQLLogMarkName::networkUpdate() {
    static const char* kFn = "KelSQLLogMarkName::networkUpdate()";
    KelNetSQLLogMarkNameReq_t* req = requestMessage(true);
    if (!req) return fail(kelsql::kErrNoBuffer, kFn);
    req->DBCode = KelNetSQLLogMarkNameInsert;
    return copyToNetwork(req->LogMarkName) && exchange(getLastError());
}

bool KelSQLLogMarkName::getLastLogMarkUpdate(unsigned long tesselId, unsigned long sqlDatabaseId) {
    static const char* kFn = "KelSQLLogMarkName::getLastLogMarkUpdate(tesselId, sqlDatabaseId)";
    if (!idNotSet(getLastError(), sqlDatabaseId, "sqlDatabaseId", kFn) ||
        !idNotSet(getLastError(), tesselId, "tesselId", kFn))
        return false;
    if (!context_.isClientOperations()) return fail(kelsql::kErrAgentSideOnly, kFn);
    KelNetSQLLogMarkNameReq_t* req = requestMessage(true);
    if (!req) return fail(kelsql::kErrNoBuffer, kFn);
    req->DBCode = KelNetSQLLogMarkNameLast;
    req->LogMarkName.SqlDatabaseId = sqlDatabaseId;
    req->LogMarkName.TesselId = tesselId;
    if (!exchange(getLastError())) return false;
    copyFromNetwork(responseMessage(false)->LogMarkName);
    return true;
}

// ---- the handler's answers

bool KelSQLLogMarkName::query(const KelNetSQLLogMarkName_t& request, KelNetSQLLogMarkName_t& response) {
    static const char* kFn = "KelSQLLogMarkName::query(req, rsp)";
    if (!serverObject_) return fail(kelsql::kErrNoSide, kFn);
    initializeSQLObject();
    const auto sqlDatabaseId = static_cast<unsigned long>(request.SqlDatabaseId);
    // The newest mark of this database, whatever other databases wrote since.
    where_ = kel::sql::format(
        "id = (SELECT MAX(id) FROM sqlLogMarkNames WHERE sqlDatabaseId = %d and tesselId = %d)",
        static_cast<int>(sqlDatabaseId), static_cast<int>(request.TesselId));
    if (!serverQuery(sqlDatabaseId)) {
        if (getLastError().number() != kelsql::kErrRowOperation || sqlCode_ != kDBNoRow) return false;
        getLastError().clear();
        initializeSQLObject();
    }
    return copyToNetwork(response);
}

bool KelSQLLogMarkName::insert(const KelNetSQLLogMarkName_t& request, KelNetSQLLogMarkName_t&) {
    if (!serverObject_) return fail(kelsql::kErrNoSide, "KelSQLLogMarkName::insert(req, rsp)");
    copyFromNetwork(request);
    return insert();
}
