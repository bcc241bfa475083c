// The loopback test handler: answers the messages of TestMessages.h.
#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "platform/net/KelHandlerApi.h"
#include "platform/net/testhandler/TestMessages.h"
#include "platform/util/KelHome.h"

namespace {

using namespace kel::nettest;

// Answering end of a fixed request/reply pair.
template <typename Req, typename Rsp>
class Answer : public KelNetMessage {
public:
    Answer(CKelNetwork* session, unsigned long long id, unsigned long long rspType) : KelNetMessage(session, id) {
        messageFamily = kFamily;
        responseType = rspType;
        initialize(false);
    }
    bool initialize(bool) override {
        setupSendData(sizeof(Rsp));
        valid_ = setupReceiveData(sizeof(Req));
        return classInitialized();
    }
    bool valid() const { return valid_; }
    const Req& request() { return *reinterpret_cast<const Req*>(getRequestMessage()); }
    Rsp& response() { return *reinterpret_cast<Rsp*>(getResponseMessage()); }

private:
    bool valid_ = false;
};

class EchoAnswer : public Answer<EchoRecord, EchoRecord> {
public:
    using Answer::Answer;
    bool buildReply() override {
        std::memcpy(&response(), &request(), sizeof(EchoRecord));
        setSendPayload(getReceivedPayload().data(), getReceivedPayload().size());
        if (request().delayMs) std::this_thread::sleep_for(std::chrono::milliseconds(request().delayMs));
        return true;
    }
};

class ListAnswer : public Answer<ListRequest, ListPacket> {
public:
    ListAnswer(CKelNetwork* session, unsigned long long id, bool half)
        : Answer(session, id, kListResponse), half_(half) {}
    bool reply() override {
        buildReply();
        const uint64_t total = request().total;
        uint64_t sent = 0;
        do {
            ListPacket& p = response();
            std::memset(&p, 0, sizeof(p));
            p.total = total;
            p.count = std::min<uint64_t>(kPerPacket, total - sent);
            for (uint64_t i = 0; i < p.count; ++i) p.items[i] = listItem(sent + i);
            sent += p.count;
            if (!sendReply(sent < total)) return false;
            if (half_) return false;
        } while (sent < total);
        return true;
    }

private:
    bool half_;
};

struct SessionState {
    std::string tag;
    uint64_t requests = 0;
};

void releaseSession(void* state) {
    auto* s = static_cast<SessionState*>(state);
    std::ofstream(kel::homePath("released-" + s->tag)) << s->requests << "\n";
    delete s;
}

class SessionAnswer : public Answer<SessionRecord, SessionRecord> {
public:
    using Answer::Answer;
    bool buildReply() override {
        void* session = getSession();
        auto* state = static_cast<SessionState*>(kelSessionGetState(session));
        if (!state) {
            state = new SessionState;
            state->tag = kel::fieldText(request().tag);
            kelSessionSetState(session, state, releaseSession);
        }
        response() = request();
        response().requests = ++state->requests;
        return true;
    }
};

template <typename M>
unsigned long long answer(M& message) {
    if (!message.valid()) return message.getLastError().number();
    return message.reply() ? 0 : message.getLastError().number();
}

}  // namespace

extern "C" unsigned long long sLPTESTMSG(void* session, unsigned long long messageId, unsigned long long family,
                                         unsigned long long type, const char*, unsigned long, const char*,
                                         unsigned long) {
    auto* net = static_cast<CKelNetwork*>(session);
    if (family != kFamily) return kel::net::kErrNetUnexpected;
    switch (type) {
        case kEchoRequest: {
            EchoAnswer m(net, messageId, kEchoResponse);
            return answer(m);
        }
        case kListRequest:
        case kHalfListRequest: {
            ListAnswer m(net, messageId, type == kHalfListRequest);
            return answer(m);
        }
        case kSessionRequest: {
            SessionAnswer m(net, messageId, kSessionResponse);
            return answer(m);
        }
        case kSilentRequest:
            return kSilentError;
        case kAddressRequest:
            return reinterpret_cast<uintptr_t>(&releaseSession);
        default:
            return kel::net::kErrNetUnexpected;
    }
}

extern "C" const char* const kelHandlerEntryPoints[] = {"sLPTESTMSG", nullptr};
