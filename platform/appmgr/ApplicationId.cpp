#include "platform/appmgr/ApplicationId.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstdlib>

using namespace kel::appmgr;

const char* const DefaultSubclientName = "default";

namespace {

// The id of the row sql finds (its parameters bound by bindAll), 0 when none;
// false on a database error.
template <typename Bind>
bool findId(sqlite3* db, const char* sql, Bind bindAll, unsigned long& id, std::string& error) {
    AppStatement statement(db, sql);
    bindAll(statement);
    int rc = statement.step();
    id = rc == 0 ? appToId(statement.integer(0)) : 0;
    if (rc != 0 && rc != 100) error = statement.errorText();
    return rc == 0 || rc == 100;
}

}  // namespace

// ---- Instance, backup set, subclient --------------------------------------

int Instance::lookup(DBtran* tran) {
    return load(tran, "Instance::lookup()",
                "SELECT name, clientId, appTypeId, deleted FROM APP_InstanceName WHERE id = ?", kAppErrInstance,
                [this](const AppStatement& row) {
                    name_ = row.text(0);
                    clientId_ = appToId(row.integer(1));
                    appType_ = appToId(row.integer(2));
                    deleted_ = row.integer(3) != 0;
                });
}

int Instance::isDeleted(bool& deleted, DBtran* tran) {
    // Always read afresh: a removal may have marked it since.
    if (lookup(tran) != 0) return static_cast<int>(error_.number());
    deleted = deleted_;
    return 0;
}

int BackupSet::lookup(DBtran* tran) {
    return load(tran, "BackupSet::lookup()", "SELECT name, instanceId FROM APP_BackupSetName WHERE id = ?",
                kAppErrBackupSet, [this](const AppStatement& row) {
                    name_ = row.text(0);
                    instanceId_ = appToId(row.integer(1));
                });
}

int Subclient::lookup(DBtran* tran) {
    return load(tran, "Subclient::lookup()",
                "SELECT subclientName, sqlFileSubClientId FROM APP_Application WHERE id = ?", kAppErrApplication,
                [this](const AppStatement& row) {
                    name_ = row.text(0);
                    fileSubclientId_ = appToId(row.integer(1));
                });
}

int Subclient::getSQLFileGroupID(unsigned long& fileSubclientId, DBtran* tran) {
    if (lookup(tran) != 0) return static_cast<int>(error_.number());
    fileSubclientId = fileSubclientId_;
    return 0;
}

int Subclient::setSQLFileGroupID(unsigned long fileSubclientId, DBtran* tran) {
    static const char* const kSignature = "Subclient::setSQLFileGroupID()";
    if (lookup(tran) != 0) return static_cast<int>(error_.number());
    if (fileSubclientId > 0x7FFFFFFFUL) return appFail(error_, kAppErrArgument, kSignature, std::to_string(fileSubclientId));
    sqlite3* db = connection_.db(tran, error_, kSignature);
    if (!db) return static_cast<int>(error_.number());
    AppStatement statement(db, "UPDATE APP_Application SET sqlFileSubClientId = ? WHERE id = ?");
    statement.bind(static_cast<long long>(fileSubclientId)).bind(static_cast<long long>(id_));
    if (statement.step() != 100) return appDbFail(error_, kSignature, statement);
    fileSubclientId_ = fileSubclientId;
    return 0;
}

// ---- ApplicationId --------------------------------------------------------

ApplicationId::ApplicationId(const std::string& text) {
    // Anything but a plain positive decimal names no application id.
    errno = 0;
    char* end = nullptr;
    unsigned long long value = text.empty() || text[0] == '-' ? 0 : std::strtoull(text.c_str(), &end, 10);
    if (errno == 0 && end && *end == '\0' && appValidId(static_cast<unsigned long>(value)) && value <= 0x7FFFFFFFULL)
        appId_ = static_cast<unsigned long>(value);
}

ApplicationId::ApplicationId(unsigned long tesselId, unsigned long appNumber) : tesselId_(tesselId), appId_(appNumber) {}

ApplicationId::ApplicationId(unsigned long tesselId, unsigned long clientId, unsigned long appType,
                             const std::string& instanceName, const std::string& backupSetName,
                             const std::string& subclientName)
    : tesselId_(tesselId), clientId_(clientId), appType_(appType), instanceName_(instanceName),
      backupSetName_(backupSetName), subclientName_(subclientName), byNames_(true) {}

ApplicationId::~ApplicationId() = default;

int ApplicationId::resolveByNames(sqlite3* db, const char* signature) {
    AppStatement statement(db,
                           "SELECT a.id FROM APP_Application a, APP_InstanceName i, APP_BackupSetName b "
                           "WHERE a.instance = i.id AND a.backupSet = b.id AND a.tesselId = ? AND a.clientid = ? "
                           "AND a.appTypeId = ? AND i.name = ? AND b.name = ? AND a.subclientName = ? ORDER BY a.id");
    statement.bind(static_cast<long long>(tesselId_)).bind(static_cast<long long>(clientId_));
    statement.bind(static_cast<long long>(appType_)).bind(instanceName_).bind(backupSetName_).bind(subclientName_);
    int rc = statement.step();
    if (rc == 100) return appFail(error_, kAppErrApplication, signature, instanceName_ + "/" + backupSetName_ + "/" + subclientName_);
    if (rc != 0) return appDbFail(error_, signature, statement);
    appId_ = appToId(statement.integer(0));
    return 0;
}

int ApplicationId::resolve(DBtran* tran, const char* signature) {
    if (resolved_) return 0;
    error_.clear();
    sqlite3* db = connection_.db(tran, error_, signature);
    if (!db) return static_cast<int>(error_.number());
    if (!appId_ && byNames_) {
        if (int rc = resolveByNames(db, signature)) return rc;
    }
    const unsigned long wantedTessel = tesselId_;
    int rc = appLoadById(connection_, tran, error_, signature,
                         "SELECT tesselId, clientid, appTypeId, instance, backupSet, dataArchGroup, indexArchGroup "
                         "FROM APP_Application WHERE id = ?",
                         appId_, kAppErrApplication, [this](const AppStatement& row) {
                             tesselId_ = appToId(row.integer(0));
                             clientId_ = appToId(row.integer(1));
                             appType_ = appToId(row.integer(2));
                             instanceId_ = appToId(row.integer(3));
                             backupSetId_ = appToId(row.integer(4));
                             dataArchGroup_ = appToId(row.integer(5));
                             indexArchGroup_ = appToId(row.integer(6));
                         });
    if (rc != 0) return rc;
    if (wantedTessel && wantedTessel != tesselId_) {
        tesselId_ = wantedTessel;
        return appFail(error_, kAppErrApplication, signature, std::to_string(appId_));
    }
    resolved_ = true;
    return 0;
}

int ApplicationId::createApplicationId(DBtran* tran) {
    static const char* const kSignature = "ApplicationId::createApplicationId()";
    error_.clear();
    if (!byNames_ || instanceName_.empty() || backupSetName_.empty() || subclientName_.empty() || !appType_)
        return appFail(error_, kAppErrArgument, kSignature);
    KelClient client(tesselId_, clientId_);
    if (int rc = client.lookup(tran)) {
        error_ = client.getLastError();
        return rc;
    }
    sqlite3* db = connection_.db(tran, error_, kSignature);
    if (!db) return static_cast<int>(error_.number());

    AppSavepoint savepoint(db);
    if (!savepoint.started()) return appFail(error_, kAppErrDatabase, kSignature, savepoint.errorText());
    std::string detail;
    unsigned long instanceId = 0;
    if (!findId(db, "SELECT id FROM APP_InstanceName WHERE clientId = ? AND appTypeId = ? AND name = ? ORDER BY id",
                [&](AppStatement& s) { s.bind(static_cast<long long>(clientId_)).bind(static_cast<long long>(appType_)).bind(instanceName_); },
                instanceId, detail))
        return appFail(error_, kAppErrDatabase, kSignature, detail);
    if (!instanceId) {
        AppStatement insert(db, "INSERT INTO APP_InstanceName (tesselId, clientId, name, appTypeId) VALUES (?, ?, ?, ?)");
        insert.bind(static_cast<long long>(tesselId_)).bind(static_cast<long long>(clientId_)).bind(instanceName_);
        if (insert.bind(static_cast<long long>(appType_)).step() != 100) return appDbFail(error_, kSignature, insert);
        instanceId = appToId(sqlite3_last_insert_rowid(db));
    }
    unsigned long backupSetId = 0;
    if (!findId(db, "SELECT id FROM APP_BackupSetName WHERE instanceId = ? AND name = ? ORDER BY id",
                [&](AppStatement& s) { s.bind(static_cast<long long>(instanceId)).bind(backupSetName_); }, backupSetId,
                detail))
        return appFail(error_, kAppErrDatabase, kSignature, detail);
    if (!backupSetId) {
        AppStatement insert(db, "INSERT INTO APP_BackupSetName (tesselId, instanceId, name) VALUES (?, ?, ?)");
        insert.bind(static_cast<long long>(tesselId_)).bind(static_cast<long long>(instanceId)).bind(backupSetName_);
        if (insert.step() != 100) return appDbFail(error_, kSignature, insert);
        backupSetId = appToId(sqlite3_last_insert_rowid(db));
    }
    unsigned long appId = 0;
    if (!findId(db, "SELECT id FROM APP_Application WHERE instance = ? AND backupSet = ? AND subclientName = ? ORDER BY id",
                [&](AppStatement& s) { s.bind(static_cast<long long>(instanceId)).bind(static_cast<long long>(backupSetId)).bind(subclientName_); },
                appId, detail))
        return appFail(error_, kAppErrDatabase, kSignature, detail);
    const bool exists = appId != 0;
    if (!exists) {
        AppStatement insert(db,
                            "INSERT INTO APP_Application (tesselId, clientid, instance, appTypeId, subclientName, backupSet) "
                            "VALUES (?, ?, ?, ?, ?, ?)");
        insert.bind(static_cast<long long>(tesselId_)).bind(static_cast<long long>(clientId_));
        insert.bind(static_cast<long long>(instanceId)).bind(static_cast<long long>(appType_)).bind(subclientName_);
        if (insert.bind(static_cast<long long>(backupSetId)).step() != 100) return appDbFail(error_, kSignature, insert);
        appId = appToId(sqlite3_last_insert_rowid(db));
    }
    if (savepoint.release() != SQLITE_OK) return appFail(error_, kAppErrDatabase, kSignature, sqlite3_errmsg(db));

    appId_ = appId;
    resolved_ = false;
    instance_.reset();
    backupSet_.reset();
    subclient_.reset();
    if (int rc = resolve(tran, kSignature)) return rc;
    if (exists) return appFail(error_, kAppIdExists, kSignature, std::to_string(appId));
    return 0;
}

int ApplicationId::getAppId(unsigned long& appId, DBtran* tran) {
    if (int rc = resolve(tran, "ApplicationId::getAppId()")) return rc;
    appId = appId_;
    return 0;
}

int ApplicationId::getAppType(unsigned long& appType, DBtran* tran) {
    if (int rc = resolve(tran, "ApplicationId::getAppType()")) return rc;
    appType = appType_;
    return 0;
}

// Builds the related object once and checks that its row is there.
template <typename T>
static T* related(std::unique_ptr<T>& slot, unsigned long id, DBtran* tran, KelLastError& error) {
    if (!slot) {
        auto object = std::make_unique<T>(id);
        if (object->lookup(tran) != 0) {
            error = object->getLastError();
            return nullptr;
        }
        slot = std::move(object);
    }
    return slot.get();
}

Instance* ApplicationId::getInstance(DBtran* tran) {
    if (resolve(tran, "ApplicationId::getInstance()") != 0) return nullptr;
    return related(instance_, instanceId_, tran, error_);
}

BackupSet* ApplicationId::getBackupSet(DBtran* tran) {
    if (resolve(tran, "ApplicationId::getBackupSet()") != 0) return nullptr;
    return related(backupSet_, backupSetId_, tran, error_);
}

Subclient* ApplicationId::getSubclient(DBtran* tran) {
    if (resolve(tran, "ApplicationId::getSubclient()") != 0) return nullptr;
    return related(subclient_, appId_, tran, error_);
}

KelClient* ApplicationId::getClient(DBtran* tran) {
    if (resolve(tran, "ApplicationId::getClient()") != 0) return nullptr;
    if (!client_) {
        auto client = std::make_unique<KelClient>(tesselId_, clientId_);
        if (client->lookup(tran) != 0) {
            error_ = client->getLastError();
            return nullptr;
        }
        client_ = std::move(client);
    }
    return client_.get();
}

int ApplicationId::getDataArchiveGroup(unsigned long& archGroupId, DBtran* tran) {
    resolved_ = false;  // another object may have set it since
    if (int rc = resolve(tran, "ApplicationId::getDataArchiveGroup()")) return rc;
    archGroupId = dataArchGroup_;
    return 0;
}

int ApplicationId::getIndexArchiveGroup(unsigned long& archGroupId, DBtran* tran) {
    resolved_ = false;
    if (int rc = resolve(tran, "ApplicationId::getIndexArchiveGroup()")) return rc;
    archGroupId = indexArchGroup_;
    return 0;
}

int ApplicationId::setArchiveGroup(const char* column, unsigned long archGroupId, DBtran* tran, const char* signature) {
    if (int rc = resolve(tran, signature)) return rc;
    if (!appValidId(archGroupId)) return appFail(error_, kAppErrArgument, signature, std::to_string(archGroupId));
    sqlite3* db = connection_.db(tran, error_, signature);
    if (!db) return static_cast<int>(error_.number());
    // column is one of two fixed names, never a caller's text.
    std::string sql = std::string("UPDATE APP_Application SET ") + column + " = ? WHERE id = ?";
    AppStatement statement(db, sql.c_str());
    statement.bind(static_cast<long long>(archGroupId)).bind(static_cast<long long>(appId_));
    if (statement.step() != 100) return appDbFail(error_, signature, statement);
    resolved_ = false;
    return 0;
}

int ApplicationId::setDataArchiveGroup(unsigned long archGroupId, DBtran* tran, void*, void*) {
    return setArchiveGroup("dataArchGroup", archGroupId, tran, "ApplicationId::setDataArchiveGroup()");
}

int ApplicationId::setIndexArchiveGroup(unsigned long archGroupId, DBtran* tran, void*, void*) {
    return setArchiveGroup("indexArchGroup", archGroupId, tran, "ApplicationId::setIndexArchiveGroup()");
}
