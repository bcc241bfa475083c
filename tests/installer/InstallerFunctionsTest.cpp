// The installer's functions: the not-supported ones write their line and
// keep their results and arguments, installation fails where it cannot work, the saved error reaches
// sqlFormatLastError, and sqlServerIsConfigured reads the catalogue on the
// Ostrel.
#include <cstring>
#include <functional>
#include <utility>
#include <vector>

#include "KelSQL/KelSQLInstallerFunctions.h"
#include "KelSQL/KelSQLInstallerRegistry.h"
#include "support/TesselFixture.h"

using kel::test::refused;

namespace {

using InstallerFunctionsTest = kel::test::TesselDispatcherTest;

unsigned long savedNumber() {
    unsigned long number = 0;
    char text[256];
    return sqlFormatLastError(&number, text, sizeof text) == 0 ? number : 1;
}

}  // namespace

TEST_F(InstallerFunctionsTest, NotSupportedFunctionsLogAndKeepTheirResults) {
    captureLog();
    KelInstallSQLObjectList_t list{7, nullptr};
    unsigned long mode = 3;
    char version[8] = "x";
    int length = 8, other = 5;
    KelSqlInstallLog log("agent1");
    bool found = true;
    // Each with its logged name: the first three report success, the others
    // fail with 0x1E0000FF.
    const std::vector<std::pair<const char*, std::function<unsigned long(KelLastError&)>>> cases = {
        {"sqlServerRegVersion()", [&](KelLastError&) { return sqlServerRegVersion("I", version, &length, &other, 0); }},
        {"sqlServerListV2()", [&](KelLastError&) { return sqlServerListV2(&list, "agent1", 0); }},
        {"sqlSecurityModeProperty()", [&](KelLastError&) { return sqlSecurityMode("m", "I", "sa", &mode); }},
        {"sqlServerListClustered()", [&](KelLastError& e) { return sqlServerListClustered(e, &list, "m", "c"); }},
        {"getSQL2000InstancesFromRegistry()",
         [&](KelLastError& e) { return getSQL2000InstancesFromRegistry(e, &list, "m", found, log); }},
        {"getSQL7InstanceFromRegistry()", [&](KelLastError& e) { return getSQL7InstanceFromRegistry(e, &list, "m"); }},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        lines_.clear();
        KelLastError error;
        EXPECT_EQ(cases[i].second(error), 0u) << cases[i].first;
        EXPECT_EQ(error.number(), i < 3 ? 0u : 0x1E0000FFu) << cases[i].first;
        EXPECT_TRUE(logged(std::string(cases[i].first) + "|This function is not supported by SQLDrover."));
    }
    EXPECT_EQ(savedNumber(), 0u);  // sqlSecurityMode saves an empty error
    EXPECT_TRUE(list.count == 7 && !list.objects && mode == 3 && !std::strcmp(version, "x") && length == 8 &&
                other == 5 && found);
    // The lists this platform cannot read stay as the caller set them.
    EXPECT_EQ(sqlServerList("m", "c", &list, "f"), 0u);
    EXPECT_EQ(sqlDatabaseList("I", "u", "p", &list, "f", 0), 0u);
    EXPECT_EQ(sqlSAUserList(KelSQLSAUserSql, "I", "u", "p", &list, "f"), 0u);
    EXPECT_TRUE(list.count == 7 && !list.objects);
    // Installation on a machine that is no agent here installs nothing and
    // says so.
    EXPECT_EQ(sqlInstallServer("I", "u", "p", "", 1, "f", false), kel::kErrUnknownMachine);
    EXPECT_EQ(sqlInstallDatabase("I", "d", 1, 1, "f"), kel::kErrUnknownMachine);
    EXPECT_EQ(savedNumber(), kel::kErrUnknownMachine);
    EXPECT_EQ(kel::test::scalar("SELECT count(*) FROM sqlServer") + kel::test::scalar("SELECT count(*) FROM sqlDatabase"),
              0);
}

TEST_F(InstallerFunctionsTest, FailuresAreSavedForFormatLastError) {
    EXPECT_EQ(sqlCreateApplicationId("", "pubs", 1, 0, 0, nullptr), 0x1E000001u);
    EXPECT_EQ(savedNumber(), 0x1E000001u);
    // With the agent install active for the Ostrel's client, the data source
    // of a context without an instance has no SQL Server version.
    ASSERT_TRUE(KelRegistry::createMachine(kOstrel) && kel::test::activateAgentInstall(kOstrel));
    EXPECT_EQ(sqlCreateApplicationId("SQL1", "pubs", 1, 0, 0, nullptr), 0x1E0000C0u);
    unsigned long major = 99;
    EXPECT_EQ(sqlServerRegMajorVersion("SQL1", nullptr, false), 0x1E000001u);
    // The registry reader fills no text: an empty version is no version.
    EXPECT_EQ(sqlServerRegMajorVersion("SQL1", &major, false), 0x1E0000C0u);
    EXPECT_EQ(savedNumber(), 0x1E0000C0u);
    EXPECT_EQ(major, 99u);
}

TEST_F(InstallerFunctionsTest, ServerIsConfiguredAnswersStatusAndVersion) {
    unsigned long client = 0;
    ASSERT_EQ(0, admin_.createClient(tessel_, "agent1", "", client));
    ASSERT_TRUE(kel::test::sql("INSERT INTO sqlVersion(id, tesselId, major, minor, build, type) VALUES (41, " +
                               std::to_string(tessel_) + ", 8, 2, 194, 1)"));
    for (int deleted : {0, 1}) {
        const std::string name = "SQL" + std::to_string(deleted);
        const unsigned long id = instance(client, 16, name);
        ASSERT_TRUE(kel::test::sql("INSERT INTO sqlServer(instanceId, tesselId, serverName, sqlVersionId, deleteFlag, "
                                   "clientId) VALUES (" + std::to_string(id) + ", " + std::to_string(tessel_) + ", '" +
                                   name + "', 41, " + std::to_string(deleted) + ", " + std::to_string(client) + ")"));
    }
    // Configured, configured and deleted, and not in the catalogue (all zero).
    for (uint32_t status : {1u, 2u, 0u}) {
        KelUpgradeSQLServer_t out{9, 9, 9};
        ASSERT_EQ(sqlServerIsConfigured("agent1", ("SQL" + std::to_string(status ? status - 1 : 9)).c_str(), &out), 0u);
        const uint64_t major = status ? 8 : 0, minor = status ? 2 : 0;
        EXPECT_TRUE(out.status == status && out.majorVersion == major && out.minorVersion == minor) << status;
    }
    KelUpgradeSQLServer_t out{};
    EXPECT_EQ(sqlServerIsConfigured("agent1", "", &out), 0x1E000001u);
}
