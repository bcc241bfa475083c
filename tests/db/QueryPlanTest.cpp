// The history queries seek: every statement of the point-in-time, pruning
// and backup-set cursors is planned by SQLite on the catalogue's schema, and
// none may read a history table whole. A dropped or mismatched index shows
// up here as a SCAN, long before a large catalogue shows it as time.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <strings.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Db/Cursor/sql2KFileBkupData.h"
#include "Db/Cursor/sql2KFileGrpBkupData.h"
#include "Db/Cursor/sqlBackupSetDesc.h"
#include "Db/Cursor/sqlCheckForFullFullBackup.h"
#include "Db/Cursor/sqlDatabaseBkupData.h"
#include "Db/Cursor/sqlFileBkupData.h"
#include "Db/Cursor/sqlFileGroupBkupData.h"
#include "Db/Cursor/sqlGetBackupSetsToPrune.h"
#include "Db/Cursor/sqlServerBkupData.h"
#include "Db/Cursor/sqlTombStoneSQLBackups.h"
#include "platform/db/DBEngine.h"
#include "platform/db/tsql/TsqlProgram.h"
#include "support/TestHome.h"

namespace {

constexpr const char* kTime = "{ts'2021-06-01 00:00:00'}";

// The tables that grow with the backup history.
const char* const kHistoryTables[] = {"sqlBackupSet", "sqlLSNs", "sqlArchiveSet", "sqlBackupFile", "archFileCopy"};

struct Cursor {
    const char* name;
    std::function<std::string(DBtran*)> batch;  // the formatted batch
    // Tables the cursor must read whole by its nature (a pass over the whole
    // catalogue), if any.
    std::vector<std::string> wholeTables;
};

template <typename Record, typename... Args>
std::function<std::string(DBtran*)> batchOf(Args... args) {
    return [=](DBtran* tran) {
        Record record(tran);
        record.setValues(args...);
        return std::string(record.getQueryBuffer());
    };
}

bool history(const std::string& table) {
    for (const char* t : kHistoryTables)
        if (strcasecmp(t, table.c_str()) == 0) return true;
    return false;
}

class QueryPlanTest : public kel::test::HomeTest {
protected:
    void SetUp() override {
        std::string error;
        conn_.reset(DBConnection::open(error));
        ASSERT_TRUE(conn_) << error;
    }

    // Every "SCAN <table>" of the statement's plan, and every sort of one
    // that stops at its first rows.
    std::vector<std::string> scans(const std::string& sql) {
        std::vector<std::string> found;
        sqlite3_stmt* stmt = nullptr;
        std::string text = "EXPLAIN QUERY PLAN " + sql;
        EXPECT_EQ(sqlite3_prepare_v2(conn_->db(), text.c_str(), -1, &stmt, nullptr), SQLITE_OK)
            << sqlite3_errmsg(conn_->db()) << "\n" << sql;
        while (stmt && sqlite3_step(stmt) == SQLITE_ROW) {
            std::string detail = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 3));
            // A sort before a LIMIT reads every match: as costly as a scan.
            if (detail.rfind("USE TEMP B-TREE", 0) == 0 && sql.find(" LIMIT ") != std::string::npos)
                found.push_back("(sorted) " + detail);
            // A catalogue's rows share one Tessel: seeking on it alone reads
            // them all.
            if (detail.rfind("SEARCH ", 0) == 0 && detail.find("(tesselId=?)") != std::string::npos)
                found.push_back(detail.substr(7, detail.find(' ', 7) - 7));
            if (detail.rfind("SCAN ", 0) != 0) continue;
            std::string table = detail.substr(5, detail.find(' ', 5) - 5);
            found.push_back(table);
        }
        sqlite3_finalize(stmt);
        return found;
    }

    std::unique_ptr<DBConnection> conn_;
};

TEST_F(QueryPlanTest, HistoryCursorsSeekTheirRows) {
    const Cursor cursors[] = {
        {"sqlServerBkupData", batchOf<SqlServerBkupData>(7, kTime, 1622505600, 0), {}},
        {"sqlDatabaseBkupData", batchOf<SqlDatabaseBkupData>(7, kTime, 1622505600, 0), {}},
        {"sqlFileGroupBkupData", batchOf<SqlFileGroupBkupData>(7, kTime, 1622505600), {}},
        {"sqlFileBkupData", batchOf<SqlFileBkupData>(7, kTime, 1622505600), {}},
        {"sql2KFileBkupData", batchOf<Sql2KFileBkupData>(7, kTime, 1622505600, 1), {}},
        {"sql2KFileGrpBkupData", batchOf<Sql2KFileGrpBkupData>(7, kTime, 1622505600, 1), {}},
        {"sqlCheckForFullFullBackup", batchOf<SqlCheckForFullFullBackup>(7, kTime, 1622505600, 3, 0), {}},
        {"sqlBackupSetDesc", batchOf<SqlBackupSetDesc>(3), {}},
        {"sqlTombStoneSQLBackups", batchOf<SqlTombStoneSQLBackups>(3), {"sqlArchiveSet", "archFileCopy"}},
        {"sqlGetBackupSetsToPrune", batchOf<SqlGetBackupSetsToPrune>(), {"sqlArchiveSet"}},
    };
    DBtran tran(false);
    for (const Cursor& cursor : cursors) {
        SCOPED_TRACE(cursor.name);
        std::string error;
        std::shared_ptr<const kel::tsql::Program> program = kel::tsql::parseBatch(conn_->db(), cursor.batch(&tran), error);
        ASSERT_TRUE(program) << error;
        std::vector<const kel::tsql::SqlText*> statements;
        for (const kel::tsql::Instr& instr : program->code)
            if (!instr.sql.text.empty()) statements.push_back(&instr.sql);
        for (const kel::tsql::SqlText& sql : program->cursorSql) statements.push_back(&sql);
        for (const kel::tsql::SqlText* sql : statements) {
            for (const std::string& table : scans(sql->text)) {
                bool allowed = false;
                for (const std::string& whole : cursor.wholeTables) allowed |= strcasecmp(whole.c_str(), table.c_str()) == 0;
                EXPECT_TRUE((!history(table) || allowed) && table.rfind("(sorted)", 0) != 0)
                    << "SCAN " << table << " in\n" << sql->text;
            }
        }
    }
}

// The record lookups that pruning and the selective copy make, in the form
// the table records send them: each seeks on all of its conditions, and a
// database's history comes newest first without a sort.
TEST_F(QueryPlanTest, RecordLookupsSeekOnAllTheirConditions) {
    const struct {
        const char* sql;
        const char* plan;  // what the plan must say
    } lookups[] = {
        {"SELECT * FROM sqlArchiveSet WHERE tesselId = ? and archiveGroup = ? and archiveFile = ?",
         "(archiveFile=? AND tesselId=? AND archiveGroup=?)"},
        {"SELECT * FROM sqlArchiveSet WHERE tesselId = ? and archiveFile = ?", "(archiveFile=? AND tesselId=?)"},
        {"SELECT * FROM sqlLSNs WHERE sqlDatabaseId = ? ORDER BY startTime desc", "(sqlDatabaseId=?)"},
        {"SELECT * FROM sqlArchiveSet WHERE sqlBackupSetId between ? and ?", "COVERING INDEX"},
        {"SELECT * FROM sqlArchiveSet WHERE sqlBackupSetId in"
         " (select sqlBackupSetId from sqlLSNs where sqlDatabaseId = ? and backupType = ?)",
         "COVERING INDEX sqlArchiveSet_set (sqlBackupSetId=?)"},
        {"SELECT * FROM sqlBackupSet WHERE sqlDatabaseId = ?"
         " and sqlVersionId not in (select id from sqlVersion where major in (8, 9))",
         "(sqlDatabaseId=?)"},
    };
    for (const auto& lookup : lookups) {
        SCOPED_TRACE(lookup.sql);
        for (const std::string& table : scans(lookup.sql)) EXPECT_FALSE(history(table)) << "SCAN " << table;
        std::string plan;
        sqlite3_stmt* stmt = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(conn_->db(), (std::string("EXPLAIN QUERY PLAN ") + lookup.sql).c_str(), -1, &stmt,
                                     nullptr),
                  SQLITE_OK);
        while (sqlite3_step(stmt) == SQLITE_ROW)
            plan += std::string(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 3))) + "\n";
        sqlite3_finalize(stmt);
        EXPECT_NE(plan.find(lookup.plan), std::string::npos) << plan;
        EXPECT_EQ(plan.find("TEMP B-TREE"), std::string::npos) << plan;
    }
}

// A catalogue written by the release before these indexes gets them when it
// is next opened, and loses the ones they replace.
TEST_F(QueryPlanTest, AnOlderCatalogueGainsTheIndexes) {
    const char* const downgrade =
        "DROP INDEX sqlArchiveSet_file; DROP INDEX sqlArchiveSet_set; DROP INDEX sqlLSNs_sqlDatabaseId_startTime;"
        "DROP INDEX sqlBackupSet_sqlDatabaseId_sqlVersionId;"
        "CREATE INDEX sqlArchiveSet_archiveFile ON sqlArchiveSet (archiveFile);"
        "CREATE INDEX sqlArchiveSet_sqlBackupSetId ON sqlArchiveSet (sqlBackupSetId);"
        "PRAGMA user_version = 1";
    ASSERT_EQ(sqlite3_exec(conn_->db(), downgrade, nullptr, nullptr, nullptr), SQLITE_OK)
        << sqlite3_errmsg(conn_->db());
    conn_.reset();
    std::string error;
    conn_.reset(DBConnection::open(error));
    ASSERT_TRUE(conn_) << error;
    auto names = [this] {
        std::vector<std::string> out;
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(conn_->db(),
                           "SELECT name FROM sqlite_master WHERE type = 'index' AND name IN ('sqlArchiveSet_file',"
                           " 'sqlArchiveSet_set', 'sqlLSNs_sqlDatabaseId_startTime',"
                           " 'sqlBackupSet_sqlDatabaseId_sqlVersionId', 'sqlArchiveSet_archiveFile',"
                           " 'sqlArchiveSet_sqlBackupSetId') ORDER BY name",
                           -1, &stmt, nullptr);
        while (sqlite3_step(stmt) == SQLITE_ROW)
            out.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
        sqlite3_finalize(stmt);
        return out;
    };
    EXPECT_EQ(names(), (std::vector<std::string>{"sqlArchiveSet_file", "sqlArchiveSet_set",
                                                 "sqlBackupSet_sqlDatabaseId_sqlVersionId",
                                                 "sqlLSNs_sqlDatabaseId_startTime"}));
}

}  // namespace
