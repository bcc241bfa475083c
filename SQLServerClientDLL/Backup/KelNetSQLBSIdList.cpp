#include "KelSQL/KelNetSQLBSIdList.h"

#include <algorithm>

#include "KelSQL/KelNetSQLRegistry.h"
#include "KelSQL/KelSQLDatabaseLSNList.h"

namespace {

// Chains are chosen from the catalogue: only the Ostrel answers.
const kelsql::MessageRegistration<KelNetSQLBSIdList, kelsql::AnswerSide::Ostrel> registered;

}  // namespace

void KelNetSQLBSIdList::dumpRequest(const char* fn, const KelNetSQLBSIdListReq_t& req) {
    dumpNumber(fn, "RestoreType", req.RestoreType);
    dumpNumber(fn, "RestoreTime", static_cast<long long>(req.RestoreTime));
    dumpNumber(fn, "SqlBackupSetId", static_cast<long long>(req.SqlBackupSetId));
    dumpNumber(fn, "SqlDatabaseId", static_cast<long long>(req.SqlDatabaseId));
}

void KelNetSQLBSIdList::dumpResponse(const char* fn, const KelNetSQLBSIdListRsp_t& rsp) {
    sqlDumpLine(fn, "        %s = %lld", "RestoreByteSize", static_cast<long long>(rsp.RestoreByteSize));
    dumpNumber(fn, "TotalCount", static_cast<long long>(rsp.TotalCount));
    const uint64_t n = std::min<uint64_t>(rsp.TotalCount, kelsql::kBSIdSlots);
    for (uint64_t i = 0; i < n; ++i) dumpNumber(fn, "SqlBackupSetId", static_cast<long long>(rsp.SqlBackupSetId[i]));
}

bool KelNetSQLBSIdList::answer(KelNetSQLBSIdListReq_t& req, KelNetSQLBSIdListRsp_t& rsp) {
    KelSQLDatabaseLSNList chain(context(), true);
    if (chain.query(&req, &rsp)) return true;
    getLastError() = chain.getLastError();
    // A failed answer carries no ids.
    rsp.TotalCount = 0;
    rsp.RestoreByteSize = 0;
    return false;
}
