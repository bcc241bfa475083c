// One file relocation of a restore task: a row of table sqlFileRename naming
// a database file by its logical name and the path it is restored to.
// Relocations chain through next; a restore data item points to the head of
// its chain. Written and removed on the Ostrel only; read by id on either
// side (an agent asks the Ostrel).
//
// The context is borrowed and outlives the object.
#pragma once

#include <cstdint>
#include <string>

#include "KelSQL/KelNetSQLFileRename.h"

class DBtable;
struct SqlFileRename_t;

class KelSQLFileRename : public KelNetSQLFileRename {
public:
    static constexpr size_t kLogicalNameMax = 128;
    static constexpr size_t kPhysicalNameMax = 260;

    // serverObject: built by the message handler to answer a request; an
    // owner removing a chain passes its own flag on.
    KelSQLFileRename(KelSQLClassProperties& context, bool serverObject);
    KelSQLFileRename(const KelSQLFileRename&) = delete;
    KelSQLFileRename& operator=(const KelSQLFileRename&) = delete;

    void initializeSQLObject();

    // Ostrel, started transaction: a relocation of catalogue file sqlFileId
    // (its logical name) to physicalName; the caller supplies next.
    bool insert(unsigned long sqlRestoreTaskId, const std::string& physicalName, unsigned long sqlFileId,
                unsigned long next);
    // Ostrel, started transaction: the record as a new row, read back.
    bool insert();
    // Ostrel (or server object), started transaction: the relocation and
    // every one after it, from the chain's tail to this one. A chain that
    // comes round to an id again is refused (0x1E000033) before any delete.
    bool remove(unsigned long sqlFileRenameId);
    // By id (0: the record's), here on the Ostrel or an agent that needs no
    // connection, else from the Ostrel.
    bool query(unsigned long sqlFileRenameId);
    // The handler's answer (server object only).
    bool query(const KelNetSQLFileRenameReq_t& request, KelNetSQLFileRename_t& response);

    unsigned long sqlId() const { return id_; }
    unsigned long restoreTaskId() const { return restoreTaskId_; }
    unsigned long next() const { return next_; }
    const std::string& logicalName() const { return logicalName_; }
    const std::string& physicalName() const { return physicalName_; }
    void setRestoreTaskId(unsigned long id) { restoreTaskId_ = id; }
    void setNext(unsigned long id) { next_ = id; }
    void setLogicalName(const std::string& name) { logicalName_ = name; }
    void setPhysicalName(const std::string& name) { physicalName_ = name; }
    bool isLoaded() const { return loaded_; }
    long long sqlCode() const { return sqlCode_; }

    [[nodiscard]] bool copyToNetwork(KelNetSQLFileRename_t& rec);
    void copyFromNetwork(const KelNetSQLFileRename_t& rec);
    [[nodiscard]] bool copyToSql(SqlFileRename_t& row);
    void copyFromSql(const SqlFileRename_t& row);

private:
    bool fail(uint64_t number, const char* signature);
    bool rowError(DBtable& record);
    bool queryLocal(unsigned long id);

    KelSQLClassProperties& context_;
    bool serverObject_;
    bool loaded_ = false;
    long long sqlCode_ = 0;
    std::string where_;
    unsigned long id_ = 0;
    unsigned long restoreTaskId_ = 0;
    unsigned long next_ = 0;
    std::string logicalName_;
    std::string physicalName_;
};
