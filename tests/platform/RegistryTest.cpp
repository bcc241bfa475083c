#include <gtest/gtest.h>

#include "platform/info/KelPlatformInfo.h"
#include "platform/info/KelRegistry.h"
#include "support/TestHome.h"

namespace {

using kel::test::HomeTest;

TEST_F(HomeTest, RegistryKeepsValuesPerMachineAndSection) {
    EXPECT_FALSE(KelRegistry::machineExists("HOSTA"));
    ASSERT_TRUE(KelRegistry::set("HOSTA", "Platform", "TesselId", "7"));
    ASSERT_TRUE(KelRegistry::set("HOSTA", "Hosts", "OSTREL", "127.0.0.1:4100"));
    ASSERT_TRUE(KelRegistry::set("HOSTA", "Platform", "TesselId", "8"));
    EXPECT_TRUE(KelRegistry::machineExists("HOSTA"));
    EXPECT_EQ(KelRegistry::get("HOSTA", "Platform", "TesselId"), "8");
    EXPECT_EQ(KelRegistry::get("HOSTA", "Hosts", "OSTREL"), "127.0.0.1:4100");
    EXPECT_EQ(KelRegistry::get("HOSTB", "Platform", "TesselId", "none"), "none");
    EXPECT_TRUE(KelRegistry::remove("HOSTA", "Platform", "TesselId"));
    EXPECT_FALSE(KelRegistry::has("HOSTA", "Platform", "TesselId"));
    EXPECT_TRUE(KelRegistry::has("HOSTA", "Hosts", "OSTREL"));
}

TEST_F(HomeTest, RegistryRefusesNamesThatLeaveTheHome) {
    EXPECT_FALSE(KelRegistry::set("../evil", "Platform", "x", "1"));
    EXPECT_FALSE(KelRegistry::set("", "Platform", "x", "1"));
    EXPECT_FALSE(KelRegistry::set("HOSTA", "Platform", "x", "two\nlines"));
}

TEST_F(HomeTest, KeldReadsTheDebugLevelOfItsFocus) {
    KelPI_Keld keld;
    EXPECT_EQ(keld.setFocus("NOSUCH"), 0);
    EXPECT_EQ(keld.getLastError().number(), kel::kErrUnknownMachine);
    ASSERT_TRUE(KelRegistry::createMachine("HOSTA"));
    ASSERT_NE(keld.setFocus("HOSTA"), 0);
    EXPECT_EQ(keld.getSql(true), 0u);
    ASSERT_TRUE(keld.setSql(0xC));
    EXPECT_EQ(keld.getSql(true), 0xCu);
    ASSERT_TRUE(KelRegistry::set("HOSTA", "Platform", "SqlDebugLevel", "0x4"));
    EXPECT_EQ(keld.getSql(true), 0x4u);
}

}  // namespace
