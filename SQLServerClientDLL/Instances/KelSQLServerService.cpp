// The service of an instance, asked of the agent on the client's host, and
// the instance part of the SQL Server name.
#include "../Records/FieldCopy.h"
#include "KelSQL/KelNetSQLServerControl.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLErrors.h"
#include "KelSQL/KelSQLServer.h"
#include "platform/util/BoundedCopy.h"

bool KelSQLServer::remoteSqlServerStatus(KelSQLServerStatusControl& status) {
    return controlService(KelNetSQLServerControlStatus, status, "KelSQLServer::remoteSqlServerStatus(status)");
}

bool KelSQLServer::remoteSqlServerStop(KelSQLServerStatusControl& status) {
    return controlService(KelNetSQLServerControlStop, status, "KelSQLServer::remoteSqlServerStop(status)");
}

bool KelSQLServer::remoteSqlServerStart(KelSQLServerStatusControl& status) {
    return controlService(KelNetSQLServerControlStart, status, "KelSQLServer::remoteSqlServerStart(status)");
}

bool KelSQLServer::controlService(uint32_t code, KelSQLServerStatusControl& status, const char* signature) {
    status = 0;
    if (!stringEmpty(getLastError(), serverName_, "m_sSQLServerName", signature)) return false;
    if (!stringEmpty(getLastError(), serviceName_, "sSqlServiceName", signature)) return false;
    if (!context_.isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, signature);
    if (!createServerStatus()) return false;
    KelNetSQLServerControlReq_t* req = serverControl_->requestMessage(false);
    if (!req) return copyError(serverControl_->getLastError());
    req->Control = code;
    if (!kelsql::FieldCopies(getLastError(), signature)
             .text(req->ServerName, serverName_, "serverName")
             .text(req->ServiceName, serviceName_, "serviceName")
             .ok())
        return false;
    if (!serverControl_->networkQuery()) return copyError(serverControl_->getLastError());
    status = serverControl_->responseMessage(false)->ServiceStatus;
    return true;
}

// Addressed on every request, not only when made: the context's remote SQL
// host may have moved to another client since the record's last request.
bool KelSQLServer::createServerStatus() {
    if (!serverControl_) serverControl_ = std::make_unique<KelNetSQLServerControl>(context_, false);
    if (!serverControl_->setRemoteDataAgent(context_.remoteSqlHostName()))
        return copyError(serverControl_->getLastError());
    return true;
}

std::string& KelSQLServer::sqlServerInstanceName(std::string& name) const {
    const size_t slash = serverName_.find('\\');
    name = slash == std::string::npos ? serverName_ : serverName_.substr(slash + 1);
    return name;
}

std::string& KelSQLServer::sqlServerInstanceNameOnly(std::string& name) const {
    const size_t slash = serverName_.find('\\');
    name = slash == std::string::npos ? std::string() : serverName_.substr(slash + 1);
    return name;
}
