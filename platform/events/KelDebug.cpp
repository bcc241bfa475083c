#include "platform/events/KelDebug.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <mutex>
#include <sys/time.h>
#include <unistd.h>

#include "platform/util/KelHome.h"

namespace {

std::mutex g_mutex;
KelDebug::Sink g_sink;
std::string g_openPath;
int g_fd = -1;

const char* levelName(KelDebugLevel level) {
    switch (level) {
    case KelDebugError: return "ERROR";
    case KelDebugLevel1: return "DEBUG1";
    case KelDebugLevel2: return "DEBUG2";
    default: return "DEBUG3";
    }
}

// Keeps one descriptor open, reopened when the platform home changes.
int logDescriptor(const std::string& path) {
    if (g_fd >= 0 && g_openPath == path) return g_fd;
    if (g_fd >= 0) close(g_fd);
    g_fd = -1;
    kel::makePrivateFolder(kel::homePath("logs"));
    g_fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    g_openPath = g_fd >= 0 ? path : std::string();
    return g_fd;
}

}  // namespace

std::string KelDebug::logFilePath() {
    return kel::homePath("logs/" + kel::programName() + ".log");
}

void KelDebug::Write(KelDebugLevel level, const char* function, const char* text) {
    if (!function) function = "";
    if (!text) text = "";

    struct timeval tv;
    gettimeofday(&tv, nullptr);
    struct tm tmv;
    char stamp[32] = "0000-00-00 00:00:00";
    if (localtime_r(&tv.tv_sec, &tmv)) strftime(stamp, sizeof(stamp), "%Y-%m-%d %H:%M:%S", &tmv);
    char head[128];
    snprintf(head, sizeof(head), "%s.%03ld %d %s ", stamp, static_cast<long>(tv.tv_usec / 1000),
             static_cast<int>(getpid()), levelName(level));

    // One write per line, so lines of several processes never interleave.
    std::string line;
    line.reserve(128 + strlen(function) + strlen(text));
    line += head;
    line += function;
    line += ": ";
    line += text;
    line += '\n';

    std::lock_guard<std::mutex> lock(g_mutex);
    int fd = logDescriptor(logFilePath());
    if (fd >= 0) {
        ssize_t rc = ::write(fd, line.data(), line.size());
        (void)rc;
    }
    if (g_sink) g_sink(level, function, text);
}

void KelDebug::setSink(Sink sink) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_sink = std::move(sink);
}
