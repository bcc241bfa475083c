// Every file of one backup set, in id order, for a requester that asks the
// Ostrel for them. One object is both the message and the operation: on the
// Ostrel it reads the sqlBackupFile rows into its list and answers them; on
// the requesting end it rebuilds the list from the answer.
//
// The fixed response keeps its 576-byte layout, but its entry array never
// travels as an address: the entries go as the frame's trailing data
// (split over several packets when they outgrow one frame), and the
// requester rebuilds them into arrays of its own. The entry array and its
// texts belong to the object: on the Ostrel they are released once, after
// reply(); on the requester they live as long as the object or the next
// request.
//
// The message keeps a reference to its context, which must outlive it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "KelSQL/KelNetSQLFrame.h"

// One backup file in memory.
struct backupFileInfo_t {
    uint64_t backupFileId = 0;
    uint64_t tesselId = 0;
    uint64_t backupSetId = 0;
    uint64_t fileGroupId = 0;
    uint64_t fileNumber = 0;
    std::string logicalName;
    std::string physicalName;
    std::string physicalDrive;
    uint64_t pageSize = 0;
    uint64_t pageCount = 0;
    uint64_t type = 0;
};

// One entry of the response; its texts are references into the owner's
// memory and mean nothing to another process.
struct KelNetSQLBackupFileInfo_t {
    uint64_t SqlBackupFileId;
    uint64_t TesselId;
    uint64_t SqlBackupSetId;
    uint64_t SqlFileGroupId;
    uint64_t Number;
    const char* PhysicalName;
    const char* LogicalName;
    const char* PhysicalDrive;
    uint64_t PageSize;
    uint64_t PageCount;
    uint64_t Type;
};

// Only the entry's TesselId and SqlBackupSetId are read.
struct KelNetSQLBkpFileInfoReq_t {
    uint32_t DBCode;
    KelNetSQLBackupFileInfo_t BackupFile;
};
struct KelNetSQLBkpFileInfoRsp_t {
    KelNetSQLOPStatus_t Status;
    uint32_t Count;
    // Zero on the wire; the receiving end points it at its own rebuilt array.
    KelNetSQLBackupFileInfo_t* Entries;
};

static_assert(sizeof(KelNetSQLBackupFileInfo_t) == 88 && offsetof(KelNetSQLBackupFileInfo_t, Number) == 32 &&
                  offsetof(KelNetSQLBackupFileInfo_t, PhysicalName) == 40 &&
                  offsetof(KelNetSQLBackupFileInfo_t, LogicalName) == 48 &&
                  offsetof(KelNetSQLBackupFileInfo_t, PhysicalDrive) == 56 &&
                  offsetof(KelNetSQLBackupFileInfo_t, PageSize) == 64 &&
                  offsetof(KelNetSQLBackupFileInfo_t, Type) == 80,
              "KelNetSQLBackupFileInfo_t layout");
static_assert(sizeof(KelNetSQLBkpFileInfoReq_t) == 96 && offsetof(KelNetSQLBkpFileInfoReq_t, BackupFile) == 8,
              "KelNetSQLBkpFileInfoReq_t layout");
static_assert(sizeof(KelNetSQLBkpFileInfoRsp_t) == 576 && offsetof(KelNetSQLBkpFileInfoRsp_t, Count) == 560 &&
                  offsetof(KelNetSQLBkpFileInfoRsp_t, Entries) == 568,
              "KelNetSQLBkpFileInfoRsp_t layout");

class KelSQLBackupFileInfo : public KelNetSQLMessage<KelSQLBackupFileInfo, KelNetSQLBkpFileInfoReq_t,
                                                     KelNetSQLBkpFileInfoRsp_t, 0x1E000088, 0x1E000089> {
public:
    static constexpr const char* kClassName = "KelNetSQLBkpFileInfoReq";
    static constexpr const char* kRequestName = "KelNetSQLBkpFileInfoReq";
    static constexpr const char* kResponseName = "KelNetSQLBkpFileInfoRsp";

    KelSQLBackupFileInfo(KelSQLClassProperties& ctx, bool terminate) : KelNetSQLMessage(ctx, terminate) {}
    KelSQLBackupFileInfo(KelSQLClassProperties& ctx, unsigned long long messageId, char* request)
        : KelNetSQLMessage(ctx, messageId, request) {}
    ~KelSQLBackupFileInfo() override;
    KelSQLBackupFileInfo(const KelSQLBackupFileInfo&) = delete;
    KelSQLBackupFileInfo& operator=(const KelSQLBackupFileInfo&) = delete;

    // Reads every backup file of the set into the list, in id order, on the
    // context given (the catalogue here; no network path).
    bool query(unsigned long tesselId, unsigned long sqlBackupSetId);
    // The requesting end: asks the Ostrel and rebuilds the list (and the
    // response's entry array) from the answer.
    bool networkQuery(unsigned long tesselId, unsigned long sqlBackupSetId);

    // Builds the entry array from the list: count and array in response.
    void copyToNetwork(KelNetSQLBkpFileInfoRsp_t& response);
    // Releases the entry array and its texts; the response's reference is
    // cleared so that nothing can follow it.
    void freeNetworkMessage();

    const std::vector<backupFileInfo_t>& backupFileList() const { return list_; }

    void printResponseMessage(char*) override {}
    bool reply() override;
    bool messageOperations() override;

    // Answering side: the Ostrel only; any other side refuses (0x1E000031).
    bool answer(KelNetSQLBkpFileInfoReq_t& req, KelNetSQLBkpFileInfoRsp_t& rsp);
    void dumpRequest(const char* fn, const KelNetSQLBkpFileInfoReq_t& req);

private:
    // The list as the wire entries of the response, with texts of their own.
    void buildEntries();
    // Ends a reception that does not fit what was announced.
    bool broken(const char* why);

    std::vector<backupFileInfo_t> list_;
    std::vector<KelNetSQLBackupFileInfo_t> entries_;
    std::vector<std::unique_ptr<char[]>> texts_;
};
