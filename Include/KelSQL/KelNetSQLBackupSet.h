// The backup set message in its two record layouts: the first (request
// 0x1E00000B) and the second (0x1E000055), which adds the file or file-group
// subclient. The request type given to the constructor fixes an object's
// layout; the answering object is built with the type it received, so each
// layout is served in full. KelSQLBackupSet is the catalogue object behind it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "KelSQL/KelNetSQLFrame.h"

struct KelNetSQLBackupSet_t {
    uint64_t SqlBackupSetId;
    uint64_t TesselId;
    uint64_t SqlDatabaseId;
    uint64_t BackupSetId;  // the agent's number, not the row id
    char Name[129];
    char Description[256];
    char UserName[129];
    uint64_t VendorId;
    KelNetSQLMSVersion_t SqlVersion;
    KelNetSQLMSVersion_t MtfVersion;
    uint64_t TimeZone;
    uint64_t SeltraStartTime;   // seconds since 1970
    uint64_t SeltraFinishTime;  // seconds since 1970
    uint64_t Compatibility;
    uint64_t DBVersion;
    char BackupSize[33];
    uint64_t MediaSetId;
    uint64_t Streams;
    uint64_t JobId;
};

struct KelNetSQLBackupSet2_t {
    KelNetSQLBackupSet_t BackupSet;
    uint64_t SqlFileSubClientId;
};

enum KelNetSQLBackupSetCode : uint32_t {
    KelNetSQLBackupSetLookup = 1,
    KelNetSQLBackupSetInsert = 4,
    KelNetSQLBackupSetRemove = 6,
};

struct KelNetSQLBackupSetReq_t {
    uint32_t DBCode;
    KelNetSQLBackupSet_t BackupSet;
};
struct KelNetSQLBackupSetRsp_t {
    KelNetSQLOPStatus_t Status;
    KelNetSQLBackupSet_t BackupSet;
};
struct KelNetSQLBackupSet2Req_t {
    uint32_t DBCode;
    KelNetSQLBackupSet2_t BackupSet;
};
struct KelNetSQLBackupSet2Rsp_t {
    KelNetSQLOPStatus_t Status;
    KelNetSQLBackupSet2_t BackupSet;
};

static_assert(sizeof(KelNetSQLBackupSet_t) == 728, "KelNetSQLBackupSet_t size");
static_assert(offsetof(KelNetSQLBackupSet_t, TesselId) == 8 && offsetof(KelNetSQLBackupSet_t, SqlDatabaseId) == 16 &&
                  offsetof(KelNetSQLBackupSet_t, BackupSetId) == 24 && offsetof(KelNetSQLBackupSet_t, Name) == 32 &&
                  offsetof(KelNetSQLBackupSet_t, Description) == 161 &&
                  offsetof(KelNetSQLBackupSet_t, UserName) == 417 && offsetof(KelNetSQLBackupSet_t, VendorId) == 552 &&
                  offsetof(KelNetSQLBackupSet_t, SqlVersion) == 560 &&
                  offsetof(KelNetSQLBackupSet_t, MtfVersion) == 592 &&
                  offsetof(KelNetSQLBackupSet_t, TimeZone) == 624 &&
                  offsetof(KelNetSQLBackupSet_t, SeltraStartTime) == 632 &&
                  offsetof(KelNetSQLBackupSet_t, SeltraFinishTime) == 640 &&
                  offsetof(KelNetSQLBackupSet_t, Compatibility) == 648 &&
                  offsetof(KelNetSQLBackupSet_t, DBVersion) == 656 &&
                  offsetof(KelNetSQLBackupSet_t, BackupSize) == 664 &&
                  offsetof(KelNetSQLBackupSet_t, MediaSetId) == 704 &&
                  offsetof(KelNetSQLBackupSet_t, Streams) == 712 && offsetof(KelNetSQLBackupSet_t, JobId) == 720,
              "KelNetSQLBackupSet_t offsets");
static_assert(sizeof(KelNetSQLBackupSet2_t) == 736 && offsetof(KelNetSQLBackupSet2_t, SqlFileSubClientId) == 728,
              "KelNetSQLBackupSet2_t layout");
static_assert(sizeof(KelNetSQLBackupSetReq_t) == 736 && offsetof(KelNetSQLBackupSetReq_t, BackupSet) == 8,
              "KelNetSQLBackupSetReq_t layout");
static_assert(sizeof(KelNetSQLBackupSetRsp_t) == 1288 && offsetof(KelNetSQLBackupSetRsp_t, BackupSet) == 560,
              "KelNetSQLBackupSetRsp_t layout");
static_assert(sizeof(KelNetSQLBackupSet2Req_t) == 744 && offsetof(KelNetSQLBackupSet2Req_t, BackupSet) == 8,
              "KelNetSQLBackupSet2Req_t layout");
static_assert(sizeof(KelNetSQLBackupSet2Rsp_t) == 1296 && offsetof(KelNetSQLBackupSet2Rsp_t, BackupSet) == 560,
              "KelNetSQLBackupSet2Rsp_t layout");

class KelNetSQLBackupSet : public KelNetSQLFrame {
public:
    static constexpr unsigned long long kRequestType = 0x1E00000B;
    static constexpr unsigned long long kResponseType = 0x1E00000C;
    static constexpr unsigned long long kRequestType2 = 0x1E000055;
    static constexpr unsigned long long kResponseType2 = 0x1E000056;

    // Initiating end; requestType 0x1E000055 chooses the second layout, any
    // other value the first.
    KelNetSQLBackupSet(KelSQLClassProperties& ctx, bool terminate, unsigned long long requestType);
    // Answering end, with the request in hand (null: nothing copied).
    KelNetSQLBackupSet(KelSQLClassProperties& ctx, unsigned long long messageId, char* request,
                       unsigned long long requestType);

    bool setRequestMessage(char* request) override;
    bool setResponseMessage(char* response) override;
    void printRequestMessage(char* request) override;
    void printResponseMessage(char* response) override;
    bool buildReply() override;
    bool initialize(bool terminate) override;

    bool isSecondLayout() const { return requestType_ == kRequestType2; }
    unsigned long long requestMessageType() const { return requestType_; }
    // The records of the object's layout; null for the other layout's, or
    // when the buffer cannot hold it. Zeroed first when clear is true.
    KelNetSQLBackupSetReq_t* requestMessage(bool clear);
    KelNetSQLBackupSet2Req_t* requestMessage2(bool clear);
    KelNetSQLBackupSetRsp_t* responseMessage(bool clear);
    KelNetSQLBackupSet2Rsp_t* responseMessage2(bool clear);

    void printSQLBackupSet(const KelNetSQLBackupSet_t* record, const uint64_t* sqlFileSubClientId);

    // Sizes of the object's layout.
    size_t requestSize() const;
    size_t responseSize() const;

private:
    // The DBCode and the record of the request in hand, whichever layout.
    bool answer(uint32_t code, char* requestRecord, char* responseRecord);

    unsigned long long requestType_;
};
