// The media family message: the wire record of one stream of a backup set
// and the archive file that holds it, its request (an operation code and the
// record) and its response (the status block and the record).
// KelSQLMediaFamily is the catalogue object behind it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "KelSQL/KelNetSQLFrame.h"

// An archive file of the platform's archive catalogue.
struct KelNetSQLArchiveFileId_t {
    uint64_t TesselId;
    uint64_t GroupNumber;
    uint64_t FileNumber;
};

struct KelNetSQLMediaFamily_t {
    uint64_t SqlArchiveSetId;
    uint64_t TesselId;
    uint64_t SqlBackupSetId;
    uint64_t MediaSetId;
    uint64_t SequenceNumber;
    KelNetSQLArchiveFileId_t ArchiveFile;
};

enum KelNetSQLMediaFamilyCode : uint32_t {
    KelNetSQLMediaFamilyLookup = 1,
    KelNetSQLMediaFamilyInsert = 4,
};

struct KelNetSQLMediaFamilyReq_t {
    uint32_t DBCode;
    KelNetSQLMediaFamily_t MediaFamily;
};
struct KelNetSQLMediaFamilyRsp_t {
    KelNetSQLOPStatus_t Status;
    KelNetSQLMediaFamily_t MediaFamily;
};

static_assert(sizeof(KelNetSQLArchiveFileId_t) == 24 && offsetof(KelNetSQLArchiveFileId_t, GroupNumber) == 8 &&
                  offsetof(KelNetSQLArchiveFileId_t, FileNumber) == 16,
              "KelNetSQLArchiveFileId_t layout");
static_assert(sizeof(KelNetSQLMediaFamily_t) == 64 && offsetof(KelNetSQLMediaFamily_t, TesselId) == 8 &&
                  offsetof(KelNetSQLMediaFamily_t, SqlBackupSetId) == 16 &&
                  offsetof(KelNetSQLMediaFamily_t, MediaSetId) == 24 &&
                  offsetof(KelNetSQLMediaFamily_t, SequenceNumber) == 32 &&
                  offsetof(KelNetSQLMediaFamily_t, ArchiveFile) == 40,
              "KelNetSQLMediaFamily_t layout");
static_assert(sizeof(KelNetSQLMediaFamilyReq_t) == 72 && offsetof(KelNetSQLMediaFamilyReq_t, MediaFamily) == 8,
              "KelNetSQLMediaFamilyReq_t layout");
static_assert(sizeof(KelNetSQLMediaFamilyRsp_t) == 624 && offsetof(KelNetSQLMediaFamilyRsp_t, MediaFamily) == 560,
              "KelNetSQLMediaFamilyRsp_t layout");

class KelNetSQLMediaFamily : public KelNetSQLMessage<KelNetSQLMediaFamily, KelNetSQLMediaFamilyReq_t,
                                                     KelNetSQLMediaFamilyRsp_t, 0x1E000013, 0x1E000014> {
public:
    static constexpr const char* kClassName = "KelNetSQLMediaFamily";
    static constexpr const char* kRequestName = "KelNetSQLMediaFamilyReq";
    static constexpr const char* kResponseName = "KelNetSQLMediaFamilyRsp";

    KelNetSQLMediaFamily(KelSQLClassProperties& ctx, bool terminate) : KelNetSQLMessage(ctx, terminate) {}
    KelNetSQLMediaFamily(KelSQLClassProperties& ctx, unsigned long long messageId, char* request)
        : KelNetSQLMessage(ctx, messageId, request) {}

    void printSQLMediaFamily(const KelNetSQLMediaFamily_t* record);
    void printSQLArchiveFileId(const KelNetSQLArchiveFileId_t* record);
    // Answering side, the Ostrel only: DBCode 1 lookup, 4 insert, on a
    // KelSQLMediaFamily built as server object; any other code or side is
    // refused (0x1E000031). A failed operation answers an empty record.
    bool answer(KelNetSQLMediaFamilyReq_t& req, KelNetSQLMediaFamilyRsp_t& rsp);
    void dumpRequest(const char* fn, const KelNetSQLMediaFamilyReq_t& req);
    void dumpResponse(const char* fn, const KelNetSQLMediaFamilyRsp_t& rsp);
};
