// The SQL login of an instance on the wire, in the network credential form:
// an agent looks up the login of one of its instances on the Ostrel, the
// Ostrel pushes a login to an agent host before work that needs SQL Server,
// and an agent hands the Ostrel the login of an instance it registers. The
// answering side keeps what it is sent in its session's context.
//
// The message keeps a reference to its context, which must outlive it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "KelSQL/KelNetSQLFrame.h"
#include "KelSQL/KelSQLClassProperties.h"

enum KelNetSQLSecurityCode : uint32_t {
    KelNetSQLSecurityLookup = 1,        // agent asks the Ostrel for an instance's login
    KelNetSQLSecurityUpdateAgent = 2,   // a login sent to an agent host
    KelNetSQLSecurityUpdateOstrel = 4,  // a login sent to the Ostrel
};

namespace kelsql {
inline constexpr size_t kCredentialField = 1024;
// Fills a credential field with the network form of user and password,
// NUL-terminated; false (field untouched) when the form cannot be built or
// would not fit whole, since a cut form could never be read back.
bool fillCredentialField(char (&field)[kCredentialField], const std::string& user, const std::string& password);
// The same, saying why on err: the kErrCredential* number that keeps them
// out of the form, or number (with signature, see cipherFailed) when they
// cannot be sealed.
bool fillCredentialField(KelLastError& err, char (&field)[kCredentialField], const std::string& user,
                         const std::string& password, uint64_t number, const char* signature);
}  // namespace kelsql

struct KelNetSQLSecurityReq_t {
    uint32_t OpCode;
    char DatabaseName[129];        // lookup, optional
    char SqlServerName[129];       // lookup, update to the Ostrel
    char ClientName[257];          // lookup, update to the Ostrel
    char AgentSqlServerName[129];  // update to an agent host
    char Credential[kelsql::kCredentialField];
};
struct KelNetSQLSecurityRsp_t {
    KelNetSQLOPStatus_t Status;
    char SqlServerName[129];
    char Credential[kelsql::kCredentialField];
};
static_assert(sizeof(KelNetSQLSecurityReq_t) == 1672, "KelNetSQLSecurityReq_t size");
static_assert(offsetof(KelNetSQLSecurityReq_t, DatabaseName) == 4 &&
                  offsetof(KelNetSQLSecurityReq_t, SqlServerName) == 133 &&
                  offsetof(KelNetSQLSecurityReq_t, ClientName) == 262 &&
                  offsetof(KelNetSQLSecurityReq_t, AgentSqlServerName) == 519 &&
                  offsetof(KelNetSQLSecurityReq_t, Credential) == 648,
              "KelNetSQLSecurityReq_t offsets");
static_assert(sizeof(KelNetSQLSecurityRsp_t) == 1720, "KelNetSQLSecurityRsp_t size");
static_assert(offsetof(KelNetSQLSecurityRsp_t, SqlServerName) == 560 &&
                  offsetof(KelNetSQLSecurityRsp_t, Credential) == 689,
              "KelNetSQLSecurityRsp_t offsets");

class KelNetSQLSecurity
    : public KelNetSQLMessage<KelNetSQLSecurity, KelNetSQLSecurityReq_t, KelNetSQLSecurityRsp_t, 0x1E00000D,
                              0x1E00000E> {
public:
    static constexpr const char* kClassName = "KelNetSQLSecurity";
    static constexpr const char* kRequestName = "KelNetSQLSecurityReq";
    static constexpr const char* kResponseName = "KelNetSQLSecurityRsp";

    // Termination is always off, whatever the flag.
    KelNetSQLSecurity(KelSQLClassProperties& ctx, bool terminate);
    KelNetSQLSecurity(KelSQLClassProperties& ctx, unsigned long long messageId, char* request);
    // Copies the message; the context stays this message's own.
    KelNetSQLSecurity& operator=(const KelNetSQLSecurity& other);

    // Credentials never reach the debug log.
    void printRequestMessage(char*) override {}
    void printResponseMessage(char*) override {}
    bool initialize(bool terminate) override;

    // Agent side: the login of an instance, into the context's credentials;
    // a named instance in the answer also sets up the context's data source.
    bool lookup(const std::string& clientName, const std::string& serverName, const std::string& databaseName);
    // Ostrel side: the answer to a lookup.
    bool lookup(KelNetSQLSecurityReq_t* req, KelNetSQLSecurityRsp_t* rsp);
    // Ostrel side: the context's credentials to the agent host of a client
    // (by name, or the context's remote SQL host when the name is empty).
    bool update(unsigned long sqlServerId, const std::string& clientName);
    bool update(const std::string& sqlServerName, unsigned long clientId);
    // Ostrel side: as above for an instance named by the caller; agent side:
    // the context's credentials for an instance of a client, to the Ostrel.
    bool update(const std::string& clientName, const std::string& serverName);
    // Agent side: the context's credentials to wherever the session goes.
    bool insert();
    // Reads a network credential form into the context's credentials.
    bool set(const std::string& credential);
    bool networkQuery();

    bool answer(KelNetSQLSecurityReq_t& req, KelNetSQLSecurityRsp_t& rsp);
    // A lookup and a login sent to the Ostrel are the Ostrel's; a login sent
    // to an agent is the agent host's.
    static kelsql::AnswerSide answerSide(const KelNetSQLSecurityReq_t& req);

private:
    // A fresh request with the code and the network form of the context's
    // credentials; null when the form cannot hold them (the form's own
    // refusal, 0x1E0000B1..B3) or the sealed form does not fit (0x1E00003C).
    KelNetSQLSecurityReq_t* credentialRequest(uint32_t code, const char* function);
    // The agent host of a client, by name or id, into the context's remote
    // SQL host name; with no client the host already there must be set.
    bool findAgentHost(const std::string& clientName);
    bool findAgentHost(unsigned long clientId, const char* function);
};
