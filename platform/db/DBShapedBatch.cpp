#include "platform/db/DBShapedBatch.h"

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstring>

#include "platform/db/tsql/SetLiterals.h"

bool DBShapedBatch::read(const char* format) {
    shape.clear();
    conversions_.clear();
    const char* p = format;
    while (const char* percent = std::strchr(p, '%')) {
        shape.append(p, size_t(percent - p));
        const char conversion = percent[1];
        if (conversion == '%') {
            shape += '%';
        } else if (conversion == 'd' || conversion == 's') {
            conversions_ += conversion;
            shape += '\x01';
        } else {
            return false;
        }
        p = percent + 2;
    }
    shape += p;
    // A '\x01' of the format's own would read as a literal's place.
    return std::count(shape.begin(), shape.end(), '\x01') == std::ptrdiff_t(conversions_.size());
}

bool DBShapedBatch::take(const char* format, va_list args) {
    if (!format) return false;
    // A cursor runs the same format again and again: read it once.
    if (format_.empty() || std::strcmp(format_.c_str(), format) != 0) {
        format_.clear();
        if (!read(format)) return false;
        format_ = format;
    }
    // The vectors keep their strings from call to call: no allocation once
    // a cursor has run.
    values.resize(conversions_.size());
    texts.resize(conversions_.size());
    for (size_t i = 0; i < conversions_.size(); ++i) {
        if (conversions_[i] == 'd') {
            const int n = va_arg(args, int);
            values[i] = kel::tsql::Value::integer(n);
            char digits[16];
            texts[i].assign(digits, size_t(std::to_chars(digits, digits + sizeof digits, n).ptr - digits));
        } else {
            const char* literal = va_arg(args, const char*);
            if (!literal || !kel::tsql::setLiteralValue(literal, values[i])) return false;
            texts[i].assign(literal);
        }
    }
    return true;
}

std::string DBShapedBatch::text() const {
    std::string out;
    out.reserve(shape.size() + 32 * texts.size());
    size_t k = 0;
    for (char c : shape) {
        if (c == '\x01' && k < texts.size()) out += texts[k++];
        else out += c;
    }
    return out;
}
