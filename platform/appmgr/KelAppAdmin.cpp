#include "platform/appmgr/KelAppAdmin.h"

#include <sqlite3.h>

#include "platform/appmgr/ApplicationId.h"
#include "platform/appmgr/ClientApplicationList.h"
#include "platform/appmgr/KelClient.h"

namespace kel::appmgr {

sqlite3* Admin::db(const char* signature) {
    error_.clear();
    return connection_.db(tran_, error_, signature);
}

int Admin::change(AppStatement& statement, int notFound, unsigned long id, const char* signature) {
    if (statement.step() != 100) return appDbFail(error_, signature, statement);
    if (notFound && sqlite3_changes(connection_.db(tran_, error_, signature)) == 0)
        return appFail(error_, notFound, signature, std::to_string(id));
    return 0;
}

int Admin::createTessel(const std::string& name, unsigned long& tesselId) {
    static const char* const kSignature = "Admin::createTessel()";
    sqlite3* handle = db(kSignature);
    if (!handle) return static_cast<int>(error_.number());
    if (name.empty()) return appFail(error_, kAppErrArgument, kSignature, "name");
    AppStatement insert(handle, "INSERT INTO APP_Tessel (name) VALUES (?)");
    if (int rc = change(insert.bind(name), 0, 0, kSignature)) return rc;
    tesselId = appToId(sqlite3_last_insert_rowid(handle));
    return 0;
}

int Admin::createClient(unsigned long tesselId, const std::string& name, const std::string& hostName,
                        unsigned long& clientId, unsigned long osId) {
    static const char* const kSignature = "Admin::createClient()";
    sqlite3* handle = db(kSignature);
    if (!handle) return static_cast<int>(error_.number());
    if (name.empty()) return appFail(error_, kAppErrArgument, kSignature, "name");
    KelTessel tessel(tesselId);
    if (int rc = tessel.lookup(tran_)) {
        error_ = tessel.getLastError();
        return rc;
    }
    unsigned long existing = 0;
    if (KelClient(tesselId, name).getClientId(existing, tran_) == 0)
        return appFail(error_, kAppErrExists, kSignature, name);
    AppStatement insert(handle, "INSERT INTO APP_Client (tesselId, name, net_hostname, osId) VALUES (?, ?, ?, ?)");
    insert.bind(static_cast<long long>(tesselId)).bind(name);
    if (hostName.empty()) insert.bindNull();
    else insert.bind(hostName);
    if (int rc = change(insert.bind(static_cast<long long>(osId)), 0, 0, kSignature)) return rc;
    clientId = appToId(sqlite3_last_insert_rowid(handle));
    return 0;
}

int Admin::setNetworkHostname(unsigned long clientId, const std::string& hostName) {
    static const char* const kSignature = "Admin::setNetworkHostname()";
    sqlite3* handle = db(kSignature);
    if (!handle) return static_cast<int>(error_.number());
    AppStatement update(handle, "UPDATE APP_Client SET net_hostname = ? WHERE id = ?");
    if (hostName.empty()) update.bindNull();
    else update.bind(hostName);
    return change(update.bind(static_cast<long long>(clientId)), kAppErrClient, clientId, kSignature);
}

int Admin::createInstance(unsigned long clientId, unsigned long appType, const std::string& name,
                          unsigned long& instanceId) {
    static const char* const kSignature = "Admin::createInstance()";
    sqlite3* handle = db(kSignature);
    if (!handle) return static_cast<int>(error_.number());
    if (name.empty() || !appValidId(appType)) return appFail(error_, kAppErrArgument, kSignature, name);
    KelClient client(clientId);
    unsigned long tesselId = 0;
    if (int rc = client.getTesselId(tesselId, tran_)) {
        error_ = client.getLastError();
        return rc;
    }
    unsigned long existing = 0;
    if (InstanceByName().getInstanceId(clientId, appType, name, &existing, tran_) == 1)
        return appFail(error_, kAppErrExists, kSignature, name);
    AppStatement insert(handle, "INSERT INTO APP_InstanceName (tesselId, clientId, name, appTypeId) VALUES (?, ?, ?, ?)");
    insert.bind(static_cast<long long>(tesselId)).bind(static_cast<long long>(clientId)).bind(name);
    if (int rc = change(insert.bind(static_cast<long long>(appType)), 0, 0, kSignature)) return rc;
    instanceId = appToId(sqlite3_last_insert_rowid(handle));
    return 0;
}

int Admin::createApplication(unsigned long clientId, unsigned long appType, const std::string& instanceName,
                             const std::string& backupSetName, const std::string& subclientName,
                             unsigned long& appId) {
    error_.clear();
    KelClient client(clientId);
    unsigned long tesselId = 0;
    if (int rc = client.getTesselId(tesselId, tran_)) {
        error_ = client.getLastError();
        return rc;
    }
    ApplicationId application(tesselId, clientId, appType, instanceName, backupSetName, subclientName);
    int rc = application.createApplicationId(tran_);
    if (rc != 0 && rc != kAppIdExists) {
        error_ = application.getLastError();
        return rc;
    }
    if (int read = application.getAppId(appId, tran_)) {
        error_ = application.getLastError();
        return read;
    }
    if (rc) error_ = application.getLastError();
    return rc;
}

int Admin::setFileSystemInstalled(unsigned long clientId, bool installed) {
    static const char* const kSignature = "Admin::setFileSystemInstalled()";
    sqlite3* handle = db(kSignature);
    if (!handle) return static_cast<int>(error_.number());
    AppStatement update(handle, "UPDATE APP_Client SET fileSystemInstalled = ? WHERE id = ?");
    update.bind(installed ? 1LL : 0LL).bind(static_cast<long long>(clientId));
    return change(update, kAppErrClient, clientId, kSignature);
}

int Admin::setInstanceDeleted(unsigned long instanceId, bool deleted) {
    static const char* const kSignature = "Admin::setInstanceDeleted()";
    sqlite3* handle = db(kSignature);
    if (!handle) return static_cast<int>(error_.number());
    AppStatement update(handle, "UPDATE APP_InstanceName SET deleted = ? WHERE id = ?");
    update.bind(deleted ? 1LL : 0LL).bind(static_cast<long long>(instanceId));
    return change(update, kAppErrInstance, instanceId, kSignature);
}

int Admin::setDiscovery(unsigned long instanceId, bool enabled, unsigned long dataSP, unsigned long logSP) {
    static const char* const kSignature = "Admin::setDiscovery()";
    sqlite3* handle = db(kSignature);
    if (!handle) return static_cast<int>(error_.number());
    if (dataSP > 0x7FFFFFFFUL || logSP > 0x7FFFFFFFUL) return appFail(error_, kAppErrArgument, kSignature);
    AppStatement update(handle,
                        "UPDATE APP_InstanceName SET enableDiscovery = ?, discoveredDataSP = ?, discoveredLogSP = ? "
                        "WHERE id = ?");
    update.bind(enabled ? 1LL : 0LL).bind(static_cast<long long>(dataSP)).bind(static_cast<long long>(logSP));
    return change(update.bind(static_cast<long long>(instanceId)), kAppErrInstance, instanceId, kSignature);
}

int Admin::setUseSnapshotWriter(unsigned long instanceId, bool use) {
    static const char* const kSignature = "Admin::setUseSnapshotWriter()";
    sqlite3* handle = db(kSignature);
    if (!handle) return static_cast<int>(error_.number());
    AppStatement update(handle, "UPDATE APP_InstanceName SET useSnapshotWriter = ? WHERE id = ?");
    update.bind(use ? 1LL : 0LL).bind(static_cast<long long>(instanceId));
    return change(update, kAppErrInstance, instanceId, kSignature);
}

int Admin::deleteRows(const char* const* statements, size_t count, unsigned long id, int notFound,
                      const char* signature) {
    sqlite3* handle = db(signature);
    if (!handle) return static_cast<int>(error_.number());
    AppSavepoint savepoint(handle);
    if (!savepoint.started()) return appFail(error_, kAppErrDatabase, signature, savepoint.errorText());
    for (size_t i = 0; i < count; ++i) {
        AppStatement statement(handle, statements[i]);
        if (int rc = change(statement.bind(static_cast<long long>(id)), i == count - 1 ? notFound : 0, id, signature))
            return rc;
    }
    if (savepoint.release() != SQLITE_OK) return appFail(error_, kAppErrDatabase, signature, sqlite3_errmsg(handle));
    return 0;
}

int Admin::deleteClient(unsigned long clientId) {
    static const char* const kStatements[] = {
        "DELETE FROM APP_SubclientProp WHERE subclientId IN (SELECT id FROM APP_Application WHERE clientid = ?1)",
        "DELETE FROM APP_Application WHERE clientid = ?1",
        "DELETE FROM APP_BackupSetName WHERE instanceId IN (SELECT id FROM APP_InstanceName WHERE clientId = ?1)",
        "DELETE FROM APP_InstanceName WHERE clientId = ?1",
        "DELETE FROM APP_SimClientApp WHERE clientId = ?1",
        "DELETE FROM APP_Client WHERE id = ?1",
    };
    return deleteRows(kStatements, sizeof kStatements / sizeof kStatements[0], clientId, kAppErrClient, "Admin::deleteClient()");
}

int Admin::deleteInstance(unsigned long instanceId) {
    static const char* const kStatements[] = {
        "DELETE FROM APP_SubclientProp WHERE subclientId IN (SELECT id FROM APP_Application WHERE instance = ?1)",
        "DELETE FROM APP_Application WHERE instance = ?1",
        "DELETE FROM APP_BackupSetName WHERE instanceId = ?1",
        "DELETE FROM APP_InstanceName WHERE id = ?1",
    };
    return deleteRows(kStatements, sizeof kStatements / sizeof kStatements[0], instanceId, kAppErrInstance, "Admin::deleteInstance()");
}

int Admin::deleteApplication(unsigned long appId) {
    static const char* const kStatements[] = {
        "DELETE FROM APP_SubclientProp WHERE subclientId = ?1",
        "DELETE FROM APP_Application WHERE id = ?1",
    };
    return deleteRows(kStatements, sizeof kStatements / sizeof kStatements[0], appId, kAppErrApplication, "Admin::deleteApplication()");
}

}  // namespace kel::appmgr
