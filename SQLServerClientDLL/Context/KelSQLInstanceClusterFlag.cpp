// Reads the instance row for the clustered-status messages. The instance
// record class answers the same question (query by id or by client and
// instance name, then isClusterFlag()); this reader stands in one place so
// that the record class can take its place without touching the messages.
#include "Db/Tbl/sqlServer.h"
#include "KelSQL/KelNetSQLClientClustered.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLErrors.h"
#include "KelSQL/KelSQLLookups.h"

namespace {

constexpr int32_t kClusterFlag = 0x1;

bool rowFailed(KelLastError& err, SqlServer& row, int rc, const char* fn) {
    err.setNumber(kelsql::kErrRowOperation);
    err.addArgument(fn);
    err.addArgument(row.getpDescribe());
    err.addArgument(row.getErrorStr(rc));
    return false;
}

}  // namespace

bool kelsql::instanceClusterFlag(KelSQLClassProperties& ctx, unsigned long sqlServerId, const std::string& clientName,
                                 const std::string& sqlServerName, bool& clustered, KelLastError& err) {
    static const char* kFn = "KelSQLServer::query()";
    DBtran* tran = ctx.isTransactionStarted() ? ctx.getDBTransaction() : nullptr;
    SqlServer row(tran);
    if (sqlServerId != 0) {
        row.setWhere("instanceId=%d", static_cast<int>(sqlServerId));
    } else {
        if (!stringEmpty(err, clientName, "clientName", kFn) || !stringEmpty(err, sqlServerName, "sqlServerName", kFn))
            return false;
        unsigned long clientId = 0;
        if (!getSqlClientId(ctx.getOstrel().getTesselId(), err, clientName, clientId)) return false;
        row.setWhere("clientId = %d AND serverName = '%s'", static_cast<int>(clientId), sqlServerName.c_str());
    }
    int rc = row.getOneRow(&row, false, -1, 0);
    if (rc != 0) return rowFailed(err, row, rc, kFn);
    clustered = (row.getDataPtr()->flags & kClusterFlag) != 0;
    return true;
}
