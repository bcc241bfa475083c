#include "platform/events/KelCslEventMgr.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

#include "platform/util/KelHome.h"

KelCslEventMgr::~KelCslEventMgr() { close(); }

int KelCslEventMgr::setEventInfo(const char* folder, const char* fileName) {
    if (!fileName || !*fileName) return EINVAL;
    std::lock_guard<std::mutex> lock(mutex_);
    // The home's logs folder is private; a folder the caller names is the
    // caller's to set.
    const bool ownLogs = !(folder && *folder);
    std::string dir = ownLogs ? kel::homePath("logs") : std::string(folder);
    if (!(ownLogs ? kel::makePrivateFolder(dir) : kel::makeFolders(dir))) return errno ? errno : EIO;
    std::string path = dir + "/" + fileName;
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return errno;
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
    path_ = path;
    return 0;
}

void KelCslEventMgr::logIt(const char* source, const char* category, const char* detail,
                           const char* text, int end) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (fd_ < 0) return;
    time_t now = time(nullptr);
    struct tm tmv;
    char stamp[32] = "0000-00-00 00:00:00";
    if (localtime_r(&now, &tmv)) strftime(stamp, sizeof(stamp), "%Y-%m-%d %H:%M:%S", &tmv);
    std::string entry = stamp;
    for (const char* part : {source, category, detail}) {
        if (part && *part) {
            entry += ' ';
            entry += part;
        }
    }
    entry += ' ';
    entry += text ? text : "";
    if (end > 0 && end < 256) entry += static_cast<char>(end);
    ssize_t rc = ::write(fd_, entry.data(), entry.size());
    (void)rc;
}

void KelCslEventMgr::close() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}
