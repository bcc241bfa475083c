// Run by the FormatCheck tests over the library's sources: every string
// literal (adjacent ones joined, as the compiler joins them) given to one of
// the library's SQL formatters is put to the same test the record layer puts
// to a where or SET format at run time, so that no source of the library
// holds a format in which a text could be more than its one literal. Exits 1 and lists the literals that do, with why, 2
// when a folder cannot be read.
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/db/SqlFormat.h"

namespace {

namespace fs = std::filesystem;

// The text of a literal as the program sees it, as far as quotes and
// percents go: an escaped character stands for itself.
char unescaped(const std::string& src, size_t& i) {
    if (src[i] != '\\' || i + 1 >= src.size()) return src[i];
    ++i;
    return src[i] == 'n' ? '\n' : src[i] == 't' ? '\t' : src[i];
}

// The calls whose format is SQL: a text given to one of these is part of a
// statement, where a message's text is only shown.
bool sqlFormatter(const std::string& name) {
    static const char* const kNames[] = {"setWhere",      "rowUpdate",            "updateRowFormat", "format",
                                         "vformat",       "CallDBsprintf",        "CallDBsprintfWrapper",
                                         "formatBatch"};
    for (const char* n : kNames)
        if (name == n) return true;
    return false;
}

bool nameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// Calls found(line, text, call) for each run of adjacent string literals,
// call being the name of the innermost call it is an argument of (empty
// outside any call).
template <typename Found>
void literals(const std::string& src, Found found) {
    size_t line = 1;
    std::string text;
    size_t textLine = 0;
    bool open = false;  // a run of literals that a further literal may join
    std::string name;                // the name just read, a call's when a '(' follows
    std::vector<std::string> calls;  // the calls open here, innermost last
    auto close = [&] {
        if (open) found(textLine, text, calls.empty() ? std::string() : calls.back());
        open = false;
        text.clear();
    };
    for (size_t i = 0; i < src.size(); ++i) {
        const char c = src[i];
        if (c == '\n') {
            ++line;
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\r') continue;
        if (c == '/' && i + 1 < src.size() && src[i + 1] == '/') {
            while (i < src.size() && src[i] != '\n') ++i;
            --i;
            continue;
        }
        if (c == '/' && i + 1 < src.size() && src[i + 1] == '*') {
            for (i += 2; i + 1 < src.size() && !(src[i] == '*' && src[i + 1] == '/'); ++i)
                if (src[i] == '\n') ++line;
            ++i;
            continue;
        }
        if (c == '\'') {  // a character literal
            close();
            name.clear();
            for (++i; i < src.size() && src[i] != '\''; ++i)
                if (src[i] == '\\') ++i;
            continue;
        }
        if (c == '"') {
            if (!open) textLine = line;
            open = true;
            name.clear();
            for (++i; i < src.size() && src[i] != '"'; ++i) {
                if (src[i] == '\n') ++line;
                text += unescaped(src, i);
            }
            continue;
        }
        close();
        if (nameChar(c)) {
            if (i == 0 || !nameChar(src[i - 1])) name.clear();
            name += c;
            continue;
        }
        if (c == '(') calls.push_back(name);
        else if (c == ')' && !calls.empty()) calls.pop_back();
        name.clear();
    }
    close();
}

bool source(const fs::path& path) {
    const std::string ext = path.extension().string();
    return ext == ".cpp" || ext == ".h";
}

}  // namespace

int main(int argc, char** argv) {
    int found = 0;
    for (int a = 1; a < argc; ++a) {
        std::error_code ec;
        fs::recursive_directory_iterator it(argv[a], ec), end;
        if (ec) {
            std::cerr << argv[a] << ": " << ec.message() << "\n";
            return 2;
        }
        for (; it != end; it.increment(ec)) {
            if (ec || !it->is_regular_file() || !source(it->path())) continue;
            std::ifstream in(it->path());
            std::stringstream all;
            all << in.rdbuf();
            literals(all.str(), [&](size_t line, const std::string& text, const std::string& call) {
                if (!sqlFormatter(call)) return;
                std::string why;
                if (!kel::sql::unsoundFormat(text, &why)) return;
                std::cout << it->path().string() << ":" << line << ": \"" << text << "\": " << why << "\n";
                ++found;
            });
        }
    }
    if (found) std::cout << found << " unsound format(s)\n";
    return found ? 1 : 0;
}
