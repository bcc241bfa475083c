// kel-dispatcher: answers the requests sent to one host. It listens on the
// host's loopback port, serves every connection on its own thread, loads the
// handler library each request names (once per process) and calls its entry
// point; the handler answers through the session. A request no handler
// answered gets a failure frame; a header that is not a frame, or a frame
// that fails its tag, ends its session unanswered.
//
//   kel-dispatcher --host NAME [--port N] [--focus MACHINE] [--timeout MS] [--greet MS] [--idle MS]
//                  [--rest MS] [--side ostrel|agent]
//
// A connection must send its first whole request within --greet; a session
// holding an open transaction is ended after --idle of silence, one holding
// none after --rest (or --idle, when shorter), but none sooner than 50 ms
// after its last answer. When every slot is taken a newcomer takes the slot
// of the oldest connection that has not yet sent a request, else of the
// longest-silent session without a transaction answered 50 ms ago or more.
//
// --side says whom the host answers for: the Ostrel (the default) or an agent
// host; every session tells its handler so.
// Without --port the port comes from the host's [Hosts] entry; --port 0 takes
// a free one. The line "listening on <port>" on standard output says it is ready.
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <climits>
#include <fcntl.h>
#include <fstream>
#include <list>
#include <malloc.h>
#include <map>
#include <memory>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include "platform/events/KelDebug.h"
#include "platform/info/KelPlatformInfo.h"
#include "platform/net/CKelNetwork.h"
#include "platform/net/KelHandlerApi.h"
#include "platform/net/KelPeerProof.h"
#include "platform/util/BoundedCopy.h"
#include "platform/net/KelPI_Library.h"

namespace {

#if defined(__SANITIZE_ADDRESS__)
#define KEL_ASAN_ALLOCATOR 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KEL_ASAN_ALLOCATOR 1
#endif
#endif

// glibc's trim walks glibc's own arenas; under AddressSanitizer those were
// never set up (its allocator serves every malloc) and the walk faults.
void releaseFreedMemory() {
#ifndef KEL_ASAN_ALLOCATOR
    malloc_trim(0);
#endif
}

using kel::net::Frame;
using kel::net::FrameStatus;

constexpr size_t kMaxSessions = 256;
int g_stopPipe[2] = {-1, -1};

void onSignal(int) {
    char c = 1;
    ssize_t rc = write(g_stopPipe[1], &c, 1);
    (void)rc;
}

// A peer chooses the library name, so it must be a bare name: no folder, no
// way out of the library folders.
bool safeLibraryName(const std::string& name) {
    if (name.empty() || name[0] == '.') return false;
    for (char c : name)
        if (!isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '-' && c != '.') return false;
    return true;
}

bool safeEntryName(const std::string& name) {
    if (name.empty()) return false;
    for (char c : name)
        if (!isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
    return true;
}

// Whether the library's own table of entry points lists name.
bool declared(const char* const* table, const std::string& name) {
    constexpr int kMaxEntries = 64;  // a table is a handful of names; a bad one is not read for ever
    for (int i = 0; i < kMaxEntries && table[i]; ++i)
        if (name == table[i]) return true;
    return false;
}

// Loaded handler libraries, kept for the life of the process. A peer names
// the library and the entry point, so only an entry point the library both
// declares and defines itself is ever called: dlsym alone would hand out any
// function of the library or of what it links (abort, exit, SQLite, ...).
class HandlerCache {
public:
    KelHandlerEntry entry(const std::string& library, const std::string& entryName, uint64_t& error) {
        error = kel::kErrLibraryNotFound;
        if (!safeLibraryName(library) || !safeEntryName(entryName)) return nullptr;
        std::lock_guard<std::mutex> lock(mutex_);
        std::string key = library + "\n" + entryName;
        auto found = entries_.find(key);
        if (found != entries_.end()) return found->second;
        std::unique_ptr<KelPI_Library>& lib = libraries_[library];
        if (!lib) lib = std::make_unique<KelPI_Library>(library, entryName);
        auto* table = static_cast<const char* const*>(lib->getOwnSymbol(KEL_HANDLER_ENTRY_TABLE));
        if (!table) {
            error = lib->getLastError();
            // Not there yet: a later request may find it installed.
            if (lib->loadedPath().empty()) libraries_.erase(library);
            return nullptr;
        }
        error = kel::kErrEntryNotFound;
        if (!declared(table, entryName)) return nullptr;
        void* symbol = lib->getOwnSymbol(entryName);
        if (!symbol) return nullptr;
        error = 0;
        KelHandlerEntry fn = reinterpret_cast<KelHandlerEntry>(symbol);
        entries_[key] = fn;
        return fn;
    }

private:
    std::mutex mutex_;
    std::map<std::string, std::unique_ptr<KelPI_Library>> libraries_;
    std::map<std::string, KelHandlerEntry> entries_;
};

void sendFailure(CKelNetwork& net, const kel::net::FrameHeader* request, uint64_t number) {
    kel::net::FrameHeader h = kel::net::makeHeader(kel::net::kFrameFailure);
    if (request) {
        h.family = request->family;
        h.type = request->type;
        h.messageId = request->messageId;
    }
    h.status = number;
    KelLastError ignored;
    net.sendFrame(h, nullptr, 0, nullptr, 0, ignored);
}

using Clock = std::chrono::steady_clock;

// Peers whose bytes could not be vouched for, logged once per address and
// window for each kind of fault: strangers that fail the proof, and proven
// peers that send a header that is not a frame or a frame that fails its
// tag. A flood of them costs the log a line per address and kind, with the
// count of the rest in its next line.
enum class PeerFault { kProof, kFrame };

class PeerFaultLog {
public:
    void refused(const std::string& peer, PeerFault fault, const std::string& what) {
        const std::string key = peer.substr(0, peer.rfind(':')) + (fault == PeerFault::kProof ? " proof" : " frame");
        const Clock::time_point now = Clock::now();
        std::string line;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            Entry* e = nullptr;
            auto found = seen_.find(key);
            if (found != seen_.end()) {
                e = &found->second;
            } else {
                if (seen_.size() >= kMaxAddresses) forgetOlderThan(now - kWindow);
                e = seen_.size() < kMaxAddresses ? &seen_[key] : &others_;
            }
            if (e->ever && now - e->logged < kWindow) {
                ++e->unlogged;
                return;
            }
            line = "peer " + peer + " " + what;
            if (e->unlogged) line += " (" + std::to_string(e->unlogged) + " more refusals since the last line)";
            e->ever = true;
            e->logged = now;
            e->unlogged = 0;
        }
        KelDebug::Error("kel-dispatcher", line.c_str());
    }

private:
    struct Entry {
        bool ever = false;
        Clock::time_point logged{};
        unsigned long unlogged = 0;
    };
    static constexpr size_t kMaxAddresses = 1024;
    static constexpr std::chrono::minutes kWindow{10};

    void forgetOlderThan(Clock::time_point limit) {
        for (auto it = seen_.begin(); it != seen_.end();)
            it = it->second.logged < limit ? seen_.erase(it) : std::next(it);
    }

    std::mutex mutex_;
    std::map<std::string, Entry> seen_;  // by address and kind; guarded by mutex_
    Entry others_;                        // addresses beyond the table; guarded by mutex_
};

struct Limits {
    int timeoutMs;
    int greetMs;
    int idleMs;  // a session holding an open transaction
    int restMs;  // a session holding none
    int side;
    const kel::net::ProofKey* key;
    PeerFaultLog* faults;
};

class Session {
public:
    Session(int fd, const std::string& peer, const Limits& limits, HandlerCache& handlers)
        : handlers_(handlers), limits_(limits), peer_(peer) {
        net_.attach(fd, peer);
        net_.setTimeout(limits.timeoutMs);
        net_.setAnsweringSide(limits.side);
        thread_ = std::thread([this] { run(); });
    }
    ~Session() {
        net_.interrupt();
        if (thread_.joinable()) thread_.join();
    }
    bool done() const { return done_; }

    // What a newcomer may take this session's slot for: 2 when it has not
    // yet sent a request, 1 when it waits silent without a transaction, 0
    // never (answering, answered a moment ago, holding a transaction,
    // already leaving). since is when it began to wait.
    int evictable(Clock::time_point& since, Clock::time_point now) {
        std::lock_guard<std::mutex> lock(mutex_);
        since = since_;
        if (evicted_ || phase_ == Phase::kBusy) return 0;
        if (phase_ == Phase::kGreeting) return 2;
        // Its caller may be sending on it without asking the socket.
        if (now - since_ < std::chrono::milliseconds(CKelNetwork::kAnsweredKeptMs)) return 0;
        return net_.transactionOpen() ? 0 : 1;
    }
    bool evicted() {
        std::lock_guard<std::mutex> lock(mutex_);
        return evicted_;
    }
    void evict() {
        std::lock_guard<std::mutex> lock(mutex_);
        evicted_ = true;
        net_.interrupt();
    }

private:
    enum class Phase { kGreeting, kBusy, kIdle };

    void run() {
        if (prove()) {
            while (serveOne()) {
            }
        }
        bool wasOpen = false;
        net_.Disconnect(1000, wasOpen);  // releases the handler's state too
        net_.Reset();
        done_ = true;
    }

    // Marks the session waiting (or answering); false when it was evicted.
    bool enter(Phase phase) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (evicted_) return false;
        // A connection still to greet is as old as its accept: its thread
        // may start late on a busy host, after younger ones.
        // Only a waiting session's time is read (the oldest idle one goes
        // first); a busy one is never chosen.
        if (phase == Phase::kIdle) since_ = Clock::now();
        phase_ = phase;
        return true;
    }

    // Nothing of the peer's is read as a request before it has proven that it
    // holds the installation key; the proof and the first request share the
    // greeting's time.
    bool prove() {
        if (!enter(Phase::kGreeting)) return false;
        std::string why;
        if (net_.proveAsResponder(*limits_.key, limits_.greetMs, why)) return true;
        if (!evicted()) limits_.faults->refused(peer_, PeerFault::kProof, why + ": refused before any request");
        return false;
    }

    // One request and its answer; false ends the session.
    bool serveOne() {
        // The last request's buffer takes this one.
        Frame& request = incoming_;
        KelLastError error;
        const bool greeting = !served_;
        if (!enter(greeting ? Phase::kGreeting : Phase::kIdle)) return false;
        bool received = false;
        if (greeting) {
            const auto greeted =
                std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - accepted_).count();
            const int greetLeft = std::max(0, limits_.greetMs - static_cast<int>(greeted));
            received = net_.receiveFrame(request, error, greetLeft, greetLeft);
        } else {
            // Never shorter than a caller may take the answered session as
            // open without asking its socket.
            const int silence = net_.transactionOpen() ? limits_.idleMs : std::min(limits_.restMs, limits_.idleMs);
            received = net_.receiveFrame(request, error, std::max(silence, CKelNetwork::kAnsweredKeptMs));
        }
        if (!received) {
            // A proven peer never sends a header that is not a frame, nor a
            // frame that fails its tag: such bytes are nobody's to answer,
            // and the session has already closed the connection.
            const FrameStatus status = net_.lastFrameStatus();
            if (status != FrameStatus::kOk && status != FrameStatus::kTruncated && !evicted())
                limits_.faults->refused(peer_, PeerFault::kFrame,
                                        std::string("sent ") + kel::net::frameStatusText(status) +
                                            ": connection closed unanswered");
            return false;
        }
        if (!enter(Phase::kBusy)) return false;
        served_ = true;
        if (request.header.kind != kel::net::kFrameRequest) {
            sendFailure(net_, &request.header, kel::net::kErrNetUnexpected);
            return false;
        }
        uint64_t loadError = 0;
        KelHandlerEntry entry = handler(request.header, loadError);
        if (!entry) {
            KelDebug::Error("kel-dispatcher", ("no handler " + kel::fieldText(request.header.dllName) + "!" +
                                               kel::fieldText(request.header.entryPoint)).c_str());
            sendFailure(net_, &request.header, loadError ? loadError : kel::net::kErrNetHandler);
            return !(request.header.flags & kel::net::kFlagTerminate);
        }
        net_.setCurrentRequest(&request);
        unsigned long long rc = kel::net::kErrNetHandler;
        try {
            rc = entry(&net_, request.header.messageId, request.header.family, request.header.type,
                       request.record.data(), static_cast<unsigned long>(request.record.size()),
                       request.payload.data(), static_cast<unsigned long>(request.payload.size()));
        } catch (...) {
            KelDebug::Error("kel-dispatcher", "the handler raised an exception");
        }
        bool answered = net_.finalReplySent();
        net_.setCurrentRequest(nullptr);
        if (!net_.IsConnected()) return false;
        // Only an error number goes back: any other value is the handler's
        // business (or an address) and says nothing to the peer.
        if (!answered) sendFailure(net_, &request.header, kel::net::isErrorNumber(rc) ? rc : kel::net::kErrNetHandler);
        return !(request.header.flags & kel::net::kFlagTerminate);
    }

    // A session's requests name one handler again and again: the last one
    // is kept here, so that the process-wide cache (and its lock) is asked
    // only when the name changes. Libraries stay loaded for the process.
    KelHandlerEntry handler(const kel::net::FrameHeader& header, uint64_t& error) {
        std::string library = kel::fieldText(header.dllName);
        std::string entryName = kel::fieldText(header.entryPoint);
        if (lastEntry_ && library == lastLibrary_ && entryName == lastEntryName_) return lastEntry_;
        KelHandlerEntry entry = handlers_.entry(library, entryName, error);
        if (entry) {
            lastLibrary_ = std::move(library);
            lastEntryName_ = std::move(entryName);
            lastEntry_ = entry;
        }
        return entry;
    }

    HandlerCache& handlers_;
    std::string lastLibrary_;
    std::string lastEntryName_;
    KelHandlerEntry lastEntry_ = nullptr;
    const Limits limits_;
    const std::string peer_;
    const Clock::time_point accepted_ = Clock::now();
    Frame incoming_;
    CKelNetwork net_;
    std::mutex mutex_;  // phase, since and eviction, read by the accepting thread
    Phase phase_ = Phase::kGreeting;
    Clock::time_point since_ = Clock::now();
    bool evicted_ = false;
    bool served_ = false;
    std::thread thread_;
    std::atomic<bool> done_{false};
};

// Frees a slot for a newcomer when all are taken: the oldest connection that
// has sent no request, else the longest-silent session without a
// transaction. False when every slot is answering, holds a transaction or
// was answered a moment ago.
bool freeSlot(std::list<std::unique_ptr<Session>>& sessions) {
    Session* victim = nullptr;
    int victimRank = 0;
    Clock::time_point victimSince{};
    const Clock::time_point now = Clock::now();
    for (const std::unique_ptr<Session>& s : sessions) {
        Clock::time_point since;
        int rank = s->evictable(since, now);
        if (rank > victimRank || (rank == victimRank && rank > 0 && since < victimSince)) {
            victim = s.get();
            victimRank = rank;
            victimSince = since;
        }
    }
    if (!victim) return false;
    victim->evict();
    return true;
}

std::string peerName(const sockaddr_in& from) {
    char text[INET_ADDRSTRLEN] = "?";
    inet_ntop(AF_INET, &from.sin_addr, text, sizeof(text));
    return std::string(text) + ":" + std::to_string(ntohs(from.sin_port));
}

// A backup window opens with hundreds of agents connecting at once. The
// kernel holds their connections until the accepting thread takes them; one
// it drops for want of room waits a second for its SYN to go again, then
// two. So the queue is as deep as the system allows (listen() cuts a longer
// one to net.core.somaxconn), and a system that allows less than the session
// slots is said in the log.
int listenBacklog() {
    long allowed = 0;
    std::ifstream in("/proc/sys/net/core/somaxconn");
    if (!(in >> allowed) || allowed <= 0) allowed = SOMAXCONN;
    if (allowed < static_cast<long>(kMaxSessions))
        KelDebug::Error("kel-dispatcher", ("net.core.somaxconn is " + std::to_string(allowed) + ", below the " +
                                           std::to_string(kMaxSessions) +
                                           " session slots: a burst of connections past it waits for the "
                                           "kernel to try again").c_str());
    return static_cast<int>(std::min<long>(std::max<long>(allowed, kMaxSessions), INT_MAX));
}

int listenOn(uint16_t port, uint16_t& bound) {
    // Not blocking: the accepting thread takes every waiting connection each
    // time it wakes, until none is left.
    kel::net::Socket s(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!s.valid()) return -1;
    int one = 1;
    setsockopt(s.fd(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(s.fd(), reinterpret_cast<sockaddr*>(&sa), sizeof(sa)) != 0 || listen(s.fd(), listenBacklog()) != 0) return -1;
    socklen_t len = sizeof(sa);
    if (getsockname(s.fd(), reinterpret_cast<sockaddr*>(&sa), &len) != 0) return -1;
    bound = ntohs(sa.sin_port);
    return s.release();
}

// Takes every connection waiting on the listener. A thread per session, so
// their number is bounded: beyond it a newcomer takes a silent connection's
// slot, or is closed at once when none can give it up.
void acceptWaiting(int listener, std::list<std::unique_ptr<Session>>& sessions, const Limits& limits,
                   HandlerCache& handlers) {
    size_t taken = 0;
    for (const std::unique_ptr<Session>& s : sessions) taken += s->evicted() ? 0 : 1;
    for (;;) {
        sockaddr_in from{};
        socklen_t fromLength = sizeof(from);
        kel::net::Socket peer(accept4(listener, reinterpret_cast<sockaddr*>(&from), &fromLength, SOCK_CLOEXEC));
        if (!peer.valid()) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) return;
            // Out of descriptors or memory: the connection stays queued; a
            // short pause keeps the loop from spinning on it meanwhile.
            KelDebug::Error("kel-dispatcher", (std::string("cannot accept a connection: ") + std::strerror(errno)).c_str());
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            return;
        }
        if (taken >= kMaxSessions && !freeSlot(sessions)) continue;  // closed unanswered
        if (taken < kMaxSessions) ++taken;  // an evicted session's slot is the newcomer's
        sessions.push_back(std::make_unique<Session>(peer.release(), peerName(from), limits, handlers));
    }
}

struct Options {
    std::string host;
    long port = -1;
    std::string focus;
    int timeoutMs = CKelNetwork::kDefaultTimeoutMs;
    int greetMs = 10 * 1000;
    int idleMs = 30 * 60 * 1000;
    int restMs = 5 * 60 * 1000;
    int side = KEL_SIDE_OSTREL;
};

bool parse(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (i + 1 >= argc) return false;
        std::string v = argv[++i];
        char* end = nullptr;
        if (a == "--host") {
            o.host = v;
        } else if (a == "--focus") {
            o.focus = v;
        } else if (a == "--port") {
            o.port = std::strtol(v.c_str(), &end, 10);
            if (!end || *end || o.port < 0 || o.port > 65535) return false;
        } else if (a == "--side") {
            if (v == "agent") o.side = KEL_SIDE_AGENT;
            else if (v == "ostrel") o.side = KEL_SIDE_OSTREL;
            else return false;
        } else if (a == "--timeout") {
            long t = std::strtol(v.c_str(), &end, 10);
            if (!end || *end || t <= 0 || t > 3600000) return false;
            o.timeoutMs = static_cast<int>(t);
        } else if (a == "--idle" || a == "--rest" || a == "--greet") {
            long t = std::strtol(v.c_str(), &end, 10);
            if (!end || *end || t <= 0 || t > 24L * 3600000) return false;
            (a == "--idle" ? o.idleMs : a == "--rest" ? o.restMs : o.greetMs) = static_cast<int>(t);
        } else {
            return false;
        }
    }
    return !o.host.empty() || o.port >= 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parse(argc, argv, options)) {
        std::fprintf(stderr, "usage: kel-dispatcher --host NAME [--port N] [--focus MACHINE] [--timeout MS] [--greet MS]"
                             " [--idle MS] [--rest MS] [--side ostrel|agent]\n");
        return 2;
    }
    if (!options.focus.empty()) KelPI_Focus::setFocus(options.focus);
    // Without the installation key no peer could be answered: refuse to
    // start rather than listen and turn every peer away.
    kel::net::ProofKey key;
    std::string why;
    if (!key.load(why)) {
        std::fprintf(stderr, "kel-dispatcher: %s\n", why.c_str());
        KelDebug::Error("kel-dispatcher", why.c_str());
        return 2;
    }
    if (options.port < 0) {
        std::string address;
        uint16_t port = 0;
        if (!kel::net::resolveHost(options.host, address, port)) {
            std::fprintf(stderr, "kel-dispatcher: host %s has no [Hosts] entry\n", options.host.c_str());
            return 2;
        }
        options.port = port;
    }
    uint16_t bound = 0;
    kel::net::Socket listener(listenOn(static_cast<uint16_t>(options.port), bound));
    if (!listener.valid()) {
        std::fprintf(stderr, "kel-dispatcher: cannot listen on port %ld: %s\n", options.port, std::strerror(errno));
        return 1;
    }
    if (pipe2(g_stopPipe, O_CLOEXEC) != 0) return 1;
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);

    std::string side = options.side == KEL_SIDE_AGENT ? " (agent)" : " (Ostrel)";
    KelDebug::Debug("kel-dispatcher", ("serving " + options.host + side + " on port " + std::to_string(bound)).c_str());
    std::printf("listening on %u\n", static_cast<unsigned>(bound));
    std::fflush(stdout);

    HandlerCache handlers;
    PeerFaultLog faults;
    const Limits limits{options.timeoutMs, options.greetMs, options.idleMs, options.restMs,
                        options.side,      &key,            &faults};
    {
        std::list<std::unique_ptr<Session>> sessions;
        bool trimPending = false;
        Clock::time_point lastTrim{};
        for (;;) {
            pollfd fds[2] = {{listener.fd(), POLLIN, 0}, {g_stopPipe[0], POLLIN, 0}};
            int rc = poll(fds, 2, 1000);
            if (rc < 0 && errno != EINTR) break;
            if (fds[1].revents) break;
            const size_t before = sessions.size();
            sessions.remove_if([](const std::unique_ptr<Session>& s) { return s->done(); });
            // A session's buffers come and go with it: hand the pages back
            // rather than keep the high-water mark of the busiest peer. Once a
            // second at most: a trim stops every thread of the process (its
            // pages leave every CPU's tables), and a crowd of sessions ending
            // at once would stall the ones still working.
            trimPending |= sessions.size() < before;
            if (trimPending && Clock::now() - lastTrim >= std::chrono::seconds(1)) {
                releaseFreedMemory();
                lastTrim = Clock::now();
                trimPending = false;
            }
            if (rc > 0 && (fds[0].revents & POLLIN)) acceptWaiting(listener.fd(), sessions, limits, handlers);
        }
        // Sessions end (and release their handler state) before the
        // handler libraries are unloaded.
    }
    close(g_stopPipe[0]);
    close(g_stopPipe[1]);
    KelDebug::Debug("kel-dispatcher", "stopped");
    return 0;
}
