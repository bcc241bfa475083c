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

}  // namespace kel::sql
