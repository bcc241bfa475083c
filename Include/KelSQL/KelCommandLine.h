// The tokenizer of the agent executables' command lines: walks the text from
// option marker ('-' or '/') to option marker and cuts out each option's
// argument, quoted or not. The tokenizer owns its copy of the text, so it may
// be copied and given a new text freely.
#pragma once

#include <cstddef>
#include <string>

class KelCommandLine {
public:
    KelCommandLine() = default;

    // False for a null or empty text (the previous text stays); otherwise
    // takes a copy and starts scanning at its beginning.
    bool setCommandLine(const char* text);
    // The text, empty before setCommandLine succeeded.
    const char* commandLine() const { return text_.c_str(); }
    size_t length() const { return text_.size(); }

    // The next option letter, or 0 when no marker is left. The position stays
    // on the letter.
    char getNextOption();

    // Cuts the current option's argument. An unquoted argument ends at a '-'
    // or '/' that follows a space; a quoted one at its closing quote. False
    // when no option is current (nothing set, or the text was read to its
    // end) or a quote is not closed.
    bool getArgument(std::string& out);
    // The same into out of size bytes; false, with out emptied, when the
    // argument and its NUL do not fit.
    bool getArgument(char* out, size_t size);
    // out must hold length() + 1 bytes: no argument is longer than the text.
    bool getArgument(char* out);

    // Whether the text at the position begins with name (a long option); on a
    // match the position moves to the name's last character.
    bool isOption(const std::string& name);

private:
    std::string text_;
    size_t position_ = 0;
};
