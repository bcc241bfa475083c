#include "KelSQL/KelSQLBSRestore.h"

#include <algorithm>
#include <cstdlib>

#include "BackupRecords.h"
#include "Db/Tbl/sqlArchiveSet.h"
#include "Db/Tbl/sqlBackupSet.h"
#include "Db/Tbl/sqlLSNs.h"
#include "KelSQL/KelSQLErrorStatus.h"

using kelsql::backup::column;
using kelsql::backup::Where;

namespace {

const char* const kQueryFn = "KelSQLBSRestore::query(sqlBackupSetId)";

}  // namespace

KelSQLBSRestore::KelSQLBSRestore(KelSQLClassProperties& context, bool serverObject)
    : KelNetSQLBSRestore(context, false), context_(context), serverObject_(serverObject) {
    initializeSQLObject();
}

void KelSQLBSRestore::initializeSQLObject() {
    sqlBackupSetId_ = tesselId_ = streams_ = backupType_ = 0;
    backupSize_ = 0;
    archives_.clear();
}

bool KelSQLBSRestore::fail(uint64_t number, const char* signature) {
    getLastError().setNumber(number);
    getLastError().addArgument(signature);
    return false;
}

bool KelSQLBSRestore::query(unsigned long sqlBackupSetId) {
    if (!idNotSet(getLastError(), sqlBackupSetId, "sqlBackupSetId", kQueryFn)) return false;
    switch (kelsql::backup::placeOf(context_, *this)) {
    case Where::Local: return localQuery(sqlBackupSetId);
    case Where::Remote: {
        KelNetSQLBSRestoreReq_t* req = requestMessage(true);
        if (!req) return fail(kelsql::kErrNoBuffer, kQueryFn);
        req->SqlBackupSetId = sqlBackupSetId;
        return networkQuery();
    }
    case Where::Neither: break;
    }
    return fail(kelsql::kErrOstrelSideOnly, kQueryFn);
}

bool KelSQLBSRestore::localQuery(unsigned long sqlBackupSetId) {
    initializeSQLObject();
    DBtran* tran = kelsql::backup::transactionOf(context_);
    const int id = static_cast<int>(sqlBackupSetId);
    SqlBackupSet set(tran);
    set.setWhere("id = %d", id);
    sqlCode_ = set.getOneRow(&set, false, -1, 0);
    if (sqlCode_ != 0) return kelsql::backup::rowError(getLastError(), kQueryFn, set, sqlCode_);
    sqlBackupSetId_ = column(set.getDataPtr()->id);
    streams_ = column(set.getDataPtr()->streams);
    backupSize_ = std::strtoll(set.getDataPtr()->backupSize, nullptr, 10);

    SqlLSNs lsn(tran);
    lsn.setWhere("sqlBackupSetId = %d", id);
    sqlCode_ = lsn.getOneRow(&lsn, false, -1, 0);
    if (sqlCode_ != 0) return kelsql::backup::rowError(getLastError(), kQueryFn, lsn, sqlCode_);
    backupType_ = column(lsn.getDataPtr()->backupType);

    SqlArchiveSet archives(tran);
    archives.setWhere("sqlBackupSetId = %d", id);
    sqlCode_ = archives.openCursor();
    if (sqlCode_ == kDBNoRow) return true;  // no archive rows: an empty list
    if (sqlCode_ != 0) return kelsql::backup::rowError(getLastError(), kQueryFn, archives, sqlCode_);
    while ((sqlCode_ = archives.fetchCursor(true)) == 0) {
        const SqlArchiveSet_t& row = *archives.getDataPtr();
        KelNetSQLBSRestoreArchive_t a;
        a.SqlArchiveSetId = column(row.id);
        a.SequenceNumber = column(row.sequenceNumber);
        a.ArchiveGroup = column(row.archiveGroup);
        a.ArchiveFile = column(row.archiveFile);
        archives_.push_back(a);
        tesselId_ = column(row.tesselId);
    }
    archives.closeCursor();
    if (sqlCode_ != kDBNoRow) return kelsql::backup::rowError(getLastError(), kQueryFn, archives, sqlCode_);
    sqlCode_ = 0;
    return true;
}

bool KelSQLBSRestore::query(const KelNetSQLBSRestoreReq_t* req, KelNetSQLBSRestoreRsp_t* rsp) {
    static const char* kFn = "KelSQLBSRestore::query(req, rsp)";
    if (!serverObject_) return fail(kelsql::kErrNoSide, kFn);
    if (!req || !rsp) return fail(kelsql::kErrNoBuffer, kFn);
    if (!query(static_cast<unsigned long>(req->SqlBackupSetId))) return false;
    return copyToNetwork(rsp);
}

bool KelSQLBSRestore::networkQuery() {
    if (!exchange(getLastError())) return false;
    return copyFromNetwork(responseMessage(false));
}

bool KelSQLBSRestore::copyToNetwork(KelNetSQLBSRestoreRsp_t* rsp) {
    static const char* kFn = "KelSQLBSRestore::copyToNetwork(rsp)";
    if (!rsp) return fail(kelsql::kErrNoBuffer, kFn);
    // A longer list would not fit; a cut one would restore from too few files.
    if (archives_.size() > kelsql::kBSRestoreArchiveSlots) {
        fail(kelsql::kErrBackupSetListFull, kFn);
        getLastError().addArgument(static_cast<unsigned long>(archives_.size()));
        return false;
    }
    KelNetSQLBSRestore_t& r = rsp->BSRestore;
    r.SqlBackupSetId = sqlBackupSetId_;
    r.Streams = streams_;
    r.TesselId = tesselId_;
    r.BackupSize = backupSize_;
    r.BackupType = backupType_;
    std::copy(archives_.begin(), archives_.end(), r.Archives);
    return true;
}

bool KelSQLBSRestore::copyFromNetwork(const KelNetSQLBSRestoreRsp_t* rsp) {
    static const char* kFn = "KelSQLBSRestore::copyFromNetwork(rsp)";
    initializeSQLObject();
    if (!rsp) return fail(kelsql::kErrNoBuffer, kFn);
    const KelNetSQLBSRestore_t& r = rsp->BSRestore;
    if (r.Streams > kelsql::kBSRestoreArchiveSlots) {
        fail(kelsql::kErrListRead, kFn);
        getLastError().addArgument("Streams beyond the response's archive slots");
        return false;
    }
    sqlBackupSetId_ = r.SqlBackupSetId;
    streams_ = r.Streams;
    tesselId_ = r.TesselId;
    backupSize_ = r.BackupSize;
    backupType_ = r.BackupType;
    archives_.assign(r.Archives, r.Archives + r.Streams);
    return true;
}
