// A nightly backup window on one Ostrel: N agents at once (1, 8, 32, 128 and
// 250), each a process of its own with its own session, as agents are, and
// each the agent of a client of its own with two SQL Server instances. The
// agents' processes are started before the clock; as the window opens each
// connects, proves the installation key and hands over its login, then
// records its share of 768 short transactions (START, register its two
// instances, COMMIT), all inside the measured time: an agent that connects
// late holds the window open, as its backups do.
//
// Per N: transactions per second, STARTs refused, the slowest connect (from
// the window's opening to the login handed over), the slowest transaction
// (from its START, or for an agent's first from its connect, to COMMIT's
// answer), the longest and median wait for the writer (a START's answer as
// the agent sees it), and the median time a transaction held it (from
// START's answer to COMMIT's). Held to targets: the throughput at 250 agents
// at least 0.8 of the single agent's, no transaction at any N over 0.5 s, no
// START refused; the program ends with 2 when one misses.
//
// The sizes are run in rounds, each round in the other order, so that the
// machine's slower and faster moments fall on every N; each N's figure is
// the median of its rounds.
//
//   agent_sessions_bench [--rounds R]     (3 unless given)
#include <signal.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "KelSQL/KelNetSQLDBTransaction.h"
#include "KelSQL/KelNetSQLSecurity.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLErrors.h"
#include "KelSQL/KelSQLServer.h"
#include "platform/appmgr/KelAppAdmin.h"
#include "platform/db/DBtable.h"
#include "platform/info/KelPlatformInfo.h"
#include "platform/info/KelRegistry.h"
#include "platform/net/KelDispatcherProcess.h"
#include "platform/util/KelPassword.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kMachine = "bench";
constexpr const char* kOstrelHost = "OSTRELA";
constexpr int kTransactions = 768;
constexpr int kAgents[] = {1, 8, 32, 128, 250};
constexpr int kMostAgents = 250;
static_assert(kAgents[sizeof kAgents / sizeof kAgents[0] - 1] == kMostAgents, "the largest N is last");
constexpr double kTarget = 0.8;          // throughput at 250 agents / at one, at least
constexpr double kSlowestTarget = 0.5;   // seconds a transaction may take, at most

// The client of one agent in one round of one size.
std::string clientName(int round, int agents, int agent) {
    return "night" + std::to_string(round) + "n" + std::to_string(agents) + "a" + std::to_string(agent);
}
const char* const kInstances[] = {"SQL1", "SQL2"};

// What the agents of one run share: how many transactions were begun, what
// became of each, when each START was answered and when the last ended.
struct Shared {
    std::atomic<int> begun;
    std::atomic<int> ready;
    std::atomic<int> ended;
    std::atomic<int> done;
    std::atomic<int> refused;
    std::atomic<int> failed;
    std::atomic<long long> lastEnd;  // steady clock, shared by every process of the machine
    double connectSeconds[kMostAgents];
    double waitSeconds[kTransactions];
    double holdSeconds[kTransactions];  // of those done
    double tookSeconds[kTransactions];  // of those done
};

struct Run {
    double perSecond = 0;
    int refused = 0;
    int failed = 0;
    std::vector<double> connects;
    std::vector<double> waits;
    std::vector<double> holds;
    std::vector<double> took;
};

bool fail(const char* what, const KelLastError& err) {
    std::fprintf(stderr, "agent_sessions_bench: %s: 0x%08llX %s\n", what, static_cast<unsigned long long>(err.number()),
                 err.formatLastErrorMessage().c_str());
    return false;
}

// Tessel, clients and instances in the application manager, one transaction
// for all.
bool registerClients(int rounds) {
    DBtran tran(false);
    if (tran.startTran() != 0) return false;
    kel::appmgr::Admin admin(&tran);
    unsigned long tessel = 0;
    if (admin.createTessel("night", tessel)) return fail("Tessel", admin.getLastError());
    KelPI_Ostrel ostrel;
    if (ostrel.setFocus(kMachine) == 0 || !ostrel.setTesselId(tessel)) return false;
    for (int round = 0; round < rounds; ++round) {
        for (int agents : kAgents) {
            for (int a = 0; a < agents; ++a) {
                const std::string client = clientName(round, agents, a);
                unsigned long clientId = 0, instance = 0;
                if (admin.createClient(tessel, client, client + ".local", clientId))
                    return fail("client", admin.getLastError());
                for (const char* name : kInstances)
                    if (admin.createInstance(clientId, 16, name, instance))
                        return fail("instance", admin.getLastError());
            }
        }
    }
    return tran.commitTran(false) == 0;
}

bool registerInstance(KelSQLClassProperties& agent, const std::string& client, const char* instance) {
    KelSQLServer server(agent, false);
    server.setClientName(client);
    server.setSqlServerName(instance);
    server.setSQLVersion(8, 0, 760, 0);
    return server.config("sa", "night", "", "MSSQLServer") || fail("registration", server.getLastError());
}

void waitForClose(int fd) {
    char c;
    while (read(fd, &c, 1) > 0) {
    }
}

double since(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

// One agent process: as the window opens, a session with its login handed
// over, then transactions until all are taken. Its session stays until every
// agent is done, so that the ends of sessions do not fall into the measure.
// Agent index of agents records transactions index, index + agents, ...
[[noreturn]] void agent(Shared& shared, int index, int agents, const std::string& client, int go, int leave) {
    KelSQLClassProperties agent(KelSQLClientSide);
    agent.getSQLUserAndPassword().setSqlUser("sa");
    agent.getSQLUserAndPassword().setSqlPassword("night");
    ++shared.ready;
    waitForClose(go);
    const Clock::time_point connecting = Clock::now();
    if (!agent.getRemoteSecurity()->update(client, std::string(kInstances[0]))) {
        fail("security update", agent.getRemoteSecurity()->getLastError());
        _exit(1);
    }
    shared.connectSeconds[index] = since(connecting);
    KelNetSQLDBTransaction* t = agent.getNetworkDBTransaction();
    bool first = true;
    for (int i = index; i < kTransactions; i += agents) {
        ++shared.begun;
        const Clock::time_point asked = Clock::now();
        const bool started = t->startTransaction();
        shared.waitSeconds[i] = since(asked);
        if (!started) {
            if (t->getLastError().number() == kelsql::kErrTranBusy) {
                ++shared.refused;
            } else {
                fail("START", t->getLastError());
                ++shared.failed;
            }
            ++shared.ended;
            continue;
        }
        if (registerInstance(agent, client, kInstances[0]) && registerInstance(agent, client, kInstances[1]) &&
            t->commitTransaction()) {
            const int done = shared.done++;
            shared.holdSeconds[done] = since(asked) - shared.waitSeconds[i];
            // An agent's first transaction began with its connect.
            shared.tookSeconds[done] = since(first ? connecting : asked);
            first = false;
        } else {
            ++shared.failed;
            if (t->isTransactionStarted()) t->rollbackTransaction();
        }
        if (++shared.ended == kTransactions) shared.lastEnd = Clock::now().time_since_epoch().count();
    }
    waitForClose(leave);
    _exit(0);
}

bool runAgents(int round, int agents, Run& out) {
    void* memory = mmap(nullptr, sizeof(Shared), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) return false;
    Shared& shared = *new (memory) Shared{};
    int go[2], leave[2];
    if (pipe(go) != 0) return false;
    if (pipe(leave) != 0) return false;
    std::vector<pid_t> children;
    for (int a = 0; a < agents; ++a) {
        const pid_t child = fork();
        if (child == 0) {
            close(go[1]);
            close(leave[1]);
            agent(shared, a, agents, clientName(round, agents, a), go[0], leave[0]);
        }
        if (child > 0) children.push_back(child);
    }
    close(go[0]);
    close(leave[0]);
    // Every agent's process started before the clock; its connect is inside.
    auto waitFor = [&](const std::atomic<int>& count, int target, int seconds) {
        const Clock::time_point deadline = Clock::now() + std::chrono::seconds(seconds);
        while (count < target && Clock::now() < deadline && int(children.size()) == agents)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return count == target;
    };
    const bool ready = waitFor(shared.ready, agents, 120);
    const Clock::time_point start = Clock::now();
    close(go[1]);
    const bool ended = ready && waitFor(shared.ended, kTransactions, 600);
    close(leave[1]);
    bool clean = ended;
    for (pid_t child : children) {
        if (!ended) kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        clean = clean && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    const double seconds = std::chrono::duration<double>(Clock::duration(shared.lastEnd.load()) -
                                                         start.time_since_epoch()).count();
    out.perSecond = shared.done / seconds;
    out.refused = shared.refused;
    out.failed = shared.failed + (kTransactions - shared.done - shared.refused - shared.failed);
    out.connects.assign(shared.connectSeconds, shared.connectSeconds + agents);
    out.waits.assign(shared.waitSeconds, shared.waitSeconds + std::min<int>(shared.begun, kTransactions));
    out.holds.assign(shared.holdSeconds, shared.holdSeconds + shared.done);
    out.took.assign(shared.tookSeconds, shared.tookSeconds + shared.done);
    munmap(memory, sizeof(Shared));
    return clean;
}

double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
    return v[v.size() / 2];
}

double longest(const std::vector<double>& v) { return v.empty() ? 0 : *std::max_element(v.begin(), v.end()); }

std::string time(double seconds) {
    char out[32];
    if (seconds >= 1) std::snprintf(out, sizeof out, "%.2f s", seconds);
    else if (seconds >= 1e-3) std::snprintf(out, sizeof out, "%.1f ms", seconds * 1e3);
    else std::snprintf(out, sizeof out, "%.0f us", seconds * 1e6);
    return out;
}

bool configure() {
    KelPI_Ostrel ostrel;
    KelPI_MSSqlAgent agent;
    return KelRegistry::createMachine(kMachine) && KelPI_Focus::setFocus(kMachine) && ostrel.setFocus(kMachine) != 0 &&
           ostrel.setOstrelHostName(kOstrelHost) && agent.setFocus(kMachine) != 0 && agent.setAgentInstallActive(true);
}

int measure(int rounds) {
    if (!configure() || !registerClients(rounds)) {
        std::fprintf(stderr, "agent_sessions_bench: cannot set up the Ostrel's catalogue\n");
        return 1;
    }
    KelDispatcherProcess dispatcher;
    if (!dispatcher.start(kOstrelHost)) {
        std::fprintf(stderr, "agent_sessions_bench: cannot start %s\n", KelDispatcherProcess::defaultProgram().c_str());
        return 1;
    }
    // A registry file written less than a second ago is read again on every
    // use; an installation's has long settled.
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));

    constexpr int kSizes = sizeof kAgents / sizeof kAgents[0];
    std::vector<std::vector<Run>> runs(kSizes);
    bool clean = true;
    for (int round = 0; round < rounds; ++round) {
        for (int k = 0; k < kSizes; ++k) {
            const int s = round % 2 ? kSizes - 1 - k : k;
            Run run;
            clean &= runAgents(round, kAgents[s], run);
            std::printf("round %d: %3d agents %8.1f transactions/s, %d refused, %d failed\n", round + 1, kAgents[s],
                        run.perSecond, run.refused, run.failed);
            std::fflush(stdout);
            runs[s].push_back(std::move(run));
        }
    }
    dispatcher.stop();

    std::printf("\n%7s %15s %8s %7s %16s %20s %13s %12s %12s\n", "agents", "transactions/s", "refused", "failed",
                "slowest connect", "slowest transaction", "longest wait", "median wait", "median hold");
    std::vector<double> perSecond(kSizes);
    int refused = 0, failed = 0;
    double slowest = 0, slowestConnect = 0;
    for (int s = 0; s < kSizes; ++s) {
        std::vector<double> rates, connects, waits, holds, took;
        int r = 0, f = 0;
        for (const Run& run : runs[s]) {
            rates.push_back(run.perSecond);
            connects.insert(connects.end(), run.connects.begin(), run.connects.end());
            waits.insert(waits.end(), run.waits.begin(), run.waits.end());
            holds.insert(holds.end(), run.holds.begin(), run.holds.end());
            took.insert(took.end(), run.took.begin(), run.took.end());
            r += run.refused;
            f += run.failed;
        }
        perSecond[s] = median(rates);
        refused += r;
        failed += f;
        slowest = std::max(slowest, longest(took));
        if (s == kSizes - 1) slowestConnect = longest(connects);
        std::printf("%7d %15.1f %8d %7d %16s %20s %13s %12s %12s\n", kAgents[s], perSecond[s], r, f,
                    time(longest(connects)).c_str(), time(longest(took)).c_str(), time(longest(waits)).c_str(),
                    time(median(waits)).c_str(), time(median(holds)).c_str());
    }
    const double ratio = perSecond[0] > 0 ? perSecond[kSizes - 1] / perSecond[0] : 0;
    const bool ratioHolds = ratio >= kTarget;
    const bool slowestHolds = slowest <= kSlowestTarget;
    std::printf("\nthroughput at %d agents / at 1: %.2f (target >= %.2f) %s\n", kMostAgents, ratio, kTarget,
                ratioHolds ? "holds" : "MISSED");
    std::printf("slowest transaction at any N, an agent's first from its connect: %s (target <= %s) %s\n",
                time(slowest).c_str(), time(kSlowestTarget).c_str(), slowestHolds ? "holds" : "MISSED");
    std::printf("slowest connect at %d agents (connect, proof, login handed over): %s\n", kMostAgents,
                time(slowestConnect).c_str());
    std::printf("STARTs refused at any N: %d (target 0) %s\n", refused, refused == 0 ? "holds" : "MISSED");
    if (!clean || failed) {
        std::fprintf(stderr, "agent_sessions_bench: %d transactions failed\n", failed);
        return 1;
    }
    return ratioHolds && slowestHolds && refused == 0 ? 0 : 2;
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = 3;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--rounds") == 0 && i + 1 < argc) {
            rounds = std::max(1, std::atoi(argv[++i]));
        } else {
            std::fprintf(stderr, "usage: agent_sessions_bench [--rounds R]\n");
            return 1;
        }
    }
    char pattern[] = "/tmp/kel-bench-XXXXXX";
    const char* home = mkdtemp(pattern);
    if (!home) return 1;
    setenv("KEL_HOME", home, 1);
    // The installation's key, which every agent's session proves.
    if (!KelPassword::makeKey()) return 1;
    const int code = measure(rounds);
    std::string cleanup = std::string("rm -rf '") + home + "'";
    return std::system(cleanup.c_str()) == 0 ? code : 1;
}
