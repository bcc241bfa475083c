// libFuzzer target for the network credential form: the bytes are read as the
// plain form, as a sealed form, and split into a user and password that are
// sealed and read back.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzHome.h"
#include "KelSQL/KelSQLUserAndPassword.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kel::fuzz::fuzzHome();
    const std::string text(reinterpret_cast<const char*>(data), size);

    std::string user, password;
    if (kelsql::readNetworkCredentialText(text, user, password)) {
        if (user.empty() || 2 + user.size() + password.size() != text.size()) __builtin_trap();
        if (text.compare(2, user.size(), user) != 0) __builtin_trap();
    }
    decryptNetworkSQLPassword(text, user, password);

    // First byte: where the user name ends.
    if (size == 0) return 0;
    const size_t cut = std::min<size_t>(data[0], size - 1);
    const std::string u = text.substr(1, cut), p = text.substr(1 + cut);
    std::string sealed;
    const bool formable = kelsql::networkCredentialError(u, p, 0) == 0;
    if (encryptNetworkSQLPassword(u, p, sealed) != formable) __builtin_trap();
    if (formable) {
        std::string u2, p2;
        if (!decryptNetworkSQLPassword(sealed, u2, p2) || u2 != u || p2 != p) __builtin_trap();
    }
    return 0;
}
