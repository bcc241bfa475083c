#include "platform/appmgr/KelSimDb.h"

#include <sqlite3.h>

#include "platform/appmgr/KelClient.h"

using namespace kel::appmgr;

namespace {

// Adds the (client, type) registration when missing; with overwrite, also
// replaces the os id and release of an existing one.
int registerApplication(sqlite3* db, unsigned long clientId, unsigned long appType, unsigned long osId,
                        const std::string& release, bool overwrite, KelLastError& error, const char* signature) {
    AppStatement statement(db, overwrite ? "INSERT INTO APP_SimClientApp (clientId, appTypeId, osId, release) "
                                           "VALUES (?, ?, ?, ?) ON CONFLICT (clientId, appTypeId) DO UPDATE "
                                           "SET osId = excluded.osId, release = excluded.release"
                                         : "INSERT INTO APP_SimClientApp (clientId, appTypeId, osId, release) "
                                           "VALUES (?, ?, ?, ?) ON CONFLICT (clientId, appTypeId) DO NOTHING");
    statement.bind(static_cast<long long>(clientId)).bind(static_cast<long long>(appType));
    statement.bind(static_cast<long long>(osId)).bind(release);
    if (statement.step() != 100) return appFail(error, kAppErrInstallDb, signature, statement.errorText());
    return 0;
}

}  // namespace

bool KelSimDb::isFileSystemAlreadyInstalled(unsigned long clientId, bool& installed, DBtran* tran) {
    int rc = appLoadById(connection_, tran, error_, "KelSimDb::isFileSystemAlreadyInstalled()",
                         "SELECT fileSystemInstalled FROM APP_Client WHERE id = ?", clientId, kAppErrClient,
                         [&installed](const AppStatement& row) { installed = row.integer(0) != 0; });
    return rc == 0;
}

bool KelSimDb::loadSimCSUpgradeDbFromAppType(unsigned long newAppType, unsigned long oldAppType,
                                             const std::string& clientName, int, int, DBtran* tran) {
    static const char* const kSignature = "KelSimDb::loadSimCSUpgradeDbFromAppType()";
    error_.clear();
    sqlite3* db = connection_.db(tran, error_, kSignature);
    if (!db) return false;
    // The name is unique within a Tessel; without one given, the first
    // client of that name is the one upgraded.
    AppStatement client(db, "SELECT id FROM APP_Client WHERE name = ? ORDER BY id");
    int rc = client.bind(clientName).step();
    if (rc != 0) {
        appFail(error_, rc == 100 ? kAppErrClient : kAppErrDatabase, kSignature, clientName);
        return false;
    }
    const long long clientId = client.integer(0);
    AppSavepoint savepoint(db);
    // The new type's registration gives way only to an old one that takes its
    // place: a repeated upgrade, or one to the same type, keeps it.
    AppStatement drop(db,
                      "DELETE FROM APP_SimClientApp WHERE clientId = ?1 AND appTypeId = ?2 AND ?2 <> ?3 "
                      "AND EXISTS (SELECT 1 FROM APP_SimClientApp WHERE clientId = ?1 AND appTypeId = ?3)");
    AppStatement move(db, "UPDATE APP_SimClientApp SET appTypeId = ? WHERE clientId = ? AND appTypeId = ?");
    drop.bind(clientId).bind(static_cast<long long>(newAppType)).bind(static_cast<long long>(oldAppType));
    move.bind(static_cast<long long>(newAppType)).bind(clientId).bind(static_cast<long long>(oldAppType));
    if (!savepoint.started() || drop.step() != 100 || move.step() != 100 || savepoint.release() != SQLITE_OK) {
        appFail(error_, kAppErrInstallDb, kSignature, sqlite3_errmsg(db));
        return false;
    }
    return true;
}

bool KelSimDb::updateSimClientApplication(unsigned long clientId, unsigned long osId, const std::string& release,
                                          int, unsigned long appType, int, int, DBtran* tran) {
    static const char* const kSignature = "KelSimDb::updateSimClientApplication()";
    KelClient client(clientId);
    if (client.lookup(tran) != 0) {
        error_ = client.getLastError();
        return false;
    }
    error_.clear();
    sqlite3* db = connection_.db(tran, error_, kSignature);
    if (!db) return false;
    return registerApplication(db, clientId, appType, osId, release, true, error_, kSignature) == 0;
}

bool KelSimDb::getClientApplication(unsigned long clientId, unsigned long appType, std::string& release, DBtran* tran) {
    static const char* const kSignature = "KelSimDb::getClientApplication()";
    error_.clear();
    sqlite3* db = connection_.db(tran, error_, kSignature);
    if (!db) return false;
    AppStatement statement(db, "SELECT release FROM APP_SimClientApp WHERE clientId = ? AND appTypeId = ?");
    int rc = statement.bind(static_cast<long long>(clientId)).bind(static_cast<long long>(appType)).step();
    if (rc == 0) release = statement.text(0);
    else if (rc == 100) appFail(error_, kAppErrAppType, kSignature, std::to_string(appType));
    else appDbFail(error_, kSignature, statement);
    return rc == 0;
}

int PopulateActivity::populateClientApptype(KelEvent&, unsigned long clientId, unsigned long appType) {
    static const char* const kSignature = "PopulateActivity::populateClientApptype()";
    KelClient client(clientId);
    if (int rc = client.lookup(tran_)) {
        error_ = client.getLastError();
        return rc;
    }
    error_.clear();
    sqlite3* db = connection_.db(tran_, error_, kSignature);
    if (!db) return static_cast<int>(error_.number());
    return registerApplication(db, clientId, appType, 0, std::string(), false, error_, kSignature);
}

int KelApplicationType::lookup(DBtran* tran) {
    static const char* const kSignature = "KelApplicationType::lookup()";
    found_ = false;
    error_.clear();
    sqlite3* db = connection_.db(tran, error_, kSignature);
    if (!db) return static_cast<int>(error_.number());
    AppStatement statement(db, "SELECT count(*), min(deleted) FROM APP_InstanceName WHERE clientId = ? AND appTypeId = ?");
    int rc = statement.bind(static_cast<long long>(clientId_)).bind(static_cast<long long>(appType_)).step();
    if (rc != 0) return appDbFail(error_, kSignature, statement);
    if (statement.integer(0) == 0) return appFail(error_, kAppErrAppType, kSignature, std::to_string(appType_));
    deleted_ = statement.integer(1) != 0;
    found_ = true;
    return 0;
}

int KelApplicationType::isMarkedDeleted(bool& deleted, DBtran*) {
    if (!found_) return 100;
    deleted = deleted_;
    return 0;
}

int KelApplicationType::setMarkedDeleted(bool deleted) {
    if (!found_) return appFail(error_, kAppErrAppType, "KelApplicationType::setMarkedDeleted()", std::to_string(appType_));
    deleted_ = deleted;
    return 0;
}

int KelApplicationType::update(DBtran* tran) {
    static const char* const kSignature = "KelApplicationType::update()";
    if (!found_) return appFail(error_, kAppErrAppType, kSignature, std::to_string(appType_));
    error_.clear();
    sqlite3* db = connection_.db(tran, error_, kSignature);
    if (!db) return static_cast<int>(error_.number());
    AppStatement statement(db, "UPDATE APP_InstanceName SET deleted = ? WHERE clientId = ? AND appTypeId = ?");
    statement.bind(deleted_ ? 1LL : 0LL).bind(static_cast<long long>(clientId_)).bind(static_cast<long long>(appType_));
    if (statement.step() != 100) return appDbFail(error_, kSignature, statement);
    return 0;
}
