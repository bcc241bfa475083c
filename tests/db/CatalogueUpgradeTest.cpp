// A catalogue file written before the password columns were widened (schema
// version 4, passwords sealed into at most 512 characters) is brought up to
// date when it is next opened: the tables are made again from their
// descriptions with every row, identity sequence, index and reference kept.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <string>
#include <vector>

#include "platform/db/DBEngine.h"
#include "support/TestHome.h"

namespace {

class CatalogueUpgradeTest : public kel::test::HomeTest {
protected:
    void TearDown() override { sqlite3_close(db_); }

    void open() {
        sqlite3_close(db_);
        db_ = nullptr;
        std::string error;
        ASSERT_EQ(DBopenCatalogue(home_.file("older.db"), &db_, error), SQLITE_OK) << error;
    }
    bool exec(const std::string& sql) {
        char* msg = nullptr;
        const int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &msg);
        if (msg) ADD_FAILURE() << msg << "\n" << sql.substr(0, 200);
        sqlite3_free(msg);
        return rc == SQLITE_OK;
    }
    // Every row of the query's first column, joined by newlines.
    std::string rows(const std::string& sql) {
        std::string out;
        sqlite3_stmt* stmt = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr), SQLITE_OK) << sqlite3_errmsg(db_);
        while (stmt && sqlite3_step(stmt) == SQLITE_ROW) {
            const unsigned char* text = sqlite3_column_text(stmt, 0);
            out += (text ? reinterpret_cast<const char*>(text) : "<null>") + std::string("\n");
        }
        sqlite3_finalize(stmt);
        return out;
    }
    std::string indexes() {
        return rows("SELECT sql FROM sqlite_master WHERE type = 'index' AND tbl_name IN ('sqlServer', "
                    "'sqlRestoreTask') AND sql IS NOT NULL ORDER BY name");
    }
    // The table as an older build created it: its password CHECKs at 512.
    void makeOlder(const char* table, int passwords) {
        std::string sql = rows(std::string("SELECT sql FROM sqlite_master WHERE type = 'table' AND name = '") +
                               table + "'");
        int replaced = 0;
        for (size_t at; (at = sql.find("AS BLOB)) <= 736)")) != std::string::npos; ++replaced)
            sql.replace(at, 17, "AS BLOB)) <= 512)");
        ASSERT_EQ(replaced, passwords) << sql;
        const std::string name = std::string(table), older = "older_" + name;
        sql.replace(sql.find(name), name.size(), older);
        const std::string ownIndexes = rows("SELECT sql || ';' FROM sqlite_master WHERE type = 'index' AND "
                                            "tbl_name = '" + name + "' AND sql IS NOT NULL");
        ASSERT_TRUE(exec(sql));
        ASSERT_TRUE(exec("INSERT INTO " + older + " SELECT * FROM " + name + "; DROP TABLE " + name +
                         "; ALTER TABLE " + older + " RENAME TO " + name + ";" + ownIndexes));
    }

    sqlite3* db_ = nullptr;
};

TEST_F(CatalogueUpgradeTest, OlderPasswordColumnsAreWidenedWithTheirRowsKept) {
    ASSERT_NO_FATAL_FAILURE(open());
    const std::string fresh = indexes();
    ASSERT_TRUE(exec("PRAGMA foreign_keys = OFF; BEGIN"));
    ASSERT_NO_FATAL_FAILURE(makeOlder("sqlServer", 2));
    ASSERT_NO_FATAL_FAILURE(makeOlder("sqlRestoreTask", 1));
    ASSERT_TRUE(exec("PRAGMA user_version = 4; COMMIT; PRAGMA foreign_keys = ON"));
    // Rows of the older file: sealed passwords of its widest, a restore task
    // of id 9 taken away again (its id is never given out twice).
    const std::string sa(512, 's'), nt(512, 'n'), restore(512, 'r');
    ASSERT_TRUE(exec("INSERT INTO APP_Tessel (id, name) VALUES (1, 't');"
                     "INSERT INTO APP_Client (id, tesselId, name) VALUES (1, 1, 'c');"
                     "INSERT INTO APP_InstanceName (id, tesselId, clientId, name) VALUES (1, 1, 1, 'C\\SQL1');"
                     "INSERT INTO sqlVersion (id, tesselId, type, major) VALUES (1, 1, 1, 9);"
                     "INSERT INTO sqlServer (instanceId, tesselId, serverName, sqlVersionId, sa, saPassword, "
                     "sqlNTAccount, sqlNTPassword, flags, clientId) VALUES (1, 1, 'C\\SQL1', 1, 'sa', '" + sa +
                     "', 'DOM\\svc', '" + nt + "', 1, 1);"
                     "INSERT INTO sqlRestoreTask (id, sqlServerId, restoreUser, restorePassword, databaseName) "
                     "VALUES (7, 1, 'restorer', '" + restore + "', 'pubs'), (9, 1, 'x', 'x', 'x');"
                     "DELETE FROM sqlRestoreTask WHERE id = 9"));
    const char* const serverRow = "SELECT instanceId || '|' || serverName || '|' || sa || '|' || saPassword || '|' || "
                                  "sqlNTAccount || '|' || sqlNTPassword || '|' || flags FROM sqlServer";
    const char* const taskRow = "SELECT id || '|' || sqlServerId || '|' || restoreUser || '|' || restorePassword || "
                                "'|' || databaseName FROM sqlRestoreTask";
    const std::string servers = rows(serverRow), tasks = rows(taskRow);
    ASSERT_EQ(servers, "1|C\\SQL1|sa|" + sa + "|DOM\\svc|" + nt + "|1\n");
    // The older columns hold no more.
    sqlite3_exec(db_, ("UPDATE sqlServer SET saPassword = '" + sa + "s'").c_str(), nullptr, nullptr, nullptr);
    ASSERT_EQ(rows(serverRow), servers);

    ASSERT_NO_FATAL_FAILURE(open());
    EXPECT_EQ(rows("PRAGMA user_version"), "5\n");
    EXPECT_EQ(rows(serverRow), servers);
    EXPECT_EQ(rows(taskRow), tasks);
    EXPECT_EQ(rows("SELECT seq FROM sqlite_sequence WHERE name = 'sqlRestoreTask'"), "9\n");
    EXPECT_EQ(indexes(), fresh);
    EXPECT_EQ(rows("PRAGMA foreign_keys"), "1\n");
    EXPECT_EQ(rows("PRAGMA foreign_key_check"), "");
    // The sealed form of a 511-character password fits; one character more does not.
    const std::string widest(736, 'w');
    EXPECT_TRUE(exec("UPDATE sqlServer SET saPassword = '" + widest + "', sqlNTPassword = '" + widest + "';"
                     "UPDATE sqlRestoreTask SET restorePassword = '" + widest + "'"));
    EXPECT_NE(sqlite3_exec(db_, ("UPDATE sqlRestoreTask SET restorePassword = '" + widest + "w'").c_str(), nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    EXPECT_EQ(rows("SELECT length(saPassword) || '|' || length(sqlNTPassword) FROM sqlServer"), "736|736\n");
    // A reference to the table made again still holds.
    EXPECT_NE(sqlite3_exec(db_, "DELETE FROM sqlServer", nullptr, nullptr, nullptr), SQLITE_OK);
}

}  // namespace
