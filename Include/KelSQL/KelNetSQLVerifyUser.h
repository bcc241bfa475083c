// The Ostrel asks an agent host to check an SQL login against an instance
// (not offered on this platform: the agent answers with failure), the
// installer's login check, and the lookup that loads an instance's login
// from the catalogue into a context before the Ostrel talks to its agent.
//
// The message keeps a reference to its context, which must outlive it.
#pragma once

#include <cstddef>
#include <string>

#include "KelSQL/KelNetSQLFrame.h"
#include "KelSQL/KelNetSQLSecurity.h"
#include "KelSQL/KelSQLClassProperties.h"

#pragma pack(push, 1)
struct KelNetSQLVerifyUserReq_t {
    char SqlServerName[129];
    char Credential[kelsql::kCredentialField];  // empty: no login sent
};
#pragma pack(pop)
struct KelNetSQLVerifyUserRsp_t {
    KelNetSQLOPStatus_t Status;
};
static_assert(sizeof(KelNetSQLVerifyUserReq_t) == 1153, "KelNetSQLVerifyUserReq_t size");
static_assert(offsetof(KelNetSQLVerifyUserReq_t, Credential) == 129, "KelNetSQLVerifyUserReq_t offsets");
static_assert(sizeof(KelNetSQLVerifyUserRsp_t) == 560, "KelNetSQLVerifyUserRsp_t size");

class KelNetSQLVerifyUser
    : public KelNetSQLMessage<KelNetSQLVerifyUser, KelNetSQLVerifyUserReq_t, KelNetSQLVerifyUserRsp_t, 0x1E000025,
                              0x1E000026> {
public:
    static constexpr const char* kClassName = "KelNetSQLVerifyUser";
    static constexpr const char* kRequestName = "KelNetSQLVerifyUserReq";
    static constexpr const char* kResponseName = "KelNetSQLVerifyUserRsp";

    KelNetSQLVerifyUser(KelSQLClassProperties& ctx, bool terminate) : KelNetSQLMessage(ctx, terminate) {}
    KelNetSQLVerifyUser(KelSQLClassProperties& ctx, unsigned long long messageId, char* request)
        : KelNetSQLMessage(ctx, messageId, request) {}

    // Credentials never reach the debug log.
    void printRequestMessage(char*) override {}
    void printResponseMessage(char*) override {}

    // Sends the request the caller filled to the agent host; 0x1E000043 when
    // the host cannot be addressed.
    bool networkVerify(const std::string& host);

    bool answer(KelNetSQLVerifyUserReq_t& req, KelNetSQLVerifyUserRsp_t& rsp);
};

// Installer: 0 when the login checks out, else an error number (saved as the
// installer's last error).
unsigned long sqlVerifySQLUser(const char* sqlServerName, const char* user, const char* password,
                               const char* virtualMachine, int clustered);

// Ostrel side: the login of the instance that owns a file, file group or
// database (the first id given from the instance's end wins) into cp's
// credentials. An instance id of 0 after the walk leaves them as they were.
bool lookupSqlUserInformation(KelLastError& err, KelSQLClassProperties& cp, unsigned long sqlServerId,
                              unsigned long sqlDatabaseId, unsigned long sqlFileGroupId, unsigned long sqlFileId);
