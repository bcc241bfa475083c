// The controller of one SQL Server instance's operating-system service on
// the machine it runs on, through the agent's live reader. This platform's
// reader has no service manager: the members that would ask one log that
// they are not supported and fail, so a status is always 0 and a stop or
// start always fails. The status rule and its codes (0 unknown, 2 runs, 4
// runs in single-user mode) hold whatever the reader.
#pragma once

#include <cstdint>
#include <string>

#include "platform/events/KelLastError.h"

namespace kel::live {
struct LiveTarget;
}

class KelSQLClassProperties;

// Whether the instance accepts connections; nothing on this platform fills it.
struct KelSQLServerAccessable {
    bool accessable = false;
};

class KelSQLServerControl {
public:
    static constexpr unsigned long kServiceRuns = 2;
    static constexpr unsigned long kServiceSingleUser = 4;

    explicit KelSQLServerControl(const std::string* serviceName);
    // The context is borrowed and outlives the controller.
    KelSQLServerControl(const std::string& serviceName, KelSQLClassProperties& context);

    // The service state by the status rule; also kept in the controller.
    unsigned long mssqlServiceStatus();
    bool isMSSQLServerAccessable(KelSQLServerAccessable&) { return true; }
    KelLastError& getLastError() { return error_; }

    // Members that need a service manager (not supported by this platform's
    // reader).
    bool initialize(const std::string* serviceName);
    bool setMSSQLServerName(const std::string& name);
    unsigned long getServiceStatus(const std::string& serviceName);
    bool determineSingleUserMode(const std::string& serverPath);
    bool getMSSQLServerRootDirectory(std::string* directory);
    bool getMSSQLServerToolsDirectory(std::string& directory);
    bool getMSSQLServerYukonToolsDirectory(std::string& directory);
    bool startMSSQLServer();
    bool stopMSSQLServer();
    bool startSQLServerServices();
    bool shutdownSQLServerService();
    bool activateSingleUserMode(const std::string& serverPath, const std::string& options);
    bool activateMultiUserMode(bool restart);
    bool isMSSQLServerSUMProcessActive();
    bool stopSSA(const std::string& serviceName, bool& stopped);
    bool stopService(const std::string&, bool&) { return false; }
    bool startSSA(const std::string&) { return false; }

    const std::string& serviceName() const { return serviceName_; }
    const std::string& instanceName() const { return instanceName_; }
    unsigned long lastState() const { return static_cast<unsigned long>(state_); }
    // The context it was built on; null for the first form.
    KelSQLClassProperties* context() const { return context_; }

private:
    void clear();
    // The instance on the machine of the context (else the focus).
    kel::live::LiveTarget target() const;
    bool control(bool start, const char* signature);

    KelSQLClassProperties* context_ = nullptr;
    KelLastError error_;
    std::string instanceName_;
    std::string serviceName_;
    uint64_t state_ = 0;
    bool singleUser_ = false;
};
