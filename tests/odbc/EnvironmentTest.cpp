#include "KelSQL/KelSQLEnvironment.h"

#include <vector>

#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLErrors.h"
#include "OdbcFixture.h"
#include "support/Checks.h"
#include "platform/events/KelDebug.h"

using kel::test::OdbcTest;
using kel::test::readFile;
using kel::test::refused;
using Names = std::vector<std::string>;

namespace {

class EnvironmentTest : public OdbcTest {
protected:
    void SetUp() override {
        OdbcTest::SetUp();
        KelDebug::setSink([this](KelDebugLevel level, const std::string& fn, const std::string&) {
            if (level == KelDebugError) errors_.push_back(fn);
        });
    }
    void TearDown() override { KelDebug::setSink({}); }

    void makeAgentDatabase(const char* machine, const char* name) {
        ASSERT_NE(database(machine).create("", "", name), 0);
    }
    KelLastError savedError() {
        KelLastError saved;
        sqlInstallLastError(KelSQL_InstallErrorGet, saved);
        return saved;
    }
    Names errors_;
};

}  // namespace

TEST_F(EnvironmentTest, UnsupportedDriverStepsAndBadArgumentsFailWithTheirNumbers) {
    KelSQLEnvironment env(kAgent);
    ASSERT_TRUE(env.isReady());
    EXPECT_TRUE(refused(env.configureDSN("HOST\\INST", "INST_SQLDrover"), env.getLastError(), kelsql::kErrNotSupported,
                        "KelSQLEnvironment::configureDSN()"));
    EXPECT_TRUE(refused(env.deconfigureDSN("INST_SQLDrover"), env.getLastError(), kelsql::kErrNotSupported));
    std::string text;
    EXPECT_FALSE(env.sqlInstallerError(text, 1));
    EXPECT_NE(readFile(KelDebug::logFilePath())
                  .find("ERROR KelSQLEnvironment::configureDSN(): This function is not supported by SQLDrover."),
              std::string::npos);
    EXPECT_TRUE(refused(env.create("HOST", "a", "b"), env.getLastError(), kelsql::kErrNotSupported,
                        "KelSQLEnvironment::configureDSN()"));
    EXPECT_EQ(env.databaseName(), "DEFAULT_HOST_SQLDrover");
    EXPECT_FALSE(KelRegistry::has(kAgent, kel::kSectionDatabase, kel::kKeyInstance));
    EXPECT_EQ(sqlCreateEnvironment(nullptr, "HOST", "", ""), kelsql::kErrInvalidArgument);
    EXPECT_EQ(sqlCreateDataSourceName(kAgent, "", nullptr), kelsql::kErrInvalidArgument);
    EXPECT_EQ(sqlRemoveEnvironment(nullptr), kelsql::kErrInvalidArgument);
    // An unknown machine is refused, never replaced by the process's focus.
    makeAgentDatabase(kOstrel, "HOST_ostrel");
    EXPECT_EQ(sqlRemoveEnvironment("ghost"), kel::kErrUnknownMachine);
    EXPECT_EQ(sqlCreateDataSourceName("ghost", "HOST\\INST", nullptr), kel::kErrUnknownMachine);
    // No agent database: the platform's number, read back by the installer.
    EXPECT_EQ(sqlCreateDataSourceName(kAgent, "HOST\\INST", nullptr), kel::kErrNoAgentDatabase);
    unsigned long number = 0;
    char buffer[256] = {};
    EXPECT_EQ(sqlFormatLastError(&number, buffer, sizeof(buffer)), 0u);
    EXPECT_EQ(number, kel::kErrNoAgentDatabase);
    EXPECT_NE(std::string(buffer).find("has no agent database"), std::string::npos);
}

TEST_F(EnvironmentTest, CreateOnAnExistingDatabaseRegistersOnlyTheDataSource) {
    makeAgentDatabase(kAgent, "INST_SQLDrover");
    setDataSource(kAgent, "HOST\\INST", "inst_sqldrover");
    const std::string before = readFile(KelRegistry::filePath(kAgent));
    KelSQLEnvironment env(kAgent);
    EXPECT_TRUE(env.createDSN("HOST\\INST", nullptr) && env.createDSN("host\\inst", "HOST\\INST_SQLDROVER"));
    EXPECT_EQ(readFile(KelRegistry::filePath(kAgent)), before);
    // The exported form with a null name forms the agent name itself.
    EXPECT_EQ(sqlCreateDataSourceName(kAgent, "HOST\\INST", nullptr) + sqlCreateDataSourceName(kAgent, "HOST\\INST", ""), 0u);
    setDataSource(kAgent, "HOST\\INST", "INST_SQLDrover");
    EXPECT_EQ(sqlCreateEnvironment(kAgent, "HOST\\INST", "a", "b"), 0u);
    // A failure for a second instance leaves the first one's registration.
    EXPECT_EQ(sqlCreateEnvironment(kAgent, "HOST\\OTHER", "a", "b"), kelsql::kErrNotSupported);
    EXPECT_EQ(dataSource(kAgent, "HOST\\INST"), "INST_SQLDrover");
    EXPECT_TRUE(KelRegistry::has(kAgent, kel::kSectionDatabase, kel::kKeyInstance));
    makeAgentDatabase(kOstrel, "HOST_ostrel");
    setDataSource(kOstrel, "HOST\\INST", "HOST_OSTREL");
    EXPECT_EQ(sqlCreateDataSourceName(kOstrel, "HOST\\INST", "something_else"), 0u);
    EXPECT_EQ(dataSource(kOstrel, "HOST\\INST"), "HOST_OSTREL");
}

TEST_F(EnvironmentTest, NewOrRenamedRegistrationNeedsTheDriverAndLeavesNothing) {
    makeAgentDatabase(kAgent, "A_SQLDrover");
    setList(kAgent, {"HOST\\A"});
    EXPECT_EQ(sqlCreateDataSourceName(kAgent, "HOST\\B", nullptr), kelsql::kErrNotSupported);
    EXPECT_EQ(savedError().number(), kelsql::kErrNotSupported);
    EXPECT_EQ(dataSource(kAgent, "HOST\\B") + "|" + list(kAgent).back(), "|HOST\\A");
    EXPECT_EQ(list(kAgent).size(), 1u);
    setDataSource(kAgent, "HOST\\A", "OldName");
    EXPECT_EQ(sqlCreateDataSourceName(kAgent, "HOST\\A", nullptr), kelsql::kErrNotSupported);
    EXPECT_EQ(dataSource(kAgent, "HOST\\A"), "OldName");
    EXPECT_EQ(errors_, (Names{"KelSQLEnvironment::configureDSN()", "KelSQLEnvironment::deconfigureDSN()"}));
}

TEST_F(EnvironmentTest, FullListRefusesAndExactListIsWalkedToItsEnd) {
    makeAgentDatabase(kAgent, "A_SQLDrover");
    const Names names = namesFilling(KelSQLEnvironment::kInstanceListSize, "HOST\\LAST");
    setList(kAgent, names);
    EXPECT_EQ(sqlCreateDataSourceName(kAgent, "HOST\\NEW", nullptr), kel::kErrListFull);
    EXPECT_EQ(kel::test::arguments(savedError()),
              (Names{"KelSQLEnvironment::createDSN(sqlServerName, dataSourceName)", kAgent, "HOST\\NEW"}));
    EXPECT_EQ(dataSource(kAgent, "HOST\\NEW"), "");
    EXPECT_EQ(list(kAgent), names);
    char exact[KelSQLEnvironment::kInstanceListSize];
    size_t used = 0;
    ASSERT_TRUE(KelPI_DataBase::joinList(names, exact, sizeof(exact), &used) && used == sizeof(exact));
    // The last name is found: the instance is known, so only the driver step
    // (not supported here) stands between it and success.
    EXPECT_EQ(sqlCreateDataSourceName(kAgent, "host\\last", nullptr), kelsql::kErrNotSupported);

    // One byte more than the buffer holds is a platform failure, not an overrun.
    const Names tooMany = namesFilling(KelSQLEnvironment::kInstanceListSize + 1, "HOST\\LAST");
    std::vector<char> raw(KelSQLEnvironment::kInstanceListSize + 1);
    ASSERT_TRUE(KelPI_DataBase::joinList(tooMany, raw.data(), raw.size(), &used));
    ASSERT_NE(database(kAgent).setDSNList(raw.data(), static_cast<int>(used)), 0);
    EXPECT_EQ(sqlCreateDataSourceName(kAgent, "HOST\\NEW", nullptr), kel::kErrValueTooLong);
}

TEST_F(EnvironmentTest, RemoveDeletesTheOstrelsDataSourcesUpToAForeignOneAndTheAgentsSection) {
    makeAgentDatabase(kOstrel, "HOST_ostrel");
    EXPECT_EQ(sqlRemoveEnvironment(kOstrel), 0u);
    EXPECT_EQ(sqlRemoveEnvironment(kAgent), kel::kErrNoEntry);  // no database name at all
    const Names names = namesFilling(KelSQLEnvironment::kInstanceListSize, "HOST\\LAST");
    setList(kOstrel, names);
    setDataSource(kOstrel, names.front().c_str(), "host_OSTREL");
    setDataSource(kOstrel, "HOST\\LAST", "HOST_ostrel");
    EXPECT_EQ(sqlRemoveEnvironment(kOstrel), 0u);
    EXPECT_EQ(dataSource(kOstrel, names.front().c_str()) + dataSource(kOstrel, "HOST\\LAST"), "");
    EXPECT_TRUE(KelRegistry::has(kOstrel, kel::kSectionDatabase, kel::kKeyInstance));
    setList(kOstrel, {"HOST\\A", "HOST\\B"});
    setDataSource(kOstrel, "HOST\\A", "Foreign");
    setDataSource(kOstrel, "HOST\\B", "HOST_ostrel");
    EXPECT_EQ(sqlRemoveEnvironment(kOstrel), kelsql::kErrNotSupported);
    EXPECT_EQ(dataSource(kOstrel, "HOST\\A") + "|" + dataSource(kOstrel, "HOST\\B"), "Foreign|HOST_ostrel");

    // An agent database loses its section, then needs the driver.
    makeAgentDatabase(kAgent, "INST_SQLDrover");
    setList(kAgent, {"HOST\\INST"});
    setDataSource(kAgent, "HOST\\INST", "INST_SQLDrover");
    KelSQLEnvironment env(kAgent);
    EXPECT_TRUE(refused(env.remove(), env.getLastError(), kelsql::kErrNotSupported));
    EXPECT_EQ(env.databaseName() + "|" + dataSource(kAgent, "HOST\\INST"), "INST_SQLDrover|");
    EXPECT_FALSE(KelRegistry::has(kAgent, kel::kSectionDatabase, kel::kKeyInstance));
    EXPECT_EQ(errors_.back(), "KelSQLEnvironment::deconfigureDSN()");
}
