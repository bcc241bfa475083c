#include "KelSQL/KelSQLEnvironment.h"

#include <gtest/gtest.h>

TEST(DataSourceName, NamedInstanceKeepsOnlyItsInstancePart) {
    EXPECT_EQ(KelSQLEnvironment::agentDataSourceName("HOST\\INST"), "INST_SQLDrover");
    // A name the prefix rule does not touch still loses every backslash.
    EXPECT_EQ(KelSQLEnvironment::agentDataSourceName("HOST\\A\\B"), "A_B_SQLDrover");
}

TEST(DataSourceName, DefaultInstanceIsPrefixedWhileItFits32Characters) {
    EXPECT_EQ(KelSQLEnvironment::agentDataSourceName("HOST"), "DEFAULT_HOST_SQLDrover");
    std::string fits(14, 'a');  // 8 + 14 + 10 = 32
    EXPECT_EQ(KelSQLEnvironment::agentDataSourceName(fits), "DEFAULT_" + fits + "_SQLDrover");
    std::string tooLong(15, 'b');
    EXPECT_EQ(KelSQLEnvironment::agentDataSourceName(tooLong), tooLong + "_SQLDrover");
    std::string twenty(20, 'c');
    EXPECT_EQ(KelSQLEnvironment::agentDataSourceName(twenty).size(), 30u);
}

TEST(DataSourceName, OstrelNameIsTheHostPart) {
    EXPECT_EQ(KelSQLEnvironment::ostrelDataSourceName("HOST\\INST"), "HOST_ostrel");
    EXPECT_EQ(KelSQLEnvironment::ostrelDataSourceName("HOST"), "HOST_ostrel");
}
