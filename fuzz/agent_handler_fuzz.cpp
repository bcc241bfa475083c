// libFuzzer target for an agent host's answering side: the bytes are a few
// requests of registered types (a byte choosing the class, a byte of request
// code, then the record, cut or padded to the class's size, or left at the
// length it has), answered one after another on one session as the
// dispatcher answers them. Whatever they hold, each gets an answer or an
// error number, and nothing the answers do ends the session under them.
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

#include "FuzzHome.h"
#include "KelSQL/KelNetSQLRegistry.h"
#include "platform/info/KelPlatformInfo.h"
#include "platform/info/KelRegistry.h"
#include "platform/net/CKelNetwork.h"
#include "platform/net/KelFrame.h"

namespace {

constexpr size_t kMaxRequests = 8;

bool setUp() {
    kel::fuzz::fuzzHome();
    if (!KelRegistry::createMachine("fuzzagent")) return false;
    KelPI_Focus::setFocus("fuzzagent");
    // An Ostrel no host entry names: what an answer sends there fails at once.
    KelPI_Ostrel ostrel;
    KelPI_MSSqlAgent agent;
    return ostrel.setFocus("fuzzagent") != 0 && ostrel.setOstrelHostName("fuzzostrel") && ostrel.setTesselId(1) &&
           agent.setFocus("fuzzagent") != 0 && agent.setAgentInstallActive(true);
}

// Reads what the answers send until the session's end closes.
void drain(int fd) {
    char sink[1 << 16];
    while (::recv(fd, sink, sizeof sink, 0) > 0) {
    }
    ::close(fd);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = setUp();
    if (!ready) __builtin_trap();
    static const std::vector<kelsql::MessageClass> classes = kelsql::registeredMessageClasses();
    if (classes.empty()) __builtin_trap();
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) return 0;
    std::thread peer;
    {
        // The session closes its end before the drain is joined.
        CKelNetwork session;
        session.attach(fds[0], "peer");
        kel::net::FrameKeys keys;
        if (!kel::fuzz::proveHostSession(session, fds[1], keys)) __builtin_trap();
        peer = std::thread(drain, fds[1]);
        session.setTimeout(2000);
        session.setAnsweringSide(KEL_SIDE_AGENT);
        const uint8_t* p = data;
        const uint8_t* end = data + size;
        for (size_t n = 0; n < kMaxRequests && end - p >= 2; ++n) {
            const kelsql::MessageClass& c = classes[p[0] % classes.size()];
            const bool exactSize = (p[1] & 0x80) == 0;
            const uint32_t code = p[1] & 0x7F;
            p += 2;
            const size_t available = static_cast<size_t>(end - p);
            const size_t taken = std::min(available, c.requestSize);
            kel::net::Frame request;
            request.header = kel::net::makeHeader(kel::net::kFrameRequest);
            request.header.family = kelsql::kMessageFamily;
            request.header.type = c.requestType;
            request.header.messageId = n + 1;
            request.record.assign(p, p + taken);
            p += taken;
            if (exactSize) {
                request.record.resize(c.requestSize, 0);
                std::memcpy(request.record.data(), &code, std::min(sizeof code, request.record.size()));
            }
            request.header.recordLength = static_cast<uint32_t>(request.record.size());
            session.setCurrentRequest(&request);
            const unsigned long long rc =
                kelsql::answerRequest(&session, request.header.messageId, request.header.family, request.header.type,
                                      request.record.data(), static_cast<unsigned long>(request.record.size()));
            const bool answered = session.finalReplySent();
            session.setCurrentRequest(nullptr);
            // Every request is answered, or refused with a number to send.
            if (!answered && rc == 0) __builtin_trap();
            // The session the answers were given is still the dispatcher's.
            if (!session.IsConnected()) __builtin_trap();
        }
    }
    peer.join();
    return 0;
}
