// The file-group record over a real Ostrel dispatcher and catalogue:
// registration, the comparison rules, logical and forced deletion.
#include "FileFixture.h"

using kel::test::refused;

namespace {

class FileGroupRecordTest : public kel::test::FileTest {};

struct CompareCase {
    const char* what;
    long stored;  // the group's removal time
    unsigned long removal;
    const char* name;
    unsigned long groupId;
    int streams;
    uint64_t error;
    long long group, file0, file1;  // removal times afterwards
    long long groupIdAfter, streamsAfter;
};

}  // namespace

TEST_F(FileGroupRecordTest, OstrelRegistrationRenewsTheRowButKeepsItsAddTime) {
    const unsigned long old = groupRow("Sales'Q1", 5000, 9, 1);
    const std::string sales = "sales";
    KelSQLClassProperties agent(KelSQLClientSide);
    KelNetSQLDBTransaction* t = agent.getNetworkDBTransaction();
    ASSERT_TRUE(t->startTransaction());
    KelSQLFileGroup again(agent, false), added(agent, false);
    again.setFileGroupName("Sales'Q1");
    EXPECT_TRUE(refused(again.config(db_, &sales), again.getLastError(), kelsql::kErrInsert));
    again.initializeSQLObject(true);
    again.setFileGroupName("Sales'Q1");
    again.setId(4);
    ASSERT_TRUE(again.config(db_, &sales)) << again.getLastError().formatLastErrorMessage();
    added.initializeSQLObject(true);
    added.setFileGroupName("Added");
    ASSERT_TRUE(added.config(db_, nullptr)) << added.getLastError().formatLastErrorMessage();
    ASSERT_TRUE(t->commitTransaction());
    EXPECT_EQ(again.sqlId(), old);
    EXPECT_EQ(again.getAddTime().time(), 1000u);
    for (const char* column : {"removalTime", "deleteFlag", "applicationNumber", "streams", "maxStreams"})
        EXPECT_EQ(value("sqlFileGroup", column, old), 0) << column;
    EXPECT_EQ(value("sqlFileGroup", "addTime", old), 1000);
    EXPECT_EQ(value("sqlFileGroup", "groupId", old), 4);
    EXPECT_GT(value("sqlFileGroup", "addTime", added.sqlId()), 1000);
    EXPECT_EQ(kel::test::scalar("SELECT count(*) FROM sqlFileGroup"), 2);
    // A whole-row write keys the row by its catalogue id, not SQL Server's.
    KelSQLClassProperties ostrel(KelSQLServerSide);
    ASSERT_TRUE(ostrel.startTransaction());
    KelSQLFileGroup whole(ostrel, false);
    ASSERT_TRUE(whole.query(old));
    whole.getStreams().setStreams(6);
    ASSERT_TRUE(whole.serverUpdate(nullptr, nullptr)) << whole.getLastError().formatLastErrorMessage();
    ASSERT_TRUE(ostrel.commitTransaction());
    EXPECT_EQ(value("sqlFileGroup", "streams", old), 6);
}

TEST_F(FileGroupRecordTest, ComparisonWritesOnlyWhatTheRulesAllow) {
    const CompareCase cases[] = {
        {"marker", 5000, KelSQLFileGroup::kRemovalTimeBack, "PRIMARY", 0, 0, 0, 0, 0, 6000, 2, 3},
        {"time over none", 0, 7000, "primary", 0, 0, 0, 7000, 7000, 6000, 2, 3},
        {"time over time", 5000, 7000, "PRIMARY", 0, 0, 0, 5000, 0, 6000, 2, 3},
        {"new values", 0, 0, "PRIMARY", 8, 4, 0, 0, 0, 6000, 8, 4},
        {"another name", 0, 7000, "OTHER", 8, 4, kelsql::kErrCompareAndUpdate, 0, 0, 6000, 2, 3},
    };
    for (const CompareCase& c : cases) {
        const unsigned long id = groupRow("PRIMARY", c.stored);
        const unsigned long f0 = fileRow(id, "a"), f1 = fileRow(id, "b", 6000);
        KelSQLClassProperties ostrel(KelSQLServerSide);
        ASSERT_TRUE(ostrel.startTransaction());
        KelSQLFileGroup stored(ostrel, false), given(ostrel, false);
        given.setSqlId(id);
        given.setFileGroupName(c.name);
        given.setId(c.groupId);
        given.getStreams().setStreams(c.streams);
        given.setRemovalTime().setTime(static_cast<long>(c.removal));
        EXPECT_EQ(kel::test::failure(stored.compareAndUpdate(given, 0), stored.getLastError()), c.error) << c.what;
        ASSERT_TRUE(ostrel.commitTransaction());
        EXPECT_EQ(value("sqlFileGroup", "removalTime", id), c.group) << c.what;
        EXPECT_EQ(value("sqlFile", "removalTime", f0), c.file0) << c.what;
        EXPECT_EQ(value("sqlFile", "removalTime", f1), c.file1) << c.what;
        EXPECT_EQ(value("sqlFileGroup", "groupId", id), c.groupIdAfter) << c.what;
        EXPECT_EQ(value("sqlFileGroup", "streams", id), c.streamsAfter) << c.what;
    }
    // A failed update leaves the caller its own values, not the row's.
    const unsigned long id = groupRow("PRIMARY");
    KelSQLClassProperties ostrel(KelSQLServerSide);
    ASSERT_TRUE(ostrel.startTransaction());
    KelSQLFileGroup mine(ostrel, false);
    mine.setSqlId(id);
    mine.setFileGroupName("OTHER");
    mine.getStreams().setStreams(9);
    EXPECT_TRUE(refused(mine.update(), mine.getLastError(), kelsql::kErrCompareAndUpdate));
    EXPECT_EQ(mine.fileGroupName(), "OTHER");
    EXPECT_EQ(mine.getStreams().streams(), 9);
}

TEST_F(FileGroupRecordTest, LogicalDeletionReachesTheFiles) {
    const unsigned long id = groupRow("PRIMARY");
    const unsigned long files[] = {fileRow(id, "a"), fileRow(id, "b")};
    KelSQLClassProperties agent(KelSQLClientSide);
    KelNetSQLDBTransaction* t = agent.getNetworkDBTransaction();
    for (bool deleted : {true, false}) {
        ASSERT_TRUE(t->startTransaction());
        KelSQLFileGroup group(agent, false);
        ASSERT_TRUE(group.logicalDeletion(deleted, id)) << group.getLastError().formatLastErrorMessage();
        ASSERT_TRUE(t->commitTransaction());
        EXPECT_EQ(group.isDeleted(), deleted);
        EXPECT_EQ(value("sqlFileGroup", "deleteFlag", id), deleted ? 1 : 0);
        for (unsigned long f : files) EXPECT_EQ(value("sqlFile", "deleteFlag", f), deleted ? 1 : 0);
    }
}

TEST_F(FileGroupRecordTest, ForcedDeletionRemovesWhatItSays) {
    const unsigned long plain = groupRow("plain", 0, 9), backedUp = groupRow("backedUp", 0, 9);
    const unsigned long file = fileRow(plain, "a");
    fileRow(plain, "b");
    // A file backup of backedUp: its history goes with the group.
    ASSERT_TRUE(kel::test::sql(
        "INSERT INTO sqlVersion(id, tesselId, type, major) VALUES (1, " + std::to_string(tessel_) + ", 1, 9); "
        "INSERT INTO sqlBackupSet(id, tesselId, sqlDatabaseId, name, sqlVersionId, mtfVersionId) VALUES (41, " +
        std::to_string(tessel_) + ", " + std::to_string(db_) + ", 'f1', 1, 1); INSERT INTO sqlLSNs(sqlBackupSetId, tesselId, sqlDatabaseId, backupType, "
        "firstLSN, lastLSN) VALUES (41, " + std::to_string(tessel_) + ", " + std::to_string(db_) + ", 70, '10', '20'); "
        "INSERT INTO "
        "sqlBackupFile(tesselId, sqlFileGroupId, sqlBackupSetId, logicalName) VALUES (" + std::to_string(tessel_) +
        ", " + std::to_string(backedUp) + ", 41, 'x')"));
    KelSQLClassProperties agent(KelSQLClientSide);
    KelSQLFile remote(agent, false);
    EXPECT_TRUE(remote.forceDeletion(file)) << "an agent has nothing to remove";
    KelSQLClassProperties ostrel(KelSQLServerSide);
    ASSERT_TRUE(ostrel.startTransaction());
    KelSQLFileGroup group(ostrel, false);
    ASSERT_TRUE(group.forceDeletion(plain, false)) << group.getLastError().formatLastErrorMessage();
    KelSQLFileGroup kept(ostrel, false);
    ASSERT_TRUE(kept.query(plain));
    EXPECT_EQ(kept.applicationNumber(), 0u);
    ASSERT_TRUE(group.forceDeletion(backedUp, false)) << group.getLastError().formatLastErrorMessage();
    ASSERT_TRUE(group.forceDeletion(plain, true)) << group.getLastError().formatLastErrorMessage();
    EXPECT_TRUE(group.forceDeletion(plain, true)) << "a row gone already";
    EXPECT_TRUE(group.forceDeletion(plain, false)) << "a row gone already";
    ASSERT_TRUE(ostrel.commitTransaction());
    EXPECT_EQ(value("sqlFileGroup", "applicationNumber", backedUp), 0);
    EXPECT_EQ(kel::test::scalar("SELECT count(*) FROM sqlBackupSet WHERE id = 41"), 0);
    EXPECT_EQ(kel::test::scalar("SELECT count(*) FROM sqlBackupFile"), 0);
    EXPECT_EQ(value("sqlFileGroup", "id", plain), -1);
    EXPECT_EQ(kel::test::scalar("SELECT count(*) FROM sqlFile"), 0);
}
