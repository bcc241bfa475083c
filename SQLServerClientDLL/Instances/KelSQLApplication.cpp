#include "KelSQL/KelSQLApplication.h"

#include <strings.h>

#include "Db/Tbl/sqlServer.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLLookups.h"
#include "platform/util/BoundedCopy.h"

KelSQLApplication::KelSQLApplication(KelSQLClassProperties& context)
    : context_(context), server_(std::make_unique<KelSQLServer>(context, false)) {}

KelSQLApplication::~KelSQLApplication() = default;

bool KelSQLApplication::getAllSQLServersWithinTessel(unsigned long tesselId, std::vector<KelSQL_SqlIdName_t>& list,
                                                     unsigned long appType) {
    if (server_->getAllSQLServersWithinTessel(tesselId, list, appType)) return true;
    error_ = server_->getLastError();
    return false;
}

bool KelSQLApplication::getConfiguredSQLServersWithinClient(unsigned long tesselId, unsigned long clientId,
                                                            std::vector<KelSQL_SqlIdName_t>& list) {
    static const char* kFn = "KelSQLApplication::getConfiguredSQLServersWithinClient(tesselId, clientId, list)";
    if (!idNotSet(error_, tesselId, "tesselId", kFn) || !idNotSet(error_, clientId, "clientId", kFn)) return false;
    DBtran tran(false);
    tran.setIsolationType(4);
    tran.startTran();
    SqlServer record(&tran);
    record.setWhere("TesselId = %d and ClientId = %d", static_cast<int>(tesselId), static_cast<int>(clientId));
    auto catalogueError = [&](int code) {
        error_.setNumber(kelsql::kErrRowOperation);
        error_.addArgument(kFn);
        error_.addArgument(record.getpDescribe());
        error_.addArgument(record.getErrorStr(code));
        return false;
    };
    int rc = record.openCursor();
    if (rc == 100) return true;
    if (rc != 0) return catalogueError(rc);
    list.clear();
    const SqlServer_t& row = *record.getDataPtr();
    while ((rc = record.fetchCursor(true)) == 0)
        if (row.deleteFlag == 0)
            list.push_back({static_cast<unsigned long>(row.instanceId), kel::fieldText(row.serverName)});
    record.closeCursor();
    return rc == 100 || catalogueError(rc);
}

bool KelSQLApplication::getAllSQLServersOnClient(unsigned long tesselId, unsigned long clientId,
                                                 std::vector<KelSQLServerUnconfigured_t>& list) {
    static const char* kFn = "KelSQLApplication::getAllSQLServersOnClient(tesselId, clientId, list)";
    if (!context_.isServerOperations()) {
        error_.setNumber(kelsql::kErrOstrelSideOnly);
        error_.addArgument(kFn);
        return false;
    }
    if (!idNotSet(error_, tesselId, "tesselId", kFn) || !idNotSet(error_, clientId, "clientId", kFn)) return false;
    list.clear();
    std::string host;
    if (!getSqlClientHostnameGivenClientId(error_, tesselId, clientId, host)) return false;
    context_.setRemoteSqlHostName(host);
    // A list reply holds a whole packet: kept off the stack.
    auto message = std::make_unique<KelNetSQLServerList>(context_, false);
    if (!message->getSQLServerList(tesselId, clientId, host)) {
        error_ = message->getLastError();
        return false;
    }
    list = message->getSQLServerClientList();
    return true;
}

bool KelSQLApplication::getUnconfiguredSQLServersForClient(unsigned long tesselId, unsigned long clientId,
                                                           std::vector<KelSQLServerUnconfigured_t>& list) {
    std::vector<KelSQL_SqlIdName_t> configured;
    std::vector<KelSQLServerUnconfigured_t> onHost;
    if (!getConfiguredSQLServersWithinClient(tesselId, clientId, configured) ||
        !getAllSQLServersOnClient(tesselId, clientId, onHost))
        return false;
    list.clear();
    for (KelSQLServerUnconfigured_t& instance : onHost) {
        auto match = configured.begin();
        while (match != configured.end() && strcasecmp(match->name.c_str(), instance.name.c_str()) != 0) ++match;
        if (match != configured.end()) {
            configured.erase(match);
            continue;
        }
        list.push_back(std::move(instance));
    }
    return true;
}
