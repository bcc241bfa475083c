// The instance lists of a client: the host's list from its agent in packets
// of 16, the catalogue's configured list, and the host's instances that are
// not configured.
#include <fstream>
#include <memory>

#include "KelSQL/KelSQLApplication.h"
#include "KelSQL/KelSQLServerConfig.h"
#include "support/ScriptedLiveSqlServer.h"
#include "support/TesselFixture.h"

using kel::test::refused;

namespace {

class InstanceListTest : public kel::test::TesselDispatcherTest {
protected:
    // The host's instances ("name|version|description"), served by an agent
    // host with the scripted reader loaded.
    void serveHost(const std::vector<std::string>& lines) {
        std::ofstream out(kel::test::liveInstancesFile());
        for (const std::string& line : lines) out << line << "\n";
        out.close();
        startAgentHost();
        KelLastError err;
        ASSERT_TRUE(kel::probe::loadHandler(kAgentHost, "sLNSQLHOSTS", "sLPSQLHOSTSMSG", err))
            << err.formatLastErrorMessage();
    }
};

// The packets of one exchange, as the Ostrel receives them.
std::vector<uint64_t> packetCounts(KelNetSQLServerList& m, uint64_t total) {
    std::vector<uint64_t> counts;
    if (!m.setRemoteDataAgent("alpha.example") || !m.requestMessage(true) || !m.send()) return counts;
    do {
        if (!m.receive() || m.responseMessage(false)->TotalCount != total) return {99};
        counts.push_back(m.responseMessage(false)->Count);
    } while (m.moreFollows());
    return counts;
}

}  // namespace

TEST_F(InstanceListTest, HostListsArriveInPacketsOf16OrOneEmpty) {
    std::vector<std::string> host = {"SQL0|8.00.194|first", "SQL1|9|second"};
    for (int i = 2; i < 40; ++i) host.push_back("SQL" + std::to_string(i) + "|8..7|x");
    serveHost(host);
    KelSQLClassProperties ostrel(KelSQLServerSide);
    auto m = std::make_unique<KelNetSQLServerList>(ostrel, false);
    EXPECT_EQ(packetCounts(*m, 40), (std::vector<uint64_t>{16, 16, 8}));

    KelSQLApplication app(ostrel);
    std::vector<KelSQLServerUnconfigured_t> list;
    ASSERT_TRUE(app.getAllSQLServersOnClient(tessel_, alpha_, list)) << app.getLastError().formatLastErrorMessage();
    ASSERT_EQ(list.size(), 40u);
    for (size_t i = 0; i < 40; ++i) EXPECT_EQ(list[i].name, "SQL" + std::to_string(i));
    EXPECT_EQ(list[1].description, "second");
    const unsigned long versions[][3] = {{8, 0, 194}, {9, 0, 0}, {8, 7, 0}};  // an empty part is skipped
    for (size_t i = 0; i < 3; ++i)
        EXPECT_TRUE(list[i].version.major() == versions[i][0] && list[i].version.minor() == versions[i][1] &&
                    list[i].version.build() == versions[i][2]) << i;

    // A host without instances answers one packet, and the list is empty.
    std::ofstream(kel::test::liveInstancesFile(), std::ios::trunc).close();
    EXPECT_EQ(packetCounts(*m, 0), (std::vector<uint64_t>{0}));
    ASSERT_TRUE(app.getAllSQLServersOnClient(tessel_, alpha_, list));
    EXPECT_TRUE(list.empty());

    KelSQLClassProperties agent(KelSQLClientSide);
    KelSQLApplication atAgent(agent);
    EXPECT_TRUE(refused(atAgent.getAllSQLServersOnClient(tessel_, alpha_, list), atAgent.getLastError(),
                        kelsql::kErrOstrelSideOnly));
}

TEST_F(InstanceListTest, UnconfiguredLeavesOutEachConfiguredInstanceOnce) {
    serveHost({"SQL1|8|", "Dup|8|", "dup|8|", "GONE|8|", "NEW|8|"});
    instanceRow("sql1", 0);
    instanceRow("DUP", 1);
    const unsigned long gone = instanceRow("gone", 0);
    ASSERT_TRUE(kel::test::sql("UPDATE sqlServer SET deleteFlag = 1 WHERE instanceId = " + std::to_string(gone)));
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLApplication app(ostrel);
    std::vector<KelSQL_SqlIdName_t> configured;
    ASSERT_TRUE(app.getConfiguredSQLServersWithinClient(tessel_, alpha_, configured));
    EXPECT_EQ(configured.size(), 2u);
    std::vector<KelSQLServerUnconfigured_t> list;
    ASSERT_TRUE(app.getUnconfiguredSQLServersForClient(tessel_, alpha_, list))
        << app.getLastError().formatLastErrorMessage();
    std::vector<std::string> names;
    for (const KelSQLServerUnconfigured_t& u : list) names.push_back(u.name);
    EXPECT_EQ(names, (std::vector<std::string>{"dup", "GONE", "NEW"}));

    // The second row's flag makes alpha clustered, and the list request says so.
    auto m = std::make_unique<KelNetSQLServerList>(ostrel, false);
    ASSERT_TRUE(m->getSQLServerList(tessel_, alpha_, kAgentHost));
    EXPECT_EQ(m->requestMessage(false)->Clustered, 1u);
    KelSQLServerConfig beta(ostrel, false);
    beta.setTesselId(tessel_);
    beta.setClientId(beta_);
    beta.clusteredOn();
    ASSERT_TRUE(beta.clustered());
    EXPECT_FALSE(beta.isClustered());
}
