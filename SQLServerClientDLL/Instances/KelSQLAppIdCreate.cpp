// KelSQLAppId: creation of an application id on the Ostrel, with the
// registration of the instance itself when its master database is created.
#include <strings.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "../Records/WriteScope.h"
#include "Db/Tbl/archGroup.h"
#include "KelSQL/KelSQLAppId.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLErrors.h"
#include "platform/appmgr/ApplProperties.h"
#include "platform/appmgr/ApplicationId.h"
#include "platform/appmgr/ClientApplicationList.h"
#include "platform/appmgr/KelClient.h"
#include "platform/appmgr/KelSimDb.h"
#include "platform/appmgr/SimCS.h"
#include "platform/events/KelDebug.h"
#include "platform/events/KelEvent.h"
#include "platform/info/KelPlatformInfo.h"
#include "platform/net/KelPI_Library.h"

namespace {

constexpr const char* kFn = "KelSQLAppId::create(void)";
// A subclient's own storage policies, as the application manager keeps them.
constexpr const char* kOwnDataPolicy = "Storage Policy";
constexpr const char* kOwnLogPolicy = "Log Storage Policy";

bool sameName(const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()) == 0; }

}  // namespace

// One run of create(): the object's inputs and outputs, and what the steps
// hand on to each other.
class KelSQLAppIdCreation {
public:
    // SQLite lets one connection write at a time: inside the caller's
    // catalogue transaction the application manager works in it.
    explicit KelSQLAppIdCreation(KelSQLAppId& appId)
        : o_(appId),
          log_(appId.context_.log()),
          tran_(appId.context_.isTransactionStarted() ? appId.context_.getDBTransaction() : nullptr) {}
    bool run();

private:
    bool failWith(uint64_t number) {
        o_.getLastError().setNumber(number);
        return false;
    }
    bool refused() { return o_.fail(kelsql::kErrApplicationId, kFn); }
    bool arguments();
    bool client();
    bool checkFileSystem();
    bool registeredType(unsigned long& registered);
    bool checkTypes(unsigned long registered);
    bool findExisting();
    bool createNew(ApplicationId& app);
    bool discoveryPolicies();
    bool policyExists(unsigned long policy, const char* which);
    bool undelete();
    bool assignPolicies(ApplicationId* created);
    bool applyRule(ApplicationId& app);
    unsigned long ownPolicy(ApplicationId& app, const char* name);
    bool finish();

    KelSQLAppId& o_;
    KelSQLMessageLog& log_;
    DBtran* tran_;
    unsigned long tesselId_ = 0;
    unsigned long clientId_ = 0;
    unsigned long osId_ = 0;
    bool configuring_ = false;
    bool updateApps_ = true;
    bool configured_ = false;
    bool instanceDeleted_ = false;
    bool isNew_ = false;
    std::string backupSetName_;
};

// The instance, backup set and application rows, the policies and the
// client's application types stand or fall together.
bool KelSQLAppId::create() {
    kelsql::WriteScope scope(context_);
    return scope.open(getLastError(), kFn) && KelSQLAppIdCreation(*this).run() && scope.keep(getLastError(), kFn);
}

bool KelSQLAppIdCreation::run() {
    if (!arguments() || !client()) return false;
    const std::string& db = o_.databaseName_;
    configuring_ = sameName(db, "master") ||
                   (sameName(db, "msdb") && sameName(o_.clientName_, o_.context_.getOstrel().getOstrelClientName()));
    log_.debug2(kFn, "SQL instance [%s %s] being configured", o_.serverName_.c_str(), configuring_ ? "IS" : "IS NOT");
    if (configuring_) {
        unsigned long registered = 0;
        if (!checkFileSystem() || !registeredType(registered) || !checkTypes(registered)) return false;
    }
    backupSetName_ = db;
    if (!db.empty() && (db.front() == ' ' || db.back() == ' ')) backupSetName_ = "[" + db + "]";
    log_.debug3(kFn, "Check if the database [%s..%s] is already configured.", o_.serverName_.c_str(),
                backupSetName_.c_str());
    if (!findExisting()) return false;
    ApplicationId app(tesselId_, clientId_, o_.applicationType_, o_.serverName_, backupSetName_, o_.subClientName_);
    const bool creates = !(configured_ && sameName(o_.subClientName_, DefaultSubclientName));
    if (creates && !createNew(app)) return false;
    if (configuring_ && !undelete()) return false;
    return assignPolicies(isNew_ ? &app : nullptr) && finish();
}

bool KelSQLAppIdCreation::arguments() {
    if (!o_.context_.isServerOperations() && !o_.replyMode_) return o_.fail(kelsql::kErrOstrelSideOnly, kFn);
    KelLastError& err = o_.getLastError();
    return idNotSet(err, o_.archiveGroupNameId_, "archiveGroupNameId", kFn) &&
           idNotSet(err, o_.applicationType_, "applicationType", kFn) &&
           stringEmpty(err, o_.clientName_, "clientName", kFn) && stringEmpty(err, o_.serverName_, "serverName", kFn) &&
           stringEmpty(err, o_.databaseName_, "databaseName", kFn) &&
           stringEmpty(err, o_.subClientName_, "subClientName", kFn);
}

bool KelSQLAppIdCreation::client() {
    tesselId_ = o_.context_.getOstrel().getTesselId();
    if (tesselId_ == 0) return failWith(o_.context_.getOstrel().getLastError().number());
    log_.debug3(kFn, "Got TesselId [%ld]", static_cast<long>(tesselId_));
    KelClient client(tesselId_, o_.clientName_, false, 0);
    if (client.lookup(tran_) != 0) {
        log_.debug(kFn, "Failed to lookup client [%d..%s].", static_cast<int>(tesselId_), o_.clientName_.c_str());
        return o_.fail(kelsql::kErrClientNotFound, kFn);
    }
    log_.debug2(kFn, "Got Info from AppManager for client [%s]", o_.clientName_.c_str());
    if (int rc = client.getClientId(clientId_, tran_)) return failWith(static_cast<uint64_t>(rc));
    log_.debug3(kFn, "Got client Id [%ld]", static_cast<long>(clientId_));
    if (int rc = client.getOperatingSystemId(osId_, tran_)) return failWith(static_cast<uint64_t>(rc));
    log_.debug3(kFn, "Got systen Os Id [%ld]", static_cast<long>(osId_));
    return true;
}

bool KelSQLAppIdCreation::checkFileSystem() {
    log_.debug2(kFn, "Check if File System is Installed.");
    bool installed = true;
    KelSimDb().isFileSystemAlreadyInstalled(clientId_, installed, tran_);
    if (!installed) {
        KelDebug::Debug(kFn, "Could not find FileSystem Drover in the database. File system Drover has to be "
                             "installed before any other Seltra Drover's. Install will break here.");
        return failWith(kelsql::kErrFileSystemMissing);
    }
    log_.debug2(kFn, "File System is already Installed.");
    log_.debug3(kFn, "Check if instanmce is already configured with Ostrel.");
    return true;
}

// The type the instance is registered with, newest first; 0 when none.
bool KelSQLAppIdCreation::registeredType(unsigned long& registered) {
    struct Probe {
        unsigned long type;
        const char* ask;
        const char* version;
    };
    static const Probe probes[] = {
        {70, "Check if this SQL instance is SQL 2005!!", "SQL 2005"},
        {16, "SQL instance is not SQL 2005 check if it is SQL 2000!!", "SQL 2000"},
        {4, "SQL instance is not SQL 2000 check if it is SQL 7!!", "SQL 7"},
    };
    for (const Probe& probe : probes) {
        log_.debug3(kFn, "%s", probe.ask);
        std::vector<std::string> list;
        if (ClientApplicationList().getApplications(list, tesselId_, clientId_, probe.type, 0, 0, tran_, false)) {
            log_.debug(kFn, "Failed to getApplications for tessel[%ld], cl[%ld] and appType[%ld]",
                       static_cast<long>(tesselId_), static_cast<long>(clientId_), static_cast<long>(probe.type));
            return refused();
        }
        for (const std::string& text : list) {
            ApplicationId app(text);
            Instance* instance = app.getInstance(tran_);
            if (!instance) return failWith(app.getLastError().number());
            std::string name;
            if (int rc = instance->getName(name, tran_)) return failWith(static_cast<uint64_t>(rc));
            if (!sameName(name, o_.serverName_)) continue;
            log_.debug2(kFn, "Instance [%s] is configured as %s!!", o_.serverName_.c_str(), probe.version);
            registered = probe.type;
            return true;
        }
    }
    return true;
}

bool KelSQLAppIdCreation::checkTypes(unsigned long registered) {
    const unsigned long requested = o_.applicationType_;
    const char* server = o_.serverName_.c_str();
    log_.debug3(kFn, "Check if this is a downgrade!!");
    if (registered == 70 && (requested == 16 || requested == 4)) {
        log_.debug2(kFn, "Cannot install Instance [%s] with appType [%ld] since it is configured as SQL 2005!", server,
                    static_cast<long>(requested));
        return failWith(kelsql::kErrDowngrade);
    }
    if (registered == 16 && requested == 4) {
        log_.debug2(kFn, "Cannot install Instance [%s] with appType [%ld] since it is configured as SQL 2000!", server,
                    static_cast<long>(requested));
        return failWith(kelsql::kErrDowngrade);
    }
    if (registered != 0) log_.debug2(kFn, "Instance [%s] is configured with Ostrel!", server);
    log_.debug3(kFn, "Check if AppType Upgrade is required!!");
    bool upgrade = false;
    if (registered == 16 && requested == 70) {
        log_.debug2(kFn, "Instance [%s] requires an upgrade from SQL 2000 to 2005!", server);
        upgrade = true;
    } else if (registered == 4 && requested == 16) {
        log_.debug2(kFn, "Instance [%s] requires an upgrade from SQL 7 to 2000!", server);
        upgrade = true;
    }
    if (upgrade) {
        log_.debug2(kFn, "Starting appTypeUpgrade...");
        KelSimDb simDb;
        if (!simDb.loadSimCSUpgradeDbFromAppType(requested, registered, o_.clientName_, 0, 3, tran_)) {
            // The creation goes on; the number tells the caller afterwards.
            log_.debug2(kFn, "appTypeUpgrade failed!!");
            o_.getLastError().setNumber(simDb.getLastError().number());
        }
    }
    log_.debug2(kFn, "Do we need to update simClient Apps??");
    if (!upgrade && ClientApplicationList().isAppTypeInstalled(clientId_, requested, tran_)) updateApps_ = false;
    log_.debug2(kFn, "update simClientApps [%s]", updateApps_ ? "TRUE" : "FALSE");
    return true;
}

bool KelSQLAppIdCreation::findExisting() {
    std::vector<std::string> list;
    if (ClientApplicationList().getApplications(list, tesselId_, clientId_, o_.applicationType_, 0, 0, tran_,
                                                false)) {
        log_.debug(kFn, "Failed to getApplications for tessel[%ld], cl[%ld] and appType[%ld]",
                   static_cast<long>(tesselId_), static_cast<long>(clientId_), static_cast<long>(o_.applicationType_));
        return refused();
    }
    for (const std::string& text : list) {
        ApplicationId app(text);
        Instance* instance = app.getInstance(tran_);
        if (!instance) return failWith(app.getLastError().number());
        std::string name;
        if (int rc = instance->getName(name, tran_)) return failWith(static_cast<uint64_t>(rc));
        if (!sameName(name, o_.serverName_)) continue;
        BackupSet* backupSet = app.getBackupSet(tran_);
        if (!backupSet) return failWith(app.getLastError().number());
        if (int rc = backupSet->getName(name, tran_)) return failWith(static_cast<uint64_t>(rc));
        // Compared once within the instance, the name is used bare from here on.
        if (!backupSetName_.empty() && backupSetName_.front() == '[')
            backupSetName_ = backupSetName_.size() < 2 ? std::string()
                                                       : backupSetName_.substr(1, backupSetName_.size() - 2);
        if (!sameName(name, backupSetName_)) continue;
        log_.debug2(kFn, "The database [%s..%s] is already configured.", o_.serverName_.c_str(),
                    backupSetName_.c_str());
        configured_ = true;
        o_.clientId_ = clientId_;
        o_.instanceId_ = instance->getId();
        if (int rc = Instance(o_.instanceId_).isDeleted(instanceDeleted_, tran_))
            return failWith(static_cast<uint64_t>(rc));
        o_.backupSetId_ = backupSet->getId();
        if (int rc = app.getAppId(o_.applicationId_, tran_)) return failWith(static_cast<uint64_t>(rc));
        return true;
    }
    return true;
}

bool KelSQLAppIdCreation::createNew(ApplicationId& app) {
    log_.debug3(kFn, "The database [%s..%s] is being configured for the first time.", o_.serverName_.c_str(),
                backupSetName_.c_str());
    if (int rc = app.createApplicationId(tran_)) {
        log_.debug2(kFn, "AppID craete failed.");
        if (rc != kel::appmgr::kAppIdExists) return refused();
        log_.debug2(kFn, "This should have not happened unless this is a FFG!!");
        return true;
    }
    isNew_ = true;
    o_.clientId_ = clientId_;
    if (int rc = app.getAppId(o_.applicationId_, tran_)) return failWith(static_cast<uint64_t>(rc));
    Instance* instance = app.getInstance(tran_);
    if (!instance) return failWith(app.getLastError().number());
    o_.instanceId_ = instance->getId();
    bool discovery = false;
    if (int rc = MsSqlInstance(o_.instanceId_).isEnableDiscovery(discovery, tran_))
        return failWith(static_cast<uint64_t>(rc));
    if (discovery && !discoveryPolicies()) return false;
    BackupSet* backupSet = app.getBackupSet(tran_);
    if (!backupSet) return failWith(app.getLastError().number());
    o_.backupSetId_ = backupSet->getId();
    Subclient* subclient = app.getSubclient(tran_);
    if (!subclient) return failWith(app.getLastError().number());
    const unsigned long fileSubclient = static_cast<uint32_t>(o_.sqlFileSubClientId_);
    if (int rc = subclient->setSQLFileGroupID(fileSubclient, tran_)) return failWith(static_cast<uint64_t>(rc));
    return true;
}

bool KelSQLAppIdCreation::discoveryPolicies() {
    unsigned long policy = 1;
    MsSqlInstance(o_.instanceId_).getDefaultLogSPForDiscoveredDB(policy, tran_);
    if (policy > 1 && !policyExists(policy, "LOG")) policy = 1;
    o_.logArchiveGroupNameId_ = policy;
    if (o_.archiveGroupNameId_ > 1 && !policyExists(o_.archiveGroupNameId_, "DATA")) o_.archiveGroupNameId_ = 1;
    return true;
}

// A missing policy is told as an event; the caller falls back on policy 1.
bool KelSQLAppIdCreation::policyExists(unsigned long policy, const char* which) {
    ArchGroup record(tran_);
    record.setWhere("id = %ld", static_cast<long>(policy));
    if (record.getOneRow(&record, false, -1, 0) == 0) return true;
    KelEvent event(kelsql::kErrStoragePolicyMissing);
    event << which << backupSetName_ << o_.serverName_ << o_.clientName_;
    event.raise(kFn);
    return false;
}

bool KelSQLAppIdCreation::undelete() {
    log_.debug3(kFn, "Check if instance was mark deleted.");
    KelApplicationType type(clientId_, o_.applicationType_);
    bool deleted = false;
    int rc = type.isMarkedDeleted(deleted, tran_);
    if (rc == 100) {
        if (int found = type.lookup(tran_)) return failWith(static_cast<uint64_t>(found));
        deleted = false;
    } else if (rc != 0) {
        return failWith(static_cast<uint64_t>(rc));
    }
    if (deleted) {
        if (int cleared = type.setMarkedDeleted(false)) return failWith(static_cast<uint64_t>(cleared));
        if (int written = type.update(tran_)) return failWith(static_cast<uint64_t>(written));
    }
    if (!(deleted || instanceDeleted_) || isNew_) return true;
    log_.debug2(kFn, "Instance was mark deleted. Undleete it now..");
    if (!o_.loadSimCSMarkDeleteApplicationInstance(tesselId_, clientId_, o_.applicationType_, o_.instanceId_, 1))
        return refused();
    log_.debug2(kFn, "Instance has been undeleted.");
    return true;
}

bool KelSQLAppIdCreation::assignPolicies(ApplicationId* created) {
    if (created) return applyRule(*created);
    std::vector<std::string> list;
    if (ClientApplicationList().getApplications(list, tesselId_, clientId_, o_.applicationType_, o_.instanceId_,
                                                o_.backupSetId_, tran_, false))
        return refused();
    for (const std::string& text : list) {
        ApplicationId app(text);
        if (!applyRule(app)) return false;
    }
    return true;
}

// Only a policy still at its default 1 is assigned, unless the caller's
// policies are to replace those held.
bool KelSQLAppIdCreation::applyRule(ApplicationId& app) {
    const bool ownPolicies = o_.assignSPFlag_ == KelSQLAssignSPOwn;
    const bool given = o_.assignSPFlag_ == KelSQLAssignSPGiven;
    unsigned long current = 0;
    if (int rc = app.getDataArchiveGroup(current, tran_)) return failWith(static_cast<uint64_t>(rc));
    if (current == 1 || given) {
        if (ownPolicies) {
            const unsigned long own = ownPolicy(app, kOwnDataPolicy);
            if (own > 1) o_.archiveGroupNameId_ = own;
        }
        if (app.setDataArchiveGroup(o_.archiveGroupNameId_, tran_, nullptr, nullptr)) return refused();
    }
    if (int rc = app.getIndexArchiveGroup(current, tran_)) return failWith(static_cast<uint64_t>(rc));
    if (current == 1 || given) {
        if (o_.logArchiveGroupNameId_ < 2) o_.logArchiveGroupNameId_ = o_.archiveGroupNameId_;
        if (ownPolicies) {
            const unsigned long own = ownPolicy(app, kOwnLogPolicy);
            if (own > 1) o_.logArchiveGroupNameId_ = own;
        }
        if (app.setIndexArchiveGroup(o_.logArchiveGroupNameId_, tran_, nullptr, nullptr)) return refused();
    }
    return true;
}

// The subclient's own policy of that name; 1 when it has none.
unsigned long KelSQLAppIdCreation::ownPolicy(ApplicationId& app, const char* name) {
    Subclient* subclient = app.getSubclient(tran_);
    if (!subclient) return 1;
    ApplNativeProperty property(name, ApplNativeProperty::Integer, "1");
    ApplProperties(subclient->getId()).getProperty(property, tran_);
    return std::strtoul(property.getValue().c_str(), nullptr, 10);
}

bool KelSQLAppIdCreation::finish() {
    if (!configuring_) return true;
    if (!o_.release_.empty() && updateApps_) {
        KelSimDb simDb;
        if (!simDb.updateSimClientApplication(clientId_, osId_, o_.release_, 0, o_.applicationType_, 0, 3, tran_))
            return failWith(simDb.getLastError().number());
    }
    KelEvent event;
    PopulateActivity(tran_).populateClientApptype(event, clientId_, o_.applicationType_);
    return true;
}

bool KelSQLAppId::loadSimCSMarkDeleteApplicationInstance(unsigned long tesselId, unsigned long clientId,
                                                         unsigned long applicationType, unsigned long instanceId,
                                                         int flag) {
    KelPI_Library library(KelPI_Base::getHomeDirectory() + "\\" + kel::simcs::kLibraryName,
                          kel::simcs::kMarkDeleteEntry);
    library.setFocus(context_.getFocus());
    library.setEntryLookupOff();
    auto entry = reinterpret_cast<simCSMarkDeleteClientInstance_t>(library.getEntryPoint());
    if (!entry) {
        getLastError().setNumber(library.getLastError());
        return false;
    }
    const std::string focus = KelPI_Focus::getFocus();
    if (int rc = entry(tesselId, clientId, applicationType, instanceId, flag, focus.c_str(), nullptr, 0)) {
        getLastError().setNumber(static_cast<uint64_t>(rc));
        return false;
    }
    return true;
}
