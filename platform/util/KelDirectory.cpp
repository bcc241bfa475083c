#include "platform/util/KelDirectory.h"

#include <cerrno>
#include <sys/stat.h>
#include <sys/statvfs.h>

int KelDirectory::getFreeSpace(const std::string& path, uint64_t& available, uint64_t& total, uint64_t& unitSize) {
    if (path.empty()) return ENOENT;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return errno ? errno : ENOENT;
    if (!S_ISDIR(st.st_mode)) return ENOTDIR;
    struct statvfs fs {};
    if (::statvfs(path.c_str(), &fs) != 0) return errno ? errno : EIO;
    // f_bavail counts in fragments of f_frsize bytes.
    available = static_cast<uint64_t>(fs.f_bavail);
    total = static_cast<uint64_t>(fs.f_blocks);
    unitSize = static_cast<uint64_t>(fs.f_frsize ? fs.f_frsize : fs.f_bsize);
    return 0;
}
