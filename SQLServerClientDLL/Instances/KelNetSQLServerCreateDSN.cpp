#include "KelSQL/KelNetSQLServerCreateDSN.h"

#include "../Records/FieldCopy.h"
#include "KelSQL/KelNetSQLRegistry.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLUserAndPassword.h"
#include "platform/util/BoundedCopy.h"

namespace {

const kelsql::MessageRegistration<KelNetSQLServerCreateDSN, kelsql::AnswerSide::Agent> registered;

constexpr const char* kCreateDSN = "KelNetSQLServerCreateDSN::createDSN()";
constexpr const char* kNetworkQuery = "KelNetSQLServerCreateDSN::networkQuery()";

}  // namespace

void KelNetSQLServerCreateDSN::dumpRequest(const char* fn, const KelNetSQLServerConfig_t& req) {
    dumpText(fn, "SQLServerName", req.SQLServerName, sizeof req.SQLServerName);
}

bool KelNetSQLServerCreateDSN::createDSN(const std::string& sqlServerName, const std::string& sqlUser,
                                         const std::string& sqlPassword) {
    KelLastError& err = getLastError();
    if (!context().isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, kCreateDSN);
    if (!stringEmpty(err, sqlServerName, "sqlServerName", kCreateDSN) ||
        !stringEmpty(err, sqlUser, "sqlUser", kCreateDSN))
        return false;
    sqlServerName_ = sqlServerName;
    sqlUser_ = sqlUser;
    sqlPassword_ = sqlPassword;
    return networkQuery();
}

bool KelNetSQLServerCreateDSN::networkQuery() {
    if (!addressDataAgent(context().remoteSqlHostName(), kNetworkQuery)) return false;
    KelNetSQLServerConfig_t* req = requestMessage(true);
    if (!req) return false;
    if (!kelsql::copyText(getLastError(), req->SQLServerName, sqlServerName_, "sqlServerName", kNetworkQuery))
        return false;
    if (!kelsql::fillCredentialField(getLastError(), req->SqlCredential, sqlUser_, sqlPassword_, kelsql::kErrEncrypt,
                                     kNetworkQuery))
        return false;
    return exchange(getLastError());
}

bool KelNetSQLServerCreateDSN::createDSN(KelNetSQLServerConfig_t&) {
    return fail(kelsql::kErrOstrelSideOnly, "KelNetSQLServerCreateDSN::createDSN(sqlServer)");
}

bool KelNetSQLServerCreateDSN::answer(KelNetSQLServerConfig_t& req, KelNetSQLServerConfigRsp_t&) {
    return createDSN(req);
}
