// Backup sets and backup files: the log-backup batch that records a log
// backup's files, the file-group lookup by logical name, and the backup-set
// cursors.
#include <string>

#include "Db/Cursor/sqlBSVersion.h"
#include "Db/Cursor/sqlBackupFileFGID.h"
#include "Db/Cursor/sqlBackupFileLogUpdate.h"
#include "Db/Cursor/sqlBackupSetDesc.h"
#include "Db/Tbl/sqlBackupFile.h"
#include "cursors/CursorFixture.h"

namespace kel::test {
namespace {

class BackupFilesTest : public CursorTest {
protected:
    // The log-update answer, or "" when it gave no row.
    static std::string logUpdate(int tessel, int database, int backupSet) {
        return cursorRows<SqlBackupFileLogUpdate>(tessel, database, backupSet);
    }
    static std::string filesOf(int backupSet) {
        SqlBackupFile record(nullptr);
        record.setWhere("sqlBackupSetId = %d", backupSet);
        return rowsText(record);
    }
};

TEST_F(BackupFilesTest, LogUpdateOnANonLogSetAnswersZeroAndInsertsNothing) {
    addBackup(1, 12, "2021-05-01 00:00:00", 68);
    EXPECT_EQ("0", logUpdate(1, 12, 1));
    EXPECT_EQ("", filesOf(1));
    EXPECT_EQ("0", logUpdate(1, 12, 99));  // no such backup set at all
}

TEST_F(BackupFilesTest, LogUpdateRecordsEveryLiveFileOfTheDataGroupsInIdOrder) {
    // A log group (groupId 0) with a live file, and a short physical path.
    sql("INSERT INTO sqlFileGroup (id, tesselId, sqlDatabaseId, groupId, fileGroupName, removalTime)"
        " VALUES (5, 1, 12, 0, 'log', 0);"
        "INSERT INTO sqlFile (id, tesselId, sqlFileGroupId, fileId, physicalName, logicalName, removalTime)"
        " VALUES (5, 1, 5, 2, 'L:\\l.ldf', 'log', 0), (6, 1, 3, 7, 'E:', 'short', 0)");
    addBackup(2, 12, "2021-05-01 00:00:00", 76);
    {
        DBtran tran;
        ASSERT_EQ(0, tran.startTran());
        SqlBackupFileLogUpdate cursor(&tran);
        cursor.setValues(1, 12, 2);
        EXPECT_EQ("1", rowsText(cursor));
        ASSERT_EQ(0, tran.commitTran());
    }
    // Files 1 and 3 of group 1 and 4 and 6 of group 3; file 2 is removed.
    const std::string recorded =
        "1,1,1,2,1,C:\\z.mdf,zeta,C:\\,0,0,68; 2,1,1,2,3,C:\\b.ndf,beta,C:\\,0,0,68; "
        "3,1,3,2,1,C:\\r.ndf,arch,C:\\,0,0,68; 4,1,3,2,7,E:,short,E:,0,0,68";
    EXPECT_EQ(recorded, filesOf(2));

    // Another Tessel or a database without data files: success, nothing added.
    EXPECT_EQ("1", logUpdate(2, 12, 2));
    addBackup(3, 10, "2021-05-01 00:00:00", 76);
    sql("DELETE FROM sqlFile WHERE sqlFileGroupId = 4");
    EXPECT_EQ("1", logUpdate(1, 11, 3));
    EXPECT_EQ("", filesOf(3));
    EXPECT_EQ(recorded, filesOf(2));
}

TEST_F(BackupFilesTest, FileGroupLookupComparesTheWholeNameQuotesIncluded) {
    sql("INSERT INTO sqlFile (id, tesselId, sqlFileGroupId, fileId, physicalName, logicalName, removalTime)"
        " VALUES (7, 1, 3, 8, 'C:\\o.ndf', 'O''Brien', 0), (8, 1, 1, 9, 'C:\\x.ndf', 'x', 0)");
    addBackup(1, 12, "2021-05-01 00:00:00", 68);
    EXPECT_EQ("3", cursorRows<SqlBackupFileFGID>(1, "O'Brien"));
    EXPECT_EQ("", cursorRows<SqlBackupFileFGID>(1, "O"));
    EXPECT_EQ("", cursorRows<SqlBackupFileFGID>(1, "x' or '1'='1"));
    EXPECT_EQ("", cursorRows<SqlBackupFileFGID>(1, "Alpha"));  // only a removed file carries it
    sql("UPDATE sqlFileGroup SET removalTime = 7 WHERE id = 3");
    EXPECT_EQ("", cursorRows<SqlBackupFileFGID>(1, "O'Brien"));  // its file group is removed
    EXPECT_EQ("1", cursorRows<SqlBackupFileFGID>(1, "zeta"));
    EXPECT_EQ("", cursorRows<SqlBackupFileFGID>(2, "zeta"));
}

TEST_F(BackupFilesTest, VersionAndDescendingBackupSetCursors) {
    sql("INSERT INTO sqlVersion (id, tesselId, type, major, minor, build) VALUES (2, 1, 2, 9, 1, 3)");
    addBackup(1, 12, "2021-05-01 00:00:00", 68);
    sql("UPDATE sqlBackupSet SET sqlVersionId = 1, mtfVersionId = 2 WHERE id = 1");
    EXPECT_EQ("1,15,0,2000", cursorRows<SqlBSVersion>(1));  // the SQL Server version, not the tape format
    EXPECT_EQ("", cursorRows<SqlBSVersion>(2));

    addBackup(2, 12, "2021-05-03 00:00:00", 76);
    addBackup(3, 12, "2021-05-02 00:00:00", 73);
    sql("UPDATE sqlBackupSet SET backupSetId = 500 + id");
    EXPECT_EQ("502,2021-05-03 00:00:00; 503,2021-05-02 00:00:00; 501,2021-05-01 00:00:00",
              cursorRows<SqlBackupSetDesc>(12));
    EXPECT_EQ("", cursorRows<SqlBackupSetDesc>(10));
}

}  // namespace
}  // namespace kel::test
