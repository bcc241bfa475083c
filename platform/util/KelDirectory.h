// Directories of this machine.
#pragma once

#include <cstdint>
#include <string>

class KelDirectory {
public:
    // Free space of the file system that holds path: units available to an
    // unprivileged caller, all units, and the size of one unit in bytes.
    // 0 on success; else the system's error number (path not a readable
    // directory gives ENOTDIR or the statvfs error), outputs untouched.
    static int getFreeSpace(const std::string& path, uint64_t& available, uint64_t& total, uint64_t& unitSize);
};
