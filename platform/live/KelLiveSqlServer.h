// The agent's view of its live SQL Server instances: databases, file groups
// and files by name, name lists, database properties and states, the service
// controller and the host's instance list. No SQL Server runs on this
// platform, so the reader in use is NoLiveSqlServer, which reads nothing;
// tests install a reader that serves a live instance of their choosing, so
// that the rules above the readers run for real. Production code never
// installs anything.
//
// Every reader returns true when it read (or, as here, had nothing to read)
// and leaves its outputs as the caller set them when it read nothing; false
// when a read failed, with the reason in err.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/events/KelLastError.h"

namespace kel::live {

// Where a read goes: the machine in focus and the instance on it.
struct LiveTarget {
    std::string machine;
    std::string instance;
};

struct LiveDatabase {
    unsigned long databaseId = 0;       // SQL Server's own id; 1 is master
    unsigned long creationTime = 0;     // seconds since 1970
    unsigned long systemFlags = 0;      // bit 0: a system database
};

struct LiveFileGroup {
    unsigned long groupId = 0;
};

// What SQL Server reports of a database restored step by step: its status
// word, the agent's property code, the last restore and, for a database
// still loading, the log range it may take next. Times in seconds since 1970.
struct LiveRestoreState {
    unsigned long status = 0;
    unsigned long property = 0;
    unsigned long restoreId = 0;
    unsigned long backupSetId = 0;
    unsigned long restoreType = 0;
    unsigned long restoreDate = 0;
    unsigned long stopAt = 0;
    std::string backupSetName;
    bool logOnly = false;
    std::string firstLSN, lastLSN, checkpointLSN, fullBackupLSN;
};

// One SQL Server instance installed on a machine, as its enumeration gives it.
struct LiveInstance {
    std::string name;
    std::string version;      // "major.minor.build", any part may be missing
    std::string description;
};

struct LiveFile {
    unsigned long fileId = 0;
    std::string physicalName;
    unsigned long size = 0;
    unsigned long maxSize = 0;
};

class LiveSqlServer {
public:
    virtual ~LiveSqlServer() = default;

    // found says whether the instance has the named object.
    virtual bool database(const LiveTarget& at, const std::string& name, LiveDatabase& out, bool& found,
                          KelLastError& err) = 0;
    virtual bool fileGroup(const LiveTarget& at, const std::string& database, const std::string& name,
                           LiveFileGroup& out, bool& found, KelLastError& err) = 0;
    virtual bool file(const LiveTarget& at, const std::string& database, const std::string& fileGroup,
                      const std::string& logicalName, LiveFile& out, bool& found, KelLastError& err) = 0;
    // Name lists, in the instance's order; appended to names.
    virtual bool databaseNames(const LiveTarget& at, std::vector<std::string>& names, KelLastError& err) = 0;
    virtual bool fileGroupNames(const LiveTarget& at, const std::string& database, std::vector<std::string>& names,
                                KelLastError& err) = 0;
    virtual bool fileNames(const LiveTarget& at, const std::string& database, const std::string& fileGroup,
                           std::vector<std::string>& names, KelLastError& err) = 0;
    // A database property or state as SQL Server names it ("Status",
    // "Recovery", "IsInStandBy", ...) and a database option ("read only", ...).
    virtual bool property(const LiveTarget& at, const std::string& database, const std::string& name,
                          std::string& value, KelLastError& err) = 0;
    virtual bool option(const LiveTarget& at, const std::string& database, const std::string& name, bool& set,
                        KelLastError& err) = 0;
    // The instance's service: its state as the service controller reports it,
    // and a start or stop.
    virtual bool serviceState(const LiveTarget& at, unsigned long& state, KelLastError& err) = 0;
    virtual bool controlService(const LiveTarget& at, bool start, KelLastError& err) = 0;
    // The SQL Server instances installed on the machine.
    virtual bool instanceNames(const std::string& machine, std::vector<std::string>& names, KelLastError& err) = 0;

    // False for a reader that reads nothing (this platform's): a lookup by
    // name then takes the object as present and copies nothing from it.
    virtual bool readsLiveInstance() const { return true; }

    // The readers below read nothing unless a reader overrides them, so that
    // readers written before them keep their meaning.
    //
    // The instances of the machine (of its cluster when clustered), with
    // their versions and descriptions; appended to out.
    virtual bool instances(const std::string& machine, bool clustered, std::vector<LiveInstance>& out,
                           KelLastError& err);
    // A yes/no database property ("IsShutDown", "IsInStandBy", ...).
    virtual bool flagProperty(const LiveTarget& at, const std::string& database, const std::string& name, bool& set,
                              KelLastError& err);
    // Whether the database's backup history leaves only a full backup
    // possible (a log chain broken since the last full backup).
    virtual bool fullBackupRequired(const LiveTarget& at, const std::string& database, bool& fullBackup,
                                    KelLastError& err);
    // The instance's root directory (found says whether the reader knows it)
    // and whether the server binary at serverPath runs in single-user mode.
    virtual bool rootDirectory(const LiveTarget& at, std::string& directory, bool& found, KelLastError& err);
    virtual bool singleUserMode(const LiveTarget& at, const std::string& serverPath, bool& singleUser,
                                KelLastError& err);
    // The database's step-restore state; read says whether anything was read.
    virtual bool restoreState(const LiveTarget& at, const std::string& database, LiveRestoreState& out, bool& read,
                              KelLastError& err);
};

// The reader in use: the installed one, else NoLiveSqlServer.
LiveSqlServer& liveSqlServer();

// Tests only: makes reader the one in use (null: back to the default) and
// returns the one it replaces. Not for use while another thread reads.
std::unique_ptr<LiveSqlServer> installLiveSqlServer(std::unique_ptr<LiveSqlServer> reader);

}  // namespace kel::live
