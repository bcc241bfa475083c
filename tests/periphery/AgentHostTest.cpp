// The Ostrel and an agent host over a real dispatcher: the status probe is
// answered with success, the library version with the not-supported failure;
// each host answers on its own side; the Ostrel sets and reads the agent's SQL
// debug level and VDI timeout, which the agent writes to its own registry and
// its log follows.
#include <cstdio>

#include "KelSQL/KelNetSQLDLLVersion.h"
#include "KelSQL/KelSQLDebugLevel.h"
#include "KelSQL/KelNetSQLStatus.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "periphery/AgentHostFixture.h"
#include "support/ProbeMessages.h"

namespace {

using namespace kel::probe;

constexpr const char* kNotSupportedLine = "This function is not supported by SQLDrover.";

class ProbeAndVersionTest : public kel::test::AgentHostTest {
protected:
    // What the answering context of host says about itself.
    uint64_t sideOf(const char* host) {
        Probe m(ostrel_, false);
        KelLastError err;
        m.requestMessage(true)->Code = kProbeSide;
        return m.setRemoteDataAgent(host) && m.exchange(err) ? m.responseMessage(false)->Rows : 0;
    }
    // The agent's registry: level * 1000 + VDI timeout.
    static uint64_t agentRegistry() {
        KelPI_Keld keld;
        KelPI_MSSqlAgent agent;
        EXPECT_TRUE(keld.setFocus(kAgentMachine) != 0 && agent.setFocus(kAgentMachine) != 0);
        return keld.getSql(true) * 1000 + agent.vdiGetCmdTimeOut();
    }
    KelSQLClassProperties ostrel_{KelSQLServerSide};
};
using DebugLevelTest = ProbeAndVersionTest;

}  // namespace

TEST_F(ProbeAndVersionTest, ProbeIsAnsweredByTheAgentHost) {
    KelNetSQLStatus probe(ostrel_, true);
    EXPECT_FALSE(probe.terminationEnabled());
    ASSERT_TRUE(probe.setRemoteDataAgent(kAgentHost));
    ASSERT_TRUE(probe.connection()) << probe.getLastError().formatLastErrorMessage();
    EXPECT_EQ(probe.getResponseMessageLength() + probe.responseMessage(false)->Status.Status, 560u);
    EXPECT_TRUE(probe.connection());  // the session stays open for a second probe
}

TEST_F(ProbeAndVersionTest, VersionAnswerIsTheNotSupportedFailure) {
    unsigned long major = 7, minor = 8, build = 9;
    // A null output sends nothing.
    EXPECT_EQ(sqlDLLVersion(&major, &minor, nullptr, kAgentHost, nullptr), kelsql::kErrInvalidArgument);
    EXPECT_EQ(agentLog().find(kNotSupportedLine), std::string::npos);
    KelNetSQLDLLVersion version(ostrel_, false);
    EXPECT_TRUE(kel::test::refused(version.getRemoteSQLDLLVersion(kAgentHost), version.getLastError(),
                                   kelsql::kErrNotSupported));
    EXPECT_EQ(version.getSQLDLLVersion().Major, 0u);
    EXPECT_EQ(ostrel_.remoteSqlHostName(), kAgentHost);
    EXPECT_EQ(occurrences(agentLog(), kNotSupportedLine), 1u);
    // The installer's form fails with a number and leaves its outputs.
    EXPECT_EQ(sqlDLLVersion(&major, &minor, &build, kAgentHost, ""), kelsql::kErrNotSupported);
    EXPECT_EQ(std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(build), "7.8.9");
    EXPECT_NE(sqlDLLVersion(&major, &minor, &build, kAgentHost, "nosuchmachine"), 0u);
    EXPECT_NE(sqlDLLVersion(&major, &minor, &build, nullptr, "nosuchmachine"), 0u);
}

// The agent host answers on the agent side, its install counted active
// whatever the registry says; the Ostrel's on the Ostrel side, and it alone is
// asked by the installer without a host.
TEST_F(ProbeAndVersionTest, EachHostAnswersOnItsOwnSide) {
    KelPI_MSSqlAgent agent;
    ASSERT_TRUE(agent.setFocus(kAgentMachine) != 0 && agent.setAgentInstallActive(false));
    EXPECT_EQ(sideOf(kAgentHost), uint64_t{KelSQLClientSide} | 0x10u);
    KelDispatcherProcess ostrelHost;
    ostrelHost.setFocusMachine(kOstrelMachine);
    ASSERT_TRUE(ostrelHost.start(kOstrelMachine));
    EXPECT_EQ(sideOf(kOstrelMachine), uint64_t{KelSQLServerSide} | 0x20u);
    unsigned long major = 0, minor = 0, build = 0;
    EXPECT_EQ(sqlDLLVersion(&major, &minor, &build, nullptr, kOstrelMachine), kelsql::kErrNotSupported);
    EXPECT_TRUE(ostrelHost.stop());
    EXPECT_EQ(agentLog().find(kNotSupportedLine), std::string::npos);
}

// The agent runs the very operations it would for itself, on its own
// machine's registry, never on the process's focus.
TEST_F(DebugLevelTest, SetsTheAgentsLevelAndVdiTimeoutAndReadsThemBack) {
    KelSQLDebugLevel set(ostrel_, false), get(ostrel_, false);
    set.debugLevel(0x13);
    set.vdiTimeout(600);
    ASSERT_TRUE(set.setRemoteDebugLevel(kAgentHost)) << set.getLastError().formatLastErrorMessage();
    EXPECT_EQ(agentRegistry(), 0x13u * 1000);  // only the level was sent
    EXPECT_EQ(sqlDebugLevel(), 0u);  // the Ostrel's own level is not the agent's
    // No host given: the context remembers the last one.
    ASSERT_TRUE(get.getRemoteDebugLevel("")) << get.getLastError().formatLastErrorMessage();
    EXPECT_EQ(get.debugLevel() * 1000 + get.vdiTimeout(), 0x13u * 1000);

    set.debugLevel(0x2);
    ASSERT_TRUE(set.setRemoteVDITimeout(kAgentHost)) << set.getLastError().formatLastErrorMessage();
    EXPECT_EQ(agentRegistry(), 0x13u * 1000 + 600);  // only the timeout
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
    ASSERT_TRUE(m.setRemoteDebugLevel(kAgentHost) && m.getRemoteDebugLevel(kAgentHost));
    EXPECT_EQ(occurrences(agentLog(), dumpLine), 1u);
}

TEST_F(DebugLevelTest, SettingTheAgentCannotStoreIsAFailure) {
    // The agent's machine registry is gone: nothing can be written there.
    ASSERT_EQ(std::remove(kel::homePath(std::string("registry/") + kAgentMachine + ".ini").c_str()), 0);
    KelSQLDebugLevel m(ostrel_, false);
    m.vdiTimeout(300);
    EXPECT_NE(kel::test::failure(m.setRemoteVDITimeout(kAgentHost), m.getLastError()), 0u);
    EXPECT_EQ(m.vdiTimeout(), 300u);
}
