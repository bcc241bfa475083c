#include "platform/appmgr/KelClient.h"

using namespace kel::appmgr;

int KelTessel::lookup(DBtran* tran) {
    return load(tran, "KelTessel::lookup()", "SELECT name FROM APP_Tessel WHERE id = ?", kAppErrTessel,
                [this](const AppStatement& row) { name_ = row.text(0); });
}

KelClient::KelClient(unsigned long tesselId, const std::string& clientName, bool, int)
    : by_(By::Name), tesselId_(tesselId), name_(clientName) {}

KelClient::KelClient(unsigned long tesselId, unsigned long clientId)
    : by_(By::TesselAndId), tesselId_(tesselId), id_(clientId) {}

KelClient::KelClient(unsigned long clientId) : by_(By::Id), id_(clientId) {}

int KelClient::lookup(DBtran* tran) {
    static const char* const kSignature = "KelClient::lookup()";
    found_ = false;
    error_.clear();
    const std::string what = by_ == By::Name ? name_ : std::to_string(id_);
    if (by_ == By::Name ? name_.empty() : !appValidId(id_)) return appFail(error_, kAppErrClient, kSignature, what);
    sqlite3* db = connection_.db(tran, error_, kSignature);
    if (!db) return static_cast<int>(error_.number());

    const char* sql = by_ == By::Name ? "SELECT id, tesselId, name, net_hostname, osId FROM APP_Client "
                                        "WHERE tesselId = ? AND name = ? ORDER BY id"
                      : by_ == By::TesselAndId ? "SELECT id, tesselId, name, net_hostname, osId FROM APP_Client "
                                                 "WHERE tesselId = ? AND id = ?"
                                               : "SELECT id, tesselId, name, net_hostname, osId FROM APP_Client "
                                                 "WHERE id = ?";
    AppStatement statement(db, sql);
    if (by_ != By::Id) statement.bind(static_cast<long long>(tesselId_));
    if (by_ == By::Name) statement.bind(name_);
    else statement.bind(static_cast<long long>(id_));
    int rc = statement.step();
    if (rc == 100) return appFail(error_, kAppErrClient, kSignature, what);
    if (rc != 0) return appDbFail(error_, kSignature, statement);
    id_ = static_cast<unsigned long>(statement.integer(0));
    tesselId_ = static_cast<unsigned long>(statement.integer(1));
    name_ = statement.text(2);
    host_ = statement.text(3);
    osId_ = static_cast<unsigned long>(statement.integer(4));
    found_ = true;
    return 0;
}

int KelClient::ensure(DBtran* tran) { return found_ ? 0 : lookup(tran); }

int KelClient::getClientId(unsigned long& clientId, DBtran* tran) {
    if (int rc = ensure(tran)) return rc;
    clientId = id_;
    return 0;
}

int KelClient::getName(std::string& name, DBtran* tran) {
    if (int rc = ensure(tran)) return rc;
    name = name_;
    return 0;
}

int KelClient::getTesselId(unsigned long& tesselId, DBtran* tran) {
    if (int rc = ensure(tran)) return rc;
    tesselId = tesselId_;
    return 0;
}

int KelClient::getNetworkHostname(std::string& host, DBtran* tran) {
    static const char* const kSignature = "KelClient::getNetworkHostname()";
    if (int rc = ensure(tran)) return rc;
    if (host_.empty()) return appFail(error_, kAppErrNoHost, kSignature, name_);
    host = host_;
    return 0;
}

int KelClient::getOperatingSystemId(unsigned long& osId, DBtran* tran) {
    if (int rc = ensure(tran)) return rc;
    osId = osId_;
    return 0;
}
