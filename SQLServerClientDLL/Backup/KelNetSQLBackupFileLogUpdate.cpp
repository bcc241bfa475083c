#include "KelSQL/KelNetSQLBackupFileLogUpdate.h"

#include "Db/Cursor/sqlBackupFileLogUpdate.h"
#include "KelSQL/KelNetSQLRegistry.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "BackupRecords.h"

namespace {

const kelsql::MessageRegistration<KelNetSQLBackupFileLogUpdate, kelsql::AnswerSide::Ostrel> registered;

}  // namespace

void KelNetSQLBackupFileLogUpdate::dumpRequest(const char* fn, const KelNetSQLBackupFileLogUpdateReq_t& req) {
    dumpNumber(fn, "TesselId", static_cast<long long>(req.TesselId));
    dumpNumber(fn, "SqlDatabaseId", static_cast<long long>(req.SqlDatabaseId));
    dumpNumber(fn, "SqlBackupSetId", static_cast<long long>(req.SqlBackupSetId));
}

bool KelNetSQLBackupFileLogUpdate::update(unsigned long tesselId, unsigned long sqlDatabaseId,
                                          unsigned long sqlBackupSetId) {
    static const char* kFn = "KelNetSQLBackupFileLogUpdate::update(tesselId, sqlDatabaseId, sqlBackupSetId)";
    KelLastError& err = getLastError();
    if (!idNotSet(err, tesselId, "tesselId", kFn) || !idNotSet(err, sqlDatabaseId, "sqlDatabaseId", kFn) ||
        !idNotSet(err, sqlBackupSetId, "sqlBackupSetId", kFn))
        return false;
    KelSQLClassProperties& ctx = context();
    switch (kelsql::backup::placeOf(ctx, *this)) {
    case kelsql::backup::Where::Local: break;
    case kelsql::backup::Where::Remote: return networkUpdate(tesselId, sqlDatabaseId, sqlBackupSetId);
    case kelsql::backup::Where::Neither: return fail(kelsql::kErrOstrelSideOnly, kFn);
    }
    if (!ctx.isTransactionStarted()) return fail(kelsql::kErrTranRequired, kFn);
    SqlBackupFileLogUpdate batch(ctx.getDBTransaction());
    batch.setValues(static_cast<int>(tesselId), static_cast<int>(sqlDatabaseId), static_cast<int>(sqlBackupSetId));
    const int rc = batch.getOneRow(&batch, false, -1, 0);
    if (rc != 0) {
        err.setNumber(kelsql::kErrRowOperation);
        err.addArgument(batch.getpDescribe());
        err.addArgument(batch.getErrorStr(rc));
        return false;
    }
    if (batch.getDataPtr()->rc == 0) {
        err.setNumber(kelsql::kErrBackupFileLogUpdate);
        err.addArgument(sqlDatabaseId);
        err.addArgument(sqlBackupSetId);
        return false;
    }
    return true;
}

bool KelNetSQLBackupFileLogUpdate::networkUpdate(unsigned long tesselId, unsigned long sqlDatabaseId,
                                                 unsigned long sqlBackupSetId) {
    KelNetSQLBackupFileLogUpdateReq_t* req = requestMessage(true);
    if (!req) return fail(kelsql::kErrNoBuffer, "KelNetSQLBackupFileLogUpdate::networkUpdate()");
    req->TesselId = tesselId;
    req->SqlDatabaseId = sqlDatabaseId;
    req->SqlBackupSetId = sqlBackupSetId;
    return exchange(getLastError());
}

bool KelNetSQLBackupFileLogUpdate::answer(KelNetSQLBackupFileLogUpdateReq_t& req, KelNetSQLBackupFileLogUpdateRsp_t&) {
    // Only the Ostrel keeps the catalogue.
    if (!context().isServerOperations()) return refuse("KelNetSQLBackupFileLogUpdate::buildReply()", 0);
    return update(static_cast<unsigned long>(req.TesselId), static_cast<unsigned long>(req.SqlDatabaseId),
                  static_cast<unsigned long>(req.SqlBackupSetId));
}
