// Round trip of a small request through a loopback dispatcher and its test
// handler, against a bare TCP echo of the same bytes; and requests per second
// with 8 sessions at once.
#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <thread>

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
    if (bind(s, reinterpret_cast<sockaddr*>(&sa), sizeof(sa)) != 0 || listen(s, 16) != 0) return 0;
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
BENCHMARK(BM_BareTcpEcho)->UseRealTime();

void BM_DispatcherRoundTrip(benchmark::State& state) {
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
BENCHMARK(BM_DispatcherRoundTrip)->UseRealTime();
BENCHMARK(BM_DispatcherRoundTrip)->Threads(8)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    char pattern[] = "/tmp/kel-bench-XXXXXX";
    const char* home = mkdtemp(pattern);
    if (!home) return 1;
    setenv("KEL_HOME", home, 1);
    KelRegistry::createMachine("bench");
    KelPI_Focus::setFocus("bench");
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

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    dispatcher.stop();
    std::string cleanup = std::string("rm -rf '") + home + "'";
    return std::system(cleanup.c_str()) == 0 ? 0 : 1;
}
