// Records and catalogue rows for the database library's own tests.
#pragma once

#include <sqlite3.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "Db/Tbl/sqlDatabase.h"
#include "Db/Tbl/sqlFileGroup.h"
#include "Db/Tbl/sqlLSNs.h"
#include "platform/db/DBEngine.h"
#include "platform/db/DBtable.h"
#include "platform/util/KelHome.h"

namespace kel::test {

// The library's tests work on real catalogue families; a record here
// exposes its row struct as `row`.
template <class Record>
class TestRecord : public Record {
public:
    explicit TestRecord(DBtran* tran = nullptr) : Record(tran) {}
    typename Record::Row& row = *this->getDataPtr();
};
using FileGroupRecord = TestRecord<SqlFileGroup>;
using DatabaseRecord = TestRecord<SqlDatabase>;
using LsnRecord = TestRecord<SqlLSNs>;

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
