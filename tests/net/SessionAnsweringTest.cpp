// A session answering a request stays what it is until the answer is done:
// no connect elsewhere, no close, no reset, no new state; afterwards the
// dispatcher may end it as before.
#include <sys/socket.h>
#include <unistd.h>

#include "NetFixture.h"

namespace {

int g_released = 0;
void release(void*) { ++g_released; }

class SessionAnsweringTest : public kel::test::HomeTest {
protected:
    void SetUp() override {
        g_released = 0;
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds_), 0);
        session_.attach(fds_[0], "peer");
        peer_ = kel::net::Socket(fds_[1]);
        request_.header = kel::net::makeHeader(kel::net::kFrameRequest);
        request_.header.messageId = 9;
        ASSERT_TRUE(session_.setState(&first_, release));
        session_.setCurrentRequest(&request_);
    }

    int fds_[2] = {-1, -1};
    CKelNetwork session_;
    kel::net::Socket peer_;
    kel::net::Frame request_;
    int first_ = 1, second_ = 2;
};

TEST_F(SessionAnsweringTest, RefusesWhatWouldEndItWhileAnswering) {
    KelLastError err;
    EXPECT_FALSE(session_.connect("OSTREL1", err));
    EXPECT_EQ(err.number(), kel::net::kErrNetSessionAnswering);
    bool wasOpen = true;
    EXPECT_TRUE(session_.Disconnect(0, wasOpen).IsError());
    EXPECT_FALSE(wasOpen);
    session_.Reset();
    EXPECT_FALSE(session_.setState(&second_, release));
    int spare[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, spare), 0);
    session_.attach(spare[0], "other");
    ::close(spare[1]);

    EXPECT_TRUE(session_.IsConnected());
    EXPECT_EQ(session_.hostName(), "peer");
    EXPECT_EQ(session_.state(), &first_);
    EXPECT_EQ(g_released, 0);
    // A state set where there was none is no replacement.
    session_.setCurrentRequest(nullptr);
    ASSERT_FALSE(session_.Disconnect(0, wasOpen).IsError());
    EXPECT_TRUE(wasOpen);
    EXPECT_EQ(g_released, 1);
    session_.setCurrentRequest(&request_);
    EXPECT_TRUE(session_.setState(&second_, release));
    session_.setCurrentRequest(nullptr);
}

TEST_F(SessionAnsweringTest, TheDispatcherEndsItOnceTheAnswerIsDone) {
    session_.setCurrentRequest(nullptr);
    EXPECT_TRUE(session_.setState(&second_, release));
    EXPECT_EQ(g_released, 1);
    session_.Reset();
    EXPECT_FALSE(session_.IsConnected());
    EXPECT_EQ(session_.state(), nullptr);
    EXPECT_EQ(g_released, 2);
}

}  // namespace
