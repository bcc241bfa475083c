#include "KelSQL/KelSQLRestoreData.h"

#include "../Database/RecordSupport.h"
#include "BackupRecords.h"
#include "ChainWalk.h"
#include "Db/Tbl/sqlRestoreData.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLErrors.h"
#include "KelSQL/KelSQLFileRename.h"
#include "KelSQL/SqlRestoreDataTable.h"
#include "platform/db/SqlText.h"
#include "platform/util/BoundedCopy.h"

using kelsql::backup::column;
using kelsql::backup::Where;

KelSQLRestoreData::KelSQLRestoreData(KelSQLClassProperties& context, bool serverObject)
    : KelNetSQLRestoreData(context, false), context_(context), serverObject_(serverObject) {
    initializeSQLObject();
}

void KelSQLRestoreData::initializeSQLObject() {
    loaded_ = false;
    id_ = restoreTaskId_ = sqlDataId_ = sqlFileRenameId_ = next_ = 0;
    dataType_ = 0;
    sqlName_.clear();
}

bool KelSQLRestoreData::fail(uint64_t number, const char* signature) {
    getLastError().setNumber(number);
    getLastError().addArgument(signature);
    return false;
}

bool KelSQLRestoreData::rowError(DBtable& record) {
    getLastError().setNumber(kelsql::kErrRowOperation);
    getLastError().addArgument(record.getpDescribe());
    getLastError().addArgument(record.getErrorStr(static_cast<int>(sqlCode_)));
    return false;
}

// ---- copies

bool KelSQLRestoreData::copyToNetwork(KelNetSQLRestoreData_t& rec) {
    rec.SqlRestoreDataId = id_;
    rec.SqlRestoreTaskId = restoreTaskId_;
    rec.DataType = dataType_;
    rec.SqlId = sqlDataId_;
    rec.SqlFileRenameId = sqlFileRenameId_;
    rec.NextSqlRestoreDataId = next_;
    return kelsql::copyText(getLastError(), rec.Name, sqlName_, "name", "KelSQLRestoreData::copyToNetwork(rec)");
}

void KelSQLRestoreData::copyFromNetwork(const KelNetSQLRestoreData_t& rec) {
    initializeSQLObject();
    id_ = static_cast<unsigned long>(rec.SqlRestoreDataId);
    restoreTaskId_ = static_cast<unsigned long>(rec.SqlRestoreTaskId);
    dataType_ = rec.DataType;
    sqlDataId_ = static_cast<unsigned long>(rec.SqlId);
    sqlFileRenameId_ = static_cast<unsigned long>(rec.SqlFileRenameId);
    next_ = static_cast<unsigned long>(rec.NextSqlRestoreDataId);
    sqlName_ = kel::fieldText(rec.Name);
    loaded_ = true;
}

bool KelSQLRestoreData::copyToSql(SqlRestoreData_t& row) {
    row.id = static_cast<int32_t>(id_);
    row.restoreTaskId = static_cast<int32_t>(restoreTaskId_);
    row.dataType = static_cast<int32_t>(dataType_);
    row.sqlId = static_cast<int32_t>(sqlDataId_);
    row.sqlFileRenameId = static_cast<int32_t>(sqlFileRenameId_);
    row.next = static_cast<int32_t>(next_);
    return kelsql::copyText(getLastError(), row.sqlName, sqlName_, "sqlName", "KelSQLRestoreData::copyToSql(row)");
}

void KelSQLRestoreData::copyFromSql(const SqlRestoreData_t& row) {
    initializeSQLObject();
    id_ = column(row.id);
    restoreTaskId_ = column(row.restoreTaskId);
    dataType_ = static_cast<uint32_t>(row.dataType);
    sqlDataId_ = column(row.sqlId);
    sqlFileRenameId_ = column(row.sqlFileRenameId);
    next_ = column(row.next);
    sqlName_ = kel::fieldText(row.sqlName);
    loaded_ = true;
}

// ---- writes

bool KelSQLRestoreData::insert() {
    static const char* kFn = "KelSQLRestoreData::insert()";
    KelLastError& err = getLastError();
    if (!idNotSet(err, restoreTaskId_, "SqlRestoreTaskId", kFn) || !idNotSet(err, sqlDataId_, "SqlDataId", kFn) ||
        !stringEmpty(err, sqlName_, "Name", kFn))
        return false;
    if (!context_.isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, kFn);
    if (!context_.isTransactionStarted()) return fail(kelsql::kErrTranRequired, kFn);
    if (!textFits(err, sqlName_, kNameMax + 1, "Name", kFn)) return false;
    SqlRestoreData record(context_.getDBTransaction());
    SqlRestoreData_t& row = *record.getDataPtr();
    if (!copyToSql(row)) return false;
    row.id = 0;
    sqlCode_ = record.rowInsert(true);
    if (sqlCode_ != 0) return rowError(record);
    copyFromSql(row);
    return true;
}

bool KelSQLRestoreData::update(unsigned long sqlRestoreDataId) {
    static const char* kFn = "KelSQLRestoreData::update(sqlRestoreDataId)";
    if (!context_.isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, kFn);
    const unsigned long id = sqlRestoreDataId ? sqlRestoreDataId : id_;
    if (!idNotSet(getLastError(), id, "sqlRestoreDataId", kFn)) return false;
    id_ = id;
    if (!context_.isTransactionStarted()) return fail(kelsql::kErrTranRequired, kFn);
    SqlRestoreDataTable table(context_.getDBTransaction());
    table.clearUpdateClause();
    // The builder leaves out zeros and empty texts: update never clears a column.
    table.updateColumn(restoreTaskId_, "restoreTaskId");
    table.updateColumn(next_, "next");
    table.updateColumn(static_cast<unsigned long>(dataType_), "dataType");
    table.updateColumn(sqlDataId_, "sqlId");
    table.updateColumn(sqlName_, "sqlName");
    table.updateColumn(sqlFileRenameId_, "sqlFileRenameId");
    table.setWhere("id=%d", static_cast<int>(id));
    return kelsql::record::runUpdateClause(getLastError(), kFn, table, sqlCode_) && query(id);
}

bool KelSQLRestoreData::remove(unsigned long sqlRestoreDataId) {
    static const char* kFn = "KelSQLRestoreData::remove(sqlRestoreDataId)";
    if (!idNotSet(getLastError(), sqlRestoreDataId, "sqlRestoreDataId", kFn)) return false;
    if (!context_.isServerOperations() && !serverObject_) return fail(kelsql::kErrOstrelSideOnly, kFn);
    if (!context_.isTransactionStarted()) return fail(kelsql::kErrTranRequired, kFn);
    // Walked forward, each item's relocations going as it is passed; the
    // items themselves go afterwards from the tail, so that every delete
    // comes in the order the chain's owner expects.
    kelsql::backup::ChainWalk walk;
    KelSQLFileRename renames(context_, serverObject_);
    for (unsigned long id = sqlRestoreDataId; id != 0; id = next_) {
        if (!walk.enter(id, getLastError(), kFn, "Table SqlRestoreData") || !queryLocal(id)) return false;
        if (sqlFileRenameId_ != 0 && !renames.remove(sqlFileRenameId_)) {
            getLastError() = renames.getLastError();
            return false;
        }
    }
    SqlRestoreData record(context_.getDBTransaction());
    sqlCode_ = walk.deleteFromTail(record);
    return sqlCode_ == 0 || rowError(record);
}

// ---- reads

bool KelSQLRestoreData::queryLocal(unsigned long id) {
    SqlRestoreData record(kelsql::backup::transactionOf(context_));
    where_ = kel::sql::format("id=%d", static_cast<int>(id));
    record.setWhere("%s", where_.c_str());
    sqlCode_ = record.getOneRow(&record, false, -1, 0);
    if (sqlCode_ != 0) return rowError(record);
    copyFromSql(*record.getDataPtr());
    return true;
}

bool KelSQLRestoreData::query(unsigned long sqlRestoreDataId) {
    static const char* kFn = "KelSQLRestoreData::query(sqlRestoreDataId)";
    const unsigned long id = sqlRestoreDataId ? sqlRestoreDataId : id_;
    if (!idNotSet(getLastError(), id, "sqlRestoreDataId", kFn)) return false;
    switch (kelsql::backup::placeOf(context_, *this)) {
    case Where::Local: return queryLocal(id);
    case Where::Remote: {
        KelNetSQLRestoreDataReq_t* req = requestMessage(true);
        if (!req) return fail(kelsql::kErrNoBuffer, kFn);
        req->SqlRestoreDataId = id;
        if (!exchange(getLastError())) return false;
        copyFromNetwork(responseMessage(false)->RestoreData);
        return true;
    }
    case Where::Neither: break;
    }
    return fail(kelsql::kErrOstrelSideOnly, kFn);
}

bool KelSQLRestoreData::query(const KelNetSQLRestoreDataReq_t& request, KelNetSQLRestoreData_t& response) {
    static const char* kFn = "KelSQLRestoreData::query(reqRestoreData, rspRestoreData)";
    if (!serverObject_) return fail(kelsql::kErrNoSide, kFn);
    if (request.SqlRestoreDataId == 0) {
        fail(kelsql::kErrRequestIds, kFn);
        getLastError().addArgument(519ul);
        return false;
    }
    return query(static_cast<unsigned long>(request.SqlRestoreDataId)) && copyToNetwork(response);
}
