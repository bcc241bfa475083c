#include "platform/util/KelHome.h"

#include <cerrno>
#include <errno.h>
#include <cstdlib>
#include <sys/stat.h>

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

std::string programName() {
    const char* name = program_invocation_short_name;
    return (name && *name) ? name : "kel";
}

}  // namespace kel
