#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "Db/Tbl/archGroup.h"
#include "db/TestRecords.h"
#include "platform/db/DBEngine.h"
#include "platform/db/SqlFormat.h"
#include "platform/events/KelDebug.h"
#include "platform/util/BoundedCopy.h"
#include "support/TestHome.h"

namespace kel::test {
namespace {

// A failure that is neither success nor "no row".
bool isError(int rc) { return rc != 0 && rc != 100; }

class CatalogueTest : public HomeTest {
protected:
    void SetUp() override { ASSERT_EQ(seedCatalogue(), SQLITE_OK); }

    int insertGroup(const char* name) {
        FileGroupRecord rec;
        rec.row.tesselId = 1;
        rec.row.sqlDatabaseId = 11;
        EXPECT_TRUE(kel::copyField(rec.row.fileGroupName, name));
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
    EXPECT_TRUE(kel::copyField(lookup.row.fileGroupName, "O'Neil 50%d"));
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

    // A delete without a where text goes by key.
    int other = insertGroup("other");
    FileGroupRecord byKey;
    byKey.row.id = id;
    ASSERT_EQ(byKey.rowDelete(), 0);
    EXPECT_EQ(groupName(id), "<none>");
    EXPECT_EQ(groupName(other), "other");
}

// A where format read straight into its parameters finds what the same text
// parameterised would, leaves the same text behind, and gives way to the
// formatted text wherever its numbers are not plain; a record switching
// between the two forms never keeps a stale one.
TEST_F(CatalogueTest, WhereFormatsFindTheRowsTheirTextNames) {
    const int a = insertGroup("a"), b = insertGroup("b");
    ASSERT_GT(b, a);
    FileGroupRecord rec;
    auto found = [&rec]() { return rec.getOneRow(&rec, false, -1, 0) == 0 ? rec.row.id : 0; };
    auto where = [&rec]() { return std::string(rec.getWhereBuffer()); };

    rec.setWhere("id = %d and sqlDatabaseId = %u", a, 11u);
    EXPECT_EQ(found(), a);
    EXPECT_EQ(where(), "id = " + std::to_string(a) + " and sqlDatabaseId = 11");
    rec.setWhere("id = %lld", static_cast<long long>(b));
    EXPECT_EQ(found(), b);
    rec.setWhere("fileGroupName = %s or id = %d", kel::sql::quoted("a").c_str(), 0);
    EXPECT_EQ(found(), a);
    rec.setWhere("id = - %d", -b);  // a sign in the format: the text's own parameters
    EXPECT_EQ(found(), b);
    rec.setWhere("id > %d and id < %ld", -5, static_cast<long>(b));
    EXPECT_EQ(found(), a);
    EXPECT_EQ(where(), "id > -5 and id < " + std::to_string(b));
    rec.setWhere("id < %llu", 18446744073709551615ull);  // beyond a 64-bit integer: stays in the text
    EXPECT_EQ(found(), a);
    rec.setWhere("id = %d", b);
    EXPECT_EQ(found(), b);
    rec.setWhere("id = %d", a);
    EXPECT_EQ(found(), a);
    EXPECT_EQ(rec.rowDelete(), 0);
    rec.setWhere("id = %d", a);
    EXPECT_EQ(rec.getOneRow(&rec, false, -1, 0), 100);
}

// Texts come back as stored, null apart from empty: an owned text that is
// null stays unset, an empty one is an empty text; a null time reads
// cleared.
TEST_F(CatalogueTest, TextsAndTimesReadAsStored) {
    ASSERT_EQ(execSql("INSERT INTO archGroup (id, name, description) VALUES (1, 'a', NULL), (2, '', ''),"
                      " (3, 'c', 'thirty-two characters of it here')"),
              SQLITE_OK);
    TestRecord<ArchGroup> group;
    const struct {
        int id;
        const char* name;
        const char* description;  // null: unset
    } rows[] = {{1, "a", nullptr}, {2, "", ""}, {3, "c", "thirty-two characters of it here"}};
    for (const auto& r : rows) {
        group.setWhere("id = %d", r.id);
        ASSERT_EQ(group.getOneRow(&group, false, -1, 0), 0) << r.id;
        EXPECT_STREQ(group.row.name, r.name);
        if (r.description) EXPECT_STREQ(group.row.description, r.description);
        else EXPECT_EQ(group.row.description, nullptr);
    }
    ASSERT_EQ(execSql("INSERT INTO sqlLSNs (sqlBackupSetId, tesselId, sqlDatabaseId, startTime, finishTime)"
                      " VALUES (1, 1, 11, '2024-01-02 03:04:05', NULL)"),
              SQLITE_OK);
    LsnRecord lsn;
    lsn.setWhere("sqlBackupSetId = %d", 1);
    ASSERT_EQ(lsn.getOneRow(&lsn, false, -1, 0), 0);
    EXPECT_EQ(lsn.row.startTime.second, 5);
    EXPECT_TRUE(lsn.row.finishTime.isCleared());
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
        ASSERT_TRUE(rec.row.finishTime.parse(("2024-01-02 03:04:0" + std::to_string(5 + i)).c_str()));
        EXPECT_TRUE(kel::copyField(rec.row.firstLSN, lsns[i]));
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
    EXPECT_EQ(ids("startTime IS NULL").size(), 3u);  // a cleared date is NULL
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
    EXPECT_TRUE(isError(rc));
    EXPECT_NE(std::string(rec.getErrorStr(rc)).find("nosuchcolumn"), std::string::npos);

    PairCursor cursor;
    EXPECT_EQ(cursor.CallDBsprintfWrapper("select %d, 'x' where 0", 1), 21);
    EXPECT_EQ(cursor.openCursor(), 100);
    EXPECT_TRUE(isError(cursor.rowDelete()));  // a cursor never deletes
}

TEST_F(CatalogueTest, ValuesOutOfTheirColumnAreRefused) {
    int id = insertGroup("range");
    FileGroupRecord rec;
    rec.setWhere("id = %d", id);
    // 4294967295 reaches a column as the signed 32-bit -1.
    ASSERT_EQ(rec.rowUpdate("streams = %d", static_cast<int>(4294967295u)), 0);
    ASSERT_EQ(rec.getOneRow(&rec, false, -1, 0), 0);
    EXPECT_EQ(rec.row.streams, -1);
    for (const char* set : {"streams = 2147483648", "streams = -2147483649", "streams = 4294967295"})
        EXPECT_TRUE(isError(rec.rowUpdate(set))) << set;
    EXPECT_EQ(rec.rowUpdate("streams = -2147483648"), 0);
    EXPECT_EQ(rec.rowUpdate("fileGroupName = %s", kel::sql::quoted(std::string(128, 'n')).c_str()), 0);
    EXPECT_TRUE(isError(rec.rowUpdate("fileGroupName = %s", kel::sql::quoted(std::string(129, 'n')).c_str())));

    // A field without its NUL is refused by the binding, not read past.
    FileGroupRecord full;
    full.row.tesselId = 1;
    full.row.sqlDatabaseId = 11;
    std::memset(full.row.fileGroupName, 'x', sizeof full.row.fileGroupName);
    EXPECT_EQ(full.rowInsert(true), kDBErrValue);
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
    EXPECT_TRUE(isError(proc.getOneRow(&proc, false, -1, 0)));  // the catalogue has no such procedure

    DBtable::setBatchExecutor(recordingExecutor);
    int rc = proc.getOneRow(&proc, false, -1, 0);
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
    EXPECT_TRUE(isError(rc));
}

TEST_F(CatalogueTest, LogErrorWritesFileLineAndMessageToTheErrorLog) {
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

TEST(QuotedConversion, OnlyAPercentSBetweenQuotesOfTheFormatItselfIsCaught) {
    const struct {
        const char* format;
        bool quoted;
    } cases[] = {
        {"name = '%s'", true},           {"name like '%s%%'", true},   {"name = 'it''s %s'", true},
        {"name = '%-20s' and id = %d", true}, {"name = %s", false},   {"name = '%%s'", false},
        {"a = 'x' and b = %s", false},   {"name = '%d'", false},       {"it''s = %s", false},
        {"%s: the manager's table (%s)", true}, {"name = N'%s'", true},
    };
    for (const auto& c : cases) EXPECT_EQ(kel::sql::unsoundFormat(c.format), c.quoted) << c.format;
}

TEST_F(CatalogueTest, AFormatThatQuotesAPercentSItselfIsRefusedAndRunsNothing) {
    const int id = insertGroup("O'Brien");
    const int other = insertGroup("x");
    ASSERT_GT(other, 0);
    FileGroupRecord rec;
    EXPECT_EQ(rec.setWhere("fileGroupName = '%s'", "x' or '1'='1"), kDBErrUsage);
    EXPECT_NE(std::string(rec.getErrorStr(kDBErrUsage)).find("kel::sql::quoted"), std::string::npos);
    // Until a sound where text is set, nothing runs: no lookup, no update, no delete.
    EXPECT_EQ(rec.getOneRow(&rec, false, -1, 0), kDBErrUsage);
    EXPECT_EQ(rec.openCursor(), kDBErrUsage);
    EXPECT_EQ(rec.rowUpdate("streams = 9"), kDBErrUsage);
    EXPECT_EQ(rec.rowDelete(), kDBErrUsage);
    EXPECT_EQ(groupName(id), "O'Brien");
    EXPECT_EQ(groupName(other), "x");

    // A SET format that quotes its own %s: refused, the row as it was.
    rec.setWhere("id = %d", id);
    EXPECT_EQ(rec.rowUpdate("fileGroupName = '%s'", "O'Neil"), kDBErrUsage);
    EXPECT_EQ(groupName(id), "O'Brien");

    // The quoted text into a plain %s does what was meant.
    ASSERT_EQ(rec.setWhere("fileGroupName = %s", kel::sql::quoted("O'Brien").c_str()), 0);
    ASSERT_EQ(rec.getOneRow(&rec, false, -1, 0), 0);
    EXPECT_EQ(rec.row.id, id);
    ASSERT_EQ(rec.rowUpdate("fileGroupName = %s", kel::sql::quoted("O'Neil's").c_str()), 0);
    EXPECT_EQ(groupName(id), "O'Neil's");
}

}  // namespace
}  // namespace kel::test
