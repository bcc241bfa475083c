// Removal detection of one database. The agent asks with
// KelSQLDatabaseDeletionCheck::removalUpdate(tesselId, clientName, ...); the
// Ostrel, on a context of its own, probes the database, then its configured
// file groups, then their configured files on the client's agent host, stamps
// what is gone with the agent's time in one transaction and repairs the file
// subclient chains of the database in a second. The three probe classes run
// the Ostrel's check of one object (check(ids...), inside the caller's
// transaction) and answer the probe on the agent host (check(req, rsp)).
//
// Each object owns the objects below it; one thread per object.
#pragma once

#include <memory>
#include <string>

#include "KelSQL/KelNetSQLDeleteCheck.h"
#include "KelSQL/KelSQLDateAndTime.h"

class KelSQLClassProperties;
class KelSQLDatabase;
class KelSQLFileGroup;
class KelSQLFile;

class KelSQLFileDeleteCheck : public KelNetSQLFileDeleteCheck {
public:
    KelSQLFileDeleteCheck(KelSQLClassProperties& context, bool responder);
    ~KelSQLFileDeleteCheck() override;

    void initializeSQLObject(bool valid);
    bool check(const std::string& sqlDatabaseName, const std::string& sqlFileGroupName, unsigned long sqlFileId);
    bool check(KelNetSQLDatabaseDeleteCheck_t& request, KelNetSQLDatabaseDeleteCheck_t& response);
    bool removalUpdate() const { return removalUpdate_; }

private:
    KelSQLClassProperties& context_;
    std::unique_ptr<KelSQLFile> file_;
    bool valid_ = false;
    bool responder_;
    bool removalUpdate_ = false;
    unsigned long fileId_ = 0;
    std::string sqlDatabaseName_, fileGroupName_, fileName_;
    KelSQLDateAndTime removalTime_;
    unsigned long sqlFileId_ = 0;
};

class KelSQLFileGroupDeleteCheck : public KelNetSQLFileGroupDeleteCheck {
public:
    KelSQLFileGroupDeleteCheck(KelSQLClassProperties& context, bool responder);
    ~KelSQLFileGroupDeleteCheck() override;

    void initializeSQLObject(bool valid);
    bool check(const std::string& sqlDatabaseName, unsigned long sqlFileGroupId);
    bool check(KelNetSQLDatabaseDeleteCheck_t& request, KelNetSQLDatabaseDeleteCheck_t& response);
    bool removalUpdate() const { return removalUpdate_; }

private:
    bool checkFiles();

    KelSQLClassProperties& context_;
    std::unique_ptr<KelSQLFileGroup> fileGroup_;
    std::unique_ptr<KelSQLFileDeleteCheck> fileCheck_;
    bool valid_ = false;
    bool responder_;
    bool removalUpdate_ = false;
    unsigned long groupId_ = 0;
    std::string sqlDatabaseName_, fileGroupName_;
    KelSQLDateAndTime removalTime_;
    unsigned long sqlFileGroupId_ = 0;
};

class KelSQLDatabaseDeleteCheck : public KelNetSQLDatabaseDeleteCheck {
public:
    KelSQLDatabaseDeleteCheck(KelSQLClassProperties& context, bool responder);
    ~KelSQLDatabaseDeleteCheck() override;

    void initializeSQLObject(bool valid);
    bool check(unsigned long sqlDatabaseId);
    bool check(KelNetSQLDatabaseDeleteCheck_t& request, KelNetSQLDatabaseDeleteCheck_t& response);
    bool removalUpdate() const { return removalUpdate_; }

private:
    bool checkFileGroups();

    KelSQLClassProperties& context_;
    std::unique_ptr<KelSQLDatabase> database_;
    std::unique_ptr<KelSQLFileGroupDeleteCheck> fileGroupCheck_;
    bool valid_ = false;
    bool responder_;
    bool removalUpdate_ = false;
    unsigned long databaseId_ = 0;
    std::string sqlDatabaseName_;
    KelSQLDateAndTime removalTime_;
    unsigned long sqlDatabaseId_ = 0;
};

class KelSQLDatabaseDeletionCheck : public KelNetSQLDatabaseDeletionCheck {
public:
    KelSQLDatabaseDeletionCheck(KelSQLClassProperties& context, bool responder);
    ~KelSQLDatabaseDeletionCheck() override;

    void initializeSQLObject(bool valid);
    // Agent side: true when the Ostrel ran the check; removalUpdate() then
    // says whether it stamped anything.
    bool removalUpdate(unsigned long tesselId, const std::string& clientName, unsigned long sqlServerId,
                       unsigned long sqlDatabaseId);
    // Ostrel side, from the handler.
    bool removalUpdate(KelNetSQLDatabaseDeletionCheckReq_t& request, KelNetSQLDatabaseDeletionCheckRsp_t& response);
    bool removalUpdate() const { return removalUpdate_; }

private:
    bool prepareAgentHost(const char* signature);
    bool stamp();
    void repairChains();

    KelSQLClassProperties& context_;
    // Present only when built to answer.
    std::unique_ptr<KelSQLClassProperties> own_;
    std::unique_ptr<KelSQLDatabaseDeleteCheck> databaseCheck_;
    bool valid_ = false;
    bool responder_;
    unsigned long sqlServerId_ = 0, sqlDatabaseId_ = 0, tesselId_ = 0;
    bool removalUpdate_ = false;
    std::string clientName_;
};
