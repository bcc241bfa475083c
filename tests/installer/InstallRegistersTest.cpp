// The installer's instance and database installation and application-id
// creation, run on agent1 against the Ostrel's dispatcher: what each call
// reports done is in the catalogue and the application manager afterwards.
#include <filesystem>
#include <memory>

#include "KelSQL/KelNetSQLDBTransaction.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLErrors.h"
#include "KelSQL/KelSQLInstallerFunctions.h"
#include "KelSQL/KelSQLServer.h"
#include "support/AgentClientFixture.h"
#include "support/LiveInstance.h"

using kel::test::scalar;
using kel::test::text;

namespace {

// What the installer saved of its last failure.
std::string savedError() {
    unsigned long number = 0;
    char message[1024] = {};
    sqlFormatLastError(&number, message, sizeof message);
    return message;
}

class InstallRegistersTest : public kel::test::AgentClientTest {
protected:
    void SetUp() override {
        AgentClientTest::SetUp();
        for (const char* dir : {"undo1", "undo2"}) std::filesystem::create_directories(home_.file(dir));
    }
    void TearDown() override {
        kel::live::installLiveSqlServer(nullptr);
        AgentClientTest::TearDown();
    }
    // The application id of a backup set of agent1's instance: "data|log"
    // storage policies.
    static std::string policies(const std::string& backupSet) {
        return text("SELECT a.dataArchGroup || '|' || a.indexArchGroup FROM APP_Application a JOIN APP_BackupSetName "
                    "b ON b.id = a.backupSet JOIN APP_InstanceName i ON i.id = a.instance WHERE i.name = " +
                    kel::sql::quoted(kServer) + " AND b.name = " + kel::sql::quoted(backupSet));
    }
    static std::string serverRow() {
        return text("SELECT s.serverName || '|' || s.sa || '|' || s.undoFile || '|' || s.flags || '|' || v.major || "
                    "'.' || v.minor || '.' || v.build FROM sqlServer s JOIN sqlVersion v ON v.id = s.sqlVersionId");
    }
};

TEST_F(InstallRegistersTest, InstallServerRegistersAndRefreshesTheInstance) {
    const std::string undo1 = home_.file("undo1"), undo2 = home_.file("undo2");
    ASSERT_EQ(sqlInstallServer(kServer, "sa", "first'pw", undo1.c_str(), 5, kClient, true), 0u) << savedError();
    EXPECT_EQ(serverRow(), std::string(kServer) + "|sa|" + undo1 + "|1|9.0.0");
    EXPECT_EQ(policies("master"), "5|5");
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLServer stored(ostrel, false);
    ASSERT_TRUE(stored.query(kClient, kServer)) << stored.getLastError().formatLastErrorMessage();
    EXPECT_EQ(stored.saPassword(), "first'pw");
    // The agent's creation of master configured the instance with its release.
    EXPECT_EQ(text("SELECT release FROM APP_SimClientApp WHERE appTypeId = 70 AND clientId = " +
                   std::to_string(client_)),
              KelPI_MSSqlAgent::getRelease());

    // Again, as the administrator changed it: the same row, the new values.
    const long long id = scalar("SELECT instanceId FROM sqlServer");
    ASSERT_EQ(sqlInstallServer(kServer, "admin", "second", undo2.c_str(), 6, kClient, false), 0u) << savedError();
    EXPECT_EQ(serverRow(), std::string(kServer) + "|admin|" + undo2 + "|0|9.0.0");
    EXPECT_EQ(scalar("SELECT instanceId FROM sqlServer"), id);
    EXPECT_EQ(scalar("SELECT count(*) FROM sqlServer"), 1);
    EXPECT_EQ(policies("master"), "6|6");
}

TEST_F(InstallRegistersTest, LiveVersionWinsAndFailuresLeaveNothing) {
    kel::live::installLiveSqlServer(std::make_unique<kel::test::ScriptedLiveSqlServer>());
    serveInstance("9.00.2047");
    ASSERT_EQ(sqlInstallServer(kServer, "sa", "pw", "", 5, kClient, false), 0u) << savedError();
    EXPECT_EQ(serverRow(), std::string(kServer) + "|sa||0|9.0.2047");

    // An instance the machine does not have is not installed.
    serveInstance("9.00.2047");
    EXPECT_EQ(sqlInstallServer("AGENT1\\OTHER", "sa", "pw", "", 5, kClient, false), kelsql::kErrNoSuchInstance);
    EXPECT_EQ(scalar("SELECT count(*) FROM sqlServer"), 1);
    // An undo path one character over its field is refused as too long
    // before anything is sent: no transaction is asked of the caller, and
    // nothing is written.
    KelSQLClassProperties caller(kClient, KelSQLClientSide);
    unsigned long none = 0;
    EXPECT_EQ(sqlInstallServerProperty(&caller, "AGENT1\\OTHER", "sa", "pw", std::string(1025, 'u').c_str(), 5,
                                       kClient, false, &none),
              kelsql::kErrValueNotSet);
    EXPECT_NE(savedError().find("undoFilePath"), std::string::npos) << savedError();
    EXPECT_EQ(scalar("SELECT count(*) FROM sqlServer"), 1);
    // A caller's context must carry the transaction the work goes into.
    KelSQLClassProperties agent(kClient, KelSQLClientSide);
    unsigned long sqlServerId = 0;
    EXPECT_EQ(sqlInstallServerProperty(&agent, kServer, "sa", "pw", "", 5, kClient, false, &sqlServerId),
              kelsql::kErrTranRequired);
    EXPECT_EQ(sqlServerId, 0u);
}

// The service is named after the instance is known to be clustered and of
// SQL Server 7 (by the machine's data source, as no live instance is read).
TEST_F(InstallRegistersTest, AClusteredSql7InstanceIsStoredWithItsOwnService) {
    KelPI_DataBase machine;
    ASSERT_NE(machine.setFocus(kMachine), 0);
    ASSERT_NE(machine.setSqlServerVersion(kServer, "7.00.623"), 0);
    ASSERT_EQ(sqlInstallServer(kServer, "sa", "pw", "", 5, kClient, true), 0u) << savedError();
    EXPECT_EQ(text("SELECT sqlServiceName || '|' || flags FROM sqlServer"), std::string("MSSQLServer$") + kServer + "|1");
    // Not clustered, the default instance's service.
    ASSERT_EQ(sqlInstallServer(kServer, "sa", "pw", "", 5, kClient, false), 0u) << savedError();
    EXPECT_EQ(text("SELECT sqlServiceName || '|' || flags FROM sqlServer"), "MSSQLServer|0");
}

TEST_F(InstallRegistersTest, DatabaseAndApplicationIdAreCreated) {
    kel::live::installLiveSqlServer(std::make_unique<kel::test::ServedLiveSqlServer>());
    // A database of an instance the catalogue does not know is refused.
    EXPECT_EQ(sqlInstallDatabase(kServer, "fg2", 7, 8, kClient), kelsql::kErrNoSuchInstance);
    EXPECT_EQ(policies("fg2"), "<no row>");
    const unsigned long instance = registeredInstance();

    ASSERT_EQ(sqlCreateApplicationId(kServer, "pubs", 3, 4, 0, kClient), 0u) << savedError();
    EXPECT_EQ(policies("pubs"), "3|4");
    EXPECT_EQ(scalar("SELECT count(*) FROM sqlDatabase"), 0);

    ASSERT_EQ(sqlInstallDatabase(kServer, "fg2", 7, 8, kClient), 0u) << savedError();
    EXPECT_EQ(policies("fg2"), "7|8");
    EXPECT_EQ(text("SELECT databaseName || '|' || sqlServerId || '|' || deleteFlag FROM sqlDatabase"),
              "fg2|" + std::to_string(instance) + "|0");
    EXPECT_EQ(text("SELECT group_concat(fileGroupName, ',') FROM (SELECT fileGroupName FROM sqlFileGroup ORDER BY "
                   "fileGroupName)"),
              "DatabaseLogs," + kel::test::fileGroupName(0) + ",FG1001");
    // Installed again with other policies: one row, the new policies.
    ASSERT_EQ(sqlInstallDatabase(kServer, "fg2", 9, 0, kClient), 0u) << savedError();
    EXPECT_EQ(scalar("SELECT count(*) FROM sqlDatabase"), 1);
    EXPECT_EQ(policies("fg2"), "9|9");
}

}  // namespace
