#include "KelSQL/KelNetSQLRestoreData.h"

#include "KelSQL/KelNetSQLRegistry.h"
#include "KelSQL/KelSQLRestoreData.h"

namespace {

const kelsql::MessageRegistration<KelNetSQLRestoreData, kelsql::AnswerSide::Ostrel> registered;

}  // namespace

void KelNetSQLRestoreData::printSQLRestoreData(const KelNetSQLRestoreData_t* r) {
    if (!r || !sqlLogLevel(4)) return;
    const char* fn = "KelNetSQLRestoreData::printSQLRestoreData";
    dumpInnerHeader(fn, "KelNetSqlRestoreData");
    dumpNumber(fn, "SqlRestoreDataId", static_cast<long long>(r->SqlRestoreDataId));
    dumpNumber(fn, "SqlRestoreTaskId", static_cast<long long>(r->SqlRestoreTaskId));
    dumpNumber(fn, "DataType", static_cast<long long>(r->DataType));
    dumpNumber(fn, "SqlId", static_cast<long long>(r->SqlId));
    dumpNumber(fn, "SqlFileRenameId", static_cast<long long>(r->SqlFileRenameId));
    dumpNumber(fn, "NextSqlRestoreDataId", static_cast<long long>(r->NextSqlRestoreDataId));
    dumpText(fn, "Name", r->Name, sizeof r->Name);
}

void KelNetSQLRestoreData::dumpRequest(const char* fn, const KelNetSQLRestoreDataReq_t& req) {
    dumpNumber(fn, "SqlRestoreDataId", static_cast<long long>(req.SqlRestoreDataId));
}

void KelNetSQLRestoreData::dumpResponse(const char*, const KelNetSQLRestoreDataRsp_t& rsp) {
    printSQLRestoreData(&rsp.RestoreData);
}

bool KelNetSQLRestoreData::answer(KelNetSQLRestoreDataReq_t& req, KelNetSQLRestoreDataRsp_t& rsp) {
    KelSQLRestoreData data(context(), true);
    if (data.query(req, rsp.RestoreData)) return true;
    getLastError() = data.getLastError();
    std::memset(static_cast<void*>(&rsp.RestoreData), 0, sizeof rsp.RestoreData);
    return false;
}
