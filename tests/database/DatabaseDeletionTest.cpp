// Logical and forced deletion of a database, and the layout read: which
// databases are protected, what goes with a forced deletion (and what
// SQL Server 7 keeps), DBCode 5 from an agent, and the tree's flags.
#include "FileFixture.h"
#include "KelSQL/KelNetSQLDBTransaction.h"
#include "KelSQL/KelSQLDatabase.h"
#include "KelSQL/KelSQLFileSubClient.h"

using kel::test::refused;
using kel::test::scalar;
using kel::test::sql;

namespace {

class DatabaseDeletionTest : public kel::test::FileTest {
protected:
    void SetUp() override {
        FileTest::SetUp();
        ASSERT_TRUE(sql("INSERT INTO sqlVersion (id, tesselId, type, major, minor, build) VALUES (1, " +
                        std::to_string(tessel_) + ", 1, 9, 0, 1399)"));
    }
    // A group with a file, a subclient (over the group when member), a log
    // mark and a backup set of database db.
    void history(unsigned long db, bool member = true) {
        const unsigned long saved = db_;
        db_ = db;
        const unsigned long g = groupRow("G" + std::to_string(db));
        fileRow(g, "f" + std::to_string(db));
        const std::string t = std::to_string(tessel_), d = std::to_string(db);
        ASSERT_TRUE(sql("INSERT INTO sqlFileSubClient(tesselId, sqlDatabaseId, subClientName, flags) VALUES (" + t +
                        ", " + d + ", 'fs" + d + "', 0)"));
        if (member) {
            ASSERT_TRUE(sql("INSERT INTO sqlFileSubClientGroup(tesselId, sqlFileSubClientId, sqlFileGroupId) VALUES (" +
                            t + ", (SELECT max(id) FROM sqlFileSubClient), " + std::to_string(g) + ")"));
        }
        ASSERT_TRUE(sql("INSERT INTO sqlLogMarkNames(tesselId, sqlDatabaseId, name, lsn) VALUES (" + t + ", " + d +
                        ", 'm', '10')"));
        ASSERT_TRUE(sql("INSERT INTO sqlBackupSet (tesselId, sqlDatabaseId, sqlVersionId, mtfVersionId, name) "
                        "VALUES (" + t + ", " + d + ", 1, 1, 'b')"));
        db_ = saved;
    }
    static long long rows(const std::string& table, unsigned long db) {
        return scalar("SELECT count(*) FROM " + table + " WHERE " +
                      (table == "sqlDatabase" ? "backupSetId" : "sqlDatabaseId") + " = " + std::to_string(db));
    }
    static long long files() { return scalar("SELECT count(*) FROM sqlFile"); }
};

}  // namespace

TEST_F(DatabaseDeletionTest, ProtectionTransactionAndMissingRows) {
    const unsigned long master = databaseRow("MASTER");
    const unsigned long first = databaseRow("first");
    ASSERT_TRUE(sql("UPDATE sqlDatabase SET databaseId = 1 WHERE backupSetId = " + std::to_string(first)));
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLDatabase db(ostrel, false);
    EXPECT_TRUE(db.forceDeletion(master + first + 100, false)) << "a row already gone";
    EXPECT_TRUE(refused(db.forceDeletion(master, false), db.getLastError(), kelsql::kErrDatabaseDeletion));
    EXPECT_TRUE(refused(db.forceDeletion(first, false), db.getLastError(), kelsql::kErrDatabaseDeletion));
    EXPECT_TRUE(refused(db.forceDeletion(db_, false), db.getLastError(), kelsql::kErrTranRequired));
    EXPECT_EQ(rows("sqlDatabase", db_), 1);

    ASSERT_TRUE(ostrel.startTransaction());
    EXPECT_TRUE(refused(db.forceDeletion(master, false), db.getLastError(), kelsql::kErrDatabaseDeletion));
    ASSERT_TRUE(db.logicalDeletion(true, master)) << db.getLastError().formatLastErrorMessage();
    EXPECT_TRUE(db.forceDeletion(master, false)) << db.getLastError().formatLastErrorMessage();
    EXPECT_TRUE(db.forceDeletion(first, true)) << db.getLastError().formatLastErrorMessage();
    EXPECT_TRUE(db.forceDeletion(db_, false)) << "a user database goes whatever its flag";
    ASSERT_TRUE(ostrel.commitTransaction());
    EXPECT_EQ(scalar("SELECT count(*) FROM sqlDatabase"), 0);
}

TEST_F(DatabaseDeletionTest, ForcedDeletionTakesTheHistoryButSql7KeepsMarksAndSubclients) {
    const unsigned long other = databaseRow("other");
    history(db_);
    // SQL Server 7 has no subclient members to hold its groups.
    history(other, false);
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLDatabase db(ostrel, false);
    ASSERT_TRUE(ostrel.startTransaction());
    ASSERT_TRUE(db.forceDeletion(db_, false)) << db.getLastError().formatLastErrorMessage();
    ASSERT_TRUE(ostrel.commitTransaction());
    for (const char* table : {"sqlDatabase", "sqlFileGroup", "sqlFileSubClient", "sqlLogMarkNames", "sqlBackupSet"}) {
        EXPECT_EQ(rows(table, db_), 0) << table;
        EXPECT_EQ(rows(table, other), 1) << table << " of another database";
    }
    EXPECT_EQ(files(), 1);
    EXPECT_EQ(scalar("SELECT count(*) FROM sqlFileSubClientGroup"), 0);

    ASSERT_TRUE(sql("INSERT INTO sqlVersion(tesselId, type, major, minor, build) VALUES (" + std::to_string(tessel_) +
                    ", 1, 7, 0, 623); UPDATE sqlServer SET sqlVersionId = (SELECT max(id) FROM sqlVersion)"));
    // Its mark and subclient stay, so the row they hold cannot go.
    ASSERT_TRUE(ostrel.startTransaction());
    EXPECT_TRUE(refused(db.forceDeletion(other, false), db.getLastError(), kelsql::kErrRowOperation));
    EXPECT_EQ(kel::test::firstArgument(db.getLastError()), "KelSQLDatabase::forceDeletion(sqlDatabaseId)");
    ASSERT_TRUE(ostrel.rollBackTransaction());
}

TEST_F(DatabaseDeletionTest, AgentDeletesLogicallyOverTheDispatcher) {
    history(db_);
    KelSQLClassProperties agent(KelSQLClientSide);
    KelSQLDatabase db(agent, false);
    for (const bool flag : {true, false}) {
        ASSERT_TRUE(agent.getNetworkDBTransaction()->startTransaction());
        ASSERT_TRUE(db.logicalDeletion(flag, db_)) << db.getLastError().formatLastErrorMessage();
        ASSERT_TRUE(agent.getNetworkDBTransaction()->commitTransaction());
        EXPECT_EQ(db.getDeleteFlag()->isDeleted(), flag);
        EXPECT_EQ(db.databaseName(), "sales") << "the answer is the row";
        EXPECT_EQ(scalar("SELECT deleteFlag FROM sqlDatabase WHERE backupSetId = " + std::to_string(db_)), flag);
        EXPECT_EQ(scalar("SELECT deleteFlag FROM sqlFile"), flag);
        EXPECT_EQ(scalar("SELECT flags & 1 FROM sqlFileSubClient"), flag);
    }
    EXPECT_TRUE(refused(db.logicalDeletion(true, db_ + 100), db.getLastError(), kelsql::kErrRowOperation));
    KelNetSQLDatabase_t req{}, rsp{};
    EXPECT_TRUE(refused(db.logicalDeletion(&req, &rsp), db.getLastError(), kelsql::kErrNoSide));
}

TEST_F(DatabaseDeletionTest, LayoutCarriesTheDeletedAndRemovedFlags) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLDatabase db(ostrel, false);
    KelSQLDatabaseLayout layout;
    ASSERT_TRUE(db.getDatabaseLayout(layout, db_));
    EXPECT_TRUE(layout.fileGroupList().empty());
    EXPECT_EQ(layout.databaseName(), "sales");

    const unsigned long a = groupRow("A", 0, 0, 1);
    const unsigned long b = groupRow("B", 77);
    fileRow(a, "a1", 5, "d:\\a1.ndf");
    const unsigned long a2 = fileRow(a, "a2");
    ASSERT_TRUE(sql("UPDATE sqlDatabase SET deleteFlag = 1, removalTime = 9"));
    ASSERT_TRUE(db.getDatabaseLayout(layout, db_)) << db.getLastError().formatLastErrorMessage();
    EXPECT_EQ(layout.sqlDatabaseId(), db_);
    EXPECT_EQ(layout.layoutFlags().layoutFlags(), 3u);
    ASSERT_EQ(layout.fileGroupList().size(), 2u);
    const KelSQLDatabaseFileGroup& ga = layout.fileGroupList().front();
    EXPECT_EQ(ga.sqlFileGroupId(), a);
    EXPECT_EQ(ga.layoutFlags().layoutFlags(), 1u);
    ASSERT_EQ(ga.fileList().size(), 2u);
    EXPECT_EQ(ga.fileList().front().physicalName(), "d:\\a1.ndf");
    EXPECT_EQ(ga.fileList().front().layoutFlags().layoutFlags(), 2u);
    EXPECT_EQ(ga.fileList().back().sqlFileId(), a2);
    EXPECT_EQ(layout.fileGroupList().back().sqlFileGroupId(), b);
    EXPECT_EQ(layout.fileGroupList().back().layoutFlags().layoutFlags(), 2u);

    KelSQLClassProperties agent(KelSQLClientSide);
    KelSQLDatabase away(agent, false);
    EXPECT_TRUE(refused(away.getDatabaseLayout(layout, db_), away.getLastError(), kelsql::kErrOstrelSideOnly));
    EXPECT_EQ(layout.fileGroupList().size(), 2u) << "a failed read leaves the layout";
}
