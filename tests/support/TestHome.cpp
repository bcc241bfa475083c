#include "support/TestHome.h"

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace kel::test {

namespace {

void removeTree(const std::string& path) {
    if (path.size() < 8 || path.rfind("/tmp/", 0) != 0) return;
    std::string cmd = "rm -rf '" + path + "'";
    int rc = std::system(cmd.c_str());
    (void)rc;
}

}  // namespace

TestHome::TestHome() {
    char pattern[] = "/tmp/kel-test-XXXXXX";
    const char* dir = mkdtemp(pattern);
    path_ = dir ? dir : "/tmp/kel-test-fallback";
    const char* prev = std::getenv("KEL_HOME");
    hadPrevious_ = prev != nullptr;
    if (prev) previous_ = prev;
    setenv("KEL_HOME", path_.c_str(), 1);
    setenv("TZ", "UTC", 1);
    tzset();
}

TestHome::~TestHome() {
    if (hadPrevious_)
        setenv("KEL_HOME", previous_.c_str(), 1);
    else
        unsetenv("KEL_HOME");
    removeTree(path_);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

}  // namespace kel::test
