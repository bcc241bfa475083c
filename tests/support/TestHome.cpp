#include "support/TestHome.h"

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "platform/util/KelPassword.h"

namespace kel::test {

TestHome::TestHome() {
    char pattern[] = "/tmp/kel-test-XXXXXX";
    const char* dir = mkdtemp(pattern);
    path_ = dir ? dir : "/tmp/kel-test-fallback";
    setenv("KEL_HOME", path_.c_str(), 1);
    setenv("TZ", "UTC", 1);
    tzset();
    // The installation's step: hosts and their callers prove themselves
    // with this key, and none of them makes one.
    KelPassword::makeKey();
}

TestHome::~TestHome() {
    unsetenv("KEL_HOME");
    // Only what mkdtemp made.
    std::error_code ec;
    if (path_.rfind("/tmp/kel-test-", 0) == 0) std::filesystem::remove_all(path_, ec);
}

std::string readFile(const std::string& path) {
    std::ostringstream ss;
    ss << std::ifstream(path).rdbuf();
    return ss.str();
}

}  // namespace kel::test
