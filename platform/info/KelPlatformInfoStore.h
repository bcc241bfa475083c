// The platform information store of a machine: plain sections of named text
// values in the machine registry, read into caller buffers.
#pragma once

#include <string>

#include "platform/info/KelPlatformInfo.h"

namespace kel {

// Errors of the information store and the database information.
inline constexpr uint64_t kErrNoEntry = 0x0A000070;
inline constexpr uint64_t kErrValueTooLong = 0x0A000071;
inline constexpr uint64_t kErrNoAgentDatabase = 0x0A000072;
inline constexpr uint64_t kErrInfoBadArgument = 0x0A000073;
inline constexpr uint64_t kErrListFull = 0x0A000074;

}  // namespace kel

class KelPlatformInfo : public KelPI_Base {
public:
    KelPlatformInfo() = default;
    // Focused on machine; an empty name follows the process focus. A machine
    // without a registry leaves its error in getLastError() and stays the
    // focus: nothing is read from another machine.
    explicit KelPlatformInfo(const std::string& machine);

    // Non-zero on success. *capacity is the buffer's size on entry and the
    // text's length on return; a value that does not fit is refused (the
    // length it needs, with its terminator, is returned in *capacity).
    int getString(const char* section, const char* key, char* buffer, int* capacity);
    int setString(const char* section, const char* key, const char* value);
    int deleteSection(const char* section);
};
