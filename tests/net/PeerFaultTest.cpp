// Peers that misbehave: a fake host that answers with garbage, half a frame or
// nothing, and raw clients that send the dispatcher frames it must refuse.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "NetFixture.h"

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

// Everything the peer sends until it closes (or 3 s pass).
std::string readToEnd(int fd) {
    std::string out;
    char buf[512];
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 3000) <= 0) return out + "<timeout>";
        ssize_t n = ::recv(fd, buf, sizeof(buf), 0);
        if (n <= 0) return out;
        out.append(buf, static_cast<size_t>(n));
    }
}

FrameHeader echoHeader(uint32_t recordLength) {
    FrameHeader h = kel::net::makeHeader(kel::net::kFrameRequest);
    h.family = kFamily;
    h.type = kEchoRequest;
    h.messageId = 42;
    h.recordLength = recordLength;
    kel::copyField(h.dllName, "sLNTEST");
    kel::copyField(h.entryPoint, "sLPTESTMSG");
    return h;
}

// A host that reads one request and answers it through a script.
class FakeHost {
public:
    using Script = std::function<void(int fd, const FrameHeader& request)>;

    FakeHost(const std::string& name, Script script) : script_(std::move(script)) {
        listener_ = Socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof(sa);
        bind(listener_.fd(), reinterpret_cast<sockaddr*>(&sa), sizeof(sa));
        listen(listener_.fd(), 4);
        getsockname(listener_.fd(), reinterpret_cast<sockaddr*>(&sa), &len);
        KelRegistry::set(KelPI_Focus::getFocus(), kel::kSectionHosts, name,
                         "127.0.0.1:" + std::to_string(ntohs(sa.sin_port)));
        thread_ = std::thread([this] { serve(); });
    }
    ~FakeHost() {
        stop_ = true;
        ::shutdown(listener_.fd(), SHUT_RDWR);
        thread_.join();
    }
    std::atomic<bool> stop_{false};

private:
    void serve() {
        Socket peer(accept(listener_.fd(), nullptr, nullptr));
        if (!peer.valid()) return;
        FrameHeader h{};
        if (recv(peer.fd(), &h, sizeof(h), MSG_WAITALL) != static_cast<ssize_t>(sizeof(h))) return;
        std::vector<char> rest(h.recordLength + h.payloadLength);
        if (!rest.empty()) recv(peer.fd(), rest.data(), rest.size(), MSG_WAITALL);
        script_(peer.fd(), h);
    }

    Socket listener_;
    Script script_;
    std::thread thread_;
};

FrameHeader responseTo(const FrameHeader& request) {
    FrameHeader h = kel::net::makeHeader(kel::net::kFrameResponse);
    h.family = request.family;
    h.type = kEchoResponse;
    h.messageId = request.messageId;
    h.recordLength = sizeof(EchoRecord);
    return h;
}

class PeerFaultTest : public kel::test::DispatcherTest {
protected:
    // Sends an echo to host and expects a failure with number, in good time.
    void expectFailure(const char* host, uint64_t number) {
        session_.setTimeout(300);
        EchoMessage m(&base_, &session_, kEchoRequest, kEchoResponse);
        ASSERT_TRUE(m.setRemoteDataAgent(host));
        auto start = Clock::now();
        EXPECT_FALSE(m.initiate());
        EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(2000));
        EXPECT_EQ(m.getLastError().number(), number) << m.getLastError().formatLastErrorMessage();
        EXPECT_FALSE(session_.IsConnected());
    }

    // The dispatcher still answers, on a new session.
    void expectDispatcherServes() {
        CKelNetwork fresh;
        EchoMessage m(&base_, &fresh, kEchoRequest, kEchoResponse);
        m.request().id = 99;
        ASSERT_TRUE(m.initiate()) << m.getLastError().formatLastErrorMessage();
        EXPECT_EQ(m.response().id, 99u);
        EXPECT_EQ(kill(ostrel_.pid(), 0), 0);
    }
};

}  // namespace

TEST_F(PeerFaultTest, GarbageAnswerFails) {
    FakeHost host("FAKE", [](int fd, const FrameHeader&) {
        std::string junk(300, '\x5a');
        writeBytes(fd, junk.data(), junk.size());
    });
    expectFailure("FAKE", kel::net::kErrNetBadFrame);
}

TEST_F(PeerFaultTest, PeerClosingInsideTheAnswerFails) {
    FakeHost host("FAKE", [](int fd, const FrameHeader& request) {
        FrameHeader h = responseTo(request);
        writeBytes(fd, &h, sizeof(h));
        writeBytes(fd, "half", 4);
    });
    expectFailure("FAKE", kel::net::kErrNetReceive);
}

TEST_F(PeerFaultTest, PeerStoppingInsideTheAnswerTimesOut) {
    FakeHost* self = nullptr;
    FakeHost host("FAKE", [&self](int fd, const FrameHeader& request) {
        FrameHeader h = responseTo(request);
        writeBytes(fd, &h, 100);
        while (!self || !self->stop_) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    });
    self = &host;
    expectFailure("FAKE", kel::net::kErrNetTimeout);
}

TEST_F(PeerFaultTest, AnswerToAnotherMessageOrOfWrongSizeFails) {
    FakeHost other("FAKE", [](int fd, const FrameHeader& request) {
        FrameHeader h = responseTo(request);
        h.messageId ^= 1;
        EchoRecord r{};
        writeBytes(fd, &h, sizeof(h));
        writeBytes(fd, &r, sizeof(r));
    });
    expectFailure("FAKE", kel::net::kErrNetUnexpected);
    FakeHost shortRecord("FAKE2", [](int fd, const FrameHeader& request) {
        FrameHeader h = responseTo(request);
        h.recordLength = 8;
        writeBytes(fd, &h, sizeof(h));
        writeBytes(fd, "12345678", 8);
    });
    expectFailure("FAKE2", kel::net::kErrNetUnexpected);
}

TEST_F(PeerFaultTest, OversizedAnnouncedLengthIsRefusedWithoutReadingIt) {
    FakeHost host("FAKE", [](int fd, const FrameHeader& request) {
        FrameHeader h = responseTo(request);
        h.recordLength = 0xFFFFFFF0u;
        writeBytes(fd, &h, sizeof(h));
    });
    expectFailure("FAKE", kel::net::kErrNetBadFrame);
}

TEST_F(PeerFaultTest, DispatcherRefusesBadMagicAndClosesTheSession) {
    Socket raw = connectTo(ostrel_.port());
    ASSERT_TRUE(raw.valid());
    std::string junk(sizeof(FrameHeader), 'x');
    ASSERT_TRUE(writeBytes(raw.fd(), junk.data(), junk.size()));
    std::string answer = readToEnd(raw.fd());
    kel::net::Frame frame;
    ASSERT_EQ(kel::net::parseFrame(answer.data(), answer.size(), frame), kel::net::FrameStatus::kOk);
    EXPECT_EQ(frame.header.kind, kel::net::kFrameFailure);
    EXPECT_EQ(frame.header.status, kel::net::kErrNetBadFrame);
    expectDispatcherServes();
}

TEST_F(PeerFaultTest, DispatcherRefusesOversizedAndUnterminatedHeaders) {
    FrameHeader big = echoHeader(kel::net::kMaxRecordLength + 1);
    FrameHeader unterminated = echoHeader(0);
    std::memset(unterminated.dllName, 'A', sizeof(unterminated.dllName));
    for (const FrameHeader& h : {big, unterminated}) {
        Socket raw = connectTo(ostrel_.port());
        ASSERT_TRUE(writeBytes(raw.fd(), &h, sizeof(h)));
        std::string answer = readToEnd(raw.fd());
        kel::net::Frame frame;
        ASSERT_EQ(kel::net::parseFrame(answer.data(), answer.size(), frame), kel::net::FrameStatus::kOk);
        EXPECT_EQ(frame.header.status, kel::net::kErrNetBadFrame);
    }
    expectDispatcherServes();
}

TEST_F(PeerFaultTest, DispatcherSurvivesClientsVanishingMidFrame) {
    FrameHeader h = echoHeader(sizeof(EchoRecord));
    for (size_t cut : {size_t{0}, size_t{10}, sizeof(h), sizeof(h) + 100}) {
        Socket raw = connectTo(ostrel_.port());
        std::vector<char> bytes(sizeof(h) + sizeof(EchoRecord), 0);
        std::memcpy(bytes.data(), &h, sizeof(h));
        if (cut) {
            ASSERT_TRUE(writeBytes(raw.fd(), bytes.data(), cut));
        }
    }
    // A short record the handler must not read past.
    {
        Socket raw = connectTo(ostrel_.port());
        FrameHeader small = echoHeader(8);
        small.flags = kel::net::kFlagTerminate;
        ASSERT_TRUE(writeBytes(raw.fd(), &small, sizeof(small)));
        ASSERT_TRUE(writeBytes(raw.fd(), "12345678", 8));
        std::string answer = readToEnd(raw.fd());
        kel::net::Frame frame;
        ASSERT_EQ(kel::net::parseFrame(answer.data(), std::min(answer.size(), sizeof(FrameHeader)), frame),
                  kel::net::FrameStatus::kOk);
        EXPECT_EQ(frame.header.kind, kel::net::kFrameFailure);
    }
    expectDispatcherServes();
}
