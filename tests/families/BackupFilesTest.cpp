// Backup sets and backup files: the log-backup batch that records a log
// backup's files, the file-group lookup by logical name, and the backup-set
// cursors.
#include <string>
#include <vector>

#include "Db/Cursor/sqlBSVersion.h"
#include "Db/Cursor/sqlBackupFileFGID.h"
#include "Db/Cursor/sqlBackupFileLogUpdate.h"
#include "Db/Cursor/sqlBackupSetDesc.h"
#include "Db/Tbl/sqlBackupFile.h"
#include "Db/Tbl/sqlBackupSet.h"
#include "families/FamilyFixture.h"
#include "platform/util/BoundedCopy.h"

namespace kel::test {
namespace {

class BackupFilesTest : public FamilyCursorTest {
protected:
    // The log-update answer, or the read's code negated.
    static int logUpdate(int tessel, int database, int backupSet, DBtran* tran = nullptr) {
        SqlBackupFileLogUpdate cursor(tran);
        cursor.setValues(tessel, database, backupSet);
        int rc = cursor.getOneRow(&cursor, false, -1, 0);
        return rc == 0 ? cursor.getDataPtr()->rc : -rc;
    }
    static std::vector<SqlBackupFile_t> filesOf(int backupSet) {
        std::vector<SqlBackupFile_t> rows;
        SqlBackupFile record(nullptr);
        record.setWhere("sqlBackupSetId = %d", backupSet);
        if (record.openCursor() != 0) return rows;
        while (record.fetchCursor(true) == 0) rows.push_back(*record.getDataPtr());
        record.closeCursor();
        return rows;
    }
    static int fileGroupOf(int backupSet, const char* logicalName) {
        SqlBackupFileFGID_t row;
        int rc = one<SqlBackupFileFGID>(row, backupSet, logicalName);
        return rc == 0 ? row.fgid : -rc;
    }
};

TEST_F(BackupFilesTest, LogUpdateOnANonLogSetAnswersZeroAndInsertsNothing) {
    addBackup(1, 12, "2021-05-01 00:00:00", 68);
    EXPECT_EQ(0, logUpdate(1, 12, 1));
    EXPECT_TRUE(filesOf(1).empty());
    EXPECT_EQ(0, logUpdate(1, 12, 99));  // no such backup set at all
}

TEST_F(BackupFilesTest, LogUpdateRecordsEveryLiveFileOfTheDataGroupsInIdOrder) {
    // A log group (groupId 0) with a live file, and a short physical path.
    sql("INSERT INTO sqlFileGroup (id, tesselId, sqlDatabaseId, groupId, fileGroupName, removalTime)"
        " VALUES (5, 1, 12, 0, 'log', 0);"
        "INSERT INTO sqlFile (id, tesselId, sqlFileGroupId, fileId, physicalName, logicalName, removalTime)"
        " VALUES (5, 1, 5, 2, 'L:\\l.ldf', 'log', 0), (6, 1, 3, 7, 'E:', 'short', 0)");
    addBackup(2, 12, "2021-05-01 00:00:00", 76);
    DBtran tran;
    ASSERT_EQ(0, tran.startTran());
    EXPECT_EQ(1, logUpdate(1, 12, 2, &tran));
    ASSERT_EQ(0, tran.commitTran());

    std::vector<SqlBackupFile_t> rows = filesOf(2);
    // Files 1 and 3 of group 1 and 4 and 6 of group 3; file 2 is removed.
    ASSERT_EQ(4u, rows.size());
    const int fileIds[] = {1, 3, 1, 7};
    const int groups[] = {1, 1, 3, 3};
    const char* names[] = {"zeta", "beta", "arch", "short"};
    const char* drives[] = {"C:\\", "C:\\", "C:\\", "E:"};
    for (size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(1, rows[i].tesselId);
        EXPECT_EQ(groups[i], rows[i].sqlFileGroupId);
        EXPECT_EQ(2, rows[i].sqlBackupSetId);
        EXPECT_EQ(fileIds[i], rows[i].number);
        EXPECT_STREQ(names[i], rows[i].logicalName);
        EXPECT_STREQ(drives[i], rows[i].physicalDrive);
        EXPECT_EQ(0, rows[i].pageSize);
        EXPECT_EQ(0, rows[i].pageCount);
        EXPECT_EQ(68, rows[i].type);
        if (i) {
            EXPECT_LT(rows[i - 1].id, rows[i].id);
        }
    }
    EXPECT_STREQ("C:\\z.mdf", rows[0].physicalName);

    // Another Tessel or a database without data files: success, nothing added.
    EXPECT_EQ(1, logUpdate(2, 12, 2));
    addBackup(3, 10, "2021-05-01 00:00:00", 76);
    sql("DELETE FROM sqlFile WHERE sqlFileGroupId = 4");
    EXPECT_EQ(1, logUpdate(1, 11, 3));
    EXPECT_TRUE(filesOf(3).empty());
    EXPECT_EQ(4u, filesOf(2).size());
}

TEST_F(BackupFilesTest, FileGroupLookupComparesTheWholeNameQuotesIncluded) {
    sql("INSERT INTO sqlFile (id, tesselId, sqlFileGroupId, fileId, physicalName, logicalName, removalTime)"
        " VALUES (7, 1, 3, 8, 'C:\\o.ndf', 'O''Brien', 0), (8, 1, 1, 9, 'C:\\x.ndf', 'x', 0)");
    addBackup(1, 12, "2021-05-01 00:00:00", 68);
    EXPECT_EQ(3, fileGroupOf(1, "O'Brien"));
    EXPECT_EQ(-100, fileGroupOf(1, "O"));
    EXPECT_EQ(-100, fileGroupOf(1, "x' or '1'='1"));
    EXPECT_EQ(-100, fileGroupOf(1, "Alpha"));  // only a removed file carries it
    sql("UPDATE sqlFileGroup SET removalTime = 7 WHERE id = 3");
    EXPECT_EQ(-100, fileGroupOf(1, "O'Brien"));  // its file group is removed
    EXPECT_EQ(1, fileGroupOf(1, "zeta"));
    EXPECT_EQ(-100, fileGroupOf(2, "zeta"));
}

TEST_F(BackupFilesTest, InsertedRowsComeBackWholeWithTheirIds) {
    SqlBackupSet set(nullptr);
    SqlBackupSet_t& s = *set.getDataPtr();
    s.tesselId = 1;
    s.sqlDatabaseId = 12;
    s.backupSetId = 77;
    s.sqlVersionId = 1;
    s.mtfVersionId = 1;
    kel::copyField(s.name, "it's full");
    kel::copyField(s.backupSize, "12345678901234567890123456789012");
    ASSERT_EQ(0, set.rowInsert(true));
    ASSERT_GT(s.id, 0);

    SqlBackupFile file(nullptr);
    SqlBackupFile_t& f = *file.getDataPtr();
    f.tesselId = 1;
    f.sqlFileGroupId = 1;
    f.sqlBackupSetId = s.id;
    kel::copyField(f.logicalName, "zeta");
    ASSERT_EQ(0, file.rowInsert(true));
    EXPECT_GT(f.id, 0);

    SqlBackupSet again(nullptr);
    again.setWhere("sqlDatabaseId = %d and name = %s", 12, kel::sql::quoted("it's full").c_str());
    ASSERT_EQ(0, again.getOneRow(&again, false, -1, 0));
    EXPECT_EQ(s.id, again.getDataPtr()->id);
    EXPECT_STREQ("12345678901234567890123456789012", again.getDataPtr()->backupSize);
    EXPECT_EQ(1u, filesOf(s.id).size());

    f.sqlFileGroupId = 99;  // no such file group: the foreign key holds
    EXPECT_NE(0, file.rowInsert(true));
}

TEST_F(BackupFilesTest, VersionAndDescendingBackupSetCursors) {
    sql("INSERT INTO sqlVersion (id, tesselId, type, major, minor, build) VALUES (2, 1, 2, 9, 1, 3)");
    addBackup(1, 12, "2021-05-01 00:00:00", 68);
    sql("UPDATE sqlBackupSet SET sqlVersionId = 1, mtfVersionId = 2, backupSetId = 501 WHERE id = 1");
    SqlBSVersion_t version;
    ASSERT_EQ(0, one<SqlBSVersion>(version, 1));
    EXPECT_EQ(1, version.id);
    EXPECT_EQ(15, version.major);  // the SQL Server version, not the tape format
    EXPECT_EQ(100, one<SqlBSVersion>(version, 2));

    addBackup(2, 12, "2021-05-03 00:00:00", 76);
    addBackup(3, 12, "2021-05-02 00:00:00", 73);
    sql("UPDATE sqlBackupSet SET backupSetId = 500 + id WHERE id > 1");
    SqlBackupSetDesc desc(nullptr);
    desc.setValues(12);
    std::vector<SqlBackupSetDesc_t> rows;
    ASSERT_EQ(0, rowsOf(desc, rows));
    ASSERT_EQ(3u, rows.size());
    EXPECT_EQ(502, rows[0].bsid);
    EXPECT_EQ(3, rows[0].finishTime.day);
    EXPECT_EQ(503, rows[1].bsid);
    EXPECT_EQ(501, rows[2].bsid);
    SqlBackupSetDesc_t none;
    EXPECT_EQ(100, one<SqlBackupSetDesc>(none, 10));
}

}  // namespace
}  // namespace kel::test
