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

// The agent runs the very operations it would for itself, on its own
// machine's registry, never on the process's focus.
TEST_F(DebugLevelTest, SetsTheAgentsLevelAndVdiTimeoutAndReadsThemBack) {
    KelSQLDebugLevel set(ostrel_, false), get(ostrel_, false);
    set.debugLevel(0x13);
    set.vdiTimeout(600);
    ASSERT_TRUE(set.setRemoteDebugLevel(kAgentHost)) << set.getLastError().formatLastErrorMessage();
    EXPECT_EQ(agentRegistryLevel() * 1000 + agentRegistryTimeout(), 0x13u * 1000);  // only the level was sent
    EXPECT_EQ(sqlDebugLevel(), 0u);  // the Ostrel's own level is not the agent's
    // No host given: the context remembers the last one.
    ASSERT_TRUE(get.getRemoteDebugLevel("")) << get.getLastError().formatLastErrorMessage();
    EXPECT_EQ(get.debugLevel() * 1000 + get.vdiTimeout(), 0x13u * 1000);

    set.debugLevel(0x2);
    ASSERT_TRUE(set.setRemoteVDITimeout(kAgentHost)) << set.getLastError().formatLastErrorMessage();
    EXPECT_EQ(agentRegistryLevel() * 1000 + agentRegistryTimeout(), 0x13u * 1000 + 600);  // only the timeout
    get.debugLevel(0x55);
    ASSERT_TRUE(get.getRemoteVDITimeout(kAgentHost));
    EXPECT_EQ(get.debugLevel() * 1000 + get.vdiTimeout(), 0x55u * 1000 + 600);  // a get changes only its own field
}

TEST_F(DebugLevelTest, AgentLogFollowsTheNewLevel) {
    const std::string dumpLine = "DebugCode = 1";
    KelSQLDebugLevel m(ostrel_, false);
    ASSERT_TRUE(m.getRemoteDebugLevel(kAgentHost));
    EXPECT_EQ(occurrences(agentLog(), dumpLine), 0u) << "level 0 dumps nothing";
    m.debugLevel(0x4);
    ASSERT_TRUE(m.setRemoteDebugLevel(kAgentHost) && m.getRemoteDebugLevel(kAgentHost));
    const std::string log = agentLog();
    EXPECT_EQ(occurrences(log, dumpLine), 1u) << log;
    EXPECT_NE(log.find("KelNetSQLDebugLevelRsp"), std::string::npos);
    EXPECT_NE(log.find("DebugLevel = 0x00000004"), std::string::npos);
    m.debugLevel(0);
    ASSERT_TRUE(m.setRemoteDebugLevel(kAgentHost));
    const size_t before = occurrences(agentLog(), dumpLine);
    ASSERT_TRUE(m.getRemoteDebugLevel(kAgentHost));
    EXPECT_EQ(m.debugLevel(), 0u);
    EXPECT_EQ(occurrences(agentLog(), dumpLine), before);
}

TEST_F(DebugLevelTest, SettingTheAgentCannotStoreIsAFailure) {
    // The agent's machine registry is gone: nothing can be written there.
    ASSERT_EQ(std::remove(kel::homePath(std::string("registry/") + kAgentMachine + ".ini").c_str()), 0);
    KelSQLDebugLevel m(ostrel_, false);
    m.vdiTimeout(300);
    EXPECT_NE(kel::test::failure(m.setRemoteVDITimeout(kAgentHost), m.getLastError()), 0u);
    EXPECT_EQ(m.vdiTimeout(), 300u);
}
