// Whether one configured file group is still in the live instance, and when
// it is, each of its configured files.
#include "DeleteCheckSupport.h"
#include "KelSQL/KelNetSQLRegistry.h"
#include "KelSQL/KelSQLDeletionCheck.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLFileGroup.h"
#include "platform/util/BoundedCopy.h"

namespace dc = kelsql::deletecheck;

namespace {
const kelsql::MessageRegistration<KelNetSQLFileGroupDeleteCheck, kelsql::AnswerSide::Agent> registered;
}  // namespace

bool KelNetSQLFileGroupDeleteCheck::answer(KelNetSQLDatabaseDeleteCheck_t& req,
                                           KelNetSQLDatabaseDeleteCheckRsp_t& rsp) {
    KelSQLFileGroupDeleteCheck check(context(), true);
    if (check.check(req, rsp.Record)) return true;
    getLastError() = check.getLastError();
    return false;
}

KelSQLFileGroupDeleteCheck::KelSQLFileGroupDeleteCheck(KelSQLClassProperties& context, bool responder)
    : KelNetSQLFileGroupDeleteCheck(context, false),
      context_(context),
      fileGroup_(std::make_unique<KelSQLFileGroup>(context, responder)),
      fileCheck_(std::make_unique<KelSQLFileDeleteCheck>(context, responder)),
      responder_(responder) {
    initializeSQLObject(false);
}

KelSQLFileGroupDeleteCheck::~KelSQLFileGroupDeleteCheck() = default;

void KelSQLFileGroupDeleteCheck::initializeSQLObject(bool valid) {
    valid_ = valid;
    removalUpdate_ = false;
    groupId_ = sqlFileGroupId_ = 0;
    sqlDatabaseName_.clear();
    fileGroupName_.clear();
    removalTime_.setTime(0L);
}

bool KelSQLFileGroupDeleteCheck::check(const std::string& sqlDatabaseName, unsigned long sqlFileGroupId) {
    static const char* kFn = "KelSQLFileGroupDeleteCheck::check(sqlDatabaseName, sqlFileGroupId)";
    KelLastError& err = getLastError();
    if (!dc::checkPlace(context_, *this, err, kFn)) return false;
    initializeSQLObject(false);
    if (!idNotSet(err, sqlFileGroupId, "sqlFileGroupId", kFn) ||
        !stringEmpty(err, sqlDatabaseName, "sqlDatabaseName", kFn) || !dc::inTransaction(context_, err, kFn))
        return false;
    fileGroup_->initializeSQLObject(false);
    if (!fileGroup_->query(sqlFileGroupId)) {
        err = fileGroup_->getLastError();
        return false;
    }
    sqlFileGroupId_ = sqlFileGroupId;
    groupId_ = fileGroup_->id();
    sqlDatabaseName_ = sqlDatabaseName;
    fileGroupName_ = fileGroup_->fileGroupName();
    valid_ = true;
    if (fileGroup_->getRemovalTime().time() != 0) {
        removalTime_.setTime(static_cast<long>(fileGroup_->getRemovalTime().time()));
        return true;
    }
    // Group id 0 ("DatabaseLogs") is no group of SQL Server's: only its files
    // can be gone.
    if (groupId_ == 0) return checkFiles();
    KelNetSQLDatabaseDeleteCheck_t* req = requestMessage(true);
    if (!req) return false;
    req->FileGroupId = groupId_;
    if (!kelsql::copyText(getLastError(), req->DatabaseName, sqlDatabaseName_, "databaseName", kFn)) return false;
    if (!kelsql::copyText(getLastError(), req->FileGroupName, fileGroupName_, "fileGroupName", kFn)) return false;
    KelNetSQLDatabaseDeleteCheck_t rsp{};
    if (!probe(rsp)) return false;
    if (rsp.RemovalTime == 0) return checkFiles();
    removalTime_.setTime(static_cast<long>(rsp.RemovalTime));
    fileGroup_->setRemovalTime().setTime(static_cast<long>(rsp.RemovalTime));
    if (!fileGroup_->updateRemovalTime()) {
        err = fileGroup_->getLastError();
        return false;
    }
    removalUpdate_ = true;
    return true;
}

bool KelSQLFileGroupDeleteCheck::checkFiles() {
    std::vector<KelSQLFile_t>* files = fileGroup_->getConfiguredFiles(true, 0);
    if (!files) {
        getLastError() = fileGroup_->getLastError();
        return false;
    }
    if (!fileCheck_->setRemoteDataAgent(context_.remoteSqlHostName())) {
        getLastError() = fileCheck_->getLastError();
        return false;
    }
    for (const KelSQLFile_t& file : *files) {
        if (!fileCheck_->check(sqlDatabaseName_, fileGroupName_, file.sqlId)) {
            getLastError() = fileCheck_->getLastError();
            return false;
        }
        removalUpdate_ = removalUpdate_ || fileCheck_->removalUpdate();
    }
    return true;
}

bool KelSQLFileGroupDeleteCheck::check(KelNetSQLDatabaseDeleteCheck_t& request,
                                       KelNetSQLDatabaseDeleteCheck_t& response) {
    static const char* kFn = "KelSQLFileGroupDeleteCheck::check(reqFileGroup, rspFileGroup)";
    if (!responder_) return fail(kelsql::kErrNoSide, kFn);
    KelSQLFileGroup live(context_, false);
    const bool found = live.query(kel::fieldText(request.DatabaseName), kel::fieldText(request.FileGroupName));
    return dc::answer(found, live.sqlCode(), live.getLastError(), getLastError(), request, response);
}
