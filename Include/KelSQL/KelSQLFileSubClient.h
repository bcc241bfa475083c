// The catalogue record of one file subclient: a row of table
// sqlFileSubClient, with its name, streams, two flag bits (logically
// deleted; next backup full) and the head of its member chain in
// sqlFileSubClientGroup. Writes run on the Ostrel only, inside the caller's
// catalogue transaction; a read by id also runs on an agent, which asks the
// Ostrel.
//
// The context is borrowed and outlives the record; the record owns its
// delete flag.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "KelSQL/KelNetSQLFileSubClient.h"
#include "KelSQL/KelSQLLogicalDeletion.h"
#include "KelSQL/KelSQLValues.h"

struct SqlFileSubClient_t;

class KelSQLFileSubClient : public KelNetSQLFileSubClient {
public:
    static constexpr unsigned long kDeletedFlag = 0x1;
    static constexpr unsigned long kFullRequiredFlag = 0x2;

    KelSQLFileSubClient(KelSQLClassProperties& context, bool serverSide);
    ~KelSQLFileSubClient() override;
    KelSQLFileSubClient(const KelSQLFileSubClient&) = delete;
    KelSQLFileSubClient& operator=(const KelSQLFileSubClient&) = delete;

    // 0 means the object's own id.
    bool query(unsigned long sqlFileSubClientId);
    // Ostrel: writes the columns that are set (the head when set through
    // setSqlFileSubClientGroupId even as 0, the flags when changed), then
    // reloads the row.
    bool update(unsigned long sqlFileSubClientId);
    // Ostrel: a new, empty subclient whose first backup is full.
    bool insert();
    // Ostrel: the member chain, then the row.
    bool deleteEntry(unsigned long sqlFileSubClientId);
    // Ostrel: every file subclient of the database.
    bool deleteDatabase(unsigned long sqlDatabaseId);
    // Ostrel: every file subclient of the database gets exactly the flag
    // (which also clears full-required).
    bool updateDeleteFlag(unsigned long sqlDatabaseId, bool deleteFlag);
    // The ids (or, with heads, the head member ids) of the database's file
    // subclients, deleted ones included, in catalogue order.
    bool getFileSubclientGroupsForDatabase(unsigned long sqlDatabaseId, std::vector<unsigned long>& ids, bool heads);
    void clear();

    void copyToNetwork(KelNetSQLFileSubClient_t& rec) const;
    void copyFromNetwork(const KelNetSQLFileSubClient_t& rec);
    [[nodiscard]] bool copyToSql(SqlFileSubClient_t& row);
    void copyFromSql(const SqlFileSubClient_t& row);

    unsigned long sqlId() const { return sqlId_; }
    unsigned long sqlDatabaseId() const { return sqlDatabaseId_; }
    void setSqlDatabaseId(unsigned long id) { sqlDatabaseId_ = id; }
    const std::string& subClientName() const { return subClientName_; }
    void setSubClientName(const std::string& name) { subClientName_ = name; }
    unsigned long applicationNumber() const { return applicationNumber_; }
    void setApplicationNumber(unsigned long number) { applicationNumber_ = number; }
    unsigned long tesselId() const { return tesselId_; }
    void setTesselId(unsigned long id) { tesselId_ = id; }
    unsigned long flags() const { return flags_; }
    KelSQLStreams& streams() { return streams_; }
    unsigned long sqlFileSubClientGroupId() const { return headId_; }
    void setSqlFileSubClientGroupId(unsigned long id) {
        headId_ = id;
        headSet_ = true;
    }
    bool isFullRequired() const { return (flags_ & kFullRequiredFlag) != 0; }
    void setFullRequiredFlagOn() {
        flags_ |= kFullRequiredFlag;
        flagsChanged_ = true;
    }
    void setDeleteFlagOn();
    void setDeleteFlagOff();
    bool isDeleted() const { return deleteFlag_->isDeleted(); }
    long long sqlCode() const { return sqlCode_; }
    bool serverSide() const { return serverSide_; }

private:
    bool copyError(KelLastError& from);
    bool requireOstrel(const char* signature);
    bool requireTransaction(const char* signature);
    bool serverQuery(unsigned long id);
    // Every row of the database in turn; stops at the first failure.
    template <class Each>
    bool forEachOfDatabase(unsigned long sqlDatabaseId, const char* signature, Each each);

    KelSQLClassProperties& context_;
    bool serverSide_;
    long long sqlCode_ = 0;
    unsigned long sqlId_ = 0;
    unsigned long tesselId_ = 0;
    unsigned long sqlDatabaseId_ = 0;
    unsigned long applicationNumber_ = 0;
    unsigned long flags_ = 0;
    unsigned long headId_ = 0;
    KelSQLStreams streams_;
    bool flagsChanged_ = false;
    bool headSet_ = false;
    std::unique_ptr<KelSQLLogicalDeletion> deleteFlag_;
    std::string subClientName_;
};
