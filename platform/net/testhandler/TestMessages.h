// The messages of the loopback test handler (library "sLNTEST", entry point
// "sLPTESTMSG"): an echo of a fixed record, a list answered in packets of 50,
// a per-session counter whose state is released when the session ends, and
// answers that go wrong on purpose (none, half a list, too late).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/net/KelNetMessage.h"
#include "platform/util/BoundedCopy.h"

namespace kel::nettest {

inline constexpr unsigned long long kFamily = 0x7E000000;
inline constexpr unsigned long long kEchoRequest = 0x7E000001, kEchoResponse = 0x7E000002;
inline constexpr unsigned long long kListRequest = 0x7E000003, kListResponse = 0x7E000004;
inline constexpr unsigned long long kSessionRequest = 0x7E000005, kSessionResponse = 0x7E000006;
inline constexpr unsigned long long kSilentRequest = 0x7E000007;   // handler returns without answering
inline constexpr unsigned long long kHalfListRequest = 0x7E000009; // first packet only, then gives up
inline constexpr unsigned long long kAddressRequest = 0x7E00000B;  // returns an address, not an error number
inline constexpr uint64_t kSilentError = 0x0A0000EE;
inline constexpr size_t kPerPacket = 50;
inline constexpr uint64_t kMaxListTotal = 1000000;

struct EchoRecord {
    uint32_t code;
    uint32_t delayMs;
    uint64_t id;
    char name[129];
    char path[1024];
    double value;
};
static_assert(sizeof(EchoRecord) == 1184, "echo record layout");
static_assert(offsetof(EchoRecord, name) == 16, "echo record layout");
static_assert(offsetof(EchoRecord, path) == 145, "echo record layout");
static_assert(offsetof(EchoRecord, value) == 1176, "echo record layout");

struct ListRequest {
    uint64_t total;
};
static_assert(sizeof(ListRequest) == 8, "list request layout");

struct ListPacket {
    uint64_t total;
    uint64_t count;
    uint64_t items[kPerPacket];
};
static_assert(sizeof(ListPacket) == 416, "list packet layout");
static_assert(offsetof(ListPacket, items) == 16, "list packet layout");

struct SessionRecord {
    char tag[64];
    uint64_t requests;  // answer: requests this session has made so far
};
static_assert(sizeof(SessionRecord) == 72, "session record layout");

inline uint64_t listItem(uint64_t index) { return index * 7 + 1; }

// Initiating end of every test message: one fixed request, one fixed reply.
template <typename Req, typename Rsp>
class TestRequest : public KelNetMessage {
public:
    TestRequest(KelPI_PlatformBase* base, CKelNetwork* session, unsigned long long type,
                unsigned long long responseTypeNumber, bool terminate = false)
        : KelNetMessage(base, session, terminate) {
        messageFamily = kFamily;
        requestType = type;
        responseType = responseTypeNumber;
        initialize(terminate);
    }
    bool initialize(bool terminate) override {
        setDLLName("sLNTEST");
        setDLLEntryPointName("sLPTESTMSG");
        terminate ? enableTermination() : disableTermination();
        setupSendData(sizeof(Req));
        setupReceiveData(sizeof(Rsp));
        return classInitialized();
    }
    Req& request() { return *reinterpret_cast<Req*>(getRequestMessage()); }
    const Rsp& response() { return *reinterpret_cast<const Rsp*>(getResponseMessage()); }
};

using EchoMessage = TestRequest<EchoRecord, EchoRecord>;
using SessionMessage = TestRequest<SessionRecord, SessionRecord>;

// A list: packets are taken while the responder says more follow, each
// checked against what is still expected.
class ListMessage : public TestRequest<ListRequest, ListPacket> {
public:
    ListMessage(KelPI_PlatformBase* base, CKelNetwork* session, unsigned long long type = kListRequest)
        : TestRequest(base, session, type, kListResponse) {}

    std::vector<uint64_t> items;
    std::vector<uint64_t> counts;  // Count of each packet, in order

    bool messageOperations() override {
        items.clear();
        counts.clear();
        if (!send() || !receive()) return false;
        const uint64_t total = response().total;
        if (total > kMaxListTotal) return refuse("total out of bounds");
        items.reserve(total);
        for (;;) {
            const ListPacket& p = response();
            counts.push_back(p.count);
            uint64_t remaining = total - items.size();
            if (p.total != total) return refuse("total changed");
            if (total == 0 ? p.count != 0 : (p.count == 0 || p.count > kPerPacket || p.count > remaining))
                return refuse("bad count");
            items.insert(items.end(), p.items, p.items + p.count);
            if (items.size() == total) return moreFollows() ? refuse("packets beyond the total") : true;
            if (!moreFollows()) return refuse("list ended early");
            if (!receive()) return false;
        }
    }

private:
    bool refuse(const char* why) {
        getLastError().setNumber(kel::net::kErrNetUnexpected);
        getLastError().addArgument("ListMessage::messageOperations()");
        getLastError().addArgument(why);
        disconnect();
        return false;
    }
};

}  // namespace kel::nettest
