// SQL logins over real dispatchers: an agent looks up its instance's login
// on the Ostrel and hands the Ostrel a login; the Ostrel pushes a login to an
// agent host. Each answering side keeps what it was sent in the session's
// context.
#include "KelSQL/KelNetSQLSecurity.h"

#include "KelSQL/KelSQLErrors.h"
#include "SecurityFixture.h"
#include "platform/info/KelPI_DataBase.h"

namespace {

class SecurityMessageTest : public kel::test::SecurityTest {};

}  // namespace

TEST_F(SecurityMessageTest, AgentLooksUpItsInstanceLoginDecrypted) {
    loginRow("ALPHA\\SQL1", "backup", "pa'ss word");
    KelPI_DataBase database;
    ASSERT_NE(database.setFocus(kMachine), 0);
    ASSERT_NE(database.setSqlServerODBCDSN("ALPHA\\SQL1", "SQL1_SQLDrover"), 0);
    ASSERT_NE(database.setSqlServerVersion("ALPHA\\SQL1", "9.00.1399"), 0);

    KelSQLClassProperties agent(kMachine, KelSQLClientSide);
    KelNetSQLSecurity* security = agent.getRemoteSecurity();
    ASSERT_NE(security, nullptr);
    ASSERT_TRUE(security->lookup("alpha", "alpha\\sql1", "")) << security->getLastError().formatLastErrorMessage();
    EXPECT_EQ(agent.getSQLUserAndPassword().sqlUser(), "backup");
    EXPECT_EQ(agent.getSQLUserAndPassword().sqlPassword(), "pa'ss word");
    // The answer names the instance as the catalogue spells it, and the
    // context's data source follows it.
    EXPECT_EQ(kel::fieldText(security->responseMessage(false)->SqlServerName), "ALPHA\\SQL1");
    EXPECT_EQ(agent.getSQLDSN().dataSourceName(), "SQL1_SQLDrover");
}

TEST_F(SecurityMessageTest, UnknownInstanceLeavesTheLoginAlone) {
    KelSQLClassProperties agent(kMachine, KelSQLClientSide);
    setLogin(agent, "before", "kept");
    KelNetSQLSecurity* security = agent.getRemoteSecurity();
    EXPECT_FALSE(security->lookup("alpha", "ALPHA\\NONE", "master"));
    EXPECT_NE(security->getLastError().number(), 0u);
    EXPECT_EQ(agent.getSQLUserAndPassword(), KelSQLUserAndPassword("before", "kept", false));
}

TEST_F(SecurityMessageTest, LookupIsTheAgentsAndNeedsBothNames) {
    KelSQLClassProperties ostrel(kMachine, KelSQLServerSide);
    KelNetSQLSecurity* security = ostrel.getRemoteSecurity();
    EXPECT_FALSE(security->lookup("alpha", "ALPHA\\SQL1", ""));
    EXPECT_EQ(security->getLastError().number(), kelsql::kErrAgentSideOnly);
    KelSQLClassProperties agent(kMachine, KelSQLClientSide);
    EXPECT_FALSE(agent.getRemoteSecurity()->lookup("alpha", "", ""));
    EXPECT_EQ(kel::test::firstArgument(agent.getRemoteSecurity()->getLastError()), "serverName");
    // Cut to its field, the name could be another client's.
    EXPECT_FALSE(agent.getRemoteSecurity()->lookup(std::string(257, 'a'), "ALPHA\\SQL1", ""));
    EXPECT_EQ(agent.getRemoteSecurity()->getLastError().number(), kelsql::kErrInvalidArgument);
    EXPECT_EQ(kel::test::firstArgument(agent.getRemoteSecurity()->getLastError()), "clientName");
}

TEST_F(SecurityMessageTest, AgentLoginStaysInTheOstrelsSessionContext) {
    KelSQLClassProperties agent(kMachine, KelSQLClientSide);
    setLogin(agent, "sa", "new'secret");
    KelNetSQLSecurity* security = agent.getRemoteSecurity();
    ASSERT_TRUE(security->update("alpha", "ALPHA\\SQL1")) << security->getLastError().formatLastErrorMessage();
    EXPECT_EQ(security->requestMessage(false)->OpCode, uint32_t{KelNetSQLSecurityUpdateOstrel});
    EXPECT_TRUE(holdsLogin(agent, "sa", "new'secret"));

    // Another session's answering context was sent nothing.
    KelSQLClassProperties other(kMachine, KelSQLClientSide);
    EXPECT_FALSE(holdsLogin(other, "sa", "new'secret"));
}

TEST_F(SecurityMessageTest, OstrelRefusesALoginMeantForAnAgent) {
    KelSQLClassProperties agent(kMachine, KelSQLClientSide);
    setLogin(agent, "sa", "pw");
    KelNetSQLSecurity* security = agent.getRemoteSecurity();
    EXPECT_FALSE(security->insert());
    EXPECT_EQ(security->getLastError().number(), kelsql::kErrRequestRefused);
    EXPECT_FALSE(holdsLogin(agent, "sa", "pw"));
}

TEST_F(SecurityMessageTest, LoginThatCannotTravelIsNotSent) {
    KelSQLClassProperties agent(kMachine, KelSQLClientSide);
    KelNetSQLSecurity* security = agent.getRemoteSecurity();
    // A user name of 100 characters has no two-digit length.
    setLogin(agent, std::string(100, 'u'), "pw");
    EXPECT_FALSE(security->update("alpha", "ALPHA\\SQL1"));
    EXPECT_EQ(security->getLastError().number(), kelsql::kErrCredentialUserLength);
    setLogin(agent, std::string(99, 'u'), "pw");
    // The Ostrel answers with success only once it has read the form.
    EXPECT_TRUE(security->update("alpha", "ALPHA\\SQL1")) << security->getLastError().formatLastErrorMessage();
    // No user at all cannot be sent either.
    setLogin(agent, "", "pw");
    EXPECT_FALSE(security->insert());
    EXPECT_EQ(security->getLastError().number(), kelsql::kErrCredentialUserLength);
}

TEST_F(SecurityMessageTest, ReceivedFormIsReadOnlyWithinItsField) {
    KelSQLClassProperties agent(kMachine, KelSQLClientSide);
    KelNetSQLSecurityReq_t req{};
    req.OpCode = KelNetSQLSecurityUpdateAgent;
    std::memset(req.Credential, 'A', sizeof(req.Credential));  // no NUL anywhere
    KelNetSQLSecurity answering(agent, 1, reinterpret_cast<char*>(&req));
    EXPECT_FALSE(answering.buildReply());
    EXPECT_EQ(answering.getLastError().number(), kelsql::kErrDecrypt);
    EXPECT_EQ(answering.responseMessage(false)->Status.Status, 1u);
}

TEST_F(SecurityMessageTest, OstrelPushesALoginToTheAgentHost) {
    startAgentHost();
    const unsigned long id = loginRow("ALPHA\\CLU", "ignored", "ignored", 0x1);
    KelSQLClassProperties ostrel(kMachine, KelSQLServerSide);
    setLogin(ostrel, "pushed", "p@ss");
    KelNetSQLSecurity* security = ostrel.getRemoteSecurity();
    ASSERT_TRUE(security->update(id, "alpha")) << security->getLastError().formatLastErrorMessage();
    EXPECT_EQ(ostrel.remoteSqlHostName(), kAgentHost);
    EXPECT_EQ(kel::fieldText(security->requestMessage(false)->AgentSqlServerName), "ALPHA\\CLU");
    EXPECT_TRUE(holdsLogin(ostrel, "pushed", "p@ss", kAgentHost));

    // By instance name and client id, on a fresh session.
    KelSQLClassProperties second(kMachine, KelSQLServerSide);
    setLogin(second, "second", "pw2");
    ASSERT_TRUE(second.getRemoteSecurity()->update("ALPHA\\CLU", alpha_))
        << second.getRemoteSecurity()->getLastError().formatLastErrorMessage();
    EXPECT_TRUE(holdsLogin(second, "second", "pw2", kAgentHost));
}

TEST_F(SecurityMessageTest, OstrelUpdateNeedsAnAgentHost) {
    KelSQLClassProperties ostrel(kMachine, KelSQLServerSide);
    setLogin(ostrel, "sa", "pw");
    KelNetSQLSecurity* security = ostrel.getRemoteSecurity();
    EXPECT_FALSE(security->update("", "ALPHA\\SQL1"));
    EXPECT_EQ(security->getLastError().number(), kelsql::kErrValueNotSet);
    EXPECT_EQ(kel::test::firstArgument(security->getLastError()), "clientName");
    // A client without a host.
    EXPECT_FALSE(security->update("beta", "BETA\\SQL1"));
    EXPECT_EQ(security->getLastError().number(), kelsql::kErrClientNotFound);
    EXPECT_FALSE(security->update(0ul, "alpha"));
    EXPECT_EQ(kel::test::firstArgument(security->getLastError()), "sqlServerId");
}

TEST_F(SecurityMessageTest, AgentHostRefusesALookupAndALoginMeantForTheOstrel) {
    startAgentHost();
    KelSQLClassProperties ostrel(kMachine, KelSQLServerSide);
    KelNetSQLSecurity m(ostrel, false);
    ASSERT_TRUE(m.setRemoteDataAgent(kAgentHost));
    for (uint32_t code : {uint32_t{KelNetSQLSecurityLookup}, uint32_t{KelNetSQLSecurityUpdateOstrel}, 3u}) {
        KelNetSQLSecurityReq_t* req = m.requestMessage(true);
        req->OpCode = code;
        ASSERT_TRUE(kelsql::fillCredentialField(req->Credential, "sa", "pw"));
        EXPECT_FALSE(m.networkQuery()) << code;
        EXPECT_EQ(m.getLastError().number(), kelsql::kErrRequestRefused) << code;
    }
    EXPECT_FALSE(holdsLogin(ostrel, "sa", "pw", kAgentHost));
}
