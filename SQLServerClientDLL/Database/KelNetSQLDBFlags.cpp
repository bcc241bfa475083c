#include "KelSQL/KelNetSQLDatabase.h"

void KelNetSQLDBFlags::dumpRequest(const char* fn, const KelNetSQLDBFlagsReq_t& req) {
    dumpNumber(fn, "sqlDatabaseId", static_cast<long long>(req.sqlDatabaseId));
    dumpNumber(fn, "Flag", static_cast<long long>(req.Flag));
    dumpNumber(fn, "State", static_cast<long long>(req.State));
}

bool KelNetSQLDBFlags::network() { return exchange(getLastError()); }

bool KelNetSQLDBFlags::answer(KelNetSQLDBFlagsReq_t&, KelNetSQLDBFlagsRsp_t&) {
    return refuse("KelNetSQLDBFlags::buildReply()", 0);
}
