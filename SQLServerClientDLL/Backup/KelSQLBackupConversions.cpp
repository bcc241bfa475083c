#include "KelSQL/KelSQLBackupConversions.h"

#include "KelSQL/KelNetSQLRegistry.h"
#include "KelSQL/KelNetSQLSecurity.h"
#include "KelSQL/KelNetSQLVerifyUser.h"
#include "KelSQL/KelSQLBackupRules.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLErrors.h"
#include "KelSQL/KelSQLLookups.h"

namespace {

// The Ostrel asks an older agent; the agent host answers.
const kelsql::MessageRegistration<KelSQLBackupConversions, kelsql::AnswerSide::Agent> registered;

}  // namespace

KelSQLBackupConversions::KelSQLBackupConversions(KelSQLClassProperties& ctx, bool)
    : KelNetSQLLogConvertedToFull(ctx, false) {}

KelSQLBackupConversions::KelSQLBackupConversions(KelSQLClassProperties& ctx, unsigned long long messageId,
                                                 char* request)
    : KelNetSQLLogConvertedToFull(ctx, messageId, request) {}

bool KelSQLBackupConversions::query(uint32_t tesselId, uint32_t clientId, uint32_t instanceId, uint32_t appId) {
    KelSQLClassProperties& ctx = context();
    KelLastError& err = getLastError();
    if (!ctx.isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, "KelSQLBackupConversions::query");
    std::string host;
    if (!getSqlClientHostnameGivenClientId(err, tesselId, clientId, host)) return false;
    ctx.setRemoteSqlHostName(host);
    if (!setRemoteDataAgent(host)) return false;
    if (ctx.getSQLUserAndPassword().sqlUser().empty() && !lookupSqlUserInformation(err, ctx, instanceId, 0, 0, 0))
        return false;
    KelNetSQLSecurity* security = ctx.getRemoteSecurity();
    if (!security || !security->update(instanceId, std::string())) {
        if (security) err = security->getLastError();
        else err.setNumber(kelsql::kErrNoContext);
        return false;
    }
    Request* req = requestMessage(false);
    if (!req) return false;
    req->tesselId = tesselId;
    req->appId = appId;
    return networkQuery();
}

bool KelSQLBackupConversions::networkQuery() {
    if (!exchange(getLastError())) return false;
    const Response* rsp = responseMessage(false);
    if (!rsp) return false;
    copyFromNetwork(*rsp);
    return true;
}

void KelSQLBackupConversions::copyFromNetwork(const KelNetSQLLogConvertedToFullRsp_t& rsp) {
    converted_ = rsp.bkupTypeConverted != 0;
    level_ = static_cast<int32_t>(static_cast<uint32_t>(rsp.bkupLevel));
}

int getBackupConversion(const char* focusName, uint32_t tesselId, uint32_t clientId, uint32_t instanceId,
                        uint32_t appId, KelBkpLevel& level, std::string& message, uint32_t jobId) {
    static const char* kFn = "getBackupConversion ";
    KelSQLClassProperties ctx(focusName ? focusName : "", KelSQLServerSide);
    auto failed = [&](const KelLastError& err) {
        ctx.log().debug(kFn, "Failed to query if the \"Log\" backup has been converted to \"Full\".");
        message = err.formatLastErrorMessage();
        return 0;
    };
    if (isClientVersionLessThan42(tesselId, clientId, appId)) {
        KelSQLBackupConversions question(ctx, false);
        if (!question.query(tesselId, clientId, instanceId, appId)) return failed(question.getLastError());
        if (question.isBkupTypeConverted()) level = static_cast<KelBkpLevel>(question.getBkupLevel());
        return 1;
    }
    KelNetSQLBackupConversionRules rules(ctx, false);
    if (!rules.checkConversionRules(tesselId, appId, level, jobId)) return failed(rules.getLastError());
    if (!rules.isBkupTypeConverted()) return 1;
    if (!rules.IsConversionAllowed()) {
        message = rules.getLastError().formatLastErrorMessage();
        return 0;
    }
    level = rules.getBkupLevel();
    return 1;
}
