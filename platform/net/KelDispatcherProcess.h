// Runs a kel-dispatcher for one host as a child process: starts it on a free
// loopback port, records "host = 127.0.0.1:port" in the focus machine's
// [Hosts] section, and stops it again. Tests, benchmarks and tools use it to
// stand up a host.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

class KelDispatcherProcess {
public:
    KelDispatcherProcess() = default;
    ~KelDispatcherProcess() { stop(); }
    KelDispatcherProcess(const KelDispatcherProcess&) = delete;
    KelDispatcherProcess& operator=(const KelDispatcherProcess&) = delete;

    // The program: $KEL_DISPATCHER, else kel-dispatcher beside the running
    // program or in ../bin from it.
    static std::string defaultProgram();

    // Whom the next start answers for (the Ostrel unless set) and on which
    // machine's registry (the current focus unless set).
    void setAgentSide(bool agent) { agent_ = agent; }
    void setFocusMachine(const std::string& machine) { focus_ = machine; }

    // Starts the dispatcher and waits (up to 10 s) until it listens. The
    // dispatcher ends with the thread that started it: start it from one
    // that outlives it.
    bool start(const std::string& host, const std::vector<std::string>& extraArguments = {});
    // SIGTERM and wait up to graceMs, then SIGKILL; true when it exited
    // cleanly in time (or was not running).
    bool stop(int graceMs = 10000);

    bool running() const { return pid_ > 0; }
    int port() const { return port_; }
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    int port_ = 0;
    bool agent_ = false;
    std::string focus_;
};
