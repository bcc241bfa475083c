#include "KelSQL/KelSQLDebugLevel.h"

#include "KelSQL/KelNetSQLRegistry.h"
#include "platform/info/KelPlatformInfo.h"

namespace {

const kelsql::MessageRegistration<KelNetSQLDebugLevel, kelsql::AnswerSide::Both> registered;

// Platform information on the context's focus machine (the process focus
// when the context has none of its own). False when it cannot be focused.
template <class Info>
bool focusOn(Info& info, KelSQLClassProperties& ctx) {
    return ctx.getFocus().empty() || info.setFocus(ctx.getFocus()) != 0;
}

}  // namespace

KelNetSQLDebugLevel::KelNetSQLDebugLevel(KelSQLClassProperties& ctx, bool) : KelNetSQLMessage(ctx, false) {}

KelNetSQLDebugLevel::KelNetSQLDebugLevel(KelSQLClassProperties& ctx, unsigned long long messageId, char* request)
    : KelNetSQLMessage(ctx, messageId, request) {}

bool KelNetSQLDebugLevel::initialize(bool) { return KelNetSQLMessage::initialize(false); }

void KelNetSQLDebugLevel::printRequestMessage(char* request) {
    const KelNetSQLDebugLevelReq_t* req =
        request ? reinterpret_cast<const KelNetSQLDebugLevelReq_t*>(request) : requestMessage(false);
    if (!req || !sqlLogLevel(4)) return;
    const char* fn = "KelNetSQLDebugLevel::printRequestMessage";
    dumpInnerHeader(fn, kRequestName);
    dumpNumber(fn, "DebugCode", req->DebugCode);
    dumpHex(fn, "DebugLevel", req->DebugLevel);
}

void KelNetSQLDebugLevel::dumpResponse(const char* fn, const KelNetSQLDebugLevelRsp_t& rsp) {
    dumpHex(fn, "DebugLevel", rsp.DebugLevel);
}

bool KelNetSQLDebugLevel::answer(KelNetSQLDebugLevelReq_t& req, KelNetSQLDebugLevelRsp_t& rsp) {
    KelSQLDebugLevel local(context(), true);
    uint64_t value = 0;
    switch (req.DebugCode) {
    case KelNetSQLDebugGetLevel: value = local.getDebugLevel(); break;
    case KelNetSQLDebugSetLevel:
        local.debugLevel(static_cast<unsigned long>(req.DebugLevel));
        value = local.setDebugLevel();
        break;
    case KelNetSQLDebugSetVDITimeout:
        local.vdiTimeout(static_cast<unsigned long>(req.DebugLevel));
        value = local.setVDITimeout();
        break;
    case KelNetSQLDebugGetVDITimeout: value = local.getVDITimeout(); break;
    default:
        getLastError().setNumber(kelsql::kErrRequestRefused);
        return false;
    }
    // A setting the agent could not read or write is no success.
    if (local.getLastError().number() != 0) {
        getLastError() = local.getLastError();
        return false;
    }
    rsp.DebugLevel = value;
    return true;
}

KelSQLDebugLevel::KelSQLDebugLevel(KelSQLClassProperties& ctx, bool serverFlag)
    : KelNetSQLDebugLevel(ctx, false), serverFlag_(serverFlag) {}

unsigned long KelSQLDebugLevel::debugLevel(unsigned long level) {
    debugLevel_ = level;
    return level;
}

unsigned long KelSQLDebugLevel::vdiTimeout(unsigned long seconds) {
    vdiTimeout_ = seconds;
    return seconds;
}

bool KelSQLDebugLevel::platformFailed(KelPI_Base& object) {
    getLastError() = object.getLastError();
    if (getLastError().number() == 0) getLastError().setNumber(kelsql::kErrRequestRefused);
    return false;
}

uint64_t KelSQLDebugLevel::getDebugLevel() {
    KelPI_Keld keld;
    if (!focusOn(keld, context())) platformFailed(keld);
    else debugLevel_ = keld.getSql(true);
    return debugLevel_;
}

uint64_t KelSQLDebugLevel::setDebugLevel() {
    KelPI_Keld keld;
    if (!focusOn(keld, context()) || !keld.setSql(debugLevel_)) platformFailed(keld);
    return debugLevel_;
}

uint64_t KelSQLDebugLevel::getVDITimeout() {
    KelPI_MSSqlAgent agent;
    if (!focusOn(agent, context())) platformFailed(agent);
    else vdiTimeout_ = agent.vdiGetCmdTimeOut();
    return vdiTimeout_;
}

uint64_t KelSQLDebugLevel::setVDITimeout() {
    KelPI_MSSqlAgent agent;
    if (!focusOn(agent, context()) || !agent.setVDIGetCmdTimeOut(static_cast<unsigned long>(vdiTimeout_)))
        platformFailed(agent);
    return vdiTimeout_;
}

bool KelSQLDebugLevel::remote(uint32_t code, uint64_t value, const std::string& hostName, const char* signature) {
    if (!addressRemoteHost(hostName, signature)) return false;
    KelNetSQLDebugLevelReq_t* req = requestMessage(true);
    if (!req) return false;
    req->DebugCode = code;
    req->DebugLevel = value;
    if (!exchange(getLastError())) return false;
    uint64_t answered = responseMessage(false)->DebugLevel;
    (code == KelNetSQLDebugGetLevel || code == KelNetSQLDebugSetLevel ? debugLevel_ : vdiTimeout_) = answered;
    return true;
}

bool KelSQLDebugLevel::getRemoteDebugLevel(std::string hostName) {
    return remote(KelNetSQLDebugGetLevel, 0, hostName, "KelSQLDebugLevel::getRemoteDebugLevel(hostName)");
}

bool KelSQLDebugLevel::setRemoteDebugLevel(std::string hostName) {
    return remote(KelNetSQLDebugSetLevel, debugLevel_, hostName, "KelSQLDebugLevel::setRemoteDebugLevel(hostName)");
}

bool KelSQLDebugLevel::setRemoteVDITimeout(std::string hostName) {
    return remote(KelNetSQLDebugSetVDITimeout, vdiTimeout_, hostName,
                  "KelSQLDebugLevel::setRemoteVDITimeout(hostName)");
}

bool KelSQLDebugLevel::getRemoteVDITimeout(std::string hostName) {
    return remote(KelNetSQLDebugGetVDITimeout, 0, hostName, "KelSQLDebugLevel::getRemoteVDITimeout(hostName)");
}
