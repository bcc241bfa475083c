#include "platform/events/KelLastError.h"

#include <cstring>
#include <vector>

#include "platform/util/BoundedCopy.h"

KelLastError::KelLastError() = default;

KelLastError::KelLastError(uint64_t number) { set(number, KelLE_Major); }

KelLastError::KelLastError(const KelLastError& other) { *this = other; }

KelLastError& KelLastError::operator=(const KelLastError& other) {
    if (this == &other) return *this;
    number_ = other.number_;
    severity_ = other.severity_;
    logged_ = other.logged_;
    count_ = 0;
    length_ = 0;
    args_[0] = '\0';
    if (other.count_ > 0) {
        count_ = other.count_;
        length_ = other.length_;
        std::memcpy(args_, other.args_, static_cast<size_t>(length_));
        args_[length_] = '\0';
    }
    cursor_ = 0;
    return *this;
}

void KelLastError::set(uint64_t number, KelLE_SeverityLevel severity) {
    number_ = number;
    severity_ = severity;
    logged_ = false;
    count_ = 0;
    length_ = 0;
    cursor_ = 0;
    std::memset(args_, 0, sizeof(args_));
}

void KelLastError::addArgument(const char* text) {
    if (!text) text = "";
    size_t n = std::strlen(text);
    if (static_cast<size_t>(length_) + n + 1 > static_cast<size_t>(kMaxArgumentList)) return;
    std::memcpy(args_ + length_, text, n + 1);
    length_ += static_cast<int>(n + 1);
    ++count_;
}

const char* KelLastError::getNextArgument() {
    if (cursor_ >= length_) return nullptr;
    const char* arg = args_ + cursor_;
    cursor_ += static_cast<int>(std::strlen(arg) + 1);
    return arg;
}

const char* KelLastError::message() const { return kel::errorText(number_, count_); }

std::string KelLastError::formatLastErrorMessage() const {
    std::vector<const char*> args;
    int pos = 0;
    for (int i = 0; i < count_ && pos < length_; ++i) {
        args.push_back(args_ + pos);
        pos += static_cast<int>(std::strlen(args_ + pos) + 1);
    }
    char buffer[4096];
    kel::formatWithArguments(buffer, sizeof(buffer), message(), args.data(),
                             static_cast<int>(args.size()));
    return buffer;
}

namespace kel {

size_t formatWithArguments(char* out, size_t size, const char* format,
                           const char* const* args, int count) {
    if (!out || size == 0) return 0;
    size_t used = 0;
    int next = 0;
    auto put = [&](const char* s, size_t n) {
        size_t room = size - 1 - used;
        if (n > room) n = room;
        std::memcpy(out + used, s, n);
        used += n;
    };
    for (const char* p = format ? format : ""; *p && used < size - 1; ++p) {
        if (p[0] == '%' && p[1] == 's') {
            const char* arg = next < count && args[next] ? args[next] : "";
            ++next;
            put(arg, std::strlen(arg));
            ++p;
        } else if (p[0] == '%' && p[1] == '%') {
            put("%", 1);
            ++p;
        } else {
            put(p, 1);
        }
    }
    for (int i = next; i < count; ++i) {
        put(i == next ? " [" : "; ", 2);
        const char* arg = args[i] ? args[i] : "";
        put(arg, std::strlen(arg));
        if (i == count - 1) put("]", 1);
    }
    out[used] = '\0';
    return used;
}

}  // namespace kel
