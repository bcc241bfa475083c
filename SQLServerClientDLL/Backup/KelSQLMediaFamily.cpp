#include "KelSQL/KelSQLMediaFamily.h"

#include "Db/Tbl/sqlArchiveSet.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLErrors.h"
#include "BackupRecords.h"
#include "platform/db/SqlText.h"

using kelsql::backup::column;
using kelsql::backup::Where;

KelSQLMediaFamily::KelSQLMediaFamily(KelSQLClassProperties& context, bool serverObject)
    : KelNetSQLMediaFamily(context, false), context_(context), serverObject_(serverObject) {
    initializeSQLObject();
}

KelSQLMediaFamily& KelSQLMediaFamily::operator=(const KelSQLMediaFamily& other) {
    if (this == &other) return *this;
    mediaSetId_ = other.mediaSetId_;
    sequenceNumber_ = other.sequenceNumber_;
    archiveTesselId_ = other.archiveTesselId_;
    archiveGroupNumber_ = other.archiveGroupNumber_;
    archiveFileNumber_ = other.archiveFileNumber_;
    sqlBackupSetId_ = other.sqlBackupSetId_;
    tesselId_ = other.tesselId_;
    sqlId_ = other.sqlId_;
    return *this;
}

void KelSQLMediaFamily::initializeSQLObject() {
    loaded_ = false;
    mediaSetId_ = sequenceNumber_ = archiveTesselId_ = archiveGroupNumber_ = archiveFileNumber_ = 0;
    sqlBackupSetId_ = tesselId_ = sqlId_ = 0;
}

bool KelSQLMediaFamily::fail(uint64_t number, const char* signature) {
    getLastError().setNumber(number);
    getLastError().addArgument(signature);
    return false;
}

bool KelSQLMediaFamily::rowError(DBtable& record) {
    getLastError().setNumber(kelsql::kErrRowOperation);
    getLastError().addArgument(record.getpDescribe());
    getLastError().addArgument(record.getErrorStr(static_cast<int>(sqlCode_)));
    return false;
}

// ---- copies

void KelSQLMediaFamily::copyToNetwork(KelNetSQLMediaFamily_t& rec) const {
    rec.SqlArchiveSetId = sqlId_;
    rec.TesselId = tesselId_;
    rec.SqlBackupSetId = sqlBackupSetId_;
    rec.MediaSetId = mediaSetId_;
    rec.SequenceNumber = sequenceNumber_;
    rec.ArchiveFile.TesselId = archiveTesselId_;
    rec.ArchiveFile.GroupNumber = archiveGroupNumber_;
    rec.ArchiveFile.FileNumber = archiveFileNumber_;
}

void KelSQLMediaFamily::copyFromNetwork(const KelNetSQLMediaFamily_t& rec) {
    initializeSQLObject();
    sqlId_ = rec.SqlArchiveSetId;
    tesselId_ = rec.TesselId;
    sqlBackupSetId_ = rec.SqlBackupSetId;
    mediaSetId_ = rec.MediaSetId;
    sequenceNumber_ = rec.SequenceNumber;
    archiveTesselId_ = rec.ArchiveFile.TesselId;
    archiveGroupNumber_ = rec.ArchiveFile.GroupNumber;
    archiveFileNumber_ = rec.ArchiveFile.FileNumber;
    loaded_ = true;
}

void KelSQLMediaFamily::copyToSql(SqlArchiveSet_t& row) const {
    KelNetSQLMediaFamily_t rec{};
    copyToNetwork(rec);
    copyNetworkToSql(rec, row);
}

void KelSQLMediaFamily::copyFromSql(const SqlArchiveSet_t& row) {
    KelNetSQLMediaFamily_t rec{};
    copyNetworkFromSql(rec, row);
    copyFromNetwork(rec);
}

void KelSQLMediaFamily::copyNetworkToSql(const KelNetSQLMediaFamily_t& rec, SqlArchiveSet_t& row) {
    row.id = static_cast<int32_t>(rec.SqlArchiveSetId);
    row.tesselId = static_cast<int32_t>(rec.TesselId);
    row.sqlBackupSetId = static_cast<int32_t>(rec.SqlBackupSetId);
    row.mediaSetId = static_cast<int32_t>(rec.MediaSetId);
    row.sequenceNumber = static_cast<int32_t>(rec.SequenceNumber);
    row.archiveGroup = static_cast<int32_t>(rec.ArchiveFile.GroupNumber);
    row.archiveFile = static_cast<int32_t>(rec.ArchiveFile.FileNumber);
}

void KelSQLMediaFamily::copyNetworkFromSql(KelNetSQLMediaFamily_t& rec, const SqlArchiveSet_t& row) {
    rec.SqlArchiveSetId = column(row.id);
    rec.TesselId = column(row.tesselId);
    rec.SqlBackupSetId = column(row.sqlBackupSetId);
    rec.MediaSetId = column(row.mediaSetId);
    rec.SequenceNumber = column(row.sequenceNumber);
    rec.ArchiveFile.TesselId = column(row.tesselId);
    rec.ArchiveFile.GroupNumber = column(row.archiveGroup);
    rec.ArchiveFile.FileNumber = column(row.archiveFile);
}

bool KelSQLMediaFamily::save(KelNetSQLMediaFamily_t* record) {
    if (!record) return fail(kelsql::kErrInvalidArgument, "KelSQLMediaFamily::save(record)");
    copyToNetwork(*record);
    return true;
}

bool KelSQLMediaFamily::restore(const KelNetSQLMediaFamily_t* record) {
    if (!record) return fail(kelsql::kErrInvalidArgument, "KelSQLMediaFamily::restore(record)");
    copyFromNetwork(*record);
    return true;
}

// ---- reads

bool KelSQLMediaFamily::serverQuery() {
    SqlArchiveSet record(kelsql::backup::transactionOf(context_));
    record.setWhere("%s", where_.c_str());
    sqlCode_ = record.getOneRow(&record, false, -1, 0);
    if (sqlCode_ != 0) return rowError(record);
    copyFromSql(*record.getDataPtr());
    return true;
}

bool KelSQLMediaFamily::query(unsigned long sqlArchiveSetId) {
    static const char* kFn = "KelSQLMediaFamily::query(sqlArchiveSetId)";
    sqlCode_ = 0;
    if (!idNotSet(getLastError(), sqlArchiveSetId, "sqlArchiveSetId", kFn)) return false;
    switch (kelsql::backup::placeOf(context_, *this)) {
    case Where::Local:
        where_ = kel::sql::format("id=%d", static_cast<int>(sqlArchiveSetId));
        return serverQuery();
    case Where::Remote: {
        KelNetSQLMediaFamilyReq_t* req = requestMessage(true);
        if (!req) return fail(kelsql::kErrNoBuffer, kFn);
        req->DBCode = KelNetSQLMediaFamilyLookup;
        req->MediaFamily.SqlArchiveSetId = sqlArchiveSetId;
        if (!exchange(getLastError())) return false;
        copyFromNetwork(responseMessage(false)->MediaFamily);
        return true;
    }
    case Where::Neither: break;
    }
    return fail(kelsql::kErrOstrelSideOnly, kFn);
}

bool KelSQLMediaFamily::query(unsigned long sqlBackupSetId, unsigned long sequenceNumber) {
    static const char* kFn = "KelSQLMediaFamily::query(sqlBackupSetId, sequenceNumber)";
    sqlCode_ = 0;
    if (!idNotSet(getLastError(), sqlBackupSetId, "sqlBackupSetId", kFn) ||
        !idNotSet(getLastError(), sequenceNumber, "sequenceNumber", kFn))
        return false;
    if (kelsql::backup::placeOf(context_, *this) != Where::Local) return fail(kelsql::kErrOstrelSideOnly, kFn);
    where_ = kel::sql::format("sqlBackupSetId = %d and sequenceNumber = %d", static_cast<int>(sqlBackupSetId),
                              static_cast<int>(sequenceNumber));
    return serverQuery();
}

bool KelSQLMediaFamily::clientQuery(unsigned long, unsigned long) {
    if (context_.isClientOperations()) return true;
    return fail(kelsql::kErrAgentSideOnly, "KelSQLMediaFamily::clientQuery(mediaSetId, sequenceNumber)");
}

// ---- the agent's record of a stream

bool KelSQLMediaFamily::insert(unsigned long tesselId, unsigned long sqlBackupSetId) {
    static const char* kFn = "KelSQLMediaFamily::insert(tesselId, sqlBackupSetId)";
    if (!context_.isClientOperations()) return fail(kelsql::kErrAgentSideOnly, kFn);
    if (!loaded_) return fail(kelsql::kErrInsert, kFn);
    if (!idNotSet(getLastError(), tesselId, "tesselId", kFn) ||
        !idNotSet(getLastError(), sqlBackupSetId, "sqlBackupSetId", kFn))
        return false;
    sqlBackupSetId_ = sqlBackupSetId;
    tesselId_ = tesselId;
    sqlId_ = 0;
    KelNetSQLMediaFamilyReq_t* req = requestMessage(true);
    if (!req) return fail(kelsql::kErrNoBuffer, kFn);
    req->DBCode = KelNetSQLMediaFamilyInsert;
    copyToNetwork(req->MediaFamily);
    if (!exchange(getLastError())) return false;
    copyFromNetwork(responseMessage(false)->MediaFamily);
    return true;
}

// ---- the Ostrel's answers

bool KelSQLMediaFamily::insert(const KelNetSQLMediaFamily_t& request, KelNetSQLMediaFamily_t& response) {
    static const char* kFn = "KelSQLMediaFamily::insert(reqMediaFamily, rspMediaFamily)";
    if (!serverObject_) return fail(kelsql::kErrNoSide, kFn);
    if (!context_.isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, kFn);
    const auto sqlBackupSetId = static_cast<unsigned long>(request.SqlBackupSetId);
    const auto sequenceNumber = static_cast<unsigned long>(request.SequenceNumber);
    if (query(sqlBackupSetId, sequenceNumber)) {
        getLastError().clear();
        getLastError().setNumber(kelsql::kErrMediaFamilyExists);
        getLastError().addArgument(sequenceNumber);
        getLastError().addArgument(sqlBackupSetId);
        return false;
    }
    // Only "no such row" lets the insert go on; any other failure is the answer.
    if (sqlCode_ != kDBNoRow) return false;
    getLastError().clear();
    if (!context_.isTransactionStarted()) return fail(kelsql::kErrTranRequired, kFn);
    SqlArchiveSet record(context_.getDBTransaction());
    SqlArchiveSet_t& row = *record.getDataPtr();
    copyNetworkToSql(request, row);
    row.id = 0;
    row.bIsTombstoned = 0;
    sqlCode_ = record.rowInsert(true);
    if (sqlCode_ != 0) return rowError(record);
    copyNetworkFromSql(response, row);
    return true;
}

bool KelSQLMediaFamily::lookup(const KelNetSQLMediaFamily_t& request, KelNetSQLMediaFamily_t& response) {
    static const char* kFn = "KelSQLMediaFamily::lookup(reqMediaFamily, rspMediaFamily)";
    if (!serverObject_) return fail(kelsql::kErrNoSide, kFn);
    if (request.SqlArchiveSetId == 0) {
        fail(kelsql::kErrRequestIds, kFn);
        getLastError().addArgument(649ul);
        return false;
    }
    if (!query(static_cast<unsigned long>(request.SqlArchiveSetId))) return false;
    copyToNetwork(response);
    return true;
}
