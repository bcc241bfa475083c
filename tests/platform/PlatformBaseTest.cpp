#include "platform/info/KelPlatformInfo.h"
#include "platform/info/KelRegistry.h"
#include "support/TestHome.h"

using kel::test::HomeTest;

namespace {

class PlatformBaseTest : public HomeTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(KelRegistry::createMachine("client7"));
        ASSERT_TRUE(KelRegistry::createMachine("ostrel"));
        KelPI_Focus::setFocus("ostrel");
    }
};

}  // namespace

TEST_F(PlatformBaseTest, CopyKeepsTheFocusAndReadsThatMachine) {
    KelPI_Farrow farrow;
    ASSERT_NE(farrow.setFocus("client7"), 0);
    ASSERT_TRUE(farrow.setOstrelHostName("OSTREL"));
    KelPI_PlatformBase copy = farrow;
    EXPECT_EQ(copy.focus(), "client7");
    EXPECT_EQ(copy.getOstrelHostName(), "OSTREL");
    EXPECT_EQ(copy.getOstrelClientName(), "OSTREL");
    EXPECT_FALSE(copy.invalidKelPlatform());
    // Unfocused, an object follows the process focus (which has no Ostrel).
    EXPECT_TRUE(KelPI_PlatformBase().invalidKelPlatform());
    EXPECT_EQ(copy.setFocus("nowhere"), 0);
    EXPECT_EQ(copy.getLastError().number(), kel::kErrUnknownMachine);
    EXPECT_EQ(copy.focus(), "client7");
}

TEST_F(PlatformBaseTest, OstrelSettings) {
    KelPI_Ostrel ostrel;
    ASSERT_NE(ostrel.setFocus("ostrel"), 0);
    EXPECT_EQ(ostrel.getTesselId(), 0u);
    EXPECT_EQ(ostrel.getLastError().number(), kel::kErrNoTessel);
    ASSERT_TRUE(ostrel.setTesselId(12));
    EXPECT_EQ(ostrel.getTesselId(), 12u);
    ASSERT_TRUE(ostrel.setOstrelHostName("ostrelhost"));
    KelRegistry::set("ostrel", kel::kSectionHosts, "OSTRELHOST", "127.0.0.1:4711");
    EXPECT_EQ(ostrel.getOstrelPort(), 4711);
    ASSERT_TRUE(ostrel.setArMgrIncludeAgedData(2));
    EXPECT_EQ(ostrel.getArMgrIncludeAgedData(), 2);
}

TEST_F(PlatformBaseTest, AgentInstallAndVdiTimeout) {
    KelPI_MSSqlAgent agent;
    ASSERT_NE(agent.setFocus("client7"), 0);
    EXPECT_EQ(agent.isAgentInstallActive(""), 0);
    EXPECT_EQ(agent.getLastError().number(), kel::kErrAgentNotActive);
    ASSERT_TRUE(agent.setAgentInstallActive(true));
    EXPECT_NE(agent.isAgentInstallActive("client7"), 0);
    EXPECT_EQ(agent.isAgentInstallActive("ghost"), 0);
    EXPECT_EQ(agent.getLastError().number(), kel::kErrUnknownMachine);
    ASSERT_TRUE(agent.setVDIGetCmdTimeOut(90));
    EXPECT_EQ(agent.vdiGetCmdTimeOut(), 90u);
}
