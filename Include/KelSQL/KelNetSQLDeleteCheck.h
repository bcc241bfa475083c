// The messages of removal detection: an agent asks the Ostrel to find what of
// one database has gone from its live instance (KelNetSQLDatabaseDeletionCheck),
// and the Ostrel asks the client's agent host, object by object, whether a
// database, file group or file still exists (the three probes, which share
// one record). None addresses a destination of its own: the Ostrel addresses
// each probe to the agent host when it sends it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "KelSQL/KelNetSQLFrame.h"

struct KelNetSQLDatabaseDeletionCheckReq_t {
    uint64_t SqlServerId;
    uint64_t SqlDatabaseId;
    uint64_t TesselId;
    char ClientName[257];
};
struct KelNetSQLDatabaseDeletionCheckRsp_t {
    KelNetSQLOPStatus_t Status;
    uint64_t RemovalUpdate;  // 1 when anything was stamped
};

struct KelNetSQLDatabaseDeleteCheck_t {
    uint64_t DatabaseId;
    uint64_t FileGroupId;
    uint64_t FileId;
    char Reserved[129];
    char DatabaseName[129];
    char FileGroupName[129];
    char FileName[129];
    uint64_t RemovalTime;  // in a response: 0 present, else when it was found gone
};
struct KelNetSQLDatabaseDeleteCheckRsp_t {
    KelNetSQLOPStatus_t Status;
    KelNetSQLDatabaseDeleteCheck_t Record;
};

static_assert(sizeof(KelNetSQLDatabaseDeletionCheckReq_t) == 288 &&
                  offsetof(KelNetSQLDatabaseDeletionCheckReq_t, TesselId) == 16 &&
                  offsetof(KelNetSQLDatabaseDeletionCheckReq_t, ClientName) == 24,
              "KelNetSQLDatabaseDeletionCheckReq_t layout");
static_assert(sizeof(KelNetSQLDatabaseDeletionCheckRsp_t) == 568 &&
                  offsetof(KelNetSQLDatabaseDeletionCheckRsp_t, RemovalUpdate) == 560,
              "KelNetSQLDatabaseDeletionCheckRsp_t layout");
static_assert(sizeof(KelNetSQLDatabaseDeleteCheck_t) == 552 &&
                  offsetof(KelNetSQLDatabaseDeleteCheck_t, Reserved) == 24 &&
                  offsetof(KelNetSQLDatabaseDeleteCheck_t, DatabaseName) == 153 &&
                  offsetof(KelNetSQLDatabaseDeleteCheck_t, FileGroupName) == 282 &&
                  offsetof(KelNetSQLDatabaseDeleteCheck_t, FileName) == 411 &&
                  offsetof(KelNetSQLDatabaseDeleteCheck_t, RemovalTime) == 544,
              "KelNetSQLDatabaseDeleteCheck_t layout");
static_assert(sizeof(KelNetSQLDatabaseDeleteCheckRsp_t) == 1112 &&
                  offsetof(KelNetSQLDatabaseDeleteCheckRsp_t, Record) == 560,
              "KelNetSQLDatabaseDeleteCheckRsp_t layout");

// Dumps a probe record under mask 4.
void printSQLDatabaseDeleteCheck(const char* fn, const KelNetSQLDatabaseDeleteCheck_t& record);

// What the three probes share: the record, its dumps and the exchange.
template <class Derived, unsigned long long ReqType, unsigned long long RspType>
class KelNetSQLDeleteProbe : public KelNetSQLMessage<Derived, KelNetSQLDatabaseDeleteCheck_t,
                                                     KelNetSQLDatabaseDeleteCheckRsp_t, ReqType, RspType> {
    using Base = KelNetSQLMessage<Derived, KelNetSQLDatabaseDeleteCheck_t, KelNetSQLDatabaseDeleteCheckRsp_t,
                                  ReqType, RspType>;

public:
    KelNetSQLDeleteProbe(KelSQLClassProperties& ctx, bool terminate) : Base(ctx, terminate) {}
    KelNetSQLDeleteProbe(KelSQLClassProperties& ctx, unsigned long long messageId, char* request)
        : Base(ctx, messageId, request) {}

    // Sends the request in hand; the answer's record in out.
    bool probe(KelNetSQLDatabaseDeleteCheck_t& out) {
        if (!this->exchange(this->getLastError())) return false;
        out = this->responseMessage(false)->Record;
        return true;
    }
    void dumpRequest(const char* fn, const KelNetSQLDatabaseDeleteCheck_t& r) { printSQLDatabaseDeleteCheck(fn, r); }
    void dumpResponse(const char* fn, const KelNetSQLDatabaseDeleteCheckRsp_t& r) {
        printSQLDatabaseDeleteCheck(fn, r.Record);
    }
};

class KelNetSQLDatabaseDeleteCheck
    : public KelNetSQLDeleteProbe<KelNetSQLDatabaseDeleteCheck, 0x1E000045, 0x1E000046> {
public:
    static constexpr const char* kClassName = "KelNetSQLDatabaseDeleteCheck";
    static constexpr const char* kRequestName = "KelNet SQLDatabaseDeleteCheckReq";
    static constexpr const char* kResponseName = "KelNet SQLDatabaseDeleteCheckRsp";
    using KelNetSQLDeleteProbe::KelNetSQLDeleteProbe;
    // On the agent host: KelSQLDatabaseDeleteCheck::check(req, rsp).
    bool answer(KelNetSQLDatabaseDeleteCheck_t& req, KelNetSQLDatabaseDeleteCheckRsp_t& rsp);
};

class KelNetSQLFileGroupDeleteCheck
    : public KelNetSQLDeleteProbe<KelNetSQLFileGroupDeleteCheck, 0x1E000047, 0x1E000048> {
public:
    static constexpr const char* kClassName = "KelNetSQLFileGroupDeleteCheck";
    static constexpr const char* kRequestName = "KelNet SQLFileGroupDeleteCheckReq";
    static constexpr const char* kResponseName = "KelNet SQLFileGroupDeleteCheckRsp";
    using KelNetSQLDeleteProbe::KelNetSQLDeleteProbe;
    bool answer(KelNetSQLDatabaseDeleteCheck_t& req, KelNetSQLDatabaseDeleteCheckRsp_t& rsp);
};

class KelNetSQLFileDeleteCheck : public KelNetSQLDeleteProbe<KelNetSQLFileDeleteCheck, 0x1E000049, 0x1E00004A> {
public:
    static constexpr const char* kClassName = "KelNetSQLFileDeleteCheck";
    static constexpr const char* kRequestName = "KelNet SQLFileDeleteCheckReq";
    static constexpr const char* kResponseName = "KelNet SQLFileDeleteCheckRsp";
    using KelNetSQLDeleteProbe::KelNetSQLDeleteProbe;
    bool answer(KelNetSQLDatabaseDeleteCheck_t& req, KelNetSQLDatabaseDeleteCheckRsp_t& rsp);
};

class KelNetSQLDatabaseDeletionCheck
    : public KelNetSQLMessage<KelNetSQLDatabaseDeletionCheck, KelNetSQLDatabaseDeletionCheckReq_t,
                              KelNetSQLDatabaseDeletionCheckRsp_t, 0x1E00004B, 0x1E00004C> {
public:
    static constexpr const char* kClassName = "KelNetSQLDatabaseDeletionCheck";
    static constexpr const char* kRequestName = "KelNet SQLDatabaseDeletionCheckReq";
    static constexpr const char* kResponseName = "KelNet SQLDatabaseDeletionCheckRsp";
    KelNetSQLDatabaseDeletionCheck(KelSQLClassProperties& ctx, bool terminate) : KelNetSQLMessage(ctx, terminate) {}
    KelNetSQLDatabaseDeletionCheck(KelSQLClassProperties& ctx, unsigned long long messageId, char* request)
        : KelNetSQLMessage(ctx, messageId, request) {}

    // On the Ostrel: KelSQLDatabaseDeletionCheck::removalUpdate(req, rsp).
    bool answer(KelNetSQLDatabaseDeletionCheckReq_t& req, KelNetSQLDatabaseDeletionCheckRsp_t& rsp);
    void dumpRequest(const char* fn, const KelNetSQLDatabaseDeletionCheckReq_t& req);
    void dumpResponse(const char* fn, const KelNetSQLDatabaseDeletionCheckRsp_t& rsp);
};
