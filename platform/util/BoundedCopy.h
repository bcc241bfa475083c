// The one bounded copy into fixed-size fields: wire records, row structs and
// line buffers are filled only through these, never through strcpy.
//
// A name, key or stored value cut to its field can name another row, so the
// plain copies refuse a text that does not fit and say so; a caller that
// means to cut (a log line, a display text) asks for it by name.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>

namespace kel {

// Copies the whole of src (up to srcLen bytes or its NUL) and terminates dst.
// When it does not fit in size-1 bytes nothing of it is kept: dst is left
// empty and the result is false.
[[nodiscard]] inline bool boundedCopy(char* dst, size_t size, const char* src, size_t srcLen) {
    if (!dst || size == 0) return false;
    const size_t n = src ? strnlen(src, srcLen) : 0;
    if (n > size - 1) {
        dst[0] = '\0';
        return false;
    }
    if (n) std::memcpy(dst, src, n);
    dst[n] = '\0';
    return true;
}

[[nodiscard]] inline bool boundedCopy(char* dst, size_t size, const char* src) {
    return boundedCopy(dst, size, src, src ? std::strlen(src) : 0);
}

[[nodiscard]] inline bool boundedCopy(char* dst, size_t size, const std::string& src) {
    return boundedCopy(dst, size, src.data(), src.size());
}

// Fills a fixed char array field; the array's size is the bound.
template <size_t N, typename Src>
[[nodiscard]] inline bool copyField(char (&dst)[N], const Src& src) {
    return boundedCopy(dst, N, src);
}

// One field into another that is at least as large: it always fits, and the
// sizes are checked when this is compiled.
template <size_t N, size_t M>
inline void copyWholeField(char (&dst)[N], const char (&src)[M]) {
    static_assert(M <= N, "the source field is larger than the destination");
    const size_t n = strnlen(src, M < N ? M : N - 1);
    if (n) std::memcpy(dst, src, n);
    dst[n] = '\0';
}

// The intended cut: at most size-1 bytes of src, always terminated. Only for
// texts that are read by a person (log lines, display texts), never for a
// value that is stored, compared or sent as a key. Returns the bytes kept.
inline size_t cutCopy(char* dst, size_t size, const char* src, size_t srcLen) {
    if (!dst || size == 0) return 0;
    size_t n = src ? strnlen(src, srcLen) : 0;
    if (n > size - 1) n = size - 1;
    if (n) std::memcpy(dst, src, n);
    dst[n] = '\0';
    return n;
}

inline size_t cutCopy(char* dst, size_t size, const char* src) {
    return cutCopy(dst, size, src, src ? std::strlen(src) : 0);
}

inline size_t cutCopy(char* dst, size_t size, const std::string& src) {
    return cutCopy(dst, size, src.data(), src.size());
}

template <size_t N, typename Src>
inline size_t cutField(char (&dst)[N], const Src& src) {
    return cutCopy(dst, N, src);
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
[[nodiscard]] inline int strcpy_s(char* dst, size_t size, const char* src) {
    if (!dst || size == 0) return 22;
    if (!src) { dst[0] = '\0'; return 22; }
    return kel::boundedCopy(dst, size, src) ? 0 : 34;
}

// Copies at most count bytes of src; src's first count bytes (up to its NUL)
// must fit in size-1, else dst is emptied and the result is non-zero.
[[nodiscard]] inline int strncpy_s(char* dst, size_t size, const char* src, size_t count) {
    if (!dst || size == 0) return 22;
    if (!src) { dst[0] = '\0'; return 22; }
    return kel::boundedCopy(dst, size, src, count) ? 0 : 34;
}
