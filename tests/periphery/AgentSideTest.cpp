// A dispatcher started for the agent side answers on an agent-side context of
// its own machine; one started for the Ostrel on an Ostrel-side one.
#include "periphery/AgentHostFixture.h"
#include "support/ProbeMessages.h"

using namespace kel::probe;

namespace {

class AgentSideTest : public kel::test::AgentHostTest {
protected:
    // What the answering context of host says about itself.
    static uint64_t sideOf(const char* host) {
        KelSQLClassProperties ostrel(KelSQLServerSide);
        Probe m(ostrel, false);
        if (!m.setRemoteDataAgent(host)) return 0;
        m.requestMessage(true)->Code = kProbeSide;
        KelLastError err;
        if (!m.exchange(err)) return 0;
        return m.responseMessage(false)->Rows;
    }
};

}  // namespace

TEST_F(AgentSideTest, EachHostAnswersOnItsOwnSide) {
    EXPECT_EQ(sideOf(kAgentHost), uint64_t{KelSQLClientSide} | 0x10u);
    // The agent install counts as active whatever the registry says.
    KelPI_MSSqlAgent agent;
    ASSERT_NE(agent.setFocus(kAgentMachine), 0);
    ASSERT_TRUE(agent.setAgentInstallActive(false));
    EXPECT_EQ(sideOf(kAgentHost), uint64_t{KelSQLClientSide} | 0x10u);

    KelDispatcherProcess ostrel;
    ostrel.setFocusMachine(kOstrelMachine);
    ASSERT_TRUE(ostrel.start(kOstrelMachine));
    EXPECT_EQ(sideOf(kOstrelMachine), uint64_t{KelSQLServerSide} | 0x20u);
    EXPECT_TRUE(ostrel.stop());
}
