// Application ids of the platform: one registered (client, instance, backup
// set, subclient) of one application type. The instance is a row of
// APP_InstanceName, the backup set of APP_BackupSetName, and the application
// id with its subclient a row of APP_Application; all three ids are assigned
// on insert and never reused. Operations return 0 or an error number, also
// kept in getLastError().
#pragma once

#include <memory>
#include <string>

#include "platform/appmgr/AppStore.h"
#include "platform/appmgr/KelClient.h"
#include "platform/events/KelLastError.h"

class DBtran;

// The subclient every application id gets unless it is given another name.
extern const char* const DefaultSubclientName;

// An instance (of one application type on one client).
class Instance : public kel::appmgr::AppNamedRow<Instance> {
public:
    explicit Instance(unsigned long instanceId) : AppNamedRow(instanceId) {}

    int lookup(DBtran* tran = nullptr);
    int getClientId(unsigned long& clientId, DBtran* tran = nullptr) { return read(clientId_, clientId, tran); }
    int getAppType(unsigned long& appType, DBtran* tran = nullptr) { return read(appType_, appType, tran); }
    // Marked deleted by a removal of its application ids.
    int isDeleted(bool& deleted, DBtran* tran = nullptr);

private:
    unsigned long clientId_ = 0;
    unsigned long appType_ = 0;
    bool deleted_ = false;
};

// A backup set: one database of an instance.
class BackupSet : public kel::appmgr::AppNamedRow<BackupSet> {
public:
    explicit BackupSet(unsigned long backupSetId) : AppNamedRow(backupSetId) {}

    int lookup(DBtran* tran = nullptr);
    int getInstanceId(unsigned long& instanceId, DBtran* tran = nullptr) { return read(instanceId_, instanceId, tran); }

private:
    unsigned long instanceId_ = 0;
};

// The subclient of an application id; its id is the application id.
class Subclient : public kel::appmgr::AppNamedRow<Subclient> {
public:
    explicit Subclient(unsigned long subclientId) : AppNamedRow(subclientId) {}

    int lookup(DBtran* tran = nullptr);
    // The catalogue's file subclient this subclient stands for (0: none).
    int getSQLFileGroupID(unsigned long& fileSubclientId, DBtran* tran = nullptr);
    int setSQLFileGroupID(unsigned long fileSubclientId, DBtran* tran = nullptr);

private:
    unsigned long fileSubclientId_ = 0;
};

class ApplicationId {
public:
    // From a text of ClientApplicationList::getApplications (the decimal id).
    explicit ApplicationId(const std::string& text);
    // By number; a non-zero Tessel id must be the application's.
    ApplicationId(unsigned long tesselId, unsigned long appNumber);
    // By names, for createApplicationId or to find a registered one.
    ApplicationId(unsigned long tesselId, unsigned long clientId, unsigned long appType,
                  const std::string& instanceName, const std::string& backupSetName,
                  const std::string& subclientName);
    ~ApplicationId();
    ApplicationId(const ApplicationId&) = delete;
    ApplicationId& operator=(const ApplicationId&) = delete;

    // Registers the names: the instance and the backup set are created when
    // missing, then the application id. 0 when the application id is new;
    // kel::appmgr::kAppIdExists when it was registered already (its ids are
    // then readable as for a new one); else an error number, nothing created.
    int createApplicationId(DBtran* tran = nullptr);

    int getAppId(unsigned long& appId, DBtran* tran = nullptr);
    int getAppType(unsigned long& appType, DBtran* tran = nullptr);
    // The related objects, owned by this application id; null on failure
    // (getLastError() tells why).
    Instance* getInstance(DBtran* tran = nullptr);
    BackupSet* getBackupSet(DBtran* tran = nullptr);
    Subclient* getSubclient(DBtran* tran = nullptr);
    KelClient* getClient(DBtran* tran = nullptr);

    // Storage policies (archive group ids) of data and log; 1 until set.
    int getDataArchiveGroup(unsigned long& archGroupId, DBtran* tran = nullptr);
    int setDataArchiveGroup(unsigned long archGroupId, DBtran* tran = nullptr, void* = nullptr, void* = nullptr);
    int getIndexArchiveGroup(unsigned long& archGroupId, DBtran* tran = nullptr);
    int setIndexArchiveGroup(unsigned long archGroupId, DBtran* tran = nullptr, void* = nullptr, void* = nullptr);

    const KelLastError& getLastError() const { return error_; }

private:
    int resolve(DBtran* tran, const char* signature);
    int resolveByNames(sqlite3* db, const char* signature);
    int setArchiveGroup(const char* column, unsigned long archGroupId, DBtran* tran, const char* signature);

    unsigned long tesselId_ = 0;
    unsigned long appId_ = 0;
    unsigned long clientId_ = 0;
    unsigned long appType_ = 0;
    unsigned long instanceId_ = 0;
    unsigned long backupSetId_ = 0;
    unsigned long dataArchGroup_ = 1;
    unsigned long indexArchGroup_ = 1;
    std::string instanceName_;
    std::string backupSetName_;
    std::string subclientName_;
    bool byNames_ = false;
    bool resolved_ = false;
    std::unique_ptr<Instance> instance_;
    std::unique_ptr<BackupSet> backupSet_;
    std::unique_ptr<Subclient> subclient_;
    std::unique_ptr<KelClient> client_;
    kel::appmgr::AppConnection connection_;
    KelLastError error_;
};
