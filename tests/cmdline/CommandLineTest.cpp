// The command line scanner, and the job options of the executables as the
// library checks and keeps them.
#include <gtest/gtest.h>

#include <vector>

#include "KelSQL/KelCommandLine.h"
#include "KelSQL/KelSQLCmdArgs.h"
#include "support/TestHome.h"

namespace {

using Options = std::vector<std::pair<char, std::string>>;

class CommandLineTest : public ::testing::Test {
protected:
    // Every option with its argument, until the text runs out.
    Options scan(const char* text) {
        EXPECT_TRUE(line_.setCommandLine(text));
        Options found;
        for (char c; (c = line_.getNextOption()) != 0;) {
            std::string arg;
            EXPECT_TRUE(line_.getArgument(arg)) << "option " << c;
            found.emplace_back(c, arg);
        }
        return found;
    }

    // Sets text and moves to its first option.
    char first(const char* text) { return line_.setCommandLine(text) ? line_.getNextOption() : 0; }

    KelCommandLine line_;
};

TEST_F(CommandLineTest, OptionsAndTheirArguments) {
    const struct {
        const char* text;
        Options want;
    } cases[] = {
        {"-j 12 -a 2:33 -t D", {{'j', "12"}, {'a', "2:33"}, {'t', "D"}}},
        {"/j 4711 /a 3:17 -t L -i HOSTA\\SQL2000 -d \"Sales Archive\" "
         "-p 'C:\\Program Files\\Kel\\Staging  ' -r 88 -c \"  /var/opt/kel/tmp dir\"",
         {{'j', "4711"}, {'a', "3:17"}, {'t', "L"}, {'i', "HOSTA\\SQL2000"}, {'d', "Sales Archive"},
          {'p', "C:\\Program Files\\Kel\\Staging"}, {'r', "88"}, {'c', "/var/opt/kel/tmp dir"}}},
        // A quoted value ending in a marker does not start an option.
        {"-p \"/var/backups/\" -d 'a -' -j 5", {{'p', "/var/backups/"}, {'d', "a -"}, {'j', "5"}}},
        // Only a marker after a space ends an unquoted value.
        {"-p tmp/x-1 -s 2021-03-07 -n a -b", {{'p', "tmp/x-1"}, {'s', "2021-03-07"}, {'n', "a"}, {'b', ""}}},
        // A value that begins with a marker must be quoted: unquoted it is the next option.
        {"-p /abs -j \"-1\"", {{'p', ""}, {'a', "bs"}, {'j', "-1"}}},
        // A tab does not end a value, a space does.
        {"-x a\t-b -c -q \"  \" -e x", {{'x', "a\t-b"}, {'c', ""}, {'q', ""}, {'e', "x"}}},
    };
    for (const auto& c : cases) {
        std::string arg = "x";
        EXPECT_EQ(scan(c.text), c.want) << c.text;
        EXPECT_FALSE(line_.getArgument(arg) || line_.getNextOption() != 0);
    }
}

TEST_F(CommandLineTest, ArgumentsEndWithTheTextOrTheirBuffer) {
    std::string arg;
    EXPECT_FALSE(line_.getArgument(arg) || line_.getNextOption() != 0);  // no text yet
    EXPECT_EQ(scan("-j"), (Options{{'j', ""}}));
    EXPECT_EQ(scan("x -"), Options{});

    ASSERT_EQ(first("-d \"my backup -j 5"), 'd');
    char out[64] = "x";
    EXPECT_FALSE(line_.getArgument(out, sizeof(out)));  // unclosed quote
    EXPECT_TRUE(out[0] == '\0' && line_.getNextOption() == 0);

    ASSERT_EQ(first("-d abcdef -j 1"), 'd');
    EXPECT_FALSE(line_.getArgument(out, 6) || out[0] != '\0' || line_.getArgument(nullptr, 10));
    ASSERT_EQ(first("-d abcdef -j 1"), 'd');
    ASSERT_TRUE(line_.getArgument(out, 7) && std::string(out) == "abcdef");
    ASSERT_EQ(line_.getNextOption(), 'j');
    std::vector<char> whole(line_.length() + 1);
    ASSERT_TRUE(line_.getArgument(whole.data()) && std::string(whole.data()) == "1");
}

TEST_F(CommandLineTest, LongNamesNewTextsAndCopies) {
    ASSERT_EQ(first("-jobid 99 -j 3"), 'j');
    std::string arg, mine, theirs;
    EXPECT_FALSE(line_.isOption("jobids") || line_.isOption("") || !line_.isOption("jobid"));
    ASSERT_TRUE(line_.getArgument(arg) && arg == "99");
    EXPECT_TRUE(line_.getNextOption() == 'j' && !line_.isOption("jobid"));

    // A refused text keeps the old one; a new one restarts.
    ASSERT_EQ(first("-a 1 -b 2"), 'a');
    EXPECT_FALSE(line_.setCommandLine(nullptr) || line_.setCommandLine("") || std::string(line_.commandLine()) != "-a 1 -b 2");
    // Copies scan on their own.
    KelCommandLine copy = line_;
    ASSERT_TRUE(copy.getArgument(arg) && copy.getNextOption() == 'b');
    {
        KelCommandLine other;
        other = copy;
        line_ = other;
    }
    ASSERT_TRUE(line_.getArgument(mine) && copy.getArgument(theirs));
    EXPECT_EQ(mine + theirs, "22");
    EXPECT_EQ(first("-c 3"), 'c');
}

using CmdArgsTest = kel::test::HomeTest;

TEST_F(CmdArgsTest, EachJobKindValidatesItsOwnOptions) {
    KelSQLCmdArgs args_;
    args_.setCommandLine("-j 4711 -a 3:17 -t L -v HOSTA -p 40");
    ASSERT_TRUE(args_.setJobId("4711") && args_.setApplicationNumber("3:17") && args_.setBackupType("L") &&
                args_.setVirtualMachine("HOSTA") && args_.setPercentage("40"));
    EXPECT_EQ(args_.commandLine(), "-j 4711 -a 3:17 -t L -v HOSTA -p 40 -O ");
    EXPECT_EQ(std::to_string(args_.jobId()) + " " + std::to_string(args_.applicationNumberFirst()) + ":" +
                  std::to_string(args_.applicationNumberSecond()) + " " + std::to_string(args_.percentage()),
              "4711 3:17 40");
    EXPECT_TRUE(args_.validateBackupOptions() && !args_.validateInteractiveBackupOptions() && !args_.validateRestoreOptions());
    args_.databaseBackupTypeOverride();
    EXPECT_TRUE(args_.backupType() == KelSQLCmdArgs::kFull && args_.savedBackupType() == KelSQLCmdArgs::kLog &&
                args_.isBackupTypeOverridden());

    KelSQLCmdArgs interactive;
    ASSERT_TRUE(interactive.setBackupTypeInteractive("Diff") && interactive.setSqlServerInstance("HOSTA\\SQL 2000") &&
                interactive.setSqlDatabaseName("Sales Archive") && interactive.setVirtualMachine("HOSTA") &&
                interactive.setBackupDescription("nightly - before upgrade"));
    EXPECT_TRUE(interactive.backupType() == KelSQLCmdArgs::kDifferential && interactive.validateInteractiveBackupOptions() &&
                !interactive.validateBackupOptions());

    // A restore refuses any backup option.
    KelSQLCmdArgs plain, described, withInstance;
    for (KelSQLCmdArgs* a : {&plain, &described, &withInstance})
        ASSERT_TRUE(a->setJobId("12") && a->setRestoreTaskId("88") && a->setVirtualMachine("HOSTA"));
    ASSERT_TRUE(described.setBackupDescription("") && withInstance.setSqlServerInstance("HOSTA"));
    EXPECT_TRUE(plain.restoreTaskId() == 88u && plain.validateRestoreOptions() && !described.validateRestoreOptions() &&
                !withInstance.validateRestoreOptions());
}

TEST_F(CmdArgsTest, ValuesAreWholeOrRefusedUnchanged) {
    KelSQLCmdArgs args_;
    for (const char* bad : {"", "0", "12x", "-1", " 7", "18446744073709551616"})
        EXPECT_FALSE(args_.setJobId(bad) || args_.setRestoreTaskId(bad)) << bad;
    EXPECT_FALSE(args_.isJobIdGiven() || args_.isRestoreTaskIdGiven() || args_.setJobId(0ull));
    ASSERT_TRUE(args_.setJobId("18446744073709551615") && args_.setPercentage("-5"));
    EXPECT_FALSE(args_.setPercentage("50%") || args_.setPercentage("3000000000"));
    EXPECT_TRUE(args_.jobId() == 18446744073709551615ull && args_.percentage() == -5);

    for (const char* bad : {"2:", "2", ""}) EXPECT_FALSE(args_.setApplicationNumber(bad)) << bad;
    EXPECT_FALSE(args_.isApplicationNumberGiven() || !args_.setApplicationNumber(":5"));
    for (const char* bad : {"a:b", "2:x5", "2:5x", "-2:5", "2:0", "2:99999999999999999999"})
        EXPECT_FALSE(args_.setApplicationNumber(bad)) << bad;
    EXPECT_FALSE(args_.setApplicationNumber(0, 3) || args_.setApplicationNumber(3, 0));
    EXPECT_EQ(args_.applicationNumberFirst() * 100 + args_.applicationNumberSecond(), 5u);

    EXPECT_FALSE(args_.setBackupType("d") || args_.setBackupType("") || args_.isBackupTypeGiven());
    EXPECT_TRUE(args_.setBackupType("Incremental") && args_.backupType() == KelSQLCmdArgs::kDifferential);
    EXPECT_TRUE(args_.setBackupTypeInteractive("FULL") && !args_.setBackupTypeInteractive("fulls"));
    EXPECT_EQ(args_.backupType(), KelSQLCmdArgs::kFull);

    // The database owner travels in the network form only.
    std::string cipher;
    ASSERT_TRUE(encryptNetworkSQLPassword("dbo_user", "s3cret -x", cipher));
    EXPECT_FALSE(args_.setDBO("plain text") || args_.setDBO("") || args_.isDBOGiven() || !args_.setDBO(cipher));
    EXPECT_EQ(args_.dbo().sqlUser() + ":" + args_.dbo().sqlPassword(), "dbo_user:s3cret -x");
}

}  // namespace
