#include "platform/net/CKelNetwork.h"

#include <arpa/inet.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <netinet/in.h>
#include <fcntl.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pthread.h>
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

namespace {

// The process id, asked of the kernel once per process rather than once per
// message; a forked child asks anew.
std::atomic<pid_t> g_pid{0};

void forgetPid() { g_pid.store(0, std::memory_order_relaxed); }

pid_t processId() {
    pid_t pid = g_pid.load(std::memory_order_relaxed);
    if (pid == 0) {
        static const int registered = pthread_atfork(nullptr, nullptr, forgetPid);
        (void)registered;
        pid = getpid();
        g_pid.store(pid, std::memory_order_relaxed);
    }
    return pid;
}

}  // namespace

unsigned long long nextMessageId() {
    static std::atomic<unsigned long long> counter{0};
    return (static_cast<unsigned long long>(processId()) << 32) | (++counter & 0xFFFFFFFFull);
}

}  // namespace kel::net

namespace {

using kel::net::FrameStatus;

// Rounded up: a wait of 0 means the time is up.
int remainingMs(Clock::time_point deadline) {
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
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

// deadline() says by when; asked only when the socket is full.
template <typename Deadline>
Io writeAll(int fd, const char* data, size_t size, Deadline deadline) {
    while (size > 0) {
        // Try first, wait only when the socket is full: a poll per call would
        // double the system calls of a small exchange.
        ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK) return Io::kError;
            Io w = waitFor(fd, POLLOUT, remainingMs(deadline()));
            if (w != Io::kOk) return w;
            continue;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return Io::kOk;
}

Io writeAll(int fd, const char* data, size_t size, Clock::time_point deadline) {
    return writeAll(fd, data, size, [deadline] { return deadline; });
}

// The bounds of one frame's reading: the wait for its first byte, the
// deadline of the rest and an optional hard limit on the whole. The clock is
// read when a wait needs it: a frame that comes whole when asked for reads it
// once.
struct ReadLimits {
    ReadLimits(int firstWaitMs_, int timeoutMs_)
        : begun(Clock::now()), firstWaitMs(firstWaitMs_), timeoutMs(timeoutMs_) {}

    const Clock::time_point begun;
    const int firstWaitMs;  // -1: no limit
    const int timeoutMs;    // the rest of a frame, from the first wait inside it
    Clock::time_point hard = Clock::time_point::max();
    bool started = false;

    void start() { started = true; }
    // Milliseconds left to wait; -1 without limit.
    int waitMs() {
        // The first wait for a frame begins as the call did.
        if (!started && !waited_ && hard == Clock::time_point::max()) {
            waited_ = true;
            return firstWaitMs;
        }
        waited_ = true;
        const Clock::time_point at = until();
        return at == Clock::time_point::max() ? -1 : remainingMs(at);
    }
    bool expired() { return Clock::now() >= until(); }

private:
    Clock::time_point until() {
        Clock::time_point at = Clock::time_point::max();
        if (!started) {
            if (firstWaitMs >= 0) at = begun + std::chrono::milliseconds(firstWaitMs);
        } else {
            if (deadline_ == Clock::time_point::max()) deadline_ = Clock::now() + std::chrono::milliseconds(timeoutMs);
            at = deadline_;
        }
        return std::min(at, hard);
    }

    bool waited_ = false;
    Clock::time_point deadline_ = Clock::time_point::max();
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
            if (limits.expired()) return Io::kTimeout;
            Io w = waitFor(fd, POLLIN, limits.waitMs());
            if (w != Io::kOk) return w;
            continue;
        }
        if (!limits.started) limits.start();
        data += n;
        size -= static_cast<size_t>(n);
    }
    return Io::kOk;
}

constexpr size_t kInboxBytes = 4096;

// A session's reading side: its socket, the bytes already read past the
// frame in hand, and the receive timeout the socket carries.
struct Reader {
    int fd;
    char* inbox;
    size_t& begin;
    size_t& end;
    int& socketTimeoutMs;

    size_t held() const { return end - begin; }
    size_t take(char* data, size_t size) {
        const size_t n = std::min(size, held());
        if (n == 0) return 0;
        std::memcpy(data, inbox + begin, n);
        begin += n;
        return n;
    }
    // Up to size held bytes appended to out; how many.
    size_t takeInto(std::vector<char>& out, size_t size) {
        const size_t n = std::min(size, held());
        out.insert(out.end(), inbox + begin, inbox + begin + n);
        begin += n;
        return n;
    }

    // One read of whatever has arrived into the emptied inbox. The wait for
    // a frame's first byte is the read itself, bounded by the socket's
    // timeout: one system call where a wait and then a read were two.
    Io fill(ReadLimits& limits) {
        begin = end = 0;
        for (;;) {
            int flags = MSG_DONTWAIT;
            if (!limits.started) {
                const int ms = limits.waitMs();
                if (ms != 0) {
                    if (!setTimeout(ms < 0 ? 0 : ms)) return Io::kError;
                    flags = 0;
                }
            }
            const ssize_t n = ::recv(fd, inbox, kInboxBytes, flags);
            if (n > 0) {
                if (!limits.started) limits.start();
                end = static_cast<size_t>(n);
                return Io::kOk;
            }
            if (n == 0) return Io::kClosed;
            if (errno == EINTR) continue;
            if (errno == ECONNRESET && !limits.started) return Io::kClosed;
            if (errno != EAGAIN && errno != EWOULDBLOCK) return Io::kError;
            if (limits.expired()) return Io::kTimeout;
            if (!limits.started) continue;  // the timeout rounded short
            Io w = waitFor(fd, POLLIN, limits.waitMs());
            if (w != Io::kOk) return w;
        }
    }

    Io read(char* data, size_t size, ReadLimits& limits) {
        while (size > 0) {
            if (held() == 0) {
                Io io = fill(limits);
                if (io != Io::kOk) return io;
            }
            const size_t n = take(data, size);
            data += n;
            size -= n;
        }
        return Io::kOk;
    }

    // 0: no timeout.
    bool setTimeout(int ms) {
        if (ms == socketTimeoutMs) return true;
        timeval tv{};
        tv.tv_sec = ms / 1000;
        tv.tv_usec = (ms % 1000) * 1000;
        if (setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof(tv)) != 0) return false;
        socketTimeoutMs = ms;
        return true;
    }
};

// Reads the rest of a frame whose header h was read: out becomes the header
// and then length more bytes, what the inbox holds first. It grows as the
// bytes arrive: a peer that announces a large frame and sends nothing costs
// us nothing.
Io readBody(Reader& reader, const kel::net::FrameHeader& h, std::vector<char>& out, size_t length,
            ReadLimits& limits) {
    constexpr size_t kChunk = 16 * 1024;
    const size_t whole = sizeof(h) + length;
    out.clear();
    // A buffer a small frame left is used again; one a large frame grew is
    // let go, so that a session does not keep its largest frame's room.
    if (out.capacity() > CKelNetwork::kKeptFrameBytes) out.shrink_to_fit();
    out.reserve(std::min(whole, sizeof(h) + std::max(reader.held(), kChunk)));
    // Appended, not resized and then overwritten: a frame that came whole is
    // copied once.
    const char* head = reinterpret_cast<const char*>(&h);
    out.insert(out.end(), head, head + sizeof(h));
    reader.takeInto(out, length);
    while (out.size() < whole) {
        size_t have = out.size();
        size_t step = std::min(kChunk, whole - have);
        // Exact growth: a vector left to double could hold twice the frame.
        if (out.capacity() < have + step) out.reserve(std::min(whole, std::max(have * 2, have + step)));
        out.resize(have + step);
        Io io = readAll(reader.fd, out.data() + have, step, limits);
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
    ReadLimits limits(ms, ms);
    limits.hard = deadline;
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

bool CKelNetwork::connectionStale(int quietMs) const {
    if (!socket_.valid()) return false;
    if (inboxEnd_ > inboxBegin_) return true;
    if (quietMs > 0 && Clock::now() - heard_ < std::chrono::milliseconds(quietMs)) return false;
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
    inboxBegin_ = inboxEnd_ = 0;
    receiveTimeoutMs_ = 0;
    sent_ = {};
    heard_ = {};
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
    // Reads wait in the read itself, under the socket's receive timeout;
    // every other call says for itself that it does not wait.
    const int flags = fcntl(fd, F_GETFL);
    if (flags >= 0 && (flags & O_NONBLOCK)) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
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
    // A small frame is built in the session's own buffer, kept from frame to
    // frame; a large one in a buffer of its own, gone with it.
    std::vector<char> large;
    std::vector<char>& bytes =
        sizeof(header) + recordLength + payloadLength + kel::net::kTagBytes <= kKeptFrameBytes ? outbox_ : large;
    if (!kel::net::encodeFrameInto(bytes, header, record, recordLength, payload, payloadLength, kel::net::kTagBytes)) {
        raise(error, kel::net::kErrNetSend, kFunction, "frame too large");
        return false;
    }
    const size_t frameBytes = bytes.size();
    bytes.resize(frameBytes + kel::net::kTagBytes);
    const kel::net::FramePiece whole{bytes.data(), frameBytes};
    kel::net::tagSentFrame(keys_, &whole, 1, reinterpret_cast<unsigned char*>(bytes.data() + frameBytes));
    const int ms = timeoutMs_;
    // Only a caller keeps a session by when its request went; an answer
    // needs no clock read.
    if (!answering()) sent_ = Clock::now();
    Clock::time_point deadline = Clock::time_point::max();
    Io io = writeAll(socket_.fd(), bytes.data(), bytes.size(), [&deadline, ms] {
        if (deadline == Clock::time_point::max()) deadline = Clock::now() + std::chrono::milliseconds(ms);
        return deadline;
    });
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
    ReadLimits limits(idleMs, timeoutMs_);
    if (wholeMs >= 0) limits.hard = limits.begun + std::chrono::milliseconds(wholeMs);
    if (!inbox_) inbox_ = std::make_unique<char[]>(kInboxBytes);
    Reader reader{socket_.fd(), inbox_.get(), inboxBegin_, inboxEnd_, receiveTimeoutMs_};
    Io io = reader.read(reinterpret_cast<char*>(&frame.header), sizeof(frame.header), limits);
    if (io == Io::kOk) {
        frameStatus_ = kel::net::checkHeader(frame.header);
        if (frameStatus_ != FrameStatus::kOk) {
            // Its lengths cannot be trusted to find the tag, so nothing of
            // it can be authenticated, nor anything after it.
            raise(error, kel::net::kErrNetBadFrame, kFunction, kel::net::frameStatusText(frameStatus_));
            closeSocket();
            return false;
        }
        // Record, payload and tag read as one: a small frame usually came
        // whole with its header. The header leads them in one buffer, so that
        // the tag is checked over the frame where it lies.
        const size_t recordLength = frame.header.recordLength;
        const size_t payloadLength = frame.header.payloadLength;
        std::vector<char>& bytes = frame.record;
        io = readBody(reader, frame.header, bytes, recordLength + payloadLength + kel::net::kTagBytes, limits);
        if (io == Io::kOk) {
            const char* record = bytes.data() + sizeof(frame.header);
            const char* payload = record + recordLength;
            const char* tag = payload + payloadLength;
            const kel::net::FramePiece whole{bytes.data(), sizeof(frame.header) + recordLength + payloadLength};
            const bool tagged =
                kel::net::checkReceivedFrame(keys_, &whole, 1, reinterpret_cast<const unsigned char*>(tag));
            frame.payload.assign(payload, tag);
            std::memmove(bytes.data(), record, recordLength);
            bytes.resize(recordLength);
            if (tagged) {
                heard_ = sent_;
                return true;
            }
            // Injected, replayed or changed on the way: nothing after it on
            // this connection can be trusted either.
            frameStatus_ = FrameStatus::kBadTag;
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
