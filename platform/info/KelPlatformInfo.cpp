#include "platform/info/KelPlatformInfo.h"

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <strings.h>
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

bool hostEntry(const std::string& machine, const std::string& host, std::string& address, uint16_t& port) {
    if (host.empty()) return false;
    for (const auto& entry : KelRegistry::section(machine, kSectionHosts)) {
        if (strcasecmp(entry.first.c_str(), host.c_str()) != 0) continue;
        const std::string& value = entry.second;
        size_t colon = value.rfind(':');
        if (colon == std::string::npos || colon == 0) return false;
        char* end = nullptr;
        unsigned long p = std::strtoul(value.c_str() + colon + 1, &end, 10);
        if (!end || *end != '\0' || p == 0 || p > 65535) return false;
        address = value.substr(0, colon);
        port = static_cast<uint16_t>(p);
        return true;
    }
    return false;
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
    if (!KelRegistry::set(machine(), section, key, value)) {
        error_.setNumber(kel::kErrRegistryWrite);
        error_.addArgument("KelPI_Base::setValue(section, key, value)");
        error_.addArgument(machine());
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

std::string KelPI_Focus::getFocusClientName(bool) { return getFocus(); }

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

std::string KelPI_Base::machine() const { return focus_.empty() ? KelPI_Focus::getFocus() : focus_; }

std::string KelPI_PlatformBase::getOstrelHostName() const {
    return KelRegistry::get(machine(), kel::kSectionPlatform, kel::kKeyOstrelHost);
}

std::string KelPI_PlatformBase::getOstrelClientName() const {
    std::string name = KelRegistry::get(machine(), kel::kSectionPlatform, kel::kKeyOstrelClient);
    return name.empty() ? getOstrelHostName() : name;
}

bool KelPI_PlatformBase::invalidKelPlatform() const {
    return !KelRegistry::machineExists(machine()) || getOstrelHostName().empty();
}

bool KelPI_PlatformBase::setOstrelHostName(const std::string& host) {
    return setValue(kel::kSectionPlatform, kel::kKeyOstrelHost, host);
}

uint16_t KelPI_Ostrel::getOstrelPort() const {
    uint64_t port = kel::registryNumber(machine(), kel::kSectionPlatform, kel::kKeyOstrelPort, 0);
    if (port == 0) {
        std::string address;
        uint16_t entryPort = 0;
        if (kel::hostEntry(machine(), getOstrelHostName(), address, entryPort)) port = entryPort;
    }
    return port <= 65535 ? static_cast<uint16_t>(port) : 0;
}

unsigned long KelPI_Ostrel::getTesselId() {
    uint64_t id = kel::registryNumber(machine(), kel::kSectionPlatform, kel::kKeyTesselId, 0);
    if (id == 0 || id > 0xFFFFFFFFull) {
        error_.setNumber(kel::kErrNoTessel);
        error_.addArgument("KelPI_Ostrel::getTesselId()");
        error_.addArgument(machine());
        return 0;
    }
    return static_cast<unsigned long>(id);
}

bool KelPI_Ostrel::setTesselId(unsigned long tesselId) {
    return setValue(kel::kSectionPlatform, kel::kKeyTesselId, std::to_string(tesselId));
}

int KelPI_Ostrel::getArMgrIncludeAgedData() const {
    uint64_t v = kel::registryNumber(machine(), kel::kSectionPlatform, kel::kKeyArMgrIncludeAgedData, 0);
    return v <= 0x7FFFFFFF ? static_cast<int>(v) : 0;
}

bool KelPI_Ostrel::setArMgrIncludeAgedData(int value) {
    return setValue(kel::kSectionPlatform, kel::kKeyArMgrIncludeAgedData, std::to_string(value < 0 ? 0 : value));
}

int KelPI_Ostrel::getWriterStallLimitMs() const {
    constexpr uint64_t kDefault = 5000;
    uint64_t v = kel::registryNumber(machine(), kel::kSectionPlatform, kel::kKeyWriterStallLimit, kDefault);
    return static_cast<int>(v > 0 && v <= 3600000 ? v : kDefault);
}

bool KelPI_Ostrel::setWriterStallLimitMs(int milliseconds) {
    return setValue(kel::kSectionPlatform, kel::kKeyWriterStallLimit, std::to_string(milliseconds));
}

int KelPI_MSSqlAgent::isAgentInstallActive(const std::string& client) {
    std::string target = client.empty() ? machine() : client;
    if (!KelRegistry::machineExists(target)) {
        error_.setNumber(kel::kErrUnknownMachine);
        error_.addArgument("KelPI_MSSqlAgent::isAgentInstallActive(client)");
        error_.addArgument(target);
        return 0;
    }
    if (kel::registryNumber(target, kel::kSectionPlatform, kel::kKeyAgentInstallActive, 0) == 0) {
        error_.setNumber(kel::kErrAgentNotActive);
        error_.addArgument("KelPI_MSSqlAgent::isAgentInstallActive(client)");
        error_.addArgument(target);
        return 0;
    }
    return 1;
}

bool KelPI_MSSqlAgent::setAgentInstallActive(bool active) {
    return setValue(kel::kSectionPlatform, kel::kKeyAgentInstallActive, active ? "1" : "0");
}

std::string KelPI_MSSqlAgent::getRelease() { return KEL_RELEASE; }

unsigned long KelPI_MSSqlAgent::vdiGetCmdTimeOut() const {
    uint64_t v = kel::registryNumber(machine(), kel::kSectionPlatform, kel::kKeyVdiTimeout, 0);
    return v <= 0xFFFFFFFFull ? static_cast<unsigned long>(v) : 0;
}

bool KelPI_MSSqlAgent::setVDIGetCmdTimeOut(unsigned long seconds) {
    return setValue(kel::kSectionPlatform, kel::kKeyVdiTimeout, std::to_string(seconds));
}
