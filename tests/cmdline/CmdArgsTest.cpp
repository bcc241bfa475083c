// The job options of the executables as the library checks and keeps them.
#include <gtest/gtest.h>

#include <string>

#include "KelSQL/KelSQLCmdArgs.h"
#include "support/TestHome.h"

namespace {

class CmdArgsTest : public kel::test::HomeTest {
protected:
    KelSQLCmdArgs args_;
};

TEST_F(CmdArgsTest, EachJobKindValidatesItsOwnOptions) {
    args_.setCommandLine("-j 4711 -a 3:17 -t L -v HOSTA -p 40");
    ASSERT_TRUE(args_.setJobId("4711") && args_.setApplicationNumber("3:17") && args_.setBackupType("L") &&
                args_.setVirtualMachine("HOSTA") && args_.setPercentage("40"));
    EXPECT_EQ(args_.commandLine(), "-j 4711 -a 3:17 -t L -v HOSTA -p 40 -O ");
    EXPECT_EQ(args_.jobId(), 4711u);
    EXPECT_EQ(args_.applicationNumberFirst() * 100 + args_.applicationNumberSecond(), 317u);
    EXPECT_EQ(args_.backupType(), KelSQLCmdArgs::kLog);
    EXPECT_EQ(args_.percentage(), 40);
    EXPECT_TRUE(args_.validateBackupOptions());
    EXPECT_FALSE(args_.validateInteractiveBackupOptions() || args_.validateRestoreOptions());
    args_.databaseBackupTypeOverride();
    EXPECT_EQ(args_.backupType(), KelSQLCmdArgs::kFull);
    EXPECT_EQ(args_.savedBackupType(), KelSQLCmdArgs::kLog);
    EXPECT_TRUE(args_.isBackupTypeOverridden());

    KelSQLCmdArgs interactive;
    ASSERT_TRUE(interactive.setBackupTypeInteractive("Diff") && interactive.setSqlServerInstance("HOSTA\\SQL 2000") &&
                interactive.setSqlDatabaseName("Sales Archive") && interactive.setVirtualMachine("HOSTA") &&
                interactive.setBackupDescription("nightly - before upgrade"));
    EXPECT_EQ(interactive.backupType(), KelSQLCmdArgs::kDifferential);
    EXPECT_EQ(interactive.sqlServerInstance() + "|" + interactive.sqlDatabaseName() + "|" + interactive.description(),
              "HOSTA\\SQL 2000|Sales Archive|nightly - before upgrade");
    EXPECT_TRUE(interactive.validateInteractiveBackupOptions());
    EXPECT_FALSE(interactive.validateBackupOptions());

    // A restore refuses any backup option.
    const auto restore = [](KelSQLCmdArgs& a) {
        return a.setJobId("12") && a.setRestoreTaskId("88") && a.setVirtualMachine("HOSTA");
    };
    KelSQLCmdArgs plain, described, withInstance;
    ASSERT_TRUE(restore(plain) && restore(described) && restore(withInstance));
    EXPECT_EQ(plain.restoreTaskId(), 88u);
    EXPECT_TRUE(plain.validateRestoreOptions());
    ASSERT_TRUE(described.setBackupDescription("") && withInstance.setSqlServerInstance("HOSTA"));
    EXPECT_FALSE(described.validateRestoreOptions() || withInstance.validateRestoreOptions());
}

TEST_F(CmdArgsTest, ValuesAreWholeOrRefusedUnchanged) {
    for (const char* bad : {"", "0", "12x", "-1", " 7", "18446744073709551616"})
        EXPECT_FALSE(args_.setJobId(bad) || args_.setRestoreTaskId(bad)) << bad;
    EXPECT_FALSE(args_.isJobIdGiven() || args_.isRestoreTaskIdGiven() || args_.setJobId(0ull));
    ASSERT_TRUE(args_.setJobId("18446744073709551615"));
    EXPECT_EQ(args_.jobId(), 18446744073709551615ull);
    ASSERT_TRUE(args_.setPercentage("-5"));
    EXPECT_FALSE(args_.setPercentage("50%") || args_.setPercentage("3000000000"));
    EXPECT_EQ(args_.percentage(), -5);

    for (const char* bad : {"2:", "2", ""}) EXPECT_FALSE(args_.setApplicationNumber(bad)) << bad;
    EXPECT_FALSE(args_.isApplicationNumberGiven());
    ASSERT_TRUE(args_.setApplicationNumber(":5"));
    EXPECT_EQ(args_.applicationNumberFirst() * 100 + args_.applicationNumberSecond(), 5u);
    for (const char* bad : {"a:b", "2:x5", "2:5x", "-2:5", "2:0", "2:99999999999999999999"})
        EXPECT_FALSE(args_.setApplicationNumber(bad)) << bad;
    EXPECT_EQ(args_.applicationNumberSecond(), 5u);
    EXPECT_FALSE(args_.setApplicationNumber(0, 3) || args_.setApplicationNumber(3, 0));

    EXPECT_FALSE(args_.setBackupType("d") || args_.setBackupType("") || args_.isBackupTypeGiven());
    ASSERT_TRUE(args_.setBackupType("Incremental"));
    EXPECT_EQ(args_.backupType(), KelSQLCmdArgs::kDifferential);
    ASSERT_TRUE(args_.setBackupTypeInteractive("FULL"));
    EXPECT_FALSE(args_.setBackupTypeInteractive("fulls"));
    EXPECT_EQ(args_.backupType(), KelSQLCmdArgs::kFull);

    // The database owner travels in the network form only.
    std::string cipher;
    ASSERT_TRUE(encryptNetworkSQLPassword("dbo_user", "s3cret -x", cipher));
    EXPECT_FALSE(args_.setDBO("plain text") || args_.setDBO("") || args_.isDBOGiven());
    ASSERT_TRUE(args_.setDBO(cipher));
    EXPECT_TRUE(args_.isDBOGiven());
    EXPECT_EQ(args_.dbo().sqlUser() + ":" + args_.dbo().sqlPassword(), "dbo_user:s3cret -x");
}

}  // namespace
