// Texts that a fixed request record references travel as the frame's
// trailing data: per text a u16 length, then its bytes without terminator.
// The receiver rebuilds them into its own strings; a reference field of the
// record is sent as zero and never read.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace kelsql::payload {

inline std::vector<char> encodeTexts(const std::vector<std::string>& texts) {
    std::vector<char> out;
    for (const std::string& t : texts) {
        const auto length = static_cast<uint16_t>(t.size() > 0xFFFF ? 0xFFFF : t.size());
        const char* l = reinterpret_cast<const char*>(&length);
        out.insert(out.end(), l, l + sizeof length);
        out.insert(out.end(), t.data(), t.data() + length);
    }
    return out;
}

// Exactly texts.size() texts, each at most maxLength bytes, and nothing
// after them; else false.
inline bool decodeTexts(const std::vector<char>& data, std::vector<std::string>& texts, size_t maxLength) {
    size_t at = 0;
    for (std::string& t : texts) {
        uint16_t length = 0;
        if (data.size() - at < sizeof length) return false;
        std::memcpy(&length, data.data() + at, sizeof length);
        at += sizeof length;
        if (length > maxLength || data.size() - at < length) return false;
        t.assign(data.data() + at, length);
        at += length;
    }
    return at == data.size();
}

}  // namespace kelsql::payload
