// One instant held as seconds since 1970 and as a local-time ODBC timestamp,
// with the texts the catalogue's SQL and its dumps need. Conversions use the
// process's local time zone; 0 and the all-zero timestamp mean "no time".
#pragma once

#include <cstdint>
#include <string>

#include "KelSQL/KelNetSQLWire.h"
#include "platform/events/KelLastError.h"

class KelSQLDateAndTime {
public:
    KelSQLDateAndTime() { setTime(0L); }
    explicit KelSQLDateAndTime(unsigned long t) { setTime(static_cast<long>(t)); }

    void setTime(long t);
    void setTime(const TIMESTAMP_STRUCT& ts);
    void setTime(const KelNetSQLDateTime_t& wire);
    unsigned long setCurrent();
    // Derives the timestamp from the seconds; a time local time cannot hold
    // (all ones included) gives the zero timestamp.
    void setTimeStamp();
    // Derives the seconds from the timestamp (daylight saving left to the
    // system); all ones when it cannot be converted.
    unsigned long setUnixTime();
    // The seconds setTime(wire) gives, without an object to hold them.
    static unsigned long secondsOf(const KelNetSQLDateTime_t& wire);

    unsigned long time() const { return static_cast<unsigned long>(time_); }
    const TIMESTAMP_STRUCT& timeStamp() const { return timestamp_; }
    const TIMESTAMP_STRUCT& netTimeStamp() const { return timestamp_; }

    // 1 when t is later than this time, 0 when equal, -1 when earlier.
    int compare(unsigned long t) const;
    bool operator==(const KelSQLDateAndTime& o) const { return time_ == o.time_; }
    bool operator!=(const KelSQLDateAndTime& o) const { return time_ != o.time_; }
    bool operator<=(const KelSQLDateAndTime& o) const { return time_ <= o.time_; }
    bool operator==(unsigned long t) const { return time_ == t; }
    // Calendar fields only; the fraction is not compared.
    bool operator==(const TIMESTAMP_STRUCT& ts) const;
    bool operator!=(const TIMESTAMP_STRUCT& ts) const { return !(*this == ts); }
    bool operator==(const KelNetSQLDateTime_t& wire) const;
    bool operator!=(const KelNetSQLDateTime_t& wire) const { return !(*this == wire); }
    // ts read as standard time (no daylight saving).
    bool operator<=(const TIMESTAMP_STRUCT& ts) const;
    // wire read with daylight saving left to the system.
    bool operator<=(const KelNetSQLDateTime_t& wire) const;

    // "Mar 07, 2021 02:05:09 PM"; empty when the time has no local form.
    const std::string& stopAt();
    // {ts'2021-03-07 14:05:09'}, or {ts+'2021-03-07 14:05:09+'} with the flag.
    const char* odbcDateFormat(bool plusMarks);
    // 03-07-2021 14:05:09
    const std::string& formatMMDDYYYYHHMMSS();

    // Time-zone recalculation is not offered on this platform: both fail with
    // 0x1E0000FF in getLastError().
    bool recalculateWithTimeZone(unsigned long time, SIM_TimeZoneInfo_t* zone, unsigned long& result);
    bool recalculateWithTimeZoneFromServer(unsigned long time, SIM_TimeZoneInfo_t* zone,
                                           unsigned long& result);
    KelLastError& getLastError() { return error_; }

private:
    void clear();

    uint64_t time_ = 0;
    std::string display_;
    TIMESTAMP_STRUCT timestamp_;
    char format_[72] = {};
    std::string numeric_;
    KelLastError error_;
};
