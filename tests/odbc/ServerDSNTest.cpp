#include "KelSQL/KelSQLServerDSN.h"

#include <memory>

#include "KelSQL/KelSQLErrors.h"
#include "OdbcFixture.h"
#include "support/Checks.h"
#include "platform/events/KelDebug.h"

using kel::test::arguments;
using kel::test::OdbcTest;
using kel::test::refused;

namespace {

class ServerDSNTest : public OdbcTest {
protected:
    void SetUp() override {
        OdbcTest::SetUp();
        setDataSource(kAgent, "HOST\\INST", "INST_SQLDrover");
    }

    void setVersion(const char* machine, const char* instance, const char* version) {
        ASSERT_NE(database(machine).setSqlServerVersion(instance, version), 0);
    }

    static constexpr const char* kSignature = "KelSQLServerDSN::setSqlServerName(sqlServerName)";
};

}  // namespace

TEST_F(ServerDSNTest, FoundInstanceIsValidWithItsVersion) {
    setVersion(kAgent, "HOST\\INST", "8.00.2039");
    KelSQLServerDSN dsn(kAgent, "host\\inst");
    ASSERT_TRUE(dsn.isValid()) << dsn.getLastError().formatLastErrorMessage();
    EXPECT_EQ(dsn.dataSourceName() + " " + std::to_string(dsn.major()) + "." + std::to_string(dsn.minor()) + "." +
                  std::to_string(dsn.build()),
              "INST_SQLDrover 8.0.0");
    EXPECT_EQ(dsn.sqlAppType().appType(), KelSQL_AppTypeSql2000);
    // The installer registry is asked first and says it is not there.
    EXPECT_NE(kel::test::readFile(KelDebug::logFilePath()).find("ERROR sqlServerRegVersion(): "), std::string::npos);
}

TEST_F(ServerDSNTest, UnknownInstanceIsACriticalPlatformError) {
    KelSQLServerDSN dsn(kAgent);
    EXPECT_TRUE(refused(dsn.setSqlServerName("HOST\\NONE"), dsn.getLastError(), kel::kErrNoEntry));
    EXPECT_TRUE(dsn.getLastError().isCritical());
    EXPECT_EQ(arguments(dsn.getLastError()),
              (std::vector<std::string>{"KelPI_DataBase::getSqlServerODBCDSN(instance)", kAgent,
                                        "ODBC Data Sources\\HOST\\NONE"}));
    EXPECT_EQ(dsn.sqlServerName() + dsn.dataSourceName(), "HOST\\NONE");
}

TEST_F(ServerDSNTest, VersionOutsideSevenToNineIsRefusedAndHidesTheName) {
    setVersion(kAgent, "HOST\\INST", "10.50");
    KelSQLServerDSN dsn(kAgent);
    EXPECT_TRUE(refused(dsn.setSqlServerName("HOST\\INST"), dsn.getLastError(), kelsql::kErrUnsupportedVersion));
    EXPECT_EQ(arguments(dsn.getLastError()), (std::vector<std::string>{kSignature, "10.50"}));
    EXPECT_EQ(dsn.dataSourceName() + std::to_string(dsn.major()), "0");
    // No version anywhere: the instance is named instead.
    setVersion(kAgent, "HOST\\INST", "");
    EXPECT_TRUE(refused(dsn.setSqlServerName("HOST\\INST"), dsn.getLastError(), kelsql::kErrUnsupportedVersion));
    EXPECT_EQ(arguments(dsn.getLastError()), (std::vector<std::string>{kSignature, "HOST\\INST"}));
}

// A failed switch to another instance never leaves the first one's data
// source (or the other's, found before its version was refused) in use.
TEST_F(ServerDSNTest, FailedSwitchToAnotherInstanceHidesEveryName) {
    setVersion(kAgent, "HOST\\INST", "8.00.2039");
    setDataSource(kAgent, "HOST\\NEW", "NEW_SQLDrover");
    setVersion(kAgent, "HOST\\NEW", "10.50");
    KelSQLServerDSN dsn(kAgent, "HOST\\INST");
    ASSERT_TRUE(dsn.isValid());
    EXPECT_FALSE(dsn.setSqlServerName("HOST\\NEW"));
    EXPECT_EQ(dsn.dataSourceName(), "");
    ASSERT_TRUE(dsn.setSqlServerName("HOST\\INST"));
    EXPECT_FALSE(dsn.setSqlServerName("HOST\\NONE"));
    EXPECT_EQ(dsn.dataSourceName(), "");
}

TEST_F(ServerDSNTest, MachineIsRequiredAndAnUnknownOneNeverReplacedByTheProcessFocus) {
    KelSQLServerDSN dsn;
    EXPECT_TRUE(refused(dsn.setSqlServerName("HOST\\INST"), dsn.getLastError(), kelsql::kErrValueNotSet, "virtualMachine"));
    // The process focus machine knows the instance; "ghost" does not exist.
    setDataSource(kOstrel, "HOST\\INST", "INST_SQLDrover");
    setVersion(kOstrel, "HOST\\INST", "9.00");
    EXPECT_FALSE(dsn.setVirtualMachine("ghost"));
    EXPECT_TRUE(dsn.getLastError().isCritical());
    EXPECT_TRUE(refused(dsn.setSqlServerName("HOST\\INST"), dsn.getLastError(), kel::kErrUnknownMachine));
    EXPECT_FALSE(dsn.isValid());
}
TEST_F(ServerDSNTest, CopyOwnsItsOwnPlatformObject) {
    setVersion(kAgent, "HOST\\INST", "7.00.623");
    auto original = std::make_unique<KelSQLServerDSN>(kAgent, "HOST\\INST");
    ASSERT_TRUE(original->isValid());
    KelSQLServerDSN copy;
    copy = *original;
    original.reset();
    EXPECT_TRUE(copy.isValid() && copy.sqlAppType().appType() == KelSQL_AppTypeSql7);
    EXPECT_EQ(copy.dataSourceName(), "INST_SQLDrover");
    EXPECT_TRUE(copy.setSqlServerName("HOST\\INST"));
    copy.deleteDatabase();
    EXPECT_EQ(copy.dataSourceName(), "");
}
