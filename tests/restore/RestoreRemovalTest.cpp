// Restore tasks, their restore data and file relocations leaving the
// catalogue in order, and the read-by-id and cleanup messages.
#include "KelSQL/KelNetSQLRestoreTaskCleanup.h"
#include "KelSQL/KelSQLFileRename.h"
#include "KelSQL/KelSQLRestoreData.h"
#include "RestoreFixture.h"

using kel::test::arguments;
using kel::test::refused;
using kel::test::scalar;
using kel::test::sql;
using kel::test::text;

namespace {

class RestoreRemovalTest : public kel::test::RestoreTest {
protected:
    void SetUp() override {
        RestoreTest::SetUp();
        other_ = databaseRow(70, "ALPHA\\SQL1", instance_, "other");
        // Every delete of the three tables, in the order it happened.
        ASSERT_TRUE(sql("CREATE TABLE gone(what TEXT)"));
        for (const char* t : {"t:sqlRestoreTask", "d:sqlRestoreData", "r:sqlFileRename"})
            ASSERT_TRUE(sql(std::string("CREATE TRIGGER gone_") + t[0] + " AFTER DELETE ON " + (t + 2) +
                            " BEGIN INSERT INTO gone VALUES ('" + t[0] + "' || old.id); END"));
    }
    void task(int id, unsigned long database, int next, int data = 0) {
        ASSERT_TRUE(sql("INSERT INTO sqlRestoreTask(id, sqlDatabaseId, sqlServerId, databaseName, next, "
                        "sqlRestoreDataId) VALUES (" + std::to_string(id) + ", " + std::to_string(database) + ", " +
                        std::to_string(instance_) + ", 'x', " + std::to_string(next) + ", " + std::to_string(data) +
                        ")"));
    }
    static void item(int id, int task, int rename, int next) {
        ASSERT_TRUE(sql("INSERT INTO sqlRestoreData(id, restoreTaskId, dataType, sqlId, sqlName, sqlFileRenameId, "
                        "next) VALUES (" + std::to_string(id) + ", " + std::to_string(task) + ", 2, 5, 'it''s', " +
                        std::to_string(rename) + ", " + std::to_string(next) + ")"));
    }
    static void relocation(int id, int task, int next) {
        ASSERT_TRUE(sql("INSERT INTO sqlFileRename(id, restoreTaskId, physicalName, logicalName, next) VALUES (" +
                        std::to_string(id) + ", " + std::to_string(task) + ", '/d/f" + std::to_string(id) +
                        "', 'f', " + std::to_string(next) + ")"));
    }
    static std::string gone() { return text("SELECT group_concat(what) FROM gone"); }
    static long long next(int id) { return scalar("SELECT next FROM sqlRestoreTask WHERE id = " + std::to_string(id)); }

    unsigned long other_ = 0;
};

}  // namespace

TEST_F(RestoreRemovalTest, ForcedDeletionTakesChainsInOrderAndLinksOthersAround) {
    // T1 -> T2 -> T3 -> T4 and T5 -> T6 -> T7; T2, T3 and T6 are the database's.
    task(1, other_, 2), task(2, database_, 3, 10), task(3, database_, 4), task(4, other_, 0);
    task(5, other_, 6), task(6, database_, 7), task(7, other_, 0);
    item(10, 2, 0, 11), item(11, 2, 20, 12), item(12, 2, 0, 0);
    relocation(20, 2, 21), relocation(21, 2, 0);
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLRestoreTask tasks(ostrel, false);
    EXPECT_TRUE(refused(tasks.databaseForceDelete(database_), tasks.getLastError(), kelsql::kErrTranRequired));
    EXPECT_TRUE(refused(tasks.serverForceDelete(0), tasks.getLastError(), kelsql::kErrValueNotSet));
    ASSERT_TRUE(ostrel.startTransaction());
    ASSERT_TRUE(tasks.databaseForceDelete(database_)) << tasks.getLastError().formatLastErrorMessage();
    ASSERT_TRUE(tasks.databaseForceDelete(database_)) << "none left";
    ASSERT_TRUE(ostrel.commitTransaction());
    // Relocations from their tail, then the items from theirs, then the task.
    EXPECT_EQ(gone(), "r21,r20,d12,d11,d10,t2,t3,t6");
    EXPECT_EQ(next(1), 4);
    EXPECT_EQ(next(5), 7);

    // remove takes a task and those after it; the one before keeps its link.
    ASSERT_TRUE(sql("DELETE FROM gone"));
    task(8, other_, 9), task(9, other_, 10, 13), task(10, other_, 0);
    item(13, 9, 0, 0);
    ASSERT_TRUE(ostrel.startTransaction());
    ASSERT_TRUE(tasks.remove(9)) << tasks.getLastError().formatLastErrorMessage();
    ASSERT_TRUE(ostrel.commitTransaction());
    EXPECT_EQ(gone(), "d13,t9,t10");
    EXPECT_EQ(next(8), 9);
    ASSERT_TRUE(ostrel.startTransaction());
    ASSERT_TRUE(tasks.serverForceDelete(instance_));
    ASSERT_TRUE(ostrel.commitTransaction());
    EXPECT_EQ(scalar("SELECT count(*) FROM sqlRestoreTask"), 0);
}

TEST_F(RestoreRemovalTest, AChainThatComesRoundIsRefusedNotFollowed) {
    task(1, other_, 0), task(2, other_, 3), task(3, other_, 2);
    item(30, 1, 0, 31), item(31, 1, 0, 30);
    relocation(40, 1, 41), relocation(41, 1, 41);
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLRestoreData data(ostrel, false);
    KelSQLFileRename renames(ostrel, false);
    KelSQLRestoreTask tasks(ostrel, false);
    ASSERT_TRUE(ostrel.startTransaction());
    EXPECT_TRUE(refused(data.remove(30), data.getLastError(), kelsql::kErrRowOperation));
    EXPECT_TRUE(refused(renames.remove(40), renames.getLastError(), kelsql::kErrRowOperation));
    EXPECT_TRUE(refused(tasks.remove(2), tasks.getLastError(), kelsql::kErrRowOperation));
    ASSERT_TRUE(ostrel.rollBackTransaction());
    EXPECT_EQ(gone(), "<null>");
}

TEST_F(RestoreRemovalTest, AgentsReadItemsAndRelocationsByIdFromTheOstrel) {
    task(1, database_, 0, 10);
    item(10, 1, 20, 0);
    relocation(20, 1, 0);
    KelSQLClassProperties agent(KelSQLClientSide);
    KelSQLRestoreData data(agent, false);
    ASSERT_TRUE(data.query(10)) << data.getLastError().formatLastErrorMessage();
    EXPECT_TRUE(data.restoreTaskId() == 1 && data.dataType() == 2 && data.dataSqlId() == 5 &&
                data.sqlFileRenameId() == 20 && data.sqlName() == "it's");
    ASSERT_TRUE(data.query(0)) << "the loaded record's id again";
    EXPECT_TRUE(refused(data.query(99), data.getLastError(), kelsql::kErrRowOperation));
    KelSQLFileRename rename(agent, false);
    ASSERT_TRUE(rename.query(20));
    EXPECT_EQ(rename.logicalName() + "|" + rename.physicalName(), "f|/d/f20");
    EXPECT_TRUE(refused(rename.query(99), rename.getLastError(), kelsql::kErrRowOperation));
    // A request for id 0, each with its own number.
    KelNetSQLRestoreData rawData(agent, false);
    KelNetSQLFileRename rawRename(agent, false);
    rawData.requestMessage(true);
    rawRename.requestMessage(true);
    KelLastError err;
    EXPECT_TRUE(refused(rawData.exchange(err), err, kelsql::kErrRequestIds));
    EXPECT_EQ(arguments(err).back(), "519");
    EXPECT_TRUE(refused(rawRename.exchange(err), err, kelsql::kErrRequestIds));
    EXPECT_EQ(arguments(err).back(), "545");
    // Cleanup is acknowledged and changes nothing.
    KelNetSQLRestoreTaskCleanup cleanup(agent, false);
    EXPECT_TRUE(cleanup.cleanup(0, 0)) << cleanup.getLastError().formatLastErrorMessage();
    EXPECT_TRUE(cleanup.cleanup(77, 1));
    EXPECT_EQ(scalar("SELECT count(*) FROM sqlRestoreTask"), 1);
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelNetSQLRestoreTaskCleanup wrongSide(ostrel, false);
    EXPECT_TRUE(refused(wrongSide.cleanup(0, 0), wrongSide.getLastError(), kelsql::kErrAgentSideOnly));
}
