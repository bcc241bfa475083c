// The file message: the wire record of one file of a file group, its
// request (an operation code and the record) and its response (the status
// block and the record). KelSQLFile is the catalogue object behind it; the
// Ostrel answers it on a record built in reply mode.
#pragma once

#include <cstddef>
#include <cstdint>

#include "KelSQL/KelNetSQLFrame.h"

struct KelNetSQLFile_t {
    uint64_t SqlFileId;
    uint64_t TesselId;
    uint64_t SqlFileGroupId;
    char FileName[129];       // the logical name
    char FileGroupName[129];  // lookups by name only
    char DatabaseName[129];   // lookups by name only
    char ServerName[129];     // lookups by name only
    char ClientName[257];     // lookups by name only
    char PhysicalName[261];
    uint64_t FileId;  // SQL Server's own id of the file
    uint32_t Size;
    uint32_t MaxSize;
    uint64_t AddTime;
    uint64_t RemovalTime;  // 0 present, 0xFFFFFFFF back again
    uint64_t DeleteFlag;
};

enum KelNetSQLFileCode : uint32_t {
    KelNetSQLFileLookup = 1,
    KelNetSQLFileUpdate = 2,
    KelNetSQLFileClientQuery = 3,
    KelNetSQLFileConfig = 4,
    KelNetSQLFileLogicalDeletion = 5,
};

struct KelNetSQLFileReq_t {
    uint32_t DBCode;
    KelNetSQLFile_t File;
};
struct KelNetSQLFileRsp_t {
    KelNetSQLOPStatus_t Status;
    KelNetSQLFile_t File;
};

static_assert(sizeof(KelNetSQLFile_t) == 1104, "KelNetSQLFile_t size");
static_assert(offsetof(KelNetSQLFile_t, TesselId) == 8 && offsetof(KelNetSQLFile_t, SqlFileGroupId) == 16 &&
                  offsetof(KelNetSQLFile_t, FileName) == 24 && offsetof(KelNetSQLFile_t, FileGroupName) == 153 &&
                  offsetof(KelNetSQLFile_t, DatabaseName) == 282 &&
                  offsetof(KelNetSQLFile_t, ServerName) == 411 &&
                  offsetof(KelNetSQLFile_t, ClientName) == 540 &&
                  offsetof(KelNetSQLFile_t, PhysicalName) == 797 && offsetof(KelNetSQLFile_t, FileId) == 1064 &&
                  offsetof(KelNetSQLFile_t, Size) == 1072 && offsetof(KelNetSQLFile_t, MaxSize) == 1076 &&
                  offsetof(KelNetSQLFile_t, AddTime) == 1080 && offsetof(KelNetSQLFile_t, RemovalTime) == 1088 &&
                  offsetof(KelNetSQLFile_t, DeleteFlag) == 1096,
              "KelNetSQLFile_t offsets");
static_assert(sizeof(KelNetSQLFileReq_t) == 1112 && offsetof(KelNetSQLFileReq_t, File) == 8,
              "KelNetSQLFileReq_t layout");
static_assert(sizeof(KelNetSQLFileRsp_t) == 1664 && offsetof(KelNetSQLFileRsp_t, File) == 560,
              "KelNetSQLFileRsp_t layout");

class KelNetSQLFile
    : public KelNetSQLMessage<KelNetSQLFile, KelNetSQLFileReq_t, KelNetSQLFileRsp_t, 0x1E000007, 0x1E000008> {
public:
    static constexpr const char* kClassName = "KelNetSQLFile";
    static constexpr const char* kRequestName = "KelNet SQLFileReq";
    static constexpr const char* kResponseName = "KelNet SQLFileRsp";

    KelNetSQLFile(KelSQLClassProperties& ctx, bool terminate) : KelNetSQLMessage(ctx, terminate) {}
    KelNetSQLFile(KelSQLClassProperties& ctx, unsigned long long messageId, char* request)
        : KelNetSQLMessage(ctx, messageId, request) {}

    void printSQLFile(const KelNetSQLFile_t* record);
    // Answering side (the Ostrel): runs the operation of the request's code
    // on a KelSQLFile in reply mode.
    bool answer(KelNetSQLFileReq_t& req, KelNetSQLFileRsp_t& rsp);
    void dumpRequest(const char* fn, const KelNetSQLFileReq_t& req);
    void dumpResponse(const char* fn, const KelNetSQLFileRsp_t& rsp);
};
