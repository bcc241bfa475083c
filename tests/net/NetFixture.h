// A fresh platform home with a focus machine whose Ostrel is a real
// dispatcher on a loopback port, serving the test handler; and raw-socket
// helpers for peers that do not go through the messaging layer (RawPeer for
// those that prove themselves first).
#pragma once

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/info/KelPlatformInfo.h"
#include "platform/info/KelRegistry.h"
#include "platform/net/KelDispatcherProcess.h"
#include "platform/net/testhandler/TestMessages.h"
#include "platform/net/KelPI_Library.h"
#include "support/MachineSetup.h"
#include "support/RawPeer.h"
#include "support/TestHome.h"

namespace kel::test {

using Clock = std::chrono::steady_clock;

// A connection that has proven nothing: all a stranger without the key has.
inline net::Socket connectTo(int port) { return loopbackConnection(port); }

inline bool writeBytes(int fd, const void* data, size_t size) {
    return ::send(fd, data, size, MSG_NOSIGNAL) == static_cast<ssize_t>(size);
}

// How long until the peer closes fd (at most limit).
inline Clock::duration untilClosed(int fd, std::chrono::milliseconds limit) {
    auto start = Clock::now();
    char sink[4096];
    while (Clock::now() - start < limit) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 50) > 0 && ::recv(fd, sink, sizeof(sink), MSG_DONTWAIT) <= 0) break;
    }
    return Clock::now() - start;
}

inline net::FrameHeader requestHeader(const char* library, const char* entry, uint64_t family, uint64_t type,
                                      uint32_t length) {
    net::FrameHeader h = net::makeHeader(net::kFrameRequest);
    h.family = family;
    h.type = type;
    h.messageId = 7;
    h.recordLength = length;
    EXPECT_TRUE(copyField(h.dllName, library));
    EXPECT_TRUE(copyField(h.entryPoint, entry));
    return h;
}

class DispatcherTest : public HomeTest {
protected:
    static constexpr const char* kMachine = "agent1";
    static constexpr const char* kOstrel = "OSTREL1";

    void SetUp() override {
        ASSERT_TRUE(KelRegistry::createMachine(kMachine));
        KelPI_Focus::setFocus(kMachine);
        ASSERT_TRUE(startHost(ostrel_, kOstrel));
        ASSERT_NE(base_.setFocus(kMachine), 0);
        ASSERT_TRUE(base_.setOstrelHostName(kOstrel));
    }
    void TearDown() override {
        session_.Reset();
        // A clean exit: every session ended and nothing leaked.
        EXPECT_TRUE(ostrel_.stop());
    }

    static bool waitForFile(const std::string& path, int ms = 5000) {
        for (int waited = 0; waited < ms; waited += 20) {
            if (!readFile(path).empty()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    // An echo through host (the Ostrel when empty) on a fresh session, in good time.
    void expectServed(const char* host = "") {
        CKelNetwork fresh;
        nettest::EchoMessage m(&base_, &fresh, nettest::kEchoRequest, nettest::kEchoResponse);
        if (*host) {
            ASSERT_TRUE(m.setRemoteDataAgent(host));
        }
        m.request().id = 5;
        auto start = Clock::now();
        ASSERT_TRUE(m.initiate()) << m.getLastError().formatLastErrorMessage();
        EXPECT_EQ(m.response().id, 5u);
        EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
    }

    KelDispatcherProcess ostrel_;
    KelPI_Farrow base_;
    CKelNetwork session_;
};

}  // namespace kel::test
