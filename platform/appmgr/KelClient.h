// Tessels and clients of the platform, read from APP_Tessel and APP_Client.
// Every operation returns 0 on success or an error number, which also stays
// in getLastError() with the operation's name. Getters look the row up
// themselves when lookup() has not run yet.
#pragma once

#include <string>

#include "platform/appmgr/AppStore.h"
#include "platform/events/KelLastError.h"

class DBtran;

class KelTessel : public kel::appmgr::AppNamedRow<KelTessel> {
public:
    explicit KelTessel(unsigned long tesselId) : AppNamedRow(tesselId) {}

    int lookup(DBtran* tran = nullptr);
    // The Tessel's number; Tessels are numbered by their id on this platform.
    int getTesselNumber(unsigned long& number, DBtran* tran = nullptr) { return read(id_, number, tran); }
};

class KelClient {
public:
    // By name within a Tessel (names compare without regard to case and
    // trailing blanks); the last two arguments are kept for the callers' form.
    KelClient(unsigned long tesselId, const std::string& clientName, bool = false, int = 0);
    // By id within a Tessel: a client of another Tessel is not found.
    KelClient(unsigned long tesselId, unsigned long clientId);
    // By id alone, whatever its Tessel.
    explicit KelClient(unsigned long clientId);

    int lookup(DBtran* tran = nullptr);
    int getClientId(unsigned long& clientId, DBtran* tran = nullptr);
    int getName(std::string& name, DBtran* tran = nullptr);
    int getTesselId(unsigned long& tesselId, DBtran* tran = nullptr);
    // Fails with its own number when the client has no host name.
    int getNetworkHostname(std::string& host, DBtran* tran = nullptr);
    int getOperatingSystemId(unsigned long& osId, DBtran* tran = nullptr);
    const KelLastError& getLastError() const { return error_; }

private:
    int ensure(DBtran* tran);

    enum class By { Name, TesselAndId, Id } by_;
    unsigned long tesselId_ = 0;
    unsigned long id_ = 0;
    std::string name_;
    std::string host_;
    unsigned long osId_ = 0;
    bool found_ = false;
    kel::appmgr::AppConnection connection_;
    KelLastError error_;
};
