// Run by the FormatCheck tests over the library's sources: every string
// literal (adjacent ones joined, as the compiler joins them) is put to the
// same test the record layer puts to a where or SET format at run time, so
// that no source of the library quotes a %s itself. Exits 1 and lists the
// literals that do, 2 when a folder cannot be read.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "platform/util/SqlQuote.h"

namespace {

namespace fs = std::filesystem;

// The text of a literal as the program sees it, as far as quotes and
// percents go: an escaped character stands for itself.
char unescaped(const std::string& src, size_t& i) {
    if (src[i] != '\\' || i + 1 >= src.size()) return src[i];
    ++i;
    return src[i] == 'n' ? '\n' : src[i] == 't' ? '\t' : src[i];
}

// Calls found(line, text) for each run of adjacent string literals.
template <typename Found>
void literals(const std::string& src, Found found) {
    size_t line = 1;
    std::string text;
    size_t textLine = 0;
    bool open = false;  // a run of literals that a further literal may join
    auto close = [&] {
        if (open) found(textLine, text);
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
            for (++i; i < src.size() && src[i] != '\''; ++i)
                if (src[i] == '\\') ++i;
            continue;
        }
        if (c == '"') {
            if (!open) textLine = line;
            open = true;
            for (++i; i < src.size() && src[i] != '"'; ++i) {
                if (src[i] == '\n') ++line;
                text += unescaped(src, i);
            }
            continue;
        }
        close();
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
            literals(all.str(), [&](size_t line, const std::string& text) {
                if (!kel::sql::quotedConversion(text)) return;
                std::cout << it->path().string() << ":" << line << ": a %s between quotes: \"" << text << "\"\n";
                ++found;
            });
        }
    }
    if (found) std::cout << found << " format(s) quote a %s themselves\n";
    return found ? 1 : 0;
}
