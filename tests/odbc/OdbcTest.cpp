// The ODBC environment of the agent and the Ostrel: data source names, their
// creation and removal through the platform's database information, the
// instance's data source and version, and the platform store underneath.
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

#include "KelSQL/KelSQLEnvironment.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLErrors.h"
#include "KelSQL/KelSQLServerDSN.h"
#include "platform/events/KelDebug.h"
#include "platform/info/KelPI_DataBase.h"
#include "platform/info/KelPlatformInfoStore.h"
#include "platform/info/KelRegistry.h"
#include "support/Checks.h"
#include "support/TestHome.h"

TEST(DataSourceName, AgentNamesKeepTheInstancePartOrPrefixTheDefaultWhileItFitsAndOstrelNamesTheHost) {
    const std::string fits(14, 'a'), tooLong(15, 'b');  // 8 + 14 + 10 = 32
    for (const auto& [server, agent] : std::vector<std::pair<std::string, std::string>>{
             {"HOST\\INST", "INST_SQLDrover"}, {"HOST\\A\\B", "A_B_SQLDrover"},  // every backslash goes
             {"HOST", "DEFAULT_HOST_SQLDrover"}, {fits, "DEFAULT_" + fits + "_SQLDrover"}, {tooLong, tooLong + "_SQLDrover"}})
        EXPECT_EQ(KelSQLEnvironment::agentDataSourceName(server), agent) << server;
    EXPECT_EQ(KelSQLEnvironment::ostrelDataSourceName("HOST\\INST") + KelSQLEnvironment::ostrelDataSourceName("HOST"),
              "HOST_ostrelHOST_ostrel");
}

using kel::test::readFile;
using kel::test::refused;
using Names = std::vector<std::string>;

namespace {

class OdbcTest : public kel::test::HomeTest {
protected:
    static constexpr const char* kAgent = "client7";
    static constexpr const char* kOstrel = "ostrel1";

    void SetUp() override {
        ASSERT_TRUE(KelRegistry::createMachine(kAgent) && KelRegistry::createMachine(kOstrel));
        KelPI_Focus::setFocus(kOstrel);
    }

    // The platform's view of one machine.
    KelPI_DataBase database(const char* machine) {
        KelPI_DataBase db;
        EXPECT_NE(db.setFocus(machine), 0);
        return db;
    }

    void setDataSource(const char* machine, const char* instance, const char* dataSource) {
        ASSERT_NE(database(machine).setSqlServerODBCDSN(instance, dataSource), 0);
    }

    // The data source registered for an instance; empty when there is none.
    std::string dataSource(const char* machine, const char* instance) {
        char buffer[1024] = {};
        int capacity = sizeof(buffer);
        return database(machine).getSqlServerODBCDSN(instance, buffer, &capacity) ? buffer : "";
    }

    void setList(const char* machine, const std::vector<std::string>& names) {
        char buffer[4096] = {};
        size_t used = 0;
        ASSERT_TRUE(KelPI_DataBase::joinList(names, buffer, sizeof(buffer), &used) &&
                    database(machine).setDSNList(buffer, static_cast<int>(used)) != 0);
    }

    std::vector<std::string> list(const char* machine) {
        char buffer[4096] = {};
        int size = sizeof(buffer);
        return database(machine).getDSNList(buffer, &size) ? KelPI_DataBase::splitList(buffer, static_cast<size_t>(size))
                                                           : std::vector<std::string>{};
    }

    // Names that fill a list buffer of exactly size bytes, terminator included.
    static std::vector<std::string> namesFilling(size_t size, const std::string& last) {
        std::vector<std::string> names;
        for (size_t left = size - last.size() - 2, len; left > 0; left -= len + 1) {
            len = left > 200 ? 100 : left - 1;
            const std::string head = "H" + std::to_string(names.size()) + "\\";
            names.push_back(head + std::string(len - head.size(), 'x'));
        }
        names.push_back(last);
        return names;
    }
    void makeAgentDatabase(const char* machine, const char* name) {
        ASSERT_NE(database(machine).create("", "", name), 0);
    }
    KelLastError savedError() {
        KelLastError saved;
        sqlInstallLastError(KelSQL_InstallErrorGet, saved);
        return saved;
    }
};

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
using PlatformDataBaseTest = OdbcTest;
using EnvironmentTest = OdbcTest;

}  // namespace

TEST_F(EnvironmentTest, UnsupportedStepsAndBadArgumentsFailWithTheirNumbersExistingDatabasesAreKept) {
    KelSQLEnvironment env(kAgent);
    std::string text;
    EXPECT_TRUE(refused(env.configureDSN("HOST\\INST", "INST_SQLDrover"), env.getLastError(), kelsql::kErrNotSupported,
                        "KelSQLEnvironment::configureDSN()"));
    EXPECT_TRUE(refused(env.deconfigureDSN("INST_SQLDrover"), env.getLastError(), kelsql::kErrNotSupported) &&
                !env.sqlInstallerError(text, 1));
    EXPECT_NE(readFile(KelDebug::logFilePath())
                  .find("ERROR KelSQLEnvironment::configureDSN(): This function is not supported by SQLDrover."),
              std::string::npos);
    EXPECT_TRUE(refused(env.create("HOST", "a", "b"), env.getLastError(), kelsql::kErrNotSupported,
                        "KelSQLEnvironment::configureDSN()"));
    EXPECT_TRUE(env.databaseName() == "DEFAULT_HOST_SQLDrover" && !KelRegistry::has(kAgent, kel::kSectionDatabase, kel::kKeyInstance));
    EXPECT_TRUE(sqlCreateEnvironment(nullptr, "HOST", "", "") == kelsql::kErrInvalidArgument &&
                sqlCreateDataSourceName(kAgent, "", nullptr) == kelsql::kErrInvalidArgument &&
                sqlRemoveEnvironment(nullptr) == kelsql::kErrInvalidArgument);
    // An unknown machine is refused, never replaced by the process's focus.
    makeAgentDatabase(kOstrel, "HOST_ostrel");
    EXPECT_TRUE(sqlRemoveEnvironment("ghost") == kel::kErrUnknownMachine &&
                sqlCreateDataSourceName("ghost", "HOST\\INST", nullptr) == kel::kErrUnknownMachine);
    // No agent database: the platform's number, read back by the installer.
    EXPECT_TRUE(sqlCreateDataSourceName(kAgent, "HOST\\INST", nullptr) == kel::kErrNoAgentDatabase &&
                savedError().number() == kel::kErrNoAgentDatabase);

    // On an existing database only the data source is registered.
    makeAgentDatabase(kAgent, "INST_SQLDrover");
    setDataSource(kAgent, "HOST\\INST", "inst_sqldrover");
    const std::string before = readFile(KelRegistry::filePath(kAgent));
    KelSQLEnvironment existing(kAgent);
    EXPECT_TRUE(existing.createDSN("HOST\\INST", nullptr) && existing.createDSN("host\\inst", "HOST\\INST_SQLDROVER") &&
                readFile(KelRegistry::filePath(kAgent)) == before);
    // The exported form with a null name forms the agent name itself.
    EXPECT_EQ(sqlCreateDataSourceName(kAgent, "HOST\\INST", nullptr) + sqlCreateDataSourceName(kAgent, "HOST\\INST", ""), 0u);
    setDataSource(kAgent, "HOST\\INST", "INST_SQLDrover");
    // A failure for a second instance leaves the first one's registration.
    EXPECT_TRUE(sqlCreateEnvironment(kAgent, "HOST\\INST", "a", "b") == 0 &&
                sqlCreateEnvironment(kAgent, "HOST\\OTHER", "a", "b") == kelsql::kErrNotSupported);
    EXPECT_TRUE(dataSource(kAgent, "HOST\\INST") == "INST_SQLDrover" && KelRegistry::has(kAgent, kel::kSectionDatabase, kel::kKeyInstance));
    makeAgentDatabase(kOstrel, "HOST_ostrel");
    setDataSource(kOstrel, "HOST\\INST", "HOST_OSTREL");
    EXPECT_TRUE(sqlCreateDataSourceName(kOstrel, "HOST\\INST", "something_else") == 0 && dataSource(kOstrel, "HOST\\INST") == "HOST_OSTREL");
}

TEST_F(EnvironmentTest, NewRenamedOrListedRegistrationNeedsTheDriverAndRoom) {
    makeAgentDatabase(kAgent, "A_SQLDrover");
    setList(kAgent, {"HOST\\A"});
    EXPECT_TRUE(sqlCreateDataSourceName(kAgent, "HOST\\B", nullptr) == kelsql::kErrNotSupported &&
                savedError().number() == kelsql::kErrNotSupported);
    EXPECT_TRUE(dataSource(kAgent, "HOST\\B").empty() && list(kAgent) == Names{"HOST\\A"});
    setDataSource(kAgent, "HOST\\A", "OldName");
    EXPECT_TRUE(sqlCreateDataSourceName(kAgent, "HOST\\A", nullptr) == kelsql::kErrNotSupported && dataSource(kAgent, "HOST\\A") == "OldName");
    EXPECT_NE(readFile(KelDebug::logFilePath()).find("ERROR KelSQLEnvironment::deconfigureDSN(): "), std::string::npos);

    // A full list refuses; an exact list is walked to its end.
    const Names names = namesFilling(KelSQLEnvironment::kInstanceListSize, "HOST\\LAST");
    setList(kAgent, names);
    EXPECT_EQ(sqlCreateDataSourceName(kAgent, "HOST\\NEW", nullptr), kel::kErrListFull);
    EXPECT_EQ(kel::test::arguments(savedError()),
              (Names{"KelSQLEnvironment::createDSN(sqlServerName, dataSourceName)", kAgent, "HOST\\NEW"}));
    EXPECT_TRUE(dataSource(kAgent, "HOST\\NEW").empty() && list(kAgent) == names);
    char exact[KelSQLEnvironment::kInstanceListSize];
    size_t used = 0;
    ASSERT_TRUE(KelPI_DataBase::joinList(names, exact, sizeof(exact), &used) && used == sizeof(exact));
    // The last name is found: the instance is known, so only the driver step
    // (not supported here) stands between it and success.
    EXPECT_EQ(sqlCreateDataSourceName(kAgent, "host\\last", nullptr), kelsql::kErrNotSupported);

    // One byte more than the buffer holds is a platform failure, not an overrun.
    const Names tooMany = namesFilling(KelSQLEnvironment::kInstanceListSize + 1, "HOST\\LAST");
    std::vector<char> raw(KelSQLEnvironment::kInstanceListSize + 1);
    ASSERT_TRUE(KelPI_DataBase::joinList(tooMany, raw.data(), raw.size(), &used) &&
                database(kAgent).setDSNList(raw.data(), static_cast<int>(used)) != 0);
    EXPECT_EQ(sqlCreateDataSourceName(kAgent, "HOST\\NEW", nullptr), kel::kErrValueTooLong);
}

TEST_F(EnvironmentTest, RemoveDeletesTheOstrelsDataSourcesUpToAForeignOneAndTheAgentsSection) {
    makeAgentDatabase(kOstrel, "HOST_ostrel");
    // No database name at all: the store's number.
    EXPECT_TRUE(sqlRemoveEnvironment(kOstrel) == 0 && sqlRemoveEnvironment(kAgent) == kel::kErrNoEntry);
    const Names names = namesFilling(KelSQLEnvironment::kInstanceListSize, "HOST\\LAST");
    setList(kOstrel, names);
    setDataSource(kOstrel, names.front().c_str(), "host_OSTREL");
    setDataSource(kOstrel, "HOST\\LAST", "HOST_ostrel");
    EXPECT_EQ(sqlRemoveEnvironment(kOstrel), 0u);
    EXPECT_TRUE(dataSource(kOstrel, names.front().c_str()) + dataSource(kOstrel, "HOST\\LAST") == "" &&
                KelRegistry::has(kOstrel, kel::kSectionDatabase, kel::kKeyInstance));
    setList(kOstrel, {"HOST\\A", "HOST\\B"});
    setDataSource(kOstrel, "HOST\\A", "Foreign");
    setDataSource(kOstrel, "HOST\\B", "HOST_ostrel");
    EXPECT_TRUE(sqlRemoveEnvironment(kOstrel) == kelsql::kErrNotSupported &&
                dataSource(kOstrel, "HOST\\A") + "|" + dataSource(kOstrel, "HOST\\B") == "Foreign|HOST_ostrel");

    // An agent database loses its section, then needs the driver.
    makeAgentDatabase(kAgent, "INST_SQLDrover");
    setList(kAgent, {"HOST\\INST"});
    setDataSource(kAgent, "HOST\\INST", "INST_SQLDrover");
    KelSQLEnvironment env(kAgent);
    EXPECT_TRUE(refused(env.remove(), env.getLastError(), kelsql::kErrNotSupported));
    EXPECT_TRUE(env.databaseName() + "|" + dataSource(kAgent, "HOST\\INST") == "INST_SQLDrover|" &&
                !KelRegistry::has(kAgent, kel::kSectionDatabase, kel::kKeyInstance));
}

TEST_F(PlatformDataBaseTest, DataSourcesListsAndTheAgentDatabaseAreReadWithinTheirBuffers) {
    KelPI_DataBase db = database(kAgent);
    char buffer[1024] = {};
    int capacity = sizeof(buffer);
    EXPECT_TRUE(db.getSqlServerODBCDSN("HOST\\INST", buffer, &capacity) == 0 && db.getRegError() == KelPI_DataBase::kRegNoEntry &&
                db.getLastError().number() == kel::kErrNoEntry);

    // The second replaces the first: one entry.
    ASSERT_TRUE(db.setSqlServerODBCDSN("HOST\\INST", "INST_SQLDrover") && db.setSqlServerODBCDSN("host\\inst", "Other"));
    capacity = sizeof(buffer);
    ASSERT_NE(db.getSqlServerODBCDSN("Host\\Inst", buffer, &capacity), 0);
    EXPECT_TRUE(buffer + std::to_string(capacity) == "Other5" && KelRegistry::section(kAgent, kel::kSectionDataSources).size() == 1);
    // Another machine's registry is not this one's.
    ASSERT_TRUE(dataSource(kOstrel, "HOST\\INST").empty() && db.deleteSqlServerODBCDSN("HOST\\INST") != 0);
    EXPECT_TRUE(db.deleteSqlServerODBCDSN("HOST\\INST") == 0 && db.getRegError() == KelPI_DataBase::kRegNoEntry);

    // A value that does not fit is refused with its size, the buffer untouched.
    ASSERT_NE(db.setSqlServerODBCDSN("HOST", "ABCDEFGH"), 0);
    std::memset(buffer, '#', 8);
    capacity = 8;
    EXPECT_TRUE(db.getSqlServerODBCDSN("HOST", buffer, &capacity) == 0 && db.getRegError() == KelPI_DataBase::kRegMoreData);
    EXPECT_EQ(buffer[0] + std::to_string(capacity), "#9");

    // The agent database and the information store.
    EXPECT_TRUE(db.invalidDataBase() != 0 && db.getInstance() == nullptr);
    ASSERT_NE(db.create("opt1", nullptr, "INST_SQLDrover"), 0);
    EXPECT_TRUE(db.invalidDataBase() == 0 && std::string(db.getInstance()) == "INST_SQLDrover");

    KelPlatformInfo info(kAgent);
    capacity = 15;
    ASSERT_TRUE(info.getString(kel::kSectionDatabase, kel::kKeyInstance, buffer, &capacity) && std::string(buffer) == "INST_SQLDrover");
    capacity = 14;
    EXPECT_TRUE(info.getString(kel::kSectionDatabase, kel::kKeyInstance, buffer, &capacity) == 0 &&
                info.getLastError().number() == kel::kErrValueTooLong);
    ASSERT_NE(info.deleteSection(kel::kSectionDatabase), 0);
    EXPECT_TRUE(info.deleteSection(kel::kSectionDatabase) == 0 && info.getLastError().number() == kel::kErrNoEntry &&
                db.invalidDataBase() != 0);

    // A list is read within its size and never past it; joined only when it fits.
    // No terminator within the size given: the last name ends at the size.
    const char raw[] = {'A', '\0', 'B', 'C', 'X', 'Y'};
    ASSERT_NE(db.setDSNList(raw, 4), 0);
    char list[16];
    int size = sizeof(list);
    ASSERT_NE(db.getDSNList(list, &size), 0);
    // "A\0BC\0\0"
    EXPECT_TRUE(KelPI_DataBase::splitList(list, static_cast<size_t>(size)) == (Names{"A", "BC"}) && size == 6);
    size = 5;
    EXPECT_TRUE(db.getDSNList(list, &size) == 0 && db.getRegError() == KelPI_DataBase::kRegMoreData && size == 6);
    size_t used = 0;
    EXPECT_TRUE(KelPI_DataBase::joinList({"AB", "C"}, list, 6, &used) && used == 6u &&
                std::string(list, 6) == std::string("AB\0C\0\0", 6));
    EXPECT_FALSE(KelPI_DataBase::joinList({"XY", "CD"}, list, 6, &used) || list[0] != 'A');
}

// A list is read within its size and never past it; joined only when it fits.

// A version outside 7 to 9, or none, is refused; a failed switch to another
// instance never leaves the first one's data source (or the other's, found
// before its version was refused) in use.
TEST_F(ServerDSNTest, FoundUnknownAndUnsupportedInstances) {
    setVersion(kAgent, "HOST\\INST", "7.00.623");
    setDataSource(kAgent, "HOST\\NEW", "NEW_SQLDrover");
    setVersion(kAgent, "HOST\\NEW", "10.50");
    KelSQLServerDSN dsn(kAgent, "HOST\\INST");
    ASSERT_TRUE(dsn.isValid() && dsn.sqlAppType().appType() == KelSQL_AppTypeSql7);
    EXPECT_TRUE(refused(dsn.setSqlServerName("HOST\\NEW"), dsn.getLastError(), kelsql::kErrUnsupportedVersion));
    EXPECT_EQ(kel::test::arguments(dsn.getLastError()), (Names{kSignature, "10.50"}));
    EXPECT_EQ(dsn.dataSourceName() + std::to_string(dsn.major()), "7");  // never 10
    ASSERT_TRUE(dsn.setSqlServerName("HOST\\INST"));
    EXPECT_TRUE(!dsn.setSqlServerName("HOST\\NONE") && dsn.dataSourceName().empty());
    setVersion(kAgent, "HOST\\INST", "");
    EXPECT_TRUE(refused(dsn.setSqlServerName("HOST\\INST"), dsn.getLastError(), kelsql::kErrUnsupportedVersion));
    EXPECT_EQ(kel::test::arguments(dsn.getLastError()), (Names{kSignature, "HOST\\INST"}));

    // An unknown instance or machine is a critical platform error.
    KelSQLServerDSN other(kAgent), unfocused;
    EXPECT_TRUE(refused(other.setSqlServerName("HOST\\NONE"), other.getLastError(), kel::kErrNoEntry) && other.getLastError().isCritical());
    EXPECT_EQ(kel::test::arguments(other.getLastError()),
              (Names{"KelPI_DataBase::getSqlServerODBCDSN(instance)", kAgent, "ODBC Data Sources\\HOST\\NONE"}));
    EXPECT_EQ(other.sqlServerName() + other.dataSourceName(), "HOST\\NONE");
    // A machine is required; the process focus knows the instance, but an
    // unknown machine is never replaced by it.
    EXPECT_TRUE(refused(unfocused.setSqlServerName("HOST\\INST"), unfocused.getLastError(), kelsql::kErrValueNotSet,
                        "virtualMachine"));
    setDataSource(kOstrel, "HOST\\INST", "INST_SQLDrover");
    setVersion(kOstrel, "HOST\\INST", "9.00");
    EXPECT_TRUE(!unfocused.setVirtualMachine("ghost") && unfocused.getLastError().isCritical());
    EXPECT_TRUE(refused(unfocused.setSqlServerName("HOST\\INST"), unfocused.getLastError(), kel::kErrUnknownMachine) &&
                !unfocused.isValid());

    // A found instance is valid with its version; a copy owns its platform object.
    setVersion(kAgent, "HOST\\INST", "8.00.2039");
    auto found = std::make_unique<KelSQLServerDSN>(kAgent, "host\\inst");
    ASSERT_TRUE(found->isValid()) << found->getLastError().formatLastErrorMessage();
    EXPECT_EQ(found->dataSourceName() + " " + std::to_string(found->major()) + "." + std::to_string(found->minor()) + "." +
                  std::to_string(found->build()), "INST_SQLDrover 8.0.0");
    EXPECT_EQ(found->sqlAppType().appType(), KelSQL_AppTypeSql2000);
    // The installer registry is asked first and says it is not there.
    EXPECT_NE(kel::test::readFile(KelDebug::logFilePath()).find("ERROR sqlServerRegVersion(): "), std::string::npos);
    KelSQLServerDSN copy;
    copy = *found;
    found.reset();
    EXPECT_TRUE(copy.isValid() && copy.dataSourceName() == "INST_SQLDrover" && copy.setSqlServerName("HOST\\INST"));
    copy.deleteDatabase();
    EXPECT_TRUE(copy.dataSourceName().empty());
}
