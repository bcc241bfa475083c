#include "KelSQL/KelNetSQLFileRename.h"

#include "KelSQL/KelNetSQLRegistry.h"
#include "KelSQL/KelSQLFileRename.h"

namespace {

const kelsql::MessageRegistration<KelNetSQLFileRename, kelsql::AnswerSide::Ostrel> registered;

}  // namespace

void KelNetSQLFileRename::printSQLFileRename(const KelNetSQLFileRename_t* r) {
    if (!r || !sqlLogLevel(4)) return;
    const char* fn = "KelNetSQLFileRename::printSQLFileRename";
    dumpInnerHeader(fn, "KelNetSqlFileRename");
    dumpNumber(fn, "SqlFileRenameId", static_cast<long long>(r->SqlFileRenameId));
    dumpNumber(fn, "SqlRestoreTaskId", static_cast<long long>(r->SqlRestoreTaskId));
    dumpNumber(fn, "NextSqlFileRenameId", static_cast<long long>(r->NextSqlFileRenameId));
    dumpText(fn, "Logical", r->Logical, sizeof r->Logical);
    dumpText(fn, "Physical", r->Physical, sizeof r->Physical);
}

void KelNetSQLFileRename::dumpRequest(const char* fn, const KelNetSQLFileRenameReq_t& req) {
    dumpNumber(fn, "SqlFileRenameId", static_cast<long long>(req.SqlFileRenameId));
}

void KelNetSQLFileRename::dumpResponse(const char*, const KelNetSQLFileRenameRsp_t& rsp) {
    printSQLFileRename(&rsp.FileRename);
}

bool KelNetSQLFileRename::answer(KelNetSQLFileRenameReq_t& req, KelNetSQLFileRenameRsp_t& rsp) {
    KelSQLFileRename rename(context(), true);
    if (rename.query(req, rsp.FileRename)) return true;
    getLastError() = rename.getLastError();
    std::memset(static_cast<void*>(&rsp.FileRename), 0, sizeof rsp.FileRename);
    return false;
}
