// Splits a T-SQL batch into tokens. Comments vanish, string literals keep
// their value with doubled quotes undone, [bracketed] names become plain
// names and the ODBC timestamp escapes become checked date-time texts.
#pragma once

#include <strings.h>

#include <cstring>
#include <string>
#include <vector>

namespace kel::tsql {

struct Token {
    enum class Kind { Word, QuotedName, Variable, SystemVariable, Number, String, Timestamp, Punct, End };

    Kind kind = Kind::End;
    std::string text;        // Word/Punct/Number as written; String, QuotedName and Timestamp: the value
    bool spaceBefore = false;  // whitespace or a comment preceded it in the batch

    // A Word equal to word, without regard to case. Inline: the parser asks
    // this of every token many times, and the length test settles most asks.
    bool is(const char* word) const {
        size_t n = std::strlen(word);
        return kind == Kind::Word && text.size() == n && strncasecmp(text.data(), word, n) == 0;
    }
    bool punct(const char* p) const { return kind == Kind::Punct && text == p; }
};

// Returns false with err set when the batch cannot be split (an open string,
// an open comment, a malformed or all-zero timestamp escape).
bool tokenize(const std::string& batch, std::vector<Token>& out, std::string& err);

}  // namespace kel::tsql
