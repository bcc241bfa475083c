#include "KelSQL/KelNetSQLBackupFileExist.h"

#include "KelSQL/KelNetSQLRegistry.h"
#include "KelSQL/KelSQLBackupFile.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "BackupRecords.h"
#include "platform/util/BoundedCopy.h"

namespace {

const kelsql::MessageRegistration<KelNetSQLBackupFileExist, kelsql::AnswerSide::Ostrel> registered;

}  // namespace

void KelNetSQLBackupFileExist::dumpRequest(const char* fn, const KelNetSQLBackupFileExistReq_t& req) {
    dumpNumber(fn, "TesselId", static_cast<long long>(req.TesselId));
    dumpNumber(fn, "SqlBackupSetId", static_cast<long long>(req.SqlBackupSetId));
    dumpText(fn, "LogicalName", req.LogicalName, sizeof req.LogicalName);
}

void KelNetSQLBackupFileExist::dumpResponse(const char* fn, const KelNetSQLBackupFileExistRsp_t& rsp) {
    dumpNumber(fn, "Status", rsp.FileStatus);
}

bool KelNetSQLBackupFileExist::networkQuery(unsigned long tesselId, unsigned long sqlBackupSetId,
                                            const std::string& logicalName) {
    static const char* kFn = "KelNetSQLBackupFileExist::networkQuery(tesselId, sqlBackupSetId, logicalName)";
    KelNetSQLBackupFileExistReq_t* req = requestMessage(true);
    if (!req) return fail(kelsql::kErrNoBuffer, kFn);
    if (!textFits(getLastError(), logicalName, sizeof req->LogicalName, "logicalName", kFn))
        return false;
    req->TesselId = tesselId;
    req->SqlBackupSetId = sqlBackupSetId;
    if (!kelsql::copyText(getLastError(), req->LogicalName, logicalName, "logicalName", kFn)) return false;
    return exchange(getLastError());
}

bool KelNetSQLBackupFileExist::answer(KelNetSQLBackupFileExistReq_t& req, KelNetSQLBackupFileExistRsp_t& rsp) {
    // Only the Ostrel keeps the catalogue.
    if (!context().isServerOperations()) return refuse("KelNetSQLBackupFileExist::buildReply()", 0);
    KelSQLBackupFile file(context(), true);
    if (file.query(static_cast<unsigned long>(req.TesselId), static_cast<unsigned long>(req.SqlBackupSetId),
                   kel::fieldText(req.LogicalName))) {
        rsp.FileStatus = KelNetSQLBackupFileExistFound;
        return true;
    }
    // Not found is an answer, not a failure: the query's error stays behind.
    if (file.sqlCode() == kDBNoRow) {
        rsp.FileStatus = KelNetSQLBackupFileExistNotFound;
        return true;
    }
    rsp.FileStatus = KelNetSQLBackupFileExistFailed;
    getLastError() = file.getLastError();
    return false;
}
