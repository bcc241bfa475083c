#include "KelSQL/KelNetSQLBackupFile.h"

#include "KelSQL/KelNetSQLRegistry.h"
#include "KelSQL/KelSQLBackupFile.h"

namespace {

const kelsql::MessageRegistration<KelNetSQLBackupFile, kelsql::AnswerSide::Ostrel> registered;

}  // namespace

void KelNetSQLBackupFile::printSQLBackupFile(const KelNetSQLBackupFile_t* r) {
    if (!r || !sqlLogLevel(4)) return;
    const char* fn = "KelNetSQLBackupFile::printSQLBackupFile";
    dumpInnerHeader(fn, "KelNetSqlBackupFile");
    dumpNumber(fn, "SqlBackupFileId", static_cast<long long>(r->SqlBackupFileId));
    dumpNumber(fn, "TesselId", static_cast<long long>(r->TesselId));
    dumpNumber(fn, "SqlBackupSetId", static_cast<long long>(r->SqlBackupSetId));
    dumpNumber(fn, "SqlFileGroupId", static_cast<long long>(r->SqlFileGroupId));
    dumpNumber(fn, "Number", static_cast<long long>(r->Number));
    dumpText(fn, "PhysicalName", r->PhysicalName, sizeof r->PhysicalName);
    dumpText(fn, "PhysicalDrive", r->PhysicalDrive, sizeof r->PhysicalDrive);
    dumpText(fn, "LogicalName", r->LogicalName, sizeof r->LogicalName);
    dumpNumber(fn, "PageSize", static_cast<long long>(r->PageSize));
    dumpNumber(fn, "PageCount", static_cast<long long>(r->PageCount));
    dumpNumber(fn, "Type", static_cast<long long>(r->Type));
}

void KelNetSQLBackupFile::dumpRequest(const char* fn, const KelNetSQLBackupFileReq_t& req) {
    dumpNumber(fn, "DBCode", req.DBCode);
    printSQLBackupFile(&req.BackupFile);
}

void KelNetSQLBackupFile::dumpResponse(const char*, const KelNetSQLBackupFileRsp_t& rsp) {
    printSQLBackupFile(&rsp.BackupFile);
}

bool KelNetSQLBackupFile::answer(KelNetSQLBackupFileReq_t& req, KelNetSQLBackupFileRsp_t& rsp) {
    // Only the Ostrel keeps the catalogue.
    if (!context().isServerOperations()) return refuse("KelNetSQLBackupFile::buildReply()", req.DBCode);
    KelSQLBackupFile file(context(), true);
    bool ok = false;
    switch (req.DBCode) {
    case KelNetSQLBackupFileLookup: ok = file.lookup(req.BackupFile, rsp.BackupFile); break;
    case KelNetSQLBackupFileInsert: ok = file.insert(req.BackupFile, rsp.BackupFile); break;
    default: return refuse("KelNetSQLBackupFile::buildReply()", req.DBCode);
    }
    if (!ok) {
        getLastError() = file.getLastError();
        // Whatever a failed operation wrote is not an answer.
        std::memset(static_cast<void*>(&rsp.BackupFile), 0, sizeof rsp.BackupFile);
    }
    return ok;
}
