#include "KelSQL/KelSQLLookups.h"

#include <cerrno>

#include "KelSQL/KelNetSQLDBTransaction.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLErrors.h"
#include "platform/appmgr/ClientApplicationList.h"
#include "platform/appmgr/KelClient.h"
#include "platform/db/DBtable.h"
#include "platform/info/KelPI_DataBase.h"
#include "platform/util/FXFile.h"

namespace {

// The application manager's numbers are its own: callers of these lookups
// see the library's, with the manager's reason kept as an argument.
bool clientNotFound(KelLastError& err, const char* function, const std::string& what, const KelLastError& cause) {
    err.setNumber(kelsql::kErrClientNotFound);
    err.addArgument(function);
    err.addArgument(what);
    if (cause.number() != 0) err.addArgument(cause.formatLastErrorMessage());
    return false;
}

bool hostOf(KelLastError& err, KelClient& client, const char* function, const std::string& what, std::string& host) {
    if (client.lookup(nullptr) != 0 || client.getNetworkHostname(host, nullptr) != 0 || host.empty())
        return clientNotFound(err, function, what, client.getLastError());
    return true;
}

// The SQL Server application types, oldest first.
constexpr unsigned long kSqlAppTypes[] = {4, 16, 70};

}  // namespace

bool getSqlClientId(unsigned long tesselId, KelLastError& err, const std::string& clientName,
                    unsigned long& clientId) {
    clientId = 0;
    KelClient client(tesselId, clientName, false, 0);
    if (client.lookup(nullptr) != 0 || client.getClientId(clientId, nullptr) != 0) {
        clientId = 0;
        return clientNotFound(err, "getSqlClientId(tesselId, error, clientName, clientId)", clientName,
                              client.getLastError());
    }
    return true;
}

bool getInstanceByName(unsigned long tesselId, KelLastError& err, const std::string& clientName,
                       const std::string& instanceName, unsigned long* instanceId, DBtran* tran) {
    static const char* kFn = "getInstanceByName(tesselId, error, clientName, serverName, returnInstanceId)";
    if (!instanceId) {
        err.setNumber(kelsql::kErrValueNotSet);
        err.addArgument("returnInstanceId");
        err.addArgument(kFn);
        return false;
    }
    *instanceId = 0;
    KelClient client(tesselId, clientName, false, 0);
    unsigned long clientId = 0;
    if (client.lookup(tran) != 0 || client.getClientId(clientId, tran) != 0)
        return clientNotFound(err, kFn, clientName, client.getLastError());
    InstanceByName byName;
    for (unsigned long appType : kSqlAppTypes) {
        unsigned long id = 0;
        if (byName.getInstanceId(clientId, appType, instanceName, &id, tran) == 1) {
            *instanceId = id;
            return true;
        }
    }
    err.setNumber(kelsql::kErrNoSuchInstance);
    err.addArgument(kFn);
    err.addArgument(clientName);
    err.addArgument(instanceName);
    return false;
}

bool getClientHostname(KelLastError& err, unsigned long tesselId, const std::string& clientName, std::string& host) {
    KelClient client(tesselId, clientName, false, 0);
    return hostOf(err, client, "getClientHostname(error, tesselId, clientName, hostname)", clientName, host);
}

bool getClientHostname(KelLastError& err, unsigned long tesselId, unsigned long clientId, std::string& host) {
    KelClient client(tesselId, clientId);
    return hostOf(err, client, "getClientHostname(error, tesselId, clientId, hostname)", std::to_string(clientId),
                  host);
}

bool getSqlClientHostnameGivenClientId(KelLastError& err, unsigned long tesselId, unsigned long clientId,
                                       std::string& host, std::string& clientName) {
    static const char* kFn = "getSqlClientHostnameGivenClientId(error, tesselId, clientId, hostname, clientName)";
    KelClient client(tesselId, clientId);
    if (!hostOf(err, client, kFn, std::to_string(clientId), host)) return false;
    if (client.getName(clientName, nullptr) != 0 || clientName.empty())
        return clientNotFound(err, kFn, std::to_string(clientId), client.getLastError());
    return true;
}

bool getSqlClientHostnameGivenClientId(KelLastError& err, unsigned long tesselId, unsigned long clientId,
                                       std::string& host) {
    std::string name;
    return getSqlClientHostnameGivenClientId(err, tesselId, clientId, host, name);
}

bool getClientHostnameFromSqlServerId(KelLastError& err, unsigned long sqlServerId, std::string& host,
                                      std::string& clientName) {
    static const char* kFn = "getClientHostnameFromSqlServerId(error, sqlServerId, hostname, clientName)";
    if (!idNotSet(err, sqlServerId, "sqlServerId", kFn)) return false;
    unsigned long clientId = 0;
    ClientFromInstanceId owner;
    int rc = owner.getClientId(sqlServerId, clientId, nullptr);
    KelClient client(clientId);
    if (rc == 0) rc = client.getNetworkHostname(host, nullptr);
    if (rc == 0) rc = client.getName(clientName, nullptr);
    if (rc != 0) {
        err.setNumber(static_cast<uint64_t>(static_cast<unsigned>(rc)));
        err.addArgument(kFn);
        err.addArgument(sqlServerId);
        return false;
    }
    return true;
}

bool getClientHostnameFromInstance(KelLastError& err, unsigned long instanceId, std::string& host) {
    static const char* kFn = "getClientHostnameFromInstance(error, instanceId, hostname)";
    unsigned long clientId = 0;
    ClientFromInstanceId owner;
    if (owner.getClientId(instanceId, clientId, nullptr) != 0)
        return clientNotFound(err, kFn, std::to_string(instanceId), owner.getLastError());
    KelClient client(clientId);
    return hostOf(err, client, kFn, std::to_string(instanceId), host);
}

bool catalogueWriterFree(KelSQLClassProperties& properties, KelLastError& err, const char* signature) {
    KelNetSQLDBTransaction* remote = properties.getNetworkDBTransaction();
    if (!properties.isTransactionStarted() && !(remote && remote->isTransactionStarted())) return true;
    err.setNumber(kelsql::kErrTranBusy);
    err.addArgument(signature);
    return false;
}

bool getClientHostnameForLocalTessel(KelLastError& err, KelSQLClassProperties& properties,
                                     const std::string& clientName, const char* clientFieldName) {
    static const char* kFn = "getClientHostnameForLocalTessel(error, properties, clientName, clientFieldName)";
    const char* field = clientFieldName ? clientFieldName : "clientName";
    if (!stringEmpty(err, clientName, field, kFn)) {
        // A host chosen earlier still serves; err keeps why the name was not used.
        if (!properties.remoteSqlHostName().empty()) return true;
        return stringEmpty(err, properties.remoteSqlHostName(), field, kFn);
    }
    unsigned long tesselId = properties.getOstrel().getTesselId();
    if (tesselId == 0) {
        err.setNumber(properties.getOstrel().getLastError().number());
        err.addArgument(kFn);
        return false;
    }
    return getClientHostname(err, tesselId, clientName, properties.setRemoteSqlHostName());
}

bool setupClientSQLConnectivity(KelLastError& err, KelSQLClassProperties& properties, DBtable& table) {
    KelSQLUserAndPassword& login = properties.getSQLUserAndPassword();
    if (login.sqlUser().empty()) {
        err.setNumber(kelsql::kErrSqlConnection);
        return false;
    }
    const std::string focus = KelPI_Focus::getFocus();
    KelPI_Ostrel ostrel;
    ostrel.setFocus(focus);
    if (ostrel.invalidKelPlatform()) {
        const std::string& dsn = properties.getSQLDSN().dataSourceName();
        if (!dsn.empty()) table.setServerName(dsn);
        table.setLogin(login.sqlUser());
        table.setPassword(login.sqlPassword());
        return true;
    }
    // On the Ostrel the catalogue's own login serves, whatever the context holds.
    KelPI_DataBase database;
    database.setFocus(focus.c_str());
    table.setServerName(database.getConnection());
    table.setLogin(database.GetSqlUserName());
    table.setPassword(database.GetSqlPassword());
    return true;
}

bool sqlRemoveInvalidPathCharacters(const std::string& in, std::string& out) {
    out.clear();
    for (char c : in) {
        const int v = static_cast<signed char>(c);
        const bool invalid = (v >= 33 && v <= 47) || (v >= 58 && v <= 64) || (v >= 91 && v <= 96) ||
                             (v >= 123 && v <= 126);
        if (!invalid) out.push_back(c);
    }
    return !out.empty();
}

bool createRecursiveDirectory(const char* path, uint32_t& errorCode) {
    if (!path || !*path) {
        errorCode = EINVAL;
        return false;
    }
    errno = 0;
    if (FXFile::CreateFoldersIteratively(path)) return true;
    errorCode = errno != 0 ? static_cast<uint32_t>(errno) : static_cast<uint32_t>(EIO);
    return false;
}

bool sqlConfigurationEventMessage(const std::string&, const std::string&, bool flag) { return flag; }

bool sqlLogVersionInfo(KelSQLClassProperties&, const char*, const char*, const char*, const char*) { return true; }
