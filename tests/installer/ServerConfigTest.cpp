// An instance configured from the Ostrel through its agent host, which holds
// a network transaction on the Ostrel meanwhile: what the administrator sent
// is what the catalogue holds afterwards; a failed NT update leaves nothing;
// the data-source request refused; the NT login's checks in their order.
#include <filesystem>
#include <memory>

#include "KelSQL/KelNetSQLServerCreateDSN.h"
#include "KelSQL/KelSQLServer.h"
#include "KelSQL/KelSQLServerConfig.h"
#include "support/AgentClientFixture.h"

using kel::test::refused;
using kel::test::text;

namespace {

class ServerConfigTest : public kel::test::AgentClientTest {
protected:
    void SetUp() override {
        AgentClientTest::SetUp();
        captureLog();  // the dispatchers log the transaction's steps
        serveInstance("9.00.1399");
        startClientHost("sLNSQLHOSTS");
    }
    size_t inLog(const std::string& text) const {
        const std::string log = ostrelLog();
        size_t n = 0, at = 0;
        while ((at = log.find(text, at) + 1) != 0) ++n;
        return n;
    }
    std::unique_ptr<KelSQLServerConfig> configuration(KelSQLClassProperties& ostrel, const std::string& undo,
                                                      unsigned long archiveGroup) {
        auto config = std::make_unique<KelSQLServerConfig>(ostrel, false);
        config->setTesselId(tessel_);
        config->setClientId(client_);
        config->setArchiveGroupId(archiveGroup);
        config->setSqlServerName(kServer);
        config->setUndoFilePath(undo);
        return config;
    }
    static std::string stored() {
        return text("SELECT s.sa || '|' || s.undoFile || '|' || s.flags || '|' || v.major || '.' || v.build || '|' || "
                    "a.dataArchGroup FROM sqlServer s JOIN sqlVersion v ON v.id = s.sqlVersionId JOIN APP_Application "
                    "a ON a.instance = s.instanceId JOIN APP_BackupSetName b ON b.id = a.backupSet AND b.name = "
                    "'master'");
    }
};

}  // namespace

TEST_F(ServerConfigTest, AgentInstallsInsideATransactionOnTheOstrel) {
    const std::string undo = home_.file("undo");
    std::filesystem::create_directories(undo);
    KelSQLClassProperties ostrel(KelSQLServerSide);
    auto config = configuration(ostrel, undo, 5);
    ASSERT_TRUE(config->verifySQLUser("sa", "secret")) << config->getLastError().formatLastErrorMessage();
    ASSERT_TRUE(config->config()) << config->getLastError().formatLastErrorMessage();
    const KelNetSQLServerConfig_t& req = *config->requestMessage(false);
    EXPECT_EQ(std::string(req.NTCredential, sizeof req.NTCredential), std::string(sizeof req.NTCredential, '\0'));
    EXPECT_EQ(inLog("Calling sqlInstallServerProperty for Server [AGENT1\\SQL1]"), 1u);
    EXPECT_EQ(inLog("Network database transaction committed!"), 1u);
    // The instance, its login, its undo path and its storage policy.
    EXPECT_EQ(stored(), "sa|" + undo + "|0|9.1399|5");
    KelSQLServer server(ostrel, false);
    ASSERT_TRUE(server.query(kClient, kServer)) << server.getLastError().formatLastErrorMessage();
    EXPECT_EQ(server.saPassword(), "secret");

    // An NT update that fails rolls the whole configuration back.
    KelNetSQLServerConfig withNT(ostrel, false);
    ASSERT_TRUE(withNT.setRemoteDataAgent(kClientHost));
    KelNetSQLServerConfig_t* nt = withNT.requestMessage(true);
    EXPECT_TRUE(kel::copyField(nt->SQLServerName, std::string(kServer)));
    EXPECT_TRUE(kel::copyField(nt->UndoFilePath, undo));
    nt->ArchiveGroupId = 6;
    ASSERT_TRUE(kelsql::fillCredentialField(nt->SqlCredential, "other", "pw"));
    ASSERT_TRUE(kelsql::fillCredentialField(nt->NTCredential, "DOMAIN\\svc", "pw"));
    KelLastError err;
    EXPECT_TRUE(refused(withNT.exchange(err), err, kelsql::kErrNotSupported));
    EXPECT_EQ(inLog("Network database transaction rolled back!"), 1u);
    EXPECT_EQ(stored(), "sa|" + undo + "|0|9.1399|5");

    EXPECT_TRUE(refused(config->createDSN(), config->getLastError(), kelsql::kErrOstrelSideOnly,
                        "KelNetSQLServerCreateDSN::createDSN(sqlServer)"));
    EXPECT_TRUE(refused(config->config(*nt), config->getLastError(), kelsql::kErrNoSide));
}

TEST_F(ServerConfigTest, PathsTravelWholeAndACallerHoldingTheCatalogueIsRefused) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    // A path of 1024 characters reaches the agent, which finds no such folder.
    auto config = configuration(ostrel, std::string(1024, 'u'), 5);
    ASSERT_TRUE(config->verifySQLUser("sa", "secret"));
    EXPECT_TRUE(refused(config->config(), config->getLastError(), kelsql::kErrUndoPath));
    EXPECT_EQ(kel::fieldText(config->requestMessage(false)->UndoFilePath), std::string(1024, 'u'));
    EXPECT_EQ(stored(), "<no row>");
    EXPECT_EQ(inLog("Network database transaction rolled back!"), 1u);
    // One character more is refused as too long before anything goes: the
    // agent host is not even handed the login.
    auto over = configuration(ostrel, std::string(1025, 'u'), 5);
    ASSERT_TRUE(over->verifySQLUser("sa", "longer"));
    EXPECT_TRUE(refused(over->config(), over->getLastError(), kelsql::kErrValueNotSet, "undoFilePath"));
    EXPECT_FALSE(holdsLogin(ostrel, "sa", "longer", kClientHost));
    EXPECT_EQ(inLog("Calling sqlInstallServerProperty"), 1u);

    // The agent host writes in a transaction of its own: a caller holding
    // the catalogue's writer would keep it waiting, so nothing is sent.
    auto held = configuration(ostrel, "", 5);
    ASSERT_TRUE(held->verifySQLUser("sa", "secret"));
    ASSERT_TRUE(ostrel.startTransaction());
    EXPECT_TRUE(refused(held->config(), held->getLastError(), kelsql::kErrTranBusy));
    ASSERT_TRUE(ostrel.rollBackTransaction());
    EXPECT_EQ(inLog("Calling sqlInstallServerProperty"), 1u);
    ASSERT_TRUE(held->config()) << held->getLastError().formatLastErrorMessage();
    EXPECT_EQ(stored(), "sa||0|9.1399|5");
}

// The agent host names the service once it knows the instance is clustered
// and of SQL Server 7 (its live version).
TEST_F(ServerConfigTest, AClusteredSql7InstanceIsStoredWithItsOwnService) {
    serveInstance("7.00.623");
    KelSQLClassProperties ostrel(KelSQLServerSide);
    auto config = configuration(ostrel, "", 5);
    ASSERT_TRUE(config->verifySQLUser("sa", "secret")) << config->getLastError().formatLastErrorMessage();
    config->clusteredOn();
    ASSERT_TRUE(config->config()) << config->getLastError().formatLastErrorMessage();
    EXPECT_EQ(text("SELECT s.sqlServiceName || '|' || s.flags || '|' || v.major FROM sqlServer s JOIN sqlVersion v "
                   "ON v.id = s.sqlVersionId"),
              std::string("MSSQLServer$") + kServer + "|1|7");
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
