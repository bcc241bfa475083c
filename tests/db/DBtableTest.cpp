#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "Db/Tbl/archGroup.h"
#include "db/TestRecords.h"
#include "platform/db/DBEngine.h"
#include "platform/events/KelDebug.h"
#include "platform/util/BoundedCopy.h"
#include "support/TestHome.h"

namespace kel::test {
namespace {

class CatalogueTest : public HomeTest {
protected:
    void SetUp() override { ASSERT_EQ(seedCatalogue(), SQLITE_OK); }

    int insertGroup(const char* name, int streams = 1) {
        FileGroupRecord rec;
        rec.row.tesselId = 1;
        rec.row.sqlDatabaseId = 11;
        rec.row.streams = streams;
        kel::copyField(rec.row.fileGroupName, name);
        int rc = rec.rowInsert(true);
        return rc == 0 ? rec.row.id : -1000 + rc;
    }

    std::string groupName(int id) {
        FileGroupRecord rec;
        rec.setWhere("id = %d", id);
        if (rec.getOneRow(&rec, false, -1, 0) != 0) return "<none>";
        return kel::fieldText(rec.row.fileGroupName);
    }
};

TEST_F(CatalogueTest, QuotesAndPercentSurviveEveryPath) {
    const char* name = "O'Brien 100%";
    int id = insertGroup(name);
    ASSERT_GT(id, 0);
    EXPECT_EQ(groupName(id), name);

    FileGroupRecord lookup;
    lookup.setWhere("fileGroupName = %s", kel::sql::quoted(name).c_str());
    ASSERT_EQ(lookup.getOneRow(&lookup, false, -1, 0), 0);
    EXPECT_EQ(lookup.row.id, id);

    // Whole row, by key.
    kel::copyField(lookup.row.fileGroupName, "O'Neil 50%d");
    lookup.row.streams = 7;
    lookup.setWhere("id = %d", id);
    ASSERT_EQ(lookup.rowUpdate(nullptr), 0);
    EXPECT_EQ(groupName(id), "O'Neil 50%d");

    // A SET list alone is run as it stands: its % is no conversion.
    FileGroupRecord setList;
    setList.setWhere("id = %d", id);
    ASSERT_EQ(setList.rowUpdate("fileGroupName = 'Mc''Coy %s 100%'"), 0);
    EXPECT_EQ(groupName(id), "Mc'Coy %s 100%");

    // A SET list with arguments is a format, its text a quoted literal.
    ASSERT_EQ(setList.rowUpdate("fileGroupName = %s, streams = %d", kel::sql::quoted(name).c_str(), 3), 0);
    EXPECT_EQ(groupName(id), name);
}

TEST_F(CatalogueTest, TextComparesWithoutCaseAndTrailingBlanks) {
    DatabaseRecord rec;
    rec.setWhere("databaseName = %s", kel::sql::quoted("MASTER").c_str());
    ASSERT_EQ(rec.getOneRow(&rec, false, -1, 0), 0);
    EXPECT_EQ(rec.row.backupSetId, 10);
    EXPECT_STREQ(rec.row.databaseName, "master");  // stored value kept
    rec.setWhere("databaseName = %s", kel::sql::quoted("db1 ").c_str());
    ASSERT_EQ(rec.getOneRow(&rec, false, -1, 0), 0);
    EXPECT_EQ(rec.row.backupSetId, 11);
    rec.setWhere("databaseName = %s", kel::sql::quoted("db").c_str());
    EXPECT_EQ(rec.getOneRow(&rec, false, -1, 0), 100);
}

TEST_F(CatalogueTest, LsnsCompareAsNumbersAndDatesAtTheirBound) {
    const char* lsns[] = {"999", "1000", "25000000001"};
    for (int i = 0; i < 3; ++i) {
        LsnRecord rec;
        rec.row.sqlBackupSetId = i + 1;
        rec.row.tesselId = 1;
        rec.row.sqlDatabaseId = 11;
        rec.row.finishTime.year = 2024;
        rec.row.finishTime.month = 1;
        rec.row.finishTime.day = 2;
        rec.row.finishTime.hour = 3;
        rec.row.finishTime.minute = 4;
        rec.row.finishTime.second = 5 + i;
        kel::copyField(rec.row.firstLSN, lsns[i]);
        ASSERT_EQ(rec.rowInsert(true), 0) << rec.getErrorStr(-1);
    }
    auto ids = [](const char* where) {
        LsnRecord rec;
        rec.setWhere("%s", where);
        std::vector<int> out;
        if (rec.openCursor() != 0) return out;
        while (rec.fetchCursor(true) == 0) out.push_back(rec.row.sqlBackupSetId);
        rec.closeCursor();
        return out;
    };
    EXPECT_EQ(ids("firstLSN < '1000'"), std::vector<int>({1}));
    EXPECT_EQ(ids("firstLSN > '999' and firstLSN <= '25000000001'"), std::vector<int>({2, 3}));
    EXPECT_EQ(ids("finishTime <= {ts'2024-01-02 03:04:05'}"), std::vector<int>({1}));
    EXPECT_EQ(ids("finishTime < {ts+'2024-01-02 03:04:05+'}"), std::vector<int>());
    EXPECT_EQ(ids("finishTime >= {ts+'2024-01-02 03:04:06+'}"), std::vector<int>({2, 3}));

    LsnRecord back;
    back.setWhere("sqlBackupSetId = %d", 2);
    ASSERT_EQ(back.getOneRow(&back, false, -1, 0), 0);
    EXPECT_EQ(back.row.finishTime.second, 6);
    EXPECT_TRUE(back.row.startTime.isCleared());
    EXPECT_EQ(ids("startTime IS NULL").size(), 3u);  // a cleared date is NULL

    LsnRecord zero;
    zero.setWhere("finishTime = {ts'0000-00-00 00:00:00'}");
    int rc = zero.openCursor();
    EXPECT_NE(rc, 0);
    EXPECT_NE(rc, 100);
}

TEST_F(CatalogueTest, NoRowIsOneHundredAndErrorsAreNeither) {
    FileGroupRecord rec;
    rec.setWhere("id = %d", 4242);
    EXPECT_EQ(rec.getOneRow(&rec, false, -1, 0), 100);
    EXPECT_EQ(rec.openCursor(), 100);
    EXPECT_EQ(rec.rowUpdate("streams = %d", 2), 100);
    EXPECT_EQ(rec.rowDelete(), 100);
    rec.setWhere("id in (%s)", "");  // an empty IN list matches nothing
    EXPECT_EQ(rec.getOneRow(&rec, false, -1, 0), 100);

    rec.setWhere("nosuchcolumn = 1");
    int rc = rec.getOneRow(&rec, false, -1, 0);
    EXPECT_NE(rc, 0);
    EXPECT_NE(rc, 100);
    EXPECT_NE(std::string(rec.getErrorStr(rc)).find("nosuchcolumn"), std::string::npos);

    PairCursor cursor;
    EXPECT_EQ(cursor.CallDBsprintfWrapper("select %d, 'x' where 0", 1), 21);
    EXPECT_EQ(cursor.openCursor(), 100);
    rc = cursor.rowDelete();  // a cursor never deletes
    EXPECT_NE(rc, 0);
    EXPECT_NE(rc, 100);
}

TEST_F(CatalogueTest, UpdateAndDeleteWithoutWhereGoByKey) {
    int a = insertGroup("a");
    int b = insertGroup("b");
    FileGroupRecord rec;
    rec.row.id = b;
    rec.row.tesselId = 1;
    rec.row.sqlDatabaseId = 11;
    kel::copyField(rec.row.fileGroupName, "b2");
    ASSERT_EQ(rec.rowUpdate(nullptr), 0);
    EXPECT_EQ(groupName(a), "a");
    EXPECT_EQ(groupName(b), "b2");
    rec.row.id = a;
    ASSERT_EQ(rec.rowDelete(), 0);
    EXPECT_EQ(groupName(a), "<none>");
    EXPECT_EQ(groupName(b), "b2");
}

TEST_F(CatalogueTest, IdentityValuesAreNeverReused) {
    int first = insertGroup("one");
    int second = insertGroup("two");
    ASSERT_EQ(second, first + 1);
    FileGroupRecord rec;
    rec.setWhere("id = %d", second);
    ASSERT_EQ(rec.rowDelete(), 0);
    EXPECT_EQ(insertGroup("three"), second + 1);
}

TEST_F(CatalogueTest, ValuesOutOfTheirColumnAreRefused) {
    int id = insertGroup("range");
    FileGroupRecord rec;
    rec.setWhere("id = %d", id);
    // 4294967295 reaches a column as the signed 32-bit -1.
    ASSERT_EQ(rec.rowUpdate("streams = %d", static_cast<int>(4294967295u)), 0);
    ASSERT_EQ(rec.getOneRow(&rec, false, -1, 0), 0);
    EXPECT_EQ(rec.row.streams, -1);
    for (const char* set : {"streams = 2147483648", "streams = -2147483649", "streams = 4294967295"}) {
        int rc = rec.rowUpdate(set);
        EXPECT_NE(rc, 0) << set;
        EXPECT_NE(rc, 100) << set;
    }
    EXPECT_EQ(rec.rowUpdate("streams = -2147483648"), 0);

    std::string longest(128, 'n');
    EXPECT_EQ(rec.rowUpdate("fileGroupName = %s", kel::sql::quoted(longest).c_str()), 0);
    std::string tooLong(129, 'n');
    int rc = rec.rowUpdate("fileGroupName = %s", kel::sql::quoted(tooLong).c_str());
    EXPECT_NE(rc, 0);
    EXPECT_NE(rc, 100);

    // A field without its NUL is refused by the binding, not read past.
    FileGroupRecord full;
    full.row.tesselId = 1;
    full.row.sqlDatabaseId = 11;
    std::memset(full.row.fileGroupName, 'x', sizeof full.row.fileGroupName);
    rc = full.rowInsert(true);
    EXPECT_EQ(rc, kDBErrValue);
}

TEST_F(CatalogueTest, ForeignKeysAreEnforced) {
    FileGroupRecord rec;
    rec.row.tesselId = 1;
    rec.row.sqlDatabaseId = 999;
    int rc = rec.rowInsert(true);
    EXPECT_NE(rc, 0);
    EXPECT_NE(rc, 100);
    DatabaseRecord db;
    db.setWhere("backupSetId = %d", 11);
    rc = db.rowDelete();  // backup sets still point to it
    EXPECT_NE(rc, 0);
    EXPECT_NE(rc, 100);
}

TEST_F(CatalogueTest, SchemaKeepsColumnOrderAndDeclaredKeys) {
    sqlite3* db = nullptr;
    std::string error;
    ASSERT_EQ(DBopenCatalogue(kel::homePath("catalogue.db"), &db, error), SQLITE_OK);
    auto column = [&](const char* sql) {
        std::vector<std::string> out;
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
        while (sqlite3_step(stmt) == SQLITE_ROW) out.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
        sqlite3_finalize(stmt);
        return out;
    };
    std::vector<std::string> names = column("SELECT name FROM pragma_table_info('sqlServer')");
    EXPECT_EQ(names, std::vector<std::string>({"instanceId", "tesselId", "serverName", "sqlVersionId", "sa",
                                               "saPassword", "undoFile", "addTime", "removalTime", "deleteFlag",
                                               "sqlNTAccount", "sqlNTPassword", "sqlServiceName", "flags",
                                               "clientId"}));
    EXPECT_EQ(column("SELECT \"table\" FROM pragma_foreign_key_list('sqlBackupSet') ORDER BY \"table\""),
              std::vector<std::string>({"APP_Tessel", "sqlDatabase", "sqlVersion", "sqlVersion"}));
    // The platform's own tables (APP_*) are counted apart: they grow with it;
    // the 17 catalogue tables, archFileCopy and the stored procedures remain.
    EXPECT_EQ(column("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite%' "
                     "AND name NOT LIKE 'APP\\_%' ESCAPE '\\'"),
              std::vector<std::string>({"19"}));
    EXPECT_FALSE(column("SELECT name FROM pragma_index_list('sqlLSNs') WHERE name LIKE '%sqlDatabaseId%'").empty());
    sqlite3_close(db);
}

TEST_F(CatalogueTest, CursorTextParametersStayOneValue) {
    PairCursor cursor;
    const char* text = "it's 100%";
    cursor.CallDBsprintfWrapper("select %d, %s", 5, kel::sql::quoted(text).c_str());
    ASSERT_EQ(cursor.openCursor(), 0);
    ASSERT_EQ(cursor.fetchCursor(true), 0);
    EXPECT_EQ(cursor.row.n, 5);
    EXPECT_STREQ(cursor.row.text, text);
    EXPECT_EQ(cursor.fetchCursor(true), 100);
    cursor.closeCursor();
}

int g_seenInputs = 0;
std::string g_seenName;

int recordingExecutor(DBConnection& conn, const DBBatch& batch, std::unique_ptr<DBResultSet>& result, std::string& error) {
    g_seenName = batch.objectName;
    g_seenInputs = int(batch.inputs.size());
    long long sum = 0;
    for (long long v : batch.inputs) sum += v;
    return DBrunSql(conn.db(), "select " + std::to_string(sum) + ", 'proc'", result, error);
}

TEST_F(CatalogueTest, ProceduresGoThroughTheExecutorWithTheirInputs) {
    PairCursor proc(nullptr, DBKindProcedure);
    proc.ClearBoundInputs();
    proc.BindInput(new KelDB_int(3));
    proc.BindInput(new KelDB_int(4));
    int rc = proc.getOneRow(&proc, false, -1, 0);  // the catalogue has no such procedure
    EXPECT_NE(rc, 0);
    EXPECT_NE(rc, 100);

    DBtable::setBatchExecutor(recordingExecutor);
    rc = proc.getOneRow(&proc, false, -1, 0);
    DBtable::setBatchExecutor(nullptr);
    ASSERT_EQ(rc, 0);
    EXPECT_EQ(g_seenName, "pairCursor");
    EXPECT_EQ(g_seenInputs, 2);
    EXPECT_EQ(proc.row.n, 7);

    // An executor that answers success without a result is a failure.
    DBtable::setBatchExecutor([](DBConnection&, const DBBatch&, std::unique_ptr<DBResultSet>&, std::string&) {
        return 0;
    });
    rc = proc.getOneRow(&proc, false, -1, 0);
    DBtable::setBatchExecutor(nullptr);
    EXPECT_NE(rc, 0);
    EXPECT_NE(rc, 100);
}

}  // namespace
}  // namespace kel::test

namespace kel::test {
namespace {

// An archive group has a Unicode text of fixed size and one of no size,
// which the library allocates and the row releases.
using GroupRecord = TestRecord<ArchGroup>;

TEST_F(HomeTest, UnsizedTextsAreAllocatedOnFetchAndOwnedByTheRow) {
    GroupRecord rec;
    kel::copyField(rec.row.name, "group");
    std::string longText(5000, 'd');
    char* text = new char[longText.size() + 1];
    std::memcpy(text, longText.c_str(), longText.size() + 1);
    rec.row.description = text;
    ASSERT_EQ(rec.rowInsert(true), 0);
    ASSERT_GT(rec.row.id, 0);

    GroupRecord back;
    back.setWhere("name = %s", kel::sql::quoted("GROUP").c_str());
    ASSERT_EQ(back.getOneRow(&back, false, -1, 0), 0);
    ASSERT_NE(back.row.description, nullptr);
    EXPECT_EQ(std::string(back.row.description), longText);
    ASSERT_EQ(back.getOneRow(&back, false, -1, 0), 0);  // a second fetch replaces it
    EXPECT_EQ(std::strlen(back.row.description), longText.size());
}

TEST_F(HomeTest, LogErrorWritesFileLineAndMessageToTheErrorLog) {
    std::string seen;
    KelDebug::setSink([&](KelDebugLevel level, const std::string&, const std::string& text) {
        if (level == KelDebugError) seen = text;
    });
    log_error("include/Db/Tbl/sqlFile", 554, "SqlFile Constructor [0x%08x], caught an exception", 0x1234u);
    KelDebug::setSink(nullptr);
    EXPECT_NE(seen.find("include/Db/Tbl/sqlFile"), std::string::npos);
    EXPECT_NE(seen.find("554"), std::string::npos);
    EXPECT_NE(seen.find("SqlFile Constructor [0x00001234], caught an exception"), std::string::npos);
}

}  // namespace
}  // namespace kel::test
