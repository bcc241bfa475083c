// A network session: one TCP connection to a host named in the [Hosts] section
// of the focus machine's registry ("NAME = 127.0.0.1:port"), carrying whole
// frames. Every read and write has a deadline, so a peer that stops in the
// middle of a frame makes the caller fail rather than wait for ever.
//
// On the dispatcher's side a session also keeps one state slot for the
// handler (with the callback that releases it) and the request being answered.
// While a request is being answered the session stays what it is: it refuses
// to connect elsewhere, to close, to reset and to replace its state, so that
// nothing the answer does can end the session (and the context kept in its
// state) under the answer. An answer that needs another host opens a session
// of its own.
//
// No frame travels on a connection before both ends have proven that they
// hold the installation key (KelPeerProof.h): connect() proves this end to
// the host it reaches, the dispatcher calls proveAsResponder() on each
// connection it accepts, and every frame after that carries a tag over its
// session's sequence and bytes. A frame that fails its tag, or a header that
// is not a frame, closes the connection unanswered; a session that was never
// proven sends and receives nothing.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/events/KelLastError.h"
#include "platform/net/KelFrame.h"
#include "platform/net/KelHandlerApi.h"
#include "platform/net/KelPeerProof.h"

// The result of a session operation: a negative code is an error.
class CWexError {
public:
    explicit CWexError(long code = 0) : code_(code) {}
    bool IsError() const { return code_ < 0; }
    long GetErrorCode() const { return code_; }

private:
    long code_;
};

namespace kel::net {

// Owns one socket descriptor.
class Socket {
public:
    Socket() = default;
    explicit Socket(int fd) : fd_(fd) {}
    ~Socket() { close(); }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    Socket(Socket&& other) noexcept : fd_(other.release()) {}
    Socket& operator=(Socket&& other) noexcept;

    int fd() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    int release() { int fd = fd_; fd_ = -1; return fd; }
    void close();

private:
    int fd_ = -1;
};

// Resolves a host through the [Hosts] section of the focus machine's registry
// (names compared without regard to case). False when unknown or malformed.
bool resolveHost(const std::string& host, std::string& address, uint16_t& port);

// A process-wide unique message id.
unsigned long long nextMessageId();

// A plain TCP connection to a loopback port, its small writes sent at once
// (no delay); invalid when refused. For tools and raw peers of our own.
Socket loopbackConnection(int port);

// One end of the peer proof on a connected socket, within ms; keys are set
// on success, why says what went wrong otherwise. Sessions run it through
// connect() and proveAsResponder(); a raw peer of our own (a test) may call
// it directly.
enum class ProofRole { kInitiator, kResponder };
bool proveSocket(int fd, const ProofKey& key, ProofRole role, int ms, FrameKeys& keys, std::string& why);

}  // namespace kel::net

class CKelNetwork {
public:
    using StateDestructor = void (*)(void*);
    static constexpr int kDefaultTimeoutMs = 120000;
    // A frame buffer this small is kept for the next frame.
    static constexpr size_t kKeptFrameBytes = 4096;
    // A host keeps a session it has answered for at least this long: it
    // neither ends it for its silence nor gives its slot to a newcomer. So a
    // caller whose request went out less than this long ago, and was
    // answered, sends the next on the session without asking the socket.
    static constexpr int kAnsweredKeptMs = 50;

    CKelNetwork() = default;
    ~CKelNetwork();
    CKelNetwork(const CKelNetwork&) = delete;
    CKelNetwork& operator=(const CKelNetwork&) = delete;

    bool IsConnected() const { return socket_.valid(); }
    // Closes the connection; flag tells whether one was open. The timeout
    // bounds the wait for the peer to take what was already sent. While a
    // request is being answered: nothing closed, flag false, an error result.
    CWexError Disconnect(int timeout, bool& flag);
    // Closes the connection and forgets the host, the handler state and the
    // request in hand; does nothing while a request is being answered.
    void Reset();

    // Connects to host and proves this end to it (and it to this end),
    // keeping an open connection to the same host. Refused
    // (kErrNetSessionAnswering) while a request is being answered; fails
    // with kErrNetNoKey when this home holds no installation key and with
    // kErrNetProof when the host does not prove the same key.
    bool connect(const std::string& host, KelLastError& error);
    // The two ends of the proof on an attached connection. The responder's
    // peer must open with its hello and answer the challenge within wholeMs;
    // false (the connection closed, why saying what the peer did) otherwise.
    // The initiator proves with this home's key, as connect() does.
    bool proveAsInitiator(KelLastError& error);
    bool proveAsResponder(const kel::net::ProofKey& key, int wholeMs, std::string& why);
    bool proven() const { return keys_.ready; }
    const std::string& hostName() const { return host_; }
    // Takes an accepted connection (the dispatcher's side); while a request
    // is being answered the descriptor is closed and the session kept.
    void attach(int fd, const std::string& peer);
    // Wakes a thread blocked on this session from another thread; the
    // blocked call then fails and the owner closes the session.
    void interrupt();

    void setTimeout(int milliseconds) { timeoutMs_ = milliseconds > 0 ? milliseconds : kDefaultTimeoutMs; }
    int timeout() const { return timeoutMs_; }

    bool sendFrame(const kel::net::FrameHeader& header, const void* record, size_t recordLength,
                   const void* payload, size_t payloadLength, KelLastError& error);
    // Waits up to idleMs for a frame to begin (-1: no limit), then up to the
    // session timeout for the rest of it; with wholeMs >= 0 the whole frame
    // must have arrived within wholeMs of the call. A header that is not a
    // frame fails with kErrNetBadFrame, a frame that fails its tag with
    // kErrNetProof; either closes the connection, the reason in
    // lastFrameStatus().
    bool receiveFrame(kel::net::Frame& frame, KelLastError& error, int idleMs, int wholeMs = -1);
    kel::net::FrameStatus lastFrameStatus() const { return frameStatus_; }
    // True when the peer closed (or reset) the connection between frames.
    bool peerClosed() const { return peerClosed_; }
    // Between exchanges: true when the open connection can no longer carry
    // one (the peer closed it, or sent bytes nobody asked for). With
    // quietMs, a session whose last answer came to a frame sent within
    // quietMs is taken as open without asking the socket.
    bool connectionStale(int quietMs = 0) const;

    // Initiating side: whether the peer holds a network transaction for this
    // session, which is lost with the connection.
    void setRemoteTransactionOpen(bool open) { remoteTransaction_ = open; }
    bool remoteTransactionOpen() const { return remoteTransaction_; }
    // Answering side: the handler says whether the session holds an open
    // transaction, which keeps it through a longer silence.
    void setTransactionOpen(bool open) { transactionOpen_ = open; }
    bool transactionOpen() const { return transactionOpen_; }

    // The handler's per-session state; a new state releases the old one.
    // False, nothing taken, when a state would be replaced while a request
    // is being answered: the caller keeps the new state.
    bool setState(void* state, StateDestructor destroy);
    void* state() const { return state_; }
    // The side this session's requests are answered for (KEL_SIDE_OSTREL or
    // KEL_SIDE_AGENT of KelHandlerApi.h); the dispatcher sets it once.
    void setAnsweringSide(int side) { side_ = side; }
    int answeringSide() const { return side_; }

    // The request being answered; replies are counted against it.
    void setCurrentRequest(const kel::net::Frame* request);
    const kel::net::Frame* currentRequest() const { return request_; }
    bool finalReplySent() const { return finalReplySent_; }
    // A request is being answered on this session.
    bool answering() const { return request_ != nullptr; }

private:
    void releaseState();
    void closeSocket();

    kel::net::Socket socket_;
    kel::net::FrameKeys keys_;  // set by the proof, wiped with the connection
    // Bytes read past the frame in hand: one read takes a small frame whole
    // rather than its header first. Made at the first frame.
    std::unique_ptr<char[]> inbox_;
    std::vector<char> outbox_;  // a small frame being sent
    size_t inboxBegin_ = 0;
    size_t inboxEnd_ = 0;
    int receiveTimeoutMs_ = 0;  // the socket's SO_RCVTIMEO as last set; 0: none
    std::chrono::steady_clock::time_point sent_;   // when the last frame sent outside an answer began to go out
    std::chrono::steady_clock::time_point heard_;  // sent_ as it stood when the last frame came
    std::mutex socketMutex_;  // interrupt() against closing and reusing the descriptor
    std::string host_;
    int timeoutMs_ = kDefaultTimeoutMs;
    kel::net::FrameStatus frameStatus_ = kel::net::FrameStatus::kOk;
    bool peerClosed_ = false;
    bool remoteTransaction_ = false;
    std::atomic<bool> transactionOpen_{false};
    void* state_ = nullptr;
    int side_ = KEL_SIDE_OSTREL;
    StateDestructor destroy_ = nullptr;
    const kel::net::Frame* request_ = nullptr;
    bool finalReplySent_ = false;
};
