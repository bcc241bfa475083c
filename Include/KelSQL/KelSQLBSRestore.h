// The restore description of one backup set: streams, size, backup type and
// the archive files that hold it (rows of sqlArchiveSet, in their order).
// Read here on the Ostrel, or asked of the Ostrel by an agent that needs a
// connection. Archive pruning reads it for every prunable full.
//
// The context is borrowed and outlives the object; one thread uses it.
#pragma once

#include <cstdint>
#include <vector>

#include "KelSQL/KelNetSQLBSRestore.h"

class KelSQLBSRestore : public KelNetSQLBSRestore {
public:
    // serverObject: built by the Ostrel's handler; only such an object
    // answers a request (query(req, rsp)).
    KelSQLBSRestore(KelSQLClassProperties& context, bool serverObject);
    KelSQLBSRestore(const KelSQLBSRestore&) = delete;
    KelSQLBSRestore& operator=(const KelSQLBSRestore&) = delete;

    void initializeSQLObject();

    // Replaces the description with that of the backup set.
    bool query(unsigned long sqlBackupSetId);
    // Ostrel, handler object only: the request's set written into the
    // response. More archives than the response holds: 0x1E000051.
    bool query(const KelNetSQLBSRestoreReq_t* req, KelNetSQLBSRestoreRsp_t* rsp);

    // The agent's side of the request: send, status, copy the answer.
    bool networkQuery();
    // A Streams count beyond the response's slots is a broken answer (0x1E000032).
    bool copyFromNetwork(const KelNetSQLBSRestoreRsp_t* rsp);
    // More archives than slots: 0x1E000051 and nothing written.
    bool copyToNetwork(KelNetSQLBSRestoreRsp_t* rsp);

    // Every archive row of the set, however many (local reads).
    std::vector<KelNetSQLBSRestoreArchive_t>& archiveList() { return archives_; }
    unsigned long tesselId() const { return static_cast<unsigned long>(tesselId_); }
    uint64_t sqlBackupSetId() const { return sqlBackupSetId_; }
    uint64_t streams() const { return streams_; }
    uint64_t backupType() const { return backupType_; }
    int64_t backupSize() const { return backupSize_; }
    long long sqlCode() const { return sqlCode_; }

private:
    bool fail(uint64_t number, const char* signature);
    bool localQuery(unsigned long sqlBackupSetId);

    KelSQLClassProperties& context_;
    bool serverObject_;
    long long sqlCode_ = 0;
    uint64_t sqlBackupSetId_ = 0;
    uint64_t tesselId_ = 0;
    uint64_t streams_ = 0;
    uint64_t backupType_ = 0;
    int64_t backupSize_ = 0;
    std::vector<KelNetSQLBSRestoreArchive_t> archives_;
};
