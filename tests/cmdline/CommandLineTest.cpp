#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "KelSQL/KelCommandLine.h"

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
        EXPECT_EQ(scan(c.text), c.want) << c.text;
        std::string arg = "x";
        EXPECT_FALSE(line_.getArgument(arg));
        EXPECT_EQ(line_.getNextOption(), 0);
    }
}

TEST_F(CommandLineTest, ArgumentsEndWithTheTextOrTheirBuffer) {
    std::string arg;
    EXPECT_FALSE(line_.getArgument(arg));  // no text yet
    EXPECT_EQ(line_.getNextOption(), 0);
    ASSERT_TRUE(line_.setCommandLine("-j"));
    ASSERT_EQ(line_.getNextOption(), 'j');
    EXPECT_TRUE(line_.getArgument(arg));
    EXPECT_EQ(arg, "");
    EXPECT_EQ(line_.getNextOption(), 0);
    EXPECT_FALSE(line_.getArgument(arg));
    ASSERT_TRUE(line_.setCommandLine("x -"));
    EXPECT_EQ(line_.getNextOption(), 0);
    EXPECT_FALSE(line_.getArgument(arg));

    ASSERT_TRUE(line_.setCommandLine("-d \"my backup -j 5"));
    ASSERT_EQ(line_.getNextOption(), 'd');
    char out[64];
    std::memset(out, 'x', sizeof(out));
    EXPECT_FALSE(line_.getArgument(out, sizeof(out)));  // unclosed quote
    EXPECT_EQ(out[0], '\0');
    EXPECT_EQ(line_.getNextOption(), 0);

    ASSERT_TRUE(line_.setCommandLine("-d abcdef -j 1"));
    ASSERT_EQ(line_.getNextOption(), 'd');
    EXPECT_FALSE(line_.getArgument(out, 6));
    EXPECT_STREQ(out, "");
    EXPECT_FALSE(line_.getArgument(nullptr, 10));
    ASSERT_TRUE(line_.setCommandLine("-d abcdef -j 1"));
    ASSERT_EQ(line_.getNextOption(), 'd');
    ASSERT_TRUE(line_.getArgument(out, 7));
    EXPECT_STREQ(out, "abcdef");
    ASSERT_EQ(line_.getNextOption(), 'j');
    std::vector<char> whole(line_.length() + 1);
    ASSERT_TRUE(line_.getArgument(whole.data()));
    EXPECT_STREQ(whole.data(), "1");
}

TEST_F(CommandLineTest, LongNamesNewTextsAndCopies) {
    ASSERT_TRUE(line_.setCommandLine("-jobid 99 -j 3"));
    ASSERT_EQ(line_.getNextOption(), 'j');
    EXPECT_FALSE(line_.isOption("jobids") || line_.isOption(""));
    ASSERT_TRUE(line_.isOption("jobid"));
    std::string arg;
    ASSERT_TRUE(line_.getArgument(arg));
    EXPECT_EQ(arg, "99");
    ASSERT_EQ(line_.getNextOption(), 'j');
    EXPECT_FALSE(line_.isOption("jobid"));

    // A refused text keeps the old one; a new one restarts.
    ASSERT_TRUE(line_.setCommandLine("-a 1 -b 2"));
    ASSERT_EQ(line_.getNextOption(), 'a');
    EXPECT_FALSE(line_.setCommandLine(nullptr) || line_.setCommandLine(""));
    EXPECT_STREQ(line_.commandLine(), "-a 1 -b 2");
    // Copies scan on their own.
    KelCommandLine copy = line_;
    ASSERT_TRUE(copy.getArgument(arg));
    EXPECT_EQ(copy.getNextOption(), 'b');
    {
        KelCommandLine other;
        other = copy;
        line_ = other;
    }
    std::string mine, theirs;
    ASSERT_TRUE(line_.getArgument(mine) && copy.getArgument(theirs));
    EXPECT_EQ(mine + theirs, "22");
    ASSERT_TRUE(line_.setCommandLine("-c 3"));
    EXPECT_STREQ(line_.commandLine(), "-c 3");
    EXPECT_EQ(line_.getNextOption(), 'c');
}

}  // namespace
