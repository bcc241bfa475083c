// The selective-copy list over real archive rows and the archFileByTime
// procedure: which databases have a full backup held at a time, in what
// parameter order the procedure is asked, and the files each backup holds.
#include <string>
#include <vector>

#include "KelSQL/KelSQLServerBrowse.h"
#include "cursors/CursorFixture.h"
#include "support/Checks.h"
#include "support/MachineSetup.h"

namespace kel::test {
namespace {

// Database 10 (application 50): a full backup on archive file 101 (created at
// 1000). Database 12 (application 52): a snapshot full backup on 102 (1200,
// copies 1 and 2) and a tomb-stoned full backup on 103 (1500). Database 11
// has no archive file.
class SelectiveCopyTest : public CursorTest {
protected:
    void SetUp() override {
        CursorTest::SetUp();
        sql("INSERT INTO archGroup (id, name) VALUES (1, 'group');"
            "INSERT INTO archFile (id, name, tesselId, archGroupId, appId, fileType, cTime, jobId, backupLevel, isValid)"
            " VALUES (101, 'f1', 1, 1, 50, 1, 1000, 7, 1, 1), (102, 'f2', 1, 1, 52, 1, 1200, 8, 1, 1),"
            " (103, 'f3', 1, 1, 52, 1, 1500, 9, 1, 1);"
            "INSERT INTO archFileCopy (archFileId, tesselId, copyId, flags, physicalSize, logicalSize) VALUES"
            " (101, 1, 1, 0, 10, 10), (102, 1, 1, 0, 20, 20), (102, 1, 2, 0, 20, 20), (103, 1, 1, 0, 30, 30)");
        addBackup(1, 10, "2021-05-01 00:00:00", 68, 0, 0, 101);
        addBackup(2, 12, "2021-05-02 00:00:00", 100, 0, 0, 102);
        addBackup(3, 12, "2021-05-03 00:00:00", 68, 0, 1, 103);
    }

    // "database:backup set" of each entry; "null" when the call failed.
    std::string entries(unsigned long server, unsigned long db, unsigned long time, unsigned long copy = 0) {
        std::vector<KelSQLDatabaseForSelectiveCopy>* list =
            browse_.getDatabaseListForSelectiveCopy(0, server, db, time, copy, false);
        if (!list) return "null";
        std::string out;
        for (const KelSQLDatabaseForSelectiveCopy& e : *list)
            out += (out.empty() ? "" : " ") + std::to_string(e.sqlDatabaseId) + ":" + std::to_string(e.sqlBackupSetId);
        return out;
    }

    KelSQLServerBrowse browse_;
};

TEST_F(SelectiveCopyTest, ProcedureAskedForTheTimeCopyAndTombstoneLimitInItsOrder) {
    const struct {
        unsigned long time, copy;
        const char* expected;
    } cases[] = {
        {999, 0, ""},  // nothing archived yet: an empty list, not a failure
        {1100, 0, "10:1"},
        {2000, 0, "12:2 10:1"},  // databases by name; the tomb-stoned file does not count
        {2000, 2, "12:2"},       // only file 102 has copy 2
        {0, 0, "12:2 10:1"},     // now
    };
    for (const auto& c : cases) EXPECT_EQ(entries(1, 0, c.time, c.copy), c.expected) << c.time << "/" << c.copy;
    EXPECT_EQ(entries(0, 12, 2000), "12:2");
    const KelSQLDatabaseForSelectiveCopy& e = browse_.selectiveCopyList().front();
    EXPECT_EQ(e.databaseName, "alpha  ");
    EXPECT_EQ(e.systemFlags, 2u);
    EXPECT_EQ(e.backupType, 100u);
    EXPECT_EQ(e.finishTime, 1619913600u);
    EXPECT_TRUE(e.fileList.empty());

    KelPI_Ostrel ostrel;
    ASSERT_TRUE(focusMachineWithOstrel("agent1", "OSTREL1", 1));
    ASSERT_TRUE(ostrel.setArMgrIncludeAgedData(1));
    EXPECT_EQ(entries(1, 0, 2000), "12:3 10:1");
}

TEST_F(SelectiveCopyTest, FailuresAndWhatTheyLeave) {
    EXPECT_EQ(entries(0, 99, 2000), "null");
    EXPECT_EQ(browse_.lastError().number(), 0x1E000033u);
    EXPECT_EQ(browse_.sqlCode(), 100);
    browse_.getLastError().clear();
    EXPECT_EQ(entries(0, 0, 2000), "null");
    EXPECT_EQ(entries(3, 0, 2000), "null") << "an instance without databases";
    // Archive file 104 of database 10 holds a differential first: no full backup.
    addBackup(5, 10, "2021-05-04 00:00:00", 73, 0, 0, 104);
    addBackup(6, 10, "2021-05-04 00:00:00", 68, 0, 0, 104);
    sql("INSERT INTO archFile (id, name, tesselId, archGroupId, appId, fileType, cTime, jobId, backupLevel, isValid)"
        " VALUES (104, 'f4', 1, 1, 50, 1, 1800, 10, 1, 1);"
        "INSERT INTO archFileCopy (archFileId, tesselId, copyId, flags, physicalSize, logicalSize)"
        " VALUES (104, 1, 1, 0, 40, 40)");
    EXPECT_EQ(entries(1, 0, 2000), "null");
    EXPECT_EQ(browse_.lastError().number(), 0u);
    EXPECT_EQ(browse_.selectiveCopyList().size(), 1u) << "the entry added before stays";
    // A copy of the browse never carries the list.
    EXPECT_TRUE(KelSQLServerBrowse(browse_).selectiveCopyList().empty());
}

TEST_F(SelectiveCopyTest, FilesMatchedByLogicalNameAndGroupEveryMatchingRowTaken) {
    sql("INSERT INTO sqlFile (id, tesselId, sqlFileGroupId, fileId, physicalName, logicalName, size, maxSize,"
        " addTime, removalTime, deleteFlag) VALUES (5, 1, 1, 5, 'C:\\o.ndf', 'O''Hara', 8, 16, 100, 0, 0),"
        " (6, 1, 3, 2, 'D:\\r2.ndf', 'arch', 4, 0, 100, 0, 0), (7, 1, 3, 3, 'D:\\z.ndf', 'zeta', 4, 0, 100, 0, 0)");
    for (const char* name : {"zeta", "O''Hara", "ghost"}) addBackupFile(2, 1, name);
    addBackupFile(2, 3, "arch");
    std::vector<KelSQLDatabaseForSelectiveCopy>* list = browse_.getDatabaseListForSelectiveCopy(0, 0, 12, 2000, 0, true);
    ASSERT_NE(list, nullptr) << browse_.lastError().formatLastErrorMessage();
    std::string files;
    for (const KelSQLFileListForSelectiveCopy& f : list->front().fileList)
        files += std::to_string(f.sqlFileId) + "," + std::to_string(f.sqlFileGroupId) + "," + f.logicalName + "," +
                 f.physicalName + "," + std::to_string(f.size) + "," + std::to_string(f.maxSize) + ";";
    EXPECT_EQ(files, "1,1,zeta,C:\\z.mdf,0,0;5,1,O'Hara,C:\\o.ndf,8,16;4,3,arch,C:\\r.ndf,0,0;6,3,arch,D:\\r2.ndf,4,0;");
}

}  // namespace
}  // namespace kel::test
