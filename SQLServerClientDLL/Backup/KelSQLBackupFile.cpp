#include "KelSQL/KelSQLBackupFile.h"

#include "Db/Cursor/sqlBackupFileFGID.h"
#include "Db/Tbl/sqlBackupFile.h"
#include "KelSQL/KelNetSQLBackupFileLogUpdate.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLErrors.h"
#include "BackupRecords.h"
#include "platform/db/SqlText.h"
#include "platform/util/BoundedCopy.h"

using kelsql::backup::column;
using kelsql::backup::Where;

KelSQLBackupFile::KelSQLBackupFile(KelSQLClassProperties& context, bool serverObject)
    : KelNetSQLBackupFile(context, false), context_(context), serverObject_(serverObject) {
    initializeSQLObject();
}

KelSQLBackupFile& KelSQLBackupFile::operator=(const KelSQLBackupFile& other) {
    if (this == &other) return *this;
    fileNumber_ = other.fileNumber_;
    pageCount_ = other.pageCount_;
    pageSize_ = other.pageSize_;
    fileType_ = other.fileType_;
    physicalName_ = other.physicalName_;
    physicalDrive_ = other.physicalDrive_;
    logicalName_ = other.logicalName_;
    sqlId_ = other.sqlId_;
    sqlBackupSetId_ = other.sqlBackupSetId_;
    tesselId_ = other.tesselId_;
    sqlFileGroupId_ = other.sqlFileGroupId_;
    return *this;
}

void KelSQLBackupFile::initializeSQLObject() {
    loaded_ = false;
    fileNumber_ = pageCount_ = pageSize_ = fileType_ = 0;
    physicalName_.clear();
    physicalDrive_.clear();
    logicalName_.clear();
    sqlId_ = sqlBackupSetId_ = tesselId_ = sqlFileGroupId_ = 0;
}

bool KelSQLBackupFile::fail(uint64_t number, const char* signature) {
    getLastError().setNumber(number);
    getLastError().addArgument(signature);
    return false;
}

bool KelSQLBackupFile::rowError(DBtable& record) {
    getLastError().setNumber(kelsql::kErrRowOperation);
    getLastError().addArgument(record.getpDescribe());
    getLastError().addArgument(record.getErrorStr(static_cast<int>(sqlCode_)));
    return false;
}

bool KelSQLBackupFile::textsFit(const std::string& physicalName, const std::string& logicalName,
                                const std::string& physicalDrive, const char* signature) {
    KelLastError& err = getLastError();
    return textFits(err, physicalName, kPhysicalNameMax + 1, "physicalName", signature) &&
           textFits(err, logicalName, kLogicalNameMax + 1, "logicalName", signature) &&
           textFits(err, physicalDrive, kPhysicalDriveMax + 1, "physicalDrive", signature);
}

// ---- copies

bool KelSQLBackupFile::copyToNetwork(KelNetSQLBackupFile_t& rec) {
    rec.SqlBackupFileId = sqlId_;
    rec.TesselId = tesselId_;
    rec.SqlBackupSetId = sqlBackupSetId_;
    rec.SqlFileGroupId = sqlFileGroupId_;
    rec.Number = fileNumber_;
    rec.PageSize = pageSize_;
    rec.PageCount = pageCount_;
    rec.Type = fileType_;
    return kelsql::FieldCopies(getLastError(), "KelSQLBackupFile::copyToNetwork(rec)")
        .text(rec.PhysicalName, physicalName_, "physicalName")
        .text(rec.LogicalName, logicalName_, "logicalName")
        .text(rec.PhysicalDrive, physicalDrive_, "physicalDrive")
        .ok();
}

void KelSQLBackupFile::copyFromNetwork(const KelNetSQLBackupFile_t& rec) {
    initializeSQLObject();
    sqlId_ = rec.SqlBackupFileId;
    tesselId_ = rec.TesselId;
    sqlBackupSetId_ = rec.SqlBackupSetId;
    sqlFileGroupId_ = rec.SqlFileGroupId;
    fileNumber_ = rec.Number;
    physicalName_ = kel::fieldText(rec.PhysicalName);
    logicalName_ = kel::fieldText(rec.LogicalName);
    physicalDrive_ = kel::fieldText(rec.PhysicalDrive);
    pageSize_ = rec.PageSize;
    pageCount_ = rec.PageCount;
    fileType_ = rec.Type;
    loaded_ = true;
}

bool KelSQLBackupFile::copyToSql(SqlBackupFile_t& row) {
    KelNetSQLBackupFile_t rec{};
    if (!copyToNetwork(rec)) return false;
    copyNetworkToSql(rec, row);
    return true;
}

void KelSQLBackupFile::copyFromSql(const SqlBackupFile_t& row) {
    KelNetSQLBackupFile_t rec{};
    copyNetworkFromSql(rec, row);
    copyFromNetwork(rec);
}

void KelSQLBackupFile::copyNetworkToSql(const KelNetSQLBackupFile_t& rec, SqlBackupFile_t& row) {
    row.id = static_cast<int32_t>(rec.SqlBackupFileId);
    row.tesselId = static_cast<int32_t>(rec.TesselId);
    row.sqlFileGroupId = static_cast<int32_t>(rec.SqlFileGroupId);
    row.sqlBackupSetId = static_cast<int32_t>(rec.SqlBackupSetId);
    row.number = static_cast<int32_t>(rec.Number);
    kel::copyWholeField(row.physicalName, rec.PhysicalName);
    kel::copyWholeField(row.logicalName, rec.LogicalName);
    kel::copyWholeField(row.physicalDrive, rec.PhysicalDrive);
    row.pageSize = static_cast<int32_t>(rec.PageSize);
    row.pageCount = static_cast<int32_t>(rec.PageCount);
    row.type = static_cast<int32_t>(rec.Type);
}

void KelSQLBackupFile::copyNetworkFromSql(KelNetSQLBackupFile_t& rec, const SqlBackupFile_t& row) {
    rec.SqlBackupFileId = column(row.id);
    rec.TesselId = column(row.tesselId);
    rec.SqlFileGroupId = column(row.sqlFileGroupId);
    rec.SqlBackupSetId = column(row.sqlBackupSetId);
    rec.Number = column(row.number);
    kel::copyWholeField(rec.PhysicalName, row.physicalName);
    kel::copyWholeField(rec.LogicalName, row.logicalName);
    kel::copyWholeField(rec.PhysicalDrive, row.physicalDrive);
    rec.PageSize = column(row.pageSize);
    rec.PageCount = column(row.pageCount);
    rec.Type = column(row.type);
}

bool KelSQLBackupFile::save(KelNetSQLBackupFile_t* record) {
    if (!record) return fail(kelsql::kErrInvalidArgument, "KelSQLBackupFile::save(record)");
    return copyToNetwork(*record);
}

bool KelSQLBackupFile::restore(const KelNetSQLBackupFile_t* record) {
    if (!record) return fail(kelsql::kErrInvalidArgument, "KelSQLBackupFile::restore(record)");
    copyFromNetwork(*record);
    return true;
}

// ---- reads

bool KelSQLBackupFile::serverQuery() {
    SqlBackupFile record(kelsql::backup::transactionOf(context_));
    if (!where_.empty()) record.setWhere("%s", where_.c_str());
    sqlCode_ = record.getOneRow(&record, false, -1, 0);
    if (sqlCode_ != 0) return rowError(record);
    copyFromSql(*record.getDataPtr());
    return true;
}

bool KelSQLBackupFile::query(unsigned long sqlBackupFileId) {
    static const char* kFn = "KelSQLBackupFile::query(sqlBackupFileId)";
    sqlCode_ = 0;
    if (!idNotSet(getLastError(), sqlBackupFileId, "sqlBackupFileId", kFn)) return false;
    switch (kelsql::backup::placeOf(context_, *this)) {
    case Where::Local:
        where_ = kel::sql::format("id=%d", static_cast<int>(sqlBackupFileId));
        return serverQuery();
    case Where::Remote: {
        KelNetSQLBackupFileReq_t* req = requestMessage(true);
        if (!req) return fail(kelsql::kErrNoBuffer, kFn);
        req->DBCode = KelNetSQLBackupFileLookup;
        req->BackupFile.SqlBackupFileId = sqlBackupFileId;
        if (!exchange(getLastError())) return false;
        copyFromNetwork(responseMessage(false)->BackupFile);
        return true;
    }
    case Where::Neither: break;
    }
    return fail(kelsql::kErrOstrelSideOnly, kFn);
}

bool KelSQLBackupFile::queryByName(const char* signature) {
    if (kelsql::backup::placeOf(context_, *this) != Where::Local) return fail(kelsql::kErrOstrelSideOnly, signature);
    return serverQuery();
}

bool KelSQLBackupFile::query(unsigned long sqlBackupSetId, const std::string& logicalName) {
    static const char* kFn = "KelSQLBackupFile::query(sqlBackupSetId, logicalName)";
    sqlCode_ = 0;
    if (!idNotSet(getLastError(), sqlBackupSetId, "sqlBackupSetId", kFn) ||
        !stringEmpty(getLastError(), logicalName, "logicalName", kFn) ||
        !textFits(getLastError(), logicalName, kLogicalNameMax + 1, "logicalName", kFn))
        return false;
    where_ = kel::sql::format("sqlBackupSetId = %d and logicalName = %s", static_cast<int>(sqlBackupSetId),
                              kel::sql::quoted(logicalName).c_str());
    return queryByName(kFn);
}

bool KelSQLBackupFile::query(unsigned long tesselId, unsigned long sqlBackupSetId, const std::string& logicalName) {
    static const char* kFn = "KelSQLBackupFile::query(tesselId, sqlBackupSetId, logicalName)";
    sqlCode_ = 0;
    if (!idNotSet(getLastError(), tesselId, "tesselId", kFn) ||
        !idNotSet(getLastError(), sqlBackupSetId, "sqlBackupSetId", kFn) ||
        !stringEmpty(getLastError(), logicalName, "logicalName", kFn) ||
        !textFits(getLastError(), logicalName, kLogicalNameMax + 1, "logicalName", kFn))
        return false;
    where_ = kel::sql::format("tesselId = %d and sqlBackupSetId = %d and logicalName = %s", static_cast<int>(tesselId),
                              static_cast<int>(sqlBackupSetId), kel::sql::quoted(logicalName).c_str());
    return queryByName(kFn);
}

bool KelSQLBackupFile::query(unsigned long, unsigned long) {
    if (context_.isClientOperations()) return true;
    return fail(kelsql::kErrAgentSideOnly, "KelSQLBackupFile::query(backupSetId, fileNumber)");
}

const std::vector<uint64_t>* KelSQLBackupFile::getBackupFileList(unsigned long backupSetId) {
    static const char* kFn = "getBackupFileList(backupSetId)";
    if (!idNotSet(getLastError(), backupSetId, "backupSetId", kFn)) return nullptr;
    if (!context_.isClientOperations()) {
        fail(kelsql::kErrAgentSideOnly, kFn);
        return nullptr;
    }
    return &backupFileList_;
}

// ---- the agent's record of a file

bool KelSQLBackupFile::insert(unsigned long tesselId, unsigned long sqlBackupSetId) {
    static const char* kFn = "KelSQLBackupFile::insert(tesselId, sqlBackupSetId)";
    if (!context_.isClientOperations()) return fail(kelsql::kErrAgentSideOnly, kFn);
    if (!loaded_) return fail(kelsql::kErrInsert, kFn);
    if (!idNotSet(getLastError(), tesselId, "tesselId", kFn) ||
        !idNotSet(getLastError(), sqlBackupSetId, "sqlBackupSetId", kFn) ||
        !textsFit(physicalName_, logicalName_, physicalDrive_, kFn))
        return false;
    sqlFileGroupId_ = 0;
    sqlId_ = 0;
    sqlBackupSetId_ = sqlBackupSetId;
    tesselId_ = tesselId;
    KelNetSQLBackupFileReq_t* req = requestMessage(true);
    if (!req) return fail(kelsql::kErrNoBuffer, kFn);
    req->DBCode = KelNetSQLBackupFileInsert;
    if (!copyToNetwork(req->BackupFile) || !exchange(getLastError())) return false;
    copyFromNetwork(responseMessage(false)->BackupFile);
    return true;
}

bool KelSQLBackupFile::backupFileLogUpdate(unsigned long tesselId, unsigned long sqlDatabaseId,
                                           unsigned long sqlBackupSetId) {
    KelNetSQLBackupFileLogUpdate update(context_, false);
    if (update.update(tesselId, sqlDatabaseId, sqlBackupSetId)) return true;
    getLastError() = update.getLastError();
    return false;
}

// ---- the Ostrel's answers

bool KelSQLBackupFile::insert(const KelNetSQLBackupFile_t& request, KelNetSQLBackupFile_t& response) {
    static const char* kFn = "KelSQLBackupFile::insert(reqBackupFile, rspBackupFile)";
    if (!serverObject_) return fail(kelsql::kErrNoSide, kFn);
    if (!context_.isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, kFn);
    const std::string logicalName = kel::fieldText(request.LogicalName);
    if (!textsFit(kel::fieldText(request.PhysicalName), logicalName, kel::fieldText(request.PhysicalDrive), kFn))
        return false;
    const auto sqlBackupSetId = static_cast<unsigned long>(request.SqlBackupSetId);
    if (query(sqlBackupSetId, logicalName)) {
        getLastError().clear();
        getLastError().setNumber(kelsql::kErrBackupFileExists);
        getLastError().addArgument(logicalName);
        getLastError().addArgument(sqlBackupSetId);
        return false;
    }
    // Only "no such row" lets the insert go on; any other failure is the answer.
    if (sqlCode_ != kDBNoRow) return false;
    getLastError().clear();
    if (!context_.isTransactionStarted()) return fail(kelsql::kErrTranRequired, kFn);
    DBtran* tran = context_.getDBTransaction();
    tran->setHint(5);
    KelNetSQLBackupFile_t stored = request;
    {
        SqlBackupFileFGID group(tran);
        group.setValues(static_cast<int>(sqlBackupSetId), logicalName.c_str());
        sqlCode_ = group.getOneRow(&group, false, -1, 0);
        if (sqlCode_ != 0) return rowError(group);
        // The file group holding the file now; what the agent sent is not used.
        stored.SqlFileGroupId = column(group.getDataPtr()->fgid);
    }
    SqlBackupFile record(tran);
    SqlBackupFile_t& row = *record.getDataPtr();
    copyNetworkToSql(stored, row);
    row.id = 0;
    sqlCode_ = record.rowInsert(true);
    if (sqlCode_ != 0) return rowError(record);
    copyNetworkFromSql(response, row);
    return true;
}

bool KelSQLBackupFile::lookup(const KelNetSQLBackupFile_t& request, KelNetSQLBackupFile_t& response) {
    static const char* kFn = "KelSQLBackupFile::lookup(reqBackupFile, rspBackupFile)";
    if (!serverObject_) return fail(kelsql::kErrNoSide, kFn);
    if (request.SqlBackupFileId == 0) {
        fail(kelsql::kErrRequestIds, kFn);
        getLastError().addArgument(825ul);
        return false;
    }
    return query(static_cast<unsigned long>(request.SqlBackupFileId)) && copyToNetwork(response);
}
