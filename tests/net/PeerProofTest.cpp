// Strangers on the network: a host runs nothing for a peer that skips the
// proof, proves another key, replays a recorded proof or slips a frame into a
// proven connection; a caller does not talk to a host that cannot prove the
// key; a home without a key refuses to connect or to serve. The test
// handler's session request leaves "released-<tag>" holding the number of
// requests its session ran, so what ran is seen, not guessed.
#include <fcntl.h>
#include <unistd.h>

#include <fstream>

#include "NetFixture.h"
#include "platform/util/KelPassword.h"

using namespace kel::nettest;
using namespace kel::test;
using kel::net::FrameHeader;
using kel::net::Socket;

namespace {

class PeerProofTest : public DispatcherTest {
protected:
    // The bytes of a session request tagged tag, as a frame.
    static std::string sessionFrame(const char* tag) {
        SessionRecord r{};
        EXPECT_TRUE(kel::copyField(r.tag, tag));
        FrameHeader h = requestHeader("sLNTEST", "sLPTESTMSG", kFamily, kSessionRequest, sizeof r);
        std::vector<char> bytes = kel::net::encodeFrame(h, &r, sizeof r, nullptr, 0);
        return std::string(bytes.begin(), bytes.end());
    }
    std::string released(const char* tag) const { return home_.file(std::string("released-") + tag); }

    // Whether a session with this tag ran anything: a proven session's
    // release afterwards marks the time by which it would have shown.
    bool ran(const char* tag) {
        RawPeer later = RawPeer::connect(ostrel_.port());
        EXPECT_TRUE(later.valid());
        EXPECT_TRUE(later.send(sessionFrame("later")));
        EXPECT_EQ(later.readFrame().header.kind, kel::net::kFrameResponse);
        ::shutdown(later.fd(), SHUT_RDWR);
        EXPECT_TRUE(waitForFile(released("later")));
        return !readFile(released(tag)).empty();
    }

    size_t refusalLines() const {
        std::ifstream log(home_.file("logs/kel-dispatcher.log"));
        size_t n = 0;
        for (std::string line; std::getline(log, line);)
            n += line.find("refused before any request") != std::string::npos;
        return n;
    }

    // Replaces this home's key by a fresh one: the dispatcher keeps the key
    // it started with, the test's calls take the new one.
    void takeAnotherKey() {
        ASSERT_EQ(unlink(home_.file("keys/password.key").c_str()), 0);
        ASSERT_TRUE(KelPassword::makeKey());
    }
};

}  // namespace

TEST_F(PeerProofTest, AProvenPeerHasItsRequestRun) {
    RawPeer peer = RawPeer::connect(ostrel_.port());
    ASSERT_TRUE(peer.valid()) << peer.why();
    ASSERT_TRUE(peer.send(sessionFrame("proven")));
    EXPECT_EQ(peer.readFrame().header.kind, kel::net::kFrameResponse);
    ::shutdown(peer.fd(), SHUT_RDWR);
    ASSERT_TRUE(waitForFile(released("proven")));
    EXPECT_EQ(readFile(released("proven")), "1\n");
}

TEST_F(PeerProofTest, APeerThatSkipsTheProofGetsNothingRun) {
    Socket raw = connectTo(ostrel_.port());
    ASSERT_TRUE(raw.valid());
    const std::string frame = sessionFrame("skipped");
    ASSERT_TRUE(writeBytes(raw.fd(), frame.data(), frame.size()));
    EXPECT_TRUE(closedUnanswered(raw.fd()));
    EXPECT_FALSE(ran("skipped"));
}

TEST_F(PeerProofTest, APeerWithAnotherKeyIsRefusedEitherWay) {
    // It cannot take the host's proof for its own key...
    const kel::net::ProofKey stranger = strangerKey();
    RawPeer wrong = RawPeer::connect(ostrel_.port(), &stranger);
    EXPECT_FALSE(wrong.valid());
    EXPECT_EQ(wrong.why(), "the host did not prove it holds the installation key");
    // ...and a proof it makes up is not taken either.
    Socket raw = connectTo(ostrel_.port());
    kel::net::ProofInitiator initiator(stranger);
    unsigned char hello[kel::net::kHelloBytes], challenge[kel::net::kChallengeReplyBytes];
    initiator.hello(hello);
    ASSERT_TRUE(writeBytes(raw.fd(), hello, sizeof hello));
    ASSERT_TRUE(takeBytes(raw.fd(), challenge, sizeof challenge, 3000));
    const std::string madeUp = std::string(kel::net::kProofBytes, '\x42') + sessionFrame("made-up");
    ASSERT_TRUE(writeBytes(raw.fd(), madeUp.data(), madeUp.size()));
    EXPECT_TRUE(closedUnanswered(raw.fd()));
    EXPECT_FALSE(ran("made-up"));
}

TEST_F(PeerProofTest, ARecordedProofReplayedOnANewConnectionIsRefused) {
    const kel::net::ProofKey key = homeProofKey();
    Socket first = connectTo(ostrel_.port());
    kel::net::ProofInitiator initiator(key);
    unsigned char hello[kel::net::kHelloBytes], challenge[kel::net::kChallengeReplyBytes],
        proof[kel::net::kProofBytes];
    kel::net::FrameKeys keys;
    initiator.hello(hello);
    ASSERT_TRUE(writeBytes(first.fd(), hello, sizeof hello));
    ASSERT_TRUE(takeBytes(first.fd(), challenge, sizeof challenge, 3000));
    ASSERT_TRUE(initiator.answer(challenge, proof, keys));
    std::string frame = sessionFrame("recorded");
    unsigned char tag[kel::net::kTagBytes];
    const kel::net::FramePiece whole{frame.data(), frame.size()};
    kel::net::tagSentFrame(keys, &whole, 1, tag);
    const std::string recorded = std::string(reinterpret_cast<char*>(proof), sizeof proof) + frame +
                                 std::string(reinterpret_cast<char*>(tag), sizeof tag);
    ASSERT_TRUE(writeBytes(first.fd(), recorded.data(), recorded.size()));
    ::shutdown(first.fd(), SHUT_WR);
    ASSERT_TRUE(waitForFile(released("recorded")));
    ASSERT_EQ(unlink(released("recorded").c_str()), 0);

    // The same bytes again: the host's challenge is new, so the proof is not.
    Socket again = connectTo(ostrel_.port());
    ASSERT_TRUE(writeBytes(again.fd(), hello, sizeof hello));
    unsigned char second[kel::net::kChallengeReplyBytes];
    ASSERT_TRUE(takeBytes(again.fd(), second, sizeof second, 3000));
    EXPECT_NE(std::memcmp(second, challenge, sizeof second), 0);
    ASSERT_TRUE(writeBytes(again.fd(), recorded.data(), recorded.size()));
    EXPECT_TRUE(closedUnanswered(again.fd()));
    EXPECT_FALSE(ran("recorded"));
}

TEST_F(PeerProofTest, AFrameSlippedIntoAProvenConnectionEndsIt) {
    const struct {
        const char* tag;
        bool replay;  // the connection's first frame again, with its tag
    } cases[] = {{"forged", false}, {"replayed", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tag);
        RawPeer peer = RawPeer::connect(ostrel_.port());
        ASSERT_TRUE(peer.valid());
        const std::string frame = sessionFrame(c.tag);
        kel::net::FrameKeys& keys = peer.keys();
        const kel::net::FramePiece whole{frame.data(), frame.size()};
        unsigned char tag[kel::net::kTagBytes];
        kel::net::tagSentFrame(keys, &whole, 1, tag);
        const std::string tagged = frame + std::string(reinterpret_cast<char*>(tag), sizeof tag);
        ASSERT_TRUE(writeBytes(peer.fd(), tagged.data(), tagged.size()));
        ASSERT_EQ(peer.readFrame().header.kind, kel::net::kFrameResponse);
        const std::string slipped = c.replay ? tagged : frame + std::string(kel::net::kTagBytes, '\0');
        ASSERT_TRUE(writeBytes(peer.fd(), slipped.data(), slipped.size()));
        EXPECT_TRUE(closedUnanswered(peer.fd()));
        ASSERT_TRUE(waitForFile(released(c.tag)));
        EXPECT_EQ(readFile(released(c.tag)), "1\n");  // the first request only
    }
    expectServed();
}

TEST_F(PeerProofTest, ACallerWhoseHomeHoldsAnotherKeyIsRefused) {
    takeAnotherKey();
    CKelNetwork session;
    SessionMessage m(&base_, &session, kSessionRequest, kSessionResponse);
    ASSERT_TRUE(kel::copyField(m.request().tag, "other-key"));
    EXPECT_FALSE(m.initiate());
    EXPECT_EQ(m.getLastError().number(), kel::net::kErrNetProof);
    EXPECT_FALSE(session.IsConnected());
    EXPECT_TRUE(readFile(released("other-key")).empty());
}

TEST_F(PeerProofTest, AHostThatCannotProveTheKeyGetsNoFrame) {
    Socket listener = hostListener("IMPOSTOR");
    ASSERT_TRUE(listener.valid());
    bool gotFrame = true;
    std::thread impostor([&] {
        const kel::net::ProofKey stranger = strangerKey();
        RawPeer host = RawPeer::accept(listener.fd(), &stranger);
        // Its own proof went out; whatever comes now is read raw.
        char byte;
        gotFrame = takeBytes(host.fd(), &byte, 1, 3000);
    });
    CKelNetwork session;
    EchoMessage m(&base_, &session, kEchoRequest, kEchoResponse);
    ASSERT_TRUE(m.setRemoteDataAgent("IMPOSTOR"));
    EXPECT_FALSE(m.initiate());
    EXPECT_EQ(m.getLastError().number(), kel::net::kErrNetProof);
    impostor.join();
    EXPECT_FALSE(gotFrame);
}

TEST_F(PeerProofTest, AHomeWithoutAKeyNeitherConnectsNorServes) {
    const std::string key = home_.file("keys/password.key");
    ASSERT_EQ(unlink(key.c_str()), 0);
    CKelNetwork session;
    EchoMessage m(&base_, &session, kEchoRequest, kEchoResponse);
    EXPECT_FALSE(m.initiate());
    EXPECT_EQ(m.getLastError().number(), kel::net::kErrNetNoKey);
    EXPECT_NE(m.getLastError().formatLastErrorMessage().find(key), std::string::npos);
    // Connecting made no key of its own.
    EXPECT_NE(access(key.c_str(), F_OK), 0);

    KelDispatcherProcess keyless;
    EXPECT_FALSE(keyless.start("KEYLESS"));
    EXPECT_NE(readFile(home_.file("logs/kel-dispatcher.log")).find("no installation key " + key), std::string::npos);
    ASSERT_TRUE(KelPassword::makeKey());  // for the fixture's own dispatcher to stop cleanly
}

TEST_F(PeerProofTest, FailedProofsFromOneAddressAreLoggedOnce) {
    for (int i = 0; i < 40; ++i) {
        Socket raw = connectTo(ostrel_.port());
        const std::string junk(kel::net::kHelloBytes, 'j');
        ASSERT_TRUE(writeBytes(raw.fd(), junk.data(), junk.size()));
        EXPECT_TRUE(closedUnanswered(raw.fd()));
    }
    EXPECT_EQ(refusalLines(), 1u);
    std::ifstream log(home_.file("logs/kel-dispatcher.log"));
    std::string all((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
    EXPECT_NE(all.find("peer 127.0.0.1:"), std::string::npos);
    expectServed();
}

namespace {

struct Proven {
    kel::net::FrameKeys initiator, responder;
    bool ok = false;
};

// One whole exchange between an initiator and a responder, with what the
// wire carries changed on the way by tamper (hello, challenge).
template <typename Tamper>
void exchange(bool offerAes, bool acceptAes, Proven& out, Tamper tamper) {
    const kel::net::ProofKey key = strangerKey();
    kel::net::ProofInitiator initiator(key, offerAes);
    kel::net::ProofResponder responder(key, acceptAes);
    unsigned char hello[kel::net::kHelloBytes], challenge[kel::net::kChallengeReplyBytes],
        proof[kel::net::kProofBytes];
    initiator.hello(hello);
    tamper(hello, nullptr);
    ASSERT_TRUE(responder.challenge(hello, challenge));
    tamper(nullptr, challenge);
    out.ok = initiator.answer(challenge, proof, out.initiator) && responder.check(proof, out.responder);
}

// A frame from one end is taken by the other, and a changed byte is not.
bool framesPass(kel::net::FrameKeys& from, kel::net::FrameKeys& to) {
    std::string frame(1200, 'f');
    unsigned char tag[kel::net::kTagBytes];
    kel::net::FramePiece whole{frame.data(), frame.size()};
    kel::net::tagSentFrame(from, &whole, 1, tag);
    frame[600] = 'g';
    if (kel::net::checkReceivedFrame(to, &whole, 1, tag)) return false;
    frame[600] = 'f';
    return kel::net::checkReceivedFrame(to, &whole, 1, tag);
}

}  // namespace

TEST(PeerTagsTest, BothEndsTagWithAesWhenBothCanElseWithChaCha) {
    for (bool offer : {false, true}) {
        for (bool accept : {false, true}) {
            SCOPED_TRACE(std::string("offer ") + (offer ? "AES" : "none") + ", accept " + (accept ? "AES" : "none"));
            Proven p;
            exchange(offer, accept, p, [](unsigned char*, unsigned char*) {});
            ASSERT_TRUE(p.ok);
            const unsigned char expected =
                offer && accept && kel::net::aesTagsAvailable() ? kel::net::kTagAesGcm : kel::net::kTagChaChaPoly;
            EXPECT_EQ(p.initiator.suite, expected);
            EXPECT_EQ(p.responder.suite, expected);
            EXPECT_TRUE(framesPass(p.initiator, p.responder));
            EXPECT_TRUE(framesPass(p.responder, p.initiator));
        }
    }
}

TEST(PeerTagsTest, AnOfferOrChoiceChangedOnTheWayEndsTheExchange) {
    if (!kel::net::aesTagsAvailable()) GTEST_SKIP() << "this processor has no AES instructions";
    constexpr int kSuiteByte = 5;
    const struct {
        const char* what;
        bool offer;
        void (*tamper)(unsigned char* hello, unsigned char* challenge);
    } cases[] = {
        {"offer stripped", true,
         [](unsigned char* hello, unsigned char*) {
             if (hello) hello[kSuiteByte] = kel::net::kTagChaChaPoly;
         }},
        {"offer added", false,
         [](unsigned char* hello, unsigned char*) {
             if (hello) hello[kSuiteByte] = kel::net::kTagAesGcm;
         }},
        {"choice lowered", true,
         [](unsigned char*, unsigned char* challenge) {
             if (challenge) challenge[kSuiteByte] = kel::net::kTagChaChaPoly;
         }},
        {"choice raised", false,
         [](unsigned char*, unsigned char* challenge) {
             if (challenge) challenge[kSuiteByte] = kel::net::kTagAesGcm;
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Proven p;
        exchange(c.offer, true, p, c.tamper);
        EXPECT_FALSE(p.ok);
        EXPECT_FALSE(p.initiator.ready);
    }
}
