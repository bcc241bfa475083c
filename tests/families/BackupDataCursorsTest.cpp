// Point-in-time backup-data cursors of instances, databases, file groups and
// files: the time bounds, the archive-set and tomb-stone rules, full-backup
// types and the newest-backup-set pick of the 2K cursors. Each answers its
// rows as "found[,backup set[,start,finish]]", "" for none.
#include "Db/Cursor/sql2KFileBkupData.h"
#include "Db/Cursor/sql2KFileGrpBkupData.h"
#include "Db/Cursor/sqlCheckForFullFullBackup.h"
#include "Db/Cursor/sqlDatabaseBkupData.h"
#include "Db/Cursor/sqlFileBkupData.h"
#include "Db/Cursor/sqlFileGroupBkupData.h"
#include "Db/Cursor/sqlServerBkupData.h"
#include "cursors/CursorFixture.h"

#include <string>
#include <utility>

namespace kel::test {
namespace {

class BackupDataCursorsTest : public CursorTest {
protected:
    static std::string instance(int id, const char* at = kAt, int ut = kAtSeconds, int tombStone = 0) {
        return cursorRows<SqlServerBkupData>(id, at, ut, tombStone);
    }
    static std::string database(int id, int ut = kAtSeconds, int tombStone = 0) {
        return cursorRows<SqlDatabaseBkupData>(id, kAt, ut, tombStone);
    }
    static std::string fullBackup(int id, int dbId, int tombStone = 0, int ut = kAtSeconds) {
        return cursorRows<SqlCheckForFullFullBackup>(id, kAt, ut, dbId, tombStone);
    }
    static std::string fileGroup(int id, int ut = kAtSeconds) { return cursorRows<SqlFileGroupBkupData>(id, kAt, ut); }
    static std::string file(int id, int ut = kAtSeconds) { return cursorRows<SqlFileBkupData>(id, kAt, ut); }
    static std::string fileGroup2K(int id, int type, int ut = kAtSeconds) {
        return cursorRows<Sql2KFileGrpBkupData>(id, kAt, ut, type);
    }
    static std::string file2K(int id, int type) { return cursorRows<Sql2KFileBkupData>(id, kAt, kAtSeconds, type); }
};

TEST_F(BackupDataCursorsTest, InstanceHasOneRowHoweverManyBackupsQualifyInEitherTimestampForm) {
    addBackup(1, 10, "2021-05-01 10:00:00", 68);
    addBackup(2, 12, "2021-05-31 23:59:59", 73);
    addBackup(3, 12, "2021-06-01 00:00:00", 76);  // finished at the very time
    EXPECT_EQ("1", instance(1));
    EXPECT_EQ("1", instance(1, "{ts+'2021-06-01 00:00:00+'}"));
    EXPECT_EQ("", instance(1, "{ts'2021-04-01 00:00:00'}"));
    // A date text that is no literal stays one value: it fails as a date
    // instead of ending its literal and widening the query.
    EXPECT_EQ("error", instance(1, "2021-04-01' or '1'='1"));
    EXPECT_EQ("error", instance(1, "{ts'2021-04-01 00:00:00'} or 1=1"));
}

TEST_F(BackupDataCursorsTest, OneInstanceCursorRunAgainAnswersForEachTimeAndShowsItsText) {
    addBackup(1, 10, "2021-05-01 10:00:00", 68);
    SqlServerBkupData cursor(nullptr);
    const std::pair<const char*, const char*> times[] = {{"{ts'2021-06-01 00:00:00'}", "1"},
                                                         {"{ts'2021-04-01 00:00:00'}", ""},
                                                         {"{ts+'2021-05-01 10:00:00+'}", "1"},
                                                         {"{ts'2021-05-01 09:59:59'}", ""},
                                                         {nullptr, ""},
                                                         {"{ts'2021-05-01 10:00:01'}", "1"}};
    for (const auto& [at, expected] : times) {
        EXPECT_EQ(0, cursor.setValues(1, at, kAtSeconds, 0));
        EXPECT_EQ(expected, rowsText(cursor)) << (at ? at : "NULL");
    }
    // The batch's text is the one its values make, and runs as such.
    EXPECT_EQ(0, cursor.setValues(1, "{ts'2021-04-01 00:00:00'}", kAtSeconds, 0));
    const std::string text = cursor.getQueryBuffer();
    EXPECT_NE(text.find("set @id = 1 \n declare @dt datetime \n set @dt = {ts'2021-04-01 00:00:00'} \n"),
              std::string::npos) << text;
    EXPECT_NE(text.find("set @ut = " + std::to_string(kAtSeconds) + " \n"), std::string::npos) << text;
    EXPECT_EQ("", rowsText(cursor));
}

TEST_F(BackupDataCursorsTest, InstanceIgnoresLaterFileAndFileSubclientBackups) {
    addBackup(1, 10, "2021-06-01 00:00:01", 68);
    addBackup(2, 10, "2021-05-01 00:00:00", 70);
    addBackup(3, 10, "2021-05-01 00:00:00", 71);
    addBackup(4, 10, "2021-05-01 00:00:00", 68, 7);
    EXPECT_EQ("", instance(1));
    addBackup(5, 10, "2021-05-01 00:00:00", 68, -1);  // no file subclient
    EXPECT_EQ("1", instance(1));
}

TEST_F(BackupDataCursorsTest, DatabaseAddedRemovedOrFinishedExactlyAtTheTimeCounts) {
    addBackup(1, 12, "2021-06-01 00:00:00", 68);  // finished at the very moment
    sql("UPDATE sqlDatabase SET addTime = 1622505600, removalTime = 1622505600 WHERE backupSetId = 12");
    EXPECT_EQ("12", database(12));
    EXPECT_EQ("", database(12, kAtSeconds + 1));  // removed just before
    EXPECT_EQ("", database(12, kAtSeconds - 1));  // not yet added
    sql("UPDATE sqlDatabase SET removalTime = 0 WHERE backupSetId = 12");
    EXPECT_EQ("12", database(12, kAtSeconds + 100000));  // 0: never removed
    sql("UPDATE sqlLSNs SET finishTime = '2021-06-01 00:00:01'");
    EXPECT_EQ("", database(12));
    EXPECT_EQ("", database(0));
}

TEST_F(BackupDataCursorsTest, BackupSetWithoutArchiveSetNeverCountsNorOnlyTombStonedOnesUnderLimitZero) {
    addBackup(1, 12, "2021-05-01 00:00:00", 68);
    sql("DELETE FROM sqlArchiveSet");
    EXPECT_EQ("", instance(1));
    EXPECT_EQ("", database(12));
    EXPECT_EQ("", fullBackup(1, 0));
    EXPECT_EQ("", fullBackup(0, 12));
    // Several archive sets: one within the tomb-stone limit is enough.
    sql("INSERT INTO sqlArchiveSet (tesselId, sqlBackupSetId, archiveFile, bIsTombstoned) VALUES (1, 1, 5, 1), (1, 1, 6, 0)");
    EXPECT_EQ("12", database(12));
    EXPECT_EQ("1", fullBackup(1, 0));
    sql("UPDATE sqlArchiveSet SET bIsTombstoned = 1");
    EXPECT_EQ("", instance(1));
    EXPECT_EQ("1", instance(1, kAt, kAtSeconds, 1));
    EXPECT_EQ("", database(12));
    EXPECT_EQ("12", database(12, kAtSeconds, 1));
    EXPECT_EQ("12", fullBackup(0, 12, 1));
}

TEST_F(BackupDataCursorsTest, FullBackupCheckCountsOnlyFullTypes) {
    for (int type : {73, 76, 70, 71}) addBackup(type, 12, "2021-05-01 00:00:00", type);
    EXPECT_EQ("", fullBackup(1, 0));
    EXPECT_EQ("", fullBackup(0, 12));
    addBackup(100, 12, "2021-05-01 00:00:00", 100);  // a snapshot full backup
    EXPECT_EQ("1", fullBackup(1, 0));
    EXPECT_EQ("12", fullBackup(0, 12));
    sql("UPDATE sqlLSNs SET backupType = 68 WHERE sqlBackupSetId = 100");
    EXPECT_EQ("12", fullBackup(0, 12));
}

TEST_F(BackupDataCursorsTest, FullBackupCheckIgnoresIdWhenDatabaseIsGiven) {
    addBackup(1, 12, "2021-05-01 00:00:00", 68);
    EXPECT_EQ("12", fullBackup(999, 12));  // id names no instance: not used
    EXPECT_EQ("12", fullBackup(2, 12));    // nor when it names another one
    EXPECT_EQ("", fullBackup(999, 0));
    EXPECT_EQ("", fullBackup(1, 10));  // database 10 has no backup
    // The database branch has no subclient condition; the instance branch has.
    sql("UPDATE sqlBackupSet SET sqlFileSubClientId = 4");
    EXPECT_EQ("12", fullBackup(0, 12));
    EXPECT_EQ("", fullBackup(1, 0));
}

TEST_F(BackupDataCursorsTest, InstanceLifetimeAtTheTime) {
    addBackup(1, 13, "2021-05-01 00:00:00", 68);  // instance 2: added at 100, removed at 500
    EXPECT_EQ("", instance(2));
    EXPECT_EQ("2", instance(2, kAt, 400));
    EXPECT_EQ("", instance(2, kAt, 50));
    EXPECT_EQ("", fullBackup(2, 0));
    EXPECT_EQ("2", fullBackup(2, 0, 0, 500));
    EXPECT_EQ("13", fullBackup(0, 13, 0, 100));
    EXPECT_EQ("", fullBackup(0, 13, 0, 99));
    addBackup(2, 12, "2021-05-01 00:00:00", 68);
    sql("UPDATE sqlServer SET addTime = 2000000000 WHERE instanceId = 1");
    EXPECT_EQ("1", instance(1)) << "never removed: its add time does not matter";
    EXPECT_EQ("1", fullBackup(1, 0));
}

TEST_F(BackupDataCursorsTest, FileGroupAndFileTimeBounds) {
    addBackup(1, 12, "2021-06-01 00:00:00", 76);
    addBackupFile(1, 1, "zeta");
    sql("UPDATE sqlFileGroup SET addTime = 1622505600, removalTime = 1622505600 WHERE id = 1;"
        "UPDATE sqlFile SET addTime = 1622505600, removalTime = 1622505600 WHERE id = 1");
    EXPECT_EQ("1", fileGroup(1));
    EXPECT_EQ("1", file(1));
    EXPECT_EQ("", fileGroup(1, kAtSeconds - 1));
    EXPECT_EQ("", file(1, kAtSeconds - 1));
    // Removed before the moment: the plain cursors say no, the 2K ones still answer.
    EXPECT_EQ("", fileGroup(1, kAtSeconds + 1));
    EXPECT_EQ("", file(1, kAtSeconds + 1));
    EXPECT_EQ("1,1", fileGroup2K(1, 0, kAtSeconds + 1));
    // A backup file belongs to a file by file group and logical name, not by id.
    EXPECT_EQ("", file(3));
    EXPECT_EQ("", file2K(3, 0));
    EXPECT_EQ("", fileGroup(3));
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
    EXPECT_EQ("1,5", fileGroup2K(1, 0));
    EXPECT_EQ("1,5,,2021-05-03 00:00:00", file2K(1, 0));
    EXPECT_EQ("1,2", fileGroup2K(1, 76));
    EXPECT_EQ("1,2,,2021-05-31 09:00:00", file2K(1, 76));
    EXPECT_EQ("3,1", fileGroup2K(3, 76));  // backup set 2 holds no file of group 3
    EXPECT_EQ("4,1,,2021-05-30 08:00:00", file2K(4, 76));
}

}  // namespace
}  // namespace kel::test
