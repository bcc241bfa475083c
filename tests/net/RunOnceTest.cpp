// A request runs at most once. It goes on a new connection only when it
// provably never reached the host: the session it was to reuse had been
// closed by the host before it went. Once it went out, an answer lost with
// the connection is the request's failure, never a second send: the host
// may have run it.
#include <future>
#include <thread>

#include "NetFixture.h"

using namespace kel::nettest;
using namespace kel::test;
using kel::net::Frame;
using kel::net::FrameHeader;

namespace {

class RunOnceTest : public DispatcherTest {
protected:
    void SetUp() override {
        DispatcherTest::SetUp();
        listener_ = hostListener("RAWHOST");
        ASSERT_TRUE(listener_.valid());
    }
    void TearDown() override {
        if (host_.joinable()) host_.join();
        DispatcherTest::TearDown();
    }

    // Takes connections on the host's listener, reading one request on
    // each; answers it when answer says so, then closes the connection.
    // firstClosed_ is kept once the first answered connection is closed.
    void serve(std::vector<bool> answers) {
        host_ = std::thread([this, answers] {
            for (bool answer : answers) {
                if (!serveOne(answer)) return;
                if (answer && ++answered_ == 1) firstClosed_.set_value();
            }
        });
    }
    bool serveOne(bool answer) {
        RawPeer peer = RawPeer::accept(listener_.fd());
        if (!peer.valid()) return false;
        const Frame request = peer.readFrame();
        if (request.header.kind != kel::net::kFrameRequest) return false;
        ++requests_;
        return !answer || echo(peer, request);
    }
    static bool echo(RawPeer& peer, const Frame& request) {
        FrameHeader h = kel::net::makeHeader(kel::net::kFrameResponse);
        h.family = request.header.family;
        h.type = kEchoResponse;
        h.messageId = request.header.messageId;
        return peer.sendFrame(h, request.record.data(), request.record.size());
    }

    // Whether a caller connected to the host again within ms.
    bool calledAgain(int ms) {
        pollfd p{listener_.fd(), POLLIN, 0};
        return poll(&p, 1, ms) > 0;
    }

    kel::net::Socket listener_;
    std::thread host_;
    std::atomic<int> requests_{0};
    int answered_ = 0;  // the host's thread alone
    std::promise<void> firstClosed_;
};

}  // namespace

TEST_F(RunOnceTest, AnAnswerLostAfterTheRequestWentIsTheRequestsFailure) {
    serve({false});
    CKelNetwork session;
    EchoMessage m(&base_, &session, kEchoRequest, kEchoResponse);
    ASSERT_TRUE(m.setRemoteDataAgent("RAWHOST"));
    m.request().id = 1;
    EXPECT_FALSE(m.initiate());
    EXPECT_EQ(m.getLastError().number(), kel::net::kErrNetSessionLost) << m.getLastError().formatLastErrorMessage();
    EXPECT_FALSE(session.IsConnected());
    host_.join();
    EXPECT_EQ(requests_, 1);
    EXPECT_FALSE(calledAgain(200));
}

TEST_F(RunOnceTest, AnAnswerLostOnAReusedSessionIsNotSentAgainEither) {
    // The first request is answered and the session kept; the second goes
    // on it, and the host closes without answering.
    host_ = std::thread([this] {
        RawPeer peer = RawPeer::accept(listener_.fd());
        if (!peer.valid()) return;
        for (int i = 0; i < 2; ++i) {
            const Frame request = peer.readFrame();
            if (request.header.kind != kel::net::kFrameRequest) return;
            ++requests_;
            if (i == 1 || !echo(peer, request)) return;
        }
    });
    CKelNetwork session;
    EchoMessage m(&base_, &session, kEchoRequest, kEchoResponse);
    ASSERT_TRUE(m.setRemoteDataAgent("RAWHOST"));
    m.request().id = 1;
    ASSERT_TRUE(m.initiate()) << m.getLastError().formatLastErrorMessage();
    m.request().id = 2;
    EXPECT_FALSE(m.initiate());
    EXPECT_EQ(m.getLastError().number(), kel::net::kErrNetSessionLost);
    host_.join();
    EXPECT_EQ(requests_, 2);
    EXPECT_FALSE(calledAgain(200));
}

TEST_F(RunOnceTest, ASessionTheHostClosedBeforeTheRequestIsReplacedUnseen) {
    serve({true, true});
    CKelNetwork session;
    EchoMessage m(&base_, &session, kEchoRequest, kEchoResponse);
    ASSERT_TRUE(m.setRemoteDataAgent("RAWHOST"));
    m.request().id = 1;
    ASSERT_TRUE(m.initiate()) << m.getLastError().formatLastErrorMessage();
    // Closed before the next request, once the time a host keeps an
    // answered session had passed.
    firstClosed_.get_future().wait();
    std::this_thread::sleep_for(std::chrono::milliseconds(2 * CKelNetwork::kAnsweredKeptMs));
    m.request().id = 2;
    ASSERT_TRUE(m.initiate()) << m.getLastError().formatLastErrorMessage();
    EXPECT_EQ(m.response().id, 2u);
    host_.join();
    EXPECT_EQ(requests_, 2);
}

// The dispatcher keeps a session it answered long enough for its caller to
// send the next request without asking the socket, however short its rest;
// a session it ended afterwards is replaced unseen.
TEST_F(RunOnceTest, TheDispatcherKeepsASessionItAnsweredAMomentAgo) {
    KelDispatcherProcess restless;
    ASSERT_TRUE(restless.start("RESTLESS", {"--rest", "1"}));
    CKelNetwork session;
    EchoMessage m(&base_, &session, kEchoRequest, kEchoResponse);
    ASSERT_TRUE(m.setRemoteDataAgent("RESTLESS"));
    for (uint64_t id = 1; id <= 20; ++id) {
        m.request().id = id;
        ASSERT_TRUE(m.initiate()) << "request " << id << ": " << m.getLastError().formatLastErrorMessage();
        EXPECT_EQ(m.response().id, id);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(4 * CKelNetwork::kAnsweredKeptMs));
    EXPECT_TRUE(session.connectionStale());
    m.request().id = 21;
    ASSERT_TRUE(m.initiate()) << m.getLastError().formatLastErrorMessage();
    EXPECT_EQ(m.response().id, 21u);
    session.Reset();
    EXPECT_TRUE(restless.stop());
}
