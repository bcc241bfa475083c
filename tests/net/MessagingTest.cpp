#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <chrono>
#include <thread>

#include "NetFixture.h"

using namespace kel::nettest;
using kel::test::DispatcherTest;
using Clock = std::chrono::steady_clock;

namespace {

void fillEcho(EchoRecord& r, uint64_t id) {
    // Every byte set, so a shifted or shortened copy shows.
    std::memset(&r, 0, sizeof(r));
    for (size_t i = 0; i < sizeof(r.path); ++i) r.path[i] = static_cast<char>('a' + (i + id) % 26);
    r.path[sizeof(r.path) - 1] = '\0';
    r.code = 0xA1B2C3D4;
    r.id = 0x0102030405060708ull + id;
    EXPECT_TRUE(kel::copyField(r.name, "INSTANCE\\SQL2005 " + std::to_string(id)));
    r.value = 3.25 * static_cast<double>(id);
}

}  // namespace

TEST_F(DispatcherTest, EchoRoundTripIsByteForByte) {
    EchoMessage m(&base_, &session_, kEchoRequest, kEchoResponse);
    fillEcho(m.request(), 7);
    std::string payload(40 * 1024 + 3, 'p');  // over several read chunks
    payload[0] = '\0';  // binary, not text
    m.setSendPayload(payload.data(), payload.size());
    ASSERT_TRUE(m.initiate()) << m.getLastError().formatLastErrorMessage();
    EXPECT_EQ(0, std::memcmp(m.getRequestMessage(), m.getResponseMessage(), sizeof(EchoRecord)));
    EXPECT_EQ(std::string(m.getReceivedPayload().begin(), m.getReceivedPayload().end()), payload);
    EXPECT_TRUE(session_.IsConnected());
}

TEST_F(DispatcherTest, MessageWithoutSessionOpensItsOwn) {
    EchoMessage m(&base_, nullptr, kEchoRequest, kEchoResponse);
    fillEcho(m.request(), 1);
    ASSERT_TRUE(m.initiate()) << m.getLastError().formatLastErrorMessage();
    EXPECT_EQ(m.response().code, 0xA1B2C3D4u);
    // A copy never shares the original's own session.
    EchoMessage copy(m);
    fillEcho(copy.request(), 2);
    ASSERT_TRUE(copy.initiate());
    EXPECT_NE(copy.getSession(), m.getSession());
}

TEST_F(DispatcherTest, ListBrokenOffByTheHandlerFailsTheCaller) {
    ListMessage m(&base_, &session_, kHalfListRequest);
    m.request().total = 120;
    EXPECT_FALSE(m.initiate());
    EXPECT_EQ(m.getLastError().number(), kel::net::kErrNetHandler);
    EXPECT_EQ(m.counts.size(), 1u);

    ListMessage again(&base_, &session_);
    again.request().total = 51;
    ASSERT_TRUE(again.initiate());
    EXPECT_EQ(again.counts, (std::vector<uint64_t>{50, 1}));
}

// A handler library is a bare known name; a handler's result that is no
// error number is not passed on; a late answer fails instead of hanging.
TEST_F(DispatcherTest, FailedRequestsCarryTheirNumber) {
    const struct {
        const char* what;
        const char* library;
        const char* entry;
        const char* host;
        uint64_t type;
        uint32_t delayMs;
        uint64_t number;
    } cases[] = {
        {"no such library", "sLNNOSUCH", nullptr, nullptr, kEchoRequest, 0, kel::kErrLibraryNotFound},
        {"relative path", "../bin/sLNTEST", nullptr, nullptr, kEchoRequest, 0, kel::kErrLibraryNotFound},
        {"Windows path", "..\\bin\\sLNTEST", nullptr, nullptr, kEchoRequest, 0, kel::kErrLibraryNotFound},
        {"absolute path", "/tmp/sLNTEST", nullptr, nullptr, kEchoRequest, 0, kel::kErrLibraryNotFound},
        {"no such entry", nullptr, "noSuchEntry", nullptr, kEchoRequest, 0, kel::kErrEntryNotFound},
        {"unanswered", nullptr, nullptr, nullptr, kSilentRequest, 0, kSilentError},
        {"no error number", nullptr, nullptr, nullptr, kAddressRequest, 0, kel::net::kErrNetHandler},
        {"empty host", nullptr, nullptr, "", kEchoRequest, 0, kel::net::kErrNetAddress},
        {"unknown host", nullptr, nullptr, "NOHOST", kEchoRequest, 0, kel::net::kErrNetUnknownHost},
        {"late answer", nullptr, nullptr, nullptr, kEchoRequest, 1500, kel::net::kErrNetTimeout},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CKelNetwork session;
        if (c.delayMs) session.setTimeout(300);
        EchoMessage m(&base_, &session, c.type, kEchoResponse);
        if (c.library) m.setDLLName(c.library);
        if (c.entry) m.setDLLEntryPointName(c.entry);
        fillEcho(m.request(), 4);
        m.request().delayMs = c.delayMs;
        auto start = Clock::now();
        EXPECT_FALSE((!c.host || m.setRemoteDataAgent(c.host)) && m.initiate());
        EXPECT_EQ(m.getLastError().number(), c.number);
        if (c.delayMs) {
            EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1200));
            EXPECT_FALSE(session.IsConnected());
        }
    }
    // Addressed elsewhere and back to the Ostrel.
    EchoMessage m(&base_, &session_, kEchoRequest, kEchoResponse);
    ASSERT_TRUE(m.setRemoteDataAgent("NOHOST"));
    EXPECT_TRUE(m.setRemoteOstrel());
    EXPECT_TRUE(m.initiate()) << m.getLastError().formatLastErrorMessage();
}

TEST_F(DispatcherTest, SessionStateLastsForTheSessionAndIsReleasedOnDisconnect) {
    uint64_t lastId = 0;
    for (uint64_t i = 1; i <= 3; ++i) {
        SessionMessage m(&base_, &session_, kSessionRequest, kSessionResponse);
        EXPECT_TRUE(kel::copyField(m.request().tag, "s1"));
        ASSERT_TRUE(m.initiate()) << m.getLastError().formatLastErrorMessage();
        EXPECT_EQ(m.response().requests, i);
        EXPECT_NE(m.getMessageId(), lastId);  // each exchange its own id
        lastId = m.getMessageId();
    }
    EXPECT_TRUE(kel::test::readFile(home_.file("released-s1")).empty());
    SessionMessage last(&base_, &session_, kSessionRequest, kSessionResponse);
    EXPECT_TRUE(last.disconnect());
    ASSERT_TRUE(waitForFile(home_.file("released-s1")));
    EXPECT_EQ(kel::test::readFile(home_.file("released-s1")), "3\n");

    // A new session starts with fresh state; a terminating exchange ends it on both ends.
    SessionMessage fresh(&base_, &session_, kSessionRequest, kSessionResponse, true);
    EXPECT_TRUE(kel::copyField(fresh.request().tag, "s2"));
    ASSERT_TRUE(fresh.initiate());
    EXPECT_EQ(fresh.response().requests, 1u);
    EXPECT_FALSE(session_.IsConnected());
    EXPECT_TRUE(waitForFile(home_.file("released-s2")));
}

TEST_F(DispatcherTest, ConcurrentSessionsKeepTheirOwnState) {
    std::atomic<int> failures{0};
    auto client = [&](const std::string& tag, uint64_t n) {
        CKelNetwork session;
        for (uint64_t i = 1; i <= n; ++i) {
            SessionMessage s(&base_, &session, kSessionRequest, kSessionResponse);
            EXPECT_TRUE(kel::copyField(s.request().tag, tag));
            EchoMessage e(&base_, &session, kEchoRequest, kEchoResponse);
            fillEcho(e.request(), i);
            if (!s.initiate() || s.response().requests != i || !e.initiate() ||
                std::memcmp(e.getRequestMessage(), e.getResponseMessage(), sizeof(EchoRecord)) != 0)
                ++failures;
        }
    };
    std::thread a(client, "a", 150), b(client, "b", 100);
    a.join();
    b.join();
    EXPECT_EQ(failures.load(), 0);
    ASSERT_TRUE(waitForFile(home_.file("released-a")));
    ASSERT_TRUE(waitForFile(home_.file("released-b")));
    EXPECT_EQ(kel::test::readFile(home_.file("released-a")), "150\n");
    EXPECT_EQ(kel::test::readFile(home_.file("released-b")), "100\n");
}

TEST_F(DispatcherTest, DispatcherDoesNotOutliveAParentThatDies) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Starts a host and dies without stopping it, as a crashed test would.
        KelDispatcherProcess orphan;
        pid_t started = orphan.start("ORPHAN1") ? orphan.pid() : -1;
        ssize_t n = write(fds[1], &started, sizeof(started));
        _exit(n == sizeof(started) ? 0 : 1);
    }
    close(fds[1]);
    pid_t orphan = -1;
    const bool told = read(fds[0], &orphan, sizeof(orphan)) == static_cast<ssize_t>(sizeof(orphan));
    close(fds[0]);
    waitpid(child, nullptr, 0);
    ASSERT_TRUE(told && orphan > 0);
    // Gone, or a zombie no one has reaped yet.
    auto alive = [orphan] {
        std::string stat = kel::test::readFile("/proc/" + std::to_string(orphan) + "/stat");
        size_t close = stat.rfind(')');
        return !stat.empty() && close != std::string::npos && stat.compare(close + 2, 1, "Z") != 0;
    };
    for (int waited = 0; alive() && waited < 5000; waited += 20)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (alive()) {
        kill(orphan, SIGKILL);
        ADD_FAILURE() << "the dispatcher outlived its parent";
    }
}

TEST_F(DispatcherTest, StuckDispatcherIsKilledInsteadOfHangingItsOwner) {
    KelDispatcherProcess stuck;
    ASSERT_TRUE(kel::test::startHost(stuck, "STUCK1"));
    const pid_t pid = stuck.pid();
    ASSERT_EQ(kill(pid, SIGSTOP), 0);  // it cannot act on SIGTERM now
    auto begun = Clock::now();
    EXPECT_FALSE(stuck.stop(200));
    EXPECT_LT(Clock::now() - begun, std::chrono::seconds(5));
    EXPECT_FALSE(stuck.running());
    EXPECT_NE(kill(pid, 0), 0);  // reaped
}
