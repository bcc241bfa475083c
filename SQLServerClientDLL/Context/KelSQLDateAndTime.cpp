#include "KelSQL/KelSQLDateAndTime.h"

#include <cstdio>
#include <ctime>

#include "KelSQL/KelSQLErrorStatus.h"

namespace {

constexpr uint64_t kUnconvertible = ~uint64_t{0};

int calendarSum(int year, int month, int day, int hour, int minute, int second) {
    return year + month + day + hour + minute + second;
}

int calendarSum(const TIMESTAMP_STRUCT& ts) {
    return calendarSum(ts.year, ts.month, ts.day, ts.hour, ts.minute, ts.second);
}

int calendarSum(const KelNetSQLDateTime_t& w) {
    return calendarSum(w.Year, w.Month, w.Day, w.Hour, w.Minute, w.Second);
}

// mktime of a calendar time; all ones when it cannot be converted.
uint64_t toSeconds(int year, int month, int day, int hour, int minute, int second, int isdst) {
    struct tm t = {};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = isdst;
    time_t s = mktime(&t);
    return s == static_cast<time_t>(-1) ? kUnconvertible : static_cast<uint64_t>(s);
}

template <typename A, typename B>
bool sameCalendar(const A& a, const B& b) {
    return a.year == b.Year && a.month == b.Month && a.day == b.Day && a.hour == b.Hour &&
           a.minute == b.Minute && a.second == b.Second;
}

}  // namespace

void KelSQLDateAndTime::clear() {
    time_ = 0;
    timestamp_ = TIMESTAMP_STRUCT();
}

void KelSQLDateAndTime::setTime(long t) {
    if (t == 0) {
        clear();
        return;
    }
    time_ = static_cast<uint64_t>(t);
    setTimeStamp();
}

unsigned long KelSQLDateAndTime::setCurrent() {
    time_ = static_cast<uint64_t>(::time(nullptr));
    setTimeStamp();
    return time();
}

void KelSQLDateAndTime::setTimeStamp() {
    timestamp_ = TIMESTAMP_STRUCT();
    if (time_ == 0 || time_ == kUnconvertible) return;
    time_t s = static_cast<time_t>(time_);
    struct tm t;
    if (!localtime_r(&s, &t) || t.tm_year + 1900 > INT16_MAX || t.tm_year + 1900 < INT16_MIN) return;
    timestamp_.year = static_cast<int16_t>(t.tm_year + 1900);
    timestamp_.month = static_cast<uint16_t>(t.tm_mon + 1);
    timestamp_.day = static_cast<uint16_t>(t.tm_mday);
    timestamp_.hour = static_cast<uint16_t>(t.tm_hour);
    timestamp_.minute = static_cast<uint16_t>(t.tm_min);
    timestamp_.second = static_cast<uint16_t>(t.tm_sec);
}

void KelSQLDateAndTime::setTime(const TIMESTAMP_STRUCT& ts) {
    if (calendarSum(ts) == 0) {
        clear();
        return;
    }
    timestamp_ = ts;
    setUnixTime();
}

void KelSQLDateAndTime::setTime(const KelNetSQLDateTime_t& w) {
    if (calendarSum(w) == 0) {
        clear();
        return;
    }
    timestamp_.year = w.Year;
    timestamp_.month = w.Month;
    timestamp_.day = w.Day;
    timestamp_.hour = w.Hour;
    timestamp_.minute = w.Minute;
    timestamp_.second = w.Second;
    timestamp_.fraction = 0;
    setUnixTime();
}

unsigned long KelSQLDateAndTime::secondsOf(const KelNetSQLDateTime_t& w) {
    if (calendarSum(w) == 0) return 0;
    return static_cast<unsigned long>(toSeconds(w.Year, w.Month, w.Day, w.Hour, w.Minute, w.Second, -1));
}

unsigned long KelSQLDateAndTime::setUnixTime() {
    const TIMESTAMP_STRUCT& ts = timestamp_;
    time_ = toSeconds(ts.year, ts.month, ts.day, ts.hour, ts.minute, ts.second, -1);
    return time();
}

int KelSQLDateAndTime::compare(unsigned long t) const {
    if (t > time_) return 1;
    if (t == time_) return 0;
    return -1;
}

bool KelSQLDateAndTime::operator==(const TIMESTAMP_STRUCT& ts) const {
    KelNetSQLDateTime_t w;
    w.Year = ts.year;
    w.Month = ts.month;
    w.Day = ts.day;
    w.Hour = ts.hour;
    w.Minute = ts.minute;
    w.Second = ts.second;
    return sameCalendar(timestamp_, w);
}

bool KelSQLDateAndTime::operator==(const KelNetSQLDateTime_t& w) const { return sameCalendar(timestamp_, w); }

bool KelSQLDateAndTime::operator<=(const TIMESTAMP_STRUCT& ts) const {
    uint64_t other =
        calendarSum(ts) == 0 ? 0 : toSeconds(ts.year, ts.month, ts.day, ts.hour, ts.minute, ts.second, 0);
    return time_ <= other;
}

bool KelSQLDateAndTime::operator<=(const KelNetSQLDateTime_t& w) const {
    uint64_t other = calendarSum(w) == 0 ? 0 : toSeconds(w.Year, w.Month, w.Day, w.Hour, w.Minute, w.Second, -1);
    return time_ <= other;
}

const std::string& KelSQLDateAndTime::stopAt() {
    display_.clear();
    time_t s = static_cast<time_t>(time_);
    struct tm t;
    char text[51];
    if (time_ != kUnconvertible && localtime_r(&s, &t) &&
        strftime(text, sizeof(text), "%b %d, %Y %I:%M:%S %p", &t) > 0)
        display_ = text;
    return display_;
}

// "%.4d" and "%.2d" print exactly as "%04.4d" and "%02.2d" do (the 0 flag is
// ignored beside a precision); written so to keep the compiler quiet.
const char* KelSQLDateAndTime::odbcDateFormat(bool plusMarks) {
    const TIMESTAMP_STRUCT& ts = timestamp_;
    if (plusMarks)
        snprintf(format_, sizeof(format_), "{ts+'%.4d-%.2d-%.2d %.2d:%.2d:%.2d+'}", ts.year, ts.month, ts.day,
                 ts.hour, ts.minute, ts.second);
    else
        snprintf(format_, sizeof(format_), "{ts'%.4d-%.2d-%.2d %.2d:%.2d:%.2d'}", ts.year, ts.month, ts.day,
                 ts.hour, ts.minute, ts.second);
    return format_;
}

const std::string& KelSQLDateAndTime::formatMMDDYYYYHHMMSS() {
    const TIMESTAMP_STRUCT& ts = timestamp_;
    snprintf(format_, sizeof(format_), "%.2d-%.2d-%.4d %.2d:%.2d:%.2d", ts.month, ts.day, ts.year, ts.hour,
             ts.minute, ts.second);
    numeric_ = format_;
    return numeric_;
}

bool KelSQLDateAndTime::recalculateWithTimeZone(unsigned long, SIM_TimeZoneInfo_t*, unsigned long&) {
    return kelsql::notSupported(error_, "KelSQLDateAndTime::recalculateWithTimeZone()", true);
}

bool KelSQLDateAndTime::recalculateWithTimeZoneFromServer(unsigned long, SIM_TimeZoneInfo_t* zone,
                                                          unsigned long&) {
    return kelsql::notSupported(error_, "KelSQLDateAndTime::recalculateWithTimeZoneFromServer()", zone != nullptr);
}
