// Removal detection of one database: asked by the agent, run by the Ostrel on
// a context of its own against the client's agent host.
#include <vector>

#include "../Records/FieldCopy.h"
#include "KelSQL/KelNetSQLRegistry.h"
#include "KelSQL/KelNetSQLSecurity.h"
#include "KelSQL/KelNetSQLVerifyUser.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLDeletionCheck.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLErrors.h"
#include "KelSQL/KelSQLFileSubClient.h"
#include "KelSQL/KelSQLFileSubClientGroup.h"
#include "KelSQL/KelSQLLookups.h"
#include "platform/util/BoundedCopy.h"

namespace {
const kelsql::MessageRegistration<KelNetSQLDatabaseDeletionCheck, kelsql::AnswerSide::Ostrel> registered;
}  // namespace

bool KelNetSQLDatabaseDeletionCheck::answer(KelNetSQLDatabaseDeletionCheckReq_t& req,
                                            KelNetSQLDatabaseDeletionCheckRsp_t& rsp) {
    KelSQLDatabaseDeletionCheck check(context(), true);
    if (check.removalUpdate(req, rsp)) return true;
    getLastError() = check.getLastError();
    return false;
}

KelSQLDatabaseDeletionCheck::KelSQLDatabaseDeletionCheck(KelSQLClassProperties& context, bool responder)
    : KelNetSQLDatabaseDeletionCheck(context, false), context_(context), responder_(responder) {
    if (responder) {
        // Its own context: the run's transactions never touch the handler's.
        own_ = std::make_unique<KelSQLClassProperties>(context.virtualMachine(), KelSQLServerSide);
        databaseCheck_ = std::make_unique<KelSQLDatabaseDeleteCheck>(*own_, false);
    }
    initializeSQLObject(false);
}

KelSQLDatabaseDeletionCheck::~KelSQLDatabaseDeletionCheck() = default;

void KelSQLDatabaseDeletionCheck::initializeSQLObject(bool valid) {
    valid_ = valid;
    sqlServerId_ = sqlDatabaseId_ = 0;
    removalUpdate_ = false;
    clientName_.clear();
}

bool KelSQLDatabaseDeletionCheck::removalUpdate(unsigned long tesselId, const std::string& clientName,
                                                unsigned long sqlServerId, unsigned long sqlDatabaseId) {
    static const char* kFn = "KelSQLDatabaseDeletionCheck::removalUpdate(tesselId, clientName, sqlServerId, sqlDatabaseId)";
    KelLastError& err = getLastError();
    if (!context_.isClientOperations()) return fail(kelsql::kErrAgentSideOnly, kFn);
    initializeSQLObject(false);
    if (!idNotSet(err, tesselId, "tesselId", kFn) || !stringEmpty(err, clientName, "clientName", kFn) ||
        !idNotSet(err, sqlServerId, "sqlServerId", kFn) || !idNotSet(err, sqlDatabaseId, "sqlDatabaseId", kFn))
        return false;
    tesselId_ = tesselId;
    clientName_ = clientName;
    sqlServerId_ = sqlServerId;
    sqlDatabaseId_ = sqlDatabaseId;
    KelNetSQLDatabaseDeletionCheckReq_t* req = requestMessage(true);
    if (!req || !setRemoteOstrel()) return false;
    req->SqlServerId = sqlServerId;
    req->SqlDatabaseId = sqlDatabaseId;
    req->TesselId = tesselId;
    if (!kelsql::copyText(getLastError(), req->ClientName, clientName, "clientName", kFn)) return false;
    valid_ = true;
    if (!exchange(err)) return false;
    removalUpdate_ = responseMessage(false)->RemovalUpdate != 0;
    return true;
}

bool KelSQLDatabaseDeletionCheck::removalUpdate(KelNetSQLDatabaseDeletionCheckReq_t& request,
                                                KelNetSQLDatabaseDeletionCheckRsp_t& response) {
    static const char* kFn = "KelSQLDatabaseDeletionCheck::removalUpdate(reqDatabase, rspDatabase)";
    if (!responder_) return fail(kelsql::kErrNoSide, kFn);
    sqlServerId_ = static_cast<unsigned long>(request.SqlServerId);
    sqlDatabaseId_ = static_cast<unsigned long>(request.SqlDatabaseId);
    tesselId_ = static_cast<unsigned long>(request.TesselId);
    clientName_ = kel::fieldText(request.ClientName);
    removalUpdate_ = false;
    if (!prepareAgentHost(kFn) || !stamp()) return false;
    if (databaseCheck_->removalUpdate()) repairChains();
    removalUpdate_ = databaseCheck_->removalUpdate();
    response.RemovalUpdate = removalUpdate_ ? 1 : 0;
    return true;
}

// The client's agent host, addressed by the probes and given the instance's
// login.
bool KelSQLDatabaseDeletionCheck::prepareAgentHost(const char* signature) {
    KelLastError& err = getLastError();
    std::string host;
    if (!getClientHostname(err, tesselId_, clientName_, host)) return false;
    if (!own_->remoteSqlHostName().empty() && own_->remoteSqlHostName() != host) disconnect();
    own_->setRemoteSqlHostName(host);
    if (!databaseCheck_->setRemoteDataAgent(host)) {
        err = databaseCheck_->getLastError();
        if (err.number() == 0) return fail(kelsql::kErrNoContext, signature);
        return false;
    }
    if (!lookupSqlUserInformation(err, *own_, sqlServerId_, 0, 0, 0)) return false;
    KelNetSQLSecurity* security = own_->getRemoteSecurity();
    if (!security) return fail(kelsql::kErrNoContext, signature);
    if (!security->update(sqlServerId_, "")) {
        err = security->getLastError();
        return false;
    }
    return true;
}

// The stamps of one run are committed together or not at all.
bool KelSQLDatabaseDeletionCheck::stamp() {
    KelLastError& err = getLastError();
    if (!own_->startTransaction()) {
        err = own_->getLastError();
        return false;
    }
    if (!databaseCheck_->check(sqlDatabaseId_)) {
        err = databaseCheck_->getLastError();
        own_->rollBackTransaction();
        return false;
    }
    if (!own_->commitTransaction()) {
        err = own_->getLastError();
        return false;
    }
    return true;
}

// Repairs the member chains of the database's file subclients; nothing here
// changes the answer.
void KelSQLDatabaseDeletionCheck::repairChains() {
    if (!own_->startTransaction()) return;
    KelSQLFileSubClient lister(*own_, false);
    std::vector<unsigned long> heads;
    if (lister.getFileSubclientGroupsForDatabase(sqlDatabaseId_, heads, true)) {
        for (unsigned long head : heads) {
            KelSQLFileSubClientGroup chain(*own_, false);
            unsigned long newHead = 0;
            bool headChanged = false, contentChanged = false;
            const unsigned long owner = chain.updateContent(head, newHead, headChanged, contentChanged);
            // No owner (a failed walk): nothing is written, rather than one
            // subclient's fields on another's row.
            if (owner == 0 || (!headChanged && !contentChanged)) continue;
            KelSQLFileSubClient subClient(*own_, false);
            if (!subClient.query(owner)) continue;
            if (headChanged) subClient.setSqlFileSubClientGroupId(newHead);
            if (contentChanged) subClient.setFullRequiredFlagOn();
            subClient.update(owner);
        }
    }
    own_->commitTransaction();
}
