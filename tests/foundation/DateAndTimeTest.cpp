// Conversions, comparisons and texts of KelSQLDateAndTime (run in UTC).
#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "KelSQL/KelSQLDateAndTime.h"
#include "KelSQL/KelSQLErrors.h"
#include "platform/events/KelDebug.h"
#include "support/TestHome.h"

namespace {

// 2021-03-07 14:05:09 UTC
constexpr unsigned long kSample = 1615125909UL;
constexpr const char* kZero = "{ts'0000-00-00 00:00:00'}";

class DateAndTimeTest : public kel::test::HomeTest {};

TEST_F(DateAndTimeTest, TextsOfSetZeroAndUnconvertibleTimes) {
    KelSQLDateAndTime t(kSample);
    EXPECT_STREQ(t.odbcDateFormat(false), "{ts'2021-03-07 14:05:09'}");
    EXPECT_STREQ(t.odbcDateFormat(true), "{ts+'2021-03-07 14:05:09+'}");
    EXPECT_EQ(t.formatMMDDYYYYHHMMSS() + "|" + t.stopAt(), "03-07-2021 14:05:09|Mar 07, 2021 02:05:09 PM");
    t.setTime(0L);
    EXPECT_STREQ(t.odbcDateFormat(false), kZero);
    EXPECT_EQ(KelSQLDateAndTime().time(), 0u);
    EXPECT_STREQ(KelSQLDateAndTime(~0UL).odbcDateFormat(false), kZero);
    // Far outside any calendar local time can hold.
    t.setTime(static_cast<long>(0x7FFFFFFFFFFFFFF0LL));
    EXPECT_STREQ(t.odbcDateFormat(false), kZero);
    EXPECT_EQ(t.stopAt(), "");
    // Only the low 32 bits set is an ordinary time (2106).
    t.setTime(static_cast<long>(0xFFFFFFFFUL));
    EXPECT_EQ(t.timeStamp().year, 2106);
    const unsigned long now = t.setCurrent();
    EXPECT_LE(static_cast<long>(now) - static_cast<long>(std::time(nullptr)), 1);
    KelSQLDateAndTime back;
    back.setTime(t.timeStamp());
    EXPECT_EQ(back.time(), now);
}

TEST_F(DateAndTimeTest, WireRecordTimestampAndSecondsCompare) {
    KelNetSQLDateTime_t w;
    w.Fraction = 77;
    KelSQLDateAndTime t(kSample);
    t.setTime(w);
    EXPECT_EQ(t.time(), 0u);
    w.Year = 2021, w.Month = 3, w.Day = 7, w.Hour = 14, w.Minute = 5, w.Second = 9;
    t.setTime(w);
    EXPECT_EQ(t.time(), kSample);
    EXPECT_EQ(t.timeStamp().fraction, 0u);
    EXPECT_TRUE(t == w);
    w.Second = 10;
    EXPECT_TRUE(t != w && t <= w);
    w.Second = 8;
    EXPECT_FALSE(t <= w);

    // A timestamp keeps its fraction, which equality ignores.
    TIMESTAMP_STRUCT ts = t.timeStamp();
    ts.fraction = 500;
    KelSQLDateAndTime f;
    f.setTime(ts);
    EXPECT_EQ(f.time(), kSample);
    EXPECT_EQ(f.timeStamp().fraction, 500u);
    ts.fraction = 0;
    EXPECT_TRUE(f == ts && f <= ts);
    ts.minute = 4;
    EXPECT_TRUE(f != ts);
    EXPECT_FALSE(f <= ts);
    EXPECT_FALSE(f <= TIMESTAMP_STRUCT());

    KelSQLDateAndTime later(kSample + 1);
    EXPECT_EQ(std::to_string(t.compare(kSample + 1)) + std::to_string(t.compare(kSample)) +
                  std::to_string(t.compare(kSample - 1)),
              "10-1");
    EXPECT_TRUE(t <= later);
    EXPECT_FALSE(later <= t);
}

TEST_F(DateAndTimeTest, TimeZoneRecalculationFailsWithANumber) {
    KelSQLDateAndTime t(kSample);
    SIM_TimeZoneInfo_t zone;
    unsigned long result = 5;
    EXPECT_FALSE(t.recalculateWithTimeZoneFromServer(kSample, nullptr, result));
    EXPECT_EQ(kel::test::readFile(KelDebug::logFilePath()).find("SQLDrover"), std::string::npos);
    EXPECT_EQ(t.getLastError().number(), kelsql::kErrNotSupported);
    t.getLastError().clear();
    EXPECT_FALSE(t.recalculateWithTimeZone(kSample, &zone, result));
    EXPECT_EQ(result, 5u);
    EXPECT_EQ(t.getLastError().number(), kelsql::kErrNotSupported);
    EXPECT_NE(kel::test::readFile(KelDebug::logFilePath())
                  .find("ERROR KelSQLDateAndTime::recalculateWithTimeZone(): "
                        "This function is not supported by SQLDrover."),
              std::string::npos);
}

}  // namespace
