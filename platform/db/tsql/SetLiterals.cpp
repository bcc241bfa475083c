#include "platform/db/tsql/SetLiterals.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/db/tsql/TsqlLexer.h"

namespace kel::tsql {

namespace {

// ASCII only, without the locale: the scan reads every character of every
// batch run.
bool wordChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '@' ||
           c == '#' || c == '$';
}
bool blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Moves q past the literal that starts there (an integer, a quoted text or
// a brace escape up to its first '}'); false when none starts there.
bool literalEnd(const char* s, size_t n, size_t& q) {
    if (q >= n) return false;
    if (s[q] == '-' || std::isdigit(static_cast<unsigned char>(s[q]))) {
        if (s[q] == '-') ++q;
        const size_t digits = q;
        while (q < n && std::isdigit(static_cast<unsigned char>(s[q]))) ++q;
        return q != digits;
    }
    if (s[q] == '\'') {
        for (++q;; ++q) {
            if (q >= n) return false;
            if (s[q] != '\'') continue;
            if (q + 1 < n && s[q + 1] == '\'') {
                ++q;
                continue;
            }
            ++q;
            return true;
        }
    }
    if (s[q] == '{') {
        const void* close = std::memchr(s + q, '}', n - q);
        if (close == nullptr) return false;
        q = size_t(static_cast<const char*>(close) - s) + 1;
        return true;
    }
    return false;
}

// The value as the parser takes a literal: an integer, or the lexer's
// reading of a text or timestamp.
bool literalValueOf(const char* s, size_t n, Value& v) {
    if (const char* date = plainTimestamp(s, n)) {
        v.type = Value::Type::Text;
        v.s.assign(date, 19);  // the value's own buffer, kept from call to call
        return true;
    }
    if (s[0] == '-' || std::isdigit(static_cast<unsigned char>(s[0]))) {
        errno = 0;
        const long long number = std::strtoll(s, nullptr, 10);
        if (errno != 0) return false;
        v = Value::integer(number);
        return true;
    }
    const std::string literal(s, n);
    std::vector<Token> tokens;
    std::string err;
    if (!tokenize(literal, tokens, err) || tokens.empty()) return false;
    const Token& t = tokens[0];
    if (t.kind != Token::Kind::String && t.kind != Token::Kind::Timestamp) return false;
    if (tokens.size() > 1 && tokens[1].kind != Token::Kind::End) return false;
    v = Value::text(t.text);
    return true;
}

class Scanner {
public:
    Scanner(const std::string& s, SetLiterals& out) : s_(s), out_(out) {}

    bool run() {
        out_.shape.clear();
        out_.values.clear();
        size_t copied = 0;
        while (p_ < s_.size()) {
            const char c = s_[p_];
            if (c == '\'' || c == '"') {
                if (!skipQuoted(c, c)) return false;
            } else if (c == '[') {
                if (!skipQuoted('[', ']')) return false;
            } else if (c == '-' && at(1) == '-') {
                while (p_ < s_.size() && s_[p_] != '\n') ++p_;
            } else if (c == '/' && at(1) == '*') {
                const size_t end = s_.find("*/", p_ + 2);
                if (end == std::string::npos) return false;
                p_ = end + 2;
            } else if (wordChar(c)) {
                const size_t start = p_;
                while (p_ < s_.size() && wordChar(s_[p_])) ++p_;
                size_t from = 0, to = 0;
                if (p_ - start == 3 && strncasecmp(s_.data() + start, "set", 3) == 0 && literalOfSet(from, to)) {
                    Value v;
                    if (!valueOf(from, to, v)) return false;
                    out_.shape.append(s_, copied, from - copied);
                    out_.shape += '\x01';
                    out_.values.push_back(std::move(v));
                    copied = p_ = to;
                }
            } else {
                ++p_;
            }
        }
        out_.shape.append(s_, copied, std::string::npos);
        return !out_.values.empty();
    }

private:
    char at(size_t ahead) const { return p_ + ahead < s_.size() ? s_[p_ + ahead] : '\0'; }

    bool skipQuoted(char open, char close) {
        (void)open;
        ++p_;
        while (p_ < s_.size()) {
            if (s_[p_++] != close) continue;
            if (p_ < s_.size() && s_[p_] == close) {
                ++p_;
                continue;
            }
            return true;
        }
        return false;
    }

    size_t skipBlanks(size_t q) const {
        while (q < s_.size() && blank(s_[q])) ++q;
        return q;
    }

    // After "set" at p_: " @name = literal" with the literal ending the
    // value (a blank or the end follows, and no operator after the blanks).
    bool literalOfSet(size_t& from, size_t& to) const {
        size_t q = skipBlanks(p_);
        if (q == p_ || q >= s_.size() || s_[q] != '@' || (q + 1 < s_.size() && s_[q + 1] == '@')) return false;
        while (q < s_.size() && wordChar(s_[q])) ++q;
        q = skipBlanks(q);
        if (q >= s_.size() || s_[q] != '=') return false;
        from = q = skipBlanks(q + 1);
        if (!literalEnd(s_.data(), s_.size(), q)) return false;
        to = q;
        if (q < s_.size() && !blank(s_[q])) return false;
        const size_t next = skipBlanks(q);
        if (next >= s_.size()) return true;
        const bool comment = (s_[next] == '-' && next + 1 < s_.size() && s_[next + 1] == '-') ||
                             (s_[next] == '/' && next + 1 < s_.size() && s_[next + 1] == '*');
        return comment || std::strchr("+-*/%&|^=<>!.,(", s_[next]) == nullptr;
    }

    bool valueOf(size_t from, size_t to, Value& v) const { return literalValueOf(s_.data() + from, to - from, v); }

    const std::string& s_;
    SetLiterals& out_;
    size_t p_ = 0;
};

}  // namespace

const char* plainTimestamp(const char* s, size_t n) {
    const bool marked = n == 27 && std::memcmp(s, "{ts+'", 5) == 0 && std::memcmp(s + 24, "+'}", 3) == 0;
    if (!marked && !(n == 25 && std::memcmp(s, "{ts'", 4) == 0 && std::memcmp(s + 23, "'}", 2) == 0)) return nullptr;
    const char* date = s + (marked ? 5 : 4);
    static const char shape[] = "dddd-dd-dd dd:dd:dd";
    for (size_t i = 0; i < 19; ++i) {
        const bool digit = date[i] >= '0' && date[i] <= '9';
        if (shape[i] == 'd' ? !digit : date[i] != shape[i]) return nullptr;
    }
    return std::memcmp(date, "0000-00-00 00:00:00", 19) == 0 ? nullptr : date;
}

bool takeSetLiterals(const std::string& batch, SetLiterals& out) { return Scanner(batch, out).run(); }

bool setLiteralValue(const char* literal, Value& v) {
    const size_t n = std::strlen(literal);
    size_t end = 0;
    return literalEnd(literal, n, end) && end == n && literalValueOf(literal, n, v);
}

}  // namespace kel::tsql
