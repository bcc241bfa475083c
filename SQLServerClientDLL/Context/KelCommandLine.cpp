#include "KelSQL/KelCommandLine.h"

#include "platform/util/BoundedCopy.h"

namespace {

bool isMarker(char c) { return c == '-' || c == '/'; }
bool isBlank(char c) { return c == ' ' || c == '\t'; }

void trimTrailingBlanks(std::string& text) {
    size_t keep = text.size();
    while (keep > 0 && isBlank(text[keep - 1])) --keep;
    text.resize(keep);
}

}  // namespace

bool KelCommandLine::setCommandLine(const char* text) {
    if (!text || !*text) return false;
    text_ = text;
    position_ = 0;
    return true;
}

char KelCommandLine::getNextOption() {
    const size_t end = text_.size();
    size_t p = position_;
    while (p < end && !isMarker(text_[p])) ++p;
    // A marker that ends the text has no letter after it.
    if (p + 1 >= end) {
        position_ = end;
        return 0;
    }
    position_ = p + 1;
    return text_[position_];
}

bool KelCommandLine::getArgument(std::string& out) {
    const size_t end = text_.size();
    if (position_ >= end) return false;
    size_t p = position_ + 1;
    while (p < end && isBlank(text_[p])) ++p;

    if (p < end && (text_[p] == '"' || text_[p] == '\'')) {
        const char quote = text_[p++];
        while (p < end && isBlank(text_[p])) ++p;
        size_t close = text_.find(quote, p);
        if (close == std::string::npos) {
            position_ = end;
            return false;
        }
        out.assign(text_, p, close - p);
        trimTrailingBlanks(out);
        // Scanning resumes at the closing quote, so a quoted value ending in
        // '-' or '/' is not taken for a marker.
        position_ = close;
        return true;
    }

    const size_t start = p;
    while (p < end && !(isMarker(text_[p]) && text_[p - 1] == ' ')) ++p;
    out.assign(text_, start, p - start);
    trimTrailingBlanks(out);
    position_ = p - 1;
    return true;
}

bool KelCommandLine::getArgument(char* out, size_t size) {
    if (!out || size == 0) return false;
    out[0] = '\0';
    std::string argument;
    return getArgument(argument) && kel::boundedCopy(out, size, argument);
}

bool KelCommandLine::getArgument(char* out) { return getArgument(out, text_.size() + 1); }

bool KelCommandLine::isOption(const std::string& name) {
    if (name.empty() || position_ >= text_.size()) return false;
    if (text_.compare(position_, name.size(), name) != 0) return false;
    position_ += name.size() - 1;
    return true;
}
