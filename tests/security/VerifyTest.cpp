// Credential checks the Ostrel asks of an agent host (answered with failure
// on this platform, never with number 0), the installer's checks and
// account update, and the NT-security message a context owns.
#include "KelSQL/KelNetSQLNTSecurity.h"
#include "KelSQL/KelNetSQLVerifyUser.h"

#include "KelSQL/KelNetSQLDBTransaction.h"
#include "KelSQL/KelSQLServer.h"
#include "KelSQL/KelSQLErrors.h"
#include "SecurityFixture.h"
#include "platform/events/KelDebug.h"

namespace {

class VerifyTest : public kel::test::SecurityTest {
protected:
    // A verify-user request for instance carrying form as its credential.
    static void fill(KelNetSQLVerifyUser& m, const std::string& instance, const std::string& user,
                     const std::string& password) {
        KelNetSQLVerifyUserReq_t* req = m.requestMessage(true);
        kel::copyField(req->SqlServerName, instance);
        if (!user.empty()) {
            ASSERT_TRUE(kelsql::fillCredentialField(req->Credential, user, password));
        }
    }
    static bool loggedNotSupported(const char* function) {
        return kel::test::readFile(KelDebug::logFilePath())
                   .find(std::string(function) + ": " + kelsql::kNotSupportedText) != std::string::npos;
    }
};

}  // namespace

TEST_F(VerifyTest, AgentHostAnswersVerifyUserWithFailure) {
    startAgentHost();
    KelSQLClassProperties ostrel(kMachine, KelSQLServerSide);
    KelNetSQLVerifyUser m(ostrel, false);
    fill(m, "ALPHA\\SQL1", "sa", "pw");
    EXPECT_FALSE(m.networkVerify(kAgentHost));
    EXPECT_EQ(m.getLastError().number(), kelsql::kErrNotSupported);
    EXPECT_EQ(m.responseMessage(false)->Status.Status, 1u);

    // An unreadable credential is refused before any check.
    KelNetSQLVerifyUserReq_t* req = m.requestMessage(true);
    kel::copyField(req->SqlServerName, "ALPHA\\SQL1");
    kel::copyField(req->Credential, "not a sealed form");
    EXPECT_FALSE(m.networkVerify(kAgentHost));
    EXPECT_EQ(m.getLastError().number(), kelsql::kErrDecrypt);
}

TEST_F(VerifyTest, VerifyUserNeedsAnAgentHost) {
    KelSQLClassProperties ostrel(kMachine, KelSQLServerSide);
    KelNetSQLVerifyUser m(ostrel, false);
    fill(m, "ALPHA\\SQL1", "", "");
    EXPECT_FALSE(m.networkVerify(""));
    EXPECT_EQ(m.getLastError().number(), kelsql::kErrAgentAddress);
    // The Ostrel's dispatcher answers on an Ostrel-side context: refused.
    EXPECT_FALSE(m.networkVerify(kOstrel));
    EXPECT_EQ(m.getLastError().number(), kelsql::kErrRequestRefused);
}

TEST_F(VerifyTest, NTVerifyReachesTheAgentHostAndFails) {
    startAgentHost();
    loginRow("ALPHA\\SQL1", "sa", "pw");
    KelSQLClassProperties ostrel(kMachine, KelSQLServerSide);
    KelNetSQLNTSecurity* nt = ostrel.getNTSecurity();
    ASSERT_NE(nt, nullptr);
    EXPECT_FALSE(nt->verify("alpha", "ALPHA\\SQL1", "DOMAIN\\svc", "pw"));
    EXPECT_EQ(nt->getLastError().number(), kelsql::kErrNotSupported);
    EXPECT_EQ(ostrel.remoteSqlHostName(), kAgentHost);
    EXPECT_EQ(nt->getRemoteHostName(), kAgentHost);

    EXPECT_FALSE(nt->verify(tessel_, alpha_, "ALPHA\\SQL1", "DOMAIN\\svc", "pw", "", ""));
    EXPECT_EQ(nt->getLastError().number(), kelsql::kErrNotSupported);
    // Whatever SQL user the caller names, the request carries none.
    std::string user, password;
    ASSERT_TRUE(decryptNetworkSQLPassword(kel::fieldText(nt->requestMessage(false)->SqlCredential), user, password));
    EXPECT_EQ(user, "NotApplicable");
    EXPECT_EQ(password, "pw");
}

TEST_F(VerifyTest, NTVerifyArgumentsAndSide) {
    KelSQLClassProperties ostrel(kMachine, KelSQLServerSide);
    KelNetSQLNTSecurity* nt = ostrel.getNTSecurity();
    EXPECT_FALSE(nt->verify("alpha", "ALPHA\\SQL1", "", "pw"));
    EXPECT_EQ(kel::test::firstArgument(nt->getLastError()), "NTUser");
    EXPECT_FALSE(nt->verify(tessel_, 0, "ALPHA\\SQL1", "svc", "pw", "", ""));
    EXPECT_EQ(kel::test::firstArgument(nt->getLastError()), "clientId");
    // beta has no host to send to.
    EXPECT_FALSE(nt->verify("beta", "BETA\\SQL1", "svc", "pw"));
    EXPECT_EQ(nt->getLastError().number(), kelsql::kErrClientNotFound);

    // A host the messaging cannot address: refused, never sent elsewhere.
    unsigned long gamma = 0;
    ASSERT_EQ(0, admin_.createClient(tessel_, "gamma", std::string(256, 'h'), gamma));
    EXPECT_FALSE(nt->verify("gamma", "GAMMA\\SQL1", "svc", "pw"));
    EXPECT_EQ(nt->getLastError().number(), kelsql::kErrAgentAddress);
    EXPECT_FALSE(nt->verify(tessel_, gamma, "GAMMA\\SQL1", "svc", "pw", "sa", "pw"));
    EXPECT_EQ(nt->getLastError().number(), kelsql::kErrAgentAddress);

    KelSQLClassProperties agent(kMachine, KelSQLClientSide);
    EXPECT_FALSE(agent.getNTSecurity()->verify("alpha", "ALPHA\\SQL1", "svc", "pw"));
    EXPECT_EQ(agent.getNTSecurity()->getLastError().number(), kelsql::kErrNoSide);
}

TEST_F(VerifyTest, NTLookupOfAnInstanceWithoutAccountKeepsThePreviousOne) {
    loginRow("ALPHA\\SQL1", "sa", "pw");
    KelSQLClassProperties agent(kMachine, KelSQLClientSide);
    KelNetSQLNTSecurity* nt = agent.getNTSecurity();
    ASSERT_TRUE(nt->set([] {
        std::string form;
        encryptNetworkSQLPassword("DOMAIN\\old", "oldpw", form);
        return form;
    }()));
    ASSERT_TRUE(nt->lookup("alpha", "ALPHA\\SQL1")) << nt->getLastError().formatLastErrorMessage();
    EXPECT_EQ(nt->ntUser(), "DOMAIN\\old");
    EXPECT_EQ(nt->ntPassword(), "oldpw");

    std::string stored;
    ASSERT_TRUE(encryptSQLPassword("svcpw", stored));
    ASSERT_TRUE(kel::test::sql("UPDATE sqlServer SET sqlNTAccount = 'DOMAIN\\svc', sqlNTPassword = '" + stored + "'"));
    ASSERT_TRUE(nt->lookup("alpha", "ALPHA\\SQL1")) << nt->getLastError().formatLastErrorMessage();
    EXPECT_EQ(nt->ntUser(), "DOMAIN\\svc");
    EXPECT_EQ(nt->ntPassword(), "svcpw");
}

TEST_F(VerifyTest, UnsupportedNTUpdateFailsWithANumber) {
    KelSQLClassProperties agent(kMachine, KelSQLClientSide);
    KelNetSQLNTSecurity* nt = agent.getNTSecurity();
    EXPECT_FALSE(nt->update("alpha", "ALPHA\\SQL1", "svc", "pw", false));
    EXPECT_EQ(nt->getLastError().number(), kelsql::kErrNotSupported);
    EXPECT_TRUE(loggedNotSupported("KelNetSQLSecurity::update()"));
}

TEST_F(VerifyTest, InstallerChecksNeverReadAsSuccess) {
    EXPECT_EQ(sqlVerifySQLUser("ALPHA\\SQL1", "sa", "pw", nullptr, 1), kelsql::kErrNotSupported);
    EXPECT_EQ(sqlVerifySQLUser("ALPHA\\SQL1", "sa", "pw", "", 0), kelsql::kErrNotSupported);
    EXPECT_EQ(sqlVerifyNTSQLUser("ALPHA\\SQL1", "svc", "pw", kMachine, "sa", "pw"), kelsql::kErrNotSupported);
    unsigned long number = 0;
    char text[256] = {};
    ASSERT_EQ(sqlFormatLastError(&number, text, sizeof(text)), 0u);
    EXPECT_EQ(number, kelsql::kErrNotSupported);
}

TEST_F(VerifyTest, InstallerAccountUpdate) {
    EXPECT_EQ(sqlUpdateNTAccount(nullptr, "svc", "pw", kMachine), kelsql::kErrInvalidArgument);
    EXPECT_EQ(sqlUpdateNTAccount("ALPHA\\SQL1", "", "pw", kMachine), kelsql::kErrInvalidArgument);
    EXPECT_EQ(sqlUpdateNTAccount("ALPHA\\SQL1", "svc", nullptr, kMachine), kelsql::kErrInvalidArgument);
    // The update itself is not offered: the transaction it opened is rolled back.
    EXPECT_EQ(sqlUpdateNTAccount("ALPHA\\SQL1", "svc", "pw", kMachine), kelsql::kErrNotSupported);

    // A caller's context must bring a started network transaction.
    KelSQLClassProperties agent(kMachine, KelSQLClientSide);
    EXPECT_EQ(sqlUpdateNTAccountProperty(&agent, "ALPHA\\SQL1", "svc", "pw", kMachine), kelsql::kErrTranRequired);
    ASSERT_TRUE(agent.getNetworkDBTransaction()->startTransaction());
    EXPECT_EQ(sqlUpdateNTAccountProperty(&agent, "ALPHA\\SQL1", "svc", "pw", kMachine), kelsql::kErrNotSupported);
    KelNetSQLDBTransState state = 0;
    ASSERT_TRUE(agent.getNetworkDBTransaction()->getTransactionStatus(&state));
    EXPECT_EQ(state, uint32_t{KelSQLTranRolledBack});
}

TEST_F(VerifyTest, OstrelStoresAnAccountAnAgentSends) {
    const unsigned long id = loginRow("ALPHA\\SQL1", "sa", "pw");
    KelSQLClassProperties agent(kMachine, KelSQLClientSide);
    KelNetSQLDBTransaction* tran = agent.getNetworkDBTransaction();
    ASSERT_TRUE(tran->startTransaction());
    KelNetSQLNTSecurity* nt = agent.getNTSecurity();
    KelNetSQLNTSecurityReq_t* req = nt->requestMessage(true);
    req->OpCode = KelNetSQLNTSecurityUpdate;
    kel::copyField(req->ClientName, "alpha");
    kel::copyField(req->SqlServerName, "ALPHA\\SQL1");
    ASSERT_TRUE(kelsql::fillCredentialField(req->NTCredential, "DOMAIN\\svc", "svc'pw"));
    ASSERT_TRUE(nt->networkQuery()) << nt->getLastError().formatLastErrorMessage();
    ASSERT_TRUE(tran->commitTransaction());

    KelSQLClassProperties ostrel(kMachine, KelSQLServerSide);
    KelSQLServer server(ostrel, false);
    ASSERT_TRUE(server.query(id)) << server.getLastError().formatLastErrorMessage();
    EXPECT_EQ(server.ntUser(), "DOMAIN\\svc");
    EXPECT_EQ(server.ntUserPassword(), "svc'pw");
    EXPECT_EQ(server.sa(), "sa");

    // An unknown instance is the instance lookup's error.
    ASSERT_TRUE(tran->startTransaction());
    kel::copyField(nt->requestMessage(false)->SqlServerName, "ALPHA\\NONE");
    EXPECT_FALSE(nt->networkQuery());
    EXPECT_NE(nt->getLastError().number(), 0u);
    ASSERT_TRUE(tran->rollbackTransaction());
}

TEST_F(VerifyTest, ServiceAccountCheckedWithTheAgentFirst) {
    startAgentHost();
    const unsigned long id = loginRow("ALPHA\\SQL1", "sa", "pw");
    KelSQLClassProperties ostrel(kMachine, KelSQLServerSide);
    ASSERT_TRUE(ostrel.startTransaction());
    KelSQLServer server(ostrel, false);
    ASSERT_TRUE(server.query(id));
    // The agent host cannot check it: the account is not stored.
    EXPECT_FALSE(server.setNTUser("alpha", "DOMAIN\\svc", "pw", true));
    EXPECT_EQ(server.getLastError().number(), kelsql::kErrNotSupported);
    ASSERT_TRUE(server.setNTUser("alpha", "DOMAIN\\svc", "pw", false)) << server.getLastError().formatLastErrorMessage();
    ASSERT_TRUE(ostrel.commitTransaction());
}
