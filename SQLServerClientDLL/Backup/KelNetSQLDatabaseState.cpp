#include "KelSQL/KelNetSQLDatabaseState.h"

#include "KelSQL/KelNetSQLRegistry.h"
#include "KelSQL/KelSQLStepRestoreState.h"

namespace {

// The Ostrel asks; the agent host answers, in the version it was asked in.
using kelsql::AnswerSide;
const kelsql::MessageVersionRegistration<KelNetSQLDatabaseState, kelsql::kDatabaseStateV1, AnswerSide::Agent> v1;
const kelsql::MessageVersionRegistration<KelNetSQLDatabaseState, kelsql::kDatabaseStateV2, AnswerSide::Agent> v2;

unsigned long versionType(unsigned long long requestType) {
    return requestType == kelsql::kDatabaseStateV2 ? static_cast<unsigned long>(kelsql::kDatabaseStateV2)
                                                    : static_cast<unsigned long>(kelsql::kDatabaseStateV1);
}

}  // namespace

KelNetSQLDatabaseState::KelNetSQLDatabaseState(KelSQLClassProperties& ctx, bool, unsigned long requestType)
    : KelNetSQLFrame(ctx, false), requestType_(versionType(requestType)) {
    KelNetSQLDatabaseState::initialize(false);
}

KelNetSQLDatabaseState::KelNetSQLDatabaseState(KelSQLClassProperties& ctx, unsigned long long messageId,
                                               char* request, unsigned long long requestType)
    : KelNetSQLFrame(ctx, messageId), requestType_(versionType(requestType)) {
    KelNetSQLDatabaseState::initialize(false);
    if (request) KelNetSQLDatabaseState::setRequestMessage(request);
}

size_t KelNetSQLDatabaseState::responseSize() const {
    return isVersion2() ? sizeof(KelNetSQLDatabaseStateRspV2_t) : sizeof(KelNetSQLDatabaseStateRsp_t);
}

// The session stays open whatever the caller asks: the Ostrel may ask the
// same agent again.
bool KelNetSQLDatabaseState::initialize(bool) {
    return setupFrame(requestType_, requestType_ + 1, sizeof(KelNetSQLDatabaseStateReq_t), responseSize(), false);
}

char* KelNetSQLDatabaseState::record(char* buffer, size_t length, size_t size, bool clear) {
    if (!buffer || length != size) return nullptr;
    if (clear) std::memset(buffer, 0, size);
    return buffer;
}

KelNetSQLDatabaseStateReq_t* KelNetSQLDatabaseState::requestMessage(bool clear) {
    return reinterpret_cast<KelNetSQLDatabaseStateReq_t*>(
        record(getRequestMessage(), getRequestMessageLength(), sizeof(KelNetSQLDatabaseStateReq_t), clear));
}

KelNetSQLDatabaseStateRsp_t* KelNetSQLDatabaseState::responseMessage(bool clear) {
    return reinterpret_cast<KelNetSQLDatabaseStateRsp_t*>(
        record(getResponseMessage(), getResponseMessageLength(), sizeof(KelNetSQLDatabaseStateRsp_t), clear));
}

KelNetSQLDatabaseStateRspV2_t* KelNetSQLDatabaseState::responseMessage2(bool clear) {
    return reinterpret_cast<KelNetSQLDatabaseStateRspV2_t*>(
        record(getResponseMessage(), getResponseMessageLength(), sizeof(KelNetSQLDatabaseStateRspV2_t), clear));
}

bool KelNetSQLDatabaseState::setRequestMessage(char* request) {
    return copyRecord(request, true, "KelNetSQLDatabaseState");
}

// The record without its trailing alignment.
bool KelNetSQLDatabaseState::setResponseMessage(char* response) {
    char* buffer = getResponseMessage();
    if (!response || !buffer) return copyRecord(nullptr, false, "KelNetSQLDatabaseState");
    if (response != buffer) std::memmove(buffer, response, isVersion2() ? kResponseBytesV2 : kResponseBytesV1);
    return true;
}

void KelNetSQLDatabaseState::printRequestMessage(char* request) {
    const auto* req = request ? reinterpret_cast<const KelNetSQLDatabaseStateReq_t*>(request) : requestMessage(false);
    if (!req || !sqlLogLevel(4)) return;
    const char* fn = "KelNetSQLDatabaseState::printRequestMessage";
    dumpHeader(fn, "KelNet SQLDatabaseStateReq");
    dumpText(fn, "ServerName", req->ServerName, sizeof req->ServerName);
    dumpText(fn, "DatabaseName", req->DatabaseName, sizeof req->DatabaseName);
}

void KelNetSQLDatabaseState::printResponseMessage(char* response) {
    char* buffer = response ? response : getResponseMessage();
    if (!buffer || !sqlLogLevel(4)) return;
    const char* fn = "KelNetSQLDatabaseState::printResponseMessage";
    // The first version's fields lead the second's at the same offsets.
    auto* rsp = reinterpret_cast<KelNetSQLDatabaseStateRspV2_t*>(buffer);
    dumpHeader(fn, "KelNet SQLDatabaseStateRsp");
    printSQLOperationStatus(&rsp->Status);
    dumpNumber(fn, "RestoreId", static_cast<long long>(rsp->RestoreId));
    dumpNumber(fn, "BackupSetId", static_cast<long long>(rsp->BackupSetId));
    dumpHex(fn, "DatabaseState", rsp->DatabaseState);
    dumpNumber(fn, "DatabaseProperty", static_cast<long long>(rsp->DatabaseProperty));
    dumpNumber(fn, "RestoreType", static_cast<long long>(rsp->RestoreType));
    printSQLDateTime(2, "RestoreDate", &rsp->RestoreDate);
    printSQLDateTime(2, "StopAt", &rsp->StopAt);
    dumpText(fn, "BackupSetName", rsp->BackupSetName, sizeof rsp->BackupSetName);
    if (!isVersion2()) return;
    dumpNumber(fn, "Log Only", rsp->LogOnly ? 1 : 0);
    dumpText(fn, "FirstLSN", rsp->FirstLSN, sizeof rsp->FirstLSN);
    dumpText(fn, "LastLSN", rsp->LastLSN, sizeof rsp->LastLSN);
    dumpText(fn, "CheckpointLSN", rsp->CheckpointLSN, sizeof rsp->CheckpointLSN);
    dumpText(fn, "fullBkpLSN", rsp->FullBkpLSN, sizeof rsp->FullBkpLSN);
}

// On the agent host: the state read of the live database, in this message's
// version (a first-version answer is the second's leading fields).
bool KelNetSQLDatabaseState::buildReply() {
    KelLastError& err = getLastError();
    char* rsp = getResponseMessage();
    if (!rsp || getResponseMessageLength() != responseSize()) return false;
    std::memset(rsp, 0, getResponseMessageLength());
    KelNetSQLDatabaseStateReq_t* req = requestMessage(false);
    bool ok = false;
    if (!req || !requestValid()) {
        if (err.number() == 0) refuse("KelNetSQLDatabaseState::buildReply()", 0);
    } else {
        printRequestMessage(nullptr);
        KelSQLStepRestoreState state(context(), true, kelsql::kDatabaseStateV2);
        KelNetSQLDatabaseStateRspV2_t answer{};
        ok = state.query(req, &answer);
        if (ok) {
            std::memcpy(rsp + sizeof(KelNetSQLOPStatus_t), reinterpret_cast<char*>(&answer) + sizeof(KelNetSQLOPStatus_t),
                        (isVersion2() ? kResponseBytesV2 : kResponseBytesV1) - sizeof(KelNetSQLOPStatus_t));
        } else {
            err = state.getLastError();
            if (err.number() == 0) refuse("KelNetSQLDatabaseState::buildReply()", 0);
        }
    }
    populateSQLOperationStatus(reinterpret_cast<KelNetSQLOPStatus_t*>(rsp), ok, err);
    printResponseMessage(nullptr);
    return ok;
}
