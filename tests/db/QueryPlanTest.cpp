// The history queries seek: every statement of the point-in-time, pruning
// and backup-set cursors is planned by SQLite on the catalogue's schema, and
// none may read a history table whole. A dropped or mismatched index shows
// up here as a SCAN, long before a large catalogue shows it as time.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <strings.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Db/Cursor/sql2KFileBkupData.h"
#include "Db/Cursor/sql2KFileGrpBkupData.h"
#include "Db/Cursor/sqlBackupSetDesc.h"
#include "Db/Cursor/sqlCheckForFullFullBackup.h"
#include "Db/Cursor/sqlDatabaseBkupData.h"
#include "Db/Cursor/sqlDatabaseHistory.h"
#include "Db/Cursor/sqlFileBkupData.h"
#include "Db/Cursor/sqlFileGroupBkupData.h"
#include "Db/Cursor/sqlGetBackupSetsToPrune.h"
#include "Db/Cursor/sqlServerBkupData.h"
#include "Db/Cursor/sqlTombStoneSQLBackups.h"
#include "Db/Tbl/sqlLSNs.h"
#include "KelSQL/KelSQLArchivePruning.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLDatabaseLSNList.h"
#include "platform/db/DBEngine.h"
#include "platform/db/tsql/TsqlProgram.h"
#include "platform/info/KelPlatformInfo.h"
#include "platform/info/KelRegistry.h"
#include "support/BackupHistory.h"
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
    // What the plan of its select must say, when it matters which index
    // serves it; such a select must not sort either.
    const char* plan = nullptr;
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

    // The statement's whole plan, a line per step.
    std::string plan(const std::string& sql) {
        std::string out;
        sqlite3_stmt* stmt = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(conn_->db(), ("EXPLAIN QUERY PLAN " + sql).c_str(), -1, &stmt, nullptr), SQLITE_OK)
            << sqlite3_errmsg(conn_->db()) << "\n" << sql;
        while (stmt && sqlite3_step(stmt) == SQLITE_ROW)
            out += std::string(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 3))) + "\n";
        sqlite3_finalize(stmt);
        return out;
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
        // Pruning reads a whole history: from the index alone, in its order.
        {"sqlDatabaseHistory", batchOf<SqlDatabaseHistory>(3), {}, "COVERING INDEX sqlLSNs_history (sqlDatabaseId=?)"},
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
            if (cursor.plan && sql->text.find("select") != std::string::npos) {
                const std::string text = plan(sql->text);
                EXPECT_NE(text.find(cursor.plan), std::string::npos) << text;
                EXPECT_EQ(text.find("TEMP B-TREE"), std::string::npos) << text;
            }
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
        const std::string text = plan(lookup.sql);
        EXPECT_NE(text.find(lookup.plan), std::string::npos) << text;
        EXPECT_EQ(text.find("TEMP B-TREE"), std::string::npos) << text;
    }
}

// A catalogue written by a release before these indexes gets them when it
// is next opened, and loses the ones they replace.
TEST_F(QueryPlanTest, AnOlderCatalogueGainsTheIndexes) {
    const char* const downgrade =
        "DROP INDEX sqlArchiveSet_file; DROP INDEX sqlArchiveSet_set; DROP INDEX sqlLSNs_history;"
        "DROP INDEX sqlBackupSet_sqlDatabaseId_sqlVersionId; DROP INDEX sqlLSNs_type_startTime;"
        "DROP INDEX sqlLSNs_sqlDatabaseId_finishTime; DROP INDEX sqlLSNs_chain_full; DROP INDEX sqlLSNs_chain_last;"
        "CREATE INDEX sqlLSNs_sqlDatabaseId ON sqlLSNs (sqlDatabaseId);"
        "CREATE INDEX sqlLSNs_sqlDatabaseId_startTime ON sqlLSNs (sqlDatabaseId, startTime);"
        "CREATE INDEX sqlLSNs_sqlDatabaseId_backupType ON sqlLSNs (sqlDatabaseId, backupType);"
        "CREATE INDEX sqlLSNs_chain_checkpointLSN ON sqlLSNs (sqlDatabaseId, checkpointLSN);"
        "CREATE INDEX sqlLSNs_chain_lastLSN ON sqlLSNs (sqlDatabaseId, lastLSN);"
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
                           "SELECT name FROM sqlite_master WHERE type = 'index' AND (name IN ('sqlArchiveSet_file',"
                           " 'sqlArchiveSet_set', 'sqlBackupSet_sqlDatabaseId_sqlVersionId', 'sqlArchiveSet_archiveFile',"
                           " 'sqlArchiveSet_sqlBackupSetId') OR (tbl_name = 'sqlLSNs' AND name != 'sqlLSNs_tesselId'"
                           " AND name NOT LIKE 'sqlite_%')) ORDER BY name",
                           -1, &stmt, nullptr);
        while (sqlite3_step(stmt) == SQLITE_ROW)
            out.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
        sqlite3_finalize(stmt);
        return out;
    };
    EXPECT_EQ(names(), (std::vector<std::string>{"sqlArchiveSet_file", "sqlArchiveSet_set",
                                                 "sqlBackupSet_sqlDatabaseId_sqlVersionId", "sqlLSNs_chain_full",
                                                 "sqlLSNs_chain_fullBackupLSN", "sqlLSNs_chain_last",
                                                 "sqlLSNs_history", "sqlLSNs_sqlDatabaseId_finishTime",
                                                 "sqlLSNs_type_startTime"}));
}

}  // namespace

namespace {

// Engine steps of every statement that finishes on a connection opened while
// counting: what the lookups under test cost, however their SQL is built.
std::atomic<long long> g_steps{0};

void countSteps(sqlite3* db) {
    sqlite3_trace_v2(
        db, SQLITE_TRACE_PROFILE,
        [](unsigned, void*, void* stmt, void*) {
            g_steps += sqlite3_stmt_status(static_cast<sqlite3_stmt*>(stmt), SQLITE_STMTSTATUS_VM_STEP, 1);
            return 0;
        },
        nullptr);
}

int countingExtension(sqlite3* db, char**, const sqlite3_api_routines*) {
    countSteps(db);
    return SQLITE_OK;
}

// Two histories of one server in one catalogue, never analysed: database 1
// backed up for three weeks, database 2 for twelve. A lookup costs what its
// answer costs: on the longer history, at the same place in the week, it
// takes about as many steps as on the shorter one. A walk over the history
// before (or after) the point would take four times as many.
class HistoryCostTest : public QueryPlanTest {
protected:
    void SetUp() override {
        QueryPlanTest::SetUp();
        sqlite3_auto_extension(reinterpret_cast<void (*)()>(countingExtension));
        KelPI_Ostrel ostrel;
        ASSERT_TRUE(KelRegistry::createMachine("OSTREL") && KelPI_Focus::setFocus("OSTREL") &&
                    ostrel.setFocus("OSTREL") != 0 && ostrel.setOstrelHostName("OSTREL") && ostrel.setTesselId(1));
        short_.databases = long_.databases = 1;
        short_.sets = 3 * kel::history::kSlotsPerWeek;
        long_.sets = 12 * kel::history::kSlotsPerWeek;
        short_.archives = long_.archives = true;
        long_.firstSet = short_.sets + 1;
        long_.firstDatabase = 2;
        std::vector<std::string> sql = kel::history::historySql(short_);
        for (const std::string& s : kel::history::historySql(long_)) sql.push_back(s);
        for (const std::string& s : sql)
            ASSERT_EQ(sqlite3_exec(conn_->db(), s.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
                << sqlite3_errmsg(conn_->db()) << "\n" << s;
        sqlite3_stmt* stmt = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(conn_->db(), "SELECT count(*) FROM sqlite_master WHERE name LIKE 'sqlite_stat%'",
                                     -1, &stmt, nullptr),
                  SQLITE_OK);
        ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
        EXPECT_EQ(sqlite3_column_int(stmt, 0), 0) << "the catalogue must not have been analysed";
        sqlite3_finalize(stmt);
    }
    void TearDown() override { sqlite3_cancel_auto_extension(reinterpret_cast<void (*)()>(countingExtension)); }

    // Steps of lookup on each history; lookup is given the history, and
    // fails the test itself when it fails.
    template <typename Lookup>
    std::pair<long long, long long> steps(Lookup lookup) {
        lookup(short_);  // statements prepared, pages read once
        g_steps = 0;
        lookup(short_);
        const long long a = g_steps.exchange(0);
        lookup(long_);
        g_steps = 0;
        lookup(long_);
        return {a, g_steps.exchange(0)};
    }
    // A log at the end of a history (and half way back) with its chain of a
    // full, a differential and 48 logs.
    int end(const kel::history::Shape& h) const { return h.logOfDay(h.lastSet(), h.firstDatabase, 48); }
    int middle(const kel::history::Shape& h) const {
        return h.logOfDay(h.firstSet + h.sets / 2, h.firstDatabase, 48);
    }
    unsigned long timeIn(const kel::history::Shape& h, int set) const {
        return static_cast<unsigned long>(h.startAt(h.slotOf(set), h.firstDatabase) + 30);
    }

    kel::history::Shape short_, long_;
};

#define EXPECT_FLAT(pair)                                                                        \
    do {                                                                                         \
        const auto p_ = (pair);                                                                  \
        EXPECT_GT(p_.first, 0);                                                                  \
        EXPECT_LT(p_.second, p_.first * 3 / 2 + 500) << "short history " << p_.first << " steps"; \
    } while (0)

TEST_F(HistoryCostTest, ChainsAndTimeTargetsCostTheirAnswer) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    auto chain = [&](auto call) {
        return [&, call](const kel::history::Shape& h) {
            KelSQLDatabaseLSNList list(ostrel, false);
            ASSERT_TRUE(call(list, h)) << list.getLastError().formatLastErrorMessage();
            ASSERT_EQ(list.getBSIdList()->size(), 50u);
        };
    };
    SCOPED_TRACE("chain by set id");
    EXPECT_FLAT(steps(chain([&](KelSQLDatabaseLSNList& l, const kel::history::Shape& h) {
        return l.query(static_cast<unsigned long>(end(h)));
    })));
    for (bool atEnd : {true, false}) {
        SCOPED_TRACE(atEnd ? "point in time at the end" : "point in time in the middle");
        EXPECT_FLAT(steps(chain([&](KelSQLDatabaseLSNList& l, const kel::history::Shape& h) {
            return l.query(nullptr, static_cast<unsigned long>(h.firstDatabase),
                           timeIn(h, atEnd ? end(h) : middle(h)), KelSQLTimeTypePointInTime);
        })));
        SCOPED_TRACE("discrete time: the newest backup finished before");
        EXPECT_FLAT(steps([&](const kel::history::Shape& h) {
            KelSQLDatabaseLSNList list(ostrel, false);
            ASSERT_TRUE(list.query(nullptr, static_cast<unsigned long>(h.firstDatabase),
                                   timeIn(h, atEnd ? end(h) : middle(h)), KelSQLTimeTypeDiscreteTime));
            EXPECT_EQ(list.lastSqlBackupSetId(), static_cast<unsigned long>((atEnd ? end(h) : middle(h)) - 1));
        }));
        SCOPED_TRACE("browse back to the full");
        EXPECT_FLAT(steps([&](const kel::history::Shape& h) {
            KelSQLDatabaseLSNList list(ostrel, false);
            ASSERT_TRUE(list.query(nullptr, static_cast<unsigned long>(h.firstDatabase),
                                   timeIn(h, atEnd ? end(h) : middle(h))));
            // The newest backup finished by the time is the log before.
            EXPECT_EQ(list.browseItems().size(), 49u);
            EXPECT_EQ(list.browseItems().front().sqlBackupSetId, static_cast<uint64_t>((atEnd ? end(h) : middle(h)) - 1));
        }));
        SCOPED_TRACE("the last full by a time");
        EXPECT_FLAT(steps([&](const kel::history::Shape& h) {
            KelSQLDatabaseLSNList list(ostrel, false);
            SqlLSNs_t row;
            ASSERT_TRUE(list.getLSNRecordForLastFull(nullptr, static_cast<unsigned long>(h.firstDatabase),
                                                     timeIn(h, atEnd ? end(h) : middle(h)), row));
            EXPECT_EQ(row.backupType, 'D');
        }));
    }
    SCOPED_TRACE("a time before every backup finds nothing");
    EXPECT_FLAT(steps([&](const kel::history::Shape& h) {
        KelSQLDatabaseLSNList list(ostrel, false);
        EXPECT_FALSE(list.query(nullptr, static_cast<unsigned long>(h.firstDatabase),
                                static_cast<unsigned long>(kel::history::kFirstStart - 3600),
                                KelSQLTimeTypeDiscreteTime));
    }));
}

// A full missing from the catalogue: the chain reaches back through the
// logs to the newest older full.
TEST_F(HistoryCostTest, AChainPastAMissingFullCostsItsLength) {
    for (const kel::history::Shape* h : {&short_, &long_}) {
        const int lastWeek = (h->slotOf(h->lastSet()) / kel::history::kSlotsPerWeek) * kel::history::kSlotsPerWeek;
        const std::string gone = std::to_string(h->setAt(lastWeek, h->firstDatabase));
        ASSERT_EQ(sqlite3_exec(conn_->db(), ("DELETE FROM sqlArchiveSet WHERE sqlBackupSetId = " + gone +
                                             "; DELETE FROM sqlLSNs WHERE sqlBackupSetId = " + gone +
                                             "; DELETE FROM sqlBackupSet WHERE id = " + gone)
                                                .c_str(),
                               nullptr, nullptr, nullptr),
                  SQLITE_OK)
            << sqlite3_errmsg(conn_->db());
    }
    KelSQLClassProperties ostrel(KelSQLServerSide);
    EXPECT_FLAT(steps([&](const kel::history::Shape& h) {
        KelSQLDatabaseLSNList list(ostrel, false);
        ASSERT_TRUE(list.query(static_cast<unsigned long>(end(h)))) << list.getLastError().formatLastErrorMessage();
        EXPECT_EQ(list.getBSIdList()->front(),
                  static_cast<uint64_t>(h.setAt((h.slotOf(end(h)) / kel::history::kSlotsPerWeek - 1) *
                                                     kel::history::kSlotsPerWeek,
                                                 h.firstDatabase)));
    }));
}

// Pruning reads a database's history once and forms each cycle from its own
// rows: four times the history costs about four times as much, not more.
TEST_F(HistoryCostTest, CyclesGrowWithTheHistoryAlone) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    const auto cost = steps([&](const kel::history::Shape& h) {
        const int lastWeek = (h.slotOf(h.lastSet()) / kel::history::kSlotsPerWeek) * kel::history::kSlotsPerWeek;
        KelSQLArchivePruning p(ostrel);
        ASSERT_TRUE(p.createDatabaseCycles(1, 0, 1, 1, static_cast<uint64_t>(h.setAt(lastWeek, h.firstDatabase))))
            << p.getLastError().formatLastErrorMessage();
        EXPECT_EQ(p.prunableFulls().size(), static_cast<size_t>(h.sets / kel::history::kSlotsPerWeek - 1));
    });
    EXPECT_GT(cost.first, 0);
    EXPECT_LT(cost.second, cost.first * 5) << "three weeks " << cost.first << " steps";
}

}  // namespace
