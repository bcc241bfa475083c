// Point-in-time backup-data cursors of databases, file groups and files:
// the time bounds, the archive-set and tomb-stone rules, full-backup types and
// the newest-backup-set pick of the 2K cursors.
#include "Db/Cursor/sql2KFileBkupData.h"
#include "Db/Cursor/sql2KFileGrpBkupData.h"
#include "Db/Cursor/sqlCheckForFullFullBackup.h"
#include "Db/Cursor/sqlDatabaseBkupData.h"
#include "Db/Cursor/sqlFileBkupData.h"
#include "Db/Cursor/sqlFileGroupBkupData.h"
#include "families/FamilyFixture.h"

namespace kel::test {
namespace {

class BackupDataCursorsTest : public FamilyCursorTest {
protected:
    static int database(int id, int ut = kAtSeconds, int tombStone = 0) {
        SqlDatabaseBkupData_t row;
        int rc = one<SqlDatabaseBkupData>(row, id, kAt, ut, tombStone);
        if (rc == 0) {
            EXPECT_EQ(id, row.found);
        }
        return rc;
    }
    // The found id, or the read's code negated.
    static int fullBackup(int id, int dbId, int tombStone = 0, int ut = kAtSeconds) {
        SqlCheckForFullFullBackup_t row;
        int rc = one<SqlCheckForFullFullBackup>(row, id, kAt, ut, dbId, tombStone);
        return rc == 0 ? row.found : -rc;
    }
    static int fileGroup(int id, int ut = kAtSeconds) {
        SqlFileGroupBkupData_t row;
        return one<SqlFileGroupBkupData>(row, id, kAt, ut);
    }
    static int file(int id, int ut = kAtSeconds) {
        SqlFileBkupData_t row;
        return one<SqlFileBkupData>(row, id, kAt, ut);
    }
    // The backup set the 2K cursor picks, or the read's code negated.
    static int fileGroup2K(int id, int type, int ut = kAtSeconds) {
        Sql2KFileGrpBkupData_t row;
        int rc = one<Sql2KFileGrpBkupData>(row, id, kAt, ut, type);
        if (rc == 0) {
            EXPECT_EQ(id, row.found);
        }
        return rc == 0 ? row.sqlBackupSetId : -rc;
    }
    static int file2K(int id, int type, Sql2KFileBkupData_t* out = nullptr) {
        Sql2KFileBkupData_t row;
        int rc = one<Sql2KFileBkupData>(row, id, kAt, kAtSeconds, type);
        if (rc == 0) {
            EXPECT_EQ(id, row.found);
        }
        if (out) *out = row;
        return rc == 0 ? row.sqlBackupSetId : -rc;
    }
};

TEST_F(BackupDataCursorsTest, DatabaseAddedRemovedOrFinishedExactlyAtTheTimeCounts) {
    addBackup(1, 12, "2021-06-01 00:00:00", 68);  // finished at the very moment
    sql("UPDATE sqlDatabase SET addTime = 1622505600, removalTime = 1622505600 WHERE backupSetId = 12");
    EXPECT_EQ(0, database(12));
    EXPECT_EQ(100, database(12, kAtSeconds + 1));   // removed just before
    EXPECT_EQ(100, database(12, kAtSeconds - 1));   // not yet added
    sql("UPDATE sqlDatabase SET removalTime = 0 WHERE backupSetId = 12");
    EXPECT_EQ(0, database(12, kAtSeconds + 100000));  // 0: never removed
    sql("UPDATE sqlLSNs SET finishTime = '2021-06-01 00:00:01'");
    EXPECT_EQ(100, database(12));
    EXPECT_EQ(100, database(0));
}

TEST_F(BackupDataCursorsTest, BackupSetWithoutArchiveSetNeverCounts) {
    addBackup(1, 12, "2021-05-01 00:00:00", 68);
    sql("DELETE FROM sqlArchiveSet");
    EXPECT_EQ(100, database(12));
    EXPECT_EQ(-100, fullBackup(1, 0));
    EXPECT_EQ(-100, fullBackup(0, 12));
    // Several archive sets: one within the tomb-stone limit is enough.
    sql("INSERT INTO sqlArchiveSet (tesselId, sqlBackupSetId, archiveFile, bIsTombstoned) VALUES (1, 1, 5, 1), (1, 1, 6, 0)");
    EXPECT_EQ(0, database(12));
    EXPECT_EQ(1, fullBackup(1, 0));
    sql("UPDATE sqlArchiveSet SET bIsTombstoned = 1");
    EXPECT_EQ(100, database(12));
    EXPECT_EQ(0, database(12, kAtSeconds, 1));
    EXPECT_EQ(12, fullBackup(0, 12, 1));
}

TEST_F(BackupDataCursorsTest, FullBackupCheckCountsOnlyFullTypes) {
    addBackup(1, 12, "2021-05-01 00:00:00", 73);
    addBackup(2, 12, "2021-05-01 00:00:00", 76);
    addBackup(3, 12, "2021-05-01 00:00:00", 70);
    addBackup(4, 12, "2021-05-01 00:00:00", 71);
    EXPECT_EQ(-100, fullBackup(1, 0));
    EXPECT_EQ(-100, fullBackup(0, 12));
    addBackup(5, 12, "2021-05-01 00:00:00", 100);  // a snapshot full backup
    EXPECT_EQ(1, fullBackup(1, 0));
    EXPECT_EQ(12, fullBackup(0, 12));
    sql("UPDATE sqlLSNs SET backupType = 68 WHERE sqlBackupSetId = 5");
    EXPECT_EQ(12, fullBackup(0, 12));
}

TEST_F(BackupDataCursorsTest, FullBackupCheckIgnoresIdWhenDatabaseIsGiven) {
    addBackup(1, 12, "2021-05-01 00:00:00", 68);
    EXPECT_EQ(12, fullBackup(999, 12));  // id names no instance: not used
    EXPECT_EQ(12, fullBackup(2, 12));    // nor when it names another one
    EXPECT_EQ(-100, fullBackup(999, 0));
    EXPECT_EQ(-100, fullBackup(1, 10));  // database 10 has no backup
    // The database branch has no subclient condition; the instance branch has.
    sql("UPDATE sqlBackupSet SET sqlFileSubClientId = 4");
    EXPECT_EQ(12, fullBackup(0, 12));
    EXPECT_EQ(-100, fullBackup(1, 0));
}

TEST_F(BackupDataCursorsTest, FullBackupCheckAppliesTheInstanceLifetime) {
    addBackup(1, 13, "2021-05-01 00:00:00", 68);  // instance 2, removed at 500
    EXPECT_EQ(-100, fullBackup(2, 0));
    EXPECT_EQ(2, fullBackup(2, 0, 0, 500));
    EXPECT_EQ(13, fullBackup(0, 13, 0, 100));
    EXPECT_EQ(-100, fullBackup(0, 13, 0, 99));
    addBackup(2, 12, "2021-05-01 00:00:00", 68);
    sql("UPDATE sqlServer SET addTime = 2000000000 WHERE instanceId = 1");
    EXPECT_EQ(1, fullBackup(1, 0));  // never removed: its add time does not matter
}

TEST_F(BackupDataCursorsTest, FileGroupAndFileTimeBounds) {
    addBackup(1, 12, "2021-06-01 00:00:00", 76);
    addBackupFile(1, 1, "zeta");
    sql("UPDATE sqlFileGroup SET addTime = 1622505600, removalTime = 1622505600 WHERE id = 1;"
        "UPDATE sqlFile SET addTime = 1622505600, removalTime = 1622505600 WHERE id = 1");
    EXPECT_EQ(0, fileGroup(1));
    EXPECT_EQ(0, file(1));
    EXPECT_EQ(100, fileGroup(1, kAtSeconds - 1));
    EXPECT_EQ(100, file(1, kAtSeconds - 1));
    // Removed before the moment: the plain cursors say no, the 2K ones still answer.
    EXPECT_EQ(100, fileGroup(1, kAtSeconds + 1));
    EXPECT_EQ(100, file(1, kAtSeconds + 1));
    EXPECT_EQ(1, fileGroup2K(1, 0, kAtSeconds + 1));
    // A backup file belongs to a file by file group and logical name, not by id.
    EXPECT_EQ(100, file(3));
    EXPECT_EQ(-100, file2K(3, 0));
    EXPECT_EQ(100, fileGroup(3));
}

TEST_F(BackupDataCursorsTest, TwoKCursorsPickTheHighestBackupSetAndSkipPartialTypesWith76) {
    addBackup(1, 12, "2021-05-30 08:00:00", 68);
    addBackup(2, 12, "2021-05-31 09:00:00", 100);
    addBackup(3, 12, "2021-05-01 00:00:00", 76);  // newest id, oldest finish
    addBackup(4, 12, "2021-05-02 00:00:00", 73);
    addBackup(5, 12, "2021-05-03 00:00:00", 71);
    addBackup(6, 12, "2021-06-02 00:00:00", 68);  // after the moment
    for (int bs = 1; bs <= 6; ++bs) {
        addBackupFile(bs, 1, "zeta");
        if (bs != 2) addBackupFile(bs, 3, "arch");
    }
    EXPECT_EQ(5, fileGroup2K(1, 0));
    EXPECT_EQ(5, file2K(1, 0));
    EXPECT_EQ(2, fileGroup2K(1, 76));
    Sql2KFileBkupData_t row;
    EXPECT_EQ(2, file2K(1, 76, &row));
    EXPECT_EQ(31, row.finishTime.day);
    EXPECT_EQ(9, row.finishTime.hour);
    EXPECT_TRUE(row.startTime.isCleared());
    EXPECT_EQ(1, fileGroup2K(3, 76));  // backup set 2 holds no file of group 3
    EXPECT_EQ(1, file2K(4, 76));
}

}  // namespace
}  // namespace kel::test
