// Server-side cursors in a batch: the log-backup file batch that walks a
// cursor and inserts a row per file, and error handling inside the loop.
#include "tsql/TsqlFixture.h"

#include <cstdio>
#include <string>

#include "Db/Cursor/sqlBackupFileLogUpdate.h"

using kel::tsql::BatchRunner;
using kel::tsql::ResultSet;
using kel::tsql::Value;

namespace {

const char* const kLogUpdate = SqlBackupFileLogUpdate::kBatch;

class CursorBatchTest : public kel::test::TsqlFixture {
protected:
    void SetUp() override {
        TsqlFixture::SetUp();
        exec("CREATE TABLE sqlFileGroup(id INTEGER PRIMARY KEY AUTOINCREMENT, tesselId INTEGER,"
             " sqlDatabaseId INTEGER, groupId INTEGER, removalTime INTEGER)");
        exec("CREATE TABLE sqlFile(id INTEGER PRIMARY KEY AUTOINCREMENT, sqlFileGroupId INTEGER, fileId INTEGER,"
             " logicalName TEXT, physicalName TEXT, removalTime INTEGER)");
        exec("CREATE TABLE sqlLSNs(id INTEGER PRIMARY KEY AUTOINCREMENT, sqlBackupSetId INTEGER, backupType INTEGER)");
        exec("CREATE TABLE sqlBackupFile(id INTEGER PRIMARY KEY AUTOINCREMENT, tesselId INTEGER,"
             " sqlFileGroupId INTEGER, sqlBackupSetId INTEGER, number INTEGER, physicalName TEXT,"
             " logicalName TEXT, physicalDrive TEXT, pageSize INTEGER, pageCount INTEGER, type INTEGER,"
             " UNIQUE(sqlBackupSetId, logicalName))");
        // Database 7 of Tessel 2: group 1 (groupId 1) live, group 2 is the log group (groupId 0).
        exec("INSERT INTO sqlFileGroup VALUES(1, 2, 7, 1, 0), (2, 2, 7, 0, 0), (3, 2, 8, 1, 0)");
        exec("INSERT INTO sqlFile VALUES(10, 1, 1, 'data1', 'C:\\data\\d1.mdf', 0),"
             "(11, 2, 2, 'log', 'C:\\data\\l.ldf', 0), (12, 1, 3, 'gone', 'D:\\x.ndf', 99),"
             "(13, 1, 4, 'data2', 'E:', 0), (14, 3, 1, 'other', 'F:\\o.mdf', 0)");
        exec("INSERT INTO sqlLSNs(sqlBackupSetId, backupType) VALUES(50, 76), (51, 68)");
    }
    static std::string batch(int tessel, int database, int backupSet) {
        char buf[4096];
        std::snprintf(buf, sizeof buf, kLogUpdate, tessel, database, backupSet);
        return buf;
    }
    ResultSet rows(const std::string& sql) { return ok(sql); }
    kel::tsql::BatchRunner& runner() { return *runner_; }
};

TEST_F(CursorBatchTest, ErrorInsideLoopClosesCursorAndReportsFirstError) {
    // data2's row exists already: the second insert breaks the unique key.
    exec("INSERT INTO sqlBackupFile(sqlBackupSetId, logicalName) VALUES(50, 'data2')");
    std::string text = batch(2, 7, 50);
    text.insert(0, "declare @after int\n");
    text.replace(text.find("deallocate BFLU\n"), 16, "deallocate BFLU\n set @after = @@ERROR\n");
    text.replace(text.find("select @rc"), std::string::npos, "insert into nosuchtable values(1)\n select @rc, @after");
    ResultSet rs;
    std::string err;
    int rc = runner().run(text, rs, err);
    EXPECT_EQ(SQLITE_CONSTRAINT, rc);
    EXPECT_NE(std::string::npos, err.find("UNIQUE")) << err;
    ASSERT_EQ(1u, rs.rows.size());
    EXPECT_EQ(Value::integer(0), rs.rows[0][0]);
    EXPECT_EQ(Value::integer(0), rs.rows[0][1]);  // DEALLOCATE ran without error
    EXPECT_EQ(2u, rows("select * from sqlBackupFile").rows.size());  // the row before the failure stays

    // The cursor ended with its batch: the same batch runs again from a clean state.
    exec("DELETE FROM sqlBackupFile WHERE logicalName = 'data2'");
    exec("DELETE FROM sqlBackupFile WHERE logicalName = 'data1'");
    rc = runner().run(batch(2, 7, 50), rs, err);
    EXPECT_EQ(0, rc) << err;
    EXPECT_EQ(Value::integer(1), rs.rows.at(0).at(0));
}

TEST_F(CursorBatchTest, FetchStatusAndCursorMisuse) {
    ResultSet rs;
    std::string err;
    int rc = runner().run("declare @n char(10), @s1 int, @s2 int, @e int\n"
                          "declare c cursor for select logicalName from sqlFile where id = 10\n"
                          "open c\n fetch next from c into @n\n set @s1 = @@FETCH_STATUS\n"
                          "fetch next from c into @n\n set @s2 = @@FETCH_STATUS\n"
                          "close c\n fetch next from c into @n\n set @e = @@ERROR\n deallocate c\n"
                          "select @n, @s1, @s2, @e",
                          rs, err);
    EXPECT_NE(0, rc);  // the fetch from a closed cursor
    ASSERT_EQ(1u, rs.rows.size());
    EXPECT_EQ(Value::text("data1"), rs.rows[0][0]);  // a fetch past the end keeps the variables
    EXPECT_EQ(Value::integer(0), rs.rows[0][1]);
    EXPECT_EQ(Value::integer(-1), rs.rows[0][2]);
    EXPECT_NE(Value::integer(0), rs.rows[0][3]);
}

}  // namespace

namespace {

// Every prefix of a real batch either is refused or runs; none may crash or
// read past the tokens (the sanitizers watch).
TEST_F(CursorBatchTest, EveryPrefixOfTheBatchIsHandled) {
    std::string full = batch(2, 7, 50);
    size_t refused = 0;
    for (size_t n = 0; n <= full.size(); ++n) {
        ResultSet rs;
        std::string err;
        if (runner().run(full.substr(0, n), rs, err) != 0 && !rs.present) ++refused;
        exec("DELETE FROM sqlBackupFile");
    }
    EXPECT_GT(refused, full.size() / 2);
}

// A batch first parsed before its table existed is parsed again once it does.
TEST_F(CursorBatchTest, InsertIntoTableCreatedLaterGetsItsColumnList) {
    const std::string text = "insert into later values ('x')";
    ResultSet rs;
    std::string err;
    EXPECT_NE(0, runner().run(text, rs, err));
    exec("CREATE TABLE later(id INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT)");
    EXPECT_EQ(0, runner().run(text, rs, err)) << err;
    EXPECT_EQ(1, count("later"));
}

}  // namespace
