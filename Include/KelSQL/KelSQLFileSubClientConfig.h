// The Ostrel's service for file and file-group subclients: creates one with
// its member chain and application id, adds and removes members, deletes it
// logically or by force, and translates between a subclient and the layout
// tree of its database that a user edits. Editing runs inside the catalogue
// transaction the caller started; nothing here commits or rolls back.
//
// The context is borrowed and outlives the object; the object owns its
// subclient and member objects. One subclient at a time: query and insert
// load one, and the member list follows its chain.
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <string>

#include "KelSQL/KelSQLDatabaseLayout.h"
#include "platform/events/KelLastError.h"

class KelSQLClassProperties;
class KelSQLFileSubClient;
class KelSQLFileSubClientGroup;

// One member: its row id (0 while not stored), file group and file (0: the
// whole group).
struct KelSQL_FSC_Entry_t {
    uint64_t sqlFileSubClientGroupId = 0;
    uint64_t sqlFileGroupId = 0;
    uint64_t sqlFileId = 0;
};

class KelSQLFileSubClientConfig {
public:
    explicit KelSQLFileSubClientConfig(KelSQLClassProperties& context);
    ~KelSQLFileSubClientConfig();
    KelSQLFileSubClientConfig(const KelSQLFileSubClientConfig&) = delete;
    KelSQLFileSubClientConfig& operator=(const KelSQLFileSubClientConfig&) = delete;

    void clear();
    void setArchiveGroupId(uint64_t id) { archiveGroupId_ = id; }
    void setSubClientName(const std::string& name);
    void setTesselId(uint64_t id);
    bool addSqlFileGroupId(uint64_t sqlFileGroupId);
    bool addSqlFileId(uint64_t sqlFileGroupId, uint64_t sqlFileId);

    // Creates the subclient with the listed members (the first ends the
    // chain, the last is its head) and its application id.
    bool insert(const std::string& clientName, uint64_t sqlDatabaseId);
    bool query(uint64_t sqlFileSubClientId);
    bool addGroupEntry(uint64_t sqlFileGroupId, uint64_t sqlFileId);
    bool deleteGroupEntry(uint64_t sqlFileSubClientGroupId);
    // Marks the subclient deleted and renames it to the time, freeing its name.
    bool logicalDeletion(uint64_t sqlFileSubClientId);
    bool forceDeletion(uint64_t sqlFileSubClientId);

    bool getDatabaseLayout(uint64_t sqlDatabaseId, KelSQLDatabaseLayout& layout);
    // The database's tree with the subclient's members marked: a whole-group
    // member Configured, with its files FileGroupConfigured; a single file
    // Configured, with its group FileConfigured.
    bool getFileSubClientLayout(uint64_t sqlFileSubClientId, KelSQLDatabaseLayout& layout);
    // Applies the Add/DeleteOperation marks of a tree from
    // getFileSubClientLayout; on failure the caller's tree is as it was.
    bool updateFileSubClientLayout(KelSQLDatabaseLayout& layout);
    bool createFileSubClientLayout(const std::string& clientName, uint64_t tesselId, uint64_t archiveGroupId,
                                   KelSQLDatabaseLayout& layout, const std::string& subClientName);

    const std::list<KelSQL_FSC_Entry_t>& entries() const { return entries_; }
    KelSQLFileSubClient& subClient() { return *subClient_; }
    uint64_t archiveGroupId() const { return archiveGroupId_; }
    KelLastError& getLastError() { return error_; }

private:
    bool fail(uint64_t number, const char* signature);
    bool copyError(KelLastError& from);
    bool requireOstrel(const char* signature);
    bool requireTransaction(const char* signature);
    bool requireLoaded(const char* signature);
    void reset();
    bool readMembers(uint64_t sqlFileSubClientId, const char* signature);
    bool insertMembers();
    bool createAppId(const std::string& clientName, const std::string& serverName, const std::string& databaseName);
    // The database's state refuses an edit (critical 0x1E0000D8 / 0x1E0000D7).
    bool databaseRefuses(const KelSQLDatabaseLayout& layout);
    bool removals(KelSQLDatabaseLayoutInternal& view);
    bool additions(KelSQLDatabaseLayoutInternal& view);

    KelSQLClassProperties& context_;
    KelLastError error_;
    uint64_t archiveGroupId_ = 0;
    std::unique_ptr<KelSQLFileSubClient> subClient_;
    std::unique_ptr<KelSQLFileSubClientGroup> group_;
    std::list<KelSQL_FSC_Entry_t> entries_;
};
