// Registration of Tessels, clients and instances in the application
// manager's tables, for installers, tests and the example program. Ids are
// assigned on insert and never given out again, even after a delete.
// Operations return 0 or an error number, also kept in getLastError().
#pragma once

#include <string>

#include "platform/appmgr/AppStore.h"
#include "platform/events/KelLastError.h"

class DBtran;

namespace kel::appmgr {

class Admin {
public:
    explicit Admin(DBtran* tran = nullptr) : tran_(tran) {}

    int createTessel(const std::string& name, unsigned long& tesselId);
    // An empty host name leaves the client without one. Client names are
    // unique within a Tessel (without regard to case and trailing blanks).
    int createClient(unsigned long tesselId, const std::string& name, const std::string& hostName,
                     unsigned long& clientId, unsigned long osId = 0);
    int setNetworkHostname(unsigned long clientId, const std::string& hostName);
    // New clients have their file system agent installed.
    int setFileSystemInstalled(unsigned long clientId, bool installed);
    // An instance name is unique per client and application type.
    int createInstance(unsigned long clientId, unsigned long appType, const std::string& name,
                       unsigned long& instanceId);
    // An application id with its backup set and subclient (see ApplicationId).
    int createApplication(unsigned long clientId, unsigned long appType, const std::string& instanceName,
                          const std::string& backupSetName, const std::string& subclientName,
                          unsigned long& appId);
    int setInstanceDeleted(unsigned long instanceId, bool deleted);
    int setDiscovery(unsigned long instanceId, bool enabled, unsigned long dataSP, unsigned long logSP);
    int setUseSnapshotWriter(unsigned long instanceId, bool use);

    // A client goes with its instances, backup sets and application ids, an
    // instance with its backup sets and application ids. A catalogue row
    // that still refers to one of them refuses the whole delete.
    int deleteClient(unsigned long clientId);
    int deleteInstance(unsigned long instanceId);
    int deleteApplication(unsigned long appId);

    const KelLastError& getLastError() const { return error_; }

private:
    sqlite3* db(const char* signature);
    // Runs a statement that changes rows of one id; notFound when it
    // changed none.
    int change(AppStatement& statement, int notFound, unsigned long id, const char* signature);
    // Runs the deletes in order, all or none; the last must remove the row.
    int deleteRows(const char* const* statements, size_t count, unsigned long id, int notFound, const char* signature);

    DBtran* tran_;
    AppConnection connection_;
    KelLastError error_;
};

}  // namespace kel::appmgr
