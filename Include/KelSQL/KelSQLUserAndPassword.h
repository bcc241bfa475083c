// An SQL Server login and its password as the library carries them, and the
// two text forms in which a password leaves memory: the network credential
// form (user and password together, inside a message) and the stored form (a
// catalogue column). The password stays plain in memory.
#pragma once

#include <cstdint>
#include <string>

#include "platform/events/KelLastError.h"

class KelSQLClassProperties;

class KelSQLUserAndPassword {
public:
    KelSQLUserAndPassword();
    explicit KelSQLUserAndPassword(bool flag);
    KelSQLUserAndPassword(const std::string& user, const std::string& password, bool flag);

    const std::string& sqlUser() const { return sqlUser_; }
    const std::string& sqlPassword() const { return sqlPassword_; }
    void setSqlUser(const std::string& user) { sqlUser_ = user; }
    void setSqlPassword(const std::string& password) { sqlPassword_ = password; }

    // Once clustered, always clustered.
    void setClustered() { clustered_ = true; }
    bool isClustered() const { return clustered_; }
    bool constructionFlag() const { return flag_; }

    KelLastError& getLastError() { return error_; }
    const KelLastError& getLastError() const { return error_; }

    // Same login: user and password compare as texts; flags and error record
    // take no part.
    bool operator==(const KelSQLUserAndPassword& other) const;
    bool operator!=(const KelSQLUserAndPassword& other) const { return !(*this == other); }

    // Not offered on this platform: logs so, sets 0x1E0000FF and returns false.
    bool verify(KelSQLClassProperties& cp, const std::string& sqlServerName, void* reserved);

private:
    std::string sqlUser_;
    std::string sqlPassword_;
    KelLastError error_;
    bool flag_ = false;
    bool clustered_ = false;
};

// The password forms. None sets an error: the callers raise 0x1E00003C when a
// form cannot be built and 0x1E00003D when one cannot be read. On failure the
// output arguments keep their values.
bool encryptNetworkSQLPassword(const std::string& user, const std::string& password, std::string& out);
bool decryptNetworkSQLPassword(const std::string& in, std::string& user, std::string& password);
bool encryptSQLPassword(const std::string& plain, std::string& out);
bool decryptSQLPassword(const std::string& in, std::string& out);

namespace kelsql {

// The network credential form before the cipher: two decimal digits giving
// the user name's length, the user name, the password. User and password
// together hold at most kNetworkCredentialMax characters; a user name is 1 to
// 99 characters, since the reader takes exactly two digits.
constexpr size_t kNetworkCredentialMax = 509;
constexpr size_t kNetworkUserMax = 99;
// A stored password is shorter than this; its sealed form fills at most
// the catalogue's password columns.
constexpr size_t kStoredPasswordLimit = 512;

// The stored form of plain for the password column named column: false
// with 0x1E000037 (column, signature, how long) for a password of
// kStoredPasswordLimit characters or more, with otherwise (and signature)
// when it cannot be sealed.
bool storedPassword(KelLastError& err, const std::string& plain, std::string& out, const char* column,
                    uint64_t otherwise, const char* signature);

// Sets number and signature on err for a text that could not be sealed or
// opened; when the installation key is what is missing, err also names its
// file and how to get it. Always false.
bool cipherFailed(KelLastError& err, uint64_t number, const char* signature);

// What keeps user and password out of the network credential form: one of
// the kErrCredential* numbers; otherwise when the form can hold them (the
// failure then lies past the form, in the cipher or the field).
uint64_t networkCredentialError(const std::string& user, const std::string& password, uint64_t otherwise);

bool buildNetworkCredentialText(const std::string& user, const std::string& password, std::string& plain);
bool readNetworkCredentialText(const std::string& plain, std::string& user, std::string& password);

}  // namespace kelsql
