// The SQL Server 7 and SQL Server 2000 instances of one client, as the
// catalogue held them at a point in time: the top of the browse tree. Each
// instance the application manager lists is browsed in turn and kept when it
// had backup data then (or always, in browse-all mode). Runs on the Ostrel.
// A plain value: no message, no context; copies carry the whole tree.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "KelSQL/KelSQLAppType.h"
#include "KelSQL/KelSQLDateAndTime.h"
#include "KelSQL/KelSQLServerBrowse.h"
#include "KelSQL/KelSQLValues.h"
#include "platform/events/KelLastError.h"

class KelSQLAppTypeBrowse : public KelSQLBrowseDepth {
public:
    KelSQLAppTypeBrowse();
    KelSQLAppTypeBrowse(unsigned long tesselId, unsigned long clientId, unsigned long browseTime);
    KelSQLAppTypeBrowse(const KelSQLAppTypeBrowse& other);
    KelSQLAppTypeBrowse& operator=(const KelSQLAppTypeBrowse& other);
    ~KelSQLAppTypeBrowse();

    // Both ids or neither (and time 0) are stored.
    void initialize(unsigned long tesselId, unsigned long clientId, unsigned long browseTime);
    void copyIn(const KelSQLAppTypeBrowse& other);
    // Below 1 gives 0x1E00006C and false.
    bool setBrowseDepth(KelSQL_SqlBrowseDepth depth);

    // Ids 0 take the object's own; time 0 is now. SQL Server 7 instances come
    // first; instances of SQL Server 2005 are not listed. Null with lastError
    // on failure, 0x1E000004 when the client has no instance of either type.
    std::vector<KelSQLServerBrowse>* browse(SIM_TimeZoneInfo_t* timeZone, unsigned long tesselId,
                                            unsigned long clientId, unsigned long browseTime);
    // The list as it is when it holds instances, else a browse.
    std::vector<KelSQLServerBrowse>* getServerList(SIM_TimeZoneInfo_t* timeZone, unsigned long tesselId,
                                                   unsigned long clientId, unsigned long browseTime);

    unsigned long tesselId() const { return tesselId_; }
    unsigned long clientId() const { return clientId_; }
    const std::string& clientName() const { return clientName_; }
    // The names of the types instances were found under, joined by " and ".
    const std::string& appTypeName() const { return appTypeName_; }
    unsigned long browseTime() const { return browseTime_.time(); }
    std::vector<KelSQLServerBrowse>& serverList() { return serverList_; }
    bool backupDataExist() const { return backupDataExist_; }
    bool sqlBrowse() const { return sqlBrowse_; }
    void sqlBrowseOn() { sqlBrowse_ = true; }
    void sqlBrowseOff() { sqlBrowse_ = false; }
    long long sqlCode() const { return sqlCode_; }
    KelSQLAppType& sqlAppType() { return sqlAppType_; }
    const KelSQLAppType& getSqlAppType() const { return sqlAppType_; }
    const KelLastError& lastError() const { return lastError_; }
    KelLastError& getLastError() { return lastError_; }

private:
    // Browses every instance of the ids into the list; false with lastError.
    bool browseInstances(KelSQLServerBrowse& working, SIM_TimeZoneInfo_t* timeZone,
                         const std::vector<unsigned long>& ids);

    bool backupDataExist_ = false;
    bool sqlBrowse_ = false;
    uint64_t clientId_ = 0;
    uint64_t tesselId_ = 0;
    std::string clientName_;
    std::string appTypeName_;
    long long sqlCode_ = 0;
    KelSQLDateAndTime browseTime_;
    std::vector<KelSQLServerBrowse> serverList_;
    KelLastError lastError_;
    KelSQLAppType sqlAppType_;
};
