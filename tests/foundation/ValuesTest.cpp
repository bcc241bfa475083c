// Stream counts, wide texts and the zeroed state of wire records built over
// dirty memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "KelSQL/KelNetSQLWire.h"
#include "KelSQL/KelSQLValues.h"

namespace {

TEST(Values, StreamMaximumIsNeverLoweredAndEmptyWideTextResets) {
    KelSQLStreams s;
    EXPECT_TRUE(s.setStreams(3));
    EXPECT_EQ(s.streams() * 10 + s.maxStreams(), 33);
    EXPECT_FALSE(s.setMaxStreams(2));
    EXPECT_EQ(s.maxStreams(), 3);
    EXPECT_TRUE(s.setMaxStreams(5) && s.setStreams(1) && s.setLogStreams(2));
    EXPECT_EQ(s.streams() * 100 + s.logStreams() * 10 + s.maxStreams(), 125);

    KelSQLWideString w("caf\xc3\xa9");
    EXPECT_TRUE(w.isSet());
    EXPECT_EQ(w.wideText(), L"caf\u00e9");
    EXPECT_TRUE(w.setWideString(""));
    EXPECT_FALSE(w.isSet());
    EXPECT_TRUE(w.text().empty() && w.wideText().empty());
}

template <typename T>
T* buildOverDirt(unsigned char* storage) {
    std::memset(storage, 0xCD, sizeof(T));
    return new (storage) T;
}
// For records without padding.
template <typename T>
bool allZero(unsigned char* storage) {
    buildOverDirt<T>(storage);
    return std::all_of(storage, storage + sizeof(T), [](unsigned char c) { return c == 0; });
}

TEST(Values, WireRecordsZeroEveryField) {
    alignas(16) unsigned char storage[1024];
    auto* st = buildOverDirt<KelNetSQLOPStatus_t>(storage);
    EXPECT_TRUE(st->Status == 0 && st->LastError == 0 && st->Severity == 0 && st->ArgumentCount == 0 &&
                st->ArgumentLength == 0);
    EXPECT_TRUE(std::all_of(st->Arguments, st->Arguments + sizeof st->Arguments, [](char c) { return c == 0; }));
    auto* dt = buildOverDirt<KelNetSQLDateTime_t>(storage);
    EXPECT_TRUE(dt->Year == 0 && dt->Month == 0 && dt->Day == 0 && dt->Hour == 0 && dt->Minute == 0 &&
                dt->Second == 0 && dt->Fraction == 0);
    EXPECT_TRUE(allZero<KelNetSQLMSVersion_t>(storage));
    EXPECT_TRUE(allZero<KelNetSQLBSRestoreArchive_t>(storage));
    auto* tz = buildOverDirt<SIM_TimeZoneInfo_t>(storage);
    EXPECT_TRUE(tz->Bias == 0 && tz->StandardBias == 0 && tz->DaylightBias == 0 && tz->StandardName[256] == 0 &&
                tz->DaylightName[0] == 0 && tz->StandardDate.Year == 0 && tz->DaylightDate.Milliseconds == 0);
}

}  // namespace
