// The catalogue's stored procedures through their records (values text and
// bound inputs) and failures inside a batch.
#include <memory>
#include <string>
#include <vector>

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

    // The first row of archFileByTime as its one caller runs it; the open
    // or fetch code when there is none.
    static int firstArchiveFile(int app, int time, int copy, int tombStone, ArchFileByTime_t& row) {
        ArchFileByTime proc(nullptr);
        proc.setIsolationType(4);
        proc.setValues(0, app, 1, time, 0, 1, copy, tombStone, 0, 1);
        int rc = proc.openCursor();
        if (rc != 0) return rc;
        rc = proc.fetchCursor(true);
        row = *proc.getDataPtr();
        proc.closeCursor();
        return rc;
    }
};

TEST_F(ProcedureTest, ArchiveFileOfTheLatestFullBackupAtTheTime) {
    for (int newBase : {0, 1}) {
        SCOPED_TRACE(newBase ? "bound inputs" : "values text");
        DBtable::b_newDBBase = static_cast<unsigned char>(newBase);
        ArchFileByTime_t row;
        ASSERT_EQ(0, firstArchiveFile(50, 2500, 0, 0, row));
        EXPECT_EQ(101, row.r_afileId);  // not the later log backup's file
        EXPECT_EQ(1, row.r_tesselId);
        EXPECT_EQ(1, row.r_agroupId);
        EXPECT_EQ(1, row.r_copyId);
        EXPECT_EQ(1000, row.r_createTime);
        EXPECT_EQ(7, row.r_jobId);
        EXPECT_EQ(5000000000LL, row.r_physicalSize);
        EXPECT_EQ(5100000000LL, row.r_logicalSize);

        ASSERT_EQ(0, firstArchiveFile(50, 3500, 0, 0, row));
        EXPECT_EQ(101, row.r_afileId) << "a tomb-stoned archive set does not count under limit 0";
        ASSERT_EQ(0, firstArchiveFile(50, 3500, 0, 1, row));
        EXPECT_EQ(103, row.r_afileId);
        ASSERT_EQ(0, firstArchiveFile(50, 2500, 2, 0, row));
        EXPECT_EQ(2, row.r_copyId);
        EXPECT_EQ(6000000000LL, row.r_physicalSize);
        ASSERT_EQ(0, firstArchiveFile(51, 2500, 0, 0, row));
        EXPECT_EQ(104, row.r_afileId);
        EXPECT_EQ(100, firstArchiveFile(50, 999, 0, 0, row));
    }
}

TEST_F(ProcedureTest, ClientVersion) {
    ASSERT_EQ(0, execSql("INSERT INTO APP_ClientRelease (clientId, tesselId, release, buildId, releaseID)"
                         " VALUES (1, 1, '11.0 ', 'B80', 8)"));
    for (int newBase : {0, 1}) {
        DBtable::b_newDBBase = static_cast<unsigned char>(newBase);
        SimGetVersionOfClient proc(nullptr);
        proc.setValues(1);
        ASSERT_EQ(0, proc.openCursor());
        ASSERT_EQ(0, proc.fetchCursor(true));
        EXPECT_STREQ("11.0", proc.getDataPtr()->o_release);
        EXPECT_STREQ("B80", proc.getDataPtr()->o_buildId);
        EXPECT_EQ(8, proc.getDataPtr()->o_releaseID);
        EXPECT_EQ(100, proc.fetchCursor(true));
        proc.closeCursor();
        proc.setValues(2);
        EXPECT_EQ(100, proc.getOneRow(&proc, false, -1, 0)) << "a client without a known release";
        if (newBase) {
            proc.setKelDBValues(new KelDB_int(1));
            ASSERT_EQ(0, proc.getOneRow(&proc, false, -1, 0)) << "prepared values are bound";
            EXPECT_EQ(8, proc.getDataPtr()->o_releaseID);
        }
    }
}

TEST_F(ProcedureTest, MalformedValuesTextIsRefused) {
    ArchFileByTime proc(nullptr);
    proc.CallDBsprintfWrapper("%s", "0,50,1,2500,0,1,0,0,0,1; delete from archFile");
    int rc = proc.openCursor();
    EXPECT_NE(0, rc);
    EXPECT_NE(100, rc);
    proc.CallDBsprintfWrapper("%s", "0,50,1,2500");
    rc = proc.openCursor();
    EXPECT_NE(0, rc);
    EXPECT_NE(100, rc);
    EXPECT_NE(std::string::npos, std::string(proc.getErrorStr(rc)).find("expects 10 arguments")) << proc.getErrorStr(rc);
    EXPECT_EQ(0, execSql("SELECT 1 FROM archFile WHERE id = 101"));
}

TEST_F(ProcedureTest, ValuesTextTakesNumbersQuotedTextsAndNull) {
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
        int rc = DBrunBatch(*conn, batch, result, error);
        EXPECT_NE(0, rc) << bad;
        EXPECT_NE(100, rc) << bad;
    }
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
    NameLookup cursor(nullptr);
    // A statement that breaks a foreign key, then the result the cursor would read.
    cursor.setBatch("insert into sqlFile (tesselId, sqlFileGroupId, logicalName) values (1, 999, 'x') \n"
                    " select logicalName, id from sqlFile");
    int rc = cursor.openCursor();
    EXPECT_NE(0, rc);
    EXPECT_NE(100, rc);
    EXPECT_NE(std::string::npos, std::string(cursor.getErrorStr(rc)).find("FOREIGN KEY")) << cursor.getErrorStr(rc);
    EXPECT_NE(0, cursor.fetchCursor(true)) << "no cursor after a failed open";

    cursor.setBatch("declare @x integer \n set @x = 1 \n select logicalName, id from noSuchTable where id = @x");
    rc = cursor.openCursor();
    EXPECT_NE(0, rc);
    EXPECT_NE(100, rc);
    EXPECT_NE(std::string::npos, std::string(cursor.getErrorStr(rc)).find("noSuchTable")) << cursor.getErrorStr(rc);

    cursor.setBatch("select logicalName, id from sqlFile where id = 1 \n PRINT 'outside the subset'");
    rc = cursor.openCursor();
    EXPECT_NE(0, rc);
    EXPECT_NE(100, rc);
    EXPECT_STRNE("", cursor.getErrorStr(rc));
}

}  // namespace
}  // namespace kel::test
