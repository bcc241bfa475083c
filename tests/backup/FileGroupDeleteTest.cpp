// Forced deletion of a file group's file backups, in the caller's transaction.
#include "BackupFixture.h"

using kel::test::refused;
using kel::test::scalar;
using kel::test::sql;
using kel::test::text;

namespace {

class FileGroupDeleteTest : public kel::test::BackupTest {
protected:
    void SetUp() override {
        BackupTest::SetUp();
        const std::string t = std::to_string(tessel_);
        const std::string d = std::to_string(db_);
        ASSERT_TRUE(sql("INSERT INTO sqlVersion(id, tesselId, type, major, minor, build) VALUES (1, " + t +
                        ", 1, 9, 0, 1399)"));
        ASSERT_TRUE(sql("INSERT INTO sqlFileGroup(id, tesselId, sqlDatabaseId, groupId, fileGroupName) VALUES (1, " +
                        t + ", " + d + ", 1, 'PRIMARY'), (2, " + t + ", " + d + ", 2, 'SECOND')"));
        // Set, type, the file groups of its files.
        const struct {
            int id;
            char type;
            std::vector<int> groups;
        } sets[] = {{10, 'F', {1, 1}}, {11, 'L', {1}}, {12, 'F', {2}}, {13, 'G', {1}}};
        for (const auto& s : sets) {
            const std::string id = std::to_string(s.id);
            ASSERT_TRUE(sql("INSERT INTO sqlBackupSet(id, tesselId, sqlDatabaseId, backupSetId, name, sqlVersionId, "
                            "mtfVersionId) VALUES (" + id + ", " + t + ", " + d + ", " + id + ", 'set" + id +
                            "', 1, 1)"));
            ASSERT_TRUE(sql("INSERT INTO sqlLSNs(sqlBackupSetId, tesselId, sqlDatabaseId, backupType, firstLSN, "
                            "lastLSN, checkpointLSN, fullBackupLSN) VALUES (" + id + ", " + t + ", " + d + ", " +
                            std::to_string(int(s.type)) + ", '100', '200', '100', '1')"));
            ASSERT_TRUE(sql("INSERT INTO sqlArchiveSet(tesselId, sqlBackupSetId, mediaSetId) VALUES (" + t + ", " +
                            id + ", 1)"));
            for (int g : s.groups)
                ASSERT_TRUE(sql("INSERT INTO sqlBackupFile(tesselId, sqlFileGroupId, sqlBackupSetId, logicalName) "
                                "VALUES (" + t + ", " + std::to_string(g) + ", " + id + ", 'f')"));
        }
        // As text "1000" would lie between "100" and "200".
        for (const char* lsn : {"150", "99", "1000"})
            ASSERT_TRUE(sql("INSERT INTO sqlLogMarkNames(tesselId, sqlDatabaseId, name, lsn) VALUES (" + t + ", " + d +
                            ", 'm" + lsn + "', '" + lsn + "')"));
    }

    static std::string left() {
        return text("SELECT group_concat(id) FROM (SELECT id FROM sqlBackupSet ORDER BY id)") + "|" +
               text("SELECT group_concat(sqlBackupSetId) FROM (SELECT sqlBackupSetId FROM sqlLSNs ORDER BY 1)") + "|" +
               text("SELECT group_concat(sqlBackupSetId) FROM (SELECT sqlBackupSetId FROM sqlArchiveSet ORDER BY 1)") +
               "|" + std::to_string(scalar("SELECT count(*) FROM sqlBackupFile")) + "|" +
               text("SELECT group_concat(name) FROM (SELECT name FROM sqlLogMarkNames ORDER BY id)");
    }
};

}  // namespace

TEST_F(FileGroupDeleteTest, RemovesOnlyFileBackupsOfTheGroupInsideTheTransaction) {
    const std::string before = left();
    ASSERT_EQ(before, "10,11,12,13|10,11,12,13|10,11,12,13|5|m150,m99,m1000");
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLBackupSet set(ostrel, false);
    EXPECT_TRUE(refused(set.fileGroupForceDelete(1), set.getLastError(), kelsql::kErrTranRequired));
    EXPECT_TRUE(refused(set.fileGroupForceDelete(0), set.getLastError(), kelsql::kErrValueNotSet));
    // Rolled back by the caller: nothing changed.
    ASSERT_TRUE(ostrel.startTransaction());
    ASSERT_TRUE(set.fileGroupForceDelete(1)) << message(set.getLastError());
    ASSERT_TRUE(ostrel.rollBackTransaction());
    EXPECT_EQ(left(), before);
    ASSERT_TRUE(ostrel.startTransaction());
    ASSERT_TRUE(set.fileGroupForceDelete(1)) << message(set.getLastError());
    ASSERT_TRUE(set.fileGroupForceDelete(1)) << "a second time finds nothing";
    ASSERT_TRUE(set.fileGroupForceDelete(3)) << "a group without files";
    ASSERT_TRUE(ostrel.commitTransaction());
    EXPECT_EQ(left(), "11,12,13|11,12,13|11,12,13|3|m99,m1000");
    KelSQLClassProperties agent(KelSQLClientSide);
    KelSQLBackupSet remote(agent, false);
    EXPECT_TRUE(refused(remote.fileGroupForceDelete(2), remote.getLastError(), kelsql::kErrOstrelSideOnly));
}
