// The Tessel of TesselFixture with one more client, "agent1": the focus
// machine itself, as on a real agent, where the machine names its client. Its
// SQL Server 2005 instance "AGENT1\SQL1" is known to the machine's data
// source; its agent host is a real dispatcher answering for the agent side on
// agent1, whose registry leads it to the Ostrel, with a live instance loaded
// into it by a handler library of the tests.
#pragma once

#include <fstream>
#include <string>

#include "platform/info/KelPI_DataBase.h"
#include "support/ScriptedLiveSqlServer.h"
#include "support/TesselFixture.h"

namespace kel::test {

class AgentClientTest : public TesselDispatcherTest {
protected:
    static constexpr const char* kClient = "agent1";
    static constexpr const char* kClientHost = "agent1.example";
    static constexpr const char* kServer = "AGENT1\\SQL1";

    void SetUp() override {
        TesselDispatcherTest::SetUp();
        ASSERT_EQ(0, admin_.createClient(tessel_, kClient, kClientHost, client_));
        // The agent's installer works where the install is active for the
        // Ostrel's client.
        ASSERT_TRUE(KelRegistry::createMachine(kOstrel) && activateAgentInstall(kOstrel));
        KelPI_DataBase database;
        ASSERT_NE(database.setFocus(kMachine), 0);
        ASSERT_NE(database.setSqlServerODBCDSN(kServer, "SQL1_SQLDrover"), 0);
        ASSERT_NE(database.setSqlServerVersion(kServer, "9.00.1399"), 0);
    }

    // agent1's agent host with the live instance of handler ("sLNSQLLIVE":
    // databases "fgN" with N file groups; "sLNSQLHOSTS": the scripted one).
    void startClientHost(const std::string& handler) {
        ASSERT_NO_FATAL_FAILURE(startAgentHost(kClientHost));
        KelLastError err;
        ASSERT_TRUE(kel::probe::loadHandler(kClientHost, handler, handler == "sLNSQLLIVE" ? "sLPSQLLIVEMSG" : "sLPSQLHOSTSMSG", err))
            << err.formatLastErrorMessage();
    }

    // The instance of the scripted live reader, by name, version and description.
    static void serveInstance(const std::string& version) {
        std::ofstream(liveInstancesFile()) << kServer << "|" << version << "|SQL Server\n";
    }

    // agent1's instance registered as an installer would: application id
    // of master, then its row with the login sa / pw.
    unsigned long registeredInstance() {
        unsigned long appId = 0;
        EXPECT_EQ(0, admin_.createApplication(client_, 70, kServer, "master", "default", appId));
        const auto id = static_cast<unsigned long>(
            scalar("SELECT id FROM APP_InstanceName WHERE name = " + kel::sql::quoted(kServer)));
        std::string sealed;
        EXPECT_TRUE(encryptSQLPassword("pw", sealed));
        EXPECT_TRUE(sql("INSERT INTO sqlVersion(id, tesselId, type, major, minor, build) VALUES (90, " +
                        std::to_string(tessel_) + ", 1, 9, 0, 1399);"
                        "INSERT INTO sqlServer(instanceId, tesselId, serverName, sqlVersionId, sa, saPassword, "
                        "flags, clientId) VALUES (" + std::to_string(id) + ", " + std::to_string(tessel_) + ", " +
                        kel::sql::quoted(kServer) + ", 90, 'sa', '" + sealed + "', 0, " + std::to_string(client_) +
                        ")"));
        return id;
    }

    unsigned long client_ = 0;
};

}  // namespace kel::test
