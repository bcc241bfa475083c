// Whether an instance has backup data at a point in time: the time, type,
// file-subclient, tomb-stone and instance-lifetime rules.
#include <string>

#include "Db/Cursor/sqlServerBkupData.h"
#include "cursors/CursorFixture.h"

namespace kel::test {
namespace {

const char* const kDate = "{ts+'2021-06-01 00:00:00+'}";
const int kSeconds = 1622505600;  // the same moment

class BackupDataTest : public CursorTest {
protected:
    // 0 with found set when a row came back, else the open code.
    static int ask(int instance, const char* date = kDate, int seconds = kSeconds, int tombStone = 0) {
        SqlServerBkupData cursor(nullptr);
        cursor.setValues(instance, date, seconds, tombStone);
        int rc = cursor.openCursor();
        if (rc != 0) return rc;
        EXPECT_EQ(0, cursor.fetchCursor(true));
        EXPECT_EQ(instance, cursor.getDataPtr()->found);
        EXPECT_EQ(100, cursor.fetchCursor(true)) << "one row however many backups qualify";
        cursor.closeCursor();
        return 0;
    }
};

TEST_F(BackupDataTest, QualifyingBackupsGiveOneRow) {
    addBackup(1, 10, "2021-05-01 10:00:00", 68);
    addBackup(2, 12, "2021-05-31 23:59:59", 73);
    addBackup(3, 12, "2021-06-01 00:00:00", 76);  // finished at the very time
    EXPECT_EQ(0, ask(1));
}

TEST_F(BackupDataTest, LaterFileAndFileSubclientBackupsDoNotCount) {
    addBackup(1, 10, "2021-06-01 00:00:01", 68);
    addBackup(2, 10, "2021-05-01 00:00:00", 70);
    addBackup(3, 10, "2021-05-01 00:00:00", 71);
    addBackup(4, 10, "2021-05-01 00:00:00", 68, 7);
    EXPECT_EQ(100, ask(1));
    addBackup(5, 10, "2021-05-01 00:00:00", 68, -1);  // no file subclient
    EXPECT_EQ(0, ask(1));
}

TEST_F(BackupDataTest, TombStonedArchiveSetsCountOnlyUnderLimitOne) {
    addBackup(1, 10, "2021-05-01 00:00:00", 68, 0, 1);
    EXPECT_EQ(100, ask(1, kDate, kSeconds, 0));
    EXPECT_EQ(0, ask(1, kDate, kSeconds, 1));
}

TEST_F(BackupDataTest, InstanceLifetimeAtTheTime) {
    addBackup(1, 13, "2021-05-01 00:00:00", 68);
    EXPECT_EQ(100, ask(2));                    // removed at 500, long before
    EXPECT_EQ(0, ask(2, kDate, 400));          // added at 100, still there at 400
    EXPECT_EQ(100, ask(2, kDate, 50));         // not yet added
    addBackup(2, 10, "2021-05-01 00:00:00", 68);
    ASSERT_EQ(0, execSql("UPDATE sqlServer SET addTime = 2000000000 WHERE instanceId = 1"));
    EXPECT_EQ(0, ask(1)) << "never removed: its add time does not matter";
}

TEST_F(BackupDataTest, BothTimestampFormsAndAQuotedDateText) {
    addBackup(1, 10, "2021-05-01 00:00:00", 68);
    EXPECT_EQ(0, ask(1, "{ts'2021-06-01 00:00:00'}"));
    EXPECT_EQ(100, ask(1, "{ts'2021-04-01 00:00:00'}"));
    // A date text that is no literal stays one value: it fails as a date
    // instead of ending its literal and widening the query.
    int rc = ask(1, "2021-04-01' or '1'='1");
    EXPECT_NE(0, rc);
    EXPECT_NE(100, rc);
    rc = ask(1, "{ts'2021-04-01 00:00:00'} or 1=1");
    EXPECT_NE(0, rc);
    EXPECT_NE(100, rc);
}

}  // namespace
}  // namespace kel::test
