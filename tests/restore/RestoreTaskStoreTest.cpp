// A restore task stored on the Ostrel with its items and relocations in one
// transaction: a step refused leaves nothing of itself, and the mended step
// in the same transaction commits with the rest.
#include "KelSQL/KelSQLFileRename.h"
#include "KelSQL/KelSQLRestoreData.h"
#include "RestoreFixture.h"

using kel::test::grown;
using kel::test::refused;
using kel::test::rowCounts;
using kel::test::text;

namespace {

class RestoreTaskStoreTest : public kel::test::RestoreTest {
protected:
    static kel::test::RowCounts stored() { return rowCounts({"sqlRestoreTask", "sqlRestoreData", "sqlFileRename"}); }

    static bool relocate(KelSQLFileRename& rename, unsigned long task, const std::string& logical,
                         const std::string& physical, unsigned long next) {
        rename.setRestoreTaskId(task);
        rename.setLogicalName(logical);
        rename.setPhysicalName(physical);
        rename.setNext(next);
        return rename.insert();
    }
};

}  // namespace

TEST_F(RestoreTaskStoreTest, ALastRelocationRefusedLeavesNothingAndItsMendedPathCommitsWithTheTask) {
    const kel::test::RowCounts before = stored();
    KelSQLClassProperties ostrel(KelSQLServerSide);
    ASSERT_TRUE(ostrel.startTransaction());
    KelSQLRestoreTask task(ostrel, false);
    ASSERT_TRUE(task.setRestoreTypeRecoverOnly());
    const unsigned long taskId = storeTask(ostrel, task);
    ASSERT_NE(taskId, 0u) << task.getLastError().formatLastErrorMessage();
    KelSQLFileRename data(ostrel, false), log(ostrel, false);
    ASSERT_TRUE(relocate(data, taskId, "pubs_data", "E:\\data\\pubs.mdf", 0));
    const std::string tooLong = "E:\\" + std::string(KelSQLFileRename::kPhysicalNameMax - 2, 'l');
    EXPECT_TRUE(refused(relocate(log, taskId, "pubs_log", tooLong, data.sqlId()), log.getLastError(),
                        kelsql::kErrValueNotSet, "PhysicalName"));
    ASSERT_TRUE(relocate(log, taskId, "pubs_log", "E:\\log\\pubs.ldf", data.sqlId()))
        << log.getLastError().formatLastErrorMessage();
    KelSQLRestoreData item(ostrel, false);
    item.setRestoreTaskId(taskId);
    item.setDataSqlId(database_);
    item.setSqlName("pubs");
    item.setSqlFileRenameId(log.sqlId());
    ASSERT_TRUE(item.insert()) << item.getLastError().formatLastErrorMessage();
    ASSERT_TRUE(ostrel.commitTransaction());
    EXPECT_EQ(stored(), grown(before, {{"sqlRestoreTask", 1}, {"sqlRestoreData", 1}, {"sqlFileRename", 2}}));
    EXPECT_EQ(text("SELECT group_concat(physicalName, '|') FROM (SELECT physicalName FROM sqlFileRename ORDER BY id)"),
              "E:\\data\\pubs.mdf|E:\\log\\pubs.ldf");
}

// The stored task is read back with its instance: one whose instance's row
// cannot be read (its login does not unseal) was refused after its own row
// was written, and the row stayed.
TEST_F(RestoreTaskStoreTest, ATaskWhoseInstanceCannotBeReadLeavesNoRow) {
    const unsigned long broken = instanceOfType(70, "ALPHA\\SQL2");
    ASSERT_TRUE(kel::test::sql("UPDATE sqlServer SET sa = 'sa', saPassword = 'not sealed' WHERE instanceId = " +
                               std::to_string(broken)));
    const kel::test::RowCounts before = stored();
    KelSQLClassProperties ostrel(KelSQLServerSide);
    ASSERT_TRUE(ostrel.startTransaction());
    KelSQLRestoreTask task(ostrel, false);
    ASSERT_TRUE(task.setRestoreTypeRecoverOnly());
    task.setSqlServerId(broken);
    EXPECT_EQ(storeTask(ostrel, task), 0u);
    EXPECT_EQ(task.getLastError().number(), kelsql::kErrDecrypt);
    task.setSqlServerId(instance_);
    ASSERT_TRUE(task.setRestoreTypeRecoverOnly());
    ASSERT_NE(storeTask(ostrel, task), 0u) << task.getLastError().formatLastErrorMessage();
    ASSERT_TRUE(ostrel.commitTransaction());
    EXPECT_EQ(stored(), grown(before, {{"sqlRestoreTask", 1}}));
}
