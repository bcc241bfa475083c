// Messages that exist only for tests, answered by the probe handler library
// ("sLNSQLTEST", entry point "sLPSQLTESTMSG") through the catalogue's own
// answering side: a probe whose answer succeeds with a minor error, fails, or
// writes a row in the session's transaction, and a list of numbers whose
// responder can be told to break the packet rules.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>
#include <sqlite3.h>

#include "KelSQL/KelNetSQLDatabaseNameList.h"
#include "KelSQL/KelNetSQLFrame.h"
#include "KelSQL/KelNetSQLStatus.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "platform/db/DBEngine.h"
#include "platform/util/BoundedCopy.h"

namespace kel::probe {

inline constexpr unsigned long long kProbeRequest = 0x1E0000E1, kProbeResponse = 0x1E0000E2;
inline constexpr unsigned long long kListRequest = 0x1E0000E3, kListResponse = 0x1E0000E4;
inline constexpr unsigned long long kNameListRequest = 0x1E0000E5, kNameListResponse = 0x1E0000E6;
inline constexpr uint64_t kMinorNotice = 0x1E0000F8;

enum ProbeCode : uint32_t {
    kProbeMinor = 1,   // succeeds with a minor error
    kProbeFail = 2,    // fails with a major error and two arguments
    kProbeWrite = 3,   // inserts Tag into frameProbe in the session's transaction
    kProbeSide = 4,    // Rows: the answering context's constructor type, plus
                       // 0x10 when it runs agent operations, 0x20 Ostrel ones
    kProbeLogin = 5,   // Rows 1 when the answering context's login is Tag's
                       // "user:password", else 0
    kProbeSilentFail = 6,  // fails without saying why
    kProbeThroughSession = 7,  // Rows: the error number of a STATUS sent to the
                               // Ostrel on the answering context (0: answered)
    kProbeOwnConnection = 8,   // Rows 1 when a STATUS sent to the Ostrel on a
                               // fresh agent-side context was answered
};

struct ProbeReq_t {
    uint32_t Code;
    char Tag[64];
};
struct ProbeRsp_t {
    KelNetSQLOPStatus_t Status;
    uint64_t Rows;
};
static_assert(sizeof(ProbeReq_t) == 68, "ProbeReq_t size");
static_assert(sizeof(ProbeRsp_t) == 568 && offsetof(ProbeRsp_t, Rows) == 560, "ProbeRsp_t layout");

// Sends to the probe library instead of the catalogue's handler.
template <class M>
void addressProbeLibrary(M& m) {
    m.setDLLName("sLNSQLTEST");
    m.setDLLEntryPointName("sLPSQLTESTMSG");
}

class Probe : public KelNetSQLMessage<Probe, ProbeReq_t, ProbeRsp_t, kProbeRequest, kProbeResponse> {
public:
    static constexpr const char* kClassName = "Probe";
    static constexpr const char* kRequestName = "ProbeReq";
    static constexpr const char* kResponseName = "ProbeRsp";

    Probe(KelSQLClassProperties& ctx, bool terminate) : KelNetSQLMessage(ctx, terminate) { addressProbeLibrary(*this); }
    Probe(KelSQLClassProperties& ctx, unsigned long long id, char* request) : KelNetSQLMessage(ctx, id, request) {}

    bool answer(ProbeReq_t& req, ProbeRsp_t& rsp) {
        KelLastError& err = getLastError();
        switch (req.Code) {
        case kProbeMinor:
            err.setMinor(kMinorNotice);
            err.addArgument("Probe::answer");
            return true;
        case kProbeFail:
            err.setMajor(kelsql::kErrRowOperation);
            err.addArgument("Probe::answer");
            err.addArgument(kel::fieldText(req.Tag));
            return false;
        case kProbeWrite: return write(req, rsp);
        case kProbeSilentFail: return false;
        case kProbeSide:
            rsp.Rows = static_cast<uint64_t>(context().constructorType()) |
                       (context().isClientOperations() ? 0x10u : 0u) | (context().isServerOperations() ? 0x20u : 0u);
            return true;
        case kProbeThroughSession: {
            KelNetSQLStatus status(context(), false);
            KelLastError why;
            rsp.Rows = status.exchange(why) ? 0 : why.number();
            return true;
        }
        case kProbeOwnConnection: {
            KelSQLClassProperties own(context().virtualMachine(), KelSQLClientSide);
            KelNetSQLStatus status(own, false);
            KelLastError why;
            rsp.Rows = status.exchange(why) ? 1 : 0;
            return true;
        }
        case kProbeLogin: {
            const KelSQLUserAndPassword& login = context().getSQLUserAndPassword();
            rsp.Rows = kel::fieldText(req.Tag) == login.sqlUser() + ":" + login.sqlPassword() ? 1 : 0;
            return true;
        }
        default: return refuse("Probe::buildReply()", req.Code);
        }
    }

private:
    bool write(ProbeReq_t& req, ProbeRsp_t& rsp) {
        DBtran* tran = context().getDBTransaction();
        if (!tran || !tran->isStarted()) {
            getLastError().setNumber(kelsql::kErrTranRequired);
            getLastError().addArgument("Probe::write");
            return false;
        }
        sqlite3* db = tran->tranConnection()->db();
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, "INSERT INTO frameProbe(tag) VALUES (?)", -1, &stmt, nullptr) != SQLITE_OK)
            return failed(db);
        std::string tag = kel::fieldText(req.Tag);
        sqlite3_bind_text(stmt, 1, tag.c_str(), -1, SQLITE_TRANSIENT);
        int rc = sqlite3_step(stmt);
        sqlite3_finalize(stmt);
        if (rc != SQLITE_DONE) return failed(db);
        rsp.Rows = 1;
        return true;
    }
    bool failed(sqlite3* db) {
        getLastError().setNumber(kelsql::kErrRowOperation);
        getLastError().addArgument("Probe::write");
        getLastError().addArgument(sqlite3_errmsg(db));
        return false;
    }
};

// A write of tag in the agent context's session, into its transaction on the
// Ostrel.
inline bool probeWrite(KelSQLClassProperties& ctx, const char* tag, KelLastError& err) {
    Probe m(ctx, false);
    ProbeReq_t* req = m.requestMessage(true);
    req->Code = kProbeWrite;
    if (!kel::copyField(req->Tag, tag)) return false;
    return m.exchange(err);
}

// Loads a test handler library into a running host with one probe request
// (its load installs the live reader it serves). False, err set, when the
// host did not answer.
inline bool loadHandler(const std::string& host, const std::string& library, const std::string& entry,
                        KelLastError& err) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    Probe p(ostrel, false);
    if (!p.setRemoteDataAgent(host)) return false;
    p.setDLLName(library);
    p.setDLLEntryPointName(entry);
    p.requestMessage(true)->Code = kProbeSide;
    return p.exchange(err);
}

enum ListMode : uint32_t {
    kListHonest = 0,
    kListCountOverPacket = 1,  // first packet says Count 60
    kListTotalChanges = 2,     // second packet carries another TotalCount
    kListZeroCount = 3,        // a packet with Count 0 before the end
    kListCountOverTotal = 4,   // TotalCount 10, Count 20
    kListHugeTotal = 5,        // TotalCount far beyond any sane list
    kListFails = 6,            // the answer fails: status only
    kListTrimmed = 7,          // each packet ends after the items it counts
    kListTrimmedShort = 8,     // ... and the last one a byte before that
};

struct ListReq_t {
    uint32_t Mode;
    uint32_t Pad;
    uint64_t Total;
};
static_assert(sizeof(ListReq_t) == 16 && offsetof(ListReq_t, Total) == 8, "ListReq_t layout");

inline uint64_t listItem(uint64_t index) { return index * 3 + 11; }

class ProbeList : public KelNetSQLListMessage<ProbeList, ListReq_t, uint64_t, 50, kListRequest, kListResponse> {
public:
    static constexpr const char* kClassName = "ProbeList";
    static constexpr const char* kRequestName = "ProbeListReq";
    static constexpr const char* kResponseName = "ProbeListRsp";

    ProbeList(KelSQLClassProperties& ctx, bool terminate) : KelNetSQLListMessage(ctx, terminate) {
        addressProbeLibrary(*this);
    }
    ProbeList(KelSQLClassProperties& ctx, unsigned long long id, char* request)
        : KelNetSQLListMessage(ctx, id, request) {}

    bool answer(ListReq_t& req, Response&) {
        if (req.Mode == kListFails) {
            getLastError().setNumber(kelsql::kErrListRead);
            getLastError().addArgument("ProbeList::answer");
            return false;
        }
        for (uint64_t i = 0; i < req.Total && i < 100000; ++i) items().push_back(listItem(i));
        return true;
    }

    bool reply() override {
        const ListReq_t* req = requestMessage(false);
        if (!req || req->Mode == kListHonest || req->Mode == kListFails) return KelNetSQLListMessage::reply();
        buildReply();
        Response* p = responseMessage(false);
        switch (req->Mode) {
        case kListCountOverPacket: return packet(p, 120, 60, true);
        case kListTotalChanges: return packet(p, 120, 50, true) && packet(p, 121, 50, true) && packet(p, 121, 21, false);
        case kListZeroCount: return packet(p, 120, 50, true) && packet(p, 120, 0, true) && packet(p, 120, 50, true);
        case kListCountOverTotal: return packet(p, 10, 20, false);
        case kListHugeTotal: return packet(p, ~uint64_t{0}, 50, true);
        default: return false;
        }
    }

private:
    bool packet(Response* p, uint64_t total, uint64_t count, bool more) {
        p->TotalCount = total;
        p->Count = count;
        for (size_t i = 0; i < kPerPacket; ++i) p->Items[i] = listItem(i);
        return sendReply(more);
    }
};

// A list of database names in the packets of the database-name list (50
// names of 129 bytes: a full packet's items end at byte 7026), whose
// responder can send each packet cut after its items.
class ProbeNameList : public KelNetSQLListMessage<ProbeNameList, ListReq_t, KelNetSQLDatabaseInfo_t, 50,
                                                  kNameListRequest, kNameListResponse> {
public:
    static constexpr const char* kClassName = "ProbeNameList";
    static constexpr const char* kRequestName = "ProbeNameListReq";
    static constexpr const char* kResponseName = "ProbeNameListRsp";
    static constexpr size_t kItemsAt = offsetof(Response, Items);

    static std::string name(uint64_t index) { return "db" + std::to_string(index); }

    ProbeNameList(KelSQLClassProperties& ctx, bool terminate) : KelNetSQLListMessage(ctx, terminate) {
        addressProbeLibrary(*this);
    }
    ProbeNameList(KelSQLClassProperties& ctx, unsigned long long id, char* request)
        : KelNetSQLListMessage(ctx, id, request) {}

    bool answer(ListReq_t& req, Response&) {
        for (uint64_t i = 0; i < req.Total && i < 100000; ++i) {
            KelNetSQLDatabaseInfo_t item{};
            if (!kel::copyField(item.Name, name(i))) return false;
            items().push_back(item);
        }
        return true;
    }

    bool reply() override {
        const ListReq_t request = *requestMessage(false);
        if (request.Mode != kListTrimmed && request.Mode != kListTrimmedShort) return KelNetSQLListMessage::reply();
        buildReply();
        const Response status = *responseMessage(false);
        const std::vector<KelNetSQLDatabaseInfo_t> names = items();
        const uint64_t total = names.size();
        for (uint64_t sent = 0; sent < total;) {
            const uint64_t count = std::min<uint64_t>(kPerPacket, total - sent);
            const bool last = sent + count == total;
            std::vector<char> packet(kItemsAt + count * sizeof(KelNetSQLDatabaseInfo_t));
            std::memcpy(packet.data(), &status, kItemsAt);
            std::memcpy(packet.data() + offsetof(Response, TotalCount), &total, sizeof total);
            std::memcpy(packet.data() + offsetof(Response, Count), &count, sizeof count);
            std::memcpy(packet.data() + kItemsAt, &names[sent], count * sizeof(KelNetSQLDatabaseInfo_t));
            if (last && request.Mode == kListTrimmedShort) packet.pop_back();
            if (!setupSendData(packet.size())) return false;
            std::memcpy(getResponseMessage(), packet.data(), packet.size());
            sent += count;
            if (!sendReply(!last)) return false;
        }
        return true;
    }
};

}  // namespace kel::probe
