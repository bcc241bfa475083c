// An instance configured from the Ostrel through its agent host, which holds
// a network transaction on the Ostrel meanwhile; the data-source request
// refused; the NT login's checks in their order.
#include <memory>

#include "KelSQL/KelNetSQLServerCreateDSN.h"
#include "KelSQL/KelSQLServerConfig.h"
#include "platform/info/KelPI_DataBase.h"
#include "support/TesselFixture.h"

using kel::test::refused;

namespace {

class ServerConfigTest : public kel::test::TesselDispatcherTest {
protected:
    static constexpr const char* kInstance = "ALPHA\\SQL1";

    void SetUp() override {
        TesselDispatcherTest::SetUp();
        instanceRow(kInstance, 0);
        KelPI_DataBase database;
        ASSERT_NE(database.setFocus(kMachine), 0);
        ASSERT_NE(database.setSqlServerODBCDSN(kInstance, "SQL1_SQLDrover"), 0);
        ASSERT_NE(database.setSqlServerVersion(kInstance, "9.00.1399"), 0);
        captureLog();  // the dispatchers log the transaction's steps
        startAgentHost();
    }
    size_t inLog(const std::string& text) const {
        const std::string log = ostrelLog();
        size_t n = 0, at = 0;
        while ((at = log.find(text, at) + 1) != 0) ++n;
        return n;
    }
};

}  // namespace

TEST_F(ServerConfigTest, AgentInstallsInsideATransactionOnTheOstrel) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    auto config = std::make_unique<KelSQLServerConfig>(ostrel, false);
    config->setTesselId(tessel_);
    config->setClientId(alpha_);
    config->setArchiveGroupId(5);
    config->setSqlServerName(kInstance);
    config->setUndoFilePath(std::string(1024, 'u'));
    ASSERT_TRUE(config->verifySQLUser("sa", "secret")) << config->getLastError().formatLastErrorMessage();
    ASSERT_TRUE(config->config()) << config->getLastError().formatLastErrorMessage();
    const KelNetSQLServerConfig_t& req = *config->requestMessage(false);
    EXPECT_EQ(kel::fieldText(req.UndoFilePath), std::string(1024, 'u'));
    EXPECT_TRUE(req.ArchiveGroupId == 5 && req.Clustered == 0);
    EXPECT_EQ(std::string(req.NTCredential, sizeof req.NTCredential), std::string(sizeof req.NTCredential, '\0'));
    std::string user, password;
    EXPECT_TRUE(decryptNetworkSQLPassword(kel::fieldText(req.SqlCredential), user, password) && user == "sa" &&
                password == "secret");
    EXPECT_EQ(inLog("Calling sqlInstallServerProperty for Server [ALPHA\\SQL1]"), 1u);
    EXPECT_EQ(inLog("Network database transaction committed!"), 1u);

    // An NT update that fails rolls the transaction back and says why.
    KelNetSQLServerConfig withNT(ostrel, false);
    ASSERT_TRUE(withNT.setRemoteDataAgent(kAgentHost));
    KelNetSQLServerConfig_t* nt = withNT.requestMessage(true);
    EXPECT_TRUE(kel::copyField(nt->SQLServerName, std::string(kInstance)));
    ASSERT_TRUE(kelsql::fillCredentialField(nt->SqlCredential, "sa", "secret"));
    ASSERT_TRUE(kelsql::fillCredentialField(nt->NTCredential, "DOMAIN\\svc", "pw"));
    KelLastError err;
    EXPECT_TRUE(refused(withNT.exchange(err), err, kelsql::kErrNotSupported));
    EXPECT_EQ(inLog("Network database transaction rolled back!"), 1u);
    EXPECT_EQ(inLog("Network database transaction committed!"), 1u);

    EXPECT_TRUE(refused(config->createDSN(), config->getLastError(), kelsql::kErrOstrelSideOnly,
                        "KelNetSQLServerCreateDSN::createDSN(sqlServer)"));
    EXPECT_TRUE(refused(config->config(*nt), config->getLastError(), kelsql::kErrNoSide));
}

TEST_F(ServerConfigTest, VerifyNTUserChecksInOrder) {
    struct Row {
        const char* ntUser;
        const char* server;
        unsigned long tessel, client;
        const char* line;
    } rows[] = {{"", "", 0, 0, "nt user empty"}, {"svc", "", 0, 0, "no server name"},
                {"svc", "S", 0, 0, "no tesselid"}, {"svc", "S", 1, 0, "no clientid"}};
    KelSQLClassProperties ostrel(KelSQLServerSide);
    for (const Row& r : rows) {
        KelSQLServerConfig c(ostrel, false);
        c.setSqlServerName(r.server);
        c.setTesselId(r.tessel);
        c.setClientId(r.client);
        lines_.clear();
        EXPECT_TRUE(refused(c.verifyNTUser(r.ntUser, "pw"), c.getLastError(), kelsql::kErrValueNotSet)) << r.line;
        ASSERT_EQ(lines_.size(), 1u) << r.line;
        EXPECT_EQ(lines_[0], std::string("KelSQLServerConfig::verifyNTUser(ntUser, ntPassword)|") + r.line);
    }
}
