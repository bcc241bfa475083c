#include "KelSQL/KelSQLEnvironment.h"

#include <gtest/gtest.h>

TEST(DataSourceName, AgentNamesKeepTheInstancePartOrPrefixTheDefaultWhileItFitsAndOstrelNamesTheHost) {
    const std::string fits(14, 'a'), tooLong(15, 'b');  // 8 + 14 + 10 = 32
    const struct {
        std::string server, agent;
    } cases[] = {
        {"HOST\\INST", "INST_SQLDrover"},
        {"HOST\\A\\B", "A_B_SQLDrover"},  // every backslash goes
        {"HOST", "DEFAULT_HOST_SQLDrover"},
        {fits, "DEFAULT_" + fits + "_SQLDrover"},
        {tooLong, tooLong + "_SQLDrover"},
    };
    for (const auto& c : cases) EXPECT_EQ(KelSQLEnvironment::agentDataSourceName(c.server), c.agent) << c.server;
    EXPECT_EQ(KelSQLEnvironment::ostrelDataSourceName("HOST\\INST") + KelSQLEnvironment::ostrelDataSourceName("HOST"),
              "HOST_ostrelHOST_ostrel");
}
