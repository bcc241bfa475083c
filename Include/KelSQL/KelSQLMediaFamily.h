// One stream of a backup set and the archive file it was written to: a row
// of table sqlArchiveSet. It is also the message that carries its own
// operations: an agent records each stream of a finished backup by request,
// at most once per backup set and sequence number. The archive file's own
// Tessel is not stored: a row read back gives it the row's.
//
// The context is borrowed and outlives the record.
#pragma once

#include <cstdint>
#include <string>

#include "KelSQL/KelNetSQLMediaFamily.h"

class DBtable;
struct SqlArchiveSet_t;

class KelSQLMediaFamily : public KelNetSQLMediaFamily {
public:
    // serverObject: built by the message handler to answer a request; only
    // such an object runs the Ostrel-side insert and lookup.
    KelSQLMediaFamily(KelSQLClassProperties& context, bool serverObject);
    KelSQLMediaFamily(const KelSQLMediaFamily&) = delete;
    // Copies the record only.
    KelSQLMediaFamily& operator=(const KelSQLMediaFamily& other);

    void initializeSQLObject();

    // Agent: sends the loaded record (DBCode 4) for the backup set and takes
    // back the stored row.
    bool insert(unsigned long tesselId, unsigned long sqlBackupSetId);
    // Ostrel, server object, in the started transaction: stores the request's
    // record unless the backup set has that sequence number already
    // (0x1E000069).
    bool insert(const KelNetSQLMediaFamily_t& request, KelNetSQLMediaFamily_t& response);
    // Ostrel, server object: the row of the request's SqlArchiveSetId.
    bool lookup(const KelNetSQLMediaFamily_t& request, KelNetSQLMediaFamily_t& response);

    // By row id: read here on the Ostrel or an agent that needs no
    // connection, else by request (DBCode 1).
    bool query(unsigned long sqlArchiveSetId);
    // Local only: the stream of that sequence number of the backup set.
    bool query(unsigned long sqlBackupSetId, unsigned long sequenceNumber);
    // Agent: true, and nothing is loaded; refused elsewhere (0x1E000034).
    bool clientQuery(unsigned long mediaSetId, unsigned long sequenceNumber);

    // save is copyToNetwork, restore copyFromNetwork; a null record is
    // refused (0x1E000001).
    bool save(KelNetSQLMediaFamily_t* record);
    bool restore(const KelNetSQLMediaFamily_t* record);

    uint64_t mediaSetId() const { return mediaSetId_; }
    uint64_t sequenceNumber() const { return sequenceNumber_; }
    uint64_t archiveTesselId() const { return archiveTesselId_; }
    uint64_t archiveGroupNumber() const { return archiveGroupNumber_; }
    uint64_t archiveFileNumber() const { return archiveFileNumber_; }
    uint64_t sqlBackupSetId() const { return sqlBackupSetId_; }
    uint64_t tesselId() const { return tesselId_; }
    uint64_t sqlId() const { return sqlId_; }
    long long sqlCode() const { return sqlCode_; }
    bool isLoaded() const { return loaded_; }

    // Copies between the object, the wire record and the row.
    void copyToNetwork(KelNetSQLMediaFamily_t& rec) const;
    void copyFromNetwork(const KelNetSQLMediaFamily_t& rec);
    void copyToSql(SqlArchiveSet_t& row) const;
    void copyFromSql(const SqlArchiveSet_t& row);
    static void copyNetworkToSql(const KelNetSQLMediaFamily_t& rec, SqlArchiveSet_t& row);
    static void copyNetworkFromSql(KelNetSQLMediaFamily_t& rec, const SqlArchiveSet_t& row);

private:
    bool fail(uint64_t number, const char* signature);
    // 0x1E000033 with the record's description and the database's text.
    bool rowError(DBtable& record);
    // One row by where_ into the object; sqlCode keeps the read's result.
    bool serverQuery();

    KelSQLClassProperties& context_;
    bool serverObject_;
    bool loaded_ = false;
    long long sqlCode_ = 0;
    std::string where_;
    uint64_t mediaSetId_ = 0;
    uint64_t sequenceNumber_ = 0;
    uint64_t archiveTesselId_ = 0;
    uint64_t archiveGroupNumber_ = 0;
    uint64_t archiveFileNumber_ = 0;
    uint64_t sqlBackupSetId_ = 0;
    uint64_t tesselId_ = 0;
    uint64_t sqlId_ = 0;
};
