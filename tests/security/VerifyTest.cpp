// Credential checks the Ostrel asks of an agent host (answered with failure
// on this platform, never with number 0), the installer's checks and
// account update, and the NT-security message a context owns.
#include "KelSQL/KelNetSQLNTSecurity.h"
#include "KelSQL/KelNetSQLVerifyUser.h"

#include "KelSQL/KelNetSQLDBTransaction.h"
#include "KelSQL/KelSQLErrors.h"
#include "KelSQL/KelSQLServer.h"
#include "platform/events/KelDebug.h"
#include "support/TesselFixture.h"

namespace {

using kel::test::refused;
using VerifyTest = kel::test::TesselDispatcherTest;

}  // namespace

TEST_F(VerifyTest, VerifyUserIsAnsweredByAnAgentHostWithFailure) {
    KelSQLClassProperties ostrel(kMachine, KelSQLServerSide);
    KelNetSQLVerifyUser m(ostrel, false);
    KelNetSQLVerifyUserReq_t* req = m.requestMessage(true);
    kel::copyField(req->SqlServerName, "ALPHA\\SQL1");
    EXPECT_TRUE(refused(m.networkVerify(""), m.getLastError(), kelsql::kErrAgentAddress));
    // The Ostrel's dispatcher answers on an Ostrel-side context: refused.
    EXPECT_TRUE(refused(m.networkVerify(kOstrel), m.getLastError(), kelsql::kErrRequestRefused));

    startAgentHost();
    ASSERT_TRUE(kelsql::fillCredentialField(req->Credential, "sa", "pw"));
    EXPECT_TRUE(refused(m.networkVerify(kAgentHost), m.getLastError(), kelsql::kErrNotSupported));
    EXPECT_EQ(m.responseMessage(false)->Status.Status, 1u);
    // An unreadable credential is refused before any check.
    kel::copyField(req->Credential, "not a sealed form");
    EXPECT_TRUE(refused(m.networkVerify(kAgentHost), m.getLastError(), kelsql::kErrDecrypt));
}

TEST_F(VerifyTest, NTVerifyReachesTheAgentHostAfterItsArgumentChecks) {
    KelSQLClassProperties ostrel(kMachine, KelSQLServerSide);
    KelNetSQLNTSecurity* nt = ostrel.getNTSecurity();
    ASSERT_NE(nt, nullptr);
    const KelLastError& err = nt->getLastError();
    startAgentHost();
    loginRow("ALPHA\\SQL1", "sa", "pw");
    EXPECT_TRUE(refused(nt->verify("alpha", "ALPHA\\SQL1", "DOMAIN\\svc", "pw"), err, kelsql::kErrNotSupported));
    EXPECT_EQ(ostrel.remoteSqlHostName() + " " + nt->getRemoteHostName(), std::string(kAgentHost) + " " + kAgentHost);
    EXPECT_TRUE(refused(nt->verify(tessel_, alpha_, "ALPHA\\SQL1", "DOMAIN\\svc", "pw", "", ""), err, kelsql::kErrNotSupported));
    // Whatever SQL user the caller names, the request carries none.
    std::string user, password;
    ASSERT_TRUE(decryptNetworkSQLPassword(kel::fieldText(nt->requestMessage(false)->SqlCredential), user, password));
    EXPECT_EQ(user + ":" + password, "NotApplicable:pw");
    EXPECT_TRUE(refused(nt->verify("alpha", "ALPHA\\SQL1", "", "pw"), err, kelsql::kErrValueNotSet, "NTUser"));
    EXPECT_TRUE(refused(nt->verify(tessel_, 0, "ALPHA\\SQL1", "svc", "pw", "", ""), err, kelsql::kErrValueNotSet,
                        "clientId"));
    // beta has no host to send to.
    EXPECT_TRUE(refused(nt->verify("beta", "BETA\\SQL1", "svc", "pw"), err, kelsql::kErrClientNotFound));
    // A host the messaging cannot address: refused, never sent elsewhere.
    unsigned long gamma = 0;
    ASSERT_EQ(0, admin_.createClient(tessel_, "gamma", std::string(256, 'h'), gamma));
    EXPECT_TRUE(refused(nt->verify("gamma", "GAMMA\\SQL1", "svc", "pw"), err, kelsql::kErrAgentAddress));
    EXPECT_TRUE(refused(nt->verify(tessel_, gamma, "GAMMA\\SQL1", "svc", "pw", "sa", "pw"), err,
                        kelsql::kErrAgentAddress));

    KelSQLClassProperties agent(kMachine, KelSQLClientSide);
    EXPECT_TRUE(refused(agent.getNTSecurity()->verify("alpha", "ALPHA\\SQL1", "svc", "pw"),
                        agent.getNTSecurity()->getLastError(), kelsql::kErrNoSide));
    // Updating the account is not offered on this platform.
    EXPECT_TRUE(refused(agent.getNTSecurity()->update("alpha", "ALPHA\\SQL1", "svc", "pw", false),
                        agent.getNTSecurity()->getLastError(), kelsql::kErrNotSupported));
    EXPECT_NE(kel::test::readFile(KelDebug::logFilePath())
                  .find(std::string("KelNetSQLSecurity::update(): ") + kelsql::kNotSupportedText),
              std::string::npos);
}

TEST_F(VerifyTest, NTLookupOfAnInstanceWithoutAccountKeepsThePreviousOne) {
    loginRow("ALPHA\\SQL1", "sa", "pw");
    KelSQLClassProperties agent(kMachine, KelSQLClientSide);
    KelNetSQLNTSecurity* nt = agent.getNTSecurity();
    std::string form;
    ASSERT_TRUE(encryptNetworkSQLPassword("DOMAIN\\old", "oldpw", form));
    ASSERT_TRUE(nt->set(form));
    ASSERT_TRUE(nt->lookup("alpha", "ALPHA\\SQL1")) << nt->getLastError().formatLastErrorMessage();
    EXPECT_EQ(nt->ntUser() + ":" + nt->ntPassword(), "DOMAIN\\old:oldpw");

    std::string stored;
    ASSERT_TRUE(encryptSQLPassword("svcpw", stored));
    ASSERT_TRUE(kel::test::sql("UPDATE sqlServer SET sqlNTAccount = 'DOMAIN\\svc', sqlNTPassword = '" + stored + "'"));
    ASSERT_TRUE(nt->lookup("alpha", "ALPHA\\SQL1")) << nt->getLastError().formatLastErrorMessage();
    EXPECT_EQ(nt->ntUser() + ":" + nt->ntPassword(), "DOMAIN\\svc:svcpw");
}

TEST_F(VerifyTest, InstallerChecksAndAccountUpdateNeverReadAsSuccess) {
    EXPECT_EQ(sqlVerifySQLUser("ALPHA\\SQL1", "sa", "pw", nullptr, 1), kelsql::kErrNotSupported);
    EXPECT_EQ(sqlVerifySQLUser("ALPHA\\SQL1", "sa", "pw", "", 0), kelsql::kErrNotSupported);
    EXPECT_EQ(sqlVerifyNTSQLUser("ALPHA\\SQL1", "svc", "pw", kMachine, "sa", "pw"), kelsql::kErrNotSupported);
    unsigned long number = 0;
    char text[256] = {};
    ASSERT_EQ(sqlFormatLastError(&number, text, sizeof(text)), 0u);
    EXPECT_EQ(number, kelsql::kErrNotSupported);

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
    EXPECT_EQ(server.ntUser() + ":" + server.ntUserPassword() + ":" + server.sa(), "DOMAIN\\svc:svc'pw:sa");

    // An unknown instance is the instance lookup's error.
    ASSERT_TRUE(tran->startTransaction());
    kel::copyField(nt->requestMessage(false)->SqlServerName, "ALPHA\\NONE");
    EXPECT_FALSE(nt->networkQuery());
    EXPECT_NE(nt->getLastError().number(), 0u);
    ASSERT_TRUE(tran->rollbackTransaction());

    // Checked with the agent host first, which cannot: the account is not stored.
    startAgentHost();
    ASSERT_TRUE(ostrel.startTransaction());
    ASSERT_TRUE(server.query(id));
    EXPECT_TRUE(refused(server.setNTUser("alpha", "DOMAIN\\other", "pw", true), server.getLastError(),
                        kelsql::kErrNotSupported));
    ASSERT_TRUE(ostrel.commitTransaction());
    EXPECT_EQ(kel::test::text("SELECT sqlNTAccount FROM sqlServer"), "DOMAIN\\svc");
}
