// Whether one configured file is still in the live instance.
#include "DeleteCheckSupport.h"
#include "KelSQL/KelNetSQLRegistry.h"
#include "KelSQL/KelSQLDeletionCheck.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLFile.h"
#include "platform/util/BoundedCopy.h"

namespace dc = kelsql::deletecheck;

namespace {
const kelsql::MessageRegistration<KelNetSQLFileDeleteCheck, kelsql::AnswerSide::Agent> registered;
}  // namespace

bool KelNetSQLFileDeleteCheck::answer(KelNetSQLDatabaseDeleteCheck_t& req, KelNetSQLDatabaseDeleteCheckRsp_t& rsp) {
    KelSQLFileDeleteCheck check(context(), true);
    if (check.check(req, rsp.Record)) return true;
    getLastError() = check.getLastError();
    return false;
}

KelSQLFileDeleteCheck::KelSQLFileDeleteCheck(KelSQLClassProperties& context, bool responder)
    : KelNetSQLFileDeleteCheck(context, false),
      context_(context),
      file_(std::make_unique<KelSQLFile>(context, responder)),
      responder_(responder) {
    initializeSQLObject(false);
}

KelSQLFileDeleteCheck::~KelSQLFileDeleteCheck() = default;

void KelSQLFileDeleteCheck::initializeSQLObject(bool valid) {
    valid_ = valid;
    removalUpdate_ = false;
    fileId_ = sqlFileId_ = 0;
    sqlDatabaseName_.clear();
    fileGroupName_.clear();
    fileName_.clear();
    removalTime_.setTime(0L);
}

bool KelSQLFileDeleteCheck::check(const std::string& sqlDatabaseName, const std::string& sqlFileGroupName,
                                  unsigned long sqlFileId) {
    static const char* kFn = "KelSQLFileDeleteCheck::check(sqlDatabaseName, sqlFileGroupName, sqlFileId)";
    KelLastError& err = getLastError();
    if (!dc::checkPlace(context_, *this, err, kFn)) return false;
    initializeSQLObject(false);
    if (!idNotSet(err, sqlFileId, "sqlFileId", kFn) || !stringEmpty(err, sqlDatabaseName, "sqlDatabaseName", kFn) ||
        !stringEmpty(err, sqlFileGroupName, "sqlFileGroupName", kFn) || !dc::inTransaction(context_, err, kFn))
        return false;
    file_->initializeSQLObject(false);
    if (!file_->query(sqlFileId)) {
        err = file_->getLastError();
        return false;
    }
    sqlFileId_ = sqlFileId;
    fileId_ = file_->id();
    sqlDatabaseName_ = sqlDatabaseName;
    fileGroupName_ = sqlFileGroupName;
    fileName_ = file_->logicalName();
    valid_ = true;
    if (file_->getRemovalTime().time() != 0) {
        removalTime_.setTime(static_cast<long>(file_->getRemovalTime().time()));
        return true;
    }
    KelNetSQLDatabaseDeleteCheck_t* req = requestMessage(true);
    if (!req) return false;
    req->FileId = fileId_;
    if (!kelsql::copyText(getLastError(), req->DatabaseName, sqlDatabaseName_, "databaseName", kFn)) return false;
    if (!kelsql::copyText(getLastError(), req->FileGroupName, fileGroupName_, "fileGroupName", kFn)) return false;
    if (!kelsql::copyText(getLastError(), req->FileName, fileName_, "fileName", kFn)) return false;
    KelNetSQLDatabaseDeleteCheck_t rsp{};
    if (!probe(rsp)) return false;
    if (rsp.RemovalTime == 0) return true;
    removalTime_.setTime(static_cast<long>(rsp.RemovalTime));
    file_->setRemovalTime().setTime(static_cast<long>(rsp.RemovalTime));
    if (!file_->updateRemovalTime()) {
        err = file_->getLastError();
        return false;
    }
    removalUpdate_ = true;
    return true;
}

bool KelSQLFileDeleteCheck::check(KelNetSQLDatabaseDeleteCheck_t& request, KelNetSQLDatabaseDeleteCheck_t& response) {
    static const char* kFn = "KelSQLFileDeleteCheck::check(reqFile, rspFile)";
    if (!responder_) return fail(kelsql::kErrNoSide, kFn);
    KelSQLFile live(context_, false);
    const bool found = live.query(kel::fieldText(request.DatabaseName), kel::fieldText(request.FileName));
    return dc::answer(found, live.sqlCode(), live.getLastError(), getLastError(), request, response);
}
