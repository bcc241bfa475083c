#include "KelSQL/KelSQLAppTypeBrowse.h"

#include "KelSQL/KelSQLErrorStatus.h"
#include "platform/appmgr/ClientApplicationList.h"
#include "platform/appmgr/KelClient.h"

KelSQLAppTypeBrowse::KelSQLAppTypeBrowse() {
    KelSQLBrowseDepth::setBrowseDepth(KelSQL_BrowseInstances);
    initialize(0, 0, 0);
}

KelSQLAppTypeBrowse::KelSQLAppTypeBrowse(unsigned long tesselId, unsigned long clientId, unsigned long browseTime) {
    KelSQLBrowseDepth::setBrowseDepth(KelSQL_BrowseInstances);
    initialize(tesselId, clientId, browseTime);
}

KelSQLAppTypeBrowse::KelSQLAppTypeBrowse(const KelSQLAppTypeBrowse& other) : KelSQLBrowseDepth() { copyIn(other); }

KelSQLAppTypeBrowse& KelSQLAppTypeBrowse::operator=(const KelSQLAppTypeBrowse& other) {
    if (this != &other) copyIn(other);
    return *this;
}

KelSQLAppTypeBrowse::~KelSQLAppTypeBrowse() = default;

void KelSQLAppTypeBrowse::initialize(unsigned long tesselId, unsigned long clientId, unsigned long browseTime) {
    const bool both = tesselId != 0 && clientId != 0;
    tesselId_ = both ? tesselId : 0;
    clientId_ = both ? clientId : 0;
    browseTime_.setTime(both ? static_cast<long>(browseTime) : 0L);
    backupDataExist_ = false;
    clientName_.clear();
    appTypeName_.clear();
    sqlCode_ = 0;
    lastError_.clear();
    serverList_.clear();
}

void KelSQLAppTypeBrowse::copyIn(const KelSQLAppTypeBrowse& other) {
    if (other.tesselId_ == 0 || other.clientId_ == 0) {
        sqlBrowse_ = false;
        KelSQLBrowseDepth::setBrowseDepth(KelSQL_BrowseDatabases);
        sqlAppType_.setSql7AppType();
        initialize(0, 0, 0);
        return;
    }
    tesselId_ = other.tesselId_;
    clientId_ = other.clientId_;
    browseTime_ = other.browseTime_;
    clientName_ = other.clientName_;
    appTypeName_ = other.appTypeName_;
    sqlCode_ = other.sqlCode_;
    lastError_ = other.lastError_;
    serverList_ = other.serverList_;
    KelSQLBrowseDepth::setBrowseDepth(other.browseDepth());
    backupDataExist_ = other.backupDataExist_;
    sqlBrowse_ = other.sqlBrowse_;
    sqlAppType_ = other.sqlAppType_;
}

bool KelSQLAppTypeBrowse::setBrowseDepth(KelSQL_SqlBrowseDepth depth) {
    if (depth < KelSQL_BrowseInstances) {
        lastError_.setNumber(kelsql::kErrBrowseDepth);
        lastError_.addArgument("KelSQLAppTypeBrowse::setBrowseDepth(depth)");
        return false;
    }
    KelSQLBrowseDepth::setBrowseDepth(depth);
    return true;
}

std::vector<KelSQLServerBrowse>* KelSQLAppTypeBrowse::getServerList(SIM_TimeZoneInfo_t* timeZone,
                                                                    unsigned long tesselId, unsigned long clientId,
                                                                    unsigned long browseTime) {
    if (!serverList_.empty()) return &serverList_;
    if (browseDepth() < KelSQL_BrowseDatabases) KelSQLBrowseDepth::setBrowseDepth(KelSQL_BrowseDatabases);
    return browse(timeZone, tesselId, clientId, browseTime);
}

std::vector<KelSQLServerBrowse>* KelSQLAppTypeBrowse::browse(SIM_TimeZoneInfo_t* timeZone, unsigned long tesselId,
                                                             unsigned long clientId, unsigned long browseTime) {
    static const char* const kSignature = "KelSQLAppTypeBrowse::browse(tesselId, clientId, browseTime)";
    const unsigned long tessel = tesselId != 0 ? tesselId : tesselId_;
    const unsigned long client = clientId != 0 ? clientId : clientId_;
    if (!idNotSet(lastError_, tessel, "tesselId", kSignature) || !idNotSet(lastError_, client, "clientId", kSignature))
        return nullptr;
    initialize(tessel, client, browseTime);

    // Every instance is browsed at the instance browse's own depth.
    KelSQLServerBrowse working;
    working.sqlAppType() = sqlAppType_;
    if (sqlBrowse_) working.sqlBrowseOn();

    KelClient clientRecord(tessel, client);
    if (clientRecord.lookup(nullptr) != 0 || clientRecord.getName(clientName_, nullptr) != 0) {
        lastError_.setNumber(kelsql::kErrClientNotFound);
        return nullptr;
    }

    ClientApplicationList applications;
    ApplicationTypeNameFromId typeNames;
    std::vector<unsigned long> ids;
    std::vector<std::string> names;
    bool found = false;
    if (applications.getInstanceList(client, KelSQL_AppTypeSql7, ids, names, nullptr, 1) == 0 && !ids.empty()) {
        if (int rc = typeNames.getApplicationTypeName(KelSQL_AppTypeSql7, appTypeName_, nullptr)) {
            lastError_.setNumber(static_cast<uint64_t>(rc));
            return nullptr;
        }
        if (!browseInstances(working, timeZone, ids)) return nullptr;
        found = true;
    }
    ids.clear();
    names.clear();
    if (applications.getInstanceList(client, KelSQL_AppTypeSql2000, ids, names, nullptr, 1) == 0 && !ids.empty()) {
        if (found) appTypeName_ += " and ";
        std::string name;
        typeNames.getApplicationTypeName(KelSQL_AppTypeSql2000, name, nullptr);
        appTypeName_ += name;
        if (!browseInstances(working, timeZone, ids)) return nullptr;
        found = true;
    }
    if (!found) {
        lastError_.setNumber(kelsql::kErrClientApplications);
        return nullptr;
    }
    return &serverList_;
}

bool KelSQLAppTypeBrowse::browseInstances(KelSQLServerBrowse& working, SIM_TimeZoneInfo_t* timeZone,
                                          const std::vector<unsigned long>& ids) {
    for (unsigned long id : ids) {
        if (!working.browse(timeZone, id, browseTime_.time())) {
            lastError_ = working.lastError();
            return false;
        }
        if (working.backupDataExist() || sqlBrowse_) {
            serverList_.push_back(working);
            if (working.backupDataExist()) backupDataExist_ = true;
        }
    }
    return true;
}
