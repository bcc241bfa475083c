#include "KelSQL/KelNetSQLMediaFamily.h"

#include "KelSQL/KelNetSQLRegistry.h"
#include "KelSQL/KelSQLMediaFamily.h"

namespace {

const kelsql::MessageRegistration<KelNetSQLMediaFamily, kelsql::AnswerSide::Ostrel> registered;

}  // namespace

void KelNetSQLMediaFamily::printSQLMediaFamily(const KelNetSQLMediaFamily_t* r) {
    if (!r || !sqlLogLevel(4)) return;
    const char* fn = "KelNetSQLMediaFamily::printSQLMediaFamily";
    dumpInnerHeader(fn, "KelNetSqlMediaFamily");
    dumpNumber(fn, "SqlArchiveSetId", static_cast<long long>(r->SqlArchiveSetId));
    dumpNumber(fn, "TesselId", static_cast<long long>(r->TesselId));
    dumpNumber(fn, "SqlBackupSetId", static_cast<long long>(r->SqlBackupSetId));
    dumpNumber(fn, "MediaSetId", static_cast<long long>(r->MediaSetId));
    dumpNumber(fn, "SequenceNumber", static_cast<long long>(r->SequenceNumber));
}

void KelNetSQLMediaFamily::printSQLArchiveFileId(const KelNetSQLArchiveFileId_t* r) {
    if (!r || !sqlLogLevel(4)) return;
    const char* fn = "KelNetSQLMediaFamily::printSQLArchiveFileId";
    sqlDumpLine(fn, "3     %s:%s", "KelNetSqlArchiveFileId", " ");
    dumpNumber(fn, "TesselId", static_cast<long long>(r->TesselId));
    dumpNumber(fn, "GroupNumber", static_cast<long long>(r->GroupNumber));
    dumpNumber(fn, "FileNumber", static_cast<long long>(r->FileNumber));
}

void KelNetSQLMediaFamily::dumpRequest(const char* fn, const KelNetSQLMediaFamilyReq_t& req) {
    dumpNumber(fn, "DBCode", req.DBCode);
    printSQLMediaFamily(&req.MediaFamily);
}

void KelNetSQLMediaFamily::dumpResponse(const char*, const KelNetSQLMediaFamilyRsp_t& rsp) {
    printSQLMediaFamily(&rsp.MediaFamily);
}

bool KelNetSQLMediaFamily::answer(KelNetSQLMediaFamilyReq_t& req, KelNetSQLMediaFamilyRsp_t& rsp) {
    // Only the Ostrel keeps the catalogue.
    if (!context().isServerOperations()) return refuse("KelNetSQLMediaFamily::buildReply()", req.DBCode);
    KelSQLMediaFamily family(context(), true);
    bool ok = false;
    switch (req.DBCode) {
    case KelNetSQLMediaFamilyLookup: ok = family.lookup(req.MediaFamily, rsp.MediaFamily); break;
    case KelNetSQLMediaFamilyInsert: ok = family.insert(req.MediaFamily, rsp.MediaFamily); break;
    default: return refuse("KelNetSQLMediaFamily::buildReply()", req.DBCode);
    }
    if (!ok) {
        getLastError() = family.getLastError();
        // Whatever a failed operation wrote is not an answer.
        std::memset(static_cast<void*>(&rsp.MediaFamily), 0, sizeof rsp.MediaFamily);
    }
    return ok;
}
