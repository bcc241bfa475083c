#include "KelSQL/KelSQLLSN.h"

#include "Db/Tbl/sqlLSNs.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLErrors.h"
#include "BackupRecords.h"
#include "platform/db/SqlText.h"
#include "platform/util/BoundedCopy.h"

using kelsql::backup::column;
using kelsql::backup::Where;

KelSQLLSN::KelSQLLSN(KelSQLClassProperties& context, bool serverObject)
    : KelNetSQLLSN(context, false), context_(context), serverObject_(serverObject) {
    initializeSQLObject();
}

void KelSQLLSN::initializeSQLObject() {
    loaded_ = false;
    startTime_ = KelNetSQLDateTime_t();
    finishTime_ = KelNetSQLDateTime_t();
    backupType_ = 0;
    first_.clear();
    last_.clear();
    checkpoint_.clear();
    database_.clear();
    sqlBackupSetId_ = sqlDatabaseId_ = tesselId_ = 0;
}

bool KelSQLLSN::fail(uint64_t number, const char* signature) {
    getLastError().setNumber(number);
    getLastError().addArgument(signature);
    return false;
}

bool KelSQLLSN::catalogueError(const char* signature, SqlLSNs& table) {
    return kelsql::backup::rowError(getLastError(), signature, table, sqlCode_);
}

bool KelSQLLSN::lsnTextsFit(const std::string* texts, const char* signature) {
    static const char* const kFields[] = {"firstLSN", "lastLSN", "checkpointLSN", "databaseLSN"};
    for (int i = 0; i < 4; ++i)
        if (!textFits(getLastError(), texts[i], kLSNMax + 1, kFields[i], signature)) return false;
    return true;
}

bool KelSQLLSN::isSQLObjectInitialized() {
    if (!loaded_)
        loaded_ = backupType_ != 0 && !first_.empty() && !last_.empty() && !checkpoint_.empty() &&
                  !database_.empty() && tesselId_ != 0 && sqlDatabaseId_ != 0;
    return loaded_;
}

// ---- copies

void KelSQLLSN::copyFromSql(const SqlLSNs_t& row) {
    initializeSQLObject();
    sqlBackupSetId_ = column(row.sqlBackupSetId);
    tesselId_ = column(row.tesselId);
    sqlDatabaseId_ = column(row.sqlDatabaseId);
    startTime_ = kelsql::backup::wireDate(row.startTime);
    finishTime_ = kelsql::backup::wireDate(row.finishTime);
    backupType_ = column(row.backupType);
    first_ = kel::fieldText(row.firstLSN);
    last_ = kel::fieldText(row.lastLSN);
    checkpoint_ = kel::fieldText(row.checkpointLSN);
    database_ = kel::fieldText(row.fullBackupLSN);
    loaded_ = true;
}

bool KelSQLLSN::copyToSql(SqlLSNs_t& row) {
    KelNetSQLLSN_t rec{};
    if (!copyToNetwork(rec)) return false;
    copyNetworkToSql(rec, row);
    return true;
}

void KelSQLLSN::copyFromNetwork(const KelNetSQLLSN_t& rec) {
    initializeSQLObject();
    sqlBackupSetId_ = static_cast<unsigned long>(rec.SqlBackupSetId);
    tesselId_ = static_cast<unsigned long>(rec.TesselId);
    sqlDatabaseId_ = static_cast<unsigned long>(rec.SqlDatabaseId);
    startTime_ = rec.StartTime;
    finishTime_ = rec.FinishTime;
    backupType_ = rec.BackupType;
    first_ = kel::fieldText(rec.FirstLSN);
    last_ = kel::fieldText(rec.LastLSN);
    checkpoint_ = kel::fieldText(rec.CheckpointLSN);
    database_ = kel::fieldText(rec.DatabaseLSN);
    loaded_ = true;
}

bool KelSQLLSN::copyToNetwork(KelNetSQLLSN_t& rec) {
    rec.SqlBackupSetId = sqlBackupSetId_;
    rec.TesselId = tesselId_;
    rec.SqlDatabaseId = sqlDatabaseId_;
    rec.StartTime = startTime_;
    rec.FinishTime = finishTime_;
    rec.BackupType = backupType_;
    return kelsql::FieldCopies(getLastError(), "KelSQLLSN::copyToNetwork(rec)")
        .text(rec.FirstLSN, first_, "firstLSN")
        .text(rec.LastLSN, last_, "lastLSN")
        .text(rec.CheckpointLSN, checkpoint_, "checkpointLSN")
        .text(rec.DatabaseLSN, database_, "databaseLSN")
        .ok();
}

void KelSQLLSN::copyNetworkToSql(const KelNetSQLLSN_t& rec, SqlLSNs_t& row) {
    row.sqlBackupSetId = static_cast<int32_t>(rec.SqlBackupSetId);
    row.tesselId = static_cast<int32_t>(rec.TesselId);
    row.sqlDatabaseId = static_cast<int32_t>(rec.SqlDatabaseId);
    kelsql::backup::storeDate(row.startTime, rec.StartTime);
    kelsql::backup::storeDate(row.finishTime, rec.FinishTime);
    row.backupType = static_cast<int32_t>(rec.BackupType);
    kel::copyWholeField(row.firstLSN, rec.FirstLSN);
    kel::copyWholeField(row.lastLSN, rec.LastLSN);
    kel::copyWholeField(row.checkpointLSN, rec.CheckpointLSN);
    kel::copyWholeField(row.fullBackupLSN, rec.DatabaseLSN);
}

void KelSQLLSN::copyNetworkFromSql(KelNetSQLLSN_t& rec, const SqlLSNs_t& row) {
    rec.SqlBackupSetId = column(row.sqlBackupSetId);
    rec.TesselId = column(row.tesselId);
    rec.SqlDatabaseId = column(row.sqlDatabaseId);
    rec.StartTime = kelsql::backup::wireDate(row.startTime);
    rec.FinishTime = kelsql::backup::wireDate(row.finishTime);
    rec.BackupType = column(row.backupType);
    kel::copyWholeField(rec.FirstLSN, row.firstLSN);
    kel::copyWholeField(rec.LastLSN, row.lastLSN);
    kel::copyWholeField(rec.CheckpointLSN, row.checkpointLSN);
    kel::copyWholeField(rec.DatabaseLSN, row.fullBackupLSN);
}

// ---- operations

// The backup set's id is checked when one is named: a set asks before it has one.
bool KelSQLLSN::checkInsert(unsigned long tesselId, unsigned long sqlDatabaseId, const unsigned long* sqlBackupSetId,
                            const char* signature) {
    if (!context_.isClientOperations()) return fail(kelsql::kErrAgentSideOnly, signature);
    if (!idNotSet(getLastError(), tesselId, "tesselId", signature) ||
        !idNotSet(getLastError(), sqlDatabaseId, "sqlDatabaseId", signature) ||
        (sqlBackupSetId && !idNotSet(getLastError(), *sqlBackupSetId, "sqlBackupSetId", signature)))
        return false;
    tesselId_ = tesselId;
    sqlDatabaseId_ = sqlDatabaseId;
    if (!isSQLObjectInitialized()) return fail(kelsql::kErrInsert, signature);
    const std::string texts[] = {first_, last_, checkpoint_, database_};
    return lsnTextsFit(texts, signature);
}

bool KelSQLLSN::insertable(unsigned long tesselId, unsigned long sqlDatabaseId) {
    return checkInsert(tesselId, sqlDatabaseId, nullptr, "KelSQLLSN::insert(tesselId, sqlDatabaseId, sqlBackupSetId)");
}

bool KelSQLLSN::insert(unsigned long tesselId, unsigned long sqlDatabaseId, unsigned long sqlBackupSetId) {
    static const char* kFn = "KelSQLLSN::insert(tesselId, sqlDatabaseId, sqlBackupSetId)";
    if (!checkInsert(tesselId, sqlDatabaseId, &sqlBackupSetId, kFn)) return false;
    sqlBackupSetId_ = sqlBackupSetId;
    KelNetSQLLSNReq_t* req = requestMessage(true);
    if (!req) return fail(kelsql::kErrNoBuffer, kFn);
    req->DBCode = KelNetSQLLSNInsert;
    if (!copyToNetwork(req->LSN) || !exchange(getLastError())) return false;
    copyFromNetwork(responseMessage(false)->LSN);
    return true;
}

bool KelSQLLSN::insert(const KelNetSQLLSN_t& request, KelNetSQLLSN_t& response) {
    static const char* kFn = "KelSQLLSN::insert(reqLSN, rspLSN)";
    if (!serverObject_) return fail(kelsql::kErrNoSide, kFn);
    if (!context_.isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, kFn);
    const std::string texts[] = {kel::fieldText(request.FirstLSN), kel::fieldText(request.LastLSN),
                                 kel::fieldText(request.CheckpointLSN), kel::fieldText(request.DatabaseLSN)};
    if (!lsnTextsFit(texts, kFn)) return false;
    if (query(static_cast<unsigned long>(request.SqlBackupSetId))) {
        getLastError().clear();
        getLastError().setNumber(kelsql::kErrBackupSetExists);
        getLastError().addArgument(kFn);
        getLastError().addArgument(static_cast<unsigned long>(request.SqlBackupSetId));
        getLastError().addArgument(static_cast<unsigned long>(request.SqlDatabaseId));
        return false;
    }
    // Only "no such row" lets the insert go on; any other failure is the answer.
    if (sqlCode_ != kDBNoRow) return false;
    getLastError().clear();
    if (!context_.isTransactionStarted()) return fail(kelsql::kErrTranRequired, kFn);
    SqlLSNs record(context_.getDBTransaction());
    copyNetworkToSql(request, *record.getDataPtr());
    sqlCode_ = record.rowInsert(true);
    if (sqlCode_ != 0) return catalogueError(kFn, record);
    response = request;
    return true;
}

bool KelSQLLSN::query(unsigned long sqlBackupSetId) {
    static const char* kFn = "KelSQLLSN::query(sqlBackupSetId)";
    sqlCode_ = 0;
    if (!idNotSet(getLastError(), sqlBackupSetId, "sqlBackupSetId", kFn)) return false;
    switch (kelsql::backup::placeOf(context_, *this)) {
    case Where::Local: {
        where_ = kel::sql::format("sqlBackupSetId=%d", static_cast<int>(sqlBackupSetId));
        SqlLSNs record(kelsql::backup::transactionOf(context_));
        record.setWhere("%s", where_.c_str());
        sqlCode_ = record.getOneRow(&record, false, -1, 0);
        if (sqlCode_ != 0) return catalogueError(kFn, record);
        copyFromSql(*record.getDataPtr());
        return true;
    }
    case Where::Remote: {
        KelNetSQLLSNReq_t* req = requestMessage(true);
        if (!req) return fail(kelsql::kErrNoBuffer, kFn);
        req->DBCode = KelNetSQLLSNLookup;
        req->LSN.SqlBackupSetId = sqlBackupSetId;
        if (!exchange(getLastError())) return false;
        copyFromNetwork(responseMessage(false)->LSN);
        return true;
    }
    case Where::Neither: break;
    }
    return fail(kelsql::kErrOstrelSideOnly, kFn);
}

bool KelSQLLSN::lookup(const KelNetSQLLSN_t& request, KelNetSQLLSN_t& response) {
    static const char* kFn = "KelSQLLSN::lookup(reqLSN, rspLSN)";
    if (!serverObject_) return fail(kelsql::kErrNoSide, kFn);
    if (!context_.isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, kFn);
    if (request.SqlBackupSetId == 0) {
        fail(kelsql::kErrRequestIds, kFn);
        getLastError().addArgument(641ul);
        return false;
    }
    return query(static_cast<unsigned long>(request.SqlBackupSetId)) && copyToNetwork(response);
}
