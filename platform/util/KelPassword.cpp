#include "platform/util/KelPassword.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sodium.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/util/KelHome.h"

namespace {

constexpr size_t kKeyBytes = crypto_secretbox_KEYBYTES;
constexpr size_t kNonceBytes = crypto_secretbox_NONCEBYTES;
constexpr size_t kMacBytes = crypto_secretbox_MACBYTES;
constexpr int kBase64 = sodium_base64_VARIANT_ORIGINAL;

static_assert(KelPassword::kNonceBytes == kNonceBytes && KelPassword::kMacBytes == kMacBytes &&
                  KelPassword::encryptedLength(511) + 1 ==
                      sodium_base64_ENCODED_LEN(kNonceBytes + kMacBytes + 511, kBase64) &&
                  KelPassword::encryptedLength(512) + 1 ==
                      sodium_base64_ENCODED_LEN(kNonceBytes + kMacBytes + 512, kBase64) &&
                  KelPassword::encryptedLength(513) + 1 ==
                      sodium_base64_ENCODED_LEN(kNonceBytes + kMacBytes + 513, kBase64),
              "encryptedLength is the length of the cipher's base64 text");

bool sodiumReady() {
    // sodium_init is safe to repeat, but one call per process is all it needs.
    static const bool ready = sodium_init() >= 0;
    return ready;
}

// Holds the key only for one call and wipes it afterwards.
struct Key {
    unsigned char bytes[kKeyBytes];
    Key() { sodium_memzero(bytes, sizeof(bytes)); }
    ~Key() { sodium_memzero(bytes, sizeof(bytes)); }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
};

struct Fd {
    int fd;
    explicit Fd(int f) : fd(f) {}
    ~Fd() { if (fd >= 0) ::close(fd); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
};

bool readAll(int fd, unsigned char* buf, size_t size) {
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::read(fd, buf + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool writeAll(int fd, const unsigned char* buf, size_t size) {
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::write(fd, buf + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

enum class KeyRead { Found, Missing, Bad };

KeyRead readKeyFile(const std::string& path, Key& key) {
    Fd f(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (f.fd < 0) return errno == ENOENT ? KeyRead::Missing : KeyRead::Bad;
    struct stat st;
    if (fstat(f.fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size != static_cast<off_t>(kKeyBytes))
        return KeyRead::Bad;
    return readAll(f.fd, key.bytes, kKeyBytes) ? KeyRead::Found : KeyRead::Bad;
}

// The key is written whole to a private temporary file and then linked into
// place: link() never replaces an existing key, so of two processes starting
// at once exactly one key wins and both read that one afterwards, and nobody
// ever reads a half-written key.
bool placeKey(const std::string& folder, const std::string& path, const Key& key) {
    std::string tmp = folder + "/.password.key.XXXXXX";
    std::vector<char> name(tmp.begin(), tmp.end());
    name.push_back('\0');
    bool written = false;
    {
        Fd f(mkstemp(name.data()));
        if (f.fd < 0) return false;
        written = fchmod(f.fd, 0600) == 0 && writeAll(f.fd, key.bytes, sizeof(key.bytes)) && fsync(f.fd) == 0;
    }
    bool placed = written && (::link(name.data(), path.c_str()) == 0 || errno == EEXIST);
    ::unlink(name.data());
    return placed;
}

bool createKey(const std::string& folder, const std::string& path) {
    Key fresh;
    randombytes_buf(fresh.bytes, sizeof(fresh.bytes));
    return placeKey(folder, path, fresh);
}

// Where a key goes: the home's keys folder, made private, and the key's path
// in it. False when the cipher or the folder cannot be had.
bool keyPlace(std::string& folder, std::string& path) {
    if (!sodiumReady()) return false;
    folder = kel::homePath("keys");
    path = kel::homePath(KelPassword::keyRelativePath());
    return kel::makePrivateFolder(folder);
}

// The key as the installation left it; never made here: a login sealed with
// a key of this machine's own could not be opened by the Ostrel, and the key
// would stand in the way of the Ostrel's when it is imported.
bool installationKey(Key& key) {
    return sodiumReady() && readKeyFile(kel::homePath(KelPassword::keyRelativePath()), key) == KeyRead::Found;
}

void emptyOut(char* out, const size_t* capacity) {
    if (out && capacity && *capacity > 0) out[0] = '\0';
}

}  // namespace

KelPassword::KelPassword() { sodiumReady(); }

static_assert(KelPassword::kKeyBytes == kKeyBytes, "installation key size");

KelPassword::KeyFile KelPassword::readKey(unsigned char* out) {
    Key key;
    switch (readKeyFile(kel::homePath(keyRelativePath()), key)) {
    case KeyRead::Found:
        std::memcpy(out, key.bytes, kKeyBytes);
        return KeyFile::kFound;
    case KeyRead::Missing: return KeyFile::kMissing;
    case KeyRead::Bad: break;
    }
    return KeyFile::kUnreadable;
}

std::string KelPassword::keyFileProblem(KeyFile state) {
    const std::string path = kel::homePath(keyRelativePath());
    switch (state) {
    case KeyFile::kFound: return "";
    case KeyFile::kMissing:
        return "no installation key " + path +
               " (make it on the Ostrel with kel-key create; on an agent machine take the Ostrel's with "
               "kel-key import FILE)";
    case KeyFile::kUnreadable: break;
    }
    return "the installation key " + path + " cannot be read or is not 32 bytes";
}

std::string KelPassword::keyProblem() {
    unsigned char key[kKeyBytes];
    const KeyFile state = readKey(key);
    sodium_memzero(key, sizeof(key));
    return keyFileProblem(state);
}

bool KelPassword::makeKey() {
    std::string folder, path;
    if (!keyPlace(folder, path)) return false;
    Key key;
    // Of two installers at once, one key wins the place; both then read it.
    switch (readKeyFile(path, key)) {
    case KeyRead::Found: return true;
    case KeyRead::Bad: return false;
    case KeyRead::Missing: break;
    }
    return createKey(folder, path) && readKeyFile(path, key) == KeyRead::Found;
}

KelPassword::KeyInstall KelPassword::installKey(const unsigned char* bytes) {
    std::string folder, path;
    if (!keyPlace(folder, path)) return KeyInstall::kFailed;
    Key given;
    std::memcpy(given.bytes, bytes, kKeyBytes);
    Key held;
    if (readKeyFile(path, held) == KeyRead::Missing && !placeKey(folder, path, given)) return KeyInstall::kFailed;
    // Whichever key won the place, it is the one that counts.
    if (readKeyFile(path, held) != KeyRead::Found) return KeyInstall::kFailed;
    return sodium_memcmp(held.bytes, given.bytes, kKeyBytes) == 0 ? KeyInstall::kInstalled
                                                                   : KeyInstall::kDifferentKeyKept;
}

bool KelPassword::encrypt(const char* plain, char* out, size_t* capacity) {
    if (!plain || !out || !capacity) return false;
    size_t length = std::strlen(plain);
    if (encryptedLength(length) + 1 > *capacity) {
        emptyOut(out, capacity);
        return false;
    }
    Key key;
    if (!installationKey(key)) {
        emptyOut(out, capacity);
        return false;
    }
    std::vector<unsigned char> sealed(kNonceBytes + kMacBytes + length);
    randombytes_buf(sealed.data(), kNonceBytes);
    crypto_secretbox_easy(sealed.data() + kNonceBytes, reinterpret_cast<const unsigned char*>(plain),
                          length, sealed.data(), key.bytes);
    sodium_bin2base64(out, *capacity, sealed.data(), sealed.size(), kBase64);
    *capacity = std::strlen(out);
    return true;
}

bool KelPassword::decrypt(const char* in, char* out, size_t* capacity) {
    if (!in || !out || !capacity) return false;
    emptyOut(out, capacity);
    if (!sodiumReady()) return false;
    size_t inLength = std::strlen(in);
    std::vector<unsigned char> sealed(inLength / 4 * 3 + 3);
    size_t sealedLength = 0;
    if (sodium_base642bin(sealed.data(), sealed.size(), in, inLength, nullptr, &sealedLength, nullptr,
                          kBase64) != 0)
        return false;
    if (sealedLength < kNonceBytes + kMacBytes) return false;
    size_t plainLength = sealedLength - kNonceBytes - kMacBytes;
    if (plainLength + 1 > *capacity) return false;

    Key key;
    if (!installationKey(key)) return false;
    std::vector<unsigned char> plain(plainLength + 1);
    if (crypto_secretbox_open_easy(plain.data(), sealed.data() + kNonceBytes, sealedLength - kNonceBytes,
                                   sealed.data(), key.bytes) != 0)
        return false;
    // A plain text is a C string: one with a NUL inside was not made here.
    bool clean = std::memchr(plain.data(), '\0', plainLength) == nullptr;
    if (clean) {
        std::memcpy(out, plain.data(), plainLength);
        out[plainLength] = '\0';
        *capacity = plainLength;
    }
    sodium_memzero(plain.data(), plain.size());
    return clean;
}
