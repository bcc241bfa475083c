// Conversions, comparisons and texts of KelSQLDateAndTime (run in UTC).
#include <gtest/gtest.h>

#include <string>

#include "KelSQL/KelSQLDateAndTime.h"
#include "KelSQL/KelSQLErrors.h"
#include "platform/events/KelDebug.h"
#include "support/TestHome.h"

namespace {

// 2021-03-07 14:05:09 UTC
constexpr unsigned long kSample = 1615125909UL;

class DateAndTimeTest : public kel::test::HomeTest {};

TEST_F(DateAndTimeTest, TextsOfASetTime) {
    KelSQLDateAndTime t(kSample);
    EXPECT_STREQ(t.odbcDateFormat(false), "{ts'2021-03-07 14:05:09'}");
    EXPECT_STREQ(t.odbcDateFormat(true), "{ts+'2021-03-07 14:05:09+'}");
    EXPECT_EQ(t.formatMMDDYYYYHHMMSS(), "03-07-2021 14:05:09");
    EXPECT_EQ(t.stopAt(), "Mar 07, 2021 02:05:09 PM");
}

TEST_F(DateAndTimeTest, EmptyValueHasZeroTimestamp) {
    KelSQLDateAndTime t;
    EXPECT_EQ(t.time(), 0u);
    EXPECT_STREQ(t.odbcDateFormat(false), "{ts'0000-00-00 00:00:00'}");
    t.setTime(static_cast<long>(kSample));
    t.setTime(0L);
    EXPECT_EQ(t.timeStamp().year, 0);
    EXPECT_EQ(t.timeStamp().day, 0);
}

TEST_F(DateAndTimeTest, UnconvertibleTimesGiveTheZeroTimestamp) {
    KelSQLDateAndTime t(~0UL);
    EXPECT_EQ(t.timeStamp().year, 0);
    EXPECT_EQ(t.timeStamp().month, 0);
    // Far outside any calendar local time can hold.
    t.setTime(static_cast<long>(0x7FFFFFFFFFFFFFF0LL));
    EXPECT_EQ(t.timeStamp().year, 0);
    EXPECT_EQ(t.stopAt(), "");
    // Only the low 32 bits set is an ordinary time (2106).
    t.setTime(static_cast<long>(0xFFFFFFFFUL));
    EXPECT_EQ(t.timeStamp().year, 2106);
}

TEST_F(DateAndTimeTest, WireRecordRoundTripIgnoresFraction) {
    KelNetSQLDateTime_t w;
    w.Fraction = 77;
    KelSQLDateAndTime t(kSample);
    t.setTime(w);
    EXPECT_EQ(t.time(), 0u);

    w.Year = 2021;
    w.Month = 3;
    w.Day = 7;
    w.Hour = 14;
    w.Minute = 5;
    w.Second = 9;
    t.setTime(w);
    EXPECT_EQ(t.time(), kSample);
    EXPECT_EQ(t.timeStamp().fraction, 0u);
    EXPECT_TRUE(t == w);
    w.Second = 10;
    EXPECT_TRUE(t != w);
    EXPECT_TRUE(t <= w);
    w.Second = 8;
    EXPECT_FALSE(t <= w);
}

TEST_F(DateAndTimeTest, TimestampKeepsFractionButEqualityIgnoresIt) {
    TIMESTAMP_STRUCT ts;
    ts.year = 2021;
    ts.month = 3;
    ts.day = 7;
    ts.hour = 14;
    ts.minute = 5;
    ts.second = 9;
    ts.fraction = 500;
    KelSQLDateAndTime t;
    t.setTime(ts);
    EXPECT_EQ(t.time(), kSample);
    EXPECT_EQ(t.timeStamp().fraction, 500u);
    ts.fraction = 0;
    EXPECT_TRUE(t == ts);
    EXPECT_TRUE(t <= ts);
    ts.minute = 4;
    EXPECT_TRUE(t != ts);
    EXPECT_FALSE(t <= ts);
    EXPECT_FALSE(t <= TIMESTAMP_STRUCT());
}

TEST_F(DateAndTimeTest, ComparisonsOfSeconds) {
    KelSQLDateAndTime t(kSample), later(kSample + 1);
    EXPECT_EQ(t.compare(kSample + 1), 1);
    EXPECT_EQ(t.compare(kSample), 0);
    EXPECT_EQ(t.compare(kSample - 1), -1);
    EXPECT_TRUE(t <= later);
    EXPECT_FALSE(later <= t);
}

TEST_F(DateAndTimeTest, CurrentTimeSurvivesTheTimestamp) {
    KelSQLDateAndTime t;
    unsigned long now = t.setCurrent();
    KelSQLDateAndTime back;
    back.setTime(t.timeStamp());
    EXPECT_EQ(back.time(), now);
}

TEST_F(DateAndTimeTest, TimeZoneRecalculationFailsWithANumber) {
    KelSQLDateAndTime t(kSample);
    SIM_TimeZoneInfo_t zone;
    unsigned long result = 5;
    EXPECT_FALSE(t.recalculateWithTimeZoneFromServer(kSample, nullptr, result));
    EXPECT_EQ(kel::test::readFile(KelDebug::logFilePath()).find("SQLDrover"), std::string::npos);
    EXPECT_EQ(t.getLastError().number(), kelsql::kErrNotSupported);

    EXPECT_FALSE(t.recalculateWithTimeZone(kSample, &zone, result));
    EXPECT_EQ(result, 5u);
    EXPECT_EQ(t.getLastError().number(), kelsql::kErrNotSupported);
    std::string log = kel::test::readFile(KelDebug::logFilePath());
    EXPECT_NE(log.find("ERROR KelSQLDateAndTime::recalculateWithTimeZone(): "
                       "This function is not supported by SQLDrover."),
              std::string::npos);
}

}  // namespace
