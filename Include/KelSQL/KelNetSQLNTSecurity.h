// The service (NT) account of an instance on the wire: an agent looks it up
// on the Ostrel, the Ostrel stores one an agent sends, and the Ostrel asks an
// agent host to verify one (not offered on this platform: the agent answers
// with failure). Also the installer functions that verify and update it.
//
// The message keeps a reference to its context, which must outlive it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "KelSQL/KelNetSQLFrame.h"
#include "KelSQL/KelNetSQLSecurity.h"
#include "KelSQL/KelSQLClassProperties.h"

enum KelNetSQLNTSecurityCode : uint32_t {
    KelNetSQLNTSecurityLookup = 1,
    KelNetSQLNTSecurityUpdate = 2,
    KelNetSQLNTSecurityVerify = 3,
};

struct KelNetSQLNTSecurityReq_t {
    uint32_t OpCode;
    char Unused[129];
    char SqlServerName[129];
    char ClientName[257];
    char SqlCredential[kelsql::kCredentialField];
    char NTCredential[kelsql::kCredentialField];
};
struct KelNetSQLNTSecurityRsp_t {
    KelNetSQLOPStatus_t Status;
    char Unused[kelsql::kCredentialField];
    char NTCredential[kelsql::kCredentialField];
};
static_assert(sizeof(KelNetSQLNTSecurityReq_t) == 2568, "KelNetSQLNTSecurityReq_t size");
static_assert(offsetof(KelNetSQLNTSecurityReq_t, Unused) == 4 &&
                  offsetof(KelNetSQLNTSecurityReq_t, SqlServerName) == 133 &&
                  offsetof(KelNetSQLNTSecurityReq_t, ClientName) == 262 &&
                  offsetof(KelNetSQLNTSecurityReq_t, SqlCredential) == 519 &&
                  offsetof(KelNetSQLNTSecurityReq_t, NTCredential) == 1543,
              "KelNetSQLNTSecurityReq_t offsets");
static_assert(sizeof(KelNetSQLNTSecurityRsp_t) == 2608, "KelNetSQLNTSecurityRsp_t size");
static_assert(offsetof(KelNetSQLNTSecurityRsp_t, Unused) == 560 &&
                  offsetof(KelNetSQLNTSecurityRsp_t, NTCredential) == 1584,
              "KelNetSQLNTSecurityRsp_t offsets");

class KelNetSQLNTSecurity
    : public KelNetSQLMessage<KelNetSQLNTSecurity, KelNetSQLNTSecurityReq_t, KelNetSQLNTSecurityRsp_t, 0x1E000039,
                              0x1E00003A> {
public:
    static constexpr const char* kClassName = "KelNetSQLNTSecurity";
    static constexpr const char* kRequestName = "KelNetSQLNTSecurityReq";
    static constexpr const char* kResponseName = "KelNetSQLNTSecurityRsp";

    // Termination is always off, whatever the flag.
    KelNetSQLNTSecurity(KelSQLClassProperties& ctx, bool terminate);
    KelNetSQLNTSecurity(KelSQLClassProperties& ctx, unsigned long long messageId, char* request);
    // Copies the message and the account; the context stays this message's own.
    KelNetSQLNTSecurity& operator=(const KelNetSQLNTSecurity& other);

    // Accounts never reach the debug log.
    void printRequestMessage(char*) override {}
    void printResponseMessage(char*) override {}
    bool initialize(bool terminate) override;

    const std::string& ntUser() const { return ntUser_; }
    const std::string& ntPassword() const { return ntPassword_; }

    // Agent side: the instance's account from the Ostrel into ntUser()/ntPassword().
    bool lookup(const std::string& clientName, const std::string& serverName);
    // The answers to lookup, update and verify; verify is not offered here: 0x1E0000FF.
    bool lookup(KelNetSQLNTSecurityReq_t* req, KelNetSQLNTSecurityRsp_t* rsp);
    bool update(KelNetSQLNTSecurityReq_t* req, KelNetSQLNTSecurityRsp_t* rsp);
    bool verify(KelNetSQLNTSecurityReq_t* req, KelNetSQLNTSecurityRsp_t* rsp);
    // Not offered on this platform: 0x1E0000FF.
    bool update(const std::string& clientName, const std::string& serverName, const std::string& ntUser,
                const std::string& ntPassword, bool flag);
    // Ostrel side: asks the client's agent host to verify an account.
    bool verify(const std::string& clientName, const std::string& serverName, const std::string& ntUser,
                const std::string& ntPassword);
    bool verify(unsigned long tesselId, unsigned long clientId, const std::string& serverName,
                const std::string& ntUser, const std::string& ntPassword, const std::string& sqlUser,
                const std::string& sqlPassword);
    // Reads an NT network form into ntUser()/ntPassword(); an empty form
    // changes nothing.
    bool set(const std::string& credential);
    bool networkQuery();

    bool answer(KelNetSQLNTSecurityReq_t& req, KelNetSQLNTSecurityRsp_t& rsp);
    // Lookup and update read and write the catalogue (the Ostrel); a verify
    // is the agent host's.
    static kelsql::AnswerSide answerSide(const KelNetSQLNTSecurityReq_t& req);

private:
    // The verify request once the agent host is addressed.
    bool sendVerify(const std::string& clientName, const std::string& serverName, const std::string& sqlUser,
                    const std::string& sqlPassword, const std::string& ntUser, const std::string& ntPassword,
                    const char* function);

    std::string ntUser_;
    std::string ntPassword_;
};

// Installer functions: 0 on success, else an error number that is also saved
// as the installer's last error.
unsigned long sqlVerifyNTSQLUser(const char* serverName, const char* ntUser, const char* ntPassword,
                                 const char* virtualMachine, const char* sqlUser, const char* sqlPassword);
unsigned long sqlUpdateNTAccount(const char* serverName, const char* ntUser, const char* ntPassword,
                                 const char* virtualMachine);
unsigned long sqlUpdateNTAccountProperty(KelSQLClassProperties* property, const char* serverName,
                                         const char* ntUser, const char* ntPassword, const char* virtualMachine);
