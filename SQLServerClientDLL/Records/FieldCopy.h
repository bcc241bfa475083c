// Texts into the fixed fields of wire records and row structs, whole or not
// at all: a name cut to its field can name another row, so a text that does
// not fit is refused where it is written, before anything is sent or stored.
#pragma once

#include <cstddef>
#include <string>

#include "KelSQL/KelSQLErrorStatus.h"
#include "platform/events/KelLastError.h"
#include "platform/util/BoundedCopy.h"

namespace kelsql {

// text whole into dst; else 0x1E000037 naming field as too long (textFits),
// dst left empty, false.
template <size_t N>
[[nodiscard]] bool copyText(KelLastError& err, char (&dst)[N], const std::string& text, const char* field,
                            const char* signature) {
    if (!textFits(err, text, N, field, signature)) {
        dst[0] = '\0';
        return false;
    }
    return kel::copyField(dst, text);
}

// As above for a field of which only the first size bytes are used.
[[nodiscard]] inline bool copyText(KelLastError& err, char* dst, size_t size, const std::string& text,
                                   const char* field, const char* signature) {
    if (!textFits(err, text, size, field, signature)) {
        dst[0] = '\0';
        return false;
    }
    return kel::boundedCopy(dst, size, text);
}

// A peer's text in a fixed field it may have filled to its last byte: true
// when it leaves room for the NUL (a column of the field's size holds it
// whole), else 0x1E000037 naming field as too long (textFits).
template <size_t N>
[[nodiscard]] bool peerTextFits(KelLastError& err, const char (&field)[N], const char* name, const char* signature) {
    return textFits(err, kel::fieldText(field), N, name, signature);
}

// The texts of one record, in order: after the first that does not fit (its
// error set as copyText does) the rest are left empty and ok() is false.
class FieldCopies {
public:
    FieldCopies(KelLastError& err, const char* signature) : err_(err), signature_(signature) {}

    template <size_t N>
    FieldCopies& text(char (&dst)[N], const std::string& value, const char* field) {
        if (ok_) ok_ = copyText(err_, dst, value, field, signature_);
        else dst[0] = '\0';
        return *this;
    }

    FieldCopies& text(char* dst, size_t size, const std::string& value, const char* field) {
        if (ok_) ok_ = copyText(err_, dst, size, value, field, signature_);
        else dst[0] = '\0';
        return *this;
    }

    [[nodiscard]] bool ok() const { return ok_; }

private:
    KelLastError& err_;
    const char* signature_;
    bool ok_ = true;
};

}  // namespace kelsql
