// The live instance of an agent's machine: read there through the live
// reader, or asked of the client's agent host from the Ostrel (code 3).
#include <memory>

#include "KelSQL/KelSQLErrors.h"
#include "KelSQL/KelSQLServer.h"
#include "support/AgentClientFixture.h"

using kel::test::refused;

namespace {

class ServerQueryTest : public kel::test::AgentClientTest {
protected:
    void TearDown() override {
        kel::live::installLiveSqlServer(nullptr);
        AgentClientTest::TearDown();
    }
    static std::string version(const KelSQLServer& s) {
        const KelSQLVersion& v = s.getSQLVersion();
        return std::to_string(v.major()) + "." + std::to_string(v.minor()) + "." + std::to_string(v.build());
    }
};

TEST_F(ServerQueryTest, TheAgentReadsItsLiveInstance) {
    KelSQLClassProperties agent(kClient, KelSQLClientSide);
    KelSQLServer server(agent, false);
    // This platform's reader cannot say: the names are filled, the call fails.
    EXPECT_TRUE(refused(server.serverQuery(kServer), server.getLastError(), kelsql::kErrNotSupported));
    EXPECT_EQ(server.sqlServerName() + "|" + server.serviceName(), std::string(kServer) + "|MSSQLServer");

    kel::live::installLiveSqlServer(std::make_unique<kel::test::ScriptedLiveSqlServer>());
    serveInstance("8.00.194");
    KelSQLServer live(agent, false);
    ASSERT_TRUE(live.serverQuery(kServer)) << live.getLastError().formatLastErrorMessage();
    EXPECT_EQ(version(live), "8.0.194");
    EXPECT_EQ(live.sqlAppType().sqlAppType(), 16u);
    EXPECT_TRUE(refused(live.serverQuery("AGENT1\\NONE"), live.getLastError(), kelsql::kErrNoSuchInstance));

    // A clustered SQL Server 7 instance's service carries its name.
    agent.getSQLDSN().setSqlServerVersion(7, 0, 0);
    KelSQLServer clustered(agent, false);
    clustered.clustered()->enable();
    EXPECT_FALSE(clustered.serverQuery("AGENT1\\OLD"));
    EXPECT_EQ(clustered.serviceName(), "MSSQLServer$AGENT1\\OLD");
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLServer wrongSide(ostrel, false);
    EXPECT_TRUE(refused(wrongSide.serverQuery(kServer), wrongSide.getLastError(), kelsql::kErrAgentSideOnly));
}

TEST_F(ServerQueryTest, TheOstrelAsksTheClientsAgentHost) {
    registeredInstance();
    serveInstance("9.00.2047");
    startClientHost("sLNSQLHOSTS");
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLServer server(ostrel, false);
    ASSERT_TRUE(server.serverQuery(kClient, kServer)) << server.getLastError().formatLastErrorMessage();
    EXPECT_EQ(version(server), "9.0.2047");
    EXPECT_EQ(server.serviceName(), "MSSQLServer");
    // The stored login went first.
    EXPECT_TRUE(holdsLogin(ostrel, "sa", "pw", kClientHost));
    KelSQLServer missing(ostrel, false);
    EXPECT_TRUE(refused(missing.serverQuery(kClient, "AGENT1\\NONE"), missing.getLastError(),
                        kelsql::kErrNoSuchInstance));
    KelSQLClassProperties agent(kClient, KelSQLClientSide);
    KelSQLServer wrongSide(agent, false);
    EXPECT_TRUE(refused(wrongSide.serverQuery(kClient, kServer), wrongSide.getLastError(),
                        kelsql::kErrOstrelSideOnly));
}

}  // namespace
