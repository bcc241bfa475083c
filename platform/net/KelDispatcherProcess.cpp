#include "platform/net/KelDispatcherProcess.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/info/KelPlatformInfo.h"
#include "platform/info/KelRegistry.h"
#include "platform/util/KelHome.h"

namespace {

// Reads the child's "listening on <port>" line.
int readPort(int fd) {
    std::string line;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (line.find('\n') == std::string::npos) {
        int left = static_cast<int>(
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count());
        if (left <= 0) return 0;
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, left) <= 0) return 0;
        char c[64];
        ssize_t n = read(fd, c, sizeof(c));
        if (n <= 0) return 0;
        line.append(c, static_cast<size_t>(n));
    }
    const char* prefix = "listening on ";
    size_t at = line.find(prefix);
    if (at == std::string::npos) return 0;
    return std::atoi(line.c_str() + at + std::char_traits<char>::length(prefix));
}

}  // namespace

std::string KelDispatcherProcess::defaultProgram() {
    if (const char* env = std::getenv("KEL_DISPATCHER")) return env;
    std::string folder = kel::programFolder();
    if (folder.empty()) folder = ".";
    std::string beside = folder + "/kel-dispatcher";
    if (access(beside.c_str(), X_OK) == 0) return beside;
    return folder + "/../bin/kel-dispatcher";
}

bool KelDispatcherProcess::start(const std::string& host, const std::vector<std::string>& extraArguments) {
    stop();
    std::string program = defaultProgram();
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return false;
    std::vector<std::string> args = {program, "--host", host, "--port", "0",
                                     "--focus", focus_.empty() ? KelPI_Focus::getFocus() : focus_,
                                     "--side", agent_ ? "agent" : "ostrel"};
    args.insert(args.end(), extraArguments.begin(), extraArguments.end());
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t parent = getpid();
    pid_t pid = fork();
    if (pid < 0) {
        close(out[0]);
        close(out[1]);
        return false;
    }
    if (pid == 0) {
        // A parent that dies without stop() (a crashed test) must not leave
        // the dispatcher running, holding its port and its output pipe.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent) _exit(127);
        dup2(out[1], STDOUT_FILENO);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(out[1]);
    pid_ = pid;
    port_ = readPort(out[0]);
    close(out[0]);
    if (port_ <= 0) {
        stop();
        return false;
    }
    KelRegistry::set(KelPI_Focus::getFocus(), kel::kSectionHosts, host, "127.0.0.1:" + std::to_string(port_));
    return true;
}

bool KelDispatcherProcess::stop(int graceMs) {
    if (pid_ <= 0) return true;
    kill(pid_, SIGTERM);
    // A dispatcher that does not end (stuck in a session) must not hang its
    // owner: after the grace time it is killed.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(graceMs > 0 ? graceMs : 0);
    int status = 0;
    pid_t rc;
    bool killed = false;
    for (;;) {
        rc = waitpid(pid_, &status, WNOHANG);
        if (rc != 0 && !(rc < 0 && errno == EINTR)) break;
        if (rc == 0 && !killed && std::chrono::steady_clock::now() >= deadline) {
            kill(pid_, SIGKILL);
            killed = true;
        }
        if (rc == 0) usleep(5000);
    }
    pid_ = -1;
    port_ = 0;
    return !killed && rc > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
