#include "KelSQL/KelSQLFile.h"

#include "Db/Cursor/sqlDbIdFromFileId.h"
#include "Db/Tbl/sqlFile.h"
#include "KelSQL/SqlFileTable.h"
#include "RecordSupport.h"
#include "platform/util/BoundedCopy.h"

using namespace kelsql::record;

namespace {

constexpr size_t kLogicalField = sizeof(SqlFile_t::logicalName);
constexpr size_t kPhysicalField = sizeof(SqlFile_t::physicalName);
constexpr size_t kNameField = sizeof(KelNetSQLFile_t::DatabaseName);
constexpr size_t kClientField = sizeof(KelNetSQLFile_t::ClientName);

int32_t toColumn(unsigned long value) { return static_cast<int32_t>(static_cast<uint32_t>(value)); }

}  // namespace

KelSQLFile::KelSQLFile(KelSQLClassProperties& context, bool serverSide)
    : KelNetSQLFile(context, false),
      context_(context),
      serverSide_(serverSide),
      deleteFlag_(std::make_unique<KelSQLLogicalDeletion>(context)) {
    initializeSQLObject();
}

KelSQLFile::~KelSQLFile() { deleteFlag_.reset(); }

void KelSQLFile::initializeSQLObject(bool valid) {
    valid_ = valid;
    fileId_ = size_ = maxSize_ = sqlId_ = tesselId_ = sqlFileGroupId_ = 0;
    physicalName_.clear();
    logicalName_.clear();
    addTime_.setTime(0L);
    removalTime_.setTime(0L);
    deleteFlag_->setUndelete();
}

// ---- helpers

bool KelSQLFile::copyError(KelLastError& from) {
    getLastError() = from;
    return false;
}

bool KelSQLFile::requireServerSide(const char* signature) {
    return serverSide_ || fail(kelsql::kErrNoSide, signature);
}

bool KelSQLFile::requireTransaction(const char* signature) {
    return context_.isTransactionStarted() || fail(kelsql::kErrTranRequired, signature);
}

KelNetSQLFile_t* KelSQLFile::lookupRequest() {
    KelNetSQLFileReq_t* req = requestMessage(true);
    if (!req) return nullptr;
    req->DBCode = KelNetSQLFileLookup;
    return &req->File;
}

// ---- copies

bool KelSQLFile::copyToNetwork(KelNetSQLFile_t& rec) {
    rec.SqlFileId = sqlId_;
    rec.TesselId = tesselId_;
    rec.SqlFileGroupId = sqlFileGroupId_;
    rec.FileId = fileId_;
    rec.Size = static_cast<uint32_t>(size_);
    rec.MaxSize = static_cast<uint32_t>(maxSize_);
    rec.AddTime = addTime_.time();
    rec.RemovalTime = removalTime_.time();
    rec.DeleteFlag = deleteFlag_->isDeleted() ? 1 : 0;
    return kelsql::FieldCopies(getLastError(), "KelSQLFile::copyToNetwork(rec)")
        .text(rec.FileName, logicalName_, "logicalName")
        .text(rec.PhysicalName, physicalName_, "physicalName")
        .ok();
}

void KelSQLFile::copyFromNetwork(const KelNetSQLFile_t& rec) {
    initializeSQLObject();
    sqlId_ = static_cast<unsigned long>(rec.SqlFileId);
    tesselId_ = static_cast<unsigned long>(rec.TesselId);
    sqlFileGroupId_ = static_cast<unsigned long>(rec.SqlFileGroupId);
    logicalName_ = kel::fieldText(rec.FileName);
    physicalName_ = kel::fieldText(rec.PhysicalName);
    fileId_ = static_cast<unsigned long>(rec.FileId);
    size_ = rec.Size;
    maxSize_ = rec.MaxSize;
    if (rec.AddTime) addTime_.setTime(static_cast<long>(rec.AddTime));
    if (rec.RemovalTime) removalTime_.setTime(static_cast<long>(rec.RemovalTime));
    if (rec.DeleteFlag) deleteFlag_->setDelete();
    valid_ = true;
}

bool KelSQLFile::copyToSql(SqlFile_t& row) {
    row.id = toColumn(sqlId_);
    row.tesselId = toColumn(tesselId_);
    row.sqlFileGroupId = toColumn(sqlFileGroupId_);
    row.fileId = toColumn(fileId_);
    row.size = toColumn(size_);
    row.maxSize = toColumn(maxSize_);
    row.addTime = toColumn(addTime_.time());
    row.removalTime = toColumn(removalTime_.time());
    row.deleteFlag = deleteFlag_->isDeleted() ? 1 : 0;
    return kelsql::FieldCopies(getLastError(), "KelSQLFile::copyToSql(row)")
        .text(row.physicalName, physicalName_, "physicalName")
        .text(row.logicalName, logicalName_, "logicalName")
        .ok();
}

void KelSQLFile::copyFromSql(const SqlFile_t& row) {
    initializeSQLObject();
    sqlId_ = column(row.id);
    tesselId_ = column(row.tesselId);
    sqlFileGroupId_ = column(row.sqlFileGroupId);
    fileId_ = column(row.fileId);
    physicalName_ = kel::fieldText(row.physicalName);
    logicalName_ = kel::fieldText(row.logicalName);
    size_ = column(row.size);
    maxSize_ = column(row.maxSize);
    if (row.addTime) addTime_.setTime(static_cast<long>(column(row.addTime)));
    if (row.removalTime) removalTime_.setTime(static_cast<long>(column(row.removalTime)));
    if (row.deleteFlag) deleteFlag_->setDelete();
    valid_ = true;
}

void KelSQLFile::copyNetworkToSql(const KelNetSQLFile_t& rec, SqlFile_t& row) {
    row.id = static_cast<int32_t>(rec.SqlFileId);
    row.tesselId = static_cast<int32_t>(rec.TesselId);
    row.sqlFileGroupId = static_cast<int32_t>(rec.SqlFileGroupId);
    row.fileId = static_cast<int32_t>(rec.FileId);
    kel::copyWholeField(row.physicalName, rec.PhysicalName);
    kel::copyWholeField(row.logicalName, rec.FileName);
    row.size = static_cast<int32_t>(rec.Size);
    row.maxSize = static_cast<int32_t>(rec.MaxSize);
    row.addTime = static_cast<int32_t>(rec.AddTime);
    row.removalTime = static_cast<int32_t>(rec.RemovalTime);
    row.deleteFlag = rec.DeleteFlag ? 1 : 0;
}

void KelSQLFile::copyNetworkFromSql(KelNetSQLFile_t& rec, const SqlFile_t& row) {
    rec.SqlFileId = column(row.id);
    rec.TesselId = column(row.tesselId);
    rec.SqlFileGroupId = column(row.sqlFileGroupId);
    rec.FileId = column(row.fileId);
    kel::copyWholeField(rec.PhysicalName, row.physicalName);
    kel::copyWholeField(rec.FileName, row.logicalName);
    rec.Size = static_cast<uint32_t>(row.size);
    rec.MaxSize = static_cast<uint32_t>(row.maxSize);
    rec.AddTime = column(row.addTime);
    rec.RemovalTime = column(row.removalTime);
    rec.DeleteFlag = row.deleteFlag ? 1 : 0;
}

// ---- catalogue and network

bool KelSQLFile::serverQuery(const char* where) {
    return readRow<SqlFile>(getLastError(), context_, where, "KelSQLFile::serverQuery(where)", sqlCode_,
                            [this](const SqlFile_t& row) { copyFromSql(row); });
}

bool KelSQLFile::serverUpdate(const char* where, const char* values) {
    static const char* kFn = "KelSQLFile::serverUpdate(where, values)";
    return requireTransaction(kFn) &&
           updateRow<SqlFile>(
               getLastError(), context_, where, values, kFn, sqlCode_,
               [this](SqlFile_t& row) { return copyToSql(row); },
               [this](const SqlFile_t& row) { copyFromSql(row); });
}

bool KelSQLFile::networkQuery() {
    if (!exchange(getLastError())) return false;
    copyFromNetwork(responseMessage(false)->File);
    return true;
}

// ---- reads

bool KelSQLFile::query(unsigned long sqlFileId) {
    static const char* kFn = "KelSQLFile::query(sqlFileId)";
    if (!idNotSet(getLastError(), sqlFileId, "sqlFileId", kFn)) return false;
    switch (placeOf(context_, *this)) {
    case Where::Local:
        where_ = kel::sql::format("id=%d", static_cast<int>(sqlFileId));
        return serverQuery(where_.c_str());
    case Where::Remote: {
        KelNetSQLFile_t* rec = lookupRequest();
        if (!rec) return false;
        rec->SqlFileId = sqlFileId;
        return networkQuery();
    }
    case Where::Neither: break;
    }
    return fail(kelsql::kErrOstrelSideOnly, kFn);
}

bool KelSQLFile::queryByGroup(unsigned long sqlFileGroupId, const std::string& fileName) {
    where_ = kel::sql::format("sqlFileGroupId = %d and logicalName = %s", static_cast<int>(sqlFileGroupId),
                              kel::sql::quoted(fileName).c_str());
    return serverQuery(where_.c_str());
}

bool KelSQLFile::query(unsigned long sqlFileGroupId, const std::string& fileName) {
    static const char* kFn = "KelSQLFile::query(sqlFileGroupId, fileName)";
    if (!idNotSet(getLastError(), sqlFileGroupId, "sqlFileGroupId", kFn) ||
        !stringEmpty(getLastError(), fileName, "fileName", kFn) ||
        !textFits(getLastError(), fileName, kLogicalField, "fileName", kFn))
        return false;
    switch (placeOf(context_, *this)) {
    case Where::Local: return queryByGroup(sqlFileGroupId, fileName);
    case Where::Remote: {
        KelNetSQLFile_t* rec = lookupRequest();
        if (!rec) return false;
        rec->SqlFileGroupId = sqlFileGroupId;
        return kelsql::copyText(getLastError(), rec->FileName, fileName, "fileName", kFn) && networkQuery();
    }
    case Where::Neither: break;
    }
    return fail(kelsql::kErrOstrelSideOnly, kFn);
}

bool KelSQLFile::groupByNames(const std::string& clientName, const std::string& serverName,
                              const std::string& dbName, const std::string& fgName, unsigned long& groupId,
                              const char* signature) {
    return parentByNames(getLastError(), context_, {ParentNames::FileGroup, clientName, serverName, dbName, fgName},
                         "580", signature, groupId, sqlCode_);
}

bool KelSQLFile::query(const std::string& clientName, const std::string& serverName, const std::string& dbName,
                       const std::string& fgName, const std::string& fileName) {
    static const char* kFn = "KelSQLFile::query(clientName, serverName, dbName, fgName, fileName)";
    KelLastError& err = getLastError();
    if (!stringEmpty(err, serverName, "serverName", kFn) || !stringEmpty(err, dbName, "dbName", kFn) ||
        !stringEmpty(err, fgName, "fgName", kFn) || !stringEmpty(err, fileName, "fileName", kFn) ||
        !textFits(err, clientName, kClientField, "clientName", kFn) ||
        !textFits(err, serverName, kNameField, "serverName", kFn) || !textFits(err, dbName, kNameField, "dbName", kFn) ||
        !textFits(err, fgName, kNameField, "fgName", kFn) || !textFits(err, fileName, kNameField, "fileName", kFn))
        return false;
    switch (placeOf(context_, *this)) {
    case Where::Local: {
        unsigned long groupId = 0;
        return groupByNames(clientName, serverName, dbName, fgName, groupId, kFn) &&
               queryByGroup(groupId, fileName);
    }
    case Where::Remote: {
        KelNetSQLFile_t* rec = lookupRequest();
        if (!rec) return false;
        return kelsql::FieldCopies(err, kFn)
                   .text(rec->ClientName, clientName, "clientName")
                   .text(rec->ServerName, serverName, "serverName")
                   .text(rec->DatabaseName, dbName, "dbName")
                   .text(rec->FileGroupName, fgName, "fgName")
                   .text(rec->FileName, fileName, "fileName")
                   .ok() &&
               networkQuery();
    }
    case Where::Neither: break;
    }
    return fail(kelsql::kErrOstrelSideOnly, kFn);
}

bool KelSQLFile::query(const std::string& databaseName, const std::string& fileName, bool noCopy) {
    static const char* kFn = "KelSQLFile::query(databaseName, fileName, noCopy)";
    if (!context_.isClientOperations()) return fail(kelsql::kErrAgentSideOnly, kFn);
    kel::live::LiveFile live;
    // A reader that leaves found alone reports the file present.
    bool found = true;
    kel::live::LiveSqlServer& reader = kel::live::liveSqlServer();
    // The live file is found by its logical name in any group of the database.
    if (!reader.file(liveTarget(context_), databaseName, std::string(), fileName, live, found, getLastError()))
        return false;
    if (!found) {
        sqlCode_ = 100;
        return fail(kelsql::kErrRowOperation, kFn);
    }
    if (noCopy || !reader.readsLiveInstance()) return true;
    logicalName_ = fileName;
    fileId_ = live.fileId;
    physicalName_ = live.physicalName;
    size_ = live.size;
    maxSize_ = live.maxSize;
    valid_ = true;
    return true;
}

bool KelSQLFile::query(const char* dbName, const char* fileName, int) {
    if (!context_.isClientOperations())
        return fail(kelsql::kErrAgentSideOnly,
                    "KelSQLFile::query(const char *dbName, const char *fileName)");
    return query(std::string(dbName ? dbName : ""), std::string(fileName ? fileName : ""), false);
}

bool KelSQLFile::findValidFileForFG(unsigned long sqlFileGroupId, unsigned long fileId) {
    if (placeOf(context_, *this) != Where::Local) return false;
    where_ = kel::sql::format("sqlFileGroupId = %d and fileId = %d and removalTime = 0",
                              static_cast<int>(sqlFileGroupId), static_cast<int>(fileId));
    return serverQuery(where_.c_str());
}

bool KelSQLFile::sqlDatabaseId(unsigned long& sqlDatabaseId, unsigned long sqlFileId) {
    static const char* kFn = "KelSQLFile::sqlDatabaseId(sqlDatabaseId, sqlFileId)";
    const unsigned long id = sqlFileId ? sqlFileId : sqlId_;
    sqlDatabaseId = 0;
    if (!idNotSet(getLastError(), id, "sqlFileId", kFn)) return false;
    SqlDbIdFromFileId cursor(transactionOf(context_));
    sqlCode_ = cursor.setValues(static_cast<int>(id));
    if (sqlCode_ == 0) sqlCode_ = cursor.getOneRow(&cursor, false, -1, 0);
    if (sqlCode_ != 0) return catalogueError(getLastError(), kFn, cursor, sqlCode_);
    sqlDatabaseId = column(cursor.getDataPtr()->sqldbid);
    return true;
}

bool KelSQLFile::lookup(KelNetSQLFile_t* reqFile, KelNetSQLFile_t* rspFile) {
    static const char* kFn = "KelSQLFile::lookup(reqFile, rspFile)";
    if (!requireServerSide(kFn)) return false;
    const std::string fileName = kel::fieldText(reqFile->FileName);
    bool ok = false;
    if (reqFile->SqlFileGroupId != 0 && !fileName.empty()) {
        ok = query(static_cast<unsigned long>(reqFile->SqlFileGroupId), fileName);
    } else if (reqFile->SqlFileId != 0) {
        ok = query(static_cast<unsigned long>(reqFile->SqlFileId));
    } else {
        const std::string names[] = {kel::fieldText(reqFile->ClientName), kel::fieldText(reqFile->ServerName),
                                     kel::fieldText(reqFile->DatabaseName), kel::fieldText(reqFile->FileGroupName),
                                     fileName};
        for (const std::string& name : names)
            if (name.empty()) {
                fail(kelsql::kErrRequestIds, kFn);
                getLastError().addArgument("923");
                return false;
            }
        ok = query(names[0], names[1], names[2], names[3], names[4]);
    }
    return ok && copyToNetwork(*rspFile);
}

// ---- registration

bool KelSQLFile::config(unsigned long sqlFileGroupId) {
    static const char* kFn = "KelSQLFile::config(sqlFileGroupId)";
    if (!context_.isClientOperations()) return fail(kelsql::kErrAgentSideOnly, kFn);
    if (!valid_) return fail(kelsql::kErrInsert, kFn);
    if (!idNotSet(getLastError(), sqlFileGroupId, "sqlFileGroupId", kFn)) return false;
    sqlFileGroupId_ = sqlFileGroupId;
    KelNetSQLFileReq_t* req = requestMessage(true);
    if (!req) return false;
    addTime_.setCurrent();
    req->DBCode = KelNetSQLFileConfig;
    return copyToNetwork(req->File) && networkQuery();
}

bool KelSQLFile::config(KelNetSQLFile_t* reqFile, KelNetSQLFile_t* rspFile) {
    static const char* kFn = "KelSQLFile::config(reqFile, rspFile)";
    if (!requireServerSide(kFn)) return false;
    // A peer's name or path that fills its field to the last byte would be
    // stored cut, and the cut name would find another file's row.
    static_assert(sizeof reqFile->FileName == kLogicalField && sizeof reqFile->PhysicalName == kPhysicalField);
    if (!kelsql::peerTextFits(getLastError(), reqFile->FileName, "logicalName", kFn) ||
        !kelsql::peerTextFits(getLastError(), reqFile->PhysicalName, "physicalName", kFn))
        return false;
    // Names sent beside the file group's id must designate that group.
    const ParentNames names{ParentNames::FileGroup, kel::fieldText(reqFile->ClientName),
                            kel::fieldText(reqFile->ServerName), kel::fieldText(reqFile->DatabaseName),
                            kel::fieldText(reqFile->FileGroupName)};
    if (names.given() &&
        !parentOfNames(getLastError(), context_, names, reqFile->SqlFileGroupId, "sqlFileGroupId", kFn, sqlCode_))
        return false;
    const bool exists = query(static_cast<unsigned long>(reqFile->SqlFileGroupId), kel::fieldText(reqFile->FileName));
    if (!exists && sqlCode_ != 100) return false;
    getLastError().clear();
    if (!requireTransaction(kFn)) return false;
    SqlFile record(context_.getDBTransaction());
    SqlFile_t& row = *record.getDataPtr();
    copyNetworkToSql(*reqFile, row);
    if (exists) row.addTime = toColumn(addTime_.time());
    row.deleteFlag = 0;
    row.tesselId = toColumn(context_.getOstrel().getTesselId());
    row.removalTime = 0;
    if (exists) {
        row.id = toColumn(sqlId_);
        record.setWhere("id = %d", row.id);
        sqlCode_ = record.rowUpdate(nullptr);
    } else {
        sqlCode_ = record.rowInsert(true);
    }
    if (sqlCode_ != 0) return catalogueError(getLastError(), kFn, record, sqlCode_);
    *rspFile = *reqFile;
    copyNetworkFromSql(*rspFile, row);
    return true;
}

// ---- updates

bool KelSQLFile::update() {
    static const char* kFn = "KelSQLFile::update()";
    switch (placeOf(context_, *this)) {
    case Where::Local: {
        KelNetSQLFile_t mine{};
        if (!copyToNetwork(mine)) return false;
        KelSQLFile given(context_, false);
        given.copyFromNetwork(mine);
        if (compareAndUpdate(given, 0)) return true;
        // The caller gets its own values back, not the row read on the way.
        copyFromNetwork(mine);
        return false;
    }
    case Where::Remote: {
        KelNetSQLFileReq_t* req = requestMessage(true);
        if (!req) return false;
        req->DBCode = KelNetSQLFileUpdate;
        return copyToNetwork(req->File) && networkQuery();
    }
    case Where::Neither: break;
    }
    return fail(kelsql::kErrOstrelSideOnly, kFn);
}

bool KelSQLFile::update(KelNetSQLFile_t* reqFile, KelNetSQLFile_t* rspFile) {
    static const char* kFn = "KelSQLFile::update(reqFile, rspFile)";
    if (!requireServerSide(kFn)) return false;
    copyFromNetwork(*reqFile);
    return update() && copyToNetwork(*rspFile);
}

bool KelSQLFile::compareAndUpdate(KelSQLFile& sqlFile, unsigned long sqlFileId) {
    static const char* kFn = "KelSQLFile::compareAndUpdate(sqlFile, sqlFileId)";
    if (placeOf(context_, *this) != Where::Local) return fail(kelsql::kErrOstrelSideOnly, kFn);
    const unsigned long id = sqlFileId ? sqlFileId : sqlFile.sqlId() ? sqlFile.sqlId() : sqlId_;
    if (!idNotSet(getLastError(), id, "sqlFileId", kFn)) return false;
    if (!query(id)) return false;
    if (!sameText(sqlFile.logicalName(), logicalName_)) {
        getLastError().setNumber(kelsql::kErrCompareAndUpdate);
        return false;
    }
    if (!requireTransaction(kFn)) return false;
    SqlFileTable table(context_.getDBTransaction());
    table.setWhere("id=%d", static_cast<int>(sqlId_));
    table.clearUpdateClause();
    if (sqlFile.id() != 0 && sqlFile.id() != fileId_) table.setColumn(sqlFile.id(), "fileId");
    const unsigned long removal = sqlFile.getRemovalTime().time();
    if (removal == kRemovalTimeBack) {
        sqlFile.getRemovalTime().setTime(0L);
        table.setColumn(0ul, "removalTime");
    } else if (removal != 0 && removalTime_.time() == 0) {
        table.setColumn(removal, "removalTime");
    }
    if (!sqlFile.physicalName().empty() && !sameText(sqlFile.physicalName(), physicalName_))
        table.setColumn(sqlFile.physicalName(), "physicalName");
    if (sqlFile.size() != 0 && sqlFile.size() != size_) table.setColumn(sqlFile.size(), "size");
    if (sqlFile.maxSize() != 0 && sqlFile.maxSize() != maxSize_) table.setColumn(sqlFile.maxSize(), "maxSize");
    return runUpdateClause(getLastError(), kFn, table, sqlCode_);
}

bool KelSQLFile::backupCompareAndUpdate(KelSQLFile& localFile, bool& updated) {
    static const char* kFn = "KelSQLFile::backupCompareAndUpdate(localFile, updated)";
    if (!context_.isClientOperations()) return fail(kelsql::kErrAgentSideOnly, kFn);
    if (!sameText(localFile.logicalName(), logicalName_)) {
        getLastError().setNumber(kelsql::kErrCompareAndUpdate);
        return false;
    }
    updated = false;
    bool identity = false;
    bool sizes = false;
    if (localFile.id() != 0 && localFile.id() != fileId_) {
        fileId_ = localFile.id();
        identity = true;
    }
    if (removalTime_.time() != 0) {
        removalTime_.setTime(static_cast<long>(kRemovalTimeBack));
        identity = true;
    }
    if (!localFile.physicalName().empty() && !sameText(localFile.physicalName(), physicalName_)) {
        physicalName_ = localFile.physicalName();
        identity = true;
    }
    if (localFile.size() != 0 && localFile.size() != size_) {
        size_ = localFile.size();
        sizes = true;
    }
    if (localFile.maxSize() != 0 && localFile.maxSize() != maxSize_) {
        maxSize_ = localFile.maxSize();
        sizes = true;
    }
    if ((identity || sizes) && !update()) {
        updated = true;
        return false;
    }
    updated = identity;
    return true;
}

bool KelSQLFile::logicalDeletion(bool deleteFlag, unsigned long sqlFileId) {
    static const char* kFn = "KelSQLFile::logicalDeletion(deleteFlag, sqlFileId)";
    const unsigned long id = sqlFileId ? sqlFileId : sqlId_;
    if (!idNotSet(getLastError(), id, "sqlFileId", kFn)) return false;
    switch (placeOf(context_, *this)) {
    case Where::Local:
        if (!query(id)) return false;
        deleteFlag ? deleteFlag_->setDelete() : deleteFlag_->setUndelete();
        return updateDeleteFlag();
    case Where::Remote: {
        KelNetSQLFileReq_t* req = requestMessage(true);
        if (!req) return false;
        req->DBCode = KelNetSQLFileLogicalDeletion;
        req->File.SqlFileId = id;
        req->File.DeleteFlag = deleteFlag ? 1 : 0;
        return networkQuery();
    }
    case Where::Neither: break;
    }
    return fail(kelsql::kErrOstrelSideOnly, kFn);
}

bool KelSQLFile::logicalDeletion(KelNetSQLFile_t* reqFile, KelNetSQLFile_t* rspFile) {
    static const char* kFn = "KelSQLFile::logicalDeletion(reqFile, rspFile)";
    if (!requireServerSide(kFn)) return false;
    return logicalDeletion(reqFile->DeleteFlag != 0, static_cast<unsigned long>(reqFile->SqlFileId)) &&
           copyToNetwork(*rspFile);
}

bool KelSQLFile::updateItem(const char* signature, KelSQL_UpdateFileItem item) {
    if (!idNotSet(getLastError(), sqlId_, "sqlFileId", signature)) return false;
    if (!context_.isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, signature);
    if (!requireTransaction(signature)) return false;
    SqlFileTable table(context_.getDBTransaction());
    table.setWhere("id=%d", static_cast<int>(sqlId_));
    table.clearUpdateClause();
    switch (item) {
    case KelSQL_UpdateFileRemovalTime: {
        const unsigned long removal = removalTime_.time();
        table.setColumn(removal == kRemovalTimeBack ? 0ul : removal, "removalTime");
        break;
    }
    case KelSQL_UpdateFileDeleteFlag: table.setColumn(deleteFlag_->isDeleted() ? 1ul : 0ul, "deleteFlag"); break;
    default: return fail(kelsql::kErrInvalidArgument, signature);
    }
    return runUpdateClause(getLastError(), signature, table, sqlCode_);
}

bool KelSQLFile::updateRemovalTime() {
    return updateItem("KelSQLFile::updateRemovalTime()", KelSQL_UpdateFileRemovalTime);
}

bool KelSQLFile::updateDeleteFlag() { return updateItem("KelSQLFile::updateDeleteFlag()", KelSQL_UpdateFileDeleteFlag); }

bool KelSQLFile::forceDeletion(unsigned long sqlFileId) {
    static const char* kFn = "KelSQLFile::forceDeletion(sqlFileId)";
    const unsigned long id = sqlFileId ? sqlFileId : sqlId_;
    if (!idNotSet(getLastError(), id, "sqlFileId", kFn)) return false;
    // Files are removed only by the Ostrel; an agent has nothing to remove.
    if (!context_.isServerOperations()) return true;
    if (!requireTransaction(kFn)) return false;
    SqlFile record(context_.getDBTransaction());
    record.setWhere("id=%d", static_cast<int>(id));
    sqlCode_ = record.rowDelete();
    return sqlCode_ == 0 || sqlCode_ == 100 || catalogueError(getLastError(), kFn, record, sqlCode_);
}

// ---- the agent host's live file

bool KelSQLFile::clientQuery(const std::string& databaseName, const std::string& fileName,
                             const std::string& clientName) {
    static const char* kFn = "KelSQLFile::clientQuery(databaseName, fileName, clientName)";
    KelLastError& err = getLastError();
    if (!context_.isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, kFn);
    if (!stringEmpty(err, databaseName, "databaseName", kFn) || !stringEmpty(err, fileName, "fileName", kFn) ||
        !textFits(err, databaseName, kNameField, "databaseName", kFn) ||
        !textFits(err, fileName, kNameField, "fileName", kFn))
        return false;
    if (!getClientHostnameForLocalTessel(err, context_, clientName, "clientName")) return false;
    if (!addressDataAgent(context_.remoteSqlHostName(), kFn)) return false;
    KelNetSQLFileReq_t* req = requestMessage(true);
    if (!req) return false;
    req->DBCode = KelNetSQLFileClientQuery;
    return kelsql::FieldCopies(err, kFn)
               .text(req->File.DatabaseName, databaseName, "databaseName")
               .text(req->File.FileName, fileName, "fileName")
               .ok() &&
           networkQuery();
}

bool KelSQLFile::clientQuery(KelNetSQLFile_t* reqFile, KelNetSQLFile_t* rspFile) {
    static const char* kFn = "KelSQLFile::clientQuery(reqFile, rspFile)";
    if (!requireServerSide(kFn)) return false;
    return query(kel::fieldText(reqFile->DatabaseName), kel::fieldText(reqFile->FileName)) &&
           copyToNetwork(*rspFile);
}
