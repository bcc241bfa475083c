// The context's SQL credentials and data source: filled through the context,
// kept by setFocus, copied by assignment.
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLErrors.h"
#include "platform/info/KelPI_DataBase.h"
#include "services/ServicesFixture.h"

namespace {

class ContextDataSourceTest : public kel::test::OstrelServicesTest {
protected:
    void SetUp() override {
        OstrelServicesTest::SetUp();
        KelPI_DataBase db;
        ASSERT_NE(db.setFocus(kMachine), 0);
        ASSERT_NE(db.setSqlServerODBCDSN("ALPHA\\SALES", "SALES_SQLDrover"), 0);
        ASSERT_NE(db.setSqlServerODBCDSN("ALPHA\\OLD", "OLD_SQLDrover"), 0);
        ASSERT_NE(db.setSqlServerVersion("ALPHA\\SALES", "9.00.1399"), 0);
    }
};

TEST_F(ContextDataSourceTest, DataSourceOfAnInstanceThroughTheContext) {
    KelSQLClassProperties ctx(KelSQLClientSide);
    KelSQLServerDSN& dsn = ctx.getSQLDSN();
    ASSERT_TRUE(dsn.setVirtualMachine(kMachine)) << dsn.getLastError().formatLastErrorMessage();
    ASSERT_TRUE(dsn.setSqlServerName("alpha\\sales")) << dsn.getLastError().formatLastErrorMessage();
    EXPECT_EQ(ctx.getSQLDSN().dataSourceName(), "SALES_SQLDrover");
    EXPECT_EQ(ctx.getSQLDSN().major(), 9u);
    // A new focus keeps the data source.
    ASSERT_TRUE(ctx.setFocus(kMachine));
    EXPECT_EQ(ctx.getSQLDSN().dataSourceName(), "SALES_SQLDrover");
}

TEST_F(ContextDataSourceTest, NoVersionTextIsAnUnsupportedVersion) {
    KelSQLClassProperties ctx(KelSQLClientSide);
    KelSQLServerDSN& dsn = ctx.getSQLDSN();
    ASSERT_TRUE(dsn.setVirtualMachine(kMachine));
    // The installer registry is not read on this platform and nothing else
    // knows the version: refused, never taken for a version 0.
    EXPECT_FALSE(dsn.setSqlServerName("ALPHA\\OLD"));
    EXPECT_EQ(dsn.getLastError().number(), kelsql::kErrUnsupportedVersion);
    EXPECT_FALSE(dsn.isValid());
    EXPECT_EQ(dsn.dataSourceName(), "");
}

TEST_F(ContextDataSourceTest, AssignmentCopiesCredentialsAndDataSource) {
    KelSQLClassProperties a(KelSQLClientSide);
    a.getSQLUserAndPassword().setSqlUser("sa");
    a.getSQLUserAndPassword().setSqlPassword("it's secret");
    ASSERT_TRUE(a.getSQLDSN().setVirtualMachine(kMachine));
    ASSERT_TRUE(a.getSQLDSN().setSqlServerName("ALPHA\\SALES"));
    auto b = std::make_unique<KelSQLClassProperties>(KelSQLServerSide);
    *b = a;
    EXPECT_TRUE(b->getSQLUserAndPassword() == a.getSQLUserAndPassword());
    EXPECT_EQ(b->getSQLDSN().dataSourceName(), "SALES_SQLDrover");
    // Each holds its own platform object: either may go first.
    b.reset();
    EXPECT_EQ(a.getSQLDSN().dataSourceName(), "SALES_SQLDrover");
    ASSERT_TRUE(a.getSQLDSN().setSqlServerName("ALPHA\\SALES"));
}

}  // namespace
