// The context's SQL credentials and data source: filled through the context,
// kept by setFocus, copied by assignment.
#include "KelSQL/KelSQLClassProperties.h"
#include "platform/info/KelPI_DataBase.h"
#include "support/TesselFixture.h"

namespace {

using ContextDataSourceTest = kel::test::TesselTest;

TEST_F(ContextDataSourceTest, KeptBySetFocusAndCopiedByAssignment) {
    KelPI_DataBase db;
    ASSERT_NE(db.setFocus(kMachine), 0);
    ASSERT_NE(db.setSqlServerODBCDSN("ALPHA\\SALES", "SALES_SQLDrover"), 0);
    ASSERT_NE(db.setSqlServerVersion("ALPHA\\SALES", "9.00.1399"), 0);
    KelSQLClassProperties a(KelSQLClientSide);
    a.getSQLUserAndPassword().setSqlUser("sa");
    a.getSQLUserAndPassword().setSqlPassword("it's secret");
    ASSERT_TRUE(a.getSQLDSN().setVirtualMachine(kMachine)) << a.getSQLDSN().getLastError().formatLastErrorMessage();
    ASSERT_TRUE(a.getSQLDSN().setSqlServerName("alpha\\sales")) << a.getSQLDSN().getLastError().formatLastErrorMessage();
    EXPECT_EQ(a.getSQLDSN().major(), 9u);
    ASSERT_TRUE(a.setFocus(kMachine));
    EXPECT_EQ(a.getSQLDSN().dataSourceName(), "SALES_SQLDrover");

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
