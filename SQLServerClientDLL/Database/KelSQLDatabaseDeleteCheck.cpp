// Whether a catalogued database is still in the live instance, and when it
// is, each of its configured file groups.
#include "DeleteCheckSupport.h"
#include "KelSQL/KelNetSQLRegistry.h"
#include "KelSQL/KelSQLDatabase.h"
#include "KelSQL/KelSQLDeletionCheck.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLFileGroup.h"
#include "platform/util/BoundedCopy.h"

namespace dc = kelsql::deletecheck;

namespace {
const kelsql::MessageRegistration<KelNetSQLDatabaseDeleteCheck, kelsql::AnswerSide::Agent> registered;
}  // namespace

bool KelNetSQLDatabaseDeleteCheck::answer(KelNetSQLDatabaseDeleteCheck_t& req,
                                          KelNetSQLDatabaseDeleteCheckRsp_t& rsp) {
    KelSQLDatabaseDeleteCheck check(context(), true);
    if (check.check(req, rsp.Record)) return true;
    getLastError() = check.getLastError();
    return false;
}

KelSQLDatabaseDeleteCheck::KelSQLDatabaseDeleteCheck(KelSQLClassProperties& context, bool responder)
    : KelNetSQLDatabaseDeleteCheck(context, false),
      context_(context),
      database_(std::make_unique<KelSQLDatabase>(context, responder)),
      fileGroupCheck_(std::make_unique<KelSQLFileGroupDeleteCheck>(context, responder)),
      responder_(responder) {
    initializeSQLObject(false);
}

KelSQLDatabaseDeleteCheck::~KelSQLDatabaseDeleteCheck() = default;

void KelSQLDatabaseDeleteCheck::initializeSQLObject(bool valid) {
    valid_ = valid;
    removalUpdate_ = false;
    databaseId_ = sqlDatabaseId_ = 0;
    sqlDatabaseName_.clear();
    removalTime_.setTime(0L);
}

bool KelSQLDatabaseDeleteCheck::check(unsigned long sqlDatabaseId) {
    static const char* kFn = "KelSQLDatabaseDeleteCheck::check(sqlDatabaseId)";
    KelLastError& err = getLastError();
    if (!dc::checkPlace(context_, *this, err, kFn)) return false;
    initializeSQLObject(false);
    if (!idNotSet(err, sqlDatabaseId, "sqlDatabaseId", kFn) || !dc::inTransaction(context_, err, kFn)) return false;
    database_->initializeSQLObject();
    if (!database_->query(sqlDatabaseId, nullptr)) {
        err = database_->getLastError();
        return false;
    }
    sqlDatabaseId_ = sqlDatabaseId;
    databaseId_ = database_->id();
    sqlDatabaseName_ = database_->databaseName();
    valid_ = true;
    // A database once stamped is not asked about again.
    if (database_->getRemovalTime().time() != 0) {
        removalTime_.setTime(static_cast<long>(database_->getRemovalTime().time()));
        return true;
    }
    KelNetSQLDatabaseDeleteCheck_t* req = requestMessage(true);
    if (!req) return false;
    req->DatabaseId = databaseId_;
    if (!kelsql::copyText(getLastError(), req->DatabaseName, sqlDatabaseName_, "databaseName", kFn)) return false;
    KelNetSQLDatabaseDeleteCheck_t rsp{};
    if (!probe(rsp)) return false;
    if (rsp.RemovalTime == 0) return checkFileGroups();
    // updateRemovalTime passes the time on to the file groups and files.
    removalTime_.setTime(static_cast<long>(rsp.RemovalTime));
    database_->getRemovalTime().setTime(static_cast<long>(rsp.RemovalTime));
    if (!database_->updateRemovalTime()) {
        err = database_->getLastError();
        return false;
    }
    removalUpdate_ = true;
    return true;
}

bool KelSQLDatabaseDeleteCheck::checkFileGroups() {
    std::vector<KelSQLFileGroup_t>* groups = database_->getConfiguredFGs(true, 0);
    if (!groups) {
        getLastError() = database_->getLastError();
        return false;
    }
    if (!fileGroupCheck_->setRemoteDataAgent(context_.remoteSqlHostName())) {
        getLastError() = fileGroupCheck_->getLastError();
        return false;
    }
    for (const KelSQLFileGroup_t& group : *groups) {
        if (!fileGroupCheck_->check(sqlDatabaseName_, group.sqlId)) {
            getLastError() = fileGroupCheck_->getLastError();
            return false;
        }
        removalUpdate_ = removalUpdate_ || fileGroupCheck_->removalUpdate();
    }
    return true;
}

bool KelSQLDatabaseDeleteCheck::check(KelNetSQLDatabaseDeleteCheck_t& request,
                                      KelNetSQLDatabaseDeleteCheck_t& response) {
    static const char* kFn = "KelSQLDatabaseDeleteCheck::check(reqDatabase, rspDatabase)";
    if (!responder_) return fail(kelsql::kErrNoSide, kFn);
    KelSQLDatabase live(context_, false);
    const bool found = live.query(kel::fieldText(request.DatabaseName));
    return dc::answer(found, live.sqlCode(), live.getLastError(), getLastError(), request, response);
}
