// The catalogue's stored procedures through their records (values text and
// bound inputs) and failures inside a batch.
#include <memory>
#include <string>

#include "Db/Proc/archFileByTime.h"
#include "Db/Proc/simGetVersionOfClient.h"
#include "cursors/CursorFixture.h"
#include "platform/db/DBEngine.h"
#include "platform/db/tsql/BatchRunner.h"

namespace kel::test {
namespace {

// Database 10 (application 50): a full backup on archive file 101 (two
// copies, created at 1000), a log backup on 102 (2000), a tomb-stoned
// snapshot full backup on 103 (3000); application 51 has a full backup on 104.
class ProcedureTest : public CursorTest {
protected:
    void SetUp() override {
        CursorTest::SetUp();
        ASSERT_EQ(0, execSql(
            "INSERT INTO archGroup (id, name) VALUES (1, 'group');"
            "INSERT INTO archFile (id, name, tesselId, archGroupId, appId, fileType, cTime, jobId, backupLevel, isValid)"
            " VALUES (101, 'f1', 1, 1, 50, 1, 1000, 7, 1, 1), (102, 'f2', 1, 1, 50, 1, 2000, 8, 2, 1),"
            " (103, 'f3', 1, 1, 50, 1, 3000, 9, 1, 1), (104, 'f4', 1, 1, 51, 1, 1500, 10, 1, 1);"
            "INSERT INTO archFileCopy (archFileId, tesselId, copyId, flags, physicalSize, logicalSize) VALUES"
            " (101, 1, 2, 0, 6000000000, 6100000000), (101, 1, 1, 0, 5000000000, 5100000000),"
            " (102, 1, 1, 0, 10, 11), (103, 1, 1, 0, 20, 21), (104, 1, 1, 0, 30, 31);"))
            << "archive files";
        addBackup(1, 10, "2021-05-01 00:00:00", 68, 0, 0, 101);
        addBackup(2, 10, "2021-05-02 00:00:00", 76, 0, 0, 102);
        addBackup(3, 10, "2021-05-03 00:00:00", 100, 0, 1, 103);
        addBackup(4, 11, "2021-05-01 00:00:00", 68, 0, 0, 104);
    }
    void TearDown() override { DBtable::b_newDBBase = 0; }
};

bool isError(int rc) { return rc != 0 && rc != 100; }

// Each with its arguments bound as values (new base) and formatted into the
// values text.
TEST_F(ProcedureTest, ArchiveFileOfTheLatestFullBackupAtTheTimeAndClientVersion) {
    ASSERT_EQ(0, execSql("INSERT INTO APP_ClientRelease (clientId, tesselId, release, buildId, releaseID)"
                         " VALUES (1, 1, '11.0 ', 'B80', 8)"));
    const struct {
        int app, time, copy, tombStone;
        const char* first;
    } cases[] = {
        {50, 2500, 0, 0, "101,1,1,1,1,1000,7,1,5000000000,5100000000"},  // not the later log backup's file
        {50, 3500, 0, 0, "101,1,1,1,1,1000,7,1,5000000000,5100000000"},  // tomb-stoned: not under limit 0
        {50, 3500, 0, 1, "103,1,1,1,1,3000,9,1,20,21"},
        {50, 2500, 2, 0, "101,1,1,2,1,1000,7,1,6000000000,6100000000"},
        {51, 2500, 0, 0, "104,1,1,1,1,1500,10,1,30,31"},
        {50, 999, 0, 0, ""},
    };
    for (int newBase : {0, 1}) {
        SCOPED_TRACE(newBase ? "bound inputs" : "values text");
        DBtable::b_newDBBase = static_cast<unsigned char>(newBase);
        for (const auto& c : cases) {
            ArchFileByTime proc(nullptr);
            proc.setIsolationType(4);  // as its one caller runs it
            proc.setValues(0, c.app, 1, c.time, 0, 1, c.copy, c.tombStone, 0, 1);
            EXPECT_EQ(c.first, rowsText(proc, 1)) << c.app << " at " << c.time;
        }
        EXPECT_EQ("11.0,B80,8", cursorRows<SimGetVersionOfClient>(1));
        EXPECT_EQ("", cursorRows<SimGetVersionOfClient>(2)) << "a client without a known release";
    }
    SimGetVersionOfClient proc(nullptr);
    proc.setKelDBValues(new KelDB_int(1));
    EXPECT_EQ("11.0,B80,8", rowsText(proc)) << "prepared values are bound";
}

TEST_F(ProcedureTest, ValuesTextTakesNumbersQuotedTextsAndNullAndNothingElse) {
    std::string error;
    std::unique_ptr<DBConnection> conn(DBConnection::open(error));
    ASSERT_TRUE(conn) << error;
    ASSERT_EQ(0, conn->runner().storeProcedure("CREATE PROCEDURE echoArgs @a int, @b varchar(40), @c int AS\n"
                                               "select @a, @b, @c",
                                               error))
        << error;
    DBBatch batch{DBKindProcedure, "echoArgs", " -3 , 'it''s, 5' ,NULL", {}};
    std::unique_ptr<DBResultSet> result;
    ASSERT_EQ(0, DBrunBatch(*conn, batch, result, error)) << error;
    ASSERT_EQ(0, result->next(error));
    EXPECT_EQ(-3, result->intValue(0));
    int len = 0;
    EXPECT_EQ("it's, 5", std::string(result->textValue(1, &len)));
    EXPECT_TRUE(result->isNull(2));
    EXPECT_EQ(100, result->next(error));
    for (const char* bad : {"1, 'x', 2 3", "1,,2", "1, 'x', 2, select 1", "-'x', 1, 2"}) {
        batch.text = bad;
        EXPECT_TRUE(isError(DBrunBatch(*conn, batch, result, error))) << bad;
    }

    // Through a record: a statement after the values, or too few of them.
    ArchFileByTime proc(nullptr);
    proc.CallDBsprintfWrapper("%s", "0,50,1,2500,0,1,0,0,0,1; delete from archFile");
    EXPECT_TRUE(isError(proc.openCursor()));
    proc.CallDBsprintfWrapper("%s", "0,50,1,2500");
    int rc = proc.openCursor();
    EXPECT_TRUE(isError(rc));
    EXPECT_NE(std::string::npos, std::string(proc.getErrorStr(rc)).find("expects 10 arguments")) << proc.getErrorStr(rc);
    EXPECT_EQ(0, execSql("SELECT 1 FROM archFile WHERE id = 101"));
}

// A cursor whose batch a test writes.
struct NameLookup_t {
    char name[129] = {};
    int32_t id = 0;
};
struct NameLookupDesc {
    using Row = NameLookup_t;
    static constexpr DBColumn columns[] = {KEL_DB_COLUMN(Row, name, "s129"), KEL_DB_COLUMN(Row, id, "i")};
    static constexpr DBColumnLayout layout = KEL_DB_CURSOR_LAYOUT(NameLookup);
    static constexpr KelDBFamily family = KEL_DB_CURSOR_FAMILY(nameLookup, NameLookup, 0);
};
KEL_DB_CHECK_FAMILY(NameLookupDesc);
class NameLookup_t2 : public KelDBSchema<NameLookupDesc> {};
class NameLookup : public KelDBRecord<NameLookupDesc, NameLookup_t2> {
public:
    using KelDBRecord::KelDBRecord;
    int setBatch(const char* batch) { return formatBatch("%s", batch); }
};

using BatchTest = CursorTest;

TEST_F(BatchTest, AFailureInsideABatchIsTheCursorsFailureWithItsText) {
    const struct {
        const char* batch;
        const char* text;
    } cases[] = {
        // A statement that breaks a foreign key, then the result the cursor would read.
        {"insert into sqlFile (tesselId, sqlFileGroupId, logicalName) values (1, 999, 'x') \n"
         " select logicalName, id from sqlFile", "FOREIGN KEY"},
        {"declare @x integer \n set @x = 1 \n select logicalName, id from noSuchTable where id = @x", "noSuchTable"},
        {"select logicalName, id from sqlFile where id = 1 \n PRINT 'outside the subset'", ""},
    };
    for (const auto& c : cases) {
        NameLookup cursor(nullptr);
        cursor.setBatch(c.batch);
        int rc = cursor.openCursor();
        EXPECT_TRUE(isError(rc)) << c.batch;
        const std::string text = cursor.getErrorStr(rc);
        EXPECT_TRUE(!text.empty() && text.find(c.text) != std::string::npos) << text;
        EXPECT_NE(0, cursor.fetchCursor(true)) << "no cursor after a failed open";
    }
}

}  // namespace
}  // namespace kel::test
