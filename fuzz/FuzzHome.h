// A platform home of the fuzz drivers' own, in a fresh temporary folder made
// once per process (removed by the caller's system, never by the driver: the
// process ends on a crash).
#pragma once

#include <cstdlib>
#include <string>

namespace kel::fuzz {

inline const std::string& fuzzHome() {
    static const std::string home = [] {
        char pattern[] = "/tmp/kel-fuzz-XXXXXX";
        const char* made = mkdtemp(pattern);
        std::string path = made ? made : "/tmp";
        setenv("KEL_HOME", path.c_str(), 1);
        return path;
    }();
    return home;
}

}  // namespace kel::fuzz
