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
    EXPECT_TRUE(s.setStreams(3) && !s.setMaxStreams(2));
    EXPECT_EQ(s.streams() * 10 + s.maxStreams(), 33);
    EXPECT_TRUE(s.setMaxStreams(5) && s.setStreams(1) && s.setLogStreams(2));
    EXPECT_EQ(s.streams() * 100 + s.logStreams() * 10 + s.maxStreams(), 125);

    KelSQLWideString w("caf\xc3\xa9");
    EXPECT_TRUE(w.isSet() && w.wideText() == L"caf\u00e9");
    EXPECT_TRUE(w.setWideString("") && !w.isSet() && w.text().empty() && w.wideText().empty());
}

// Built over dirty memory, a record without padding is all zeros.
template <typename T>
bool zeroOverDirt(unsigned char* storage) {
    std::memset(storage, 0xCD, sizeof(T));
    new (storage) T;
    return std::all_of(storage, storage + sizeof(T), [](unsigned char c) { return c == 0; });
}

TEST(Values, WireRecordsZeroEveryField) {
    alignas(16) unsigned char storage[1024];
    EXPECT_TRUE(zeroOverDirt<KelNetSQLMSVersion_t>(storage) && zeroOverDirt<KelNetSQLBSRestoreArchive_t>(storage));
    std::memset(storage, 0xCD, sizeof(KelNetSQLOPStatus_t));
    auto* st = new (storage) KelNetSQLOPStatus_t;
    EXPECT_TRUE(st->Status == 0 && st->LastError == 0 && st->Severity == 0 && st->ArgumentCount == 0 &&
                st->ArgumentLength == 0);
    EXPECT_TRUE(std::all_of(st->Arguments, st->Arguments + sizeof st->Arguments, [](char c) { return c == 0; }));
    std::memset(storage, 0xCD, sizeof(SIM_TimeZoneInfo_t));
    auto* tz = new (storage) SIM_TimeZoneInfo_t;
    EXPECT_TRUE(tz->Bias == 0 && tz->StandardBias == 0 && tz->DaylightBias == 0 && tz->StandardName[256] == 0 &&
                tz->DaylightName[0] == 0 && tz->StandardDate.Year == 0 && tz->DaylightDate.Milliseconds == 0);
}

}  // namespace
