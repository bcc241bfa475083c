#include "KelSQL/KelSQLServerControl.h"

#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLErrors.h"

namespace {

// A member that needs the service manager: logs and fails.
bool unsupported(KelLastError& error, const char* signature) { return kelsql::notSupported(error, signature); }

}  // namespace

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

bool KelSQLServerControl::initialize(const std::string*) {
    return unsupported(error_, "KelSQLServerControl::initialize(serviceName)");
}

bool KelSQLServerControl::setMSSQLServerName(const std::string&) {
    return unsupported(error_, "KelSQLServerControl::setMSSQLServerName(serverName)");
}

unsigned long KelSQLServerControl::getServiceStatus(const std::string&) {
    unsupported(error_, "KelSQLServerControl::getServiceStatus()");
    return 0;
}

bool KelSQLServerControl::determineSingleUserMode(const std::string&) {
    return unsupported(error_, "KelSQLServerControl::determineSingleUserMode(serverPath)");
}

bool KelSQLServerControl::getMSSQLServerRootDirectory(std::string*) {
    return unsupported(error_, "KelSQLServerControl::getMSSQLServerRootDirectory(directory)");
}

bool KelSQLServerControl::getMSSQLServerToolsDirectory(std::string&) {
    return unsupported(error_, "KelSQLServerControl::getMSSQLServerToolsDirectory(directory)");
}

bool KelSQLServerControl::getMSSQLServerYukonToolsDirectory(std::string&) {
    return unsupported(error_, "KelSQLServerControl::getMSSQLServerYukonToolsDirectory(directory)");
}

bool KelSQLServerControl::startMSSQLServer() { return unsupported(error_, "KelSQLServerControl::startMSSQLServer()"); }

bool KelSQLServerControl::stopMSSQLServer() { return unsupported(error_, "KelSQLServerControl::stopMSSQLServer()"); }

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
