// After a transaction-log backup the catalogue records the database's
// current files as the files of that backup: the Ostrel copies them from its
// own file layout in one stored batch; the agent sends only the three ids.
//
// The message keeps a reference to its context, which must outlive it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "KelSQL/KelNetSQLFrame.h"

struct KelNetSQLBackupFileLogUpdateReq_t {
    uint64_t TesselId;
    uint64_t SqlDatabaseId;
    uint64_t SqlBackupSetId;
};
struct KelNetSQLBackupFileLogUpdateRsp_t {
    KelNetSQLOPStatus_t Status;
};

static_assert(sizeof(KelNetSQLBackupFileLogUpdateReq_t) == 24 &&
                  offsetof(KelNetSQLBackupFileLogUpdateReq_t, SqlDatabaseId) == 8 &&
                  offsetof(KelNetSQLBackupFileLogUpdateReq_t, SqlBackupSetId) == 16,
              "KelNetSQLBackupFileLogUpdateReq_t layout");
static_assert(sizeof(KelNetSQLBackupFileLogUpdateRsp_t) == 560, "KelNetSQLBackupFileLogUpdateRsp_t layout");

class KelNetSQLBackupFileLogUpdate
    : public KelNetSQLMessage<KelNetSQLBackupFileLogUpdate, KelNetSQLBackupFileLogUpdateReq_t,
                              KelNetSQLBackupFileLogUpdateRsp_t, 0x1E000067, 0x1E000068> {
public:
    static constexpr const char* kClassName = "KelNetSQLBackupFileLogUpdate";
    static constexpr const char* kRequestName = "KelNetSQLBackupFileLogUpdateReq";
    static constexpr const char* kResponseName = "KelNetSQLBackupFileLogUpdateRsp";

    KelNetSQLBackupFileLogUpdate(KelSQLClassProperties& ctx, bool terminate) : KelNetSQLMessage(ctx, terminate) {}
    KelNetSQLBackupFileLogUpdate(KelSQLClassProperties& ctx, unsigned long long messageId, char* request)
        : KelNetSQLMessage(ctx, messageId, request) {}

    // Here on the Ostrel (or an agent that needs no connection), inside the
    // context's started transaction: runs the stored batch; a set that is not
    // a log backup is refused (0x1E0000F1). Elsewhere by request. On failure
    // the rows the batch wrote stay in the transaction: the caller rolls back.
    bool update(unsigned long tesselId, unsigned long sqlDatabaseId, unsigned long sqlBackupSetId);
    // The request, sent; true when the Ostrel answered success.
    bool networkUpdate(unsigned long tesselId, unsigned long sqlDatabaseId, unsigned long sqlBackupSetId);

    // Answering side: the Ostrel only; any other side refuses (0x1E000031).
    bool answer(KelNetSQLBackupFileLogUpdateReq_t& req, KelNetSQLBackupFileLogUpdateRsp_t& rsp);
    void dumpRequest(const char* fn, const KelNetSQLBackupFileLogUpdateReq_t& req);
};
