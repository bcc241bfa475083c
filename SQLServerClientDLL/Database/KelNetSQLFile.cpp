#include "KelSQL/KelNetSQLFile.h"

#include "KelSQL/KelNetSQLRegistry.h"
#include "KelSQL/KelSQLFile.h"

namespace {

const kelsql::MessageRegistration<KelNetSQLFile, kelsql::AnswerSide::Ostrel> registered;

}  // namespace

void KelNetSQLFile::printSQLFile(const KelNetSQLFile_t* r) {
    if (!r || !sqlLogLevel(4)) return;
    const char* fn = "KelNetSQLFile::printSQLFile";
    dumpInnerHeader(fn, "KelNet SqlFile");
    dumpNumber(fn, "SqlFileId", static_cast<long long>(r->SqlFileId));
    dumpNumber(fn, "TesselId", static_cast<long long>(r->TesselId));
    dumpNumber(fn, "SqlFileGroupId", static_cast<long long>(r->SqlFileGroupId));
    dumpText(fn, "FileGroupName", r->FileGroupName, sizeof r->FileGroupName);
    dumpText(fn, "FileName", r->FileName, sizeof r->FileName);
    dumpText(fn, "DatabaseName", r->DatabaseName, sizeof r->DatabaseName);
    dumpText(fn, "ServerName", r->ServerName, sizeof r->ServerName);
    dumpText(fn, "ClientName", r->ClientName, sizeof r->ClientName);
    dumpText(fn, "PhysicalName", r->PhysicalName, sizeof r->PhysicalName);
    dumpNumber(fn, "FileId", static_cast<long long>(r->FileId));
    dumpNumber(fn, "Size", r->Size);
    dumpNumber(fn, "MaxSize", r->MaxSize);
    dumpNumber(fn, "AddTime", static_cast<long long>(r->AddTime));
    dumpNumber(fn, "RemovalTime", static_cast<long long>(r->RemovalTime));
    dumpNumber(fn, "DeleteFlag", static_cast<long long>(r->DeleteFlag));
}

void KelNetSQLFile::dumpRequest(const char* fn, const KelNetSQLFileReq_t& req) {
    dumpNumber(fn, "DBCode", req.DBCode);
    printSQLFile(&req.File);
}

void KelNetSQLFile::dumpResponse(const char*, const KelNetSQLFileRsp_t& rsp) { printSQLFile(&rsp.File); }

bool KelNetSQLFile::answer(KelNetSQLFileReq_t& req, KelNetSQLFileRsp_t& rsp) {
    KelSQLFile file(context(), true);
    bool ok = false;
    switch (req.DBCode) {
    case KelNetSQLFileLookup: ok = file.lookup(&req.File, &rsp.File); break;
    case KelNetSQLFileUpdate: ok = file.update(&req.File, &rsp.File); break;
    case KelNetSQLFileConfig: ok = file.config(&req.File, &rsp.File); break;
    case KelNetSQLFileLogicalDeletion: ok = file.logicalDeletion(&req.File, &rsp.File); break;
    // DBCode 3 is the agent host's question; the catalogue does not answer it.
    default: return refuse("KelNetSQLFile::buildReply()", req.DBCode);
    }
    if (!ok) {
        getLastError() = file.getLastError();
        // Whatever a failed operation wrote is not an answer.
        std::memset(static_cast<void*>(&rsp.File), 0, sizeof rsp.File);
    }
    return ok;
}
