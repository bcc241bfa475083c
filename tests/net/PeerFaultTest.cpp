// Peers that misbehave: a fake host that answers with garbage, half a frame or
// nothing, and raw clients that send the dispatcher frames it must refuse.
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <fstream>

#include "NetFixture.h"

using namespace kel::nettest;
using namespace kel::test;
using kel::net::FrameHeader;
using kel::net::Socket;

namespace {

// How a fake host answers: an echo answer's header spoiled by spoil (or no
// header at all), only headerBytes of it, then body; with hold it then says
// nothing more until it is stopped.
struct Reply {
    const char* what;
    void (*spoil)(FrameHeader&);
    std::string body;
    size_t headerBytes;
    bool hold;
    uint64_t number;  // the caller's failure
};

// A host that reads one request and answers it as reply says.
class FakeHost {
public:
    FakeHost(const std::string& name, const Reply& reply) : reply_(reply) {
        listener_ = hostListener(name);
        thread_ = std::thread([this] { serve(); });
    }
    ~FakeHost() {
        stop_ = true;
        ::shutdown(listener_.fd(), SHUT_RDWR);
        thread_.join();
    }

private:
    void serve() {
        RawPeer peer = RawPeer::accept(listener_.fd());
        if (!peer.valid()) return;
        const FrameHeader request = peer.readFrame().header;
        FrameHeader h = kel::net::makeHeader(kel::net::kFrameResponse);
        h.family = request.family;
        h.type = kEchoResponse;
        h.messageId = request.messageId;
        h.recordLength = sizeof(EchoRecord);
        if (reply_.spoil) reply_.spoil(h);
        // A whole frame goes with its tag, so that what the caller meets is
        // the fault in the frame, not a failed tag.
        const bool whole = reply_.headerBytes == sizeof(h) && reply_.body.size() == h.recordLength;
        std::string bytes(reinterpret_cast<const char*>(&h), reply_.headerBytes);
        peer.send(bytes + reply_.body, whole);
        while (reply_.hold && !stop_) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

    const Reply& reply_;
    std::atomic<bool> stop_{false};
    Socket listener_;
    std::thread thread_;
};

using PeerFaultTest = DispatcherTest;

}  // namespace

TEST_F(PeerFaultTest, BrokenAnswersFailTheCallerInGoodTime) {
    auto same = [](FrameHeader&) {};
    const Reply replies[] = {
        {"garbage", nullptr, std::string(300, '\x5a'), 0, false, kel::net::kErrNetBadFrame},
        {"closed inside the answer", same, "half", sizeof(FrameHeader), false, kel::net::kErrNetReceive},
        {"stopped inside the header", same, "", 100, true, kel::net::kErrNetTimeout},
        {"another message's answer", [](FrameHeader& h) { h.messageId ^= 1; }, std::string(sizeof(EchoRecord), '\0'),
         sizeof(FrameHeader), false, kel::net::kErrNetUnexpected},
        {"short record", [](FrameHeader& h) { h.recordLength = 8; }, "12345678", sizeof(FrameHeader), false,
         kel::net::kErrNetUnexpected},
        {"oversized announced length", [](FrameHeader& h) { h.recordLength = 0xFFFFFFF0u; }, "", sizeof(FrameHeader),
         false, kel::net::kErrNetBadFrame},
    };
    for (const Reply& reply : replies) {
        SCOPED_TRACE(reply.what);
        FakeHost host("FAKE", reply);
        session_.setTimeout(300);
        EchoMessage m(&base_, &session_, kEchoRequest, kEchoResponse);
        ASSERT_TRUE(m.setRemoteDataAgent("FAKE"));
        auto start = Clock::now();
        EXPECT_FALSE(m.initiate());
        EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(2000));
        EXPECT_EQ(m.getLastError().number(), reply.number) << m.getLastError().formatLastErrorMessage();
        EXPECT_FALSE(session_.IsConnected());
    }
}

// A header that is not a frame cannot be authenticated: the connection is
// closed unanswered, the peer logged once. A whole frame the handler refuses
// is answered with a failure and the session closed; a client that vanishes
// mid-frame costs nothing; the dispatcher serves on.
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
    enum Outcome { kFailureAnswer, kClosedUnanswered, kLeftToVanish };
    const struct {
        const char* what;
        std::string bytes;
        Outcome outcome;
        bool tagged;  // a whole frame, tagged as the session expects
    } cases[] = {
        {"bad magic", std::string(sizeof(FrameHeader), 'x'), kClosedUnanswered, false},
        {"oversized record", bytesOf(big), kClosedUnanswered, false},
        {"unterminated library name", bytesOf(unterminated), kClosedUnanswered, true},
        {"short record", bytesOf(shortRecord, "12345678"), kFailureAnswer, true},
        {"nothing sent", "", kLeftToVanish, false},
        {"ten bytes", bytesOf(echo).substr(0, 10), kLeftToVanish, false},
        {"header only", bytesOf(echo), kLeftToVanish, false},
        {"part of the record", bytesOf(echo, std::string(100, '\0')), kLeftToVanish, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RawPeer raw = RawPeer::connect(ostrel_.port());
        ASSERT_TRUE(raw.valid());
        ASSERT_TRUE(c.bytes.empty() || raw.send(c.bytes, c.tagged));
        if (c.outcome == kClosedUnanswered) {
            EXPECT_TRUE(closedUnanswered(raw.fd()));
        } else if (c.outcome == kFailureAnswer) {
            EXPECT_EQ(raw.readFrame().header.kind, kel::net::kFrameFailure);
            EXPECT_LT(untilClosed(raw.fd(), std::chrono::milliseconds(3000)), std::chrono::seconds(3));
        }
    }
    expectServed();
    // Three peers sent what is not a frame, from one address: one line.
    std::ifstream log(home_.file("logs/kel-dispatcher.log"));
    size_t lines = 0;
    for (std::string line; std::getline(log, line);)
        lines += line.find("peer 127.0.0.1:") != std::string::npos &&
                 line.find("connection closed unanswered") != std::string::npos;
    EXPECT_EQ(lines, 1u);
}
