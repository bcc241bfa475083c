// Platform information over the machine registry: which machine a process is
// focused on, and the per-machine settings the catalogue library reads.
#pragma once

#include <cstdint>
#include <string>

#include "platform/events/KelLastError.h"

namespace kel {

// Registry sections and keys.
inline constexpr const char* kSectionPlatform = "Platform";
inline constexpr const char* kSectionDatabase = "Database";
inline constexpr const char* kSectionHosts = "Hosts";
inline constexpr const char* kKeySqlDebugLevel = "SqlDebugLevel";

// Platform error numbers (the platform's own family, apart from the library's).
inline constexpr uint64_t kErrUnknownMachine = 0x0A000010;
inline constexpr uint64_t kErrRegistryWrite = 0x0A000011;

// Reads an unsigned registry number written in decimal or 0x hex; fallback
// when it is missing or not a number.
uint64_t registryNumber(const std::string& machine, const char* section, const char* key,
                        uint64_t fallback = 0);

}  // namespace kel

// Base of the per-machine information objects: a focus machine and an error.
class KelPI_Base {
public:
    KelPI_Base() = default;
    virtual ~KelPI_Base() = default;

    // Non-zero on success; an unknown machine leaves kErrUnknownMachine in
    // getLastError() and the focus unchanged.
    int setFocus(const std::string& machine);
    const std::string& focus() const { return focus_; }
    KelLastError& getLastError() { return error_; }

    static std::string getHomeDirectory();

protected:
    bool setValue(const char* section, const char* key, const std::string& value);

    std::string focus_;
    KelLastError error_;
};

// The process-wide focus machine.
class KelPI_Focus {
public:
    // The current focus; before any setFocus, the local machine's name.
    static std::string getFocus();
    // Makes machine the focus; true when it has a registry.
    static bool setFocus(const std::string& machine);
    static std::string localMachineName();
};

// Per-machine daemon settings: the SQL debug level.
class KelPI_Keld : public KelPI_Base {
public:
    // The SQL debug level bit mask of the machine in focus; 0 when unset. The
    // flag asks for a fresh read (every read is fresh here).
    uint64_t getSql(bool refresh = true);
    bool setSql(uint64_t level);
};
