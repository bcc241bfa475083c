// Which message class answers which request type. Every message class that
// can be answered adds itself once, from its own source file:
//
//   const kelsql::MessageRegistration<KelNetSQLThing> registered;
//
// and the handler entry point answers through answerRequest(), so a new
// class plugs in without touching the handler.
#pragma once

#include <cstddef>
#include <memory>

#include "KelSQL/KelSQLClassProperties.h"
#include "platform/net/KelNetMessage.h"

namespace kelsql {

// Builds the answering object of one class on ctx for the request in hand.
using AnswerFactory = std::unique_ptr<KelNetMessage> (*)(KelSQLClassProperties& ctx, unsigned long long messageId,
                                                         unsigned long long requestType, char* request);

// Which dispatchers answer a request: the Ostrel's, an agent host's, or both.
enum class AnswerSide { Any, Ostrel, Agent };

struct MessageClass {
    unsigned long long requestType;
    size_t requestSize;
    AnswerFactory build;
    AnswerSide side = AnswerSide::Any;
};

// False when the type is taken already (the first class keeps it).
bool registerMessageClass(const MessageClass& entry);
void unregisterMessageClass(unsigned long long requestType);
// False when no class answers the type.
bool findMessageClass(unsigned long long requestType, MessageClass& entry);

template <class M, AnswerSide Side = AnswerSide::Any>
class MessageRegistration {
public:
    MessageRegistration() {
        registered_ = registerMessageClass({M::kRequestType, sizeof(typename M::Request), &build, Side});
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
        registered_ = registerMessageClass({RequestType, sizeof(typename M::Request), &build, Side});
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
// class answers (or none on this dispatcher's side), 0x1E000001 for a request
// whose length is not its record's.
// Never throws.
unsigned long long answerRequest(void* session, unsigned long long messageId, unsigned long long family,
                                 unsigned long long type, const char* request, unsigned long requestLength);

// The answering context of a session (built on first use; null when it
// cannot be built).
KelSQLClassProperties* answeringContext(void* session);

}  // namespace kelsql
