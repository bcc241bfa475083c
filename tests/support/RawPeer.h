// A raw peer of the tests' own making: it proves itself to a host (or, as a
// fake host, to the caller that reaches it) with the home's installation key,
// then sends bytes as it likes, well-formed frames or not, each followed by
// the tag the session expects, and reads frames checking their tags.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/info/KelPlatformInfo.h"
#include "platform/info/KelRegistry.h"
#include "platform/net/CKelNetwork.h"
#include "platform/net/KelFrame.h"
#include "platform/net/KelPeerProof.h"

namespace kel::test {

// The installation key of the current home, as the proof uses it.
inline net::ProofKey homeProofKey() {
    net::ProofKey key;
    std::string why;
    key.load(why);
    return key;
}

// A proof key that is not this home's.
inline net::ProofKey strangerKey() {
    unsigned char raw[32];
    for (unsigned i = 0; i < sizeof raw; ++i) raw[i] = static_cast<unsigned char>(0xA5 ^ (i * 7));
    net::ProofKey key;
    key.derive(raw);
    return key;
}

// Small frames go out at once, as the sessions send them: the proof's last
// message and the first frame would otherwise wait on the peer's delayed ack.
inline void noDelay(int fd) {
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
}

using net::loopbackConnection;

// Reads exactly n bytes within ms of each wait.
inline bool takeBytes(int fd, void* out, size_t n, int ms) {
    char* p = static_cast<char*>(out);
    while (n) {
        pollfd w{fd, POLLIN, 0};
        if (poll(&w, 1, ms) <= 0) return false;
        ssize_t r = ::recv(fd, p, n, 0);
        if (r <= 0) return false;
        p += r;
        n -= static_cast<size_t>(r);
    }
    return true;
}

// True when the host closed fd (within 5 s) without sending a byte: nothing
// of what the peer sent was answered.
inline bool closedUnanswered(int fd) {
    pollfd p{fd, POLLIN, 0};
    char byte;
    return poll(&p, 1, 5000) > 0 && ::recv(fd, &byte, 1, 0) <= 0;
}

// A listener on a loopback port that the focus machine's [Hosts] section
// names host: a caller's session to host reaches it. Invalid when no port
// could be had.
inline net::Socket hostListener(const std::string& host) {
    net::Socket listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof sa;
    if (!listener.valid() || ::bind(listener.fd(), reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 ||
        ::listen(listener.fd(), 4) != 0 || ::getsockname(listener.fd(), reinterpret_cast<sockaddr*>(&sa), &len) != 0 ||
        !KelRegistry::set(KelPI_Focus::getFocus(), kSectionHosts, host,
                          "127.0.0.1:" + std::to_string(ntohs(sa.sin_port))))
        listener.close();
    return listener;
}

class RawPeer {
public:
    RawPeer() : keys_(std::make_unique<net::FrameKeys>()) {}

    // Connects to the host on port and proves itself with key (the home's
    // when null); not valid() when the host did not take the proof.
    static RawPeer connect(int port, const net::ProofKey* key = nullptr) {
        RawPeer p;
        p.socket_ = loopbackConnection(port);
        if (p.socket_.valid()) p.prove(key, net::ProofRole::kInitiator);
        return p;
    }
    // Takes the next connection on listener (within 5 s) and proves itself
    // to it as the host it called.
    static RawPeer accept(int listener, const net::ProofKey* key = nullptr) {
        RawPeer p;
        pollfd w{listener, POLLIN, 0};
        if (poll(&w, 1, 5000) <= 0) return p;
        p.socket_ = net::Socket(::accept(listener, nullptr, nullptr));
        noDelay(p.socket_.fd());
        if (p.socket_.valid()) p.prove(key, net::ProofRole::kResponder);
        return p;
    }

    bool valid() const { return socket_.valid() && keys_->ready; }
    int fd() const { return socket_.fd(); }
    net::FrameKeys& keys() { return *keys_; }
    const std::string& why() const { return why_; }

    // The bytes as they stand, followed by their tag when tagged.
    bool send(const void* bytes, size_t size, bool tagged = true) {
        std::vector<char> out;
        append(out, bytes, size, tagged);
        return out.empty() || sendPacked(out);
    }
    bool send(const std::string& bytes, bool tagged = true) { return send(bytes.data(), bytes.size(), tagged); }
    // A frame and its tag, appended to out to go with others in one write.
    bool pack(std::vector<char>& out, const net::FrameHeader& h, const void* record, size_t size,
              const void* payload = nullptr, size_t payloadSize = 0) {
        std::vector<char> bytes = net::encodeFrame(h, record, size, payload, payloadSize);
        if (bytes.empty()) return false;
        append(out, bytes.data(), bytes.size(), true);
        return true;
    }
    bool sendPacked(const std::vector<char>& out) {
        return ::send(socket_.fd(), out.data(), out.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(out.size());
    }
    bool sendFrame(const net::FrameHeader& h, const void* record, size_t size, const void* payload = nullptr,
                   size_t payloadSize = 0) {
        std::vector<char> out;
        return pack(out, h, record, size, payload, payloadSize) && sendPacked(out);
    }

    // The next whole frame with its tag checked: a header of kind 0 when
    // none came within ms or its tag failed.
    net::Frame readFrame(int ms = 3000) {
        net::Frame f;
        std::vector<char> bytes(sizeof(net::FrameHeader));
        if (!takeBytes(fd(), bytes.data(), bytes.size(), ms)) return f;
        const auto* h = reinterpret_cast<const net::FrameHeader*>(bytes.data());
        const size_t body = size_t{h->recordLength} + h->payloadLength;
        if (body > (1u << 20)) return f;
        bytes.resize(bytes.size() + body);
        unsigned char tag[net::kTagBytes];
        if (!takeBytes(fd(), bytes.data() + sizeof(net::FrameHeader), body, ms) ||
            !takeBytes(fd(), tag, sizeof tag, ms))
            return f;
        const net::FramePiece whole{bytes.data(), bytes.size()};
        if (!net::checkReceivedFrame(*keys_, &whole, 1, tag)) return f;
        if (net::parseFrame(bytes.data(), bytes.size(), f) != net::FrameStatus::kOk) f.header.kind = 0;
        return f;
    }

private:
    // The bytes appended to out, then their tag when tagged.
    void append(std::vector<char>& out, const void* bytes, size_t size, bool tagged) {
        const char* b = static_cast<const char*>(bytes);
        out.insert(out.end(), b, b + size);
        if (!tagged) return;
        out.resize(out.size() + net::kTagBytes);
        const net::FramePiece whole{bytes, size};
        net::tagSentFrame(*keys_, &whole, 1, reinterpret_cast<unsigned char*>(out.data() + out.size() - net::kTagBytes));
    }

    void prove(const net::ProofKey* key, net::ProofRole role) {
        const net::ProofKey home = homeProofKey();
        net::proveSocket(socket_.fd(), key ? *key : home, role, 3000, *keys_, why_);
    }

    net::Socket socket_;
    std::unique_ptr<net::FrameKeys> keys_;  // a FrameKeys is neither copied nor moved
    std::string why_;
};

}  // namespace kel::test
