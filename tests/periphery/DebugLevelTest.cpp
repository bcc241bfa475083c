// The Ostrel sets and reads an agent's SQL debug level and VDI timeout over a
// real agent-side dispatcher; the agent writes its own registry and its log
// follows the new level.
#include <cstdio>

#include "KelSQL/KelSQLDebugLevel.h"
#include "periphery/AgentHostFixture.h"

namespace {

class DebugLevelTest : public kel::test::AgentHostTest {
protected:
    static uint64_t agentRegistryLevel() {
        KelPI_Keld keld;
        EXPECT_NE(keld.setFocus(kAgentMachine), 0);
        return keld.getSql(true);
    }
    static unsigned long agentRegistryTimeout() {
        KelPI_MSSqlAgent agent;
        EXPECT_NE(agent.setFocus(kAgentMachine), 0);
        return agent.vdiGetCmdTimeOut();
    }
    KelSQLClassProperties ostrel_{KelSQLServerSide};
};

}  // namespace

TEST_F(DebugLevelTest, SetsTheAgentsLevelAndReadsItBack) {
    KelSQLDebugLevel set(ostrel_, false);
    set.debugLevel(0x13);
    ASSERT_TRUE(set.setRemoteDebugLevel(kAgentHost)) << set.getLastError().formatLastErrorMessage();
    EXPECT_EQ(set.debugLevel(), 0x13u);
    EXPECT_EQ(agentRegistryLevel(), 0x13u);
    // The Ostrel's own level is not the agent's.
    EXPECT_EQ(sqlDebugLevel(), 0u);

    KelSQLDebugLevel get(ostrel_, false);
    // No host given: the context remembers the last one.
    ASSERT_TRUE(get.getRemoteDebugLevel("")) << get.getLastError().formatLastErrorMessage();
    EXPECT_EQ(get.debugLevel(), 0x13u);
    EXPECT_EQ(get.vdiTimeout(), 0u);
}

TEST_F(DebugLevelTest, SetsTheAgentsVdiTimeoutAndReadsItBack) {
    KelSQLDebugLevel set(ostrel_, false);
    set.debugLevel(0x2);
    set.vdiTimeout(600);
    ASSERT_TRUE(set.setRemoteVDITimeout(kAgentHost)) << set.getLastError().formatLastErrorMessage();
    EXPECT_EQ(set.vdiTimeout(), 600u);
    EXPECT_EQ(agentRegistryTimeout(), 600u);
    // Only the timeout was sent.
    EXPECT_EQ(agentRegistryLevel(), 0u);

    KelSQLDebugLevel get(ostrel_, false);
    get.debugLevel(0x55);
    ASSERT_TRUE(get.getRemoteVDITimeout(kAgentHost));
    EXPECT_EQ(get.vdiTimeout(), 600u);
    EXPECT_EQ(get.debugLevel(), 0x55u);  // a get changes only its own field
}

TEST_F(DebugLevelTest, AgentLogFollowsTheNewLevel) {
    const std::string dumpLine = "DebugCode = 1";
    KelSQLDebugLevel m(ostrel_, false);
    ASSERT_TRUE(m.getRemoteDebugLevel(kAgentHost));
    EXPECT_EQ(occurrences(agentLog(), dumpLine), 0u) << "level 0 dumps nothing";

    m.debugLevel(0x4);
    ASSERT_TRUE(m.setRemoteDebugLevel(kAgentHost));
    ASSERT_TRUE(m.getRemoteDebugLevel(kAgentHost));
    std::string log = agentLog();
    EXPECT_EQ(occurrences(log, dumpLine), 1u) << log;
    EXPECT_NE(log.find("KelNetSQLDebugLevelRsp"), std::string::npos);
    EXPECT_NE(log.find("DebugLevel = 0x00000004"), std::string::npos);

    m.debugLevel(0);
    ASSERT_TRUE(m.setRemoteDebugLevel(kAgentHost));
    size_t before = occurrences(agentLog(), dumpLine);
    ASSERT_TRUE(m.getRemoteDebugLevel(kAgentHost));
    EXPECT_EQ(m.debugLevel(), 0u);
    EXPECT_EQ(occurrences(agentLog(), dumpLine), before);
}

TEST_F(DebugLevelTest, NoHostAnywhereFailsWithoutSending) {
    KelSQLDebugLevel m(ostrel_, false);
    m.debugLevel(0x4);
    EXPECT_TRUE(kel::test::refused(m.setRemoteDebugLevel(""), m.getLastError(), kelsql::kErrValueNotSet));
    EXPECT_EQ(kel::test::arguments(m.getLastError()),
              (std::vector<std::string>{"hostName", "KelSQLDebugLevel::setRemoteDebugLevel(hostName)"}));
    EXPECT_EQ(agentRegistryLevel(), 0u);
}

TEST_F(DebugLevelTest, UnknownCodeIsRefused) {
    KelNetSQLDebugLevel m(ostrel_, false);
    ASSERT_TRUE(m.setRemoteDataAgent(kAgentHost));
    KelNetSQLDebugLevelReq_t* req = m.requestMessage(true);
    req->DebugCode = 5;
    req->DebugLevel = 0x4;
    KelLastError err;
    EXPECT_TRUE(kel::test::refused(m.exchange(err), err, kelsql::kErrRequestRefused));
    EXPECT_EQ(err.argumentCount(), 0);
    EXPECT_EQ(m.responseMessage(false)->DebugLevel, 0u);
    EXPECT_EQ(agentRegistryLevel(), 0u);
}

TEST_F(DebugLevelTest, LocalOperationsUseTheContextsFocus) {
    KelSQLClassProperties agent(kAgentMachine, KelSQLClientSide);
    KelSQLDebugLevel m(agent, false);
    m.vdiTimeout(90);
    EXPECT_EQ(m.setVDITimeout(), 90u);
    m.debugLevel(0x8);
    EXPECT_EQ(m.setDebugLevel(), 0x8u);
    EXPECT_EQ(m.getLastError().number(), 0u);
    EXPECT_EQ(agentRegistryTimeout(), 90u);
    EXPECT_EQ(agentRegistryLevel(), 0x8u);
    // Not the process's focus machine.
    EXPECT_EQ(sqlDebugLevel(), 0u);

    KelSQLDebugLevel fresh(agent, false);
    EXPECT_EQ(fresh.getVDITimeout(), 90u);
    EXPECT_EQ(fresh.getDebugLevel(), 0x8u);
}

TEST_F(DebugLevelTest, SettingTheAgentCannotStoreIsAFailure) {
    // The agent's machine registry is gone: nothing can be written there.
    ASSERT_EQ(std::remove(kel::homePath(std::string("registry/") + kAgentMachine + ".ini").c_str()), 0);
    KelSQLDebugLevel m(ostrel_, false);
    m.vdiTimeout(300);
    EXPECT_FALSE(m.setRemoteVDITimeout(kAgentHost));
    EXPECT_NE(m.getLastError().number(), 0u);
    EXPECT_EQ(m.vdiTimeout(), 300u);
}
