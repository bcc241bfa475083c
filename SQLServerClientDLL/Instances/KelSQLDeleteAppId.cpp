#include "KelSQL/KelSQLDeleteAppId.h"

#include <vector>

#include "../Records/FieldCopy.h"
#include "KelSQL/KelNetSQLRegistry.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLErrors.h"
#include "platform/appmgr/ClientApplicationList.h"
#include "platform/appmgr/KelClient.h"
#include "platform/util/BoundedCopy.h"

namespace {

const kelsql::MessageRegistration<KelNetSQLDeleteAppId, kelsql::AnswerSide::Ostrel> registered;

}  // namespace

void KelNetSQLDeleteAppId::dumpRequest(const char* fn, const KelNetSQLDeleteAppIdReq_t& req) {
    dumpText(fn, "ClientName", req.ClientName, sizeof req.ClientName);
    dumpNumber(fn, "ApplicationType", static_cast<long long>(req.ApplicationType));
    dumpText(fn, "ServerName", req.ServerName, sizeof req.ServerName);
}

bool KelNetSQLDeleteAppId::answer(KelNetSQLDeleteAppIdReq_t& req, KelNetSQLDeleteAppIdRsp_t&) {
    KelSQLDeleteAppId remover(context(), true);
    if (remover.deleteApplicationId(kel::fieldText(req.ClientName), static_cast<unsigned long>(req.ApplicationType),
                                    kel::fieldText(req.ServerName)))
        return true;
    getLastError() = remover.getLastError();
    return false;
}

KelSQLDeleteAppId::KelSQLDeleteAppId(KelSQLClassProperties& context, bool replyMode)
    : KelNetSQLDeleteAppId(context, false), replyMode_(replyMode) {
    initializeSQLObject();
}

void KelSQLDeleteAppId::initializeSQLObject() {
    clientName_.clear();
    sqlServerName_.clear();
    applicationType_ = 0;
}

bool KelSQLDeleteAppId::networkQuery() {
    KelNetSQLDeleteAppIdReq_t* req = requestMessage(true);
    if (!req) return false;
    req->ApplicationType = applicationType_;
    return kelsql::FieldCopies(getLastError(), "KelSQLDeleteAppId::networkQuery()")
               .text(req->ClientName, clientName_, "clientName")
               .text(req->ServerName, sqlServerName_, "sqlServerName")
               .ok() &&
           exchange(getLastError());
}

bool KelSQLDeleteAppId::deleteApplicationId(const std::string& clientName, unsigned long applicationType,
                                            const std::string& sqlServerName) {
    static const char* kFn = "KelSQLDeleteAppId::deleteApplicationId(clientName, applicationType, sqlServerName)";
    if (!clientName.empty()) clientName_ = clientName;
    if (applicationType != 0) applicationType_ = applicationType;
    if (!sqlServerName.empty()) sqlServerName_ = sqlServerName;
    if (!stringEmpty(getLastError(), clientName_, "clientName", kFn) ||
        !idNotSet(getLastError(), static_cast<unsigned long>(applicationType_), "applicationType", kFn) ||
        !stringEmpty(getLastError(), sqlServerName_, "sqlServerName", kFn))
        return false;
    KelSQLClassProperties& ctx = context();
    if (ctx.isServerOperations() || (ctx.isClientOperations() && !connectionNeeded())) return removeHere(kFn);
    if (ctx.isClientOperations()) return networkQuery();
    return fail(kelsql::kErrOstrelSideOnly, kFn);
}

bool KelSQLDeleteAppId::removeHere(const char* signature) {
    KelPI_Ostrel& ostrel = context().getOstrel();
    const unsigned long tesselId = ostrel.getTesselId();
    if (tesselId == 0) return fail(ostrel.getLastError().number(), signature);
    KelClient client(tesselId, clientName_, false, 0);
    unsigned long clientId = 0;
    if (client.lookup(nullptr) != 0 || client.getClientId(clientId, nullptr) != 0)
        return fail(kelsql::kErrClientNotFound, signature);
    unsigned long instanceId = 0;
    if (InstanceByName().getInstanceId(clientId, static_cast<unsigned long>(applicationType_), sqlServerName_,
                                       &instanceId, nullptr) == 0)
        return fail(kelsql::kErrNoSuchInstance, signature);
    std::vector<std::string> removed;
    unsigned long count = 0;
    // A removal that failed is reported as such, never as success.
    if (const int rc = RemoveAppIdHelper(removed, count, clientId, static_cast<unsigned long>(applicationType_),
                                         instanceId, 0, nullptr))
        return fail(static_cast<uint64_t>(rc), signature);
    return true;
}
