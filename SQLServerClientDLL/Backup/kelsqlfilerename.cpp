#include "KelSQL/KelSQLFileRename.h"

#include "BackupRecords.h"
#include "ChainWalk.h"
#include "Db/Tbl/sqlFileRename.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLErrors.h"
#include "KelSQL/KelSQLFile.h"
#include "platform/db/SqlText.h"
#include "platform/util/BoundedCopy.h"

using kelsql::backup::column;
using kelsql::backup::Where;

KelSQLFileRename::KelSQLFileRename(KelSQLClassProperties& context, bool serverObject)
    : KelNetSQLFileRename(context, false), context_(context), serverObject_(serverObject) {
    initializeSQLObject();
}

void KelSQLFileRename::initializeSQLObject() {
    loaded_ = false;
    id_ = restoreTaskId_ = next_ = 0;
    logicalName_.clear();
    physicalName_.clear();
}

bool KelSQLFileRename::fail(uint64_t number, const char* signature) {
    getLastError().setNumber(number);
    getLastError().addArgument(signature);
    return false;
}

bool KelSQLFileRename::rowError(DBtable& record) {
    getLastError().setNumber(kelsql::kErrRowOperation);
    getLastError().addArgument(record.getpDescribe());
    getLastError().addArgument(record.getErrorStr(static_cast<int>(sqlCode_)));
    return false;
}

// ---- copies

bool KelSQLFileRename::copyToNetwork(KelNetSQLFileRename_t& rec) {
    rec.SqlFileRenameId = id_;
    rec.SqlRestoreTaskId = restoreTaskId_;
    rec.NextSqlFileRenameId = next_;
    return kelsql::FieldCopies(getLastError(), "KelSQLFileRename::copyToNetwork(rec)")
        .text(rec.Logical, logicalName_, "logical")
        .text(rec.Physical, physicalName_, "physical")
        .ok();
}

void KelSQLFileRename::copyFromNetwork(const KelNetSQLFileRename_t& rec) {
    initializeSQLObject();
    id_ = static_cast<unsigned long>(rec.SqlFileRenameId);
    restoreTaskId_ = static_cast<unsigned long>(rec.SqlRestoreTaskId);
    next_ = static_cast<unsigned long>(rec.NextSqlFileRenameId);
    logicalName_ = kel::fieldText(rec.Logical);
    physicalName_ = kel::fieldText(rec.Physical);
    loaded_ = true;
}

bool KelSQLFileRename::copyToSql(SqlFileRename_t& row) {
    row.id = static_cast<int32_t>(id_);
    row.restoreTaskId = static_cast<int32_t>(restoreTaskId_);
    row.next = static_cast<int32_t>(next_);
    return kelsql::FieldCopies(getLastError(), "KelSQLFileRename::copyToSql(row)")
        .text(row.logicalName, logicalName_, "logicalName")
        .text(row.physicalName, physicalName_, "physicalName")
        .ok();
}

void KelSQLFileRename::copyFromSql(const SqlFileRename_t& row) {
    initializeSQLObject();
    id_ = column(row.id);
    restoreTaskId_ = column(row.restoreTaskId);
    next_ = column(row.next);
    logicalName_ = kel::fieldText(row.logicalName);
    physicalName_ = kel::fieldText(row.physicalName);
    loaded_ = true;
}

// ---- writes

bool KelSQLFileRename::insert(unsigned long sqlRestoreTaskId, const std::string& physicalName,
                              unsigned long sqlFileId, unsigned long next) {
    static const char* kFn = "KelSQLFileRename::insert(sqlRestoreTaskId, physicalName, sqlFileId, next)";
    if (!idNotSet(getLastError(), sqlFileId, "sqlFileId", kFn)) return false;
    if (!context_.isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, kFn);
    KelSQLFile file(context_, false);
    if (!file.query(sqlFileId)) {
        getLastError() = file.getLastError();
        return false;
    }
    initializeSQLObject();
    logicalName_ = file.logicalName();
    physicalName_ = physicalName;
    restoreTaskId_ = sqlRestoreTaskId;
    next_ = next;
    return insert();
}

bool KelSQLFileRename::insert() {
    static const char* kFn = "KelSQLFileRename::insert()";
    KelLastError& err = getLastError();
    if (!idNotSet(err, restoreTaskId_, "SqlRestoreTaskId", kFn) ||
        !stringEmpty(err, logicalName_, "LogicalName", kFn) || !stringEmpty(err, physicalName_, "PhysicalName", kFn))
        return false;
    if (!context_.isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, kFn);
    if (!context_.isTransactionStarted()) return fail(kelsql::kErrTranRequired, kFn);
    if (!textFits(err, logicalName_, kLogicalNameMax + 1, "LogicalName", kFn) ||
        !textFits(err, physicalName_, kPhysicalNameMax + 1, "PhysicalName", kFn))
        return false;
    SqlFileRename record(context_.getDBTransaction());
    SqlFileRename_t& row = *record.getDataPtr();
    if (!copyToSql(row)) return false;
    row.id = 0;
    sqlCode_ = record.rowInsert(true);
    if (sqlCode_ != 0) return rowError(record);
    copyFromSql(row);
    return true;
}

bool KelSQLFileRename::remove(unsigned long sqlFileRenameId) {
    static const char* kFn = "KelSQLFileRename::remove(sqlFileRenameId)";
    if (!idNotSet(getLastError(), sqlFileRenameId, "sqlFileRenameId", kFn)) return false;
    if (!context_.isServerOperations() && !serverObject_) return fail(kelsql::kErrOstrelSideOnly, kFn);
    if (!context_.isTransactionStarted()) return fail(kelsql::kErrTranRequired, kFn);
    // Read the whole chain first, then delete it from its tail.
    kelsql::backup::ChainWalk walk;
    for (unsigned long id = sqlFileRenameId; id != 0; id = next_) {
        if (!walk.enter(id, getLastError(), kFn, "Table SqlFileRename") || !queryLocal(id)) return false;
    }
    SqlFileRename record(context_.getDBTransaction());
    sqlCode_ = walk.deleteFromTail(record);
    return sqlCode_ == 0 || rowError(record);
}

// ---- reads

bool KelSQLFileRename::queryLocal(unsigned long id) {
    SqlFileRename record(kelsql::backup::transactionOf(context_));
    where_ = kel::sql::format("id=%d", static_cast<int>(id));
    record.setWhere("%s", where_.c_str());
    sqlCode_ = record.getOneRow(&record, false, -1, 0);
    if (sqlCode_ != 0) return rowError(record);
    copyFromSql(*record.getDataPtr());
    return true;
}

bool KelSQLFileRename::query(unsigned long sqlFileRenameId) {
    static const char* kFn = "KelSQLFileRename::query(sqlFileRenameId)";
    const unsigned long id = sqlFileRenameId ? sqlFileRenameId : id_;
    if (!idNotSet(getLastError(), id, "sqlFileRenameId", kFn)) return false;
    switch (kelsql::backup::placeOf(context_, *this)) {
    case Where::Local: return queryLocal(id);
    case Where::Remote: {
        KelNetSQLFileRenameReq_t* req = requestMessage(true);
        if (!req) return fail(kelsql::kErrNoBuffer, kFn);
        req->SqlFileRenameId = id;
        if (!exchange(getLastError())) return false;
        copyFromNetwork(responseMessage(false)->FileRename);
        return true;
    }
    case Where::Neither: break;
    }
    return fail(kelsql::kErrOstrelSideOnly, kFn);
}

bool KelSQLFileRename::query(const KelNetSQLFileRenameReq_t& request, KelNetSQLFileRename_t& response) {
    static const char* kFn = "KelSQLFileRename::query(reqFileRename, rspFileRename)";
    if (!serverObject_) return fail(kelsql::kErrNoSide, kFn);
    if (request.SqlFileRenameId == 0) {
        fail(kelsql::kErrRequestIds, kFn);
        getLastError().addArgument(545ul);
        return false;
    }
    return query(static_cast<unsigned long>(request.SqlFileRenameId)) && copyToNetwork(response);
}
