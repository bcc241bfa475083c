// The ODBC data source through which the agent reaches one SQL Server
// instance on the machine in focus, with the instance's version. Owns its
// platform database object; a copy focuses a new one on the same machine.
#pragma once

#include <memory>
#include <string>

#include "KelSQL/KelSQLAppType.h"
#include "platform/events/KelLastError.h"

class KelPI_DataBase;

class KelSQLServerDSN {
public:
    KelSQLServerDSN();
    explicit KelSQLServerDSN(const std::string& virtualMachine);
    // The constructors ignore the results; the caller reads getLastError().
    KelSQLServerDSN(const std::string& virtualMachine, const std::string& sqlServerName);
    ~KelSQLServerDSN();
    KelSQLServerDSN(const KelSQLServerDSN& other);
    KelSQLServerDSN& operator=(const KelSQLServerDSN& other);

    void initialize();
    // An empty name unfocuses (true); another is focused with createDatabase.
    bool setVirtualMachine(const std::string& name);
    // False (critical, the platform's number) when the machine cannot be focused.
    bool createDatabase();
    void deleteDatabase();
    // Looks up the instance's data source and version; valid on success.
    bool setSqlServerName(const std::string& sqlServerName);
    void setSqlServerVersion(unsigned long major, unsigned long minor, unsigned long build);

    void setClustered(bool clustered) { clustered_ = clustered; }
    bool isClustered() const { return clustered_; }
    bool isValid() const { return valid_; }
    unsigned long major() const { return major_; }
    unsigned long minor() const { return minor_; }
    unsigned long build() const { return build_; }
    KelSQLAppType& sqlAppType() { return appType_; }
    const std::string& virtualMachine() const { return virtualMachine_; }
    const std::string& sqlServerName() const { return sqlServerName_; }
    // The data source name; empty (and forgotten) unless the object is valid.
    const std::string& dataSourceName();
    KelLastError& getLastError() { return error_; }

private:
    bool readVersion(std::string& version);

    bool valid_ = false;
    std::string virtualMachine_;
    std::unique_ptr<KelPI_DataBase> database_;
    KelLastError error_;
    KelSQLAppType appType_;
    std::string sqlServerName_;
    std::string dataSourceName_;
    unsigned long major_ = 0;
    unsigned long minor_ = 0;
    unsigned long build_ = 0;
    bool clustered_ = false;
};
