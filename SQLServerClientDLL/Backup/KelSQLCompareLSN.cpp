#include <cctype>
#include <cstring>
#include <string_view>

#include "KelSQL/KelSQLLSN.h"

namespace {

// The significant digits of an LSN text: after leading blanks and zeros, up
// to the first non-digit. Empty for zero.
std::string_view digitsOf(const char* text) {
    if (!text) return {};
    const char* p = text;
    while (std::isspace(static_cast<unsigned char>(*p))) ++p;
    while (*p == '0') ++p;
    const char* end = p;
    while (std::isdigit(static_cast<unsigned char>(*end))) ++end;
    return std::string_view(p, static_cast<size_t>(end - p));
}

}  // namespace

// Digit strings, not doubles: a double cannot tell apart the 17-digit LSNs
// that neighbouring log backups carry, and a chain would link logs that do not.
int compareLSN(const char* a, const char* b) {
    const std::string_view da = digitsOf(a);
    const std::string_view db = digitsOf(b);
    if (da.size() != db.size()) return da.size() < db.size() ? -1 : 1;
    const int c = da.compare(db);
    return c == 0 ? 0 : (c < 0 ? -1 : 1);
}
