#include "platform/info/KelPlatformInfoStore.h"

#include "platform/info/KelRegistry.h"
#include "platform/util/BoundedCopy.h"

KelPlatformInfo::KelPlatformInfo(const std::string& machine) {
    // An unknown machine stays the focus, so that reads fail rather than
    // answer from the process's machine.
    if (!machine.empty() && setFocus(machine) == 0) focus_ = machine;
}

int KelPlatformInfo::getString(const char* section, const char* key, char* buffer, int* capacity) {
    static const char* const kFn = "KelPlatformInfo::getString(section, key, buffer, capacity)";
    if (!section || !key || !buffer || !capacity || *capacity <= 0) {
        error_.setNumber(kel::kErrInfoBadArgument);
        error_.addArgument(kFn);
        error_.addArgument(machine());
        error_.addArgument("buffer");
        return 0;
    }
    static const std::string kMissing("\x01missing");
    std::string value = KelRegistry::get(machine(), section, key, kMissing);
    if (value == kMissing) {
        error_.setNumber(kel::kErrNoEntry);
        error_.addArgument(kFn);
        error_.addArgument(machine());
        error_.addArgument(std::string(section) + "\\" + key);
        return 0;
    }
    if (value.size() + 1 > static_cast<size_t>(*capacity)) {
        *capacity = static_cast<int>(value.size() + 1);
        error_.setNumber(kel::kErrValueTooLong);
        error_.addArgument(kFn);
        error_.addArgument(machine());
        error_.addArgument(key);
        return 0;
    }
    if (!kel::boundedCopy(buffer, value.size() + 1, value)) return 0;
    *capacity = static_cast<int>(value.size());
    return 1;
}

int KelPlatformInfo::setString(const char* section, const char* key, const char* value) {
    if (!section || !key || !value) {
        error_.setNumber(kel::kErrInfoBadArgument);
        error_.addArgument("KelPlatformInfo::setString(section, key, value)");
        error_.addArgument(machine());
        error_.addArgument("value");
        return 0;
    }
    // Writing never brings an unknown machine's registry into being.
    if (!KelRegistry::machineExists(machine())) {
        error_.setNumber(kel::kErrUnknownMachine);
        error_.addArgument("KelPlatformInfo::setString(section, key, value)");
        error_.addArgument(machine());
        return 0;
    }
    return setValue(section, key, value) ? 1 : 0;
}

int KelPlatformInfo::deleteSection(const char* section) {
    static const char* const kFn = "KelPlatformInfo::deleteSection(section)";
    if (!section || !KelRegistry::removeSection(machine(), section)) {
        error_.setNumber(section && KelRegistry::machineExists(machine()) ? kel::kErrNoEntry
                                                                           : kel::kErrUnknownMachine);
        error_.addArgument(kFn);
        error_.addArgument(machine());
        if (section) error_.addArgument(section);
        return 0;
    }
    return 1;
}
