// Which message class answers which request type, and on which side. Every
// message class that can be answered adds itself once, from its own source
// file, naming the dispatchers that answer it:
//
//   const kelsql::MessageRegistration<KelNetSQLThing, kelsql::AnswerSide::Ostrel> registered;
//
// A class answered on both sides by different request codes registers Both
// and says per request which side answers it:
//
//   static kelsql::AnswerSide answerSide(const Request& req);
//
// and the handler entry point answers through answerRequest(), so a new
// class plugs in without touching the handler.
#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>
#include <vector>

#include "KelSQL/KelNetSQLFrame.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "platform/net/KelNetMessage.h"

namespace kelsql {

// Builds the answering object of one class on ctx for the request in hand.
using AnswerFactory = std::unique_ptr<KelNetMessage> (*)(KelSQLClassProperties& ctx, unsigned long long messageId,
                                                         unsigned long long requestType, char* request);

// The side that answers one whole request record of a class registered Both.
using RequestSide = AnswerSide (*)(const char* request);

// A class is registered with the side that answers it: there is no default.
struct MessageClass {
    MessageClass(unsigned long long type, size_t size, AnswerFactory factory, AnswerSide answeredOn,
                 RequestSide perRequest = nullptr)
        : requestType(type), requestSize(size), build(factory), side(answeredOn), sideOf(perRequest) {}

    unsigned long long requestType;
    size_t requestSize;
    AnswerFactory build;
    AnswerSide side;
    RequestSide sideOf;  // null: every request of the type goes to side
};

// False when the type is taken already (the first class keeps it).
bool registerMessageClass(const MessageClass& entry);
void unregisterMessageClass(unsigned long long requestType);
// Empty when no class answers the type.
std::optional<MessageClass> findMessageClass(unsigned long long requestType);
// Every registered class, by request type.
std::vector<MessageClass> registeredMessageClasses();

namespace detail {

template <class M, class = void>
struct HasRequestSide : std::false_type {};
template <class M>
struct HasRequestSide<M, std::void_t<decltype(M::answerSide(std::declval<const typename M::Request&>()))>>
    : std::true_type {};

// The class's own per-request side, read from a copy: the received bytes
// need not be aligned for the record.
template <class M>
AnswerSide requestSide(const char* request) {
    typename M::Request req;
    std::memcpy(static_cast<void*>(&req), request, sizeof req);
    return M::answerSide(req);
}

template <class M, AnswerSide Side>
constexpr RequestSide requestSideOf() {
    static_assert(Side == AnswerSide::Both || !HasRequestSide<M>::value,
                  "only a class answered on both sides chooses the side per request");
    if constexpr (HasRequestSide<M>::value)
        return &requestSide<M>;
    else
        return nullptr;
}

}  // namespace detail

template <class M, AnswerSide Side>
class MessageRegistration {
public:
    MessageRegistration() {
        registered_ = registerMessageClass(
            {M::kRequestType, sizeof(typename M::Request), &build, Side, detail::requestSideOf<M, Side>()});
    }
    ~MessageRegistration() {
        if (registered_) unregisterMessageClass(M::kRequestType);
    }
    MessageRegistration(const MessageRegistration&) = delete;
    MessageRegistration& operator=(const MessageRegistration&) = delete;

private:
    static std::unique_ptr<KelNetMessage> build(KelSQLClassProperties& ctx, unsigned long long messageId,
                                                unsigned long long, char* request) {
        return std::make_unique<M>(ctx, messageId, request);
    }
    bool registered_ = false;
};

// A class that keeps several layouts registers each request type of them on
// the side that answers it; the answering object is built with the type it
// received, which chooses its layout (M(ctx, messageId, request, type)).
template <class M, unsigned long long RequestType, AnswerSide Side>
class MessageVersionRegistration {
public:
    MessageVersionRegistration() {
        registered_ = registerMessageClass(
            {RequestType, sizeof(typename M::Request), &build, Side, detail::requestSideOf<M, Side>()});
    }
    ~MessageVersionRegistration() {
        if (registered_) unregisterMessageClass(RequestType);
    }
    MessageVersionRegistration(const MessageVersionRegistration&) = delete;
    MessageVersionRegistration& operator=(const MessageVersionRegistration&) = delete;

private:
    static std::unique_ptr<KelNetMessage> build(KelSQLClassProperties& ctx, unsigned long long messageId,
                                                unsigned long long requestType, char* request) {
        return std::make_unique<M>(ctx, messageId, request, requestType);
    }
    bool registered_ = false;
};

// The answering side of the handler: takes the request a dispatcher received
// on session, builds the answering object of its class on the session's
// answering context and replies. One answering context per session, kept in
// the session's state slot and released (an open transaction rolled back)
// when the session ends. Returns 0 when answered; else an error number the
// dispatcher sends back as a failure: 0x1E000031 for a family or type no
// class answers, or a request this dispatcher's side does not answer;
// 0x1E000001 for a request whose length is not its record's.
// Never throws.
unsigned long long answerRequest(void* session, unsigned long long messageId, unsigned long long family,
                                 unsigned long long type, const char* request, unsigned long requestLength);

// The answering context of a session (built on first use; null when it
// cannot be built).
KelSQLClassProperties* answeringContext(void* session);

}  // namespace kelsql
