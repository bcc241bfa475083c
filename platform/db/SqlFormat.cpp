#include "platform/db/SqlFormat.h"

#include <algorithm>
#include <vector>

#include "platform/db/tsql/TsqlLexer.h"
#include "platform/util/SqlQuote.h"

namespace kel::sql {

namespace {

bool digit(char c) { return c >= '0' && c <= '9'; }

// What the lexer would take as part of a word or number before a quote.
bool wordChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || digit(c) || c == '_' || c == '#' || c == '$' ||
           c == '@';
}

// One conversion as glibc's printf reads it: %[n$][flags][width][.precision][length]kind,
// a width or precision of * or *m$, one length modifier of hh h ll l L q j z Z t.
struct Conversion {
    enum class Kind { Percent, Text, Raw, Signed, Unsigned, Count, Unknown };
    Kind kind = Kind::Unknown;
    size_t end = 0;  // just past it; past an unknown kind printf goes on as we do
    unsigned value = 0;       // the number of the argument it prints; 0 when taken in turn
    unsigned sizes[2] = {};   // the numbers of the arguments a * width and precision take
    bool numbered = false;    // takes an argument by its number
    bool unnumbered = false;  // takes an argument in turn
    bool precision = false;
    bool grouping = false;  // ' or I: digits in the locale's form
};

// Digits from i on ending in '$': an argument number, i then past the '$';
// else 0. Zero or more than nine digits is none (printf prints such a
// conversion as it stands).
unsigned argumentNumber(std::string_view f, size_t& i) {
    size_t j = i;
    unsigned n = 0;
    for (; j < f.size() && digit(f[j]) && j - i < 10; ++j) n = n * 10 + unsigned(f[j] - '0');
    if (j == i || j - i > 9 || n == 0 || j >= f.size() || f[j] != '$') return 0;
    i = j + 1;
    return n;
}

void skipDigits(std::string_view f, size_t& i) {
    while (i < f.size() && digit(f[i])) ++i;
}

// The conversion that starts at the '%' at i.
Conversion readConversion(std::string_view f, size_t i) {
    Conversion c;
    ++i;
    c.value = argumentNumber(f, i);
    for (; i < f.size() && std::string_view(" +-#0'I").find(f[i]) != std::string_view::npos; ++i)
        c.grouping = c.grouping || f[i] == '\'' || f[i] == 'I';
    // A * takes an argument itself, by number or in turn; "*5" without '$'
    // is no width printf reads as written.
    bool starRead = true;
    const auto star = [&](unsigned& number) {
        ++i;
        if (i < f.size() && digit(f[i])) {
            number = argumentNumber(f, i);
            starRead = number != 0;
            c.numbered = true;
        } else {
            c.unnumbered = true;
        }
    };
    if (i < f.size() && f[i] == '*') star(c.sizes[0]);
    else skipDigits(f, i);
    if (i < f.size() && f[i] == '.') {
        c.precision = true;
        ++i;
        if (i < f.size() && f[i] == '*') star(c.sizes[1]);
        else skipDigits(f, i);
    }
    if (i + 1 < f.size() && ((f[i] == 'h' && f[i + 1] == 'h') || (f[i] == 'l' && f[i + 1] == 'l'))) i += 2;
    else if (i < f.size() && std::string_view("hlLqjzZt").find(f[i]) != std::string_view::npos) ++i;
    if (i >= f.size() || !starRead) {
        c.end = i >= f.size() ? f.size() : i + 1;
        return c;  // unfinished, or a * printf reads its own way
    }
    const char k = f[i];
    c.end = i + 1;
    const auto in = [k](std::string_view set) { return set.find(k) != std::string_view::npos; };
    c.kind = k == '%'            ? Conversion::Kind::Percent
             : in("sS")          ? Conversion::Kind::Text
             : in("cCm")         ? Conversion::Kind::Raw
             : in("dieEfFgGaA")  ? Conversion::Kind::Signed
             : in("ouxXbBp")     ? Conversion::Kind::Unsigned
             : k == 'n'          ? Conversion::Kind::Count
                                 : Conversion::Kind::Unknown;
    if (c.kind == Conversion::Kind::Percent || k == 'm') return c;  // no argument printed
    if (c.value) c.numbered = true;
    else c.unnumbered = true;
    return c;
}

bool refuse(std::string* why, std::string text) {
    if (why) *why = std::move(text);
    return true;
}

// A stand-in for the text of conversion k: no format holds a NUL, so a
// token holding one holds a stand-in.
std::string standIn(size_t k) { return std::string(1, '\0') + std::to_string(k); }

// A text conversion as written, and whether a word of the format runs into
// its literal.
struct TextConversion {
    std::string_view spec;
    bool afterWord = false;
};

// The statement the format makes, each text a quoted stand-in, each number
// a 0; texts gets each text conversion. True with why set when a
// conversion alone already makes the format unsound. A width's padding is
// left out: blanks beside a literal change nothing once no word runs into
// it and no quote after it joins it to a literal of the format's.
bool probe(std::string_view f, std::string& out, std::vector<TextConversion>& texts, std::string* why) {
    out.clear();
    texts.clear();
    bool numbered = false, unnumbered = false;
    std::vector<unsigned> textArguments, otherArguments;  // by number
    for (size_t i = 0; i < f.size();) {
        if (f[i] != '%') {
            out += f[i++];
            continue;
        }
        const Conversion c = readConversion(f, i);
        const std::string_view spec = f.substr(i, c.end - i);
        const auto named = [spec](const char* what) { return "\"" + std::string(spec) + "\" " + what; };
        i = c.end;
        numbered = numbered || c.numbered;
        unnumbered = unnumbered || c.unnumbered;
        for (unsigned size : c.sizes)
            if (size) otherArguments.push_back(size);
        if (c.value) (c.kind == Conversion::Kind::Text ? textArguments : otherArguments).push_back(c.value);
        switch (c.kind) {
        case Conversion::Kind::Unknown:
            return refuse(why, named("is no conversion printf knows"));
        case Conversion::Kind::Raw:
            return refuse(why, named("puts a character or message raw into the statement"));
        case Conversion::Kind::Percent:
            out += '%';
            break;
        case Conversion::Kind::Count:
            break;
        case Conversion::Kind::Signed:
            if (!out.empty() && out.back() == '-')
                return refuse(why, named("follows a minus: a negative number would open a comment"));
            [[fallthrough]];
        case Conversion::Kind::Unsigned:
            if (c.grouping) return refuse(why, named("groups its digits as the locale does, with a quote in some"));
            out += '0';
            break;
        case Conversion::Kind::Text:
            if (c.precision) return refuse(why, named("has a precision, which can cut its literal short"));
            texts.push_back(TextConversion{spec, !out.empty() && wordChar(out.back())});
            appendQuoted(out, standIn(texts.size() - 1), '\'');
            break;
        }
    }
    if (numbered && unnumbered) return refuse(why, "the format mixes numbered and unnumbered conversions");
    for (unsigned n : textArguments)
        if (std::find(otherArguments.begin(), otherArguments.end(), n) != otherArguments.end())
            return refuse(why, "argument " + std::to_string(n) + " is printed as a text and read as something else");
    return false;
}

// Whether the tokens hold each stand-in once as a literal of its own, and no
// bracketed name the engine would end early; why otherwise. The tokens of a
// batch the lexer gave up on are those before the point where it did.
bool standAlone(const std::vector<tsql::Token>& tokens, const std::vector<TextConversion>& texts, std::string* why) {
    const auto inside = [&](size_t k) {
        return refuse(why, "\"" + std::string(texts[k].spec) + "\" stands inside quotes, brackets or a comment of the format");
    };
    std::vector<int> seen(texts.size(), 0);
    for (const tsql::Token& t : tokens) {
        const size_t nul = t.text.find('\0');
        if (nul == std::string::npos) {
            if (t.kind == tsql::Token::Kind::QuotedName && t.text.find(']') != std::string::npos)
                return refuse(why, "a name of the format holds \"]]\", which the catalogue's engine reads as its end");
            continue;
        }
        size_t k = 0, i = nul + 1;
        for (; i < t.text.size() && digit(t.text[i]); ++i) k = k * 10 + size_t(t.text[i] - '0');
        if (k >= texts.size()) k = 0;
        if (t.kind != tsql::Token::Kind::String || t.text != standIn(k)) return inside(k);
        ++seen[k];
    }
    for (size_t k = 0; k < texts.size(); ++k)
        if (seen[k] != 1) return inside(k);
    // The lexer reads x'...' as a word and a literal; SQLite reads a blob.
    for (const TextConversion& t : texts)
        if (t.afterWord) return refuse(why, "\"" + std::string(t.spec) + "\" runs into the word before it");
    return false;
}

// The record layer asks this of the same few formats over and over, a
// lookup per row: the last formats found sound on this thread, to be told
// again without lexing.
class SoundFormats {
public:
    bool holds(std::string_view format) const {
        for (const std::string& f : formats_)
            if (f == format) return true;
        return false;
    }
    void add(std::string_view format) {
        formats_[next_].assign(format.data(), format.size());
        next_ = (next_ + 1) % kKept;
    }

private:
    static constexpr size_t kKept = 16;
    std::string formats_[kKept];
    size_t next_ = 0;
};

}  // namespace

bool unsoundFormat(std::string_view format, std::string* why) {
    format = format.substr(0, format.find('\0'));
    // Most formats take numbers only: read without building anything.
    bool anyText = false;
    for (size_t i = format.find('%'); i != std::string_view::npos && !anyText; i = format.find('%', i)) {
        const Conversion c = readConversion(format, i);
        anyText = c.kind == Conversion::Kind::Text || c.kind == Conversion::Kind::Raw;
        i = c.end;
    }
    if (!anyText) return false;
    thread_local SoundFormats sound;
    if (sound.holds(format)) return false;

    std::string statement, err;
    std::vector<TextConversion> texts;
    if (probe(format, statement, texts, why)) return true;
    std::vector<tsql::Token> tokens;
    const bool read = tsql::tokenize(statement, tokens, err);
    if (standAlone(tokens, texts, why)) return true;
    if (!read) return refuse(why, "the format is no SQL the runner can read (" + err + ")");
    sound.add(format);
    return false;
}

}  // namespace kel::sql
