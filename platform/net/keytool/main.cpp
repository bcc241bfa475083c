// kel-key: the installation key of a platform home ($KEL_HOME/keys/password.key),
// which seals logins and with which every host and its callers prove
// themselves to each other.
//
//   kel-key create              makes the key where there is none (the Ostrel's installation step)
//   kel-key import FILE         takes a copy of the Ostrel's key (an agent machine's step)
//   kel-key fingerprint         prints a text to compare between machines; the key cannot be found from it
//
// A key already in place is never replaced: sealed logins and every peer
// depend on it.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/net/KelPeerProof.h"
#include "platform/util/KelHome.h"
#include "platform/util/KelPassword.h"

namespace {

int usage() {
    std::fprintf(stderr, "usage: kel-key create | kel-key import FILE | kel-key fingerprint\n");
    return 2;
}

std::string keyPath() { return kel::homePath(KelPassword::keyRelativePath()); }

int fingerprint() {
    kel::net::ProofKey key;
    std::string why;
    if (!key.load(why)) {
        std::fprintf(stderr, "kel-key: %s\n", why.c_str());
        return 2;
    }
    std::printf("%s  %s\n", key.fingerprint().c_str(), keyPath().c_str());
    return 0;
}

int create() {
    unsigned char probe[KelPassword::kKeyBytes];
    const bool had = KelPassword::readKey(probe) == KelPassword::KeyFile::kFound;
    std::memset(probe, 0, sizeof(probe));
    if (!had && !KelPassword::makeKey()) {
        std::fprintf(stderr, "kel-key: cannot make the installation key %s\n", keyPath().c_str());
        return 1;
    }
    std::printf("%s %s\n", had ? "kept" : "created", keyPath().c_str());
    return fingerprint();
}

int import(const char* file) {
    std::ifstream in(file, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) bytes.clear();
    if (bytes.size() != KelPassword::kKeyBytes) {
        std::fprintf(stderr, "kel-key: %s is not an installation key (32 bytes)\n", file);
        return 2;
    }
    KelPassword::KeyInstall done = KelPassword::installKey(reinterpret_cast<const unsigned char*>(bytes.data()));
    std::fill(bytes.begin(), bytes.end(), '\0');
    switch (done) {
    case KelPassword::KeyInstall::kInstalled: break;
    case KelPassword::KeyInstall::kDifferentKeyKept:
        std::fprintf(stderr, "kel-key: %s holds a different key, kept; remove it first to take %s\n",
                     keyPath().c_str(), file);
        return 2;
    case KelPassword::KeyInstall::kFailed:
        std::fprintf(stderr, "kel-key: cannot write the installation key %s\n", keyPath().c_str());
        return 1;
    }
    std::printf("imported %s\n", keyPath().c_str());
    return fingerprint();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "create") == 0) return create();
    if (argc == 2 && std::strcmp(argv[1], "fingerprint") == 0) return fingerprint();
    if (argc == 3 && std::strcmp(argv[1], "import") == 0) return import(argv[2]);
    return usage();
}
