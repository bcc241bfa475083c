// A session reads what has arrived in one go and keeps what lies past the
// frame in hand for the next: frames that came together are each taken
// whole and in turn, whatever their sizes against the read's, and bytes
// nobody asked for still make an open session stale.
#include <algorithm>
#include <cstring>
#include <thread>

#include "NetFixture.h"

using namespace kel::nettest;
using namespace kel::test;
using kel::net::Frame;
using kel::net::FrameHeader;

namespace {

// One session's read takes this much at a time.
constexpr size_t kReadBytes = 4096;
constexpr size_t kOverhead = sizeof(FrameHeader) + kel::net::kTagBytes;

class ReadAheadTest : public DispatcherTest {
protected:
    // A caller's session to a host of the test's own, which sends frames
    // with these record sizes in one write and then holds the connection.
    // Frame i carries bytes of value i.
    void hostSending(const std::vector<size_t>& sizes, CKelNetwork& session) {
        listener_ = hostListener("RAWHOST");
        ASSERT_TRUE(listener_.valid());
        host_ = std::thread([this, sizes] {
            RawPeer peer = RawPeer::accept(listener_.fd());
            if (!peer.valid()) return;
            std::vector<char> out;
            for (size_t i = 0; i < sizes.size(); ++i) {
                FrameHeader h = kel::net::makeHeader(kel::net::kFrameResponse);
                h.messageId = i + 1;
                const std::vector<char> record(sizes[i], static_cast<char>(i + 1));
                peer.pack(out, h, record.data(), record.size());
            }
            peer.sendPacked(out);
            char byte;
            takeBytes(peer.fd(), &byte, 1, 5000);  // until the caller goes
        });
        KelLastError error;
        ASSERT_TRUE(session.connect("RAWHOST", error)) << error.formatLastErrorMessage();
    }
    void TearDown() override {
        if (host_.joinable()) host_.join();
        DispatcherTest::TearDown();
    }

    kel::net::Socket listener_;
    std::thread host_;
};

}  // namespace

TEST_F(ReadAheadTest, RequestsSentInOneWriteAreEachAnsweredInTurn) {
    RawPeer peer = RawPeer::connect(ostrel_.port());
    ASSERT_TRUE(peer.valid()) << peer.why();
    std::vector<char> out;
    for (uint64_t id = 1; id <= 3; ++id) {
        EchoRecord r{};
        r.id = id;
        FrameHeader h = requestHeader("sLNTEST", "sLPTESTMSG", kFamily, kEchoRequest, sizeof r);
        h.messageId = id;
        ASSERT_TRUE(peer.pack(out, h, &r, sizeof r));
    }
    ASSERT_TRUE(peer.sendPacked(out));
    for (uint64_t id = 1; id <= 3; ++id) {
        const Frame answer = peer.readFrame();
        ASSERT_EQ(answer.header.kind, kel::net::kFrameResponse) << "answer " << id;
        EXPECT_EQ(answer.header.messageId, id);
        ASSERT_EQ(answer.record.size(), sizeof(EchoRecord));
        EchoRecord r;
        std::memcpy(&r, answer.record.data(), sizeof r);
        EXPECT_EQ(r.id, id);
    }
}

TEST_F(ReadAheadTest, FramesAroundTheReadsSizeAreEachTakenWhole) {
    // Frames that end just short of, at and just past one read, one that
    // spans several reads, and small ones behind them.
    const std::vector<size_t> sizes = {0,
                                       1,
                                       kReadBytes - kOverhead - 1,
                                       kReadBytes - kOverhead,
                                       kReadBytes - kOverhead + 1,
                                       3 * kReadBytes + 7,
                                       kel::net::kMaxRecordLength,
                                       2};
    CKelNetwork session;
    hostSending(sizes, session);
    for (size_t i = 0; i < sizes.size(); ++i) {
        Frame frame;
        KelLastError error;
        ASSERT_TRUE(session.receiveFrame(frame, error, 5000)) << "frame " << i << ": " << error.formatLastErrorMessage();
        EXPECT_EQ(frame.header.messageId, i + 1);
        ASSERT_EQ(frame.record.size(), sizes[i]) << "frame " << i;
        EXPECT_EQ(std::count(frame.record.begin(), frame.record.end(), static_cast<char>(i + 1)),
                  static_cast<std::ptrdiff_t>(sizes[i]))
            << "frame " << i;
        EXPECT_TRUE(frame.payload.empty());
    }
    // All taken: nothing left over, so the session is fit for the next
    // exchange even when it was heard a moment ago.
    EXPECT_FALSE(session.connectionStale(1000));
    session.Reset();
}

TEST_F(ReadAheadTest, AnUnaskedFrameBehindAnAnswerMakesTheSessionStale) {
    CKelNetwork session;
    hostSending({16, 16}, session);
    Frame frame;
    KelLastError error;
    ASSERT_TRUE(session.receiveFrame(frame, error, 5000)) << error.formatLastErrorMessage();
    // Heard a moment ago, but what came with the answer was asked by nobody.
    EXPECT_TRUE(session.connectionStale(1000));
    session.Reset();
}
