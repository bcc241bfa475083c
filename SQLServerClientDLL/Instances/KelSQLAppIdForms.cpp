// The creation forms of KelSQLAppId besides create(): from names, from a
// request record, and the agent's own path, which sends the creation to the
// Ostrel (code 2) where create() does the work.
#include <strings.h>

#include <string>

#include "KelSQL/KelSQLAppId.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLErrors.h"
#include "KelSQL/KelSQLLookups.h"
#include "KelSQL/KelSQLServer.h"
#include "platform/info/KelPlatformInfo.h"
#include "platform/util/BoundedCopy.h"

namespace {

constexpr const char* kCreateFn = "KelSQLAppId::create(clientName, serverName, databaseName, archiveGroupNameId, subClientName)";
constexpr const char* kAgentFn =
    "KelSQLAppId::createApplicationId(prop, serverName, databaseName, archiveGroupNameId, subClientName)";

bool systemDatabase(const std::string& name) {
    for (const char* db : {"master", "msdb", "model"})
        if (strcasecmp(name.c_str(), db) == 0) return true;
    return false;
}

}  // namespace

bool KelSQLAppId::create(const std::string& clientName, const std::string& serverName,
                         const std::string& databaseName, unsigned long archiveGroupNameId,
                         unsigned long logArchiveGroupNameId, unsigned long assignSPFlag,
                         const std::string& subClientName) {
    if (context_.isClientOperations())
        return createApplicationId(&context_, serverName, databaseName, archiveGroupNameId, logArchiveGroupNameId,
                                   assignSPFlag, subClientName);
    if (!context_.isServerOperations()) return fail(kelsql::kErrAgentSideOnly, kCreateFn);

    KelLastError& err = getLastError();
    if (!idNotSet(err, archiveGroupNameId, "archiveGroupNameId", kCreateFn) ||
        !stringEmpty(err, clientName, "clientName", kCreateFn) ||
        !stringEmpty(err, serverName, "serverName", kCreateFn) ||
        !stringEmpty(err, databaseName, "databaseName", kCreateFn) ||
        !stringEmpty(err, subClientName, "subClientName", kCreateFn))
        return false;
    clientName_ = clientName;
    serverName_ = serverName;
    databaseName_ = databaseName;
    archiveGroupNameId_ = archiveGroupNameId;
    logArchiveGroupNameId_ = logArchiveGroupNameId;
    assignSPFlag_ = assignSPFlag;
    subClientName_ = subClientName;
    return createOnClientHost(kCreateFn);
}

// The client's host has no creation of its own to run: its handler refuses
// the code, and that refusal is what the caller gets.
bool KelSQLAppId::createOnClientHost(const char* signature) {
    KelPI_Ostrel& ostrel = context_.getOstrel();
    if (ostrel.invalidKelPlatform()) {
        fail(kelsql::kErrRequestIds, signature);
        getLastError().addArgument(406ul);
        return false;
    }
    const unsigned long tesselId = ostrel.getTesselId();
    if (tesselId == 0) return fail(ostrel.getLastError().number(), signature);
    std::string host;
    if (!getClientHostname(getLastError(), tesselId, clientName_, host) || !addressDataAgent(host, signature))
        return false;
    if (isSQL7MajorVersion())
        setApplicationType(0);
    else if (isSQL2000MajorVersion())
        setApplicationType(16);
    release_.clear();
    KelNetSQLAppIdReqV3_t* req = requestMessage(true);
    if (!copyToRequest(*req)) return false;
    req->DBCode = 4;
    return networkQuery();
}

bool KelSQLAppId::create(KelNetSQLAppIdReqV3_t* req, KelNetSQLAppIdRsp_t*) {
    if (!acceptRequest(*req, "KelSQLAppId::create(reqCreateAppId, rspCreateAppId)")) return false;
    return createApplicationId(nullptr, kel::fieldText(req->ServerName), kel::fieldText(req->DatabaseName),
                               static_cast<unsigned long>(req->ArchiveGroupNameId),
                               static_cast<unsigned long>(req->LOGArchiveGroupNameId),
                               static_cast<unsigned long>(req->SPConfig), kel::fieldText(req->SubClientName));
}

bool KelSQLAppId::createApplicationId(KelSQLClassProperties* prop, const std::string& serverName,
                                      const std::string& databaseName, unsigned long archiveGroupNameId,
                                      unsigned long logArchiveGroupNameId, unsigned long assignSPFlag,
                                      const std::string& subClientName) {
    KelSQLClassProperties own(context_.virtualMachine(), KelSQLClientSide);
    KelSQLClassProperties& ctx = prop ? *prop : own;

    KelPI_MSSqlAgent& agent = ctx.getMSSqlAgent();
    if (agent.isAgentInstallActive(ctx.getPlatformBase()->getOstrelClientName()) == 0)
        return fail(agent.getLastError().number(), kAgentFn);
    if (!prop) ctx.setRemoteSqlHostName(agent.getOstrelHostName());
    KelPI_Farrow farrow;
    if (!ctx.virtualMachine().empty()) farrow.setFocus(ctx.virtualMachine());

    // None of the inputs names the client: machines are named by their
    // client names, so the machine this context reads is the client.
    const std::string clientName = ctx.getPlatformBase()->machine();
    if (!systemDatabase(databaseName)) {
        KelSQLServer server(ctx, false);
        if (!server.query(clientName, serverName)) {
            getLastError() = server.getLastError();
            return false;
        }
    }

    KelSQLAppId creation(ctx, false);
    creation.setClientName(clientName);
    // A type the data source cannot give leaves the defaults, as at
    // construction.
    if (isSQL7MajorVersion())
        creation.setApplicationType(0);
    else if (isSQL2000MajorVersion())
        creation.setApplicationType(16);
    else if (isSQLYukonMajorVersion())
        creation.setApplicationType(70);
    creation.setServerName(serverName);
    creation.setDatabaseName(databaseName);
    creation.setSubClientName(subClientName.empty() ? "default" : subClientName);
    creation.setArchiveGroupNameId(archiveGroupNameId);
    creation.setLogArchiveGroupNameId(logArchiveGroupNameId);
    creation.setRelease(KelPI_MSSqlAgent::getRelease());
    creation.setAssignSPFlag(assignSPFlag);
    if (!creation.update()) {
        getLastError() = creation.getLastError();
        return false;
    }
    takeIds(creation);
    return true;
}

bool KelSQLAppId::update() {
    if (!context_.isClientOperations()) return fail(kelsql::kErrAgentSideOnly, "KelSQLAppId::update()");
    KelNetSQLAppIdReqV3_t* req = requestMessage(true);
    if (!copyToRequest(*req)) return false;
    req->DBCode = KelNetSQLAppIdCreate;
    return networkQuery();
}

void KelSQLAppId::takeIds(const KelSQLAppId& other) {
    instanceId_ = other.instanceId_;
    backupSetId_ = other.backupSetId_;
    applicationId_ = other.applicationId_;
    clientId_ = other.clientId_;
}
