#include "platform/net/KelNetMessage.h"

#include <cstring>
#include <strings.h>

#include "platform/util/BoundedCopy.h"

namespace {

constexpr uint64_t kErrNoBuffer = 0x0900003F;
constexpr size_t kMaxHostName = 255;

}  // namespace

KelNetMessage::KelNetMessage(KelPI_PlatformBase* base, CKelNetwork* session, bool terminate)
    : initiator_(true), terminate_(terminate), hasBase_(base != nullptr), lent_(session),
      messageId_(kel::net::nextMessageId()) {
    if (base) base_ = *base;
}

KelNetMessage::KelNetMessage(CKelNetwork* session, unsigned long long messageId)
    : initiator_(false), lent_(session), messageId_(messageId) {}

KelNetMessage::~KelNetMessage() = default;

KelNetMessage::KelNetMessage(const KelNetMessage& other) { *this = other; }

KelNetMessage& KelNetMessage::operator=(const KelNetMessage& other) {
    if (this == &other) return *this;
    messageFamily = other.messageFamily;
    requestType = other.requestType;
    responseType = other.responseType;
    error_ = other.error_;
    initiator_ = other.initiator_;
    terminate_ = other.terminate_;
    initialized_ = other.initialized_;
    hasBase_ = other.hasBase_;
    base_ = other.base_;
    // A lent session is shared with the lender; an owned one is never shared,
    // the copy opens its own when it needs one.
    lent_ = other.lent_;
    own_.reset();
    messageId_ = other.messageId_;
    dllName_ = other.dllName_;
    entryName_ = other.entryName_;
    remoteHost_ = other.remoteHost_;
    remoteType_ = other.remoteType_;
    ostrelHost_ = other.ostrelHost_;
    send_ = other.send_;
    receive_ = other.receive_;
    expectedReceive_ = other.expectedReceive_;
    shortestReceive_ = other.shortestReceive_;
    receivedLength_ = other.receivedLength_;
    sendPayload_ = other.sendPayload_;
    receivePayload_ = other.receivePayload_;
    packetIndex_ = other.packetIndex_;
    moreFollows_ = other.moreFollows_;
    return *this;
}

CKelNetwork* KelNetMessage::session() {
    if (lent_) return lent_;
    if (!own_) own_ = std::make_unique<CKelNetwork>();
    return own_.get();
}

bool KelNetMessage::fail(uint64_t number, const char* function, const std::string& detail) {
    error_.setNumber(number);
    error_.addArgument(function);
    if (!detail.empty()) error_.addArgument(detail);
    return false;
}

bool KelNetMessage::setRequestMessage(char* record) {
    char* buffer = getRequestMessage();
    if (!record || !buffer) return fail(kErrNoBuffer, "KelNetMessage::setRequestMessage", "request");
    if (record != buffer) std::memmove(buffer, record, getRequestMessageLength());
    return true;
}

bool KelNetMessage::setResponseMessage(char* record) {
    char* buffer = getResponseMessage();
    if (!record || !buffer) return fail(kErrNoBuffer, "KelNetMessage::setResponseMessage", "response");
    if (record != buffer) std::memmove(buffer, record, getResponseMessageLength());
    return true;
}

void KelNetMessage::printRequestMessage(char*) {}
void KelNetMessage::printResponseMessage(char*) {}
bool KelNetMessage::buildReply() { return true; }
bool KelNetMessage::initialize(bool) { return classInitialized(); }

void KelNetMessage::setDLLName(const std::string& name) { dllName_ = name; }
void KelNetMessage::setDLLEntryPointName(const std::string& name) { entryName_ = name; }

bool KelNetMessage::setupSendData(size_t size) {
    if (size > kel::net::kMaxRecordLength)
        return fail(kel::net::kErrNetBadFrame, "KelNetMessage::setupSendData(size)", std::to_string(size));
    send_.assign(size, 0);
    return true;
}

bool KelNetMessage::setupReceiveData(size_t expected) {
    if (expected > kel::net::kMaxRecordLength)
        return fail(kel::net::kErrNetBadFrame, "KelNetMessage::setupReceiveData(size)", std::to_string(expected));
    expectedReceive_ = expected;
    receive_.assign(expected, 0);
    receivePayload_.clear();
    if (initiator_) return true;
    const kel::net::Frame* request = session()->currentRequest();
    if (!request || request->header.messageId != messageId_) return true;
    receivePayload_ = request->payload;
    if (expected && request->record.size() != expected) {
        std::memcpy(receive_.data(), request->record.data(), std::min(expected, request->record.size()));
        return fail(kel::net::kErrNetBadFrame, "KelNetMessage::setupReceiveData(size)",
                    "request of " + std::to_string(request->record.size()) + " bytes");
    }
    receive_ = request->record;
    return true;
}

char* KelNetMessage::getRequestMessage() {
    std::vector<char>& b = initiator_ ? send_ : receive_;
    return b.empty() ? nullptr : b.data();
}

char* KelNetMessage::getResponseMessage() {
    std::vector<char>& b = initiator_ ? receive_ : send_;
    return b.empty() ? nullptr : b.data();
}

size_t KelNetMessage::getRequestMessageLength() const { return (initiator_ ? send_ : receive_).size(); }
size_t KelNetMessage::getResponseMessageLength() const { return (initiator_ ? receive_ : send_).size(); }

void KelNetMessage::setSendPayload(const void* data, size_t size) {
    const char* bytes = static_cast<const char*>(data);
    if (bytes && size)
        sendPayload_.assign(bytes, bytes + size);
    else
        sendPayload_.clear();
}

bool KelNetMessage::classInitialized() {
    initialized_ = true;
    return true;
}

bool KelNetMessage::setRemotePlatform(const std::string& host, int type) {
    static const char* kFunction = "KelNetMessage::setRemotePlatform(host, type)";
    if (type != KelNetRemoteOstrel && type != KelNetRemoteDataAgent)
        return fail(kel::net::kErrNetAddress, kFunction, std::to_string(type));
    if (host.size() > kMaxHostName || (type == KelNetRemoteDataAgent && host.empty()))
        return fail(kel::net::kErrNetAddress, kFunction, host);
    remoteHost_ = host;
    remoteType_ = type;
    ostrelHost_.clear();
    return true;
}

bool KelNetMessage::setRemoteOstrel() {
    remoteHost_.clear();
    ostrelHost_.clear();
    remoteType_ = KelNetRemoteOstrel;
    return classInitialized();
}

std::string KelNetMessage::getRemoteHostName() const {
    if (!remoteHost_.empty()) return remoteHost_;
    if (ostrelHost_.empty())
        ostrelHost_ = hasBase_ ? base_.getOstrelHostName() : KelPI_PlatformBase().getOstrelHostName();
    return ostrelHost_;
}

bool KelNetMessage::connectionNeeded() const {
    if (!initiator_) return false;
    std::string host = getRemoteHostName();
    if (host.empty()) return false;
    std::string self = hasBase_ ? base_.machine() : KelPI_Focus::getFocus();
    return strcasecmp(host.c_str(), self.c_str()) != 0;
}

bool KelNetMessage::disconnect() {
    CKelNetwork* s = session();
    bool wasOpen = false;
    CWexError rc = s->Disconnect(1000, wasOpen);
    if (rc.IsError()) return fail(kel::net::kErrNetSend, "KelNetMessage::disconnect()", std::to_string(rc.GetErrorCode()));
    return true;
}

void KelNetMessage::endExchange() {
    // After a failure the stream may stand inside a frame: nothing more can
    // be read from it safely.
    session()->Reset();
    moreFollows_ = false;
}

bool KelNetMessage::transmit(const std::string& host) {
    CKelNetwork* s = session();
    if (!s->connect(host, error_)) return false;
    kel::net::FrameHeader h = kel::net::makeHeader(kel::net::kFrameRequest);
    h.family = messageFamily;
    h.type = requestType;
    h.messageId = messageId_;
    h.flags = terminate_ ? uint32_t{kel::net::kFlagTerminate} : 0u;
    // A cut handler name would load another library or entry point.
    if (!kel::copyField(h.dllName, dllName_) || !kel::copyField(h.entryPoint, entryName_))
        return fail(kel::net::kErrNetSend, "KelNetMessage::transmit(host)", "handler name too long");
    return s->sendFrame(h, send_.data(), send_.size(), sendPayload_.data(), sendPayload_.size(), error_);
}

bool KelNetMessage::sendOnNewConnection(const char* function, const KelLastError& before) {
    CKelNetwork* s = session();
    const bool transactionLost = s->remoteTransactionOpen();
    endExchange();
    // The peer's transaction went with the connection: sending on a new one
    // would run the request outside it.
    if (transactionLost)
        return fail(kel::net::kErrNetSessionLost, function, "the peer ended the session and its network transaction");
    error_ = before;
    if (transmit(getRemoteHostName())) return true;
    endExchange();
    return false;
}

bool KelNetMessage::send() {
    static const char* kFunction = "KelNetMessage::send()";
    if (!initiator_) return fail(kel::net::kErrNetUnexpected, kFunction, "answering end");
    if (!initialized_) return fail(kel::net::kErrNetNotInitialized, kFunction, "");
    std::string host = getRemoteHostName();
    if (host.empty()) return fail(kel::net::kErrNetAddress, kFunction, "no Ostrel host");
    CKelNetwork* s = session();
    messageId_ = kel::net::nextMessageId();
    packetIndex_ = 0;
    moreFollows_ = false;
    receivePayload_.clear();
    const KelLastError before = error_;
    const bool reused = s->IsConnected() && strcasecmp(s->hostName().c_str(), host.c_str()) == 0;
    // The peer ends a session left silent (the Ostrel does after a few
    // minutes without a transaction); a caller need not notice. Once the
    // request has gone, a close that crossed it is its failure; a host
    // keeps a session it answered a moment ago, which is used without
    // asking its socket.
    if (reused && s->connectionStale(CKelNetwork::kAnsweredKeptMs)) return sendOnNewConnection(kFunction, before);
    if (transmit(host)) return true;
    // A send that failed never delivered the whole frame: the host cannot
    // have run it.
    if (reused && error_.number() == kel::net::kErrNetSend) return sendOnNewConnection(kFunction, before);
    endExchange();
    return false;
}

bool KelNetMessage::receive() {
    static const char* kFunction = "KelNetMessage::receive()";
    if (!initiator_) return fail(kel::net::kErrNetUnexpected, kFunction, "answering end");
    CKelNetwork* s = session();
    // The last answer's buffer takes this one: a caller's exchanges need not
    // allocate for each.
    kel::net::Frame& frame = incoming_;
    if (!s->receiveFrame(frame, error_, s->timeout())) {
        // The request went out whole: the host may have read and run it
        // before the connection closed. Sent again it could run twice, so
        // the lost answer is the request's failure.
        const bool lost = s->peerClosed();
        endExchange();
        if (lost)
            fail(kel::net::kErrNetSessionLost, kFunction,
                 "the host closed the connection before its answer came; the request may have run");
        return false;
    }
    const kel::net::FrameHeader& h = frame.header;
    if (h.kind == kel::net::kFrameFailure) {
        endExchange();
        return fail(h.status ? h.status : kel::net::kErrNetHandler, kFunction, "the dispatcher refused the request");
    }
    std::string why;
    if (h.kind != kel::net::kFrameResponse || h.messageId != messageId_)
        why = "not a response to this request";
    else if (responseType && h.type != responseType)
        why = "response type " + std::to_string(h.type);
    else if (h.packetIndex != packetIndex_)
        why = "packet " + std::to_string(h.packetIndex) + " out of order";
    else if (expectedReceive_ && (frame.record.size() > expectedReceive_ ||
                                  frame.record.size() < (shortestReceive_ ? shortestReceive_ : expectedReceive_)))
        why = "response of " + std::to_string(frame.record.size()) + " bytes";
    if (!why.empty()) {
        endExchange();
        return fail(kel::net::kErrNetUnexpected, kFunction, why);
    }
    receive_.swap(frame.record);
    receivedLength_ = receive_.size();
    if (receive_.size() < expectedReceive_) receive_.resize(expectedReceive_, 0);
    receivePayload_ = std::move(frame.payload);
    moreFollows_ = (h.flags & kel::net::kFlagMoreFollows) != 0;
    ++packetIndex_;
    if (!moreFollows_ && terminate_) disconnect();
    return true;
}

bool KelNetMessage::sendReply(bool more) {
    static const char* kFunction = "KelNetMessage::sendReply()";
    if (initiator_) return fail(kel::net::kErrNetUnexpected, kFunction, "initiating end");
    CKelNetwork* s = session();
    kel::net::FrameHeader h = kel::net::makeHeader(kel::net::kFrameResponse);
    h.family = messageFamily;
    h.type = responseType;
    h.messageId = messageId_;
    h.flags = more ? uint32_t{kel::net::kFlagMoreFollows} : 0u;
    h.packetIndex = packetIndex_++;
    return s->sendFrame(h, send_.data(), send_.size(), sendPayload_.data(), sendPayload_.size(), error_);
}

bool KelNetMessage::reply() {
    // A failed answer still goes out whole: its status says why.
    bool built = buildReply();
    bool sent = sendReply(false);
    return built && sent;
}

bool KelNetMessage::messageOperations() { return send() && receive(); }

bool KelNetMessage::initiate() {
    if (!initiator_) return fail(kel::net::kErrNetUnexpected, "KelNetMessage::initiate()", "answering end");
    return messageOperations();
}
