#include "platform/util/SqlQuote.h"

namespace kel::sql {

void appendQuoted(std::string& out, std::string_view text, char quote) {
    out += quote;
    for (char c : text) {
        out += c;
        if (c == quote) out += quote;
    }
    out += quote;
}

std::string quoted(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    appendQuoted(out, text, '\'');
    return out;
}

std::string quotedName(std::string_view name) {
    std::string out;
    out.reserve(name.size() + 2);
    appendQuoted(out, name, '"');
    return out;
}

namespace {

bool letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// An apostrophe inside a word ("it's", "manager's") outside a literal: SQL
// never puts a quote there (a prefix such as N'...' has one letter before it).
bool inWord(std::string_view s, size_t i) {
    return i >= 2 && i + 1 < s.size() && letter(s[i - 1]) && letter(s[i - 2]) && letter(s[i + 1]);
}

}  // namespace

bool quotedConversion(std::string_view format) {
    bool inLiteral = false;
    for (size_t i = 0; i < format.size(); ++i) {
        const char c = format[i];
        if (c == '\'' && !inLiteral && inWord(format, i)) continue;
        if (c == '\'') {
            // A doubled quote inside a literal is one quote of its text.
            if (inLiteral && i + 1 < format.size() && format[i + 1] == '\'') ++i;
            else inLiteral = !inLiteral;
            continue;
        }
        if (c != '%') continue;
        constexpr std::string_view kFlagsAndSizes = "-+ #0123456789.*hlLqjzt";
        size_t j = i + 1;
        while (j < format.size() && kFlagsAndSizes.find(format[j]) != std::string_view::npos) ++j;
        if (j >= format.size()) break;
        if (format[j] == 's' && inLiteral) return true;
        i = j;  // past the conversion, %% included
    }
    return false;
}

}  // namespace kel::sql
