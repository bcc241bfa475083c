#include "KelSQL/KelNetSQLRegistry.h"

#include <map>
#include <mutex>
#include <new>
#include <vector>

#include "KelSQL/KelNetSQLFrame.h"
#include "platform/db/DBWriterQueue.h"
#include "platform/events/KelDebug.h"
#include "platform/net/KelHandlerApi.h"

namespace kelsql {

namespace {

// Whether a request for side is answered by a dispatcher that answers for
// an agent host (agentHost) or for the Ostrel.
bool answeredHere(AnswerSide side, bool agentHost) {
    return side == AnswerSide::Both || (side == AnswerSide::Agent) == agentHost;
}

struct Registry {
    std::mutex mutex;
    std::map<unsigned long long, MessageClass> classes;
};

// Built on first use: classes register from static initialisers.
Registry& registry() {
    static Registry* r = new Registry;
    return *r;
}

// What a session keeps between requests.
struct AnsweringState {
    // Either side answers on its dispatcher's focus machine; the session is
    // the dispatcher's, lent to the context.
    AnsweringState(CKelNetwork* session, bool agentHost)
        : context(KelPI_Focus::getFocus(), agentHost ? KelSQLClientSide : KelSQLServerSide, session) {
        // A dispatcher that answers for an agent host is that agent: its
        // install is active whatever the registry was left saying.
        if (agentHost) context.setMssqlActiveFlag();
    }
    KelSQLClassProperties context;
};

void releaseState(void* state) {
    // The context's destructor rolls back a transaction left open.
    delete static_cast<AnsweringState*>(state);
}

// A peer waits for its answer in silence: anything on the connection now is
// its end (or the dispatcher shutting the session down).
bool peerGone(void* session) { return static_cast<CKelNetwork*>(session)->connectionStale(); }

}  // namespace

bool registerMessageClass(const MessageClass& entry) {
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    return r.classes.emplace(entry.requestType, entry).second;
}

void unregisterMessageClass(unsigned long long requestType) {
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.classes.erase(requestType);
}

std::vector<MessageClass> registeredMessageClasses() {
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    std::vector<MessageClass> all;
    all.reserve(r.classes.size());
    for (const auto& entry : r.classes) all.push_back(entry.second);
    return all;
}

std::optional<MessageClass> findMessageClass(unsigned long long requestType) {
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    auto found = r.classes.find(requestType);
    if (found == r.classes.end()) return std::nullopt;
    return found->second;
}

KelSQLClassProperties* answeringContext(void* session) {
    if (!session) return nullptr;
    auto* state = static_cast<AnsweringState*>(kelSessionGetState(session));
    if (!state) {
        state = new (std::nothrow)
            AnsweringState(static_cast<CKelNetwork*>(session), kelSessionSide(session) == KEL_SIDE_AGENT);
        if (!state) return nullptr;
        if (!kelSessionSetState(session, state, releaseState)) {
            releaseState(state);
            return nullptr;
        }
    }
    return &state->context;
}

unsigned long long answerRequest(void* session, unsigned long long messageId, unsigned long long family,
                                 unsigned long long type, const char* request, unsigned long requestLength) {
    static const char* kFunction = "sLPSQLMSG";
    try {
        std::optional<MessageClass> found;
        if (family == kMessageFamily) found = findMessageClass(type);
        if (!found) {
            KelDebug::Error(kFunction, ("no message class answers type " + std::to_string(type)).c_str());
            return kErrRequestRefused;
        }
        const MessageClass& entry = *found;
        const bool agentHost = kelSessionSide(session) == KEL_SIDE_AGENT;
        if (!answeredHere(entry.side, agentHost)) {
            KelDebug::Error(kFunction, ("type " + std::to_string(type) + " is not answered on this side").c_str());
            return kErrRequestRefused;
        }
        if (!request || requestLength != entry.requestSize) {
            KelDebug::Error(kFunction, ("request of type " + std::to_string(type) + " has " +
                                        std::to_string(requestLength) + " bytes").c_str());
            return kErrInvalidArgument;
        }
        if (entry.sideOf && !answeredHere(entry.sideOf(request), agentHost)) {
            KelDebug::Error(kFunction, ("this request of type " + std::to_string(type) +
                                        " is not answered on this side").c_str());
            return kErrRequestRefused;
        }
        KelSQLClassProperties* ctx = answeringContext(session);
        if (!ctx) return kErrNoContext;
        // A copy: the answering object may write its request buffer.
        std::vector<char> record(request, request + requestLength);
        std::unique_ptr<KelNetMessage> message = entry.build(*ctx, messageId, type, record.data());
        // A START waiting in line for the catalogue's writer leaves the line
        // when its session ends, rather than take a turn nobody will use.
        DBWriterWatch watch(peerGone, session);
        bool replied = message->reply();
        // The dispatcher keeps a silent session longer while it holds a
        // transaction that its end would roll back.
        kelSessionSetTransactionOpen(session, ctx->isTransactionStarted() ? 1 : 0);
        if (replied) return 0;
        // A reply that went out carries its own failure; the number is only
        // used when none did.
        return message->getLastError().number() ? message->getLastError().number() : kErrRequestRefused;
    } catch (...) {
        KelDebug::Error(kFunction, "the answer raised an exception");
        return kErrRequestRefused;
    }
}

}  // namespace kelsql
