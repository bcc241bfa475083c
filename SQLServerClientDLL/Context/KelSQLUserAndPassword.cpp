#include "KelSQL/KelSQLUserAndPassword.h"

#include <cstdio>
#include <cstring>

#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLErrors.h"
#include "platform/events/KelDebug.h"
#include "platform/util/BoundedCopy.h"
#include "platform/util/KelPassword.h"

namespace {

// Buffers of the two forms: plain texts in 512 bytes, cipher texts in 2048.
constexpr size_t kPlainBuffer = 512;
constexpr size_t kCipherBuffer = 2048;

// The cipher takes C strings, so a text with a NUL inside would be cut short.
bool isCString(const std::string& text) { return text.find('\0') == std::string::npos; }

bool sealText(const std::string& plain, std::string& out) {
    char buffer[kCipherBuffer];
    size_t capacity = sizeof(buffer);
    KelPassword cipher;
    if (!cipher.encrypt(plain.c_str(), buffer, &capacity)) return false;
    out.assign(buffer, capacity);
    return true;
}

bool openText(const std::string& in, std::string& plain) {
    char buffer[kPlainBuffer];
    size_t capacity = sizeof(buffer);
    KelPassword cipher;
    if (!cipher.decrypt(in.c_str(), buffer, &capacity)) return false;
    plain = kel::fieldText(buffer);
    return true;
}

}  // namespace

KelSQLUserAndPassword::KelSQLUserAndPassword() = default;

KelSQLUserAndPassword::KelSQLUserAndPassword(bool flag) : flag_(flag) {}

KelSQLUserAndPassword::KelSQLUserAndPassword(const std::string& user, const std::string& password, bool flag)
    : sqlUser_(user), sqlPassword_(password), flag_(flag) {}

bool KelSQLUserAndPassword::operator==(const KelSQLUserAndPassword& other) const {
    return sqlUser_ == other.sqlUser_ && sqlPassword_ == other.sqlPassword_;
}

bool KelSQLUserAndPassword::verify(KelSQLClassProperties&, const std::string&, void*) {
    static const char* const kFunction = "KelSQLUserAndPassword::verify()";
    KelDebug::Error(kFunction, kelsql::kNotSupportedText);
    error_.setNumber(kelsql::kErrNotSupported);
    error_.addArgument(kFunction);
    return false;
}

namespace kelsql {

uint64_t networkCredentialError(const std::string& user, const std::string& password, uint64_t otherwise) {
    if (user.empty() || user.size() > kNetworkUserMax) return kErrCredentialUserLength;
    if (!isCString(user) || !isCString(password)) return kErrCredentialCharacter;
    if (user.size() + password.size() > kNetworkCredentialMax) return kErrCredentialLength;
    return otherwise;
}

bool cipherFailed(KelLastError& err, uint64_t number, const char* signature) {
    err.setNumber(number);
    err.addArgument(signature);
    const std::string key = KelPassword::keyProblem();
    if (!key.empty()) err.addArgument(key);
    return false;
}

bool storedPassword(KelLastError& err, const std::string& plain, std::string& out, const char* column,
                    uint64_t otherwise, const char* signature) {
    if (!textFits(err, plain, kStoredPasswordLimit, column, signature)) return false;
    return encryptSQLPassword(plain, out) || cipherFailed(err, otherwise, signature);
}

bool buildNetworkCredentialText(const std::string& user, const std::string& password, std::string& plain) {
    if (networkCredentialError(user, password, 0) != 0) return false;
    char buffer[kPlainBuffer];
    int n = std::snprintf(buffer, sizeof(buffer), "%2.2lld%s%s", static_cast<long long>(user.size()),
                          user.c_str(), password.c_str());
    if (n < 0 || static_cast<size_t>(n) >= sizeof(buffer)) return false;
    plain.assign(buffer, static_cast<size_t>(n));
    return true;
}

bool readNetworkCredentialText(const std::string& plain, std::string& user, std::string& password) {
    if (plain.size() < 2) return false;
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    if (!digit(plain[0]) || !digit(plain[1])) return false;
    size_t length = static_cast<size_t>((plain[0] - '0') * 10 + (plain[1] - '0'));
    // A user name is never empty, and it cannot run past the text.
    if (length == 0 || length > plain.size() - 2) return false;
    user = plain.substr(2, length);
    password = plain.substr(2 + length);
    return true;
}

}  // namespace kelsql

bool encryptNetworkSQLPassword(const std::string& user, const std::string& password, std::string& out) {
    std::string plain;
    if (!kelsql::buildNetworkCredentialText(user, password, plain)) return false;
    return sealText(plain, out);
}

bool decryptNetworkSQLPassword(const std::string& in, std::string& user, std::string& password) {
    if (in.empty()) return false;
    std::string plain;
    if (!openText(in, plain)) return false;
    return kelsql::readNetworkCredentialText(plain, user, password);
}

bool encryptSQLPassword(const std::string& plain, std::string& out) {
    if (plain.empty()) {
        out.clear();
        return true;
    }
    if (plain.size() >= kelsql::kStoredPasswordLimit || !isCString(plain)) return false;
    return sealText(plain, out);
}

bool decryptSQLPassword(const std::string& in, std::string& out) {
    if (in.empty()) {
        out.clear();
        return true;
    }
    return openText(in, out);
}
