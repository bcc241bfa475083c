// The backup file message: the wire record of one file captured in a backup
// set, its request (an operation code and the record) and its response (the
// status block and the record). KelSQLBackupFile is the catalogue object
// behind it; the Ostrel answers it on a record built as server object.
#pragma once

#include <cstddef>
#include <cstdint>

#include "KelSQL/KelNetSQLFrame.h"

struct KelNetSQLBackupFile_t {
    uint64_t SqlBackupFileId;
    uint64_t TesselId;
    uint64_t SqlBackupSetId;
    uint64_t SqlFileGroupId;
    uint64_t Number;
    char PhysicalName[261];
    char LogicalName[129];
    char PhysicalDrive[261];
    uint64_t PageSize;
    uint64_t PageCount;
    uint64_t Type;  // a character code ('D' for the rows of a log backup)
};

enum KelNetSQLBackupFileCode : uint32_t {
    KelNetSQLBackupFileLookup = 1,
    KelNetSQLBackupFileInsert = 4,
};

struct KelNetSQLBackupFileReq_t {
    uint32_t DBCode;
    KelNetSQLBackupFile_t BackupFile;
};
struct KelNetSQLBackupFileRsp_t {
    KelNetSQLOPStatus_t Status;
    KelNetSQLBackupFile_t BackupFile;
};

static_assert(sizeof(KelNetSQLBackupFile_t) == 720, "KelNetSQLBackupFile_t size");
static_assert(offsetof(KelNetSQLBackupFile_t, TesselId) == 8 && offsetof(KelNetSQLBackupFile_t, SqlBackupSetId) == 16 &&
                  offsetof(KelNetSQLBackupFile_t, SqlFileGroupId) == 24 && offsetof(KelNetSQLBackupFile_t, Number) == 32 &&
                  offsetof(KelNetSQLBackupFile_t, PhysicalName) == 40 &&
                  offsetof(KelNetSQLBackupFile_t, LogicalName) == 301 &&
                  offsetof(KelNetSQLBackupFile_t, PhysicalDrive) == 430 &&
                  offsetof(KelNetSQLBackupFile_t, PageSize) == 696 && offsetof(KelNetSQLBackupFile_t, PageCount) == 704 &&
                  offsetof(KelNetSQLBackupFile_t, Type) == 712,
              "KelNetSQLBackupFile_t offsets");
static_assert(sizeof(KelNetSQLBackupFileReq_t) == 728 && offsetof(KelNetSQLBackupFileReq_t, BackupFile) == 8,
              "KelNetSQLBackupFileReq_t layout");
static_assert(sizeof(KelNetSQLBackupFileRsp_t) == 1280 && offsetof(KelNetSQLBackupFileRsp_t, BackupFile) == 560,
              "KelNetSQLBackupFileRsp_t layout");

class KelNetSQLBackupFile : public KelNetSQLMessage<KelNetSQLBackupFile, KelNetSQLBackupFileReq_t,
                                                    KelNetSQLBackupFileRsp_t, 0x1E000011, 0x1E000012> {
public:
    static constexpr const char* kClassName = "KelNetSQLBackupFile";
    static constexpr const char* kRequestName = "KelNetSQLBackupFileReq";
    static constexpr const char* kResponseName = "KelNetSQLBackupFileRsp";

    KelNetSQLBackupFile(KelSQLClassProperties& ctx, bool terminate) : KelNetSQLMessage(ctx, terminate) {}
    KelNetSQLBackupFile(KelSQLClassProperties& ctx, unsigned long long messageId, char* request)
        : KelNetSQLMessage(ctx, messageId, request) {}

    void printSQLBackupFile(const KelNetSQLBackupFile_t* record);
    // Answering side, the Ostrel only: DBCode 1 lookup, 4 insert, on a
    // KelSQLBackupFile built as server object; any other code or side is
    // refused (0x1E000031). A failed operation answers an empty record.
    bool answer(KelNetSQLBackupFileReq_t& req, KelNetSQLBackupFileRsp_t& rsp);
    void dumpRequest(const char* fn, const KelNetSQLBackupFileReq_t& req);
    void dumpResponse(const char* fn, const KelNetSQLBackupFileRsp_t& rsp);
};
