#include "KelSQL/KelNetSQLBSRestore.h"

#include <algorithm>

#include "KelSQL/KelNetSQLRegistry.h"
#include "KelSQL/KelSQLBSRestore.h"

namespace {

const kelsql::MessageRegistration<KelNetSQLBSRestore, kelsql::AnswerSide::Ostrel> registered;

}  // namespace

void KelNetSQLBSRestore::printSQLBSRestoreArchive(const KelNetSQLBSRestoreArchive_t* a) {
    if (!a || !sqlLogLevel(4)) return;
    const char* fn = "KelNetSQLBSRestore::printSQLBSRestoreArchive";
    sqlDumpLine(fn, "3     %s:%s", "KelNetSQLBSRestoreArchive", " ");
    dumpNumber(fn, "SqlArchiveSetId", static_cast<long long>(a->SqlArchiveSetId));
    dumpNumber(fn, "SequenceNumber", static_cast<long long>(a->SequenceNumber));
    dumpNumber(fn, "ArchiveGroup", static_cast<long long>(a->ArchiveGroup));
    dumpNumber(fn, "ArchiveFile", static_cast<long long>(a->ArchiveFile));
}

void KelNetSQLBSRestore::printSQLBSRestore(const KelNetSQLBSRestore_t* r) {
    if (!r || !sqlLogLevel(4)) return;
    const char* fn = "KelNetSQLBSRestore::printSQLBSRestore";
    dumpInnerHeader(fn, "KelNetSQLBSRestore");
    dumpNumber(fn, "SqlBackupSetId", static_cast<long long>(r->SqlBackupSetId));
    dumpNumber(fn, "Streams", static_cast<long long>(r->Streams));
    dumpNumber(fn, "TesselId", static_cast<long long>(r->TesselId));
    sqlDumpLine(fn, "        %s = %lld", "BackupSize", static_cast<long long>(r->BackupSize));
    sqlDumpLine(fn, "        %s = %c", "BackupType", static_cast<char>(r->BackupType));
    const uint64_t shown = std::min<uint64_t>(r->Streams, kelsql::kBSRestoreArchiveSlots);
    for (uint64_t i = 0; i < shown; ++i) printSQLBSRestoreArchive(&r->Archives[i]);
}

void KelNetSQLBSRestore::dumpRequest(const char* fn, const KelNetSQLBSRestoreReq_t& req) {
    dumpNumber(fn, "SqlBackupSetId", static_cast<long long>(req.SqlBackupSetId));
}

void KelNetSQLBSRestore::dumpResponse(const char*, const KelNetSQLBSRestoreRsp_t& rsp) {
    printSQLBSRestore(&rsp.BSRestore);
}

bool KelNetSQLBSRestore::answer(KelNetSQLBSRestoreReq_t& req, KelNetSQLBSRestoreRsp_t& rsp) {
    KelSQLBSRestore description(context(), true);
    if (description.query(&req, &rsp)) return true;
    getLastError() = description.getLastError();
    // Whatever a failed query wrote is not an answer.
    std::memset(static_cast<void*>(&rsp.BSRestore), 0, sizeof rsp.BSRestore);
    return false;
}
