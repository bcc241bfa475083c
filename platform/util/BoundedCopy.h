// The one bounded copy into fixed-size fields: wire records, row structs and
// line buffers are filled only through these, never through strcpy.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>

namespace kel {

// Copies at most size-1 bytes of src (stopping at its NUL) and always
// terminates dst. Returns the number of bytes copied.
inline size_t boundedCopy(char* dst, size_t size, const char* src, size_t srcLen) {
    if (!dst || size == 0) return 0;
    size_t n = src ? strnlen(src, srcLen) : 0;
    if (n > size - 1) n = size - 1;
    if (n) std::memcpy(dst, src, n);
    dst[n] = '\0';
    return n;
}

inline size_t boundedCopy(char* dst, size_t size, const char* src) {
    return boundedCopy(dst, size, src, src ? std::strlen(src) : 0);
}

inline size_t boundedCopy(char* dst, size_t size, const std::string& src) {
    return boundedCopy(dst, size, src.data(), src.size());
}

// Fills a fixed char array field; the array's size is the bound.
template <size_t N, typename Src>
inline size_t copyField(char (&dst)[N], const Src& src) {
    return boundedCopy(dst, N, src);
}

// Reads a text out of a fixed field that a peer may have left unterminated.
template <size_t N>
inline std::string fieldText(const char (&src)[N]) {
    return std::string(src, strnlen(src, N));
}

inline std::string fieldText(const char* src, size_t size) {
    return std::string(src, strnlen(src, size));
}

}  // namespace kel

// The platform's secure-copy names, kept for the callers that use them. Both
// return 0 on success and a non-zero value (with dst emptied) when src does not
// fit, as the bounded C11 functions do.
inline int strcpy_s(char* dst, size_t size, const char* src) {
    if (!dst || size == 0) return 22;
    if (!src) { dst[0] = '\0'; return 22; }
    size_t n = std::strlen(src);
    if (n >= size) { dst[0] = '\0'; return 34; }
    std::memcpy(dst, src, n + 1);
    return 0;
}

// Copies at most count bytes of src; truncation to fit size is allowed.
inline int strncpy_s(char* dst, size_t size, const char* src, size_t count) {
    if (!dst || size == 0) return 22;
    size_t limit = count < size - 1 ? count : size - 1;
    kel::boundedCopy(dst, limit + 1, src, src ? count : 0);
    return 0;
}
