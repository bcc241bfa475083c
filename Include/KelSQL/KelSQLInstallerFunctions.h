// The agent's installer and configuration tools call these flat functions:
// application ids, instance and database installation, SQL Server versions,
// instance and login lists, the authentication mode, and whether an instance
// is in the catalogue already. Most of them have nothing to work on here.
//
// The plain-argument functions return 0 or an error number and save the
// error for sqlFormatLastError; their Property forms take a context (or an
// error record) and return bool or 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "KelSQL/KelSQLDatabaseProperties.h"
#include "platform/events/KelLastError.h"

class KelSQLClassProperties;
class KelSqlInstallLog;

// One instance, database or login of an installer list.
struct KelInstallSQLObject_t {
    char name[129];
    char version[65];
    char description[300];
};
static_assert(sizeof(KelInstallSQLObject_t) == 494, "KelInstallSQLObject_t size");

// An installer list: the caller clears it; a function that fills it
// allocates objects with malloc, and the caller frees them with free.
struct KelInstallSQLObjectList_t {
    unsigned long count;
    KelInstallSQLObject_t* objects;
};

enum KelSQLSAUserType : uint32_t {
    KelSQLSAUserSql = 1,
    KelSQLSAUserNT = 2,
};

// What sqlServerIsConfigured finds.
enum KelUpgradeSQLServerStatus : uint32_t {
    KelUpgradeSQLServerNotConfigured = 0,
    KelUpgradeSQLServerConfigured = 1,
    KelUpgradeSQLServerDeleted = 2,
};
struct KelUpgradeSQLServer_t {
    uint32_t status;
    uint64_t majorVersion;
    uint64_t minorVersion;
};
static_assert(offsetof(KelUpgradeSQLServer_t, majorVersion) == 8 && sizeof(KelUpgradeSQLServer_t) == 24,
              "KelUpgradeSQLServer_t layout");

// Creates (or finds) the application id of a database through the Ostrel with
// the storage policies given (assignSPFlag as KelNetSQLAppIdReqV3_t's
// SPConfig), on prop when given, else on a context of its own on focus.
unsigned long sqlCreateApplicationIdProperty(KelSQLClassProperties* prop, const char* serverName,
                                             const char* databaseName, unsigned long archiveGroupNameId,
                                             unsigned long logArchiveGroupNameId, unsigned long assignSPFlag,
                                             const char* subClientName, const char* focus);
unsigned long sqlCreateApplicationId(const char* serverName, const char* databaseName,
                                     unsigned long archiveGroupNameId, unsigned long logArchiveGroupNameId,
                                     unsigned long assignSPFlag, const char* focus);

// *major = the instance's major version, 7 or 8; 0x1E0000C0 for any other.
unsigned long sqlServerRegMajorVersion(const char* instanceName, unsigned long* major, bool flag);

// out = whether the instance is in the catalogue (status) and its version.
// The instance is looked up for the client named by the machine.
bool sqlServerIsConfiguredProperty(KelLastError& error, const char* machine, const char* sqlServerName,
                                   KelUpgradeSQLServer_t* out);
unsigned long sqlServerIsConfigured(const char* machine, const char* sqlServerName, KelUpgradeSQLServer_t* out);

// The instances of machine through the agent's live reader (none here). Logs
// the not-supported line and returns 0, which its callers read as success.
unsigned long sqlServerListV2(KelInstallSQLObjectList_t* list, const char* machine, int clustered);
// Not supported: log, 0x1E0000FF in error, false.
bool sqlServerListClustered(KelLastError& error, KelInstallSQLObjectList_t* list, const char* machine,
                            const char* clusterName);
bool sqlSecurityModeProperty(KelLastError& error, const char* machine, const char* sqlServerName,
                             const char* sqlUser, unsigned long* mode);
// 0 with mode unchanged: its callers then keep their own mode.
unsigned long sqlSecurityMode(const char* machine, const char* sqlServerName, const char* sqlUser,
                              unsigned long* mode);

// Nothing to list here: each returns 0 and touches nothing.
unsigned long sqlServerList(const char* machine, const char* clusterName, KelInstallSQLObjectList_t* list,
                            const char* focus);
unsigned long sqlDatabaseList(const char* sqlServerName, const char* sqlUser, const char* sqlPassword,
                              KelInstallSQLObjectList_t* list, const char* focus, int clustered);
unsigned long sqlSAUserList(KelSQLSAUserType type, const char* sqlServerName, const char* sqlUser,
                            const char* sqlPassword, KelInstallSQLObjectList_t* list, const char* focus);
// Registers or refreshes an instance of the focus machine in the catalogue:
// its application id (master) with the storage policy archiveGroupId, its
// row with the undo-file path, the clustered flag and the SQL login given;
// *sqlServerId = its catalogue id. With prop, inside the network transaction
// prop holds with the Ostrel (none: 0x1E000041); without, in one of its own.
unsigned long sqlInstallServerProperty(KelSQLClassProperties* prop, const char* sqlServerName, const char* sqlUser,
                                       const char* sqlPassword, const char* undoFilePath,
                                       unsigned long archiveGroupId, const char* focus, bool clustered,
                                       unsigned long* sqlServerId);
unsigned long sqlInstallServer(const char* sqlServerName, const char* sqlUser, const char* sqlPassword,
                               const char* undoFilePath, unsigned long archiveGroupId, const char* focus,
                               bool clustered);
// Registers or refreshes a live database of an instance in the catalogue:
// its application id with the storage policies given, its row and its file
// groups; the transaction as for sqlInstallServerProperty.
unsigned long sqlInstallDatabaseProperty(KelSQLClassProperties* prop, const char* sqlServerName,
                                         const char* databaseName, unsigned long archiveGroupId,
                                         unsigned long logArchiveGroupId, const char* focus);
unsigned long sqlInstallDatabase(const char* sqlServerName, const char* databaseName, unsigned long archiveGroupId,
                                 unsigned long logArchiveGroupId, const char* focus);
// True; the outputs stay as the caller set them.
bool sqlDatabaseNotAccessable(KelSQLClassProperties& prop, const std::string& databaseName, KelLastError& error,
                              bool& notAccessable, KelSQLDatabasePropertyType& reason);
