// Peers that attack the dispatcher rather than stumble: naming functions that
// are not entry points, holding slots without a word, streaming after a bad
// frame, sending the largest frames at once.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>
#include <vector>

#include "KelSQL/KelNetSQLDBTransaction.h"
#include "NetFixture.h"
#include "support/SqlDispatcherFixture.h"

using namespace kel::nettest;
using kel::net::FrameHeader;
using kel::net::Socket;
using Clock = std::chrono::steady_clock;

namespace {

Socket connectTo(int port) {
    Socket s(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<uint16_t>(port));
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(s.fd(), reinterpret_cast<sockaddr*>(&sa), sizeof(sa)) != 0) s.close();
    return s;
}

bool writeBytes(int fd, const void* data, size_t size) {
    return ::send(fd, data, size, MSG_NOSIGNAL) == static_cast<ssize_t>(size);
}

// One whole frame from the peer, or a header of kind 0 when none came in 3 s.
kel::net::Frame readFrame(int fd) {
    kel::net::Frame f;
    std::vector<char> bytes(sizeof(FrameHeader));
    auto take = [fd](char* p, size_t n) {
        while (n) {
            pollfd w{fd, POLLIN, 0};
            if (poll(&w, 1, 3000) <= 0) return false;
            ssize_t r = ::recv(fd, p, n, 0);
            if (r <= 0) return false;
            p += r;
            n -= static_cast<size_t>(r);
        }
        return true;
    };
    if (!take(bytes.data(), bytes.size())) return f;
    const auto* h = reinterpret_cast<const FrameHeader*>(bytes.data());
    size_t body = size_t{h->recordLength} + h->payloadLength;
    if (body > (1u << 20)) return f;
    bytes.resize(bytes.size() + body);
    if (!take(bytes.data() + sizeof(FrameHeader), body)) return f;
    if (kel::net::parseFrame(bytes.data(), bytes.size(), f) != kel::net::FrameStatus::kOk) f.header.kind = 0;
    return f;
}

// How long until the dispatcher closes fd (at most limit).
Clock::duration untilClosed(int fd, std::chrono::milliseconds limit) {
    auto start = Clock::now();
    char sink[4096];
    while (Clock::now() - start < limit) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 50) > 0 && ::recv(fd, sink, sizeof(sink), MSG_DONTWAIT) <= 0) break;
    }
    return Clock::now() - start;
}

// The dispatcher's peak or current resident size in kB ("VmHWM" / "VmRSS").
long residentKb(pid_t pid, const std::string& field) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.compare(0, field.size() + 1, field + ":") == 0) return std::stol(line.substr(field.size() + 1));
    return -1;
}

FrameHeader request(const char* library, const char* entry, uint64_t family, uint64_t type, uint32_t length) {
    FrameHeader h = kel::net::makeHeader(kel::net::kFrameRequest);
    h.family = family;
    h.type = type;
    h.messageId = 7;
    h.recordLength = length;
    kel::copyField(h.dllName, library);
    kel::copyField(h.entryPoint, entry);
    return h;
}

class HostilePeerTest : public kel::test::DispatcherTest {
protected:
    // An echo through host on a fresh session, in good time.
    void expectServed(const char* host) {
        CKelNetwork fresh;
        EchoMessage m(&base_, &fresh, kEchoRequest, kEchoResponse);
        ASSERT_TRUE(m.setRemoteDataAgent(host));
        m.request().id = 5;
        auto start = Clock::now();
        ASSERT_TRUE(m.initiate()) << m.getLastError().formatLastErrorMessage();
        EXPECT_EQ(m.response().id, 5u);
        EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
    }
};

class CatalogueEntryTest : public kel::test::SqlDispatcherTest {};

}  // namespace

TEST_F(CatalogueEntryTest, OnlyDeclaredEntryPointsOfTheHandlerItselfAreCalled) {
    Socket raw = connectTo(ostrel_.port());
    ASSERT_TRUE(raw.valid());
    // libc, the catalogue library, the handler's own table, another
    // handler's entry point: all reachable through dlsym, none declared.
    for (const char* name : {"abort", "exit", "getpid", "sqlite3_libversion", "kelSessionGetState",
                             "kelHandlerEntryPoints", "sLPSQLTESTMSG"}) {
        FrameHeader h = request("sLNSQL", name, 0x1E000000, 0x1E000009, 4);
        uint32_t code = KelNetSQLDBTransStatus;
        ASSERT_TRUE(writeBytes(raw.fd(), &h, sizeof(h)) && writeBytes(raw.fd(), &code, sizeof(code)));
        kel::net::Frame answer = readFrame(raw.fd());
        EXPECT_EQ(answer.header.kind, kel::net::kFrameFailure) << name;
        EXPECT_EQ(answer.header.status, kel::kErrEntryNotFound) << name;
    }
    EXPECT_EQ(kill(ostrel_.pid(), 0), 0);
    // The same connection and a fresh agent context are still answered.
    FrameHeader h = request("sLNSQL", "sLPSQLMSG", 0x1E000000, 0x1E000009, 4);
    uint32_t code = KelNetSQLDBTransStatus;
    ASSERT_TRUE(writeBytes(raw.fd(), &h, sizeof(h)) && writeBytes(raw.fd(), &code, sizeof(code)));
    EXPECT_EQ(readFrame(raw.fd()).header.kind, kel::net::kFrameResponse);
    KelSQLClassProperties agent(KelSQLClientSide);
    KelNetSQLDBTransState state = 0;
    ASSERT_TRUE(agent.getNetworkDBTransaction()->getTransactionStatus(&state))
        << agent.getNetworkDBTransaction()->getLastError().formatLastErrorMessage();
    EXPECT_EQ(state, uint32_t{KelSQLTranNone});
}

TEST_F(HostilePeerTest, HandlerResultThatIsNoErrorNumberIsNotPassedOn) {
    EchoMessage m(&base_, &session_, kAddressRequest, kEchoResponse);
    EXPECT_FALSE(m.initiate());
    EXPECT_EQ(m.getLastError().number(), kel::net::kErrNetHandler);
}

TEST_F(HostilePeerTest, SilentConnectionsGiveUpTheirSlotsToAnAgent) {
    KelDispatcherProcess crowd;
    // Greeting time far beyond the test: only eviction can free a slot.
    ASSERT_TRUE(crowd.start("CROWD", {"--greet", "60000"}));
    std::vector<Socket> silent;
    for (int i = 0; i < 300; ++i) {
        silent.push_back(connectTo(crowd.port()));
        ASSERT_TRUE(silent.back().valid());
    }
    expectServed("CROWD");
    // The oldest silent connections went, not the newest.
    EXPECT_LT(untilClosed(silent.front().fd(), std::chrono::milliseconds(3000)), std::chrono::seconds(3));
    pollfd p{silent.back().fd(), POLLIN, 0};
    EXPECT_EQ(poll(&p, 1, 0), 0);
    silent.clear();
    EXPECT_TRUE(crowd.stop());
}

TEST_F(HostilePeerTest, ConnectionWithoutAWholeRequestInItsGreetingTimeIsClosed) {
    KelDispatcherProcess host;
    ASSERT_TRUE(host.start("GREET", {"--greet", "300"}));
    Socket silent = connectTo(host.port());
    Socket trickle = connectTo(host.port());
    FrameHeader h = request("sLNTEST", "sLPTESTMSG", kFamily, kEchoRequest, sizeof(EchoRecord));
    std::thread dribble([fd = trickle.fd(), h] {
        // A byte every 50 ms: the header alone would take 9 s.
        const char* bytes = reinterpret_cast<const char*>(&h);
        for (size_t i = 0; i < sizeof(h) && writeBytes(fd, bytes + i, 1); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    });
    EXPECT_LT(untilClosed(silent.fd(), std::chrono::milliseconds(5000)), std::chrono::seconds(2));
    EXPECT_LT(untilClosed(trickle.fd(), std::chrono::milliseconds(5000)), std::chrono::seconds(2));
    ::shutdown(trickle.fd(), SHUT_RDWR);
    dribble.join();
    expectServed("GREET");
    EXPECT_TRUE(host.stop());
}

TEST_F(HostilePeerTest, StreamAfterABadFrameIsCutAtTheDrainDeadline) {
    Socket raw = connectTo(ostrel_.port());
    std::string junk(sizeof(FrameHeader), 'x');
    ASSERT_TRUE(writeBytes(raw.fd(), junk.data(), junk.size()));
    std::vector<char> chunk(64 * 1024, 'y');
    auto start = Clock::now();
    bool cut = false;
    while (!cut && Clock::now() - start < std::chrono::seconds(10)) {
        ssize_t n = ::send(raw.fd(), chunk.data(), chunk.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        cut = n < 0 && errno != EAGAIN && errno != EWOULDBLOCK;
        char sink[4096];
        while (!cut && ::recv(raw.fd(), sink, sizeof(sink), MSG_DONTWAIT) > 0) {
        }
    }
    EXPECT_TRUE(cut);
    // The drain lasts one second; the rest is slack for a loaded machine.
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(3));
    expectServed(kOstrel);
}

TEST_F(HostilePeerTest, LargestFramesFromManyPeersKeepMemoryNearIdle) {
    expectServed(kOstrel);  // the handler loaded, the idle figure settled
    const long idle = residentKb(ostrel_.pid(), "VmHWM");
    ASSERT_GT(idle, 0);
    std::vector<std::thread> peers;
    for (int i = 0; i < 32; ++i) {
        peers.emplace_back([port = ostrel_.port(), i] {
            Socket s = connectTo(port);
            // Half fill both bounds; half announce 20 MiB and send it anyway.
            FrameHeader h = request("sLNTEST", "sLPTESTMSG", kFamily, kEchoRequest, kel::net::kMaxRecordLength);
            h.payloadLength = i % 2 ? kel::net::kMaxPayloadLength : (20u << 20);
            std::vector<char> body(1 << 20, 'z');
            writeBytes(s.fd(), &h, sizeof(h));
            for (size_t sent = 0; sent < (20u << 20) && writeBytes(s.fd(), body.data(), body.size());)
                sent += body.size();
            untilClosed(s.fd(), std::chrono::milliseconds(3000));
        });
    }
    for (std::thread& t : peers) t.join();
    const long peak = residentKb(ostrel_.pid(), "VmHWM");
    // Unbounded, 32 peers made it hold 640 MiB.
    EXPECT_LT(peak, 3 * idle + 64 * 1024) << "idle " << idle << " kB, peak " << peak << " kB";
    expectServed(kOstrel);
}
