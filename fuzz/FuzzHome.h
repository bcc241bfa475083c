// A platform home of the fuzz drivers' own, in a fresh folder made once per
// process under $TMPDIR (else /tmp), holding an installation key, and
// removed when the process exits; a
// crash leaves it, so scripts/fuzz.sh points TMPDIR at a folder of its own
// and removes that.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <thread>

#include "platform/net/CKelNetwork.h"
#include "platform/net/KelPeerProof.h"
#include "platform/util/KelPassword.h"

namespace kel::fuzz {

// The folder made, empty when none could be.
inline std::string makeFuzzHome() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kel-fuzz-XXXXXX";
    return mkdtemp(pattern.data()) ? pattern : std::string();
}

inline const std::string& fuzzHome() {
    static const std::string home = makeFuzzHome();
    // Registered after home is made, so it runs before home goes.
    static const bool removed = [] {
        setenv("KEL_HOME", home.empty() ? "/tmp" : home.c_str(), 1);
        // The installation's step: every session the drivers prove uses it.
        if (!home.empty()) KelPassword::makeKey();
        if (!home.empty())
            std::atexit([] {
                std::error_code ignored;
                std::filesystem::remove_all(home, ignored);
            });
        return true;
    }();
    (void)removed;
    return home;
}

// The fuzz home's installation key, made once, as the proof uses it.
inline const kel::net::ProofKey& fuzzKey() {
    static const kel::net::ProofKey key = [] {
        fuzzHome();
        kel::net::ProofKey k;
        std::string why;
        k.load(why);
        return k;
    }();
    return key;
}

// A dispatcher's session on one end of a socket pair proven to a raw peer on
// the other (which gets the keys its frames are tagged with), as a host and
// its caller prove themselves before any frame.
inline bool proveHostSession(CKelNetwork& session, int peerFd, kel::net::FrameKeys& peerKeys) {
    std::string why, peerWhy;
    bool peerProven = false;
    std::thread peer([&] {
        peerProven = kel::net::proveSocket(peerFd, fuzzKey(), kel::net::ProofRole::kInitiator, 2000, peerKeys, peerWhy);
    });
    const bool proven = session.proveAsResponder(fuzzKey(), 2000, why);
    peer.join();
    return proven && peerProven;
}

}  // namespace kel::fuzz
