#include "platform/db/tsql/TsqlLexer.h"

#include <strings.h>

#include <cstring>

namespace kel::tsql {

namespace {

// ASCII classes without the locale: the batch's syntax is ASCII, and
// bytes of UTF-8 texts only occur inside quotes.
bool isAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }
bool isWordStart(char c) { return isAlpha(c) || c == '_' || c == '#'; }
bool isWordChar(char c) { return isAlpha(c) || isDigit(c) || c == '_' || c == '#' || c == '$'; }

class Lexer {
public:
    Lexer(const std::string& s, std::vector<Token>& out, std::string& err) : s_(s), out_(out), err_(err) {}

    bool run() {
        out_.clear();
        out_.reserve(s_.size() / 4 + 2);
        while (true) {
            bool space = skipBlanks();
            if (!err_.empty()) return false;
            if (p_ >= s_.size()) break;
            Token t;
            t.spaceBefore = space;
            if (!next(t)) return false;
            out_.push_back(std::move(t));
        }
        Token end;
        end.spaceBefore = true;
        out_.push_back(end);
        return true;
    }

private:
    bool fail(const std::string& what) {
        err_ = what + " at offset " + std::to_string(p_);
        return false;
    }

    // Whitespace and both comment forms; true when anything was skipped.
    bool skipBlanks() {
        size_t start = p_;
        while (p_ < s_.size()) {
            char c = s_[p_];
            if (isBlank(c)) {
                ++p_;
            } else if (c == '-' && at(1) == '-') {
                while (p_ < s_.size() && s_[p_] != '\n') ++p_;
            } else if (c == '/' && at(1) == '*') {
                size_t close = s_.find("*/", p_ + 2);
                if (close == std::string::npos) {
                    fail("unterminated comment");
                    return false;
                }
                p_ = close + 2;
            } else {
                break;
            }
        }
        return p_ != start;
    }

    char at(size_t ahead) const { return p_ + ahead < s_.size() ? s_[p_ + ahead] : '\0'; }

    // A quoted text starting at p_ (which holds the opening quote); doubled
    // closing characters stand for one.
    bool quoted(char close, std::string& value) {
        ++p_;
        while (p_ < s_.size()) {
            char c = s_[p_++];
            if (c == close) {
                if (p_ < s_.size() && s_[p_] == close) {
                    value += close;
                    ++p_;
                    continue;
                }
                return true;
            }
            value += c;
        }
        return fail("unterminated quoted text");
    }

    bool next(Token& t) {
        char c = s_[p_];
        if (c == '\'') {
            t.kind = Token::Kind::String;
            return quoted('\'', t.text);
        }
        if ((c == 'N' || c == 'n') && at(1) == '\'') {
            ++p_;
            t.kind = Token::Kind::String;
            return quoted('\'', t.text);
        }
        if (c == '[') {
            t.kind = Token::Kind::QuotedName;
            return quoted(']', t.text);
        }
        if (c == '"') {
            t.kind = Token::Kind::QuotedName;
            return quoted('"', t.text);
        }
        if (c == '{') return timestamp(t);
        if (c == '@') {
            size_t start = p_;
            bool system = at(1) == '@';
            p_ += system ? 2 : 1;
            while (p_ < s_.size() && isWordChar(s_[p_])) ++p_;
            if (p_ == start + (system ? 2 : 1)) return fail("variable without a name");
            t.kind = system ? Token::Kind::SystemVariable : Token::Kind::Variable;
            t.text = s_.substr(start, p_ - start);
            return true;
        }
        if (isWordStart(c)) {
            size_t start = p_;
            while (p_ < s_.size() && isWordChar(s_[p_])) ++p_;
            t.kind = Token::Kind::Word;
            t.text = s_.substr(start, p_ - start);
            return true;
        }
        if (isDigit(c) || (c == '.' && isDigit(at(1)))) {
            size_t start = p_;
            while (p_ < s_.size() && (isDigit(s_[p_]) || s_[p_] == '.')) ++p_;
            if (p_ < s_.size() && (s_[p_] == 'e' || s_[p_] == 'E')) {
                size_t save = p_++;
                if (p_ < s_.size() && (s_[p_] == '+' || s_[p_] == '-')) ++p_;
                if (p_ < s_.size() && isDigit(s_[p_])) {
                    while (p_ < s_.size() && isDigit(s_[p_])) ++p_;
                } else {
                    p_ = save;
                }
            }
            t.kind = Token::Kind::Number;
            t.text = s_.substr(start, p_ - start);
            return true;
        }
        static const char* const twoChar[] = {"!=", "<>", "<=", ">=", "!<", "!>", "||"};
        for (const char* op : twoChar) {
            if (c == op[0] && at(1) == op[1]) {
                t.kind = Token::Kind::Punct;
                t.text = op;
                p_ += 2;
                return true;
            }
        }
        if (std::strchr("(),;=<>+-*/%.&|^~:", c) != nullptr) {
            t.kind = Token::Kind::Punct;
            t.text = std::string(1, c);
            ++p_;
            return true;
        }
        return fail(std::string("unexpected character '") + c + "'");
    }

    // {ts'YYYY-MM-DD HH:MM:SS'} and the marked form {ts+'YYYY-MM-DD HH:MM:SS+'}.
    bool timestamp(Token& t) {
        ++p_;
        skipBlanks();
        if (!((at(0) == 't' || at(0) == 'T') && (at(1) == 's' || at(1) == 'S'))) {
            return fail("unknown escape");
        }
        p_ += 2;
        skipBlanks();
        bool marked = at(0) == '+';
        if (marked) ++p_;
        skipBlanks();
        if (at(0) != '\'') return fail("timestamp escape without a quoted value");
        std::string v;
        if (!quoted('\'', v)) return false;
        skipBlanks();
        if (at(0) != '}') return fail("unterminated timestamp escape");
        ++p_;
        if (marked) {
            if (v.empty() || v.back() != '+') return fail("marked timestamp escape without its closing mark");
            v.pop_back();
        }
        // A fraction of a second is dropped: stored times keep whole seconds.
        size_t dot = v.find('.');
        if (dot == 19) v.resize(19);
        static const char shape[] = "dddd-dd-dd dd:dd:dd";
        bool ok = v.size() == 19;
        for (size_t i = 0; ok && i < 19; ++i) ok = shape[i] == 'd' ? isDigit(v[i]) : v[i] == shape[i];
        if (!ok) return fail("malformed timestamp '" + v + "'");
        if (v == "0000-00-00 00:00:00") return fail("the zero timestamp is not a valid time");
        t.kind = Token::Kind::Timestamp;
        t.text = v;
        return true;
    }

    const std::string& s_;
    std::vector<Token>& out_;
    std::string& err_;
    size_t p_ = 0;
};

}  // namespace

bool tokenize(const std::string& batch, std::vector<Token>& out, std::string& err) {
    err.clear();
    Lexer lexer(batch, out, err);
    return lexer.run();
}

}  // namespace kel::tsql
