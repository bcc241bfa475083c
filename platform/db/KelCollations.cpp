#include "platform/db/KelCollations.h"

#include <cctype>
#include <cstddef>
#include <cstring>

namespace kel::db {

namespace {

size_t trimmedLength(const char* s, int len) {
    size_t n = len > 0 ? size_t(len) : 0;
    while (n > 0 && s[n - 1] == ' ') --n;
    return n;
}

}  // namespace

int compareText(void*, int lenA, const void* a, int lenB, const void* b) {
    const unsigned char* pa = static_cast<const unsigned char*>(a);
    const unsigned char* pb = static_cast<const unsigned char*>(b);
    size_t na = trimmedLength(reinterpret_cast<const char*>(pa), lenA);
    size_t nb = trimmedLength(reinterpret_cast<const char*>(pb), lenB);
    size_t n = na < nb ? na : nb;
    for (size_t i = 0; i < n; ++i) {
        int ca = std::tolower(pa[i]);
        int cb = std::tolower(pb[i]);
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    return na == nb ? 0 : (na < nb ? -1 : 1);
}

int compareLsn(void*, int lenA, const void* a, int lenB, const void* b) {
    size_t na = trimmedLength(static_cast<const char*>(a), lenA);
    size_t nb = trimmedLength(static_cast<const char*>(b), lenB);
    if (na != nb) return na < nb ? -1 : 1;
    if (na == 0) return 0;
    int c = std::memcmp(a, b, na);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

}  // namespace kel::db
