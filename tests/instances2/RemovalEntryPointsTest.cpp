// The Ostrel's removal entry points: which rows a backup set's removal takes,
// whole-or-nothing transactions, application types, subclients that are no
// file subclients, and the master check.
#include "KelSQL/KelSQLRemovalEntryPoints.h"
#include "database/DatabaseFixture.h"

using kel::test::refused;
using kel::test::scalar;
using kel::test::sql;

namespace {

class RemovalEntryPointsTest : public kel::test::DatabaseTest {
protected:
    static long long rows(const std::string& table) { return scalar("SELECT count(*) FROM " + table); }
    // An instance row of alpha with the application type.
    unsigned long typedInstance(const std::string& name, unsigned long type) {
        const unsigned long id = instance(alpha_, type, name);
        EXPECT_TRUE(sql("INSERT INTO sqlServer(instanceId, tesselId, serverName, flags, clientId) VALUES (" +
                        std::to_string(id) + ", " + std::to_string(tessel_) + ", '" + name + "', 0, " +
                        std::to_string(alpha_) + ")"));
        return id;
    }
    KelLastError error_;
};

TEST_F(RemovalEntryPointsTest, BackupSetRemovalTakesTheInstanceOnlyWithItsLastDatabase) {
    const unsigned long a = databaseRow("A");
    // The only database is another one: nothing goes.
    EXPECT_TRUE(sqlAppIdBackupSetDelete(kMachine, tessel_, alpha_, instance_, a + 100, error_));
    EXPECT_EQ(rows("sqlDatabase"), 1);
    const unsigned long b = databaseRow("B");
    // Two: only the one named.
    ASSERT_TRUE(sqlAppIdBackupSetDelete(kMachine, tessel_, alpha_, instance_, b, error_))
        << error_.formatLastErrorMessage();
    EXPECT_EQ(rows("sqlDatabase"), 1);
    EXPECT_EQ(rows("sqlServer"), 1);
    // The last one: the instance goes with it.
    ASSERT_TRUE(sqlAppIdBackupSetDelete(kMachine, tessel_, alpha_, instance_, a, error_))
        << error_.formatLastErrorMessage();
    EXPECT_EQ(rows("sqlDatabase") + rows("sqlServer"), 0);
    // Unknown to the catalogue now: success; an unknown client is not.
    EXPECT_TRUE(sqlAppIdBackupSetDelete(kMachine, tessel_, alpha_, instance_, a, error_));
    EXPECT_TRUE(refused(sqlAppIdBackupSetDelete(kMachine, tessel_, 999, instance_, a, error_), error_,
                        kelsql::kErrClientNotFound));
}

TEST_F(RemovalEntryPointsTest, ApplicationTypeRemovalIsAllOrNothing) {
    EXPECT_TRUE(refused(sqlAppIdDelete(kMachine, tessel_, alpha_, 5, error_), error_, kelsql::kErrValueNotSet,
                        "appTypeId"));
    const unsigned long first = typedInstance("SQL7A", 4);
    typedInstance("SQL7B", 4);
    ASSERT_TRUE(sql("INSERT INTO sqlRestoreTask(id, sqlServerId, databaseName, next, sqlRestoreDataId) VALUES (1, " +
                    std::to_string(first) + ", 'x', 0, 0)"));
    // The second instance cannot go: the first stays too.
    ASSERT_TRUE(sql("CREATE TRIGGER keep BEFORE DELETE ON sqlServer WHEN old.serverName = 'SQL7B' "
                    "BEGIN SELECT RAISE(ABORT, 'kept'); END"));
    EXPECT_FALSE(sqlAppIdDelete(kMachine, tessel_, alpha_, 0, error_));
    EXPECT_EQ(rows("sqlServer"), 3);
    EXPECT_EQ(rows("sqlRestoreTask"), 1);
    ASSERT_TRUE(sql("DROP TRIGGER keep"));
    ASSERT_TRUE(sqlAppIdDelete(kMachine, tessel_, alpha_, 0, error_)) << error_.formatLastErrorMessage();
    // Type 4 only: the SQL Server 2005 instance stays.
    EXPECT_EQ(rows("sqlServer"), 1);
    EXPECT_EQ(rows("sqlRestoreTask"), 0);
    ASSERT_TRUE(sqlAppIdInstanceDelete(kMachine, tessel_, alpha_, instance_, error_));
    EXPECT_EQ(rows("sqlServer"), 0);
}

TEST_F(RemovalEntryPointsTest, SubclientsWithoutFileSubclientAreDone) {
    const unsigned long appId = application("A", "default");
    EXPECT_TRUE(sqlAppIdSubClientMarkDelete(kMachine, appId, error_, nullptr)) << error_.formatLastErrorMessage();
    EXPECT_TRUE(sqlAppIdSubClientDelete(kMachine, tessel_, alpha_, appId, error_)) << error_.formatLastErrorMessage();
}

TEST_F(RemovalEntryPointsTest, MasterMayGoOnlyWhenLogicallyDeleted) {
    const unsigned long master = databaseRow("master"), other = databaseRow("big"), user = databaseRow("u");
    EXPECT_TRUE(refused(sqlCheckForDatabaseDeletionAllowed(kMachine, 0, 0, master, error_), error_,
                        kelsql::kErrDatabaseDeletion));
    // Another letter case passes by name, and is caught by its id.
    ASSERT_TRUE(sql("UPDATE sqlDatabase SET databaseName = 'MASTER' WHERE backupSetId = " + std::to_string(other)));
    EXPECT_TRUE(sqlCheckForDatabaseDeletionAllowed(kMachine, 0, 0, other, error_));
    ASSERT_TRUE(sql("UPDATE sqlDatabase SET databaseId = 1 WHERE backupSetId = " + std::to_string(other)));
    EXPECT_TRUE(refused(sqlCheckForDatabaseDeletionAllowed(kMachine, 0, 0, other, error_), error_,
                        kelsql::kErrDatabaseDeletion));
    ASSERT_TRUE(sql("UPDATE sqlDatabase SET deleteFlag = 1 WHERE backupSetId = " + std::to_string(master)));
    EXPECT_TRUE(sqlCheckForDatabaseDeletionAllowed(kMachine, 0, 0, master, error_));
    EXPECT_TRUE(sqlCheckForDatabaseDeletionAllowed(kMachine, 0, 0, user, error_));
    EXPECT_TRUE(sqlCheckForDatabaseDeletionAllowed(kMachine, 0, 0, user + 100, error_));
}

}  // namespace
