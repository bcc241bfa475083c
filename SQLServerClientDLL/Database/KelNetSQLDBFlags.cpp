#include "KelSQL/KelNetSQLDatabase.h"

#include "KelSQL/KelNetSQLRegistry.h"
#include "KelSQL/KelSQLDatabase.h"

namespace {

const kelsql::MessageRegistration<KelNetSQLDBFlags, kelsql::AnswerSide::Ostrel> registered;

}  // namespace

void KelNetSQLDBFlags::dumpRequest(const char* fn, const KelNetSQLDBFlagsReq_t& req) {
    dumpNumber(fn, "sqlDatabaseId", static_cast<long long>(req.sqlDatabaseId));
    dumpNumber(fn, "Flag", static_cast<long long>(req.Flag));
    dumpNumber(fn, "State", static_cast<long long>(req.State));
}

bool KelNetSQLDBFlags::network() { return exchange(getLastError()); }

bool KelNetSQLDBFlags::answer(KelNetSQLDBFlagsReq_t& req, KelNetSQLDBFlagsRsp_t&) {
    KelSQLDatabase database(context(), true);
    // The instance-wide write is the Ostrel's own: it never travels.
    if (database.updateFlag(static_cast<unsigned long>(req.sqlDatabaseId),
                            static_cast<KelSQL_AllowFlagBits>(req.Flag % 32), req.State, 0))
        return true;
    getLastError() = database.getLastError();
    return false;
}
