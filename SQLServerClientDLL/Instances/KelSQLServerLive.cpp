// The live instance of an agent's machine, read there or asked of the
// client's agent host from the Ostrel (request code 3).
#include <strings.h>

#include <vector>

#include "KelSQL/KelNetSQLSecurity.h"
#include "KelSQL/KelNetSQLServerList.h"
#include "KelSQL/KelNetSQLVerifyUser.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLErrors.h"
#include "KelSQL/KelSQLLookups.h"
#include "KelSQL/KelSQLServer.h"
#include "../Records/FieldCopy.h"
#include "platform/live/KelLiveSqlServer.h"
#include "platform/util/BoundedCopy.h"

bool KelSQLServer::serverQuery(const std::string& sqlServerName) {
    static const char* kFn = "KelSQLServer::serverQuery(sSQLServerName)";
    if (!stringEmpty(getLastError(), sqlServerName, "sSQLServerName", kFn)) return false;
    if (context_.isServerOperations()) return fail(kelsql::kErrAgentSideOnly, kFn);
    serverName_ = sqlServerName;
    clientName_.clear();
    nameService();
    MSVersion live;
    if (!getSQLVersion(live)) return false;
    setSQLVersion(static_cast<unsigned long>(live.major()), static_cast<unsigned long>(live.minor()),
                  static_cast<unsigned long>(live.build()), 0);
    // The live version may say otherwise than the data source.
    nameService();
    return true;
}

void KelSQLServer::nameService() {
    // A version the record does not hold yet is the data source's.
    const KelSQLAppType& type = version_->major() != 0 ? appType_ : context_.getSQLDSN().sqlAppType();
    serviceName_ = "MSSQLServer";
    if ((isClusterFlag() || context_.isClientClustered()) && type.isSql7AppType()) serviceName_ += "$" + serverName_;
}

bool KelSQLServer::serverQuery(const std::string& clientName, const std::string& sqlServerName) {
    static const char* kFn = "KelSQLServer::serverQuery(sClientName, sSQLServerName)";
    KelLastError& err = getLastError();
    if (!stringEmpty(err, clientName, "sClientName", kFn) || !stringEmpty(err, sqlServerName, "sSQLServerName", kFn))
        return false;
    if (!context_.isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, kFn);
    const unsigned long tesselId = tesselId_ ? tesselId_ : ostrelTessel();
    std::string host;
    if (!getClientHostname(err, tesselId, clientName, host)) return false;
    context_.setRemoteSqlHostName(host);
    if (!addressDataAgent(host, kFn)) return false;
    if (context_.getSQLUserAndPassword().sqlUser().empty()) {
        if (!query(clientName, sqlServerName)) return false;
        if (!lookupSqlUserInformation(err, context_, sqlId_, 0, 0, 0)) return false;
    }
    KelNetSQLSecurity* security = context_.getRemoteSecurity();
    if (!security) return fail(kelsql::kErrNoContext, kFn);
    if (!security->update(clientName, sqlServerName)) return copyError(security->getLastError());
    KelNetSQLServerReq_t* req = requestMessage(true);
    if (!req) return false;
    req->DBCode = KelNetSQLServerExtract;
    return kelsql::FieldCopies(getLastError(), kFn).text(req->Server.ServerName, sqlServerName, "sqlServerName").ok() &&
           networkQuery();
}

bool KelSQLServer::extract(KelNetSQLServerReq_t* req, KelNetSQLServerRsp_t* rsp) {
    if (!requireReplyMode("KelSQLServer::extract(reqServer, rspServer)")) return false;
    return serverQuery(kel::fieldText(req->Server.ServerName)) && copyToResponse(rsp);
}

// The version of the instance as the machine's instance list gives it. A
// reader that reads no live instance (this platform's) cannot say.
bool KelSQLServer::getSQLVersion(MSVersion& version) {
    static const char* kFn = "KelSQLServer::getSQLVersion(MSVersion&)";
    kel::live::LiveSqlServer& reader = kel::live::liveSqlServer();
    if (!reader.readsLiveInstance()) return kelsql::notSupported(getLastError(), kFn);
    std::vector<kel::live::LiveInstance> instances;
    const bool clustered = isClusterFlag() || context_.isClientClustered();
    if (!reader.instances(context_.virtualMachine(), clustered, instances, getLastError())) return false;
    for (const kel::live::LiveInstance& instance : instances) {
        if (strcasecmp(instance.name.c_str(), serverName_.c_str()) != 0) continue;
        KelNetSQLMSVersion_t parsed;
        KelNetSQLServerList::parseVersion(instance.version.c_str(), parsed);
        version.initialize(static_cast<unsigned long>(parsed.Major), static_cast<unsigned long>(parsed.Minor),
                           static_cast<unsigned long>(parsed.Build), 0);
        return true;
    }
    getLastError().setNumber(kelsql::kErrNoSuchInstance);
    getLastError().addArgument(kFn);
    getLastError().addArgument(serverName_);
    return false;
}
