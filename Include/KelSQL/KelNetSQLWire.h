// Wire records shared by several messages, and the status block that heads
// every response. Layouts are fixed (x86-64, natural alignment) and checked
// below; the default constructors zero every field and leave padding alone.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/util/KelTimestamp.h"

// The status block: 0 success, 1 failure, with the sender's error.
struct KelNetSQLOPStatus_t {
    static constexpr size_t kArgumentBytes = 512;

    uint32_t Status = 0;
    uint64_t LastError = 0;
    uint64_t Severity = 0;
    uint64_t ArgumentCount = 0;
    uint64_t ArgumentLength = 0;
    char Arguments[kArgumentBytes + 1] = {};
};

struct KelNetSQLDateTime_t {
    int16_t Year = 0;
    uint16_t Month = 0;
    uint16_t Day = 0;
    uint16_t Hour = 0;
    uint16_t Minute = 0;
    uint16_t Second = 0;
    uint64_t Fraction = 0;  // senders leave it 0, receivers ignore it
};

struct KelNetSQLMSVersion_t {
    uint64_t SqlVersionId = 0;
    uint64_t Major = 0;
    uint64_t Minor = 0;
    uint64_t Build = 0;
};

// One archive file of a backup set in the restore-chain messages.
struct KelNetSQLBSRestoreArchive_t {
    uint64_t SqlArchiveSetId = 0;
    uint64_t SequenceNumber = 0;
    uint64_t ArchiveGroup = 0;
    uint64_t ArchiveFile = 0;
};

// A client's calendar time as the installation database records it.
struct SIM_ClientSysTime_t {
    int32_t Year = 0;
    int32_t Month = 0;
    int32_t DayOfWeek = 0;
    int32_t Day = 0;
    int32_t Hour = 0;
    int32_t Minute = 0;
    int32_t Second = 0;
    int32_t Milliseconds = 0;
};

// A client's time zone; carried through, never read by this library.
struct SIM_TimeZoneInfo_t {
    int64_t Bias = 0;
    char StandardName[257] = {};
    SIM_ClientSysTime_t StandardDate;
    int64_t StandardBias = 0;
    char DaylightName[257] = {};
    SIM_ClientSysTime_t DaylightDate;
    int64_t DaylightBias = 0;
};

static_assert(sizeof(KelNetSQLOPStatus_t) == 560, "KelNetSQLOPStatus_t size");
static_assert(offsetof(KelNetSQLOPStatus_t, Status) == 0, "KelNetSQLOPStatus_t offsets");
static_assert(offsetof(KelNetSQLOPStatus_t, LastError) == 8, "KelNetSQLOPStatus_t offsets");
static_assert(offsetof(KelNetSQLOPStatus_t, Severity) == 16, "KelNetSQLOPStatus_t offsets");
static_assert(offsetof(KelNetSQLOPStatus_t, ArgumentCount) == 24, "KelNetSQLOPStatus_t offsets");
static_assert(offsetof(KelNetSQLOPStatus_t, ArgumentLength) == 32, "KelNetSQLOPStatus_t offsets");
static_assert(offsetof(KelNetSQLOPStatus_t, Arguments) == 40, "KelNetSQLOPStatus_t offsets");

static_assert(sizeof(KelNetSQLDateTime_t) == 24, "KelNetSQLDateTime_t size");
static_assert(offsetof(KelNetSQLDateTime_t, Month) == 2 && offsetof(KelNetSQLDateTime_t, Day) == 4 &&
                  offsetof(KelNetSQLDateTime_t, Hour) == 6 && offsetof(KelNetSQLDateTime_t, Minute) == 8 &&
                  offsetof(KelNetSQLDateTime_t, Second) == 10 &&
                  offsetof(KelNetSQLDateTime_t, Fraction) == 16,
              "KelNetSQLDateTime_t offsets");

static_assert(sizeof(KelNetSQLMSVersion_t) == 32, "KelNetSQLMSVersion_t size");
static_assert(offsetof(KelNetSQLMSVersion_t, Major) == 8 && offsetof(KelNetSQLMSVersion_t, Minor) == 16 &&
                  offsetof(KelNetSQLMSVersion_t, Build) == 24,
              "KelNetSQLMSVersion_t offsets");

static_assert(sizeof(KelNetSQLBSRestoreArchive_t) == 32, "KelNetSQLBSRestoreArchive_t size");
static_assert(offsetof(KelNetSQLBSRestoreArchive_t, SequenceNumber) == 8 &&
                  offsetof(KelNetSQLBSRestoreArchive_t, ArchiveGroup) == 16 &&
                  offsetof(KelNetSQLBSRestoreArchive_t, ArchiveFile) == 24,
              "KelNetSQLBSRestoreArchive_t offsets");

static_assert(sizeof(SIM_ClientSysTime_t) == 32, "SIM_ClientSysTime_t size");
static_assert(offsetof(SIM_ClientSysTime_t, Milliseconds) == 28, "SIM_ClientSysTime_t offsets");

static_assert(sizeof(SIM_TimeZoneInfo_t) == 616, "SIM_TimeZoneInfo_t size");
static_assert(offsetof(SIM_TimeZoneInfo_t, StandardName) == 8 &&
                  offsetof(SIM_TimeZoneInfo_t, StandardDate) == 268 &&
                  offsetof(SIM_TimeZoneInfo_t, StandardBias) == 304 &&
                  offsetof(SIM_TimeZoneInfo_t, DaylightName) == 312 &&
                  offsetof(SIM_TimeZoneInfo_t, DaylightDate) == 572 &&
                  offsetof(SIM_TimeZoneInfo_t, DaylightBias) == 608,
              "SIM_TimeZoneInfo_t offsets");
