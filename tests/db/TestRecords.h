// Small records over catalogue tables, written the way the record families
// describe themselves to the library, for the library's own tests.
#pragma once

#include <sqlite3.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/db/DBEngine.h"
#include "platform/db/DBtable.h"
#include "platform/util/KelHome.h"

namespace kel::test {

struct FileGroupRow {
    int32_t id = 0;
    int32_t tesselId = 0;
    int32_t sqlDatabaseId = 0;
    int32_t applicationNumber = 0;
    int32_t groupId = 0;
    char fileGroupName[129] = {};
    int32_t streams = 0;
    int32_t maxStreams = 0;
    int32_t addTime = 0;
    int32_t removalTime = 0;
    int32_t deleteFlag = 0;
};

inline const DBColumnLayout& fileGroupLayout() {
    static const DBColumn columns[] = {
        KEL_DB_COLUMN(FileGroupRow, id, "i"),
        KEL_DB_COLUMN(FileGroupRow, tesselId, "i"),
        KEL_DB_COLUMN(FileGroupRow, sqlDatabaseId, "i"),
        KEL_DB_COLUMN(FileGroupRow, applicationNumber, "i"),
        KEL_DB_COLUMN(FileGroupRow, groupId, "i"),
        KEL_DB_COLUMN(FileGroupRow, fileGroupName, "s129"),
        KEL_DB_COLUMN(FileGroupRow, streams, "i"),
        KEL_DB_COLUMN(FileGroupRow, maxStreams, "i"),
        KEL_DB_COLUMN(FileGroupRow, addTime, "i"),
        KEL_DB_COLUMN(FileGroupRow, removalTime, "i"),
        KEL_DB_COLUMN(FileGroupRow, deleteFlag, "i"),
    };
    static const char* const keys[] = {"id"};
    static const DBColumnLayout layout{columns, 11, keys, 1, 0, "id", DBKindTable, "Table SqlFileGroup"};
    return layout;
}

class FileGroupRecord : public DBtable {
public:
    explicit FileGroupRecord(DBtran* tran = nullptr) : DBtable("sqlFileGroup", 0, tran) {
        setLayout(&fileGroupLayout(), &row);
        if (tran) tran->addObject(this);
    }
    FileGroupRow row;
};

struct DatabaseRow {
    int32_t backupSetId = 0;
    int32_t tesselId = 0;
    int32_t sqlServerId = 0;
    int32_t applicationNumber = 0;
    int32_t databaseId = 0;
    char databaseName[129] = {};
    DB_DATETIME creationTime;
    int32_t streams = 0;
    int32_t maxStreams = 0;
    int32_t allowFlags = 0;
    int32_t addTime = 0;
    int32_t removalTime = 0;
    int32_t deleteFlag = 0;
    int32_t systemFlags = 0;
    int32_t logStreams = 0;
};

inline const DBColumnLayout& databaseLayout() {
    static const DBColumn columns[] = {
        KEL_DB_COLUMN(DatabaseRow, backupSetId, "i"),   KEL_DB_COLUMN(DatabaseRow, tesselId, "i"),
        KEL_DB_COLUMN(DatabaseRow, sqlServerId, "i"),   KEL_DB_COLUMN(DatabaseRow, applicationNumber, "i"),
        KEL_DB_COLUMN(DatabaseRow, databaseId, "i"),    KEL_DB_COLUMN(DatabaseRow, databaseName, "s129"),
        KEL_DB_COLUMN(DatabaseRow, creationTime, "t"),  KEL_DB_COLUMN(DatabaseRow, streams, "i"),
        KEL_DB_COLUMN(DatabaseRow, maxStreams, "i"),    KEL_DB_COLUMN(DatabaseRow, allowFlags, "i"),
        KEL_DB_COLUMN(DatabaseRow, addTime, "i"),       KEL_DB_COLUMN(DatabaseRow, removalTime, "i"),
        KEL_DB_COLUMN(DatabaseRow, deleteFlag, "i"),    KEL_DB_COLUMN(DatabaseRow, systemFlags, "i"),
        KEL_DB_COLUMN(DatabaseRow, logStreams, "i"),
    };
    static const char* const keys[] = {"backupSetId"};
    static const DBColumnLayout layout{columns, 15, keys, 1, -1, "backupSetId", DBKindTable, "Table SqlDatabase"};
    return layout;
}

class DatabaseRecord : public DBtable {
public:
    explicit DatabaseRecord(DBtran* tran = nullptr) : DBtable("sqlDatabase", 0, tran) {
        setLayout(&databaseLayout(), &row);
    }
    DatabaseRow row;
};

struct LsnRow {
    int32_t sqlBackupSetId = 0;
    int32_t tesselId = 0;
    int32_t sqlDatabaseId = 0;
    DB_DATETIME startTime;
    DB_DATETIME finishTime;
    int32_t backupType = 0;
    char firstLSN[33] = {};
    char lastLSN[33] = {};
    char checkpointLSN[33] = {};
    char fullBackupLSN[33] = {};
};

inline const DBColumnLayout& lsnLayout() {
    static const DBColumn columns[] = {
        KEL_DB_COLUMN(LsnRow, sqlBackupSetId, "i"), KEL_DB_COLUMN(LsnRow, tesselId, "i"),
        KEL_DB_COLUMN(LsnRow, sqlDatabaseId, "i"),  KEL_DB_COLUMN(LsnRow, startTime, "t"),
        KEL_DB_COLUMN(LsnRow, finishTime, "t"),     KEL_DB_COLUMN(LsnRow, backupType, "i"),
        KEL_DB_COLUMN(LsnRow, firstLSN, "s33"),     KEL_DB_COLUMN(LsnRow, lastLSN, "s33"),
        KEL_DB_COLUMN(LsnRow, checkpointLSN, "s33"), KEL_DB_COLUMN(LsnRow, fullBackupLSN, "s33"),
    };
    static const char* const keys[] = {"sqlBackupSetId"};
    static const DBColumnLayout layout{columns, 10, keys, 1, -1, "sqlBackupSetId", DBKindTable, "Table SqlLSNs"};
    return layout;
}

class LsnRecord : public DBtable {
public:
    explicit LsnRecord(DBtran* tran = nullptr) : DBtable("sqlLSNs", 0, tran) { setLayout(&lsnLayout(), &row); }
    LsnRow row;
};

// A cursor of one integer and one text column.
struct PairRow {
    int32_t n = 0;
    char text[65] = {};
};

inline const DBColumnLayout& pairLayout(int kind) {
    static const DBColumn columns[] = {KEL_DB_COLUMN(PairRow, n, "i"), KEL_DB_COLUMN(PairRow, text, "s65")};
    static const DBColumnLayout cursor{columns, 2, nullptr, 0, -1, nullptr, DBKindCursor, "Cursor PairCursor"};
    static const DBColumnLayout procedure{columns, 2, nullptr, 0, -1, nullptr, DBKindProcedure, "Procedure PairProc"};
    return kind == DBKindCursor ? cursor : procedure;
}

class PairCursor : public DBtable {
public:
    explicit PairCursor(DBtran* tran = nullptr, int kind = DBKindCursor) : DBtable("pairCursor", 0, tran) {
        setLayout(&pairLayout(kind), &row);
    }
    PairRow row;
};

// Runs SQL on a connection of its own, for setting up rows the tests need.
inline int execSql(const std::string& sql) {
    sqlite3* db = nullptr;
    std::string error;
    kel::makeFolders(kel::homeDirectory());
    int rc = DBopenCatalogue(kel::homePath("catalogue.db"), &db, error);
    if (rc != SQLITE_OK) return rc;
    rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return rc;
}

// The platform rows and one instance with the databases master (10) and
// db1 (11) that catalogue rows point to.
inline int seedCatalogue() {
    return execSql(
        "INSERT INTO APP_Tessel (id, name) VALUES (1, 'tessel');"
        "INSERT INTO APP_Client (id, tesselId, name, net_hostname) VALUES (1, 1, 'client', 'host1');"
        "INSERT INTO APP_InstanceName (id, tesselId, clientId, name) VALUES (1, 1, 1, 'SQL1');"
        "INSERT INTO APP_BackupSetName (id, tesselId, instanceId, name) VALUES (10, 1, 1, 'master'), (11, 1, 1, 'db1');"
        "INSERT INTO sqlVersion (id, tesselId, type, major, minor, build) VALUES (1, 1, 1, 15, 0, 2000);"
        "INSERT INTO sqlServer (instanceId, tesselId, serverName, sqlVersionId, clientId) VALUES (1, 1, 'SQL1', 1, 1);"
        "INSERT INTO sqlDatabase (backupSetId, tesselId, sqlServerId, databaseName) VALUES (10, 1, 1, 'master'), (11, 1, 1, 'db1');"
        "INSERT INTO sqlBackupSet (id, tesselId, sqlDatabaseId, sqlVersionId, mtfVersionId, name) VALUES"
        " (1, 1, 11, 1, 1, 'bs1'), (2, 1, 11, 1, 1, 'bs2'), (3, 1, 11, 1, 1, 'bs3');");
}

}  // namespace kel::test
