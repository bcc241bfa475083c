// The dispatcher's resident memory under 32 peers at once that each send
// 20 MiB: half as frames filled to both bounds, half announcing more than the
// bounds. Reported as counters (kB from /proc/<pid>/status): idle_kB before,
// peak_kB the high-water mark after, after_kB once the peers are gone.
#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/info/KelPlatformInfo.h"
#include "platform/info/KelRegistry.h"
#include "platform/net/CKelNetwork.h"
#include "platform/net/KelDispatcherProcess.h"
#include "platform/util/KelPassword.h"
#include "platform/net/testhandler/TestMessages.h"

using namespace kel::nettest;

namespace {

KelPI_Farrow* g_base = nullptr;

long residentKb(pid_t pid, const std::string& field) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.compare(0, field.size() + 1, field + ":") == 0) return std::stol(line.substr(field.size() + 1));
    return -1;
}

void peer(int port, bool overBounds) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<uint16_t>(port));
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    kel::net::ProofKey key;
    kel::net::FrameKeys keys;
    std::string why;
    // A peer with the key: what it sends is read as frames, not refused as a
    // stranger's first bytes.
    if (::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof(sa)) == 0 && key.load(why) &&
        kel::net::proveSocket(fd, key, kel::net::ProofRole::kInitiator, 3000, keys, why)) {
        kel::net::FrameHeader h = kel::net::makeHeader(kel::net::kFrameRequest);
        h.family = kFamily;
        h.type = kEchoRequest;
        h.recordLength = kel::net::kMaxRecordLength;
        h.payloadLength = overBounds ? (20u << 20) : kel::net::kMaxPayloadLength;
        kel::copyWholeField(h.dllName, "sLNTEST");
        kel::copyWholeField(h.entryPoint, "sLPTESTMSG");
        std::vector<char> body(1 << 20, 'z');
        bool ok = ::send(fd, &h, sizeof(h), MSG_NOSIGNAL) == static_cast<ssize_t>(sizeof(h));
        for (size_t sent = 0; ok && sent < (20u << 20); sent += body.size())
            ok = ::send(fd, body.data(), body.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(body.size());
        char sink[4096];
        for (;;) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 3000) <= 0 || ::recv(fd, sink, sizeof(sink), 0) <= 0) break;
        }
    }
    close(fd);
}

void BM_DispatcherMemoryUnderLargeFrames(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        KelDispatcherProcess dispatcher;
        if (!dispatcher.start("MEMB")) {
            state.SkipWithError("cannot start the dispatcher");
            break;
        }
        {
            CKelNetwork session;
            EchoMessage warm(g_base, &session, kEchoRequest, kEchoResponse);
            warm.setRemoteDataAgent("MEMB");
            warm.initiate();
        }
        const long idle = residentKb(dispatcher.pid(), "VmHWM");
        state.ResumeTiming();
        std::vector<std::thread> peers;
        for (int i = 0; i < 32; ++i) peers.emplace_back(peer, dispatcher.port(), i % 2 == 0);
        for (std::thread& t : peers) t.join();
        state.PauseTiming();
        // Sessions end (and trim) once their peers are gone.
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        state.counters["idle_kB"] = static_cast<double>(idle);
        state.counters["peak_kB"] = static_cast<double>(residentKb(dispatcher.pid(), "VmHWM"));
        state.counters["after_kB"] = static_cast<double>(residentKb(dispatcher.pid(), "VmRSS"));
        dispatcher.stop();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DispatcherMemoryUnderLargeFrames)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    char pattern[] = "/tmp/kel-bench-XXXXXX";
    const char* home = mkdtemp(pattern);
    if (!home) return 1;
    setenv("KEL_HOME", home, 1);
    KelRegistry::createMachine("bench");
    KelPI_Focus::setFocus("bench");
    KelPI_Farrow base;
    base.setFocus("bench");
    g_base = &base;
    KelPassword::makeKey();

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::string cleanup = std::string("rm -rf '") + home + "'";
    return std::system(cleanup.c_str()) == 0 ? 0 : 1;
}
