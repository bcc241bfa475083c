#include "KelSQL/KelNetSQLLogMarkName.h"

#include "KelSQL/KelNetSQLRegistry.h"
#include "KelSQL/KelSQLLogMarkName.h"

namespace {

const kelsql::MessageRegistration<KelNetSQLLogMarkName, kelsql::AnswerSide::Ostrel> registered;

}  // namespace

void KelNetSQLLogMarkName::printSQLLogMarkName(const KelNetSQLLogMarkName_t* r) {
    if (!r || !sqlLogLevel(4)) return;
    const char* fn = "KelNetSQLLogMarkName::printSQLLogMarkName";
    dumpInnerHeader(fn, "KelNet SqlLogMarkName");
    dumpNumber(fn, "SqlLogMarkNamesId", static_cast<long long>(r->SqlLogMarkNamesId));
    dumpNumber(fn, "SqlDatabaseId", static_cast<long long>(r->SqlDatabaseId));
    dumpNumber(fn, "TesselId", static_cast<long long>(r->TesselId));
    dumpText(fn, "MarkName", r->MarkName, sizeof r->MarkName);
    dumpText(fn, "MarkLSN", r->MarkLSN, sizeof r->MarkLSN);
    dumpText(fn, "Description", r->Description, sizeof r->Description);
    KelNetSQLDateTime_t markTime = r->MarkTime;
    printSQLDateTime(2, "MarkTime", &markTime);
}

void KelNetSQLLogMarkName::dumpRequest(const char* fn, const KelNetSQLLogMarkNameReq_t& req) {
    dumpNumber(fn, "DBCode", req.DBCode);
    printSQLLogMarkName(&req.LogMarkName);
}

void KelNetSQLLogMarkName::dumpResponse(const char*, const KelNetSQLLogMarkNameRsp_t& rsp) {
    printSQLLogMarkName(&rsp.LogMarkName);
}

bool KelNetSQLLogMarkName::answer(KelNetSQLLogMarkNameReq_t& req, KelNetSQLLogMarkNameRsp_t& rsp) {
    static const char* kFn = "KelNetSQLLogMarkName::buildReply()";
    KelSQLLogMarkName mark(context(), true);
    bool ok = false;
    switch (req.DBCode) {
    case KelNetSQLLogMarkNameLast: ok = mark.query(req.LogMarkName, rsp.LogMarkName); break;
    case KelNetSQLLogMarkNameInsert: ok = mark.insert(req.LogMarkName, rsp.LogMarkName); break;
    default: return refuse(kFn, req.DBCode);
    }
    if (!ok) {
        getLastError() = mark.getLastError();
        std::memset(static_cast<void*>(&rsp.LogMarkName), 0, sizeof rsp.LogMarkName);
    }
    return ok;
}
