// The catalogue record of one SQL Server instance of a client: a row of table
// sqlServer plus what the agent knows of the live instance. It is also the
// message that carries its own operations: on an agent-side context that
// needs a connection they are sent to the Ostrel, which answers them on a
// record built in reply mode.
//
// The context is borrowed and outlives the record; the record owns its
// version, flag views and delete flag.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "KelSQL/KelNetSQLServer.h"
#include "KelSQL/KelSQLAppType.h"
#include "KelSQL/KelSQLDatabase.h"
#include "KelSQL/KelSQLDateAndTime.h"
#include "KelSQL/KelSQLLogicalDeletion.h"
#include "KelSQL/KelSQLUserAndPassword.h"
#include "KelSQL/KelSQLVersion.h"

class KelNetSQLServerControl;
class SqlServer;
class SqlServerTable;

// The state of an instance's service as the agent reports it (0 unknown,
// 2 runs, 4 runs in single-user mode); 0 when a request fails.
using KelSQLServerStatusControl = uint32_t;

// Columns of one single-column update (updateItem).
enum KelSQL_UpdateServerItem : uint32_t {
    KelSQL_UpdateUndoFile = 1,
    KelSQL_UpdateSqlLogin = 2,
    KelSQL_UpdateRemovalTime = 3,
    KelSQL_UpdateDeleteFlag = 4,
    KelSQL_UpdateServiceAccount = 5,
    KelSQL_UpdateFlags = 6,
};

// An instance of a list: catalogue id and name.
struct KelSQL_SqlIdName_t {
    unsigned long sqlId = 0;
    std::string name;
};

class KelSQLServer : public KelNetSQLServer {
public:
    static constexpr unsigned long kClusteredFlag = 0x1;
    static constexpr unsigned long kSql2000UpgradeFlag = 0x10000;
    // A removal time given as this means "back again": 0 is written.
    static constexpr unsigned long kRemovalTimeCleared = 0xFFFFFFFFul;

    KelSQLServer(KelSQLClassProperties& context, bool replyMode);
    ~KelSQLServer() override;
    KelSQLServer(const KelSQLServer&) = delete;
    KelSQLServer& operator=(const KelSQLServer&) = delete;

    // What a catalogue row supplies goes back to empty; the client name, the
    // instance id and the lists stay.
    void initializeSQLServerDBData();
    void initializeSQLServerData();

    // Lookups, on either side (sent from an agent that needs a connection).
    bool query(unsigned long sqlId);
    bool query(const std::string& clientName, const std::string& sqlServerName);
    bool queryOstrelDb(const char* where);

    // Agent: the record filled from the live instance of this machine (names,
    // service name, version); false when the version cannot be read.
    bool serverQuery(const std::string& sqlServerName);
    // Ostrel: the same asked of the client's agent host, after the instance's
    // SQL login has been given to it.
    bool serverQuery(const std::string& clientName, const std::string& sqlServerName);
    // Agent: the live instance's version (not supported by this platform's
    // reader: 0x1E0000FF).
    bool getSQLVersion(MSVersion& version);
    // The service the instance runs as, from what the record holds of it
    // (its name, clustered flag and version, else the data source's
    // version): "MSSQLServer$" and the instance's name for a clustered SQL
    // Server 7 instance, else "MSSQLServer".
    void nameService();

    // Agent: registers this instance with the Ostrel (client and SQL Server
    // name set beforehand); the SQL login travels in the context.
    bool config(const std::string& saLogin, const std::string& saPassword, const std::string& undoFilePath,
                const std::string& serviceName);
    // Agent: whether config would send these (a login, an undo path that
    // can be measured here); the error says why not. An installer asks
    // before it writes anything else of the instance.
    bool configurable(const std::string& saLogin, const std::string& undoFilePath);
    // Writes the record's non-empty values into its row; never clears one.
    bool update();
    bool updateOstrelDb(const char* where);
    bool updateItem(const char* signature, KelSQL_UpdateServerItem item);
    // Ostrel: sets and stores the SQL login / the service account, verified
    // first with the client's agent unless verify is false.
    bool setSA(const std::string& user, const std::string& password, bool verify);
    bool setSA(const std::string& user, const std::string& password) { return setSA(user, password, true); }
    bool setNTUser(const std::string& clientName, const std::string& user, const std::string& password, bool verify);
    bool setNTUser(const std::string& clientName, const std::string& user, const std::string& password) {
        return setNTUser(clientName, user, password, true);
    }
    bool updateUndoFilePath();
    bool updateSQL2000UpgradeFlag();
    // Ostrel: writes into the row what sqlServer holds differently.
    bool compareAndUpdate(KelSQLServer& sqlServer, unsigned long sqlServerId);
    // The live instances of a Tessel, optionally only those a backup of the
    // given application type can be restored to.
    bool getAllSQLServersWithinTessel(unsigned long tesselId, std::vector<KelSQL_SqlIdName_t>& list,
                                      unsigned long sqlAppTypeRestore);

    // Answering operations (reply mode only).
    bool lookup(KelNetSQLServerReq_t* req, KelNetSQLServerRsp_t* rsp);
    bool update(KelNetSQLServerReq_t* req, KelNetSQLServerRsp_t* rsp);
    bool insert(KelNetSQLServerReq_t* req, KelNetSQLServerRsp_t* rsp);
    // Agent, code 3: serverQuery of the named instance into the response.
    bool extract(KelNetSQLServerReq_t* req, KelNetSQLServerRsp_t* rsp);
    bool logicalDeletion(KelNetSQLServerReq_t* req, KelNetSQLServerRsp_t* rsp);
    // Writes only the delete marker of the instance, local side.
    bool logicalDeletion(bool deleteFlag, unsigned long sqlServerId);

    // The undo file path: measured here, or by the agent host from the Ostrel.
    bool validateUndoPath(const std::string& path);
    bool verifyUndoFilePath();
    bool verifyUndoFilePath(const std::string& path);
    bool setUndoFilePath(const std::string& path);

    // Ostrel: the record's removal time / delete flag into its row and down
    // to its databases.
    bool updateRemovalTime();
    bool updateDeleteFlag();
    // Ostrel: a removal time for each database of the instance that has none;
    // the delete flag for every database of the instance.
    bool updateDBRemovalTime(unsigned long sqlServerId, unsigned long removalTime);
    bool updateDBDeleteFlag(unsigned long sqlServerId, bool deleted);
    // Ostrel, in the started transaction: removes the instance with its
    // databases and restore tasks; a row already gone is no failure.
    bool forceDeletion(unsigned long sqlServerId);

    // Database lists of the instance. The lists are the record's own, valid
    // while it lives and until the next call that refills them; null with
    // the error set on failure.
    //
    // The live names: on the Ostrel asked of the client's agent host (the
    // SQL login is pushed there first); on an agent, its own list, read from
    // the live instance when fetch is true.
    std::vector<std::string>* getDatabaseNames(bool fetch, const std::string& clientName, unsigned long sqlServerId);
    // Ostrel: the live user databases of an instance known by name.
    std::vector<std::string>* getDatabaseNames(unsigned long tesselId, unsigned long clientId,
                                               const std::string& sqlServerName);
    // Ostrel: the catalogue's databases of the instance, in name order,
    // logically deleted ones included; kept unless fetch.
    std::vector<KelSQLDatabase_t>* getConfiguredDBs(bool fetch, unsigned long sqlServerId);
    // Ostrel: live names without a live catalogue row (tempdb never).
    std::vector<std::string>* getUnConfiguredDBs(const std::string& clientName, unsigned long sqlServerId);
    // The same appended to list, type 1 for master, msdb and model.
    bool getUnConfiguredDBsWithType(std::vector<KelSQLDBNameWithType_t>& list, const std::string& clientName,
                                    unsigned long sqlServerId);
    // Ostrel: the catalogue rows flagged as system databases.
    bool getSystemDatabases(std::vector<KelSQLDatabase_t>& list, unsigned long sqlServerId);
    // Ostrel: registers every unconfigured database when the instance's
    // discovery is on, raising an event for each.
    bool autoDiscoverDatabases(unsigned long tesselId, unsigned long sqlServerId);

    // Ostrel: the state of the instance's service from the agent at the
    // context's remote SQL host, and a stop or start there. The record must
    // be loaded (SQL Server and service name).
    bool remoteSqlServerStatus(KelSQLServerStatusControl& status);
    bool remoteSqlServerStop(KelSQLServerStatusControl& status);
    bool remoteSqlServerStart(KelSQLServerStatusControl& status);
    // Makes the control message once and addresses it to the context's
    // current remote SQL host.
    bool createServerStatus();
    // The kept control message; null before the first request.
    const KelNetSQLServerControl* serverControl() const { return serverControl_.get(); }
    // The part after the first backslash, else the whole name / empty.
    std::string& sqlServerInstanceName(std::string& name) const;
    std::string& sqlServerInstanceNameOnly(std::string& name) const;

    // Copies between the record and the wire records.
    // The texts are copied whole or refused (0x1E000037 naming the field).
    [[nodiscard]] bool copyToRequest(KelNetSQLServerReq_t* req);
    [[nodiscard]] bool copyToResponse(KelNetSQLServerRsp_t* rsp);
    void copyFromRequest(KelNetSQLServerReq_t* req);
    void copyFromResponse(KelNetSQLServerRsp_t* rsp);
    [[nodiscard]] bool copyToRecord(KelNetSQLServer_t& rec);
    void copyFromRecord(const KelNetSQLServer_t& rec);
    bool networkQuery();

    const std::string& sqlServerName() const { return serverName_; }
    void setSqlServerName(const std::string& name) { serverName_ = name; }
    const std::string& clientName() const { return clientName_; }
    void setClientName(const std::string& name) { clientName_ = name; }
    unsigned long sqlId() const { return sqlId_; }
    void setSqlId(unsigned long id) { sqlId_ = id; }
    unsigned long tesselId() const { return tesselId_; }
    void setTesselId(unsigned long id) { tesselId_ = id; }
    unsigned long instanceId() const { return instanceId_; }
    unsigned long rowClientId() const { return rowClientId_; }
    unsigned long flags() const { return flags_; }
    void setFlags(unsigned long flags) { flags_ = flags; }
    const KelSQLVersion& getSQLVersion() const { return *version_; }
    KelSQLVersion& setSQLVersion() { return *version_; }
    void setSQLVersion(unsigned long major, unsigned long minor, unsigned long build, unsigned long sqlId);
    long long sqlCode() const { return sqlCode_; }
    const std::string& sa() const { return sqlLogin_.sqlUser(); }
    const std::string& saPassword() const { return sqlLogin_.sqlPassword(); }
    const std::string& ntUser() const { return serviceAccount_.sqlUser(); }
    const std::string& ntUserPassword() const { return serviceAccount_.sqlPassword(); }
    // In memory only; setSA / setNTUser of the Ostrel also store them.
    void setSqlLogin(const std::string& user, const std::string& password);
    void setServiceAccount(const std::string& user, const std::string& password);
    const std::string& undoFilePath() const { return undoFilePath_; }
    uint64_t undoFilePathFreeSpace() const { return undoFreeSpace_; }
    const std::string& serviceName() const { return serviceName_; }
    KelSQLDateAndTime& getAddTime() { return addTime_; }
    KelSQLDateAndTime& getRemovalTime() { return removalTime_; }
    bool isClusterFlag() const { return clusteredView_->isOn(); }
    KelSQLBitFlag* sql2000Upgrade() { return upgradeView_.get(); }
    KelSQLBitFlag* clustered() { return clusteredView_.get(); }
    KelSQLLogicalDeletion* setDeleteFlag() { return deleteFlag_.get(); }
    bool isDeleted() const { return deleteFlag_->isDeleted(); }
    void determineSqlAppType();
    const KelSQLAppType& sqlAppType() const { return appType_; }
    bool replyMode() const { return replyMode_; }

private:
    bool requireReplyMode(const char* signature);
    bool requireTransaction(const char* signature);
    bool catalogueError(const char* signature, SqlServer& table);
    bool copyError(KelLastError& from);
    // Sets number with the signature as its argument; false.
    bool fail(uint64_t number, const char* signature);
    unsigned long ostrelTessel();
    void giveVersionToDataSource();
    // The version's row id, found or added; 0 when the version is 0.0.0.
    bool resolveVersion(unsigned long tesselId, const char* signature);
    // A credential's two columns, the password sealed (its number when it
    // cannot be; 0x1E000037 for one too long to store).
    bool setCredential(SqlServerTable& table, const KelSQLUserAndPassword& pair, const char* userColumn,
                       const char* passwordColumn, uint64_t error, const char* signature);
    bool runUpdate(SqlServerTable& table, const char* signature);
    bool forceDeleteDatabase(unsigned long sqlDatabaseId);
    bool controlService(uint32_t code, KelSQLServerStatusControl& status, const char* signature);

    KelSQLClassProperties& context_;
    bool replyMode_;
    std::string where_;
    long long sqlCode_ = 0;
    uint64_t undoFreeSpace_ = 0;
    unsigned long sqlId_ = 0;
    unsigned long tesselId_ = 0;
    unsigned long versionId_ = 0;
    unsigned long messageClientId_ = 0;
    unsigned long instanceId_ = 0;
    unsigned long flags_ = 0;
    unsigned long rowClientId_ = 0;
    std::string serverName_;
    std::string clientName_;
    std::string undoFilePath_;
    std::string serviceName_;
    KelSQLUserAndPassword sqlLogin_;
    KelSQLUserAndPassword serviceAccount_;
    KelSQLDateAndTime addTime_;
    KelSQLDateAndTime removalTime_;
    std::unique_ptr<KelSQLVersion> version_;
    std::unique_ptr<KelSQLBitFlag> upgradeView_;
    std::unique_ptr<KelSQLBitFlag> clusteredView_;
    std::unique_ptr<KelSQLLogicalDeletion> deleteFlag_;
    // The database lists (caches of the list operations).
    std::vector<std::string> databaseNames_;
    std::vector<std::string> unconfiguredNames_;
    std::vector<KelSQLDatabase_t> configuredDBs_;
    KelSQLAppType appType_;
    // Made by the first service request, kept for the later ones.
    std::unique_ptr<KelNetSQLServerControl> serverControl_;
};
