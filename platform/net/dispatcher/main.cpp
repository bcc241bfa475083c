// kel-dispatcher: answers the requests sent to one host. It listens on the
// host's loopback port, serves every connection on its own thread, loads the
// handler library each request names (once per process) and calls its entry
// point; the handler answers through the session. A request no handler
// answered gets a failure frame, a malformed frame a failure frame and the
// end of its session.
//
//   kel-dispatcher --host NAME [--port N] [--focus MACHINE] [--timeout MS] [--idle MS] [--side ostrel|agent]
//
// --side says whom the host answers for: the Ostrel (the default) or an agent
// host; every session tells its handler so.
// Without --port the port comes from the host's [Hosts] entry; --port 0 takes
// a free one. The line "listening on <port>" on standard output says it is ready.
#include <arpa/inet.h>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <list>
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
#include "platform/util/BoundedCopy.h"
#include "platform/util/KelPI_Library.h"

namespace {

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

// Loaded handler libraries, kept for the life of the process.
class HandlerCache {
public:
    KelHandlerEntry entry(const std::string& library, const std::string& entryName, uint64_t& error) {
        if (!safeLibraryName(library) || !safeEntryName(entryName)) {
            error = kel::kErrLibraryNotFound;
            return nullptr;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        std::string key = library + "\n" + entryName;
        auto found = entries_.find(key);
        if (found != entries_.end()) return found->second;
        std::unique_ptr<KelPI_Library>& lib = libraries_[library + "\n" + entryName];
        if (!lib) lib = std::make_unique<KelPI_Library>(library, entryName);
        void* symbol = lib->getEntryPoint();
        if (!symbol) {
            error = lib->getLastError();
            libraries_.erase(key);
            return nullptr;
        }
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

class Session {
public:
    Session(int fd, int timeoutMs, int idleMs, int side, HandlerCache& handlers) : handlers_(handlers), idleMs_(idleMs) {
        net_.attach(fd, "peer");
        net_.setTimeout(timeoutMs);
        net_.setAnsweringSide(side);
        thread_ = std::thread([this] { run(); });
    }
    ~Session() {
        net_.interrupt();
        if (thread_.joinable()) thread_.join();
    }
    bool done() const { return done_; }

private:
    void run() {
        while (serveOne()) {
        }
        bool wasOpen = false;
        net_.Disconnect(1000, wasOpen);  // releases the handler's state too
        net_.Reset();
        done_ = true;
    }

    // One request and its answer; false ends the session.
    bool serveOne() {
        Frame request;
        KelLastError error;
        if (!net_.receiveFrame(request, error, idleMs_)) {
            if (net_.IsConnected()) {
                // A header we could not accept: say so, then stop reading a
                // stream we can no longer follow.
                KelDebug::Error("kel-dispatcher", kel::net::frameStatusText(net_.lastFrameStatus()));
                sendFailure(net_, nullptr, kel::net::kErrNetBadFrame);
            }
            return false;
        }
        if (request.header.kind != kel::net::kFrameRequest) {
            sendFailure(net_, &request.header, kel::net::kErrNetUnexpected);
            return false;
        }
        uint64_t loadError = 0;
        KelHandlerEntry entry = handlers_.entry(kel::fieldText(request.header.dllName),
                                                kel::fieldText(request.header.entryPoint), loadError);
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
        if (!answered) sendFailure(net_, &request.header, rc ? rc : kel::net::kErrNetHandler);
        return !(request.header.flags & kel::net::kFlagTerminate);
    }

    HandlerCache& handlers_;
    // A peer silent for this long loses its session (and an open transaction
    // with it), so idle connections cannot hold every session slot.
    int idleMs_;
    CKelNetwork net_;
    std::thread thread_;
    std::atomic<bool> done_{false};
};

int listenOn(uint16_t port, uint16_t& bound) {
    kel::net::Socket s(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!s.valid()) return -1;
    int one = 1;
    setsockopt(s.fd(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(s.fd(), reinterpret_cast<sockaddr*>(&sa), sizeof(sa)) != 0 || listen(s.fd(), 64) != 0) return -1;
    socklen_t len = sizeof(sa);
    if (getsockname(s.fd(), reinterpret_cast<sockaddr*>(&sa), &len) != 0) return -1;
    bound = ntohs(sa.sin_port);
    return s.release();
}

struct Options {
    std::string host;
    long port = -1;
    std::string focus;
    int timeoutMs = CKelNetwork::kDefaultTimeoutMs;
    int idleMs = 30 * 60 * 1000;
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
        } else if (a == "--idle") {
            long t = std::strtol(v.c_str(), &end, 10);
            if (!end || *end || t <= 0 || t > 24L * 3600000) return false;
            o.idleMs = static_cast<int>(t);
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
        std::fprintf(stderr, "usage: kel-dispatcher --host NAME [--port N] [--focus MACHINE] [--timeout MS] [--idle MS]"
                             " [--side ostrel|agent]\n");
        return 2;
    }
    if (!options.focus.empty()) KelPI_Focus::setFocus(options.focus);
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
    {
        std::list<std::unique_ptr<Session>> sessions;
        for (;;) {
            pollfd fds[2] = {{listener.fd(), POLLIN, 0}, {g_stopPipe[0], POLLIN, 0}};
            int rc = poll(fds, 2, 1000);
            if (rc < 0 && errno != EINTR) break;
            if (fds[1].revents) break;
            sessions.remove_if([](const std::unique_ptr<Session>& s) { return s->done(); });
            if (rc > 0 && (fds[0].revents & POLLIN)) {
                kel::net::Socket peer(accept4(listener.fd(), nullptr, nullptr, SOCK_CLOEXEC));
                // A thread per session, so their number is bounded: beyond it a
                // connection is closed at once.
                if (peer.valid() && sessions.size() < kMaxSessions)
                    sessions.push_back(
                        std::make_unique<Session>(peer.release(), options.timeoutMs, options.idleMs, options.side, handlers));
            }
        }
        // Sessions end (and release their handler state) before the
        // handler libraries are unloaded.
    }
    close(g_stopPipe[0]);
    close(g_stopPipe[1]);
    KelDebug::Debug("kel-dispatcher", "stopped");
    return 0;
}
