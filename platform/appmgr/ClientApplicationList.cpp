#include "platform/appmgr/ClientApplicationList.h"

#include <sqlite3.h>

using namespace kel::appmgr;

namespace {

// Collects the (id, text) rows of a bound statement. 0 or SQLite's code.
int collect(AppStatement& statement, std::vector<unsigned long>& ids, std::vector<std::string>* texts) {
    int rc;
    while ((rc = statement.step()) == 0) {
        ids.push_back(appToId(statement.integer(0)));
        if (texts) texts->push_back(statement.text(1));
    }
    return rc == 100 ? 0 : rc;
}

}  // namespace

int ClientApplicationList::checkClient(sqlite3* db, unsigned long tesselId, unsigned long clientId,
                                       const char* signature) {
    AppStatement statement(db, tesselId ? "SELECT id FROM APP_Client WHERE id = ? AND tesselId = ?"
                                        : "SELECT id FROM APP_Client WHERE id = ?");
    statement.bind(static_cast<long long>(clientId));
    if (tesselId) statement.bind(static_cast<long long>(tesselId));
    int rc = appValidId(clientId) ? statement.step() : 100;
    if (rc == 100) return appFail(error_, kAppErrClient, signature, std::to_string(clientId));
    if (rc != 0) return appDbFail(error_, signature, statement);
    return 0;
}

int ClientApplicationList::getApplications(std::vector<std::string>& list, unsigned long tesselId,
                                           unsigned long clientId, unsigned long appType, unsigned long instanceId,
                                           unsigned long backupSetId, DBtran* tran, bool) {
    static const char* const kSignature = "ClientApplicationList::getApplications()";
    error_.clear();
    list.clear();
    sqlite3* db = connection_.db(tran, error_, kSignature);
    if (!db) return static_cast<int>(error_.number());
    if (int rc = checkClient(db, tesselId, clientId, kSignature)) return rc;
    AppStatement statement(db,
                           "SELECT id FROM APP_Application WHERE tesselId = ? AND clientid = ? AND appTypeId = ? "
                           "AND (? = 0 OR instance = ?) AND (? = 0 OR backupSet = ?) ORDER BY id");
    statement.bind(static_cast<long long>(tesselId)).bind(static_cast<long long>(clientId));
    statement.bind(static_cast<long long>(appType));
    statement.bind(static_cast<long long>(instanceId)).bind(static_cast<long long>(instanceId));
    statement.bind(static_cast<long long>(backupSetId)).bind(static_cast<long long>(backupSetId));
    std::vector<unsigned long> ids;
    if (collect(statement, ids, nullptr) != 0) return appDbFail(error_, kSignature, statement);
    for (unsigned long id : ids) list.push_back(std::to_string(id));
    return 0;
}

int ClientApplicationList::getInstanceList(unsigned long clientId, unsigned long appType,
                                           std::vector<unsigned long>& ids, std::vector<std::string>& names,
                                           DBtran* tran, int) {
    static const char* const kSignature = "ClientApplicationList::getInstanceList()";
    error_.clear();
    ids.clear();
    names.clear();
    sqlite3* db = connection_.db(tran, error_, kSignature);
    if (!db) return static_cast<int>(error_.number());
    if (int rc = checkClient(db, 0, clientId, kSignature)) return rc;
    AppStatement statement(db, "SELECT id, name FROM APP_InstanceName WHERE clientId = ? AND appTypeId = ? ORDER BY id");
    statement.bind(static_cast<long long>(clientId)).bind(static_cast<long long>(appType));
    if (collect(statement, ids, &names) != 0) return appDbFail(error_, kSignature, statement);
    return 0;
}

int ClientApplicationList::getSubclientList(std::vector<unsigned long>& ids, std::vector<std::string>& names,
                                            unsigned long appType, unsigned long backupSetId, DBtran* tran, int) {
    static const char* const kSignature = "ClientApplicationList::getSubclientList()";
    error_.clear();
    ids.clear();
    names.clear();
    sqlite3* db = connection_.db(tran, error_, kSignature);
    if (!db) return static_cast<int>(error_.number());
    AppStatement statement(db,
                           "SELECT id, subclientName FROM APP_Application WHERE appTypeId = ? AND backupSet = ? ORDER BY id");
    statement.bind(static_cast<long long>(appType)).bind(static_cast<long long>(backupSetId));
    if (collect(statement, ids, &names) != 0) return appDbFail(error_, kSignature, statement);
    return 0;
}

bool ClientApplicationList::isAppTypeInstalled(unsigned long clientId, unsigned long appType, DBtran* tran) {
    static const char* const kSignature = "ClientApplicationList::isAppTypeInstalled()";
    error_.clear();
    sqlite3* db = connection_.db(tran, error_, kSignature);
    if (!db) return false;
    AppStatement statement(db, "SELECT id FROM APP_InstanceName WHERE clientId = ? AND appTypeId = ? AND deleted = 0");
    statement.bind(static_cast<long long>(clientId)).bind(static_cast<long long>(appType));
    int rc = statement.step();
    if (rc != 0 && rc != 100) appDbFail(error_, kSignature, statement);
    return rc == 0;
}

int RemoveAppIdHelper(std::vector<std::string>& removed, unsigned long& count, unsigned long clientId,
                      unsigned long appType, unsigned long instanceId, unsigned long backupSetId, DBtran* tran) {
    static const char* const kSignature = "RemoveAppIdHelper()";
    KelLastError error;
    AppConnection connection;
    sqlite3* db = connection.db(tran, error, kSignature);
    if (!db) return static_cast<int>(error.number());
    AppSavepoint savepoint(db);
    if (!savepoint.started()) return kAppErrDatabase;

    std::vector<unsigned long> ids;
    AppStatement select(db,
                        "SELECT id FROM APP_Application WHERE clientid = ? AND appTypeId = ? AND instance = ? "
                        "AND (? = 0 OR backupSet = ?) ORDER BY id");
    select.bind(static_cast<long long>(clientId)).bind(static_cast<long long>(appType));
    select.bind(static_cast<long long>(instanceId));
    select.bind(static_cast<long long>(backupSetId)).bind(static_cast<long long>(backupSetId));
    if (collect(select, ids, nullptr) != 0) return kAppErrDatabase;
    for (unsigned long id : ids) {
        AppStatement properties(db, "DELETE FROM APP_SubclientProp WHERE subclientId = ?");
        AppStatement remove(db, "DELETE FROM APP_Application WHERE id = ?");
        if (properties.bind(static_cast<long long>(id)).step() != 100) return kAppErrDatabase;
        if (remove.bind(static_cast<long long>(id)).step() != 100) return kAppErrDatabase;
    }
    AppStatement mark(db,
                      "UPDATE APP_InstanceName SET deleted = 1 WHERE id = ? AND appTypeId = ? AND clientId = ? "
                      "AND NOT EXISTS (SELECT 1 FROM APP_Application WHERE instance = ?)");
    mark.bind(static_cast<long long>(instanceId)).bind(static_cast<long long>(appType));
    mark.bind(static_cast<long long>(clientId)).bind(static_cast<long long>(instanceId));
    if (mark.step() != 100) return kAppErrDatabase;
    if (savepoint.release() != SQLITE_OK) return kAppErrDatabase;
    for (unsigned long id : ids) removed.push_back(std::to_string(id));
    count += ids.size();
    return 0;
}

int InstanceByName::getInstanceId(unsigned long clientId, unsigned long appType, const std::string& instanceName,
                                  unsigned long* instanceId, DBtran* tran) {
    static const char* const kSignature = "InstanceByName::getInstanceId()";
    error_.clear();
    if (!instanceId) {
        appFail(error_, kAppErrArgument, kSignature, "instanceId");
        return 0;
    }
    sqlite3* db = connection_.db(tran, error_, kSignature);
    if (!db) return 0;
    AppStatement statement(db,
                           "SELECT id FROM APP_InstanceName WHERE clientId = ? AND appTypeId = ? AND name = ? ORDER BY id");
    statement.bind(static_cast<long long>(clientId)).bind(static_cast<long long>(appType)).bind(instanceName);
    int rc = statement.step();
    if (rc == 100) {
        appFail(error_, kAppErrInstance, kSignature, instanceName);
        return 0;
    }
    if (rc != 0) {
        appDbFail(error_, kSignature, statement);
        return 0;
    }
    *instanceId = appToId(statement.integer(0));
    return 1;
}

int ClientFromInstanceId::getClientId(unsigned long instanceId, unsigned long& clientId, DBtran* tran) {
    return appLoadById(connection_, tran, error_, "ClientFromInstanceId::getClientId()",
                       "SELECT clientId FROM APP_InstanceName WHERE id = ?", instanceId, kAppErrInstance,
                       [&clientId](const AppStatement& row) { clientId = appToId(row.integer(0)); });
}

int ApplicationTypeNameFromId::getApplicationTypeName(unsigned long appType, std::string& name, DBtran*) {
    struct TypeName {
        unsigned long type;
        const char* name;
    };
    static const TypeName kNames[] = {{4, "SQL Server 7"}, {16, "SQL Server 2000"}, {70, "SQL Server 2005"}};
    error_.clear();
    for (const TypeName& entry : kNames) {
        if (entry.type == appType) {
            name = entry.name;
            return 0;
        }
    }
    return appFail(error_, kAppErrAppType, "ApplicationTypeNameFromId::getApplicationTypeName()", std::to_string(appType));
}

int MsSqlInstance::lookup(DBtran* tran) {
    return appLoadById(connection_, tran, error_, "MsSqlInstance::lookup()",
                       "SELECT enableDiscovery, useSnapshotWriter, discoveredDataSP, discoveredLogSP "
                       "FROM APP_InstanceName WHERE id = ?",
                       id_, kAppErrInstance, [this](const AppStatement& row) {
                           discovery_ = row.integer(0) != 0;
                           snapshotWriter_ = row.integer(1) != 0;
                           dataSP_ = appToId(row.integer(2));
                           logSP_ = appToId(row.integer(3));
                       });
}

int MsSqlInstance::isEnableDiscovery(bool& enabled, DBtran* tran) {
    if (int rc = lookup(tran)) return rc;
    enabled = discovery_;
    return 0;
}

int MsSqlInstance::isUseSnapshotWriter(bool& use, DBtran* tran) {
    if (int rc = lookup(tran)) return rc;
    use = snapshotWriter_;
    return 0;
}

int MsSqlInstance::getDefaultSPForDiscoveredDB(unsigned long& policy, DBtran* tran) {
    if (int rc = lookup(tran)) return rc;
    if (dataSP_) policy = dataSP_;
    return 0;
}

int MsSqlInstance::getDefaultLogSPForDiscoveredDB(unsigned long& policy, DBtran* tran) {
    if (int rc = lookup(tran)) return rc;
    if (logSP_) policy = logSP_;
    return 0;
}
