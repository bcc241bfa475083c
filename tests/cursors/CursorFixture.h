// A fresh catalogue with one Tessel, instances 1 (live), 2 (removed at 500)
// and 3 (no databases), and the databases 10 to 13, file groups 1 to 4 and
// files 1 to 4 the cursors read, every one added at time 100. Names are
// stored in mixed case and with trailing blanks.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "db/TestRecords.h"
#include "support/TestHome.h"

namespace kel::test {

// A browse moment as the callers pass it: the literal and its seconds.
constexpr const char* kAt = "{ts'2021-06-01 00:00:00'}";
constexpr int kAtSeconds = 1622505600;

// The rows of the record's cursor (at most limit) as their columns "a,b"
// (dates as stored), joined by "; "; "" for none, "error" for a failure.
template <typename Record>
std::string rowsText(Record& record, int limit = -1) {
    const DBColumnLayout& layout = *record.family().layout;
    std::string out;
    int rc = record.openCursor();
    while (rc == 0 && limit-- != 0 && (rc = record.fetchCursor(true)) == 0) {
        char* row = reinterpret_cast<char*>(record.getDataPtr());
        out += out.empty() ? "" : "; ";
        for (int i = 0; i < layout.columnCount; ++i) {
            char* field = row + layout.columns[i].offset;
            out += i ? "," : "";
            switch (layout.columns[i].token[0]) {
            case 'i': out += std::to_string(*reinterpret_cast<int32_t*>(field)); break;
            case 'b': out += std::to_string(*reinterpret_cast<int64_t*>(field)); break;
            case 't': out += reinterpret_cast<DB_DATETIME*>(field)->format(); break;
            default: out += field;
            }
        }
    }
    record.closeCursor();
    return rc == 100 || rc == 0 ? out : "error";
}

// The rows of a cursor of type Cursor given args, as rowsText gives them.
template <typename Cursor, typename... Args>
std::string cursorRows(Args... args) {
    Cursor cursor(nullptr);
    EXPECT_EQ(0, cursor.setValues(args...));  // success, whatever the batch's length
    return rowsText(cursor);
}

class CursorTest : public HomeTest {
protected:
    void SetUp() override {
        ASSERT_EQ(0, execSql(
            "INSERT INTO APP_Tessel (id, name) VALUES (1, 'tessel');"
            "INSERT INTO APP_Client (id, tesselId, name, net_hostname) VALUES (1, 1, 'client', 'host1'), (2, 1, 'c2', 'host2');"
            "INSERT INTO APP_InstanceName (id, tesselId, clientId, name) VALUES (1, 1, 1, 'SQL1'), (2, 1, 1, 'SQL2'), (3, 1, 1, 'SQL3');"
            "INSERT INTO APP_BackupSetName (id, tesselId, instanceId, name) VALUES"
            " (10, 1, 1, 'master'), (11, 1, 1, 'Beta'), (12, 1, 1, 'alpha'), (13, 1, 2, 'other');"
            "INSERT INTO sqlVersion (id, tesselId, type, major, minor, build) VALUES (1, 1, 1, 15, 0, 2000);"
            "INSERT INTO sqlServer (instanceId, tesselId, serverName, sqlVersionId, addTime, removalTime, clientId) VALUES"
            " (1, 1, 'SQL1', 1, 100, 0, 1), (2, 1, 'SQL2', 1, 100, 500, 1), (3, 1, 'SQL3', 1, 100, 0, 1);"
            "INSERT INTO sqlDatabase (backupSetId, tesselId, sqlServerId, applicationNumber, databaseName,"
            " deleteFlag, systemFlags) VALUES (10, 1, 1, 50, 'master ', 0, 1), (11, 1, 1, 51, 'Beta', 1, 3),"
            " (12, 1, 1, 52, 'alpha  ', 0, 2), (13, 1, 2, 53, 'other', 0, 0);"
            "INSERT INTO sqlFileGroup (id, tesselId, sqlDatabaseId, groupId, fileGroupName, removalTime, deleteFlag)"
            " VALUES (1, 1, 12, 1, 'PRIMARY', 0, 0), (2, 1, 12, 2, 'data  ', 50, 1), (3, 1, 12, 3, 'Archive', 0, 0),"
            " (4, 1, 10, 1, 'empty', 0, 0);"
            "INSERT INTO sqlFile (id, tesselId, sqlFileGroupId, fileId, physicalName, logicalName, removalTime, deleteFlag)"
            " VALUES (1, 1, 1, 1, 'C:\\z.mdf', 'zeta', 0, 0), (2, 1, 1, 2, 'C:\\a.ndf', 'Alpha ', 99, 0),"
            " (3, 1, 1, 3, 'C:\\b.ndf', 'beta', 0, 1), (4, 1, 3, 1, 'C:\\r.ndf', 'arch', 0, 0);"
            "UPDATE sqlDatabase SET addTime = 100, removalTime = 0;"
            "UPDATE sqlFileGroup SET addTime = 100;"
            "UPDATE sqlFile SET addTime = 100;"))
            << "seeding the catalogue";
    }
    static void sql(const std::string& text) { ASSERT_EQ(0, execSql(text)) << text; }

    static void addBackupFile(int backupSet, int fileGroup, const char* logicalName) {
        sql("INSERT INTO sqlBackupFile (tesselId, sqlFileGroupId, sqlBackupSetId, logicalName) VALUES (1, " +
            std::to_string(fileGroup) + ", " + std::to_string(backupSet) + ", '" + logicalName + "')");
    }
    // A backup set of a database with its LSN row and one archive set on
    // archive group 1 (archive file: the backup set's id unless given).
    static void addBackup(int id, int database, const char* finish, int type, int subclient = 0,
                          int tombstoned = 0, int archiveFile = 0) {
        char sql[1024];
        std::snprintf(sql, sizeof sql,
                      "INSERT INTO sqlBackupSet (id, tesselId, sqlDatabaseId, sqlVersionId, mtfVersionId, name,"
                      " sqlFileSubClientId) VALUES (%d, 1, %d, 1, 1, 'bs%d', %d);"
                      "INSERT INTO sqlLSNs (sqlBackupSetId, tesselId, sqlDatabaseId, finishTime, backupType)"
                      " VALUES (%d, 1, %d, '%s', %d);"
                      "INSERT INTO sqlArchiveSet (tesselId, sqlBackupSetId, archiveGroup, archiveFile, bIsTombstoned)"
                      " VALUES (1, %d, 1, %d, %d);",
                      id, database, id, subclient, id, database, finish, type, id, archiveFile ? archiveFile : id,
                      tombstoned);
        ASSERT_EQ(0, execSql(sql)) << sql;
    }
};

}  // namespace kel::test
