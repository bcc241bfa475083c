// The catalogue record of one member of a file subclient: a row of table
// sqlFileSubClientGroup, either a whole file group (file id 0) or a single
// file with its group. A subclient's members form a chain: the subclient
// names the head, each row its next, and 0 ends it; new members go in front.
// Editing runs on the Ostrel only, inside the caller's catalogue
// transaction; a read by id also runs on an agent, which asks the Ostrel.
//
// Every walk of a chain is bounded by the number of the subclient's rows, so
// a damaged catalogue (a loop, a row outside its chain) ends with an error.
//
// The context is borrowed and outlives the record.
#pragma once

#include <cstdint>
#include <string>

#include "KelSQL/KelNetSQLFileSubClient.h"

struct SqlFileSubClientGroup_t;

class KelSQLFileSubClientGroup : public KelNetSQLFileSubClientGroup {
public:
    KelSQLFileSubClientGroup(KelSQLClassProperties& context, bool serverSide);
    KelSQLFileSubClientGroup(const KelSQLFileSubClientGroup&) = delete;
    KelSQLFileSubClientGroup& operator=(const KelSQLFileSubClientGroup&) = delete;

    // 0 means the object's own id.
    bool query(unsigned long sqlFileSubClientGroupId);
    // Ostrel: adds the row from the fields; a next id that names no row
    // becomes 0.
    bool insert();
    // Ostrel: writes the row's next id (0 only when set explicitly), then
    // reloads it.
    bool update(unsigned long sqlFileSubClientGroupId);
    // Ostrel: the prepared row in front of the given head.
    bool addEntry(unsigned long sqlFileSubClientGroupIdRoot);
    // Ostrel: unlinks the row from the subclient's chain, then deletes it.
    bool deleteEntry(unsigned long sqlFileSubClientId, unsigned long sqlFileSubClientGroupId);
    // Ostrel: every row of the subclient (its head is left to the caller).
    bool deleteGroup(unsigned long sqlFileSubClientId);
    // Ostrel: repairs the chain from the given row to its end after file
    // groups or files were found missing. The owning subclient's id, 0 on
    // failure. With nextIdPending true on return the head was deleted and
    // newNextId is the new head.
    unsigned long updateContent(unsigned long sqlFileSubClientGroupId, unsigned long& newNextId,
                                bool& nextIdPending, bool& contentChanged);

    void copyToNetwork(KelNetSQLFileSubClientGroup_t& rec) const;
    void copyFromNetwork(const KelNetSQLFileSubClientGroup_t& rec);
    void copyToSql(SqlFileSubClientGroup_t& row) const;
    void copyFromSql(const SqlFileSubClientGroup_t& row);

    unsigned long sqlId() const { return sqlId_; }
    unsigned long sqlFileSubClientId() const { return sqlFileSubClientId_; }
    unsigned long tesselId() const { return tesselId_; }
    unsigned long sqlFileId() const { return sqlFileId_; }
    unsigned long sqlFileGroupId() const { return sqlFileGroupId_; }
    unsigned long sqlNextId() const { return sqlNextId_; }
    long long sqlCode() const { return sqlCode_; }
    bool serverSide() const { return serverSide_; }
    void setTesselId(unsigned long id) { tesselId_ = id; }
    void setSqlFileSubClientId(unsigned long id) { sqlFileSubClientId_ = id; }
    // A single-file member.
    void setSqlFileId(unsigned long fileGroupId, unsigned long fileId) {
        sqlFileGroupId_ = fileGroupId;
        sqlFileId_ = fileId;
    }
    // A whole-group member.
    void setSqlFileGroupId(unsigned long fileGroupId) {
        sqlFileGroupId_ = fileGroupId;
        sqlFileId_ = 0;
    }
    // explicitNext lets an update write 0.
    void setSqlNextId(unsigned long id, bool explicitNext) {
        sqlNextId_ = id;
        nextExplicit_ = explicitNext;
    }
    void clear();

private:
    bool copyError(KelLastError& from);
    bool requireOstrel(const char* signature);
    bool requireTransaction(const char* signature);
    bool serverQuery(unsigned long id);
    // The number of rows of the subclient: the bound of every walk.
    bool rowCount(unsigned long sqlFileSubClientId, unsigned long& count, const char* signature);
    bool deleteRow(unsigned long id, const char* signature);
    // One row of updateContent: the owning subclient's id, 0 on failure.
    unsigned long repairRow(unsigned long id, unsigned long& newNextId, bool& nextIdPending, bool& contentChanged,
                            const char* signature);
    // Whether the member still exists; its present replacement's id in
    // replacement (0: removed without one). False on a failure.
    bool memberGroup(unsigned long id, unsigned long& replacement, bool& removed, const char* signature);
    bool memberFile(unsigned long id, unsigned long& replacement, bool& removed, const char* signature);

    KelSQLClassProperties& context_;
    bool serverSide_;
    long long sqlCode_ = 0;
    unsigned long sqlId_ = 0;
    unsigned long sqlFileSubClientId_ = 0;
    unsigned long tesselId_ = 0;
    unsigned long sqlFileId_ = 0;
    unsigned long sqlFileGroupId_ = 0;
    unsigned long sqlNextId_ = 0;
    bool nextExplicit_ = false;
};
