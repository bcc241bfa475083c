#include "platform/util/KelHome.h"

#include <cerrno>
#include <errno.h>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace kel {

std::string homeDirectory() {
    const char* env = std::getenv("KEL_HOME");
    if (env && *env) return env;
    return "./kel-home";
}

std::string homePath(const std::string& relative) {
    std::string home = homeDirectory();
    if (relative.empty()) return home;
    if (!home.empty() && home.back() != '/') home += '/';
    return home + relative;
}

bool makeFolders(const std::string& path) {
    if (path.empty()) return false;
    std::string partial;
    size_t pos = 0;
    while (pos != std::string::npos) {
        pos = path.find('/', pos + 1);
        partial = path.substr(0, pos);
        if (partial.empty()) continue;
        if (mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST) return false;
    }
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool makePrivateFolder(const std::string& path) {
    return makeFolders(path) && chmod(path.c_str(), 0700) == 0;
}

std::string programFolder() {
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
    if (n <= 0) return "";
    std::string exe(buf, static_cast<size_t>(n));
    size_t slash = exe.rfind('/');
    return slash == std::string::npos ? "" : exe.substr(0, slash);
}

std::string programName() {
    const char* name = program_invocation_short_name;
    return (name && *name) ? name : "kel";
}

}  // namespace kel
