// One item of a restore task: a row of table sqlRestoreData naming a
// catalogue object (its type code, id and name) the task restores, the head
// of its file relocations and the next item. Written and removed on the
// Ostrel only; read by id on either side (an agent asks the Ostrel).
//
// The context is borrowed and outlives the object.
#pragma once

#include <cstdint>
#include <string>

#include "KelSQL/KelNetSQLRestoreData.h"

class DBtable;
struct SqlRestoreData_t;

class KelSQLRestoreData : public KelNetSQLRestoreData {
public:
    static constexpr size_t kNameMax = 128;

    // serverObject: built by the message handler to answer a request; an
    // owner removing a chain passes its own flag on.
    KelSQLRestoreData(KelSQLClassProperties& context, bool serverObject);
    KelSQLRestoreData(const KelSQLRestoreData&) = delete;
    KelSQLRestoreData& operator=(const KelSQLRestoreData&) = delete;

    void initializeSQLObject();

    // Ostrel, started transaction: the record as a new row, read back.
    bool insert();
    // Ostrel, started transaction: writes the record's non-zero numbers and
    // non-empty name into row sqlRestoreDataId (0: the record's), read back.
    bool update(unsigned long sqlRestoreDataId);
    // Ostrel (or server object), started transaction: the item and every
    // item after it with their file relocations: each item's relocations
    // (from their tail), then the items from the chain's tail to this one.
    // A chain that comes round to an id again is refused (0x1E000033).
    bool remove(unsigned long sqlRestoreDataId);
    // By id (0: the record's), here on the Ostrel or an agent that needs no
    // connection, else from the Ostrel.
    bool query(unsigned long sqlRestoreDataId);
    // The handler's answer (server object only).
    bool query(const KelNetSQLRestoreDataReq_t& request, KelNetSQLRestoreData_t& response);

    unsigned long sqlId() const { return id_; }
    unsigned long restoreTaskId() const { return restoreTaskId_; }
    unsigned long dataSqlId() const { return sqlDataId_; }
    uint32_t dataType() const { return dataType_; }
    unsigned long sqlFileRenameId() const { return sqlFileRenameId_; }
    unsigned long next() const { return next_; }
    const std::string& sqlName() const { return sqlName_; }
    void setRestoreTaskId(unsigned long id) { restoreTaskId_ = id; }
    void setDataSqlId(unsigned long id) { sqlDataId_ = id; }
    void setDataType(uint32_t type) { dataType_ = type; }
    void setSqlFileRenameId(unsigned long id) { sqlFileRenameId_ = id; }
    void setNext(unsigned long id) { next_ = id; }
    void setSqlName(const std::string& name) { sqlName_ = name; }
    bool isLoaded() const { return loaded_; }
    long long sqlCode() const { return sqlCode_; }

    [[nodiscard]] bool copyToNetwork(KelNetSQLRestoreData_t& rec);
    void copyFromNetwork(const KelNetSQLRestoreData_t& rec);
    [[nodiscard]] bool copyToSql(SqlRestoreData_t& row);
    void copyFromSql(const SqlRestoreData_t& row);

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
    unsigned long sqlDataId_ = 0;
    uint32_t dataType_ = 0;
    unsigned long sqlFileRenameId_ = 0;
    unsigned long next_ = 0;
    std::string sqlName_;
};
