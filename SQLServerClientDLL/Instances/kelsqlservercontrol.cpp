#include "KelSQL/KelSQLServerControl.h"

#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLErrors.h"
#include "platform/info/KelPlatformInfo.h"
#include "platform/live/KelLiveSqlServer.h"

namespace {

// A member that needs the service manager: logs and fails.
bool unsupported(KelLastError& error, const char* signature) { return kelsql::notSupported(error, signature); }

// The service manager is the live reader's; this platform's reads nothing
// and the members that would ask it are not supported.
kel::live::LiveSqlServer* serviceManager() {
    kel::live::LiveSqlServer& reader = kel::live::liveSqlServer();
    return reader.readsLiveInstance() ? &reader : nullptr;
}

}  // namespace

kel::live::LiveTarget KelSQLServerControl::target() const {
    return {context_ ? context_->virtualMachine() : KelPI_Focus::getFocus(), instanceName_};
}

KelSQLServerControl::KelSQLServerControl(const std::string* serviceName) {
    clear();
    setMSSQLServerName("");
    initialize(serviceName);
}

KelSQLServerControl::KelSQLServerControl(const std::string& serviceName, KelSQLClassProperties& context)
    : context_(&context) {
    clear();
    setMSSQLServerName("");
    initialize(&serviceName);
}

void KelSQLServerControl::clear() {
    error_ = KelLastError();
    instanceName_.clear();
    serviceName_.clear();
    state_ = 0;
    singleUser_ = false;
}

unsigned long KelSQLServerControl::mssqlServiceStatus() {
    if (serviceName_.empty()) {
        state_ = 0;
        error_.setNumber(kelsql::kErrServiceStatus);
        error_.addArgument("KelSQLServerControl::mssqlServiceStatus()");
        return 0;
    }
    state_ = getServiceStatus(serviceName_);
    if (state_ == kServiceRuns) {
        std::string root;
        if (singleUser_) state_ = kServiceSingleUser;
        else if (getMSSQLServerRootDirectory(&root) && determineSingleUserMode(root + "\\Binn\\" + "sqlservr.exe"))
            state_ = kServiceSingleUser;
    }
    return static_cast<unsigned long>(state_);
}

bool KelSQLServerControl::initialize(const std::string* serviceName) {
    if (!serviceManager()) return unsupported(error_, "KelSQLServerControl::initialize(serviceName)");
    serviceName_ = serviceName ? *serviceName : std::string();
    return true;
}

bool KelSQLServerControl::setMSSQLServerName(const std::string& name) {
    if (!serviceManager()) return unsupported(error_, "KelSQLServerControl::setMSSQLServerName(serverName)");
    instanceName_ = name;
    return true;
}

unsigned long KelSQLServerControl::getServiceStatus(const std::string&) {
    kel::live::LiveSqlServer* manager = serviceManager();
    if (!manager) {
        unsupported(error_, "KelSQLServerControl::getServiceStatus()");
        return 0;
    }
    unsigned long state = 0;
    return manager->serviceState(target(), state, error_) ? state : 0;
}

bool KelSQLServerControl::determineSingleUserMode(const std::string& serverPath) {
    kel::live::LiveSqlServer* manager = serviceManager();
    if (!manager) return unsupported(error_, "KelSQLServerControl::determineSingleUserMode(serverPath)");
    bool singleUser = false;
    return manager->singleUserMode(target(), serverPath, singleUser, error_) && singleUser;
}

bool KelSQLServerControl::getMSSQLServerRootDirectory(std::string* directory) {
    kel::live::LiveSqlServer* manager = serviceManager();
    if (!manager) return unsupported(error_, "KelSQLServerControl::getMSSQLServerRootDirectory(directory)");
    std::string root;
    bool found = false;
    if (!manager->rootDirectory(target(), root, found, error_) || !found) return false;
    if (directory) *directory = root;
    return true;
}

bool KelSQLServerControl::getMSSQLServerToolsDirectory(std::string&) {
    return unsupported(error_, "KelSQLServerControl::getMSSQLServerToolsDirectory(directory)");
}

bool KelSQLServerControl::getMSSQLServerYukonToolsDirectory(std::string&) {
    return unsupported(error_, "KelSQLServerControl::getMSSQLServerYukonToolsDirectory(directory)");
}

bool KelSQLServerControl::startMSSQLServer() { return control(true, "KelSQLServerControl::startMSSQLServer()"); }

bool KelSQLServerControl::stopMSSQLServer() { return control(false, "KelSQLServerControl::stopMSSQLServer()"); }

bool KelSQLServerControl::control(bool start, const char* signature) {
    kel::live::LiveSqlServer* manager = serviceManager();
    if (!manager) return unsupported(error_, signature);
    if (manager->controlService(target(), start, error_)) return true;
    if (error_.number() == 0) error_.setNumber(kelsql::kErrServiceStatus);
    error_.addArgument(signature);
    return false;
}

bool KelSQLServerControl::startSQLServerServices() {
    return unsupported(error_, "KelSQLServerControl::startSQLServerServices()");
}

bool KelSQLServerControl::shutdownSQLServerService() {
    return unsupported(error_, "KelSQLServerControl::shutdownSQLServerService()");
}

bool KelSQLServerControl::activateSingleUserMode(const std::string&, const std::string&) {
    return unsupported(error_, "KelSQLServerControl::activateSingleUserMode(serverPath, options)");
}

bool KelSQLServerControl::activateMultiUserMode(bool) {
    return unsupported(error_, "KelSQLServerControl::activateMultiUserMode(restart)");
}

bool KelSQLServerControl::isMSSQLServerSUMProcessActive() {
    return unsupported(error_, "KelSQLServerControl::isMSSQLServerSUMProcessActive()");
}

bool KelSQLServerControl::stopSSA(const std::string&, bool&) {
    return unsupported(error_, "KelSQLServerControl::stopSSA(serviceName, stopped)");
}
