#include "KelSQL/KelNetSQLBackupSet.h"

#include <memory>

#include "KelSQL/KelNetSQLRegistry.h"
#include "KelSQL/KelSQLBackupSet.h"

namespace {

std::unique_ptr<KelNetMessage> build(KelSQLClassProperties& ctx, unsigned long long messageId,
                                     unsigned long long requestType, char* request) {
    return std::make_unique<KelNetSQLBackupSet>(ctx, messageId, request, requestType);
}

// The catalogue's codes are the Ostrel's; the removal notice is an agent
// host's. Both layouts begin with the code.
kelsql::AnswerSide answerSide(const char* request) {
    uint32_t code = 0;
    std::memcpy(&code, request, sizeof code);
    switch (code) {
    case KelNetSQLBackupSetLookup:
    case KelNetSQLBackupSetInsert: return kelsql::AnswerSide::Ostrel;
    case KelNetSQLBackupSetRemove: return kelsql::AnswerSide::Agent;
    default: return kelsql::AnswerSide::Both;
    }
}

// Both layouts answer; each answering object keeps the layout it received.
class Registration {
public:
    Registration()
        : first_(kelsql::registerMessageClass({KelNetSQLBackupSet::kRequestType, sizeof(KelNetSQLBackupSetReq_t),
                                               &build, kelsql::AnswerSide::Both, &answerSide})),
          second_(kelsql::registerMessageClass({KelNetSQLBackupSet::kRequestType2,
                                                sizeof(KelNetSQLBackupSet2Req_t), &build, kelsql::AnswerSide::Both,
                                                &answerSide})) {}
    ~Registration() {
        if (first_) kelsql::unregisterMessageClass(KelNetSQLBackupSet::kRequestType);
        if (second_) kelsql::unregisterMessageClass(KelNetSQLBackupSet::kRequestType2);
    }
    Registration(const Registration&) = delete;
    Registration& operator=(const Registration&) = delete;

private:
    bool first_;
    bool second_;
};

const Registration registered;

template <class R>
R* recordIn(char* buffer, size_t length, bool clear) {
    if (!buffer || length < sizeof(R)) return nullptr;
    if (clear) std::memset(static_cast<void*>(buffer), 0, sizeof(R));
    return reinterpret_cast<R*>(buffer);
}

// The operation of a request code on the answering record; false in known
// for a code no operation has.
template <class Rec>
bool runCode(KelSQLBackupSet& set, uint32_t code, const Rec& request, Rec& response, bool& known) {
    known = true;
    switch (code) {
    case KelNetSQLBackupSetLookup: return set.lookup(request, response);
    case KelNetSQLBackupSetInsert: return set.insert(request, response);
    case KelNetSQLBackupSetRemove: return set.remove(request, response);
    default: known = false; return false;
    }
}

}  // namespace

KelNetSQLBackupSet::KelNetSQLBackupSet(KelSQLClassProperties& ctx, bool terminate, unsigned long long requestType)
    : KelNetSQLFrame(ctx, terminate), requestType_(requestType == kRequestType2 ? kRequestType2 : kRequestType) {
    KelNetSQLBackupSet::initialize(terminate);
}

KelNetSQLBackupSet::KelNetSQLBackupSet(KelSQLClassProperties& ctx, unsigned long long messageId, char* request,
                                       unsigned long long requestType)
    : KelNetSQLFrame(ctx, messageId), requestType_(requestType == kRequestType2 ? kRequestType2 : kRequestType) {
    KelNetSQLBackupSet::initialize(false);
    if (request) KelNetSQLBackupSet::setRequestMessage(request);
}

size_t KelNetSQLBackupSet::requestSize() const {
    return isSecondLayout() ? sizeof(KelNetSQLBackupSet2Req_t) : sizeof(KelNetSQLBackupSetReq_t);
}

size_t KelNetSQLBackupSet::responseSize() const {
    return isSecondLayout() ? sizeof(KelNetSQLBackupSet2Rsp_t) : sizeof(KelNetSQLBackupSetRsp_t);
}

bool KelNetSQLBackupSet::initialize(bool terminate) {
    return setupFrame(requestType_, isSecondLayout() ? kResponseType2 : kResponseType, requestSize(), responseSize(),
                      terminate);
}

bool KelNetSQLBackupSet::setRequestMessage(char* r) { return copyRecord(r, true, "KelNetSQLBackupSet"); }
bool KelNetSQLBackupSet::setResponseMessage(char* r) { return copyRecord(r, false, "KelNetSQLBackupSet"); }

KelNetSQLBackupSetReq_t* KelNetSQLBackupSet::requestMessage(bool clear) {
    if (isSecondLayout()) return nullptr;
    return recordIn<KelNetSQLBackupSetReq_t>(getRequestMessage(), getRequestMessageLength(), clear);
}

KelNetSQLBackupSet2Req_t* KelNetSQLBackupSet::requestMessage2(bool clear) {
    if (!isSecondLayout()) return nullptr;
    return recordIn<KelNetSQLBackupSet2Req_t>(getRequestMessage(), getRequestMessageLength(), clear);
}

KelNetSQLBackupSetRsp_t* KelNetSQLBackupSet::responseMessage(bool clear) {
    if (isSecondLayout()) return nullptr;
    return recordIn<KelNetSQLBackupSetRsp_t>(getResponseMessage(), getResponseMessageLength(), clear);
}

KelNetSQLBackupSet2Rsp_t* KelNetSQLBackupSet::responseMessage2(bool clear) {
    if (!isSecondLayout()) return nullptr;
    return recordIn<KelNetSQLBackupSet2Rsp_t>(getResponseMessage(), getResponseMessageLength(), clear);
}

void KelNetSQLBackupSet::printSQLBackupSet(const KelNetSQLBackupSet_t* r, const uint64_t* sqlFileSubClientId) {
    if (!r || !sqlLogLevel(4)) return;
    const char* fn = "KelNetSQLBackupSet::printSQLBackupSet";
    dumpInnerHeader(fn, "KelNetSqlBackupSet");
    dumpNumber(fn, "SqlBackupSetId", static_cast<long long>(r->SqlBackupSetId));
    dumpNumber(fn, "TesselId", static_cast<long long>(r->TesselId));
    dumpNumber(fn, "SqlDatabaseId", static_cast<long long>(r->SqlDatabaseId));
    dumpNumber(fn, "BackupSetId", static_cast<long long>(r->BackupSetId));
    dumpText(fn, "Name", r->Name, sizeof r->Name);
    dumpText(fn, "Description", r->Description, sizeof r->Description);
    dumpText(fn, "UserName", r->UserName, sizeof r->UserName);
    dumpText(fn, "BackupSize", r->BackupSize, sizeof r->BackupSize);
    const std::pair<const char*, uint64_t> numbers[] = {
        {"VendorId", r->VendorId},           {"TimeZone", r->TimeZone},
        {"SeltraStartTime", r->SeltraStartTime}, {"SeltraFinishTime", r->SeltraFinishTime},
        {"Compatibility", r->Compatibility}, {"DBVersion", r->DBVersion},
        {"MediaSetId", r->MediaSetId},       {"Streams", r->Streams},
    };
    for (const auto& n : numbers) dumpNumber(fn, n.first, static_cast<long long>(n.second));
    sqlDumpLine(fn, "        %s = %lld", "JobId", static_cast<long long>(r->JobId));
    KelNetSQLMSVersion_t sqlVersion = r->SqlVersion;
    KelNetSQLMSVersion_t mtfVersion = r->MtfVersion;
    printSQLMSVersion(3, "SqlVersion", &sqlVersion);
    printSQLMSVersion(3, "MtfVersion", &mtfVersion);
    if (sqlFileSubClientId) dumpNumber(fn, "SqlFileSubClientId", static_cast<long long>(*sqlFileSubClientId));
}

void KelNetSQLBackupSet::printRequestMessage(char* r) {
    if (!sqlLogLevel(4)) return;
    char* buffer = r ? r : getRequestMessage();
    if (!buffer) return;
    const char* fn = "KelNetSQLBackupSet::printRequestMessage";
    dumpHeader(fn, "KelNetSQLBackupSetReq");
    if (isSecondLayout()) {
        const auto* req = reinterpret_cast<const KelNetSQLBackupSet2Req_t*>(buffer);
        dumpNumber(fn, "DBCode", req->DBCode);
        printSQLBackupSet(&req->BackupSet.BackupSet, &req->BackupSet.SqlFileSubClientId);
    } else {
        const auto* req = reinterpret_cast<const KelNetSQLBackupSetReq_t*>(buffer);
        dumpNumber(fn, "DBCode", req->DBCode);
        printSQLBackupSet(&req->BackupSet, nullptr);
    }
}

void KelNetSQLBackupSet::printResponseMessage(char* r) {
    if (!sqlLogLevel(4)) return;
    char* buffer = r ? r : getResponseMessage();
    if (!buffer) return;
    dumpHeader("KelNetSQLBackupSet::printResponseMessage", "KelNetSQLBackupSetRsp");
    printSQLOperationStatus(reinterpret_cast<KelNetSQLOPStatus_t*>(buffer));
    if (isSecondLayout()) {
        const auto* rsp = reinterpret_cast<const KelNetSQLBackupSet2Rsp_t*>(buffer);
        printSQLBackupSet(&rsp->BackupSet.BackupSet, &rsp->BackupSet.SqlFileSubClientId);
    } else {
        printSQLBackupSet(&reinterpret_cast<const KelNetSQLBackupSetRsp_t*>(buffer)->BackupSet, nullptr);
    }
}

bool KelNetSQLBackupSet::buildReply() {
    static const char* kFn = "KelNetSQLBackupSet::buildReply()";
    KelLastError& err = getLastError();
    char* response = getResponseMessage();
    if (!response || getResponseMessageLength() < responseSize()) return false;
    std::memset(response, 0, responseSize());
    char* request = getRequestMessage();
    bool ok = false;
    if (!request || !requestValid() || getRequestMessageLength() < requestSize()) {
        if (err.number() == 0) refuse(kFn, 0);
    } else {
        printRequestMessage(nullptr);
        uint32_t code = 0;
        std::memcpy(&code, request, sizeof code);
        ok = answer(code, request, response);
        // The caller must never read a failure as number 0.
        if (!ok && err.number() == 0) refuse(kFn, code);
    }
    populateSQLOperationStatus(reinterpret_cast<KelNetSQLOPStatus_t*>(response), ok, err);
    printResponseMessage(nullptr);
    return ok;
}

bool KelNetSQLBackupSet::answer(uint32_t code, char* request, char* response) {
    KelSQLBackupSet set(context(), true, requestType_);
    bool known = false;
    bool ok = false;
    void* record = nullptr;
    size_t recordSize = 0;
    if (isSecondLayout()) {
        auto* rsp = reinterpret_cast<KelNetSQLBackupSet2Rsp_t*>(response);
        ok = runCode(set, code, reinterpret_cast<KelNetSQLBackupSet2Req_t*>(request)->BackupSet, rsp->BackupSet,
                     known);
        record = &rsp->BackupSet;
        recordSize = sizeof rsp->BackupSet;
    } else {
        auto* rsp = reinterpret_cast<KelNetSQLBackupSetRsp_t*>(response);
        ok = runCode(set, code, reinterpret_cast<KelNetSQLBackupSetReq_t*>(request)->BackupSet, rsp->BackupSet,
                     known);
        record = &rsp->BackupSet;
        recordSize = sizeof rsp->BackupSet;
    }
    if (!known) return refuse("KelNetSQLBackupSet::buildReply()", code);
    if (!ok) {
        getLastError() = set.getLastError();
        // Whatever a failed operation wrote is not an answer.
        std::memset(record, 0, recordSize);
    }
    return ok;
}
