// A platform home of the fuzz drivers' own, in a fresh folder made once per
// process under $TMPDIR (else /tmp) and removed when the process exits; a
// crash leaves it, so scripts/fuzz.sh points TMPDIR at a folder of its own
// and removes that.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

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

}  // namespace kel::fuzz
