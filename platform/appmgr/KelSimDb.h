// The platform's installation database: which application types are
// registered on a client, with the release installed (APP_SimClientApp),
// and whether the client's file system agent is installed. Operations return
// true on success and leave the reason of a failure in getLastError().
#pragma once

#include <string>

#include "platform/appmgr/AppStore.h"
#include "platform/events/KelEvent.h"
#include "platform/events/KelLastError.h"

class DBtran;

class KelSimDb {
public:
    // installed tells whether the client has its file system agent; an
    // unknown client fails and leaves installed as it was.
    bool isFileSystemAlreadyInstalled(unsigned long clientId, bool& installed, DBtran* tran = nullptr);
    // Moves the registration of the named client from one application type
    // to another (an instance upgraded in place).
    bool loadSimCSUpgradeDbFromAppType(unsigned long newAppType, unsigned long oldAppType,
                                       const std::string& clientName, int, int, DBtran* tran = nullptr);
    // Registers (or updates) the application type on the client with the
    // release installed.
    bool updateSimClientApplication(unsigned long clientId, unsigned long osId, const std::string& release, int,
                                    unsigned long appType, int, int, DBtran* tran = nullptr);
    // The release registered for the type; false when it is not registered.
    bool getClientApplication(unsigned long clientId, unsigned long appType, std::string& release,
                              DBtran* tran = nullptr);
    const KelLastError& getLastError() const { return error_; }

private:
    kel::appmgr::AppConnection connection_;
    KelLastError error_;
};

// Registers a client's application type for the platform's activity
// control; an application type already registered is left as it is.
class PopulateActivity {
public:
    explicit PopulateActivity(DBtran* tran = nullptr) : tran_(tran) {}
    int populateClientApptype(KelEvent& event, unsigned long clientId, unsigned long appType);
    const KelLastError& getLastError() const { return error_; }

private:
    DBtran* tran_;
    kel::appmgr::AppConnection connection_;
    KelLastError error_;
};

// Whether the instances of one application type on a client are marked
// deleted. isMarkedDeleted answers 100 until lookup() has run.
class KelApplicationType {
public:
    KelApplicationType(unsigned long clientId, unsigned long appType) : clientId_(clientId), appType_(appType) {}

    // kAppErrAppType when the client has no instance of the type.
    int lookup(DBtran* tran = nullptr);
    // Marked deleted: every instance of the type on the client is.
    int isMarkedDeleted(bool& deleted, DBtran* tran = nullptr);
    // Changes the object only; update() writes it to every such instance.
    int setMarkedDeleted(bool deleted);
    int update(DBtran* tran = nullptr);
    const KelLastError& getLastError() const { return error_; }

private:
    unsigned long clientId_;
    unsigned long appType_;
    bool found_ = false;
    bool deleted_ = false;
    kel::appmgr::AppConnection connection_;
    KelLastError error_;
};
