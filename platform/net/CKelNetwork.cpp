#include "platform/net/CKelNetwork.h"

#include <arpa/inet.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/info/KelPlatformInfo.h"

using Clock = std::chrono::steady_clock;

namespace kel::net {

Socket& Socket::operator=(Socket&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = other.release();
    }
    return *this;
}

void Socket::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool resolveHost(const std::string& host, std::string& address, uint16_t& port) {
    if (!kel::hostEntry(KelPI_Focus::getFocus(), host, address, port)) return false;
    if (address == "localhost") address = "127.0.0.1";
    return true;
}

Socket loopbackConnection(int port) {
    Socket s(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!s.valid()) return s;
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<uint16_t>(port));
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(s.fd(), reinterpret_cast<sockaddr*>(&sa), sizeof(sa)) != 0) {
        s.close();
        return s;
    }
    int one = 1;
    setsockopt(s.fd(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
    return s;
}

unsigned long long nextMessageId() {
    static std::atomic<unsigned long long> counter{0};
    return (static_cast<unsigned long long>(getpid()) << 32) | (++counter & 0xFFFFFFFFull);
}

}  // namespace kel::net

namespace {

using kel::net::FrameStatus;

int remainingMs(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

enum class Io { kOk, kTimeout, kClosed, kError };

// Waits for the descriptor; -1 waits without limit.
Io waitFor(int fd, short events, int ms) {
    pollfd p{fd, events, 0};
    for (;;) {
        int rc = ::poll(&p, 1, ms);
        if (rc > 0) return (p.revents & (POLLERR | POLLNVAL)) ? Io::kError : Io::kOk;
        if (rc == 0) return Io::kTimeout;
        if (errno != EINTR) return Io::kError;
    }
}

Io writeAll(int fd, const char* data, size_t size, Clock::time_point deadline) {
    while (size > 0) {
        // Try first, wait only when the socket is full: a poll per call would
        // double the system calls of a small exchange.
        ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK) return Io::kError;
            Io w = waitFor(fd, POLLOUT, remainingMs(deadline));
            if (w != Io::kOk) return w;
            continue;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return Io::kOk;
}

// The bounds of one frame's reading: the wait for its first byte, the
// deadline of the rest (set when the first byte arrives) and an optional hard
// limit on the whole.
struct ReadLimits {
    int firstWaitMs;
    int timeoutMs;
    Clock::time_point deadline;
    Clock::time_point hard = Clock::time_point::max();
    bool started = false;

    int waitMs() const {
        int ms = started ? remainingMs(deadline) : firstWaitMs;
        if (hard == Clock::time_point::max()) return ms;
        int left = remainingMs(hard);
        return ms < 0 ? left : std::min(ms, left);
    }
};

// Reads exactly size bytes within the limits.
Io readAll(int fd, char* data, size_t size, ReadLimits& limits) {
    // Between frames the peer is usually still working: wait first rather
    // than pay for a read that finds nothing. Inside a frame the rest is
    // usually there already, so read first.
    if (size > 0 && !limits.started) {
        Io w = waitFor(fd, POLLIN, limits.waitMs());
        if (w != Io::kOk) return w;
    }
    while (size > 0) {
        ssize_t n = ::recv(fd, data, size, MSG_DONTWAIT);
        if (n == 0) return Io::kClosed;
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno == ECONNRESET && !limits.started) return Io::kClosed;
            if (errno != EAGAIN && errno != EWOULDBLOCK) return Io::kError;
            // A trickling peer keeps poll answering, so the limits are
            // checked against the clock, not left to poll's timeout.
            Clock::time_point now = Clock::now();
            if (now >= limits.hard || (limits.started && now >= limits.deadline)) return Io::kTimeout;
            Io w = waitFor(fd, POLLIN, limits.waitMs());
            if (w != Io::kOk) return w;
            continue;
        }
        if (!limits.started) {
            limits.started = true;
            limits.deadline = Clock::now() + std::chrono::milliseconds(limits.timeoutMs);
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return Io::kOk;
}

// Reads length bytes into out, growing it as the bytes arrive: a peer that
// announces a large frame and sends nothing costs us nothing.
Io readBody(int fd, std::vector<char>& out, size_t length, ReadLimits& limits) {
    constexpr size_t kChunk = 16 * 1024;
    out.clear();
    out.shrink_to_fit();
    while (out.size() < length) {
        size_t have = out.size();
        size_t step = std::min(kChunk, length - have);
        // Exact growth: a vector left to double could hold twice the frame.
        if (out.capacity() < have + step) out.reserve(std::min(length, std::max(have * 2, have + step)));
        out.resize(have + step);
        Io io = readAll(fd, out.data() + have, step, limits);
        if (io != Io::kOk) return io;
    }
    return Io::kOk;
}

bool proveInitiator(int fd, const kel::net::ProofKey& key, Clock::time_point deadline, ReadLimits& limits,
                    kel::net::FrameKeys& keys, std::string& why) {
    kel::net::ProofInitiator initiator(key);
    unsigned char hello[kel::net::kHelloBytes];
    unsigned char challenge[kel::net::kChallengeReplyBytes];
    unsigned char proof[kel::net::kProofBytes];
    initiator.hello(hello);
    if (writeAll(fd, reinterpret_cast<const char*>(hello), sizeof(hello), deadline) != Io::kOk ||
        readAll(fd, reinterpret_cast<char*>(challenge), sizeof(challenge), limits) != Io::kOk) {
        why = "the host answered no challenge";
        return false;
    }
    if (!initiator.answer(challenge, proof, keys)) {
        why = "the host did not prove it holds the installation key";
        return false;
    }
    if (writeAll(fd, reinterpret_cast<const char*>(proof), sizeof(proof), deadline) != Io::kOk) {
        keys.wipe();
        why = "the host did not take the proof";
        return false;
    }
    return true;
}

bool proveResponder(int fd, const kel::net::ProofKey& key, Clock::time_point deadline, ReadLimits& limits,
                    kel::net::FrameKeys& keys, std::string& why) {
    kel::net::ProofResponder responder(key);
    unsigned char hello[kel::net::kHelloBytes];
    unsigned char challenge[kel::net::kChallengeReplyBytes];
    unsigned char proof[kel::net::kProofBytes];
    if (readAll(fd, reinterpret_cast<char*>(hello), sizeof(hello), limits) != Io::kOk) {
        why = "sent no proof";
        return false;
    }
    if (!responder.challenge(hello, challenge)) {
        why = "did not open with the proof";
        return false;
    }
    if (writeAll(fd, reinterpret_cast<const char*>(challenge), sizeof(challenge), deadline) != Io::kOk ||
        readAll(fd, reinterpret_cast<char*>(proof), sizeof(proof), limits) != Io::kOk) {
        why = "did not answer the challenge";
        return false;
    }
    if (!responder.check(proof, keys)) {
        why = "failed the proof";
        return false;
    }
    return true;
}

void raise(KelLastError& error, uint64_t number, const char* function, const std::string& detail) {
    error.setNumber(number);
    error.addArgument(function);
    error.addArgument(detail);
}

}  // namespace

namespace kel::net {

bool proveSocket(int fd, const ProofKey& key, ProofRole role, int ms, FrameKeys& keys, std::string& why) {
    keys.wipe();
    if (!key.loaded()) {
        why = "no installation key";
        return false;
    }
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(ms);
    ReadLimits limits{ms, ms, deadline, deadline};
    return role == ProofRole::kInitiator ? proveInitiator(fd, key, deadline, limits, keys, why)
                                         : proveResponder(fd, key, deadline, limits, keys, why);
}

}  // namespace kel::net

CKelNetwork::~CKelNetwork() {
    request_ = nullptr;
    Reset();
}

CWexError CKelNetwork::Disconnect(int timeout, bool& flag) {
    flag = false;
    if (answering()) return CWexError(-1);
    flag = socket_.valid();
    if (flag) {
        // Let the peer read what is in flight before the close.
        ::shutdown(socket_.fd(), SHUT_WR);
        char sink[4096];
        Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout > 0 ? timeout : 0);
        // Against the clock: a peer that keeps sending keeps poll answering
        // at once, and would hold the session for as long as it streams.
        while (Clock::now() < deadline && waitFor(socket_.fd(), POLLIN, remainingMs(deadline)) == Io::kOk) {
            ssize_t n = ::recv(socket_.fd(), sink, sizeof(sink), MSG_DONTWAIT);
            if (n <= 0) break;
        }
    }
    closeSocket();
    releaseState();
    return CWexError(0);
}

void CKelNetwork::Reset() {
    if (answering()) return;
    closeSocket();
    releaseState();
    host_.clear();
    request_ = nullptr;
    finalReplySent_ = false;
    peerClosed_ = false;
    remoteTransaction_ = false;
    transactionOpen_ = false;
    frameStatus_ = FrameStatus::kOk;
}

bool CKelNetwork::connectionStale() const {
    if (!socket_.valid()) return false;
    pollfd p{socket_.fd(), POLLIN | POLLRDHUP, 0};
    int rc;
    do {
        rc = ::poll(&p, 1, 0);
    } while (rc < 0 && errno == EINTR);
    return rc != 0;
}

void CKelNetwork::closeSocket() {
    std::lock_guard<std::mutex> lock(socketMutex_);
    socket_.close();
    keys_.wipe();
}

void CKelNetwork::releaseState() {
    void* state = state_;
    StateDestructor destroy = destroy_;
    state_ = nullptr;
    destroy_ = nullptr;
    if (state && destroy) destroy(state);
}

bool CKelNetwork::setState(void* state, StateDestructor destroy) {
    if (state != state_) {
        if (state_ && answering()) return false;
        releaseState();
    }
    state_ = state;
    destroy_ = destroy;
    return true;
}

void CKelNetwork::setCurrentRequest(const kel::net::Frame* request) {
    request_ = request;
    finalReplySent_ = false;
}

bool CKelNetwork::connect(const std::string& host, KelLastError& error) {
    static const char* kFunction = "CKelNetwork::connect(host)";
    if (answering()) {
        raise(error, kel::net::kErrNetSessionAnswering, kFunction, host + ": the session is answering a request");
        return false;
    }
    if (socket_.valid() && strcasecmp(host.c_str(), host_.c_str()) == 0) return true;
    closeSocket();
    releaseState();
    remoteTransaction_ = false;
    std::string address;
    uint16_t port = 0;
    if (!kel::net::resolveHost(host, address, port)) {
        raise(error, kel::net::kErrNetUnknownHost, kFunction, host);
        return false;
    }
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    if (inet_pton(AF_INET, address.c_str(), &sa.sin_addr) != 1) {
        raise(error, kel::net::kErrNetUnknownHost, kFunction, host);
        return false;
    }
    kel::net::Socket s(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!s.valid()) {
        raise(error, kel::net::kErrNetConnect, kFunction, std::strerror(errno));
        return false;
    }
    int rc = ::connect(s.fd(), reinterpret_cast<sockaddr*>(&sa), sizeof(sa));
    if (rc != 0 && errno != EINPROGRESS) {
        raise(error, kel::net::kErrNetConnect, kFunction, host + ": " + std::strerror(errno));
        return false;
    }
    if (rc != 0) {
        if (waitFor(s.fd(), POLLOUT, timeoutMs_) != Io::kOk) {
            raise(error, kel::net::kErrNetConnect, kFunction, host);
            return false;
        }
        int soError = 0;
        socklen_t len = sizeof(soError);
        if (getsockopt(s.fd(), SOL_SOCKET, SO_ERROR, &soError, &len) != 0 || soError != 0) {
            raise(error, kel::net::kErrNetConnect, kFunction, host + ": " + std::strerror(soError));
            return false;
        }
    }
    attach(s.release(), host);
    return proveAsInitiator(error);
}

bool CKelNetwork::proveAsInitiator(KelLastError& error) {
    static const char* kFunction = "CKelNetwork::connect(host)";
    if (!socket_.valid()) {
        raise(error, kel::net::kErrNetConnect, kFunction, "not connected");
        return false;
    }
    kel::net::ProofKey key;
    std::string why;
    if (!key.load(why)) {
        raise(error, kel::net::kErrNetNoKey, kFunction, why);
        closeSocket();
        return false;
    }
    if (kel::net::proveSocket(socket_.fd(), key, kel::net::ProofRole::kInitiator, timeoutMs_, keys_, why)) return true;
    raise(error, kel::net::kErrNetProof, kFunction, host_ + ": " + why);
    closeSocket();
    return false;
}

bool CKelNetwork::proveAsResponder(const kel::net::ProofKey& key, int wholeMs, std::string& why) {
    if (!socket_.valid()) {
        why = "not connected";
        return false;
    }
    if (kel::net::proveSocket(socket_.fd(), key, kel::net::ProofRole::kResponder, wholeMs, keys_, why)) return true;
    closeSocket();
    return false;
}

void CKelNetwork::attach(int fd, const std::string& peer) {
    if (answering()) {
        ::close(fd);
        return;
    }
    Reset();
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
    std::lock_guard<std::mutex> lock(socketMutex_);
    socket_ = kel::net::Socket(fd);
    host_ = peer;
}

void CKelNetwork::interrupt() {
    std::lock_guard<std::mutex> lock(socketMutex_);
    if (socket_.valid()) ::shutdown(socket_.fd(), SHUT_RDWR);
}

bool CKelNetwork::sendFrame(const kel::net::FrameHeader& header, const void* record, size_t recordLength,
                            const void* payload, size_t payloadLength, KelLastError& error) {
    static const char* kFunction = "CKelNetwork::sendFrame()";
    if (!socket_.valid()) {
        raise(error, kel::net::kErrNetSend, kFunction, "not connected");
        return false;
    }
    if (!keys_.ready) {
        raise(error, kel::net::kErrNetProof, kFunction, host_ + ": the connection is not proven");
        return false;
    }
    std::vector<char> bytes =
        kel::net::encodeFrame(header, record, recordLength, payload, payloadLength, kel::net::kTagBytes);
    if (bytes.empty()) {
        raise(error, kel::net::kErrNetSend, kFunction, "frame too large");
        return false;
    }
    const size_t frameBytes = bytes.size();
    bytes.resize(frameBytes + kel::net::kTagBytes);
    const kel::net::FramePiece whole{bytes.data(), frameBytes};
    kel::net::tagSentFrame(keys_, &whole, 1, reinterpret_cast<unsigned char*>(bytes.data() + frameBytes));
    Io io = writeAll(socket_.fd(), bytes.data(), bytes.size(),
                     Clock::now() + std::chrono::milliseconds(timeoutMs_));
    if (io != Io::kOk) {
        raise(error, io == Io::kTimeout ? kel::net::kErrNetTimeout : kel::net::kErrNetSend, kFunction, host_);
        closeSocket();
        return false;
    }
    if (request_ && header.kind != kel::net::kFrameRequest && header.messageId == request_->header.messageId &&
        !(header.flags & kel::net::kFlagMoreFollows))
        finalReplySent_ = true;
    return true;
}

bool CKelNetwork::receiveFrame(kel::net::Frame& frame, KelLastError& error, int idleMs, int wholeMs) {
    static const char* kFunction = "CKelNetwork::receiveFrame()";
    frameStatus_ = FrameStatus::kOk;
    peerClosed_ = false;
    if (!socket_.valid()) {
        raise(error, kel::net::kErrNetReceive, kFunction, "not connected");
        return false;
    }
    if (!keys_.ready) {
        raise(error, kel::net::kErrNetProof, kFunction, host_ + ": the connection is not proven");
        return false;
    }
    ReadLimits limits{idleMs, timeoutMs_, Clock::now() + std::chrono::milliseconds(timeoutMs_)};
    if (wholeMs >= 0) limits.hard = Clock::now() + std::chrono::milliseconds(wholeMs);
    Io io = readAll(socket_.fd(), reinterpret_cast<char*>(&frame.header), sizeof(frame.header), limits);
    if (io == Io::kOk) {
        frameStatus_ = kel::net::checkHeader(frame.header);
        if (frameStatus_ != FrameStatus::kOk) {
            raise(error, kel::net::kErrNetBadFrame, kFunction, kel::net::frameStatusText(frameStatus_));
            return false;
        }
        // Record, payload and tag in one read where they have all arrived:
        // a frame costs the reads it did before it carried a tag.
        const size_t recordLength = frame.header.recordLength;
        const size_t payloadLength = frame.header.payloadLength;
        io = readBody(socket_.fd(), frame.record, recordLength + payloadLength + kel::net::kTagBytes, limits);
        if (io == Io::kOk) {
            const char* payload = frame.record.data() + recordLength;
            const char* tag = payload + payloadLength;
            const kel::net::FramePiece pieces[] = {{&frame.header, sizeof(frame.header)},
                                                   {frame.record.data(), recordLength + payloadLength}};
            const bool tagged =
                kel::net::checkReceivedFrame(keys_, pieces, 2, reinterpret_cast<const unsigned char*>(tag));
            frame.payload.assign(payload, tag);
            frame.record.resize(recordLength);
            if (tagged) return true;
            // Injected, replayed or changed on the way: nothing after it on
            // this connection can be trusted either.
            raise(error, kel::net::kErrNetProof, kFunction, host_ + ": a frame failed its tag");
            closeSocket();
            return false;
        }
    }
    const bool started = limits.started;
    if (io == Io::kClosed && !started) peerClosed_ = true;
    if (started && io != Io::kError) frameStatus_ = FrameStatus::kTruncated;
    raise(error, io == Io::kTimeout ? kel::net::kErrNetTimeout : kel::net::kErrNetReceive, kFunction,
          started ? "connection lost inside a frame" : host_);
    closeSocket();
    return false;
}
