// The platform's password cipher. Texts are sealed with the installation's key
// (keys/password.key under the platform home) and a fresh nonce per call, and
// travel as base64 text. The key is made once, by the Ostrel's installation
// (kel-key create, makeKey), and copied to every agent machine (kel-key
// import, installKey); sealing and opening never make one: without it they
// fail, and keyProblem() says which file is missing and how to get it.
// Nothing here throws: every failure, a tampered or malformed text included,
// is a false result.
#pragma once

#include <cstddef>
#include <string>

class KelPassword {
public:
    KelPassword();

    // Seals the NUL-terminated plain text into out. On entry *capacity is the
    // size of out in bytes (the NUL included); on success it becomes the
    // length of the text written. False, with out emptied when it has room,
    // when the text does not fit or the key cannot be had.
    bool encrypt(const char* plain, char* out, size_t* capacity);

    // Opens a text that encrypt made, with the same capacity rule. A text
    // that was changed, cut, or sealed under another key gives false.
    bool decrypt(const char* in, char* out, size_t* capacity);

    // Length of the text encrypt makes from a plain text of plainLength
    // characters, without the NUL: the nonce, the MAC and the text in base64
    // with padding. Fields that hold sealed texts are sized by it.
    static constexpr size_t kNonceBytes = 24;
    static constexpr size_t kMacBytes = 16;
    static constexpr size_t encryptedLength(size_t plainLength) {
        return (kNonceBytes + kMacBytes + plainLength + 2) / 3 * 4;
    }

    // Where the installation's key lives under the current platform home.
    static const char* keyRelativePath() { return "keys/password.key"; }

    // The installation's key as bytes, for the peer proof, which must never
    // make a key of its own: a machine that proved itself with a fresh key
    // would only be refused, and silently.
    static constexpr size_t kKeyBytes = 32;
    enum class KeyFile { kFound, kMissing, kUnreadable };
    static KeyFile readKey(unsigned char* key);
    // Makes the key when there is none (the installation's step, and the
    // only place a key is made); true when one is there afterwards. An
    // existing key is never replaced.
    static bool makeKey();
    // What keeps this home from the installation key (as readKey found it,
    // or as it stands now), naming its file and how to get it; empty when
    // the key is there.
    static std::string keyFileProblem(KeyFile state);
    static std::string keyProblem();
    // Installs a copy of another machine's key (kKeyBytes bytes) where this
    // home holds none; a different key already there is kept, never replaced.
    enum class KeyInstall { kInstalled, kDifferentKeyKept, kFailed };
    static KeyInstall installKey(const unsigned char* key);
};
