// libFuzzer target for the where and SET format check: the bytes are a
// format, a NUL, and a text. Every format the check accepts is formatted by
// printf with the text as kel::sql::quoted() gives it and with a harmless
// stand-in, and the two statements must differ in that literal only: the
// same tokens for the T-SQL runner's lexer, the same shape and parameters
// for the parameterisation a record's statement goes through to SQLite.
#include <cstddef>
#include <cstdint>
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

// Formats that printf can be handed with kArguments texts and nothing else:
// each conversion a %s or %% with flags, a width, a precision and argument
// numbers (1 to kArguments) in any order and number, no * and no length,
// so that printf never reads an argument of another type or past the last.
// Malformed ones are kept: printf prints them as they stand.
bool formattable(const std::string& f) {
    int conversions = 0;
    for (size_t i = 0; i < f.size(); ++i) {
        if (f[i] != '%') continue;
        if (++conversions > kArguments) return false;
        size_t j = i + 1;
        for (; j < f.size() && std::string("0123456789$-+ #'I.").find(f[j]) != std::string::npos; ++j) {
            if (!isDigit(f[j])) continue;
            size_t end = j;
            long value = 0;
            while (end < f.size() && isDigit(f[end]) && end - j < 4) value = value * 10 + (f[end++] - '0');
            if (end - j > 3 || (end < f.size() && f[end] == '$' && value > kArguments)) return false;
            j = end - 1;
        }
        if (j >= f.size() || (f[j] != 's' && f[j] != '%')) return false;
        i = j;
    }
    return true;
}

#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wformat-nonliteral"
bool print(const std::string& format, const std::string& text, std::string& out) {
    const char* t = text.c_str();
    const int n = std::snprintf(nullptr, 0, format.c_str(), t, t, t, t, t, t, t, t);
    if (n < 0) return false;
    out.assign(size_t(n) + 1, '\0');
    std::snprintf(&out[0], out.size(), format.c_str(), t, t, t, t, t, t, t, t);
    out.resize(size_t(n));
    return true;
}
#pragma clang diagnostic pop

// The tokens of a and b agree but where a holds the text and b the stand-in.
void sameTokens(const std::string& a, const std::string& b, const std::string& text, const std::string& standIn) {
    std::vector<kel::tsql::Token> ta, tb;
    std::string err;
    check(kel::tsql::tokenize(a, ta, err));
    check(kel::tsql::tokenize(b, tb, err));
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
    const std::string sameLength(kel::sql::quoted(text).size() - 2, 'x');
    std::string hostile, standIn, shortStandIn;
    if (!print(format, kel::sql::quoted(text), hostile)) return 0;
    check(print(format, kel::sql::quoted(sameLength), standIn));
    check(print(format, kel::sql::quoted("x"), shortStandIn));
    if (hostile == shortStandIn) return 0;  // no text in it: nothing to compare
    sameTokens(hostile, standIn, text, sameLength);
    sameTokens(hostile, shortStandIn, text, "x");
    sameStatement(hostile, standIn, text, sameLength);
    return 0;
}
