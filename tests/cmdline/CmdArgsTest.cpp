#include <gtest/gtest.h>

#include <string>

#include "KelSQL/KelCommandLine.h"
#include "KelSQL/KelSQLCmdArgs.h"
#include "support/TestHome.h"

namespace {

// The executables' letters as a test driver feeds them; the library does not
// fix them.
bool parseJob(const std::string& text, KelSQLCmdArgs& args) {
    KelCommandLine line;
    if (!line.setCommandLine(text.c_str())) return false;
    args.setCommandLine(text);
    for (char c; (c = line.getNextOption()) != 0;) {
        std::string v;
        if (!line.getArgument(v)) return false;
        bool ok = false;
        switch (c) {
        case 'j': ok = args.setJobId(v); break;
        case 'a': ok = args.setApplicationNumber(v); break;
        case 't': ok = args.setBackupType(v); break;
        case 'T': ok = args.setBackupTypeInteractive(v); break;
        case 'v': ok = args.setVirtualMachine(v); break;
        case 'i': ok = args.setSqlServerInstance(v); break;
        case 'd': ok = args.setSqlDatabaseName(v); break;
        case 'D': ok = args.setBackupDescription(v); break;
        case 'r': ok = args.setRestoreTaskId(v); break;
        case 'o': ok = args.setDBO(v); break;
        case 'p': ok = args.setPercentage(v); break;
        default: ok = false;
        }
        if (!ok) return false;
    }
    return true;
}

class CmdArgsTest : public kel::test::HomeTest {
protected:
    KelSQLCmdArgs args_;
};

TEST_F(CmdArgsTest, ScheduledBackup) {
    ASSERT_TRUE(parseJob("-j 4711 -a 3:17 -t L -v HOSTA -p 40", args_));
    EXPECT_EQ(args_.jobId(), 4711u);
    EXPECT_EQ(args_.applicationNumberFirst(), 3u);
    EXPECT_EQ(args_.applicationNumberSecond(), 17u);
    EXPECT_EQ(args_.backupType(), KelSQLCmdArgs::kLog);
    EXPECT_EQ(args_.percentage(), 40);
    EXPECT_EQ(args_.commandLine(), "-j 4711 -a 3:17 -t L -v HOSTA -p 40 -O ");
    EXPECT_TRUE(args_.validateBackupOptions());
    EXPECT_FALSE(args_.validateInteractiveBackupOptions());
    EXPECT_FALSE(args_.validateRestoreOptions());
    args_.databaseBackupTypeOverride();
    EXPECT_EQ(args_.backupType(), KelSQLCmdArgs::kFull);
    EXPECT_EQ(args_.savedBackupType(), KelSQLCmdArgs::kLog);
    EXPECT_TRUE(args_.isBackupTypeOverridden());
}

TEST_F(CmdArgsTest, InteractiveBackupWithQuotedNames) {
    ASSERT_TRUE(parseJob("-T Diff -i \"HOSTA\\SQL 2000\" -d \"Sales Archive\" -v HOSTA "
                         "-D \"nightly - before upgrade\"",
                         args_));
    EXPECT_EQ(args_.backupType(), KelSQLCmdArgs::kDifferential);
    EXPECT_EQ(args_.sqlServerInstance(), "HOSTA\\SQL 2000");
    EXPECT_EQ(args_.sqlDatabaseName(), "Sales Archive");
    EXPECT_EQ(args_.description(), "nightly - before upgrade");
    EXPECT_TRUE(args_.validateInteractiveBackupOptions());
    EXPECT_FALSE(args_.validateBackupOptions());
}

TEST_F(CmdArgsTest, RestoreRefusesAnyBackupOption) {
    ASSERT_TRUE(parseJob("-j 12 -r 88 -v HOSTA", args_));
    EXPECT_EQ(args_.restoreTaskId(), 88u);
    EXPECT_TRUE(args_.validateRestoreOptions());
    ASSERT_TRUE(args_.setBackupDescription(""));
    EXPECT_FALSE(args_.validateRestoreOptions());

    KelSQLCmdArgs withInstance;
    ASSERT_TRUE(parseJob("-j 12 -r 88 -v HOSTA -i HOSTA", withInstance));
    EXPECT_FALSE(withInstance.validateRestoreOptions());
}

TEST_F(CmdArgsTest, DatabaseOwnerTravelsInTheNetworkForm) {
    std::string cipher;
    ASSERT_TRUE(encryptNetworkSQLPassword("dbo_user", "s3cret -x", cipher));
    // Base64 may begin with '/', so the executables quote it.
    ASSERT_TRUE(parseJob("-o \"" + cipher + "\" -j 5", args_));
    EXPECT_TRUE(args_.isDBOGiven());
    EXPECT_EQ(args_.dbo().sqlUser(), "dbo_user");
    EXPECT_EQ(args_.dbo().sqlPassword(), "s3cret -x");
    EXPECT_EQ(args_.jobId(), 5u);

    KelSQLCmdArgs other;
    EXPECT_FALSE(other.setDBO("plain text"));
    EXPECT_FALSE(other.setDBO(""));
    EXPECT_FALSE(other.isDBOGiven());
}

TEST_F(CmdArgsTest, ApplicationNumberForms) {
    EXPECT_FALSE(args_.setApplicationNumber("2:"));
    EXPECT_FALSE(args_.setApplicationNumber("2"));
    EXPECT_FALSE(args_.setApplicationNumber(""));
    EXPECT_FALSE(args_.isApplicationNumberGiven());
    ASSERT_TRUE(args_.setApplicationNumber(":5"));
    EXPECT_EQ(args_.applicationNumberFirst(), 0u);
    EXPECT_EQ(args_.applicationNumberSecond(), 5u);
    for (const char* bad : {"a:b", "2:x5", "2:5x", "-2:5", "2:0", "2:99999999999999999999"}) {
        EXPECT_FALSE(args_.setApplicationNumber(bad)) << bad;
    }
    EXPECT_EQ(args_.applicationNumberSecond(), 5u);
    EXPECT_FALSE(args_.setApplicationNumber(0, 3));
    EXPECT_FALSE(args_.setApplicationNumber(3, 0));
}

TEST_F(CmdArgsTest, NumbersMustBeWholeDecimals) {
    for (const char* bad : {"", "0", "12x", "-1", " 7", "18446744073709551616"}) {
        EXPECT_FALSE(args_.setJobId(bad)) << bad;
        EXPECT_FALSE(args_.setRestoreTaskId(bad)) << bad;
    }
    EXPECT_FALSE(args_.isJobIdGiven());
    EXPECT_FALSE(args_.isRestoreTaskIdGiven());
    EXPECT_FALSE(args_.setJobId(0ull));
    ASSERT_TRUE(args_.setJobId("18446744073709551615"));
    EXPECT_EQ(args_.jobId(), 18446744073709551615ull);
    ASSERT_TRUE(args_.setPercentage("-5"));
    EXPECT_EQ(args_.percentage(), -5);
    EXPECT_FALSE(args_.setPercentage("50%"));
    EXPECT_FALSE(args_.setPercentage("3000000000"));
    EXPECT_EQ(args_.percentage(), -5);
}

TEST_F(CmdArgsTest, BackupTypeLetters) {
    EXPECT_FALSE(args_.setBackupType("d"));
    EXPECT_FALSE(args_.setBackupType(""));
    EXPECT_FALSE(args_.isBackupTypeGiven());
    ASSERT_TRUE(args_.setBackupType("Incremental"));
    EXPECT_EQ(args_.backupType(), KelSQLCmdArgs::kDifferential);
    ASSERT_TRUE(args_.setBackupTypeInteractive("FULL"));
    EXPECT_EQ(args_.backupType(), KelSQLCmdArgs::kFull);
    EXPECT_FALSE(args_.setBackupTypeInteractive("fulls"));
    EXPECT_EQ(args_.backupType(), KelSQLCmdArgs::kFull);
}

}  // namespace
