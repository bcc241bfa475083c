// The installer's ODBC environment of a machine: registers and removes the
// data source of each SQL Server instance and the agent's own database, over
// the platform's database information. Lives for one installer call.
#pragma once

#include <string>

#include "platform/events/KelLastError.h"
#include "platform/info/KelPI_DataBase.h"

class KelSQLEnvironment : public KelPI_DataBase {
public:
    // Buffers exchanged with the platform.
    static constexpr int kInstanceListSize = 4096;
    static constexpr int kDataSourceNameSize = 1024;

    // Follows the platform's default focus.
    KelSQLEnvironment();
    explicit KelSQLEnvironment(const std::string& focus);

    // An empty focus follows the platform's default. False (with the platform's
    // error) when the machine cannot be focused; the operations then refuse.
    bool setFocus(const std::string& focus);
    bool isReady() const { return ready_; }

    bool create(const char* sqlServerName, const char* createArg1, const char* createArg2);
    // Registers the data source of an instance; a null or empty name takes the
    // agent's name for it.
    bool createDSN(const char* sqlServerName, const char* dataSourceName);
    bool remove();

    // Not supported on this platform: each logs and fails with 0x1E0000FF.
    bool configureDSN(const std::string& sqlServerName, const std::string& dataSourceName);
    bool deconfigureDSN(const std::string& dataSourceName);
    bool sqlInstallerError(std::string& text, unsigned long number);

    const std::string& databaseName() const { return databaseName_; }
    KelLastError& getLastError() { return lastError_; }

    // The agent's data source (and database) name of an instance:
    // "HOST\INST" gives "INST_SQLDrover", "HOST" gives "DEFAULT_HOST_SQLDrover"
    // while that fits 32 characters.
    static std::string agentDataSourceName(const std::string& sqlServerName);
    // The Ostrel's data source name: the host part followed by "_ostrel".
    static std::string ostrelDataSourceName(const std::string& sqlServerName);

private:
    bool platformFailed();
    bool registerInstance(const std::string& sqlServerName, const std::string& name);
    bool removeInstances();

    KelLastError lastError_;
    std::string databaseName_;
    std::string envFocus_;
    bool ready_ = false;
};

// The installer's entry points: 0 on success, else the error number, which
// sqlFormatLastError then describes.
unsigned long sqlCreateEnvironment(const char* virtualMachine, const char* sqlServerName,
                                   const char* createArg1, const char* createArg2);
unsigned long sqlCreateDataSourceName(const char* virtualMachine, const char* sqlServerName,
                                      const char* dataSourceName);
unsigned long sqlRemoveEnvironment(const char* virtualMachine);
