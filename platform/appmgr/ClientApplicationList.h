// Lookups over a client's registered applications, and the small lookup
// objects the catalogue asks one question each. Lists come in id order
// (the order of registration). Operations return 0 or an error number,
// also kept in getLastError(), unless said otherwise.
#pragma once

#include <string>
#include <vector>

#include "platform/appmgr/AppStore.h"
#include "platform/events/KelLastError.h"

class DBtran;

class ClientApplicationList {
public:
    // The application ids (as texts for ApplicationId) of a client of the
    // Tessel with the type; instanceId and backupSetId narrow the list when
    // non-zero. An unknown client is an error; no application is an empty list.
    int getApplications(std::vector<std::string>& list, unsigned long tesselId, unsigned long clientId,
                        unsigned long appType, unsigned long instanceId, unsigned long backupSetId,
                        DBtran* tran = nullptr, bool = false);
    // The instances of a client with the type, marked-deleted ones included.
    int getInstanceList(unsigned long clientId, unsigned long appType, std::vector<unsigned long>& ids,
                        std::vector<std::string>& names, DBtran* tran = nullptr, int = 1);
    // The subclients (application ids) of one backup set with the type.
    int getSubclientList(std::vector<unsigned long>& ids, std::vector<std::string>& names, unsigned long appType,
                         unsigned long backupSetId, DBtran* tran = nullptr, int = 1);
    // True when the client has an instance of the type that is not marked
    // deleted; false also when it cannot be read (getLastError() then says so).
    bool isAppTypeInstalled(unsigned long clientId, unsigned long appType, DBtran* tran = nullptr);
    const KelLastError& getLastError() const { return error_; }

private:
    int checkClient(sqlite3* db, unsigned long tesselId, unsigned long clientId, const char* signature);

    kel::appmgr::AppConnection connection_;
    KelLastError error_;
};

// Removes the application ids of (client, type, instance), narrowed to one
// backup set when backupSetId is non-zero; their ids go to removed as texts
// and count grows by their number. An instance left without application ids
// is marked deleted; its id stays taken. 0 or an error number.
int RemoveAppIdHelper(std::vector<std::string>& removed, unsigned long& count, unsigned long clientId,
                      unsigned long appType, unsigned long instanceId, unsigned long backupSetId, DBtran* tran);

class InstanceByName {
public:
    // 1 when the client has an instance of the name and type (its id through
    // instanceId); 0 when not, or on failure (getLastError() then says why).
    int getInstanceId(unsigned long clientId, unsigned long appType, const std::string& instanceName,
                      unsigned long* instanceId, DBtran* tran = nullptr);
    const KelLastError& getLastError() const { return error_; }

private:
    kel::appmgr::AppConnection connection_;
    KelLastError error_;
};

class ClientFromInstanceId {
public:
    int getClientId(unsigned long instanceId, unsigned long& clientId, DBtran* tran = nullptr);
    const KelLastError& getLastError() const { return error_; }

private:
    kel::appmgr::AppConnection connection_;
    KelLastError error_;
};

class ApplicationTypeNameFromId {
public:
    // "SQL Server 7" (4), "SQL Server 2000" (16), "SQL Server 2005" (70).
    int getApplicationTypeName(unsigned long appType, std::string& name, DBtran* tran = nullptr);
    const KelLastError& getLastError() const { return error_; }

private:
    KelLastError error_;
};

// An instance's SQL Server settings: discovery of new databases with their
// storage policies, and the snapshot writer.
class MsSqlInstance {
public:
    explicit MsSqlInstance(unsigned long instanceId) : id_(instanceId) {}

    int isEnableDiscovery(bool& enabled, DBtran* tran = nullptr);
    int isUseSnapshotWriter(bool& use, DBtran* tran = nullptr);
    // Leave policy as it is when the instance names none.
    int getDefaultSPForDiscoveredDB(unsigned long& policy, DBtran* tran = nullptr);
    int getDefaultLogSPForDiscoveredDB(unsigned long& policy, DBtran* tran = nullptr);
    const KelLastError& getLastError() const { return error_; }

private:
    int lookup(DBtran* tran);

    unsigned long id_;
    bool discovery_ = false;
    bool snapshotWriter_ = false;
    unsigned long dataSP_ = 0;
    unsigned long logSP_ = 0;
    kel::appmgr::AppConnection connection_;
    KelLastError error_;
};
