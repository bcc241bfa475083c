#include "KelSQL/KelSQLBkpCmpUpdate.h"

#include <vector>

#include "KelSQL/KelNetSQLRegistry.h"
#include "KelSQL/KelNetSQLSecurity.h"
#include "KelSQL/KelNetSQLVerifyUser.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLErrors.h"
#include "KelSQL/KelSQLLookups.h"
#include "TextPayload.h"

namespace {

// The Ostrel asks; the agent host answers.
const kelsql::MessageRegistration<KelSQLBkpCmpUpdate, kelsql::AnswerSide::Agent> registered;

const char* const kFn = "KelSQLBkpCmpUpdate::compareAndUpdate()";
constexpr size_t kMaxDatabaseName = 128;

}  // namespace

bool KelSQLBkpCmpUpdate::buildReply() {
    return responseMessage(true) != nullptr;
}

bool KelSQLBkpCmpUpdate::requestDatabaseName(std::string& databaseName) {
    std::vector<std::string> texts(1);
    if (!kelsql::payload::decodeTexts(getReceivedPayload(), texts, kMaxDatabaseName)) return false;
    databaseName = texts[0];
    return true;
}

bool KelSQLBkpCmpUpdate::compareAndUpdate(std::string clientName, std::string databaseName, std::string serverName,
                                          uint64_t instanceId, uint64_t sqlDatabaseId) {
    KelSQLClassProperties& ctx = context();
    KelSQLMessageLog& log = ctx.log();
    KelLastError& err = getLastError();
    log.debug3(kFn, "Starting compare and update of database ID [%ld]", static_cast<long>(sqlDatabaseId));
    if (!ctx.isServerOperations()) {
        log.debug(kFn, "Class properties configured as client platform. \t\t\t\tFunction only supported on Ostrel.");
        return fail(kelsql::kErrOstrelSideOnly, kFn);
    }
    if (!getClientHostnameForLocalTessel(err, ctx, clientName, "clientName")) {
        log.debug(kFn, "Failed to get hostname for client [%s].", clientName.c_str());
        return false;
    }
    if (ctx.getSQLUserAndPassword().sqlUser().empty() &&
        !lookupSqlUserInformation(err, ctx, static_cast<unsigned long>(instanceId), 0, 0, 0)) {
        log.debug(kFn, "Failed to lookup user info for server [%s].", serverName.c_str());
        return false;
    }
    KelNetSQLSecurity* security = ctx.getRemoteSecurity();
    if (!security || !security->update(clientName, serverName)) {
        if (security) err = security->getLastError();
        else err.setNumber(kelsql::kErrNoContext);
        log.debug(kFn, "Failed to set remote security for server [%s].", serverName.c_str());
        return false;
    }
    Request* req = setRemoteDataAgent(ctx.remoteSqlHostName()) ? requestMessage(true) : nullptr;
    if (!req) return false;
    const std::vector<char> text = kelsql::payload::encodeTexts({databaseName});
    setSendPayload(text.data(), text.size());
    const bool sent = initiate();
    setSendPayload(nullptr, 0);
    if (!sent) {
        log.debug(kFn, "Could not connect to sqlDrover [%s]", clientName.c_str());
        return false;
    }
    Response* rsp = responseMessage(false);
    if (!rsp || !operationStatus(rsp->status, err)) {
        log.debug(kFn, "FAILED on client. Check keld.log on [%s] for more details.", clientName.c_str());
        return false;
    }
    log.debug(kFn, "This function is not supported on the client.");
    return fail(kelsql::kErrOstrelSideOnly, kFn);
}
