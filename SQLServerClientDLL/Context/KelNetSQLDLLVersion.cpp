#include "KelSQL/KelNetSQLDLLVersion.h"

#include "KelSQL/KelNetSQLRegistry.h"
#include "KelSQL/KelSQLErrorStatus.h"

namespace {

const kelsql::MessageRegistration<KelNetSQLDLLVersion, kelsql::AnswerSide::Both> registered;

}  // namespace

KelNetSQLDLLVersion::KelNetSQLDLLVersion(KelSQLClassProperties& ctx, bool terminate)
    : KelNetSQLMessage(ctx, terminate) {}

KelNetSQLDLLVersion::KelNetSQLDLLVersion(KelSQLClassProperties& ctx, unsigned long long messageId, char* request)
    : KelNetSQLMessage(ctx, messageId, request) {}

bool KelNetSQLDLLVersion::getRemoteSQLDLLVersion(std::string hostName) {
    if (!addressRemoteHost(hostName, "KelNetSQLDLLVersion::getRemoteSQLDLLVersion(hostName)")) return false;
    return ask();
}

bool KelNetSQLDLLVersion::getRemoteSQLDLLVersion() { return ask(); }

bool KelNetSQLDLLVersion::ask() {
    KelNetSQLDLLVersionReq_t* req = requestMessage(true);
    if (!req) return false;
    req->RequestCode = 1;
    if (!exchange(getLastError())) return false;
    const KelNetSQLDLLVersion_t& answered = responseMessage(false)->Version;
    version_ = KelNetSQLMSVersion_t{};
    version_.Major = answered.DLLVersion.Major;
    version_.Minor = answered.DLLVersion.Minor;
    version_.Build = answered.DLLVersion.Build;
    versionType_ = answered.Type;
    return true;
}

bool KelNetSQLDLLVersion::getSQLDLLVersionInformation() {
    return kelsql::notSupported(getLastError(), "KelNetSQLDLLVersion::getSQLDLLVersionInformation()");
}

bool KelNetSQLDLLVersion::answer(KelNetSQLDLLVersionReq_t&, KelNetSQLDLLVersionRsp_t& rsp) {
    if (!getSQLDLLVersionInformation()) return false;
    rsp.Version.Type = versionType_;
    rsp.Version.DLLVersion = version_;
    return true;
}

void KelNetSQLDLLVersion::printSQLDLLVersion(KelNetSQLDLLVersion_t* version) {
    if (!version || !sqlLogLevel(4)) return;
    const char* fn = "KelNetSQLDLLVersion::printSQLDLLVersion";
    dumpInnerHeader(fn, "KelNetSqlDLLVersion");
    dumpNumber(fn, "Type", version->Type);
    printSQLMSVersion(3, "DLLVersion", &version->DLLVersion);
}

void KelNetSQLDLLVersion::dumpRequest(const char*, const KelNetSQLDLLVersionReq_t& req) {
    KelNetSQLDLLVersion_t version = req.Version;
    printSQLDLLVersion(&version);
}

void KelNetSQLDLLVersion::dumpResponse(const char*, const KelNetSQLDLLVersionRsp_t& rsp) {
    KelNetSQLDLLVersion_t version = rsp.Version;
    printSQLDLLVersion(&version);
}

unsigned long sqlDLLVersion(unsigned long* major, unsigned long* minor, unsigned long* build, char const* hostName,
                            char const* focus) {
    if (!major || !minor || !build) return kelsql::kErrInvalidArgument;
    try {
        const std::string machine = focus ? focus : "";
        const bool toAgent = hostName && *hostName;
        KelSQLClassProperties ctx(machine, toAgent ? KelSQLServerSide : KelSQLClientSide);
        KelNetSQLDLLVersion message(ctx, false);
        bool ok = ctx.isInitialized() &&
                  (toAgent ? message.getRemoteSQLDLLVersion(hostName) : message.getRemoteSQLDLLVersion());
        if (ok) {
            *major = static_cast<unsigned long>(message.getSQLDLLVersion().Major);
            *minor = static_cast<unsigned long>(message.getSQLDLLVersion().Minor);
            *build = static_cast<unsigned long>(message.getSQLDLLVersion().Build);
            return 0;
        }
        KelLastError error = ctx.isInitialized() ? message.getLastError() : ctx.getLastError();
        // A failure must never read as success to the installer.
        if (error.number() == 0) kelsql::notSupported(error, "sqlDLLVersion()", false);
        sqlInstallLastError(KelSQL_InstallErrorSave, error);
        return static_cast<unsigned long>(error.number());
    } catch (...) {
        KelLastError error;
        kelsql::notSupported(error, "sqlDLLVersion()", false);
        sqlInstallLastError(KelSQL_InstallErrorSave, error);
        return static_cast<unsigned long>(error.number());
    }
}
