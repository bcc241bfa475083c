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

struct MessageClass {
    unsigned long long requestType;
    size_t requestSize;
    AnswerFactory build;
};

// False when the type is taken already (the first class keeps it).
bool registerMessageClass(const MessageClass& entry);
void unregisterMessageClass(unsigned long long requestType);
// False when no class answers the type.
bool findMessageClass(unsigned long long requestType, MessageClass& entry);

template <class M>
class MessageRegistration {
public:
    MessageRegistration() {
        registered_ = registerMessageClass({M::kRequestType, sizeof(typename M::Request), &build});
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

// The answering side of the handler: takes the request a dispatcher received
// on session, builds the answering object of its class on the session's
// answering context and replies. One answering context per session, kept in
// the session's state slot and released (an open transaction rolled back)
// when the session ends. Returns 0 when answered; else an error number the
// dispatcher sends back as a failure: 0x1E000031 for a family or type no
// class answers, 0x1E000001 for a request whose length is not its record's.
// Never throws.
unsigned long long answerRequest(void* session, unsigned long long messageId, unsigned long long family,
                                 unsigned long long type, const char* request, unsigned long requestLength);

// The answering context of a session (built on first use; null when it
// cannot be built).
KelSQLClassProperties* answeringContext(void* session);

}  // namespace kelsql
