// Round trip of a small request through a loopback dispatcher and its test
// handler, and of a network transaction's STATUS through the catalogue's
// handler, against a bare TCP echo of the same bytes (BareTcpEcho, the
// baseline each ..._vs_BareTcpEcho pairs with); with 1, 8 and 32 sessions at
// once. Without arguments the pairs run interleaved, three times each.
#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "KelSQL/KelNetSQLDBTransaction.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "platform/info/KelPlatformInfo.h"
#include "platform/info/KelRegistry.h"
#include "platform/net/KelDispatcherProcess.h"
#include "platform/net/testhandler/TestMessages.h"

using namespace kel::nettest;

namespace {

constexpr size_t kFrameBytes = sizeof(kel::net::FrameHeader) + sizeof(EchoRecord);

KelDispatcherProcess* g_dispatcher = nullptr;
KelPI_Farrow* g_base = nullptr;
int g_echoPort = 0;

bool readAll(int fd, char* p, size_t n) {
    while (n) {
        ssize_t r = ::recv(fd, p, n, 0);
        if (r <= 0) return false;
        p += r;
        n -= static_cast<size_t>(r);
    }
    return true;
}

// The baseline: a thread per connection that returns every frame's worth of bytes.
void echoServer(int listener) {
    for (;;) {
        int fd = accept(listener, nullptr, nullptr);
        if (fd < 0) return;
        std::thread([fd] {
            int one = 1;
            setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
            std::vector<char> buf(kFrameBytes);
            while (readAll(fd, buf.data(), buf.size()))
                if (::send(fd, buf.data(), buf.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(buf.size())) break;
            close(fd);
        }).detach();
    }
}

int startEcho() {
    int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof(sa);
    if (bind(s, reinterpret_cast<sockaddr*>(&sa), sizeof(sa)) != 0 || listen(s, 64) != 0) return 0;
    getsockname(s, reinterpret_cast<sockaddr*>(&sa), &len);
    std::thread(echoServer, s).detach();
    return ntohs(sa.sin_port);
}

void BM_BareTcpEcho(benchmark::State& state) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<uint16_t>(g_echoPort));
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof(sa)) != 0) {
        state.SkipWithError("no echo server");
        return;
    }
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
    std::vector<char> buf(kFrameBytes, 'x');
    for (auto _ : state) {
        if (::send(fd, buf.data(), buf.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(buf.size()) ||
            !readAll(fd, buf.data(), buf.size())) {
            state.SkipWithError("echo failed");
            break;
        }
    }
    close(fd);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BareTcpEcho)->UseRealTime()->Threads(1)->Threads(8)->Threads(32);

void BM_DispatcherEcho_vs_BareTcpEcho(benchmark::State& state) {
    CKelNetwork session;
    EchoMessage m(g_base, &session, kEchoRequest, kEchoResponse);
    uint64_t id = 0;
    for (auto _ : state) {
        m.request().id = ++id;
        if (!m.initiate() || m.response().id != id) {
            state.SkipWithError(m.getLastError().formatLastErrorMessage().c_str());
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DispatcherEcho_vs_BareTcpEcho)->UseRealTime()->Threads(1)->Threads(8)->Threads(32);

// A catalogue request: STATUS of the network transaction of an agent-side
// context, answered by the catalogue's handler on its Ostrel-side context.
void BM_CatalogueStatus_vs_BareTcpEcho(benchmark::State& state) {
    KelSQLClassProperties agent(KelSQLClientSide);
    KelNetSQLDBTransaction* t = agent.isClientOperations() ? agent.getNetworkDBTransaction() : nullptr;
    if (!t) {
        state.SkipWithError("no agent-side context");
        return;
    }
    for (auto _ : state) {
        KelNetSQLDBTransState status = 0;
        if (!t->getTransactionStatus(&status)) {
            state.SkipWithError("STATUS failed");
            break;
        }
        benchmark::DoNotOptimize(status);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CatalogueStatus_vs_BareTcpEcho)->UseRealTime()->Threads(1)->Threads(8)->Threads(32);

}  // namespace

int main(int argc, char** argv) {
    char pattern[] = "/tmp/kel-bench-XXXXXX";
    const char* home = mkdtemp(pattern);
    if (!home) return 1;
    setenv("KEL_HOME", home, 1);
    KelRegistry::createMachine("bench");
    KelPI_Focus::setFocus("bench");
    KelPI_Ostrel ostrel;
    KelPI_MSSqlAgent agent;
    if (ostrel.setFocus("bench") == 0 || !ostrel.setOstrelHostName("OSTRELB") || !ostrel.setTesselId(1) ||
        agent.setFocus("bench") == 0 || !agent.setAgentInstallActive(true))
        return 1;
    KelDispatcherProcess dispatcher;
    if (!dispatcher.start("OSTRELB")) {
        std::fprintf(stderr, "cannot start %s\n", KelDispatcherProcess::defaultProgram().c_str());
        return 1;
    }
    KelPI_Farrow base;
    base.setFocus("bench");
    base.setOstrelHostName("OSTRELB");
    g_dispatcher = &dispatcher;
    g_base = &base;
    g_echoPort = startEcho();
    // A registry file written less than a second ago is read again on every
    // use (a later write could carry the same time); an installation's has
    // long settled, so the measurement starts once this one has.
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));

    char interleave[] = "--benchmark_enable_random_interleaving=true";
    char repetitions[] = "--benchmark_repetitions=3";
    char* defaults[] = {argv[0], interleave, repetitions, nullptr};
    if (argc == 1) {
        argc = 3;
        argv = defaults;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    dispatcher.stop();
    std::string cleanup = std::string("rm -rf '") + home + "'";
    return std::system(cleanup.c_str()) == 0 ? 0 : 1;
}
