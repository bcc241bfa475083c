#include "KelSQL/KelNetSQLAppInfo.h"

#include "KelSQL/KelNetSQLRegistry.h"
#include "KelSQL/KelSQLAppInfo.h"
#include "KelSQL/KelSQLClassProperties.h"

namespace {

using kelsql::AnswerSide;
const kelsql::MessageVersionRegistration<KelNetSQLAppInfo, kelsql::kAppInfoV1, AnswerSide::Ostrel> v1;
const kelsql::MessageVersionRegistration<KelNetSQLAppInfo, kelsql::kAppInfoV2, AnswerSide::Ostrel> v2;
const kelsql::MessageVersionRegistration<KelNetSQLAppInfo, kelsql::kAppInfoV3, AnswerSide::Ostrel> v3;

template <class R>
R* bufferOf(char* data, size_t length, bool clear) {
    if (!data || length != sizeof(R)) return nullptr;
    if (clear) std::memset(data, 0, sizeof(R));
    return reinterpret_cast<R*>(data);
}

}  // namespace

KelNetSQLAppInfo::KelNetSQLAppInfo(KelSQLClassProperties& ctx, bool terminate, unsigned long version)
    : KelNetSQLFrame(ctx, terminate), versionCode_(version), version_(versionOf(version)) {
    KelNetSQLAppInfo::initialize(terminate);
}

KelNetSQLAppInfo::KelNetSQLAppInfo(KelSQLClassProperties& ctx, unsigned long long handle, char* request,
                                   unsigned long version)
    : KelNetSQLFrame(ctx, handle), versionCode_(version), version_(versionOf(version)) {
    KelNetSQLAppInfo::initialize(false);
    if (request) KelNetSQLAppInfo::setRequestMessage(request);
}

int KelNetSQLAppInfo::versionOf(unsigned long long requestType) {
    if (requestType == kelsql::kAppInfoV1) return 1;
    if (requestType == kelsql::kAppInfoV2) return 2;
    return 3;
}

size_t KelNetSQLAppInfo::responseSize(int version) {
    if (version == 1) return sizeof(KelNetSQLAppInfoRsp_t);
    if (version == 2) return sizeof(KelNetSQLAppInfoRspV2_t);
    return sizeof(KelNetSQLAppInfoRspV3_t);
}

bool KelNetSQLAppInfo::initialize(bool) {
    const unsigned long long type =
        version_ == 1 ? kelsql::kAppInfoV1 : version_ == 2 ? kelsql::kAppInfoV2 : kelsql::kAppInfoV3;
    // Termination is never asked of this message.
    return setupFrame(type, type + 1, sizeof(KelNetSQLAppInfoReq_t), responseSize(version_), false);
}

KelNetSQLAppInfoReq_t* KelNetSQLAppInfo::requestMessage(bool clear) {
    return bufferOf<KelNetSQLAppInfoReq_t>(getRequestMessage(), getRequestMessageLength(), clear);
}
KelNetSQLAppInfoRsp_t* KelNetSQLAppInfo::responseMessage(bool clear) {
    return bufferOf<KelNetSQLAppInfoRsp_t>(getResponseMessage(), getResponseMessageLength(), clear);
}
KelNetSQLAppInfoRspV2_t* KelNetSQLAppInfo::responseMessageV2(bool clear) {
    return bufferOf<KelNetSQLAppInfoRspV2_t>(getResponseMessage(), getResponseMessageLength(), clear);
}
KelNetSQLAppInfoRspV3_t* KelNetSQLAppInfo::responseMessageV3(bool clear) {
    return bufferOf<KelNetSQLAppInfoRspV3_t>(getResponseMessage(), getResponseMessageLength(), clear);
}

bool KelNetSQLAppInfo::setRequestMessage(char* request) { return copyRecord(request, true, "KelNetSQLAppInfo"); }

// The buffer is sized for this object's version, and so is the copy.
bool KelNetSQLAppInfo::setResponseMessage(char* response) {
    return copyRecord(response, false, "KelNetSQLAppInfo");
}

void KelNetSQLAppInfo::printRequestMessage(char* request) {
    const auto* req = request ? reinterpret_cast<const KelNetSQLAppInfoReq_t*>(request) : requestMessage(false);
    if (!req || !sqlLogLevel(4)) return;
    const char* fn = "KelNetSQLAppInfo::printRequestMessage";
    dumpHeader(fn, "CKelNetSQLAppInfoReq");
    dumpNumber(fn, "TesselId", static_cast<long long>(req->TesselId));
    dumpNumber(fn, "AppNumber", static_cast<long long>(req->AppNumber));
}

void KelNetSQLAppInfo::printResponseMessage(char* response) {
    char* rsp = response ? response : getResponseMessage();
    if (!rsp || !sqlLogLevel(4)) return;
    const char* fn = "KelNetSQLAppInfo::printResponseMessage";
    dumpHeader(fn, version_ == 1 ? "CKelNetSQLAppInfoRsp" : "CKelNetSQLAppInfoRspV2");
    printSQLOperationStatus(reinterpret_cast<KelNetSQLOPStatus_t*>(rsp));
    const auto& b = *reinterpret_cast<const KelNetSQLAppInfoBody_t*>(rsp + sizeof(KelNetSQLOPStatus_t));
    dumpNumber(fn, "BackupType", b.BackupType);
    dumpText(fn, "ServerName", b.ServerName, sizeof b.ServerName);
    dumpText(fn, "DatabaseName", b.DatabaseName, sizeof b.DatabaseName);
    dumpText(fn, "FileOrGroupName", b.FileOrGroupName, sizeof b.FileOrGroupName);
    dumpNumber(fn, "NextFullBackup", static_cast<long long>(b.NextFullBackup));
    dumpNumber(fn, "TesselNumber", static_cast<long long>(b.TesselNumber));
    dumpNumber(fn, "SqlDatabaseId", static_cast<long long>(b.SqlDatabaseId));
    dumpNumber(fn, "SqlFileOrGroupId", static_cast<long long>(b.SqlFileOrGroupId));
    dumpNumber(fn, "Streams", static_cast<long long>(b.Streams));
    dumpNumber(fn, "LastBackupSetId", static_cast<long long>(b.LastBackupSetId));
    KelNetSQLDateTime_t last = b.LastBackupTime;
    printSQLDateTime(2, "LastBackupTime", &last);
    dumpNumber(fn, "SPForAutoDiscovery", static_cast<long long>(b.SPForAutoDiscovery));
    if (version_ == 2) return;
    const auto* tail = reinterpret_cast<const uint64_t*>(rsp + sizeof(KelNetSQLAppInfoRspV2_t));
    dumpNumber(fn, "SPForLogAutoDiscovery", static_cast<long long>(tail[0]));
    if (version_ == 3) dumpHex(fn, "vssAllowFlags", tail[1]);
}

bool KelNetSQLAppInfo::buildReply() {
    KelLastError& err = getLastError();
    KelNetSQLAppInfoReq_t* req = requestMessage(false);
    char* rsp = getResponseMessage();
    if (!rsp || getResponseMessageLength() != responseSize(version_)) return false;
    std::memset(rsp, 0, getResponseMessageLength());
    bool ok = false;
    if (!req || !requestValid()) {
        if (err.number() == 0) refuse("KelNetSQLAppInfo::buildReply()", 0);
    } else {
        printRequestMessage(nullptr);
        KelSQLAppInfo info(context(), true, kelsql::kAppInfoV3);
        if (version_ == 1) ok = info.lookup(req, responseMessage(false));
        else if (version_ == 2) ok = info.lookup(req, responseMessageV2(false));
        else ok = info.lookup(req, responseMessageV3(false));
        if (!ok) {
            err = info.getLastError();
            std::memset(rsp, 0, getResponseMessageLength());
            if (err.number() == 0) refuse("KelNetSQLAppInfo::buildReply()", 0);
        }
    }
    populateSQLOperationStatus(reinterpret_cast<KelNetSQLOPStatus_t*>(rsp), ok, err);
    printResponseMessage(nullptr);
    return ok;
}
