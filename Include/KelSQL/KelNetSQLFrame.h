// The frame every request/response message class of the library follows, on
// top of the platform's KelNetMessage: the two constructors, initialize, the
// record buffers, the dumps, the caller's side of an exchange, the answering
// side (buildReply) and list replies split over several packets.
//
// A class names itself, its records and its type numbers once:
//
//   class KelNetSQLThing : public KelNetSQLMessage<KelNetSQLThing, ThingReq_t, ThingRsp_t, 0x1E0000xx, 0x1E0000yy> {
//       static constexpr const char* kClassName = "KelNetSQLThing";
//       static constexpr const char* kRequestName = "KelNetSQLThingReq";
//       static constexpr const char* kResponseName = "KelNetSQLThingRsp";
//       bool answer(ThingReq_t& req, ThingRsp_t& rsp);       // the local operation, by request code
//       void dumpRequest(const char* fn, const ThingReq_t&);   // fields only
//       void dumpResponse(const char* fn, const ThingRsp_t&);  // fields after the status block
//   };
//
// The message keeps a reference to its context, which must outlive it.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

#include "KelSQL/KelNetSQLWire.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLMessageLog.h"
#include "platform/net/KelNetMessage.h"

class KelSQLClassProperties;

namespace kelsql {

inline constexpr unsigned long long kMessageFamily = 0x1E000000;
inline constexpr const char* kHandlerLibrary = "sLNSQL";
inline constexpr const char* kHandlerEntryPoint = "sLPSQLMSG";

// Which dispatchers answer a request: the Ostrel's, an agent host's, or both.
enum class AnswerSide { Ostrel, Agent, Both };

}  // namespace kelsql

// What does not depend on the records.
class KelNetSQLFrame : public KelNetMessage {
public:
    KelSQLClassProperties& context() { return *context_; }
    // Answering end: false when the request in hand was not a whole record of
    // this class (it is then refused, never read).
    bool requestValid() const { return requestValid_; }

    // The caller's side of an exchange: initiate, then the status block. On
    // failure err holds why (the message's error or the sender's); a minor
    // error sent with success leaves err as it was.
    bool exchange(KelLastError& err);

    // The status block heading the response buffer (null when it has none).
    KelNetSQLOPStatus_t* responseStatus();

protected:
    KelNetSQLFrame(KelSQLClassProperties& context, bool terminate);
    KelNetSQLFrame(KelSQLClassProperties& context, unsigned long long messageId);
    // Keeps this message's own context: a copy never refers to another's.
    KelNetSQLFrame& operator=(const KelNetSQLFrame& other);
    KelNetSQLFrame(const KelNetSQLFrame& other) = default;

    // initialize's steps for records of the given sizes.
    bool setupFrame(unsigned long long requestTypeNumber, unsigned long long responseTypeNumber,
                    size_t requestSize, size_t responseSize, bool terminate);
    // Copies a whole record into the request (or response) buffer.
    bool copyRecord(char* record, bool request, const char* className);
    // Error 0x1E000031 (request refused) with function and the code.
    bool refuse(const char* function, unsigned long long code);
    // Sets number with function as its argument; returns false.
    bool fail(uint64_t number, const char* function);
    // Addresses the agent host; 0x1E000043 with function and host when it
    // cannot be addressed.
    bool addressDataAgent(const std::string& host, const char* function);
    // An agent asking the Ostrel about one of its instances: agent side only
    // (0x1E000034), both names given and within their fields of the
    // request, addressed to the Ostrel.
    bool prepareAgentLookup(const std::string& clientName, size_t clientField, const std::string& serverName,
                            size_t serverField, const char* function);
    // Addresses the message to an agent host: hostName when given (kept as
    // the context's remote host), else the context's remote host; with
    // neither, error 0x1E000037 ("hostName", signature); then as
    // addressDataAgent.
    bool addressRemoteHost(const std::string& hostName, const char* signature);

    static void dumpNumber(const char* fn, const char* name, long long value);
    static void dumpHex(const char* fn, const char* name, unsigned long long value);
    static void dumpText(const char* fn, const char* name, const char* value);
    static void dumpText(const char* fn, const char* name, const char* field, size_t size);
    static void dumpHeader(const char* fn, const char* recordName);
    // The header of a record dumped inside another ("2    name: ").
    static void dumpInnerHeader(const char* fn, const char* recordName);

private:
    KelSQLClassProperties* context_;
    bool requestValid_ = true;
};

template <class Derived, class Req_t, class Rsp_t, unsigned long long ReqType, unsigned long long RspType>
class KelNetSQLMessage : public KelNetSQLFrame {
    static_assert(std::is_standard_layout<Req_t>::value && std::is_trivially_copyable<Req_t>::value,
                  "a request record is plain bytes");
    static_assert(std::is_standard_layout<Rsp_t>::value && std::is_trivially_copyable<Rsp_t>::value,
                  "a response record is plain bytes");
    static_assert(sizeof(Rsp_t) >= sizeof(KelNetSQLOPStatus_t), "a response begins with the status block");

public:
    using Request = Req_t;
    using Response = Rsp_t;
    static constexpr unsigned long long kRequestType = ReqType;
    static constexpr unsigned long long kResponseType = RspType;

    // Initiating end.
    KelNetSQLMessage(KelSQLClassProperties& ctx, bool terminate) : KelNetSQLFrame(ctx, terminate) {
        KelNetSQLMessage::initialize(terminate);
    }
    // Answering end, with the request in hand (null: nothing copied).
    KelNetSQLMessage(KelSQLClassProperties& ctx, unsigned long long messageId, char* request)
        : KelNetSQLFrame(ctx, messageId) {
        KelNetSQLMessage::initialize(false);
        if (request) KelNetSQLMessage::setRequestMessage(request);
    }

    bool initialize(bool terminate) override {
        return setupFrame(ReqType, RspType, sizeof(Req_t), sizeof(Rsp_t), terminate);
    }

    Req_t* requestMessage(bool clear) { return record<Req_t>(getRequestMessage(), getRequestMessageLength(), clear); }
    Rsp_t* responseMessage(bool clear) {
        return record<Rsp_t>(getResponseMessage(), getResponseMessageLength(), clear);
    }

    bool setRequestMessage(char* r) override { return copyRecord(r, true, Derived::kClassName); }
    bool setResponseMessage(char* r) override { return copyRecord(r, false, Derived::kClassName); }

    void printRequestMessage(char* r) override {
        const Req_t* req = r ? reinterpret_cast<const Req_t*>(r) : requestMessage(false);
        if (!req || !sqlLogLevel(4)) return;
        std::string fn = std::string(Derived::kClassName) + "::printRequestMessage";
        dumpHeader(fn.c_str(), Derived::kRequestName);
        static_cast<Derived*>(this)->dumpRequest(fn.c_str(), *req);
    }
    void printResponseMessage(char* r) override {
        Rsp_t* rsp = r ? reinterpret_cast<Rsp_t*>(r) : responseMessage(false);
        if (!rsp || !sqlLogLevel(4)) return;
        std::string fn = std::string(Derived::kClassName) + "::printResponseMessage";
        dumpHeader(fn.c_str(), Derived::kResponseName);
        printSQLOperationStatus(reinterpret_cast<KelNetSQLOPStatus_t*>(rsp));
        static_cast<Derived*>(this)->dumpResponse(fn.c_str(), *rsp);
    }

    bool buildReply() override {
        KelLastError& err = getLastError();
        Req_t* req = requestMessage(false);
        Rsp_t* rsp = responseMessage(true);
        if (!rsp) return false;
        bool ok = false;
        if (!req || !requestValid()) {
            // setupReceiveData already said why.
            if (err.number() == 0) refuse((std::string(Derived::kClassName) + "::buildReply()").c_str(), 0);
        } else {
            printRequestMessage(nullptr);
            ok = static_cast<Derived*>(this)->answer(*req, *rsp);
            // The caller must never read a failure as number 0.
            if (!ok && err.number() == 0) refuse((std::string(Derived::kClassName) + "::buildReply()").c_str(), 0);
        }
        populateSQLOperationStatus(reinterpret_cast<KelNetSQLOPStatus_t*>(rsp), ok, err);
        printResponseMessage(nullptr);
        return ok;
    }

protected:
    // Dump helpers' defaults: a class without fields of its own dumps none.
    void dumpRequest(const char*, const Req_t&) {}
    void dumpResponse(const char*, const Rsp_t&) {}

    template <class R>
    static R* record(char* buffer, size_t length, bool clear) {
        if (!buffer || length < sizeof(R)) return nullptr;
        if (clear) std::memset(buffer, 0, sizeof(R));
        return reinterpret_cast<R*>(buffer);
    }
};

// The packet of a list reply: the status block, the total, this packet's
// count, then up to N items in fixed slots.
template <class Item_t, size_t N>
struct KelNetSQLListRsp_t {
    KelNetSQLOPStatus_t Status;
    uint64_t TotalCount;
    uint64_t Count;
    Item_t Items[N];
};

namespace kelsql {

// Bytes of the status block a list packet carries (its texts' end).
inline constexpr size_t kListStatusBytes = 553;
// No list is longer than this; a peer announcing more is not believed.
inline constexpr uint64_t kMaxListTotal = 1u << 20;

}  // namespace kelsql

// A message whose response is a list sent in packets of at most N items.
// The class's answer() fills the response's status fields it needs and
// appends to items(); the packets are cut by reply().
template <class Derived, class Req_t, class Item_t, size_t N, unsigned long long ReqType, unsigned long long RspType>
class KelNetSQLListMessage
    : public KelNetSQLMessage<Derived, Req_t, KelNetSQLListRsp_t<Item_t, N>, ReqType, RspType> {
    using Base = KelNetSQLMessage<Derived, Req_t, KelNetSQLListRsp_t<Item_t, N>, ReqType, RspType>;
    static_assert(std::is_trivially_copyable<Item_t>::value, "list items are plain bytes");
    static_assert(N > 0, "a packet holds at least one item");
    using Packet = KelNetSQLListRsp_t<Item_t, N>;
    static_assert(offsetof(Packet, TotalCount) == 560, "list packet layout");
    static_assert(offsetof(Packet, Count) == 568, "list packet layout");
    static_assert(offsetof(Packet, Items) == 576, "list packet layout");

public:
    static constexpr size_t kPerPacket = N;
    using Base::Base;

    // Answering end: the list answer() built; initiating end: the list received.
    std::vector<Item_t>& items() { return items_; }

    bool reply() override {
        items_.clear();
        bool built = this->buildReply();
        auto* packet = this->responseMessage(false);
        if (!packet) return false;
        KelNetSQLOPStatus_t status = packet->Status;
        if (!built) items_.clear();  // a failed answer sends its status, no items
        const uint64_t total = items_.size();
        uint64_t sent = 0;
        do {
            std::memset(static_cast<void*>(packet), 0, sizeof(*packet));
            std::memcpy(static_cast<void*>(&packet->Status), &status, kelsql::kListStatusBytes);
            packet->TotalCount = total;
            packet->Count = std::min<uint64_t>(N, total - sent);
            std::copy(items_.begin() + static_cast<std::ptrdiff_t>(sent),
                      items_.begin() + static_cast<std::ptrdiff_t>(sent + packet->Count), packet->Items);
            sent += packet->Count;
            if (!this->sendReply(sent < total)) return false;
        } while (sent < total);
        return built;
    }

    // Takes packets while the list is incomplete; any packet that does not
    // fit what is still expected ends the exchange with failure.
    bool messageOperations() override {
        items_.clear();
        // A packet carries the items it counts; its fixed size is the most.
        this->acceptShorterResponse(offsetof(Packet, Items));
        if (!this->send() || !this->receive()) return false;
        auto* first = this->responseMessage(false);
        if (!first) return broken("no packet");
        const uint64_t total = first->TotalCount;
        if (total > kelsql::kMaxListTotal) return broken("total out of bounds");
        items_.reserve(static_cast<size_t>(total));
        for (;;) {
            auto* p = this->responseMessage(false);
            const uint64_t remaining = total - items_.size();
            if (p->TotalCount != total) return broken("total changed");
            if (total == 0 ? p->Count != 0 : (p->Count == 0 || p->Count > std::min<uint64_t>(N, remaining)))
                return broken("bad count");
            if (this->receivedLength() < offsetof(Packet, Items) + p->Count * sizeof(Item_t))
                return broken("count beyond the packet");
            items_.insert(items_.end(), p->Items, p->Items + p->Count);
            if (items_.size() == total) {
                if (this->moreFollows()) return broken("packets beyond the total");
                // The last packet's status block is the list's.
                return true;
            }
            if (!this->moreFollows()) return broken("list ended early");
            if (!this->receive()) return false;
        }
    }

private:
    bool broken(const char* why) {
        KelLastError& err = this->getLastError();
        err.setNumber(kelsql::kErrListRead);
        err.addArgument(std::string(Derived::kClassName) + "::messageOperations()");
        err.addArgument(why);
        items_.clear();
        // The stream may stand inside the list: it cannot carry another exchange.
        this->disconnect();
        return false;
    }

    std::vector<Item_t> items_;
};

// The generic message: records and type numbers only; it answers nothing and
// dumps nothing. Initiating end only.
template <class Req_t, class Rsp_t, unsigned long long ReqType, unsigned long long RspType>
class KelNetSQLTemplate
    : public KelNetSQLMessage<KelNetSQLTemplate<Req_t, Rsp_t, ReqType, RspType>, Req_t, Rsp_t, ReqType, RspType> {
    using Base =
        KelNetSQLMessage<KelNetSQLTemplate<Req_t, Rsp_t, ReqType, RspType>, Req_t, Rsp_t, ReqType, RspType>;

public:
    static constexpr const char* kClassName = "KelNetSQLTemplate";
    static constexpr const char* kRequestName = "KelNetSQLTemplateReq";
    static constexpr const char* kResponseName = "KelNetSQLTemplateRsp";

    KelNetSQLTemplate(KelSQLClassProperties& ctx, bool terminate) : Base(ctx, terminate) {}
    // Answering end: answers with the zeroed response (success, no fields).
    KelNetSQLTemplate(KelSQLClassProperties& ctx, unsigned long long messageId, char* request)
        : Base(ctx, messageId, request) {}
    ~KelNetSQLTemplate() override = default;

    void printRequestMessage(char*) override {}
    void printResponseMessage(char*) override {}
    bool buildReply() override { return true; }
    bool answer(Req_t&, Rsp_t&) { return true; }
};

// The template's one instance: whether an agent converted a log backup to a full.
struct KelNetSQLLogConvertedToFullReq_t {
    uint64_t tesselId;
    uint64_t appId;
};
struct KelNetSQLLogConvertedToFullRsp_t {
    KelNetSQLOPStatus_t status;
    uint32_t bkupTypeConverted;
    uint64_t bkupLevel;
};
static_assert(sizeof(KelNetSQLLogConvertedToFullReq_t) == 16, "KelNetSQLLogConvertedToFullReq_t size");
static_assert(offsetof(KelNetSQLLogConvertedToFullReq_t, appId) == 8, "KelNetSQLLogConvertedToFullReq_t offsets");
static_assert(sizeof(KelNetSQLLogConvertedToFullRsp_t) == 576, "KelNetSQLLogConvertedToFullRsp_t size");
static_assert(offsetof(KelNetSQLLogConvertedToFullRsp_t, bkupTypeConverted) == 560 &&
                  offsetof(KelNetSQLLogConvertedToFullRsp_t, bkupLevel) == 568,
              "KelNetSQLLogConvertedToFullRsp_t offsets");

using KelNetSQLLogConvertedToFull =
    KelNetSQLTemplate<KelNetSQLLogConvertedToFullReq_t, KelNetSQLLogConvertedToFullRsp_t, 0x1E00007D, 0x1E00007E>;
