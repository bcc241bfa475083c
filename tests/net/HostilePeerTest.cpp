// Peers that attack the dispatcher rather than stumble: naming functions that
// are not entry points, holding slots without a word, streaming after a bad
// frame, sending the largest frames at once.
#include <signal.h>
#include <unistd.h>

#include <fstream>

#include "KelSQL/KelNetSQLDBTransaction.h"
#include "NetFixture.h"
#include "support/SqlDispatcherFixture.h"

using namespace kel::nettest;
using namespace kel::test;
using kel::net::FrameHeader;
using kel::net::Socket;

namespace {

// The dispatcher's peak resident size in kB.
long peakKb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.compare(0, 6, "VmHWM:") == 0) return std::stol(line.substr(6));
    return -1;
}

using HostilePeerTest = DispatcherTest;
class CatalogueEntryTest : public kel::test::SqlDispatcherTest {};

}  // namespace

TEST_F(CatalogueEntryTest, OnlyDeclaredEntryPointsOfTheHandlerItselfAreCalled) {
    RawPeer raw = RawPeer::connect(ostrel_.port());
    ASSERT_TRUE(raw.valid());
    // libc, the catalogue library, the handler's own table, another
    // handler's entry point: all reachable through dlsym, none declared.
    const uint32_t code = KelNetSQLDBTransStatus;
    auto ask = [&](const char* entry) {
        FrameHeader h = requestHeader("sLNSQL", entry, 0x1E000000, 0x1E000009, sizeof(code));
        EXPECT_TRUE(raw.sendFrame(h, &code, sizeof(code)));
        return raw.readFrame().header;
    };
    for (const char* name : {"abort", "exit", "getpid", "sqlite3_libversion", "kelSessionGetState",
                             "kelHandlerEntryPoints", "sLPSQLTESTMSG"}) {
        FrameHeader answer = ask(name);
        EXPECT_EQ(answer.kind, kel::net::kFrameFailure) << name;
        EXPECT_EQ(answer.status, kel::kErrEntryNotFound) << name;
    }
    // The same connection is still answered.
    EXPECT_EQ(ask("sLPSQLMSG").kind, kel::net::kFrameResponse);
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
    RawPeer trickle = RawPeer::connect(host.port());
    ASSERT_TRUE(trickle.valid());
    FrameHeader h = requestHeader("sLNTEST", "sLPTESTMSG", kFamily, kEchoRequest, sizeof(EchoRecord));
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
    RawPeer raw = RawPeer::connect(ostrel_.port());
    ASSERT_TRUE(raw.valid());
    std::string junk(sizeof(FrameHeader), 'x');
    ASSERT_TRUE(raw.send(junk, false));
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
    expectServed();
}

TEST_F(HostilePeerTest, LargestFramesFromManyPeersKeepMemoryNearIdle) {
    expectServed();  // the handler loaded, the idle figure settled
    const long idle = peakKb(ostrel_.pid());
    ASSERT_GT(idle, 0);
    std::vector<std::thread> peers;
    for (int i = 0; i < 32; ++i) {
        peers.emplace_back([port = ostrel_.port(), i] {
            RawPeer s = RawPeer::connect(port);
            // Half fill both bounds; half announce 20 MiB and send it anyway.
            FrameHeader h = requestHeader("sLNTEST", "sLPTESTMSG", kFamily, kEchoRequest, kel::net::kMaxRecordLength);
            h.payloadLength = i % 2 ? kel::net::kMaxPayloadLength : (20u << 20);
            std::vector<char> body(1 << 20, 'z');
            writeBytes(s.fd(), &h, sizeof(h));
            for (size_t sent = 0; sent < (20u << 20) && writeBytes(s.fd(), body.data(), body.size());)
                sent += body.size();
            untilClosed(s.fd(), std::chrono::milliseconds(3000));
        });
    }
    for (std::thread& t : peers) t.join();
    const long peak = peakKb(ostrel_.pid());
    // Unbounded, 32 peers made it hold 640 MiB.
    EXPECT_LT(peak, 3 * idle + 64 * 1024) << "idle " << idle << " kB, peak " << peak << " kB";
    expectServed();
}
