// Stream counts, wide texts and the default state of the small values and
// wire records.
#include <gtest/gtest.h>

#include <cstring>
#include <new>

#include "KelSQL/KelNetSQLWire.h"
#include "KelSQL/KelSQLValues.h"

namespace {

TEST(Streams, MaximumFollowsStreamsAndIsNeverLowered) {
    KelSQLStreams s;
    EXPECT_TRUE(s.setStreams(3));
    EXPECT_EQ(s.streams(), 3);
    EXPECT_EQ(s.maxStreams(), 3);
    EXPECT_FALSE(s.setMaxStreams(2));
    EXPECT_EQ(s.maxStreams(), 3);
    EXPECT_TRUE(s.setMaxStreams(5));
    EXPECT_TRUE(s.setStreams(1));
    EXPECT_EQ(s.streams(), 1);
    EXPECT_EQ(s.maxStreams(), 5);
    EXPECT_TRUE(s.setLogStreams(2));
    EXPECT_EQ(s.logStreams(), 2);
    EXPECT_EQ(s.maxStreams(), 5);
}

TEST(WideString, EmptyTextResetsBothForms) {
    KelSQLWideString w("caf\xc3\xa9");
    EXPECT_TRUE(w.isSet());
    EXPECT_EQ(w.wideText(), L"caf\u00e9");
    EXPECT_TRUE(w.setWideString(""));
    EXPECT_FALSE(w.isSet());
    EXPECT_TRUE(w.text().empty());
    EXPECT_TRUE(w.wideText().empty());
}

// Built over dirty memory, every field must come out zero.
template <typename T>
T* buildOverDirt(unsigned char* storage) {
    std::memset(storage, 0xCD, sizeof(T));
    return new (storage) T;
}

TEST(WireRecords, DefaultConstructionZeroesEveryField) {
    alignas(16) unsigned char storage[1024];

    auto* st = buildOverDirt<KelNetSQLOPStatus_t>(storage);
    EXPECT_TRUE(st->Status == 0 && st->LastError == 0 && st->Severity == 0 && st->ArgumentCount == 0 &&
                st->ArgumentLength == 0);
    for (char c : st->Arguments) ASSERT_EQ(c, '\0');

    auto* dt = buildOverDirt<KelNetSQLDateTime_t>(storage);
    EXPECT_TRUE(dt->Year == 0 && dt->Month == 0 && dt->Day == 0 && dt->Hour == 0 && dt->Minute == 0 &&
                dt->Second == 0 && dt->Fraction == 0);

    auto* v = buildOverDirt<KelNetSQLMSVersion_t>(storage);
    EXPECT_TRUE(v->SqlVersionId == 0 && v->Major == 0 && v->Minor == 0 && v->Build == 0);

    auto* ra = buildOverDirt<KelNetSQLBSRestoreArchive_t>(storage);
    EXPECT_TRUE(ra->SqlArchiveSetId == 0 && ra->SequenceNumber == 0 && ra->ArchiveGroup == 0 &&
                ra->ArchiveFile == 0);

    auto* tz = buildOverDirt<SIM_TimeZoneInfo_t>(storage);
    EXPECT_TRUE(tz->Bias == 0 && tz->StandardBias == 0 && tz->DaylightBias == 0);
    EXPECT_TRUE(tz->StandardName[256] == 0 && tz->DaylightName[0] == 0);
    EXPECT_TRUE(tz->StandardDate.Year == 0 && tz->DaylightDate.Milliseconds == 0);
}

}  // namespace
