// The log-only restore list: the log backups of a database that cover an
// LSN range and every log that continues the chain from it, in backup-set
// order, up to a given backup set or past a point in time. The Ostrel
// answers the request; the chain selector also calls query() directly.
//
// The message keeps a reference to its context, which must outlive it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "KelSQL/KelNetSQLBSIdList.h"

struct KelNetSQLTarnLogRestoreReq_t {
    uint64_t StopSqlBackupSetId;  // 0: no stop
    uint64_t SqlDatabaseId;
    char FirstLSN[33];
    char LastLSN[33];
    char ExtraLSN1[33];  // carried, not used
    char ExtraLSN2[33];
    uint64_t PointInTime;  // seconds since 1970; 0: none
};
using KelNetSQLTarnLogRestoreRsp_t = KelNetSQLBSIdListRsp_t;

static_assert(sizeof(KelNetSQLTarnLogRestoreReq_t) == 160 &&
                  offsetof(KelNetSQLTarnLogRestoreReq_t, SqlDatabaseId) == 8 &&
                  offsetof(KelNetSQLTarnLogRestoreReq_t, FirstLSN) == 16 &&
                  offsetof(KelNetSQLTarnLogRestoreReq_t, LastLSN) == 49 &&
                  offsetof(KelNetSQLTarnLogRestoreReq_t, ExtraLSN1) == 82 &&
                  offsetof(KelNetSQLTarnLogRestoreReq_t, ExtraLSN2) == 115 &&
                  offsetof(KelNetSQLTarnLogRestoreReq_t, PointInTime) == 152,
              "KelNetSQLTarnLogRestoreReq_t layout");

class KelNetSQLTarnLogRestore
    : public KelNetSQLMessage<KelNetSQLTarnLogRestore, KelNetSQLTarnLogRestoreReq_t, KelNetSQLTarnLogRestoreRsp_t,
                              0x1E000082, 0x1E000083> {
public:
    static constexpr const char* kClassName = "KelNetSQLTarnLogRestore";
    static constexpr const char* kRequestName = "KelNetSQLTarnLogRestoreReq_t";
    static constexpr const char* kResponseName = "KelNetSQLTarnLogRestoreRsp_t";

    KelNetSQLTarnLogRestore(KelSQLClassProperties& ctx, bool terminate) : KelNetSQLMessage(ctx, terminate) {}
    KelNetSQLTarnLogRestore(KelSQLClassProperties& ctx, unsigned long long messageId, char* request)
        : KelNetSQLMessage(ctx, messageId, request) {}

    // The list, here on the Ostrel or an agent that needs no connection. An
    // agent that needs one sends the request itself: query then does nothing
    // and succeeds. extraLSN1 and extraLSN2 are not used.
    bool query(unsigned long sqlDatabaseId, unsigned long stopSqlBackupSetId, std::string firstLSN,
               std::string lastLSN, std::string extraLSN1, std::string extraLSN2, unsigned long pointInTime);

    const std::vector<uint64_t>& getBSIdList() const { return ids_; }
    uint64_t getBackupSize() const { return byteSize_; }

    bool answer(KelNetSQLTarnLogRestoreReq_t& req, KelNetSQLTarnLogRestoreRsp_t& rsp);
    // The dumps print the record names and the status block only.
    void dumpRequest(const char*, const KelNetSQLTarnLogRestoreReq_t&) {}
    void dumpResponse(const char*, const KelNetSQLTarnLogRestoreRsp_t&) {}

private:
    // Appends a chosen log's backup set and adds its size.
    bool take(unsigned long sqlBackupSetId);

    std::vector<uint64_t> ids_;
    uint64_t byteSize_ = 0;
};
