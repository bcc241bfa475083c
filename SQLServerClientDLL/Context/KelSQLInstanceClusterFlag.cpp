// Reads an instance's clustered flag for the clustered-status messages through
// the instance record, by catalogue id or by client and instance name.
#include "KelSQL/KelNetSQLClientClustered.h"
#include "KelSQL/KelSQLServer.h"

bool kelsql::instanceClusterFlag(KelSQLClassProperties& ctx, unsigned long sqlServerId, const std::string& clientName,
                                 const std::string& sqlServerName, bool& clustered, KelLastError& err) {
    KelSQLServer server(ctx, false);
    bool found = sqlServerId != 0 ? server.query(sqlServerId) : server.query(clientName, sqlServerName);
    if (!found) {
        err = server.getLastError();
        return false;
    }
    clustered = server.isClusterFlag();
    return true;
}
