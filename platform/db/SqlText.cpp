#include "platform/db/SqlText.h"

#include <cstdio>
#include <cstring>

#include "platform/db/DBEngine.h"
#include "platform/db/DBtable.h"
#include "platform/db/tsql/SetLiterals.h"

namespace kel::sql {

std::string dateLiteral(const DB_DATETIME& date) {
    if (date.isCleared()) return "NULL";
    DB_DATETIME copy = date;  // format() writes the copy's text
    return quoted(copy.format());
}

namespace {

// {ts'YYYY-MM-DD HH:MM:SS'} or {ts+'YYYY-MM-DD HH:MM:SS+'} spelt exactly so,
// with every field in range: what the rewriting below accepts as it stands,
// told without it (a point-in-time cursor meets one on every call).
bool plainTimestamp(const char* t) {
    const char* d = kel::tsql::plainTimestamp(t, std::strlen(t));
    if (!d) return false;
    const auto field = [d](int at, int digits) {
        int n = 0;
        for (int i = 0; i < digits; ++i) n = n * 10 + (d[at + i] - '0');
        return n;
    };
    const int month = field(5, 2), day = field(8, 2);
    return field(0, 4) >= 1 && month >= 1 && month <= 12 && day >= 1 && day <= 31 && field(11, 2) <= 23 &&
           field(14, 2) <= 59 && field(17, 2) <= 59;
}

}  // namespace

std::string dateLiteral(const char* odbcTimestamp) {
    if (!odbcTimestamp) return "NULL";
    if (plainTimestamp(odbcTimestamp)) return odbcTimestamp;
    // One literal and nothing around it: rewritten, it is a single quoted
    // date of the stored width.
    std::string rewritten, error;
    if (std::strncmp(odbcTimestamp, "{ts", 3) == 0 && DBrewriteTimestamps(odbcTimestamp, rewritten, error) &&
        rewritten.size() == 21 && rewritten.front() == '\'' && rewritten.back() == '\'' &&
        rewritten.find('\'', 1) == 20)
        return odbcTimestamp;
    return quoted(odbcTimestamp);
}

std::string timestampLiteral(const KELTIMESTAMP_STRUCT& ts) {
    // The modulo only tells the compiler how wide each field prints.
    return format("{ts'%04u-%02u-%02u %02u:%02u:%02u'}", unsigned(ts.year) % 10000u, ts.month % 100u,
                  ts.day % 100u, ts.hour % 100u, ts.minute % 100u, ts.second % 100u);
}

std::string vformat(const char* fmt, va_list args) {
    if (!fmt) return std::string();
    // Room for a cursor's whole batch: one pass of the formatter, not two.
    char small[2048];
    va_list again;
    va_copy(again, args);
    int n = std::vsnprintf(small, sizeof small, fmt, args);
    if (n < 0) {
        va_end(again);
        return std::string();
    }
    if (size_t(n) < sizeof small) {
        va_end(again);
        return std::string(small, size_t(n));
    }
    std::string out(size_t(n) + 1, '\0');
    std::vsnprintf(&out[0], out.size(), fmt, again);
    va_end(again);
    out.resize(size_t(n));
    return out;
}

std::string format(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    std::string out = vformat(fmt, args);
    va_end(args);
    return out;
}

}  // namespace kel::sql
