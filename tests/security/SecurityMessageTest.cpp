// SQL logins over real dispatchers: an agent looks up its instance's login
// on the Ostrel and hands the Ostrel a login; the Ostrel pushes a login to an
// agent host. Each answering side keeps what it was sent in the session's
// context.
#include "KelSQL/KelNetSQLSecurity.h"

#include "KelSQL/KelSQLErrors.h"
#include "platform/info/KelPI_DataBase.h"
#include "support/TesselFixture.h"

namespace {

using kel::test::refused;
using SecurityMessageTest = kel::test::TesselDispatcherTest;

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
    EXPECT_EQ(agent.getSQLUserAndPassword(), KelSQLUserAndPassword("backup", "pa'ss word", false));
    // The answer names the instance as the catalogue spells it, and the
    // context's data source follows it.
    EXPECT_EQ(kel::fieldText(security->responseMessage(false)->SqlServerName), "ALPHA\\SQL1");
    EXPECT_EQ(agent.getSQLDSN().dataSourceName(), "SQL1_SQLDrover");

    // An unknown instance leaves the login alone.
    EXPECT_FALSE(security->lookup("alpha", "ALPHA\\NONE", "master"));
    EXPECT_NE(security->getLastError().number(), 0u);
    EXPECT_EQ(agent.getSQLUserAndPassword(), KelSQLUserAndPassword("backup", "pa'ss word", false));
}

TEST_F(SecurityMessageTest, RefusedBeforeSending) {
    KelSQLClassProperties ostrel(kMachine, KelSQLServerSide);
    KelNetSQLSecurity* os = ostrel.getRemoteSecurity();
    setLogin(ostrel, "sa", "pw");
    EXPECT_TRUE(refused(os->lookup("alpha", "ALPHA\\SQL1", ""), os->getLastError(), kelsql::kErrAgentSideOnly));
    EXPECT_TRUE(refused(os->update("", "ALPHA\\SQL1"), os->getLastError(), kelsql::kErrValueNotSet, "clientName"));
    // A client without a host.
    EXPECT_TRUE(refused(os->update("beta", "BETA\\SQL1"), os->getLastError(), kelsql::kErrClientNotFound));
    EXPECT_TRUE(refused(os->update(0ul, "alpha"), os->getLastError(), kelsql::kErrValueNotSet, "sqlServerId"));

    KelSQLClassProperties agent(kMachine, KelSQLClientSide);
    KelNetSQLSecurity* as = agent.getRemoteSecurity();
    EXPECT_TRUE(refused(as->lookup("alpha", "", ""), as->getLastError(), kelsql::kErrValueNotSet, "serverName"));
    // Cut to its field, the name could be another client's.
    EXPECT_TRUE(refused(as->lookup(std::string(257, 'a'), "ALPHA\\SQL1", ""), as->getLastError(),
                        kelsql::kErrInvalidArgument, "clientName"));
    // A login the credential form cannot hold is refused before sending, with
    // a number and text that say what is wrong with it.
    const struct {
        std::string user, password;
        uint64_t number;
        const char* text;
    } forms[] = {
        {"", "pw", kelsql::kErrCredentialUserLength, "empty or longer than 99"},
        {std::string(100, 'u'), "pw", kelsql::kErrCredentialUserLength, "empty or longer than 99"},
        {std::string("s\0a", 3), "pw", kelsql::kErrCredentialCharacter, "NUL character"},
        {"sa", std::string("p\0w", 3), kelsql::kErrCredentialCharacter, "NUL character"},
        {std::string(99, 'u'), std::string(411, 'p'), kelsql::kErrCredentialLength, "together are longer than 509"},
    };
    for (const auto& f : forms) {
        SCOPED_TRACE(f.user.size());
        setLogin(agent, f.user, f.password);
        EXPECT_TRUE(refused(as->update("alpha", "ALPHA\\SQL1"), as->getLastError(), f.number));
        EXPECT_TRUE(refused(as->insert(), as->getLastError(), f.number));
        EXPECT_NE(as->getLastError().formatLastErrorMessage().find(f.text), std::string::npos);
    }
}

TEST_F(SecurityMessageTest, AgentLoginStaysInTheOstrelsSessionContext) {
    KelSQLClassProperties agent(kMachine, KelSQLClientSide);
    KelNetSQLSecurity* security = agent.getRemoteSecurity();
    // The Ostrel refuses a login meant for an agent.
    setLogin(agent, "sa", "pw");
    EXPECT_TRUE(refused(security->insert(), security->getLastError(), kelsql::kErrRequestRefused));
    EXPECT_FALSE(holdsLogin(agent, "sa", "pw"));

    // The longest user name that travels; the Ostrel answers with success
    // only once it has read the form.
    setLogin(agent, std::string(99, 'u'), "pw");
    ASSERT_TRUE(security->update("alpha", "ALPHA\\SQL1")) << security->getLastError().formatLastErrorMessage();
    setLogin(agent, "sa", "new'secret");
    ASSERT_TRUE(security->update("alpha", "ALPHA\\SQL1")) << security->getLastError().formatLastErrorMessage();
    EXPECT_EQ(security->requestMessage(false)->OpCode, uint32_t{KelNetSQLSecurityUpdateOstrel});
    EXPECT_TRUE(holdsLogin(agent, "sa", "new'secret"));
    // Another session's answering context was sent nothing.
    KelSQLClassProperties other(kMachine, KelSQLClientSide);
    EXPECT_FALSE(holdsLogin(other, "sa", "new'secret"));
}

TEST_F(SecurityMessageTest, ReceivedFormIsReadOnlyWithinItsField) {
    KelSQLClassProperties agent(kMachine, KelSQLClientSide);
    KelNetSQLSecurityReq_t req{};
    req.OpCode = KelNetSQLSecurityUpdateAgent;
    std::memset(req.Credential, 'A', sizeof(req.Credential));  // no NUL anywhere
    KelNetSQLSecurity answering(agent, 1, reinterpret_cast<char*>(&req));
    EXPECT_TRUE(refused(answering.buildReply(), answering.getLastError(), kelsql::kErrDecrypt));
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

    // The agent host refuses a lookup and a login meant for the Ostrel.
    KelSQLClassProperties third(kMachine, KelSQLServerSide);
    KelNetSQLSecurity m(third, false);
    ASSERT_TRUE(m.setRemoteDataAgent(kAgentHost));
    for (uint32_t code : {uint32_t{KelNetSQLSecurityLookup}, uint32_t{KelNetSQLSecurityUpdateOstrel}, 3u}) {
        KelNetSQLSecurityReq_t* req = m.requestMessage(true);
        req->OpCode = code;
        ASSERT_TRUE(kelsql::fillCredentialField(req->Credential, "sa", "pw"));
        EXPECT_TRUE(refused(m.networkQuery(), m.getLastError(), kelsql::kErrRequestRefused)) << code;
    }
    EXPECT_FALSE(holdsLogin(third, "sa", "pw", kAgentHost));
}
