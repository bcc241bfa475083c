// libFuzzer target for the where and SET format check: the bytes are a
// format, a NUL, and a text. Every format the check accepts (of those printf
// can be handed safely here) is formatted by printf with the text as
// kel::sql::quoted() gives it and with a harmless stand-in, and the two
// statements must differ in that literal only: the same tokens for the T-SQL
// runner's lexer, the same shape and parameters for the parameterisation a
// record's statement goes through to SQLite.
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/db/DBEngine.h"
#include "platform/db/SqlFormat.h"
#include "platform/db/tsql/TsqlLexer.h"
#include "platform/util/SqlQuote.h"

namespace {

void check(bool condition) {
    if (!condition) __builtin_trap();
}

constexpr int kArguments = 8;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Formats that printf can be handed kArguments pointers and as many doubles
// whatever it makes of them: no conversion that writes (n), reads a wide
// text or character (S, C, the length letters) or takes a width from an
// argument (*); at most kArguments conversions, argument numbers up to
// kArguments and numbers of three digits, so that no output grows large.
// Each % is read up to where printf could take its conversion letter.
bool formattable(const std::string& f) {
    int conversions = 0;
    for (size_t i = f.find('%'); i != std::string::npos; i = f.find('%', i + 1)) {
        if (++conversions > kArguments) return false;
        size_t j = i + 1;
        for (; j < f.size() && std::string("0123456789$-+ #'I.*hlLqjzZt").find(f[j]) != std::string::npos; ++j)
            if (std::string("*lLqjzZt").find(f[j]) != std::string::npos) return false;
        if (j < f.size() && (f[j] == 'n' || f[j] == 'S' || f[j] == 'C')) return false;
    }
    for (size_t i = 0; i < f.size(); ++i) {
        if (!isDigit(f[i])) continue;
        size_t end = i;
        long value = 0;
        while (end < f.size() && isDigit(f[end]) && end - i < 4) value = value * 10 + (f[end++] - '0');
        if (end - i > 3 || (end < f.size() && f[end] == '$' && value > kArguments)) return false;
        i = end - 1;
    }
    return true;
}

// The format printed with every argument the text at one address, so that a
// conversion printf reads as a number or a pointer prints the same each time.
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wformat-nonliteral"
bool print(const std::string& format, const std::string& text, std::vector<char>& slot, std::string& out) {
    if (slot.size() < text.size() + 1) return false;
    std::copy(text.begin(), text.end(), slot.begin());
    slot[text.size()] = '\0';
    const char* t = slot.data();
    const double d = 0;
    const int n = std::snprintf(nullptr, 0, format.c_str(), t, t, t, t, t, t, t, t, d, d, d, d, d, d, d, d);
    if (n < 0) return false;
    out.assign(size_t(n) + 1, '\0');
    std::snprintf(&out[0], out.size(), format.c_str(), t, t, t, t, t, t, t, t, d, d, d, d, d, d, d, d);
    out.resize(size_t(n));
    return true;
}
#pragma clang diagnostic pop

// The tokens of a and b agree but where a holds the text and b the stand-in.
// A number printf prints (1.5e+00, -inf) may leave the statement unreadable
// where the check's 0 was not: then both are, at the same token.
void sameTokens(const std::string& a, const std::string& b, const std::string& text, const std::string& standIn) {
    std::vector<kel::tsql::Token> ta, tb;
    std::string errA, errB;
    check(kel::tsql::tokenize(a, ta, errA) == kel::tsql::tokenize(b, tb, errB));
    check(ta.size() == tb.size());
    for (size_t i = 0; i < ta.size(); ++i) {
        check(ta[i].kind == tb[i].kind);
        if (ta[i].text == tb[i].text) continue;
        check(ta[i].kind == kel::tsql::Token::Kind::String && ta[i].text == text && tb[i].text == standIn);
    }
}

// Parameterised, a and b give one statement, and their parameters agree
// but where a's is the text and b's the stand-in.
void sameStatement(const std::string& a, const std::string& b, const std::string& text, const std::string& standIn) {
    std::string sa, sb;
    std::vector<DBParam> pa, pb;
    DBparameterize(a, sa, pa);
    DBparameterize(b, sb, pb);
    check(sa == sb);
    check(pa.size() == pb.size());
    for (size_t i = 0; i < pa.size(); ++i) {
        check(pa[i].isText == pb[i].isText && pa[i].number == pb[i].number);
        if (pa[i].text == pb[i].text) continue;
        check(pa[i].isText && pa[i].text == text && pb[i].text == standIn);
    }
}

}  // namespace

// The sanitizer's printf interceptor gives up on formats printf itself takes
// (an unfinished conversion, say); printf is what is being compared with.
extern "C" const char* __asan_default_options() { return "check_printf=0"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const size_t nul = bytes.find('\0');
    const std::string format = bytes.substr(0, nul);
    const std::string text = nul == std::string::npos ? std::string() : std::string(bytes.c_str() + nul + 1);
    std::string why;
    if (kel::sql::unsoundFormat(format, &why)) {
        check(!why.empty());
        return 0;
    }
    if (!formattable(format)) return 0;
    // A stand-in of the text's own length pads alike; a short one shows
    // that padding changes nothing around the literal either.
    const std::string literal = kel::sql::quoted(text);
    const std::string sameLength(literal.size() - 2, 'x');
    std::vector<char> slot(literal.size() + 4);
    std::string hostile, standIn, shortStandIn;
    if (!print(format, literal, slot, hostile)) return 0;
    check(print(format, kel::sql::quoted(sameLength), slot, standIn));
    check(print(format, kel::sql::quoted("x"), slot, shortStandIn));
    if (hostile == shortStandIn) return 0;  // no text in it: nothing to compare
    sameTokens(hostile, standIn, text, sameLength);
    sameTokens(hostile, shortStandIn, text, "x");
    sameStatement(hostile, standIn, text, sameLength);
    return 0;
}
