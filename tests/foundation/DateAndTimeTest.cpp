// Conversions, comparisons and texts of KelSQLDateAndTime (run in UTC).
#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "KelSQL/KelSQLDateAndTime.h"
#include "KelSQL/KelSQLErrors.h"
#include "platform/events/KelDebug.h"
#include "support/Checks.h"
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
    // Zero, all ones, and far outside any calendar local time can hold.
    EXPECT_EQ(std::string(KelSQLDateAndTime(0UL).odbcDateFormat(false)) + KelSQLDateAndTime(~0UL).odbcDateFormat(false),
              std::string(kZero) + kZero);
    t.setTime(static_cast<long>(0x7FFFFFFFFFFFFFF0LL));
    EXPECT_EQ(t.odbcDateFormat(false) + t.stopAt(), kZero);
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
    EXPECT_EQ(t.time() + t.timeStamp().fraction, kSample);
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
    EXPECT_EQ(f.time() * 1000 + f.timeStamp().fraction, kSample * 1000 + 500);
    ts.fraction = 0;
    EXPECT_TRUE(f == ts && f <= ts);
    ts.minute = 4;
    EXPECT_TRUE(f != ts && !(f <= ts) && !(f <= TIMESTAMP_STRUCT()));

    KelSQLDateAndTime later(kSample + 1);
    EXPECT_EQ(std::to_string(t.compare(kSample + 1)) + std::to_string(t.compare(kSample)) +
                  std::to_string(t.compare(kSample - 1)),
              "10-1");
    EXPECT_TRUE(t <= later && !(later <= t));
}

TEST_F(DateAndTimeTest, TimeZoneRecalculationFailsWithANumber) {
    KelSQLDateAndTime t(kSample);
    SIM_TimeZoneInfo_t zone;
    unsigned long result = 5;
    EXPECT_TRUE(kel::test::refused(t.recalculateWithTimeZoneFromServer(kSample, nullptr, result), t.getLastError(),
                                   kelsql::kErrNotSupported));
    EXPECT_EQ(kel::test::readFile(KelDebug::logFilePath()).find("SQLDrover"), std::string::npos);
    t.getLastError().clear();
    EXPECT_TRUE(kel::test::refused(t.recalculateWithTimeZone(kSample, &zone, result), t.getLastError(),
                                   kelsql::kErrNotSupported));
    EXPECT_EQ(result, 5u);
    EXPECT_NE(kel::test::readFile(KelDebug::logFilePath()).find("KelSQLDateAndTime::recalculateWithTimeZone()"),
              std::string::npos);
}

}  // namespace
