// The library's printf: the one place where values are written into SQL
// text. A %s whose conversion stands inside a '...' literal of the format
// has its single quotes doubled, so the literal holds the whole text.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/db/DBtable.h"

namespace {

template <typename T>
void appendOne(std::string& out, const std::string& spec, int stars, int a, int b, T value) {
    char small[128];
    int n;
    if (stars == 0) n = std::snprintf(small, sizeof small, spec.c_str(), value);
    else if (stars == 1) n = std::snprintf(small, sizeof small, spec.c_str(), a, value);
    else n = std::snprintf(small, sizeof small, spec.c_str(), a, b, value);
    if (n < 0) return;
    if (size_t(n) < sizeof small) {
        out.append(small, size_t(n));
        return;
    }
    std::string big(size_t(n) + 1, '\0');
    if (stars == 0) std::snprintf(&big[0], big.size(), spec.c_str(), value);
    else if (stars == 1) std::snprintf(&big[0], big.size(), spec.c_str(), a, value);
    else std::snprintf(&big[0], big.size(), spec.c_str(), a, b, value);
    out.append(big.data(), size_t(n));
}

void appendQuoted(std::string& out, const std::string& text) {
    for (char c : text) {
        if (c == '\'') out += '\'';
        out += c;
    }
}

enum class Len { None, HH, H, L, LL, Z, J, T, BigL };

}  // namespace

std::string DBformat(const char* format, va_list argsIn) {
    std::string out;
    if (!format) return out;
    va_list args;
    va_copy(args, argsIn);
    bool inLiteral = false;
    const char* p = format;
    while (*p) {
        if (*p != '%') {
            if (*p == '\'') inLiteral = !inLiteral;
            out += *p++;
            continue;
        }
        if (p[1] == '%') {
            out += '%';
            p += 2;
            continue;
        }
        const char* start = p++;
        while (*p && std::strchr("-+ #0", *p)) ++p;
        int stars = 0;
        if (*p == '*') {
            ++stars;
            ++p;
        } else {
            while (std::isdigit(static_cast<unsigned char>(*p))) ++p;
        }
        if (*p == '.') {
            ++p;
            if (*p == '*') {
                ++stars;
                ++p;
            } else {
                while (std::isdigit(static_cast<unsigned char>(*p))) ++p;
            }
        }
        Len len = Len::None;
        if (p[0] == 'h' && p[1] == 'h') { len = Len::HH; p += 2; }
        else if (p[0] == 'l' && p[1] == 'l') { len = Len::LL; p += 2; }
        else if (*p == 'h') { len = Len::H; ++p; }
        else if (*p == 'l') { len = Len::L; ++p; }
        else if (*p == 'z') { len = Len::Z; ++p; }
        else if (*p == 'j') { len = Len::J; ++p; }
        else if (*p == 't') { len = Len::T; ++p; }
        else if (*p == 'L') { len = Len::BigL; ++p; }
        char conv = *p;
        if (!conv) {
            out.append(start);
            break;
        }
        ++p;
        std::string spec(start, p);
        int a = stars >= 1 ? va_arg(args, int) : 0;
        int b = stars >= 2 ? va_arg(args, int) : 0;
        switch (conv) {
        case 'd':
        case 'i':
            if (len == Len::LL) appendOne(out, spec, stars, a, b, va_arg(args, long long));
            else if (len == Len::L) appendOne(out, spec, stars, a, b, va_arg(args, long));
            else if (len == Len::Z || len == Len::T) appendOne(out, spec, stars, a, b, va_arg(args, ptrdiff_t));
            else if (len == Len::J) appendOne(out, spec, stars, a, b, va_arg(args, intmax_t));
            else appendOne(out, spec, stars, a, b, va_arg(args, int));
            break;
        case 'u':
        case 'o':
        case 'x':
        case 'X':
            if (len == Len::LL) appendOne(out, spec, stars, a, b, va_arg(args, unsigned long long));
            else if (len == Len::L) appendOne(out, spec, stars, a, b, va_arg(args, unsigned long));
            else if (len == Len::Z || len == Len::T) appendOne(out, spec, stars, a, b, va_arg(args, size_t));
            else if (len == Len::J) appendOne(out, spec, stars, a, b, va_arg(args, uintmax_t));
            else appendOne(out, spec, stars, a, b, va_arg(args, unsigned int));
            break;
        case 'c':
            appendOne(out, spec, stars, a, b, va_arg(args, int));
            break;
        case 'e': case 'E': case 'f': case 'F': case 'g': case 'G': case 'a': case 'A':
            if (len == Len::BigL) appendOne(out, spec, stars, a, b, va_arg(args, long double));
            else appendOne(out, spec, stars, a, b, va_arg(args, double));
            break;
        case 's': {
            const char* text = va_arg(args, const char*);
            std::string piece;
            appendOne(piece, spec, stars, a, b, text ? text : "");
            if (inLiteral) appendQuoted(out, piece);
            else out += piece;
            break;
        }
        case 'p': {
            // The date value of DBodbcDate: a literal of the stored form.
            DB_DATETIME* date = static_cast<DB_DATETIME*>(va_arg(args, void*));
            if (!date || date->isCleared()) {
                if (!inLiteral) out += "NULL";
            } else {
                if (!inLiteral) out += '\'';
                out += date->format();
                if (!inLiteral) out += '\'';
            }
            break;
        }
        case 'n':
            (void)va_arg(args, void*);  // never written through
            break;
        default:
            out.append(spec);
            break;
        }
    }
    va_end(args);
    return out;
}

std::string DBformatf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string out = DBformat(format, args);
    va_end(args);
    return out;
}
