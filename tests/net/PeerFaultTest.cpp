// Peers that misbehave: a fake host that answers with garbage, half a frame or
// nothing, and raw clients that send the dispatcher frames it must refuse.
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <functional>

#include "NetFixture.h"

using namespace kel::nettest;
using namespace kel::test;
using kel::net::FrameHeader;
using kel::net::Socket;

namespace {

// A host that reads one request and answers it through a script.
class FakeHost {
public:
    using Script = std::function<void(int fd, const FrameHeader& request, const std::atomic<bool>& stop)>;

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

private:
    void serve() {
        Socket peer(accept(listener_.fd(), nullptr, nullptr));
        if (!peer.valid()) return;
        FrameHeader h{};
        if (recv(peer.fd(), &h, sizeof(h), MSG_WAITALL) != static_cast<ssize_t>(sizeof(h))) return;
        std::vector<char> rest(h.recordLength + h.payloadLength);
        if (!rest.empty()) recv(peer.fd(), rest.data(), rest.size(), MSG_WAITALL);
        script_(peer.fd(), h, stop_);
    }

    std::atomic<bool> stop_{false};
    Socket listener_;
    Script script_;
    std::thread thread_;
};

// The header of an echo answer to request, spoiled by spoil.
void answerWith(int fd, const FrameHeader& request, void (*spoil)(FrameHeader&), const char* record,
                size_t length, size_t headerBytes = sizeof(FrameHeader)) {
    FrameHeader h = kel::net::makeHeader(kel::net::kFrameResponse);
    h.family = request.family;
    h.type = kEchoResponse;
    h.messageId = request.messageId;
    h.recordLength = sizeof(EchoRecord);
    spoil(h);
    writeBytes(fd, &h, headerBytes);
    if (length) writeBytes(fd, record, length);
}

using PeerFaultTest = DispatcherTest;

}  // namespace

TEST_F(PeerFaultTest, BrokenAnswersFailTheCallerInGoodTime) {
    static const EchoRecord whole{};
    const struct {
        const char* what;
        FakeHost::Script script;
        uint64_t number;
    } cases[] = {
        {"garbage", [](int fd, const FrameHeader&, const std::atomic<bool>&) {
             std::string junk(300, '\x5a');
             writeBytes(fd, junk.data(), junk.size());
         }, kel::net::kErrNetBadFrame},
        {"closed inside the answer", [](int fd, const FrameHeader& r, const std::atomic<bool>&) {
             answerWith(fd, r, [](FrameHeader&) {}, "half", 4);
         }, kel::net::kErrNetReceive},
        {"stopped inside the header", [](int fd, const FrameHeader& r, const std::atomic<bool>& stop) {
             answerWith(fd, r, [](FrameHeader&) {}, nullptr, 0, 100);
             while (!stop) std::this_thread::sleep_for(std::chrono::milliseconds(10));
         }, kel::net::kErrNetTimeout},
        {"another message's answer", [](int fd, const FrameHeader& r, const std::atomic<bool>&) {
             answerWith(fd, r, [](FrameHeader& h) { h.messageId ^= 1; }, reinterpret_cast<const char*>(&whole),
                        sizeof(whole));
         }, kel::net::kErrNetUnexpected},
        {"short record", [](int fd, const FrameHeader& r, const std::atomic<bool>&) {
             answerWith(fd, r, [](FrameHeader& h) { h.recordLength = 8; }, "12345678", 8);
         }, kel::net::kErrNetUnexpected},
        {"oversized announced length", [](int fd, const FrameHeader& r, const std::atomic<bool>&) {
             answerWith(fd, r, [](FrameHeader& h) { h.recordLength = 0xFFFFFFF0u; }, nullptr, 0);
         }, kel::net::kErrNetBadFrame},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakeHost host("FAKE", c.script);
        session_.setTimeout(300);
        EchoMessage m(&base_, &session_, kEchoRequest, kEchoResponse);
        ASSERT_TRUE(m.setRemoteDataAgent("FAKE"));
        auto start = Clock::now();
        EXPECT_FALSE(m.initiate());
        EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(2000));
        EXPECT_EQ(m.getLastError().number(), c.number) << m.getLastError().formatLastErrorMessage();
        EXPECT_FALSE(session_.IsConnected());
    }
}

// Refused frames are answered with a failure and the session closed; a
// client that vanishes mid-frame costs nothing; the dispatcher serves on.
TEST_F(PeerFaultTest, DispatcherRefusesBadFramesAndSurvivesVanishingClients) {
    const FrameHeader echo = requestHeader("sLNTEST", "sLPTESTMSG", kFamily, kEchoRequest, sizeof(EchoRecord));
    auto bytesOf = [](const FrameHeader& h, const std::string& body = "") {
        return std::string(reinterpret_cast<const char*>(&h), sizeof(h)) + body;
    };
    FrameHeader big = echo, unterminated = echo, shortRecord = echo;
    big.recordLength = kel::net::kMaxRecordLength + 1;
    unterminated.recordLength = 0;
    std::memset(unterminated.dllName, 'A', sizeof(unterminated.dllName));
    shortRecord.recordLength = 8;  // a record the handler must not read past
    shortRecord.flags = kel::net::kFlagTerminate;
    const struct {
        const char* what;
        std::string bytes;
        bool answered;
        uint64_t status;  // 0: any failure
    } cases[] = {
        {"bad magic", std::string(sizeof(FrameHeader), 'x'), true, kel::net::kErrNetBadFrame},
        {"oversized record", bytesOf(big), true, kel::net::kErrNetBadFrame},
        {"unterminated library name", bytesOf(unterminated), true, kel::net::kErrNetBadFrame},
        {"short record", bytesOf(shortRecord, "12345678"), true, 0},
        {"nothing sent", "", false, 0},
        {"ten bytes", bytesOf(echo).substr(0, 10), false, 0},
        {"header only", bytesOf(echo), false, 0},
        {"part of the record", bytesOf(echo, std::string(100, '\0')), false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Socket raw = connectTo(ostrel_.port());
        ASSERT_TRUE(raw.valid());
        ASSERT_TRUE(c.bytes.empty() || writeBytes(raw.fd(), c.bytes.data(), c.bytes.size()));
        if (!c.answered) continue;
        kel::net::Frame answer = readFrame(raw.fd());
        EXPECT_EQ(answer.header.kind, kel::net::kFrameFailure);
        if (c.status) {
            EXPECT_EQ(answer.header.status, c.status);
        }
        EXPECT_LT(untilClosed(raw.fd(), std::chrono::milliseconds(3000)), std::chrono::seconds(3));
    }
    expectServed();
}
