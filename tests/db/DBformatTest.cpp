#include <gtest/gtest.h>

#include <string>

#include "platform/db/KelDBDataType.h"
#include "platform/db/DBEngine.h"
#include "platform/db/DBtable.h"

namespace {

TEST(DBformat, TimestampLiteralsAreRewrittenOutsideTexts) {
    std::string out, error;
    ASSERT_TRUE(DBrewriteTimestamps("a = {ts'2024-1-2 3:4:5'} and b = {ts+'2024-01-02 03:04:05.000+'} and c = '{ts''x''}'",
                                    out, error));
    EXPECT_EQ(out, "a = '2024-01-02 03:04:05' and b = '2024-01-02 03:04:05' and c = '{ts''x''}'");
    EXPECT_FALSE(DBrewriteTimestamps("a = {ts'0000-00-00 00:00:00'}", out, error));
    EXPECT_FALSE(DBrewriteTimestamps("a = {ts'2024-13-01 00:00:00'}", out, error));
    EXPECT_FALSE(DBrewriteTimestamps("a = {ts'2024-01-01 00:00:00'", out, error));
}

TEST(DBformat, CallDBsprintfGrowsItsOwnBuffersAndKeepsNothingThatDoesNotFitOthers) {
    DBtable table("t", 0, nullptr);
    std::string text(300, '\'');
    table.valuesClauseCheck(10);
    int n = table.CallDBsprintf(table.getValuesBuffer(), table.getValuesBufferSize(), "%s",
                                kel::sql::quoted(text).c_str());
    EXPECT_EQ(n, 602);
    EXPECT_EQ(std::string(table.getValuesBuffer()).size(), 602u);
    char small[8];
    EXPECT_EQ(table.CallDBsprintf(small, sizeof small, "%s", "0123456789"), -1);
    EXPECT_STREQ(small, "");  // a cut statement could still run
}

TEST(DBformat, SixtyFourBitValuesSplitWithAnUnsignedLowHalf) {
    long high = 0, low = 0;
    dLongToLongDB(0x00000001FFFFFFFFLL, &high, &low);
    EXPECT_EQ(high, 1);
    EXPECT_EQ(low, -1);
    long long back = 0;
    longToDlongDB(&back, high, low);
    EXPECT_EQ(back, 0x00000001FFFFFFFFLL);
}

TEST(DBformat, ValueNullFlagAndClearing) {
    KelDB_int64 big;
    EXPECT_TRUE(big.isNull());
    long long v = 5000000000LL;
    ASSERT_TRUE(big.setData(reinterpret_cast<const char*>(&v), 0, sizeof v, false));
    EXPECT_TRUE(big.isNull());  // setData leaves the null flag
    EXPECT_FALSE(big.setData(reinterpret_cast<const char*>(&v), 4, sizeof v, false));
    big.setInternalNull(false);
    EXPECT_EQ(big.toString(0), "5000000000");

    KelDB_string text;
    ASSERT_TRUE(text.setData("abc", 0, 3, false));
    text.setInternalNull(false);
    EXPECT_EQ(text.value(), "abc");
    text.setInternalNull(true);
    EXPECT_EQ(text.value(), "");
}

TEST(DBformat, ParameterizeLiftsValuesButNotNames) {
    std::string out;
    std::vector<DBParam> params;
    DBparameterize("jobId_h = 12 and t1.x2 = -3 and n = 'O''B' and b = x'0a' and \"c 4\" = 1.5", out, params);
    EXPECT_EQ(out, "jobId_h = ? and t1.x2 = -? and n = ? and b = x'0a' and \"c 4\" = 1.5");  // decimals stay as written
    ASSERT_EQ(params.size(), 3u);
    EXPECT_EQ(params[0].number, 12);
    EXPECT_EQ(params[1].number, 3);
    EXPECT_TRUE(params[2].isText);
    EXPECT_EQ(params[2].text, "O'B");
}

// A quote inside a comment opens no literal (SQLite reads it so): the
// literal after the comment is lifted whole, the comment left as written.
TEST(DBformat, ParameterizeLeavesAQuoteInACommentAlone) {
    std::string out;
    std::vector<DBParam> params;
    DBparameterize("a = 1 /* it's */ and b = '*/ or ? --' /* open", out, params);
    EXPECT_EQ(out, "a = ? /* it's */ and b = ? /* open");
    ASSERT_EQ(params.size(), 2u);
    EXPECT_EQ(params[1].text, "*/ or ? --");
}

}  // namespace
