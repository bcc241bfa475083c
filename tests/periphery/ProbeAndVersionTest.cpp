// The status probe and the library version over a real dispatcher: the probe
// is answered with success, the version with the not-supported failure.
#include "KelSQL/KelNetSQLDLLVersion.h"
#include "KelSQL/KelNetSQLStatus.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "periphery/AgentHostFixture.h"

namespace {

constexpr const char* kNotSupportedLine = "This function is not supported by SQLDrover.";

class ProbeAndVersionTest : public kel::test::AgentHostTest {
protected:
    KelSQLClassProperties ostrel_{KelSQLServerSide};
};

}  // namespace

TEST_F(ProbeAndVersionTest, ProbeIsAnsweredByTheAgentHost) {
    KelNetSQLStatus probe(ostrel_, true);
    EXPECT_FALSE(probe.terminationEnabled());
    ASSERT_TRUE(probe.setRemoteDataAgent(kAgentHost));
    ASSERT_TRUE(probe.connection()) << probe.getLastError().formatLastErrorMessage();
    EXPECT_EQ(probe.getResponseMessageLength() + probe.responseMessage(false)->Status.Status, 560u);
    EXPECT_TRUE(probe.connection());  // the session stays open for a second probe
    KelNetSQLStatus nowhere(ostrel_, false);
    ASSERT_TRUE(nowhere.setRemoteDataAgent("nohost"));
    EXPECT_NE(kel::test::failure(nowhere.connection(), nowhere.getLastError()), 0u);
}

TEST_F(ProbeAndVersionTest, VersionAnswerIsTheNotSupportedFailure) {
    KelNetSQLDLLVersion version(ostrel_, false);
    EXPECT_TRUE(kel::test::refused(version.getRemoteSQLDLLVersion(kAgentHost), version.getLastError(),
                                   kelsql::kErrNotSupported));
    EXPECT_EQ(version.getSQLDLLVersion().Major, 0u);
    EXPECT_EQ(ostrel_.remoteSqlHostName(), kAgentHost);
    EXPECT_EQ(occurrences(agentLog(), kNotSupportedLine), 1u);
}

TEST_F(ProbeAndVersionTest, InstallerVersionFailsWithANonZeroNumber) {
    unsigned long major = 7, minor = 8, build = 9;
    // A null output sends nothing.
    EXPECT_EQ(sqlDLLVersion(&major, &minor, nullptr, kAgentHost, nullptr), kelsql::kErrInvalidArgument);
    EXPECT_EQ(agentLog().find(kNotSupportedLine), std::string::npos);
    EXPECT_EQ(sqlDLLVersion(&major, &minor, &build, kAgentHost, ""), kelsql::kErrNotSupported);
    EXPECT_EQ(std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(build), "7.8.9");
    EXPECT_NE(sqlDLLVersion(&major, &minor, &build, "nohost", nullptr), 0u);
    EXPECT_NE(sqlDLLVersion(&major, &minor, &build, kAgentHost, "nosuchmachine"), 0u);
    EXPECT_NE(sqlDLLVersion(&major, &minor, &build, nullptr, "nosuchmachine"), 0u);
}

TEST_F(ProbeAndVersionTest, InstallerVersionWithoutHostAsksTheOstrelOfTheFocus) {
    KelDispatcherProcess ostrelHost;
    ostrelHost.setFocusMachine(kOstrelMachine);
    ASSERT_TRUE(ostrelHost.start(kOstrelMachine));
    const size_t before = occurrences(agentLog(), kNotSupportedLine);
    unsigned long major = 0, minor = 0, build = 0;
    EXPECT_EQ(sqlDLLVersion(&major, &minor, &build, nullptr, kOstrelMachine), kelsql::kErrNotSupported);
    EXPECT_TRUE(ostrelHost.stop());
    // The agent host was not asked.
    EXPECT_EQ(occurrences(agentLog(), kNotSupportedLine), before);
}
