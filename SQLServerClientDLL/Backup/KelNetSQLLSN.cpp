#include "KelSQL/KelNetSQLLSN.h"

#include "KelSQL/KelNetSQLRegistry.h"
#include "KelSQL/KelSQLLSN.h"

namespace {

const kelsql::MessageRegistration<KelNetSQLLSN, kelsql::AnswerSide::Ostrel> registered;

}  // namespace

void KelNetSQLLSN::printSQLLSN(const KelNetSQLLSN_t* r) {
    if (!r || !sqlLogLevel(4)) return;
    const char* fn = "KelNetSQLLSN::printSQLLSN";
    dumpInnerHeader(fn, "KelNetSqlLSN");
    dumpNumber(fn, "SqlBackupSetId", static_cast<long long>(r->SqlBackupSetId));
    dumpNumber(fn, "TesselId", static_cast<long long>(r->TesselId));
    dumpNumber(fn, "SqlDatabaseId", static_cast<long long>(r->SqlDatabaseId));
    dumpText(fn, "First LSN", r->FirstLSN, sizeof r->FirstLSN);
    dumpText(fn, "Last LSN", r->LastLSN, sizeof r->LastLSN);
    dumpText(fn, "Checkpoint LSN", r->CheckpointLSN, sizeof r->CheckpointLSN);
    dumpText(fn, "Database LSN", r->DatabaseLSN, sizeof r->DatabaseLSN);
    sqlDumpLine(fn, "        %s = %c", "BackupType", static_cast<char>(r->BackupType));
    KelNetSQLDateTime_t start = r->StartTime;
    KelNetSQLDateTime_t finish = r->FinishTime;
    printSQLDateTime(2, "StartTime", &start);
    printSQLDateTime(2, "FinishTime", &finish);
}

void KelNetSQLLSN::dumpRequest(const char* fn, const KelNetSQLLSNReq_t& req) {
    dumpNumber(fn, "DBCode", req.DBCode);
    printSQLLSN(&req.LSN);
}

void KelNetSQLLSN::dumpResponse(const char*, const KelNetSQLLSNRsp_t& rsp) { printSQLLSN(&rsp.LSN); }

bool KelNetSQLLSN::answer(KelNetSQLLSNReq_t& req, KelNetSQLLSNRsp_t& rsp) {
    KelSQLLSN lsn(context(), true);
    bool ok = false;
    switch (req.DBCode) {
    case KelNetSQLLSNLookup: ok = lsn.lookup(req.LSN, rsp.LSN); break;
    case KelNetSQLLSNInsert: ok = lsn.insert(req.LSN, rsp.LSN); break;
    default: return refuse("KelNetSQLLSN::buildReply()", req.DBCode);
    }
    if (!ok) {
        getLastError() = lsn.getLastError();
        // Whatever a failed operation wrote is not an answer.
        std::memset(static_cast<void*>(&rsp.LSN), 0, sizeof rsp.LSN);
    }
    return ok;
}
