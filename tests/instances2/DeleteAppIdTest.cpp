// Removing the application ids of an instance: on the Ostrel directly and
// from an agent through the Ostrel's handler.
#include "KelSQL/KelSQLDeleteAppId.h"
#include "KelSQL/KelSQLErrors.h"
#include "support/TesselFixture.h"

using kel::test::refused;
using kel::test::scalar;

namespace {

class DeleteAppIdTest : public kel::test::TesselDispatcherTest {
protected:
    void SetUp() override {
        TesselDispatcherTest::SetUp();
        for (const char* db : {"db1", "db2"}) {
            unsigned long appId = 0;
            ASSERT_EQ(0, admin_.createApplication(alpha_, 70, "SQL1", db, "default", appId));
        }
    }
    static long long applications() { return scalar("SELECT count(*) FROM APP_Application"); }
};

TEST_F(DeleteAppIdTest, OstrelRemovesWithStoredNamesAndRefusesUnknownInstances) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLDeleteAppId remover(ostrel, false);
    const long long before = applications();
    ASSERT_GT(before, 0);
    EXPECT_TRUE(refused(remover.deleteApplicationId("alpha", 70, "NOPE"), remover.getLastError(),
                        kelsql::kErrNoSuchInstance));
    EXPECT_TRUE(refused(remover.deleteApplicationId("ghost", 70, "SQL1"), remover.getLastError(),
                        kelsql::kErrClientNotFound));
    EXPECT_EQ(applications(), before);
    KelSQLDeleteAppId fresh(ostrel, false);
    EXPECT_TRUE(refused(fresh.deleteApplicationId("", 70, "SQL1"), fresh.getLastError(), kelsql::kErrValueNotSet,
                        "clientName"));
    fresh.setClientName("alpha");
    ASSERT_TRUE(fresh.deleteApplicationId("", 70, "SQL1")) << fresh.getLastError().formatLastErrorMessage();
    EXPECT_EQ(applications(), 0);
}

TEST_F(DeleteAppIdTest, AgentSendsTheThreeFieldsToTheOstrel) {
    captureLog();
    KelSQLClassProperties agent(KelSQLClientSide);
    KelSQLDeleteAppId remover(agent, false);
    EXPECT_TRUE(refused(remover.deleteApplicationId("alpha", 16, "SQL1"), remover.getLastError(),
                        kelsql::kErrNoSuchInstance));
    ASSERT_TRUE(remover.deleteApplicationId("alpha", 70, "SQL1")) << remover.getLastError().formatLastErrorMessage();
    EXPECT_EQ(applications(), 0);
    const std::string log = ostrelLog();
    EXPECT_NE(log.find("ServerName = SQL1"), std::string::npos);
    EXPECT_NE(log.find("ApplicationType = 70"), std::string::npos);
}

TEST_F(DeleteAppIdTest, AFailedRemovalIsNoSuccess) {
    ASSERT_TRUE(kel::test::sql("DROP TABLE APP_SubclientProp"));
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLDeleteAppId remover(ostrel, false);
    EXPECT_FALSE(remover.deleteApplicationId("alpha", 70, "SQL1"));
    EXPECT_NE(remover.getLastError().number(), 0u);
    EXPECT_GT(applications(), 0);
}

}  // namespace
