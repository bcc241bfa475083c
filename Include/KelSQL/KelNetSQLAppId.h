// The application-id message: an agent asks the Ostrel to find (DBCode 1) or
// create (DBCode 2) the application id of a client's instance, database and
// subclient, and gets four ids back. KelSQLAppId is the catalogue object
// behind it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "KelSQL/KelNetSQLFrame.h"

enum KelNetSQLAppIdCode : uint32_t {
    KelNetSQLAppIdLookup = 1,
    KelNetSQLAppIdCreate = 2,
};

// SPConfig values: the storage policies a creation assigns.
enum KelSQLAssignSP : uint64_t {
    // Only a policy still at its default 1 takes the one given.
    KelSQLAssignSPDefault = 0,
    // The policies given replace those held: an installer's configuration.
    KelSQLAssignSPGiven = 1,
    // A subclient's own storage policies win.
    KelSQLAssignSPOwn = 2,
};

struct KelNetSQLAppIdReqV3_t {
    uint32_t DBCode;
    char ClientName[257];
    uint64_t ApplicationType;
    char ServerName[129];
    char DatabaseName[129];
    char SubClientName[129];
    uint64_t ArchiveGroupNameId;
    uint64_t LOGArchiveGroupNameId;
    char Release[33];
    uint64_t SPConfig;  // KelSQLAssignSP
};
struct KelNetSQLAppIdRsp_t {
    KelNetSQLOPStatus_t Status;
    uint64_t InstanceId;
    uint64_t BackupSetId;
    uint64_t ApplicationId;
    uint64_t ClientId;
};

static_assert(sizeof(KelNetSQLAppIdReqV3_t) == 728, "KelNetSQLAppIdReqV3_t size");
static_assert(offsetof(KelNetSQLAppIdReqV3_t, ClientName) == 4 &&
                  offsetof(KelNetSQLAppIdReqV3_t, ApplicationType) == 264 &&
                  offsetof(KelNetSQLAppIdReqV3_t, ServerName) == 272 &&
                  offsetof(KelNetSQLAppIdReqV3_t, DatabaseName) == 401 &&
                  offsetof(KelNetSQLAppIdReqV3_t, SubClientName) == 530 &&
                  offsetof(KelNetSQLAppIdReqV3_t, ArchiveGroupNameId) == 664 &&
                  offsetof(KelNetSQLAppIdReqV3_t, LOGArchiveGroupNameId) == 672 &&
                  offsetof(KelNetSQLAppIdReqV3_t, Release) == 680 && offsetof(KelNetSQLAppIdReqV3_t, SPConfig) == 720,
              "KelNetSQLAppIdReqV3_t offsets");
static_assert(sizeof(KelNetSQLAppIdRsp_t) == 592, "KelNetSQLAppIdRsp_t size");
static_assert(offsetof(KelNetSQLAppIdRsp_t, InstanceId) == 560 && offsetof(KelNetSQLAppIdRsp_t, BackupSetId) == 568 &&
                  offsetof(KelNetSQLAppIdRsp_t, ApplicationId) == 576 &&
                  offsetof(KelNetSQLAppIdRsp_t, ClientId) == 584,
              "KelNetSQLAppIdRsp_t offsets");

// The response number is the lower of the two.
class KelNetSQLAppId
    : public KelNetSQLMessage<KelNetSQLAppId, KelNetSQLAppIdReqV3_t, KelNetSQLAppIdRsp_t, 0x1E00008C, 0x1E000018> {
public:
    static constexpr const char* kClassName = "KelNetSQLAppId";
    static constexpr const char* kRequestName = "KelNetSQLAppIdReq";
    static constexpr const char* kResponseName = "KelNetSQLAppIdRsp";

    KelNetSQLAppId(KelSQLClassProperties& ctx, bool terminate) : KelNetSQLMessage(ctx, terminate) {}
    KelNetSQLAppId(KelSQLClassProperties& ctx, unsigned long long messageId, char* request)
        : KelNetSQLMessage(ctx, messageId, request) {}

    // Answering side (the Ostrel): lookup or creation on a KelSQLAppId in
    // reply mode.
    bool answer(KelNetSQLAppIdReqV3_t& req, KelNetSQLAppIdRsp_t& rsp);
    void dumpRequest(const char* fn, const KelNetSQLAppIdReqV3_t& req);
    void dumpResponse(const char* fn, const KelNetSQLAppIdRsp_t& rsp);
};
