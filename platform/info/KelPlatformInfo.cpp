#include "platform/info/KelPlatformInfo.h"

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <unistd.h>

#include "platform/info/KelRegistry.h"
#include "platform/util/KelHome.h"

namespace {

std::mutex g_focusMutex;
std::string g_focus;

}  // namespace

namespace kel {

uint64_t registryNumber(const std::string& machine, const char* section, const char* key,
                        uint64_t fallback) {
    std::string text = KelRegistry::get(machine, section, key);
    if (text.empty()) return fallback;
    errno = 0;
    char* end = nullptr;
    unsigned long long v = std::strtoull(text.c_str(), &end, 0);
    if (errno != 0 || !end || *end != '\0' || text[0] == '-') return fallback;
    return v;
}

}  // namespace kel

int KelPI_Base::setFocus(const std::string& machine) {
    if (!KelRegistry::machineExists(machine)) {
        error_.setNumber(kel::kErrUnknownMachine);
        error_.addArgument("KelPI_Base::setFocus(machine)");
        error_.addArgument(machine);
        return 0;
    }
    focus_ = machine;
    error_.clear();
    return 1;
}

std::string KelPI_Base::getHomeDirectory() { return kel::homeDirectory(); }

bool KelPI_Base::setValue(const char* section, const char* key, const std::string& value) {
    if (!KelRegistry::set(focus_, section, key, value)) {
        error_.setNumber(kel::kErrRegistryWrite);
        error_.addArgument("KelPI_Base::setValue(section, key, value)");
        error_.addArgument(focus_);
        error_.addArgument(key);
        return false;
    }
    return true;
}

std::string KelPI_Focus::localMachineName() {
    char name[256] = {};
    if (gethostname(name, sizeof(name) - 1) != 0 || !name[0]) return "localhost";
    return name;
}

std::string KelPI_Focus::getFocus() {
    std::lock_guard<std::mutex> lock(g_focusMutex);
    if (g_focus.empty()) g_focus = localMachineName();
    return g_focus;
}

bool KelPI_Focus::setFocus(const std::string& machine) {
    if (!KelRegistry::validMachineName(machine)) return false;
    std::lock_guard<std::mutex> lock(g_focusMutex);
    g_focus = machine;
    return KelRegistry::machineExists(machine);
}

uint64_t KelPI_Keld::getSql(bool) {
    return kel::registryNumber(focus_, kel::kSectionPlatform, kel::kKeySqlDebugLevel, 0);
}

bool KelPI_Keld::setSql(uint64_t level) {
    return setValue(kel::kSectionPlatform, kel::kKeySqlDebugLevel, std::to_string(level));
}
