#include "platform/net/KelPI_Library.h"

#include <dlfcn.h>
#include <link.h>
#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "platform/events/KelDebug.h"
#include "platform/util/KelHome.h"

namespace kel {

std::string linuxLibraryPath(const std::string& path) {
    std::string p = path;
    std::replace(p.begin(), p.end(), '\\', '/');
    size_t slash = p.rfind('/');
    std::string folder = slash == std::string::npos ? "" : p.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? p : p.substr(slash + 1);
    if (name.empty()) return p;
    if (name.size() > 4 && strcasecmp(name.c_str() + name.size() - 4, ".dll") == 0)
        name = "lib" + name.substr(0, name.size() - 4) + ".so";
    else if (name.find('.') == std::string::npos)
        name = "lib" + name + ".so";
    return folder + name;
}

}  // namespace kel

namespace {

bool fileExists(const std::string& path) { return access(path.c_str(), R_OK) == 0; }

}  // namespace

KelPI_Library::KelPI_Library(const std::string& path, const std::string& entryName)
    : path_(path), entry_(entryName) {}

KelPI_Library::~KelPI_Library() {
    if (handle_) dlclose(handle_);
}

bool KelPI_Library::load() {
    if (handle_) return true;
    std::string mapped = kel::linuxLibraryPath(path_);
    std::vector<std::string> candidates;
    if (libraryLookup_) {
        std::string file = mapped.substr(mapped.rfind('/') == std::string::npos ? 0 : mapped.rfind('/') + 1);
        candidates.push_back(kel::homePath("lib/" + file));
        std::string beside = kel::programFolder();
        if (!beside.empty()) candidates.push_back(beside + "/" + file);
    } else {
        candidates.push_back(mapped);
    }
    for (const std::string& candidate : candidates) {
        if (!fileExists(candidate)) continue;
        handle_ = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle_) {
            loaded_ = candidate;
            return true;
        }
        const char* why = dlerror();
        KelDebug::Error("KelPI_Library::load()", (candidate + ": " + (why ? why : "")).c_str());
    }
    lastError_ = kel::kErrLibraryNotFound;
    return false;
}

void* KelPI_Library::getEntryPoint() {
    if (!load()) return nullptr;
    dlerror();
    void* entry = dlsym(handle_, entry_.c_str());
    // The loader's own lookup also accepts the decorated C name.
    if (!entry && entryLookup_) entry = dlsym(handle_, ("_" + entry_).c_str());
    if (!entry) {
        lastError_ = kel::kErrEntryNotFound;
        return nullptr;
    }
    lastError_ = 0;
    return entry;
}

void* KelPI_Library::getOwnSymbol(const std::string& name) {
    if (!load()) return nullptr;
    lastError_ = kel::kErrEntryNotFound;
    dlerror();
    void* symbol = dlsym(handle_, name.c_str());
    if (!symbol) return nullptr;
    link_map* own = nullptr;
    link_map* holder = nullptr;
    Dl_info info{};
    if (dlinfo(handle_, RTLD_DI_LINKMAP, &own) != 0 || !own) return nullptr;
    if (dladdr1(symbol, &info, reinterpret_cast<void**>(&holder), RTLD_DL_LINKMAP) == 0 || holder != own)
        return nullptr;
    lastError_ = 0;
    return symbol;
}
