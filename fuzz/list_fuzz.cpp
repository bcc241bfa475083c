// libFuzzer target for the list receiver: an agent-side context asks for a
// list over a session whose peer answers with packets made from the bytes
// (more flag, packet index, total, count, record length), then hangs up. The
// receiver must take a whole list or fail with an error, never overrun,
// hang or crash.
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

#include "FuzzHome.h"
#include "KelSQL/KelNetSQLFrame.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "platform/info/KelPlatformInfo.h"
#include "platform/info/KelRegistry.h"
#include "platform/net/CKelNetwork.h"
#include "platform/net/KelFrame.h"

namespace {

constexpr const char* kOstrel = "fuzzostrel";

struct ListReq_t {
    uint64_t Total;
};

class FuzzList : public KelNetSQLListMessage<FuzzList, ListReq_t, uint64_t, 50, 0x1E0000E3, 0x1E0000E4> {
public:
    static constexpr const char* kClassName = "FuzzList";
    static constexpr const char* kRequestName = "FuzzListReq";
    static constexpr const char* kResponseName = "FuzzListRsp";
    FuzzList(KelSQLClassProperties& ctx, bool terminate) : KelNetSQLListMessage(ctx, terminate) {}
    bool answer(ListReq_t&, Response&) { return true; }
};

bool setUp() {
    kel::fuzz::fuzzHome();
    if (!KelRegistry::createMachine("fuzzagent")) return false;
    KelPI_Focus::setFocus("fuzzagent");
    KelPI_Ostrel ostrel;
    return ostrel.setFocus("fuzzagent") != 0 && ostrel.setOstrelHostName(kOstrel) && ostrel.setTesselId(1);
}

uint64_t take(const uint8_t*& p, const uint8_t* end, size_t n) {
    uint64_t v = 0;
    for (size_t i = 0; i < n && p < end; ++i) v |= uint64_t(*p++) << (8 * i);
    return v;
}

// The peer: reads the request, sends packets made from the bytes, hangs up.
void answerWith(int fd, const uint8_t* data, size_t size) {
    CKelNetwork peer;
    peer.attach(fd, "agent");
    std::string why;
    if (!peer.proveAsResponder(kel::fuzz::fuzzKey(), 2000, why)) return;
    kel::net::Frame request;
    KelLastError error;
    if (!peer.receiveFrame(request, error, 2000)) return;
    const uint8_t* p = data;
    const uint8_t* end = data + size;
    std::vector<char> record(sizeof(FuzzList::Response) + 64);
    for (uint32_t index = 0; p < end && index < 64; ++index) {
        const uint64_t control = take(p, end, 1);
        kel::net::FrameHeader h = kel::net::makeHeader(kel::net::kFrameResponse);
        h.family = request.header.family;
        h.type = FuzzList::kResponseType;
        h.messageId = request.header.messageId;
        h.flags = (control & 1) ? uint32_t{kel::net::kFlagMoreFollows} : 0u;
        h.packetIndex = (control & 2) ? uint32_t(take(p, end, 1)) : index;
        size_t length = sizeof(FuzzList::Response);
        if (control & 4) length = size_t(take(p, end, 2)) % record.size();
        std::memset(record.data(), 0, record.size());
        auto* packet = reinterpret_cast<FuzzList::Response*>(record.data());
        packet->Status.Status = (control & 8) ? 1 : 0;
        packet->TotalCount = (control & 16) ? take(p, end, 8) : take(p, end, 1);
        packet->Count = (control & 32) ? take(p, end, 8) : take(p, end, 1);
        for (size_t i = 0; i < FuzzList::kPerPacket; ++i) packet->Items[i] = i;
        if (!peer.sendFrame(h, record.data(), length, nullptr, 0, error)) return;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = setUp();
    if (!ready) __builtin_trap();
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) return 0;
    // Each side's session owns its end and closes it.
    std::thread peer([&] { answerWith(fds[1], data, size); });
    {
        CKelNetwork session;
        session.attach(fds[0], kOstrel);
        session.setTimeout(2000);
        KelLastError proof;
        if (!session.proveAsInitiator(proof)) __builtin_trap();
        KelSQLClassProperties ctx(KelSQLClientSide, &session);
        FuzzList list(ctx, false);
        list.requestMessage(true)->Total = 1;
        KelLastError err;
        const bool ok = list.exchange(err);
        if (ok && list.items().size() > kelsql::kMaxListTotal) __builtin_trap();
        if (!ok && err.number() == 0) __builtin_trap();
    }
    peer.join();
    return 0;
}
