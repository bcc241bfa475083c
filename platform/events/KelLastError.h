// The platform's error record: a number, a severity and a packed list of
// argument texts. Setting a number starts a new error, so arguments always go
// in after it.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>

enum KelLE_SeverityLevel {
    KelLE_Informational = 0,
    KelLE_Minor = 1,
    KelLE_Major = 2,
    KelLE_Critical = 3,
};

class KelLastError {
public:
    static constexpr int kMaxArgumentList = 1024;

    KelLastError();
    explicit KelLastError(uint64_t number);
    KelLastError(const KelLastError& other);
    KelLastError& operator=(const KelLastError& other);

    void setNumber(uint64_t number) { set(number, KelLE_Major); }
    void setMajor(uint64_t number) { set(number, KelLE_Major); }
    void setMinor(uint64_t number) { set(number, KelLE_Minor); }
    void setCritical(uint64_t number) { set(number, KelLE_Critical); }
    void setInformational(uint64_t number) { set(number, KelLE_Informational); }
    void clear() { set(0, KelLE_Major); }

    // An argument that no longer fits the 1024-byte list is dropped whole, so
    // the list always holds complete, terminated texts.
    void addArgument(const char* text);
    void addArgument(const std::string& text) { addArgument(text.c_str()); }
    template <typename T, typename = std::enable_if_t<std::is_integral<T>::value>>
    void addArgument(T value) {
        addArgument(std::is_signed<T>::value ? std::to_string(static_cast<long long>(value))
                                             : std::to_string(static_cast<unsigned long long>(value)));
    }

    uint64_t number() const { return number_; }
    KelLE_SeverityLevel severity() const { return severity_; }
    bool isMajor() const { return severity_ == KelLE_Major; }
    bool isCritical() const { return severity_ == KelLE_Critical; }
    bool isMinor() const { return severity_ == KelLE_Minor; }
    bool isInformational() const { return severity_ == KelLE_Informational; }
    int argumentCount() const { return count_; }
    int argumentListLength() const { return length_; }
    const char* argumentList() const { return args_; }
    bool isErrorLogged() const { return logged_; }
    void setErrorLogged(bool logged = true) { logged_ = logged; }

    void resetGetNextArgument() { cursor_ = 0; }
    // The next argument text, or null after the last.
    const char* getNextArgument();

    // The catalogue text of the number: a format whose %s conversions take the
    // arguments in order.
    const char* message() const;
    // message() with the arguments filled in (at most 4095 characters).
    std::string formatLastErrorMessage() const;

private:
    void set(uint64_t number, KelLE_SeverityLevel severity);

    uint64_t number_ = 0;
    KelLE_SeverityLevel severity_ = KelLE_Major;
    bool logged_ = false;
    char args_[kMaxArgumentList + 1] = {};
    int length_ = 0;
    int count_ = 0;
    int cursor_ = 0;
};

namespace kel {

// Fills the %s conversions of format with args in order ("%%" gives "%") and
// appends the arguments no conversion took as " [a; b]". A conversion without
// an argument gives the empty text and any other conversion is copied as it
// stands, so no peer-sent text can drive a printf. The result is cut to
// size-1 bytes and always terminated.
size_t formatWithArguments(char* out, size_t size, const char* format,
                           const char* const* args, int count);

// The catalogue text of an error number; a generic text for unknown numbers.
const char* errorText(uint64_t number);
// The text for an error of that number with argumentCount arguments: a few
// numbers say more when they carry more.
const char* errorText(uint64_t number, int argumentCount);

}  // namespace kel
