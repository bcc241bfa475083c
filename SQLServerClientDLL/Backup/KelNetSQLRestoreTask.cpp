#include "KelSQL/KelNetSQLRestoreTask.h"

#include "KelSQL/KelNetSQLRegistry.h"
#include "KelSQL/KelSQLRestoreTask.h"

namespace {

using kelsql::AnswerSide;
const kelsql::MessageVersionRegistration<KelNetSQLRestoreTask, kelsql::kRestoreTaskV1, AnswerSide::Ostrel> v1;
const kelsql::MessageVersionRegistration<KelNetSQLRestoreTask, kelsql::kRestoreTaskV2, AnswerSide::Ostrel> v2;
const kelsql::MessageVersionRegistration<KelNetSQLRestoreTask, kelsql::kRestoreTaskV3, AnswerSide::Ostrel> v3;

}  // namespace

KelNetSQLRestoreTask::KelNetSQLRestoreTask(KelSQLClassProperties& ctx, bool terminate, unsigned long long requestType)
    : KelNetSQLFrame(ctx, terminate), version_(versionOf(requestType)) {
    KelNetSQLRestoreTask::initialize(terminate);
}

KelNetSQLRestoreTask::KelNetSQLRestoreTask(KelSQLClassProperties& ctx, unsigned long long messageId, char* request,
                                           unsigned long long requestType)
    : KelNetSQLFrame(ctx, messageId), version_(versionOf(requestType)) {
    KelNetSQLRestoreTask::initialize(false);
    if (request) KelNetSQLRestoreTask::setRequestMessage(request);
}

int KelNetSQLRestoreTask::versionOf(unsigned long long requestType) {
    if (requestType == kelsql::kRestoreTaskV1) return 1;
    if (requestType == kelsql::kRestoreTaskV2) return 2;
    return 3;
}

size_t KelNetSQLRestoreTask::responseSize(int version) {
    if (version == 1) return sizeof(KelNetSQLRestoreTaskRsp_t);
    if (version == 2) return sizeof(KelNetSQLRestoreTask2Rsp_t);
    return sizeof(KelNetSQLRestoreTask3Rsp_t);
}

unsigned long long KelNetSQLRestoreTask::requestMessageType() const {
    if (version_ == 1) return kelsql::kRestoreTaskV1;
    if (version_ == 2) return kelsql::kRestoreTaskV2;
    return kelsql::kRestoreTaskV3;
}

bool KelNetSQLRestoreTask::initialize(bool terminate) {
    const unsigned long long type = requestMessageType();
    return setupFrame(type, type + 1, sizeof(KelNetSQLRestoreTaskReq_t), responseSize(version_), terminate);
}

template <class R>
R* KelNetSQLRestoreTask::buffer(char* data, size_t length, bool clear) {
    if (!data || length != sizeof(R)) return nullptr;
    if (clear) std::memset(data, 0, sizeof(R));
    return reinterpret_cast<R*>(data);
}

KelNetSQLRestoreTaskReq_t* KelNetSQLRestoreTask::requestMessage(bool clear) {
    return buffer<KelNetSQLRestoreTaskReq_t>(getRequestMessage(), getRequestMessageLength(), clear);
}
KelNetSQLRestoreTaskRsp_t* KelNetSQLRestoreTask::responseMessage(bool clear) {
    return buffer<KelNetSQLRestoreTaskRsp_t>(getResponseMessage(), getResponseMessageLength(), clear);
}
KelNetSQLRestoreTask2Rsp_t* KelNetSQLRestoreTask::responseMessage2(bool clear) {
    return buffer<KelNetSQLRestoreTask2Rsp_t>(getResponseMessage(), getResponseMessageLength(), clear);
}
KelNetSQLRestoreTask3Rsp_t* KelNetSQLRestoreTask::responseMessage3(bool clear) {
    return buffer<KelNetSQLRestoreTask3Rsp_t>(getResponseMessage(), getResponseMessageLength(), clear);
}

bool KelNetSQLRestoreTask::setRequestMessage(char* request) {
    return copyRecord(request, true, "KelNetSQLRestoreTask");
}

bool KelNetSQLRestoreTask::setResponseMessage(char* response) {
    return copyRecord(response, false, "KelNetSQLRestoreTask");
}

void KelNetSQLRestoreTask::printRequestMessage(char* request) {
    const auto* req = request ? reinterpret_cast<const KelNetSQLRestoreTaskReq_t*>(request) : requestMessage(false);
    if (!req || !sqlLogLevel(4)) return;
    const char* fn = "KelNetSQLRestoreTask::printRequestMessage";
    dumpHeader(fn, "KelNetSQLRestoreTaskReq");
    dumpNumber(fn, "SqlRestoreTaskId", static_cast<long long>(req->SqlRestoreTaskId));
}

void KelNetSQLRestoreTask::printResponseMessage(char* response) {
    char* rsp = response ? response : getResponseMessage();
    if (!rsp || !sqlLogLevel(4)) return;
    dumpHeader("KelNetSQLRestoreTask::printResponseMessage", "KelNetSQLRestoreTaskRsp");
    printSQLOperationStatus(reinterpret_cast<KelNetSQLOPStatus_t*>(rsp));
    const char* record = rsp + sizeof(KelNetSQLOPStatus_t);
    if (version_ == 1) printSQLRestoreTask(reinterpret_cast<const KelNetSQLRestoreTask_t*>(record));
    else if (version_ == 2) printSQLRestoreTask(reinterpret_cast<const KelNetSQLRestoreTask2_t*>(record));
    else printSQLRestoreTask(reinterpret_cast<const KelNetSQLRestoreTask3_t*>(record));
}

void KelNetSQLRestoreTask::printSQLRestoreTask(const KelNetSQLRestoreTask_t* t) {
    if (!t || !sqlLogLevel(4)) return;
    const char* fn = "KelNetSQLRestoreTask::printSQLRestoreTask";
    dumpInnerHeader(fn, "KelNetSqlRestoreTask");
    dumpNumber(fn, "SqlRestoreTaskId", static_cast<long long>(t->SqlRestoreTaskId));
    dumpNumber(fn, "RestoreType", t->RestoreType);
    dumpNumber(fn, "SqlBackupSetId", static_cast<long long>(t->SqlBackupSetId));
    dumpNumber(fn, "SqlDatabaseId", static_cast<long long>(t->SqlDatabaseId));
    dumpNumber(fn, "SqlRestoreDataId", static_cast<long long>(t->SqlRestoreDataId));
    dumpNumber(fn, "RestoreTime", t->RestoreTime);
    dumpNumber(fn, "Percentage", static_cast<long long>(t->Percentage));
    dumpNumber(fn, "RestoreFlags", static_cast<long long>(t->RestoreFlags));
    dumpText(fn, "ServerName", t->ServerName, sizeof t->ServerName);
    dumpText(fn, "DatabaseName", t->DatabaseName, sizeof t->DatabaseName);
    dumpText(fn, "UndoFile", t->UndoFile, sizeof t->UndoFile);
    dumpNumber(fn, "NextSqlRestoreTaskId", static_cast<long long>(t->NextSqlRestoreTaskId));
    dumpHex(fn, "SystemFlags", t->SystemFlags);
}

void KelNetSQLRestoreTask::printSQLRestoreTask(const KelNetSQLRestoreTask2_t* t) {
    if (!t || !sqlLogLevel(4)) return;
    printSQLRestoreTask(&t->Task);
    dumpNumber("KelNetSQLRestoreTask::printSQLRestoreTask", "ArchiveCopyId", static_cast<long long>(t->ArchiveCopyId));
}

void KelNetSQLRestoreTask::printSQLRestoreTask(const KelNetSQLRestoreTask3_t* t) {
    if (!t || !sqlLogLevel(4)) return;
    printSQLRestoreTask(&t->Task2);
    dumpText("KelNetSQLRestoreTask::printSQLRestoreTask", "MarkName", t->MarkName, sizeof t->MarkName);
}

bool KelNetSQLRestoreTask::buildReply() {
    KelLastError& err = getLastError();
    KelNetSQLRestoreTaskReq_t* req = requestMessage(false);
    char* rsp = getResponseMessage();
    if (!rsp || getResponseMessageLength() != responseSize(version_)) return false;
    std::memset(rsp, 0, getResponseMessageLength());
    bool ok = false;
    if (!req || !requestValid()) {
        if (err.number() == 0) refuse("KelNetSQLRestoreTask::buildReply()", 0);
    } else {
        printRequestMessage(nullptr);
        KelSQLRestoreTask task(context(), true, requestMessageType());
        char* record = rsp + sizeof(KelNetSQLOPStatus_t);
        if (version_ == 1) ok = task.lookup(req, reinterpret_cast<KelNetSQLRestoreTask_t*>(record));
        else if (version_ == 2) ok = task.lookup(req, reinterpret_cast<KelNetSQLRestoreTask2_t*>(record));
        else ok = task.lookup(req, reinterpret_cast<KelNetSQLRestoreTask3_t*>(record));
        if (!ok) {
            err = task.getLastError();
            // Whatever a failed lookup wrote is not an answer.
            std::memset(record, 0, getResponseMessageLength() - sizeof(KelNetSQLOPStatus_t));
            if (err.number() == 0) refuse("KelNetSQLRestoreTask::buildReply()", 0);
        }
    }
    populateSQLOperationStatus(reinterpret_cast<KelNetSQLOPStatus_t*>(rsp), ok, err);
    printResponseMessage(nullptr);
    return ok;
}
