// The status probe and the library version over a real dispatcher: the probe
// is answered with success, the version with the not-supported failure.
#include <cstring>

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
    EXPECT_EQ(probe.getResponseMessageLength(), 560u);
    EXPECT_EQ(probe.responseMessage(false)->Status.Status, 0u);
    // The session stays open for a second probe.
    EXPECT_TRUE(probe.connection());

    KelNetSQLStatus nowhere(ostrel_, false);
    ASSERT_TRUE(nowhere.setRemoteDataAgent("nohost"));
    EXPECT_FALSE(nowhere.connection());
    EXPECT_NE(nowhere.getLastError().number(), 0u);
}

TEST_F(ProbeAndVersionTest, VersionAnswerIsTheNotSupportedFailure) {
    KelNetSQLDLLVersion version(ostrel_, false);
    EXPECT_TRUE(kel::test::refused(version.getRemoteSQLDLLVersion(""), version.getLastError(), kelsql::kErrValueNotSet));
    EXPECT_TRUE(kel::test::refused(version.getRemoteSQLDLLVersion(kAgentHost), version.getLastError(),
                                   kelsql::kErrNotSupported));
    EXPECT_EQ(version.getSQLDLLVersion().Major, 0u);
    EXPECT_EQ(ostrel_.remoteSqlHostName(), kAgentHost);
    std::string log = agentLog();
    EXPECT_NE(log.find("KelNetSQLDLLVersion::getSQLDLLVersionInformation()"), std::string::npos) << log;
    EXPECT_NE(log.find(kNotSupportedLine), std::string::npos);
}

TEST_F(ProbeAndVersionTest, InstallerVersionFailsWithANonZeroNumber) {
    unsigned long major = 7, minor = 8, build = 9;
    // A null output sends nothing.
    EXPECT_EQ(sqlDLLVersion(&major, &minor, nullptr, kAgentHost, nullptr), kelsql::kErrInvalidArgument);
    EXPECT_EQ(agentLog().find(kNotSupportedLine), std::string::npos);
    EXPECT_EQ(sqlDLLVersion(&major, &minor, &build, kAgentHost, ""), kelsql::kErrNotSupported);
    EXPECT_EQ(std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(build), "7.8.9");
    // The installer reads the same failure back.
    unsigned long number = 0;
    char text[256] = {};
    EXPECT_EQ(sqlFormatLastError(&number, text, sizeof(text)), 0u);
    EXPECT_EQ(number, kelsql::kErrNotSupported);
    EXPECT_GT(std::strlen(text), 0u);
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
