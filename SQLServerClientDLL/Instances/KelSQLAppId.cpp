#include "KelSQL/KelSQLAppId.h"

#include <strings.h>

#include <memory>
#include <vector>

#include "../Records/FieldCopy.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLErrors.h"
#include "platform/appmgr/ApplicationId.h"
#include "platform/appmgr/ClientApplicationList.h"
#include "platform/appmgr/KelClient.h"
#include "platform/util/BoundedCopy.h"

namespace {

bool sameName(const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()) == 0; }

// A backup set registered as "[name]" is the database "name": the first and
// last characters go whenever the first is a bracket.
std::string databaseOfBackupSet(const std::string& name) {
    if (name.empty() || name.front() != '[') return name;
    return name.size() < 2 ? std::string() : name.substr(1, name.size() - 2);
}

}  // namespace

KelSQLAppId::KelSQLAppId(KelSQLClassProperties& context, bool replyMode)
    : KelNetSQLAppId(context, false), context_(context), replyMode_(replyMode) {
    // The type follows the context's data source; the defaults stand when
    // it has none usable (the reason stays in the error).
    setApplicationType(0);
}

bool KelSQLAppId::fail(uint64_t number, const char* signature) {
    getLastError().setNumber(number);
    getLastError().addArgument(signature);
    return false;
}

bool KelSQLAppId::requireReplyMode(const char* signature) {
    return replyMode_ || fail(kelsql::kErrNoSide, signature);
}

bool KelSQLAppId::acceptRequest(const KelNetSQLAppIdReqV3_t& req, const char* signature) {
    // A name filled to the last byte of its field is longer than any the
    // agent's own copy lets through; it would find or create a name of its own.
    KelLastError& err = getLastError();
    return requireReplyMode(signature) && kelsql::peerTextFits(err, req.ClientName, "clientName", signature) &&
           kelsql::peerTextFits(err, req.ServerName, "serverName", signature) &&
           kelsql::peerTextFits(err, req.DatabaseName, "databaseName", signature) &&
           kelsql::peerTextFits(err, req.SubClientName, "subClientName", signature) &&
           kelsql::peerTextFits(err, req.Release, "release", signature);
}

bool KelSQLAppId::setApplicationType(unsigned long code) {
    static const char* kFn = "KelSQLAppId::setApplicationType(applicationType)";
    if (code == 0) {
        const unsigned long major = context_.getSQLDSN().major();
        switch (major) {
        case 7: code = 4; break;
        case 8: code = 16; break;
        case 9: code = 70; break;
        default:
            fail(kelsql::kErrUnsupportedVersion, kFn);
            getLastError().addArgument(major);
            return false;
        }
    }
    switch (code) {
    case 4: setSQL7MajorVersion(); break;
    case 16: setSQL2000MajorVersion(); break;
    case 70: setSQLYukonMajorVersion(); break;
    default:
        fail(kelsql::kErrUnknownAppType, kFn);
        getLastError().addArgument(code);
        return false;
    }
    applicationType_ = code;
    return true;
}

bool KelSQLAppId::lookup() {
    static const char* kFn = "KelSQLAppId::lookup()";
    KelLastError& err = getLastError();
    if (!stringEmpty(err, clientName_, "ClientName", kFn) || !stringEmpty(err, serverName_, "ServerName", kFn) ||
        !stringEmpty(err, databaseName_, "DatabaseName", kFn) ||
        !stringEmpty(err, subClientName_, "SubClientName", kFn))
        return false;
    instanceId_ = backupSetId_ = applicationId_ = clientId_ = 0;

    // An application id created in the context's transaction is found.
    DBtran* tran = context_.isTransactionStarted() ? context_.getDBTransaction() : nullptr;
    const unsigned long tesselId = context_.getOstrel().getTesselId();
    if (tesselId == 0) return fail(context_.getOstrel().getLastError().number(), kFn);
    KelClient client(tesselId, clientName_, false, 0);
    unsigned long clientId = 0;
    if (client.lookup(tran) != 0 || client.getClientId(clientId, tran) != 0)
        return fail(kelsql::kErrClientNotFound, kFn);
    std::vector<std::string> texts;
    ClientApplicationList applications;
    if (applications.getApplications(texts, tesselId, clientId, applicationType_, 0, 0, tran, false) != 0)
        return fail(kelsql::kErrApplicationId, kFn);

    const bool anySubclient = sameName(subClientName_, "default");
    for (const std::string& text : texts) {
        ApplicationId app(text);
        std::string name;
        Instance* instance = app.getInstance(tran);
        if (!instance) return fail(app.getLastError().number(), kFn);
        if (int rc = instance->getName(name, tran)) return fail(static_cast<uint64_t>(rc), kFn);
        if (!sameName(name, serverName_)) continue;
        BackupSet* backupSet = app.getBackupSet(tran);
        if (!backupSet) return fail(app.getLastError().number(), kFn);
        if (int rc = backupSet->getName(name, tran)) return fail(static_cast<uint64_t>(rc), kFn);
        if (!sameName(databaseOfBackupSet(name), databaseName_)) continue;
        Subclient* subclient = app.getSubclient(tran);
        if (!subclient) return fail(app.getLastError().number(), kFn);
        if (int rc = subclient->getName(name, tran)) return fail(static_cast<uint64_t>(rc), kFn);
        if (!anySubclient && !sameName(name, subClientName_)) continue;

        clientId_ = clientId;
        instanceId_ = instance->getId();
        backupSetId_ = backupSet->getId();
        if (int rc = app.getAppId(applicationId_, tran)) return fail(static_cast<uint64_t>(rc), kFn);
        break;
    }
    return applicationId_ != 0 || fail(kelsql::kErrApplicationId, kFn);
}

bool KelSQLAppId::lookup(KelNetSQLAppIdReqV3_t* req, KelNetSQLAppIdRsp_t* rsp) {
    if (!acceptRequest(*req, "KelSQLAppId::lookup(reqCreateAppId, rspCreateAppId)")) return false;
    copyFromRequest(*req);
    if (!lookup()) return false;
    copyToResponse(*rsp);
    return true;
}

bool KelSQLAppId::update(KelNetSQLAppIdReqV3_t* req, KelNetSQLAppIdRsp_t* rsp) {
    if (!acceptRequest(*req, "KelSQLAppId::update(reqCreateAppId, rspCreateAppId)")) return false;
    copyFromRequest(*req);
    if (!create()) return false;
    copyToResponse(*rsp);
    return true;
}

bool KelSQLAppId::networkQuery() {
    if (!exchange(getLastError())) return false;
    copyFromResponse(*responseMessage(false));
    return true;
}

bool KelSQLAppId::copyToRequest(KelNetSQLAppIdReqV3_t& req) {
    req.ApplicationType = applicationType_;
    req.ArchiveGroupNameId = archiveGroupNameId_;
    req.LOGArchiveGroupNameId = logArchiveGroupNameId_;
    req.SPConfig = assignSPFlag_;
    return kelsql::FieldCopies(getLastError(), "KelSQLAppId::copyToRequest(req)")
        .text(req.ClientName, clientName_, "clientName")
        .text(req.ServerName, serverName_, "serverName")
        .text(req.DatabaseName, databaseName_, "databaseName")
        .text(req.SubClientName, subClientName_, "subClientName")
        .text(req.Release, release_, "release")
        .ok();
}

void KelSQLAppId::copyFromRequest(const KelNetSQLAppIdReqV3_t& req) {
    clientName_ = kel::fieldText(req.ClientName);
    serverName_ = kel::fieldText(req.ServerName);
    databaseName_ = kel::fieldText(req.DatabaseName);
    subClientName_ = kel::fieldText(req.SubClientName);
    release_ = kel::fieldText(req.Release);
    applicationType_ = static_cast<unsigned long>(req.ApplicationType);
    archiveGroupNameId_ = static_cast<unsigned long>(req.ArchiveGroupNameId);
    logArchiveGroupNameId_ = static_cast<unsigned long>(req.LOGArchiveGroupNameId);
    assignSPFlag_ = static_cast<unsigned long>(req.SPConfig);
}

void KelSQLAppId::copyToResponse(KelNetSQLAppIdRsp_t& rsp) const {
    rsp.InstanceId = instanceId_;
    rsp.BackupSetId = backupSetId_;
    rsp.ApplicationId = applicationId_;
    rsp.ClientId = clientId_;
}

void KelSQLAppId::copyFromResponse(const KelNetSQLAppIdRsp_t& rsp) {
    instanceId_ = static_cast<unsigned long>(rsp.InstanceId);
    backupSetId_ = static_cast<unsigned long>(rsp.BackupSetId);
    applicationId_ = static_cast<unsigned long>(rsp.ApplicationId);
    clientId_ = static_cast<unsigned long>(rsp.ClientId);
}
