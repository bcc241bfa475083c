// An instance's service asked of the agent host: the three requests over a
// real agent-host dispatcher, the control codes, the fields' bounds and the
// one control message a record keeps; and the instance part of a name.
#include <fstream>
#include <memory>

#include "KelSQL/KelNetSQLServerControl.h"
#include "KelSQL/KelSQLErrors.h"
#include "KelSQL/KelSQLServer.h"
#include "support/ScriptedLiveSqlServer.h"
#include "support/TesselFixture.h"

using kel::test::refused;

namespace {

class ServiceControlTest : public kel::test::TesselDispatcherTest {
protected:
    // A loaded record of alpha's instance whose service is service.
    std::unique_ptr<KelSQLServer> loaded(KelSQLClassProperties& ctx, const std::string& service) {
        const unsigned long id = instanceRow("ALPHA\\SQL1", 0);
        EXPECT_TRUE(kel::test::sql("UPDATE sqlServer SET sqlServiceName = '" + service + "'"));
        auto server = std::make_unique<KelSQLServer>(ctx, false);
        EXPECT_TRUE(server->query(id)) << server->getLastError().formatLastErrorMessage();
        ctx.setRemoteSqlHostName(kAgentHost);
        return server;
    }
};

TEST_F(ServiceControlTest, StatusAnswersZeroStopAndStartFailOverTheAgentHost) {
    captureLog();
    startAgentHost();
    KelSQLClassProperties ostrel(KelSQLServerSide);
    const std::string service(256, 's');
    auto server = loaded(ostrel, service);
    KelSQLServerStatusControl status = 9;
    ASSERT_TRUE(server->remoteSqlServerStatus(status)) << server->getLastError().formatLastErrorMessage();
    EXPECT_EQ(status, 0u);
    const KelNetSQLServerControl* kept = server->serverControl();
    status = 9;
    EXPECT_TRUE(refused(server->remoteSqlServerStop(status), server->getLastError(), kelsql::kErrNotSupported));
    EXPECT_EQ(status, 0u);
    status = 9;
    EXPECT_TRUE(refused(server->remoteSqlServerStart(status), server->getLastError(), kelsql::kErrNotSupported));
    EXPECT_EQ(status, 0u);
    EXPECT_EQ(server->serverControl(), kept);  // one message for every request of the record
    // The agent read the 256-character service name whole.
    EXPECT_NE(ostrelLog().find(service), std::string::npos);
    EXPECT_EQ(ostrelLog().find(service + "s"), std::string::npos);

    // A control code the agent does not know.
    KelNetSQLServerControl raw(ostrel, false);
    ASSERT_TRUE(raw.setRemoteDataAgent(kAgentHost));
    raw.requestMessage(true)->Control = 7;
    EXPECT_TRUE(refused(raw.networkQuery(), raw.getLastError(), kelsql::kErrRequestRefused));
    EXPECT_EQ(raw.responseMessage(false)->ServiceStatus, 0u);

    // The kept message follows the context to another host: none answers there.
    ostrel.setRemoteSqlHostName("nowhere.example");
    EXPECT_FALSE(server->remoteSqlServerStatus(status));
}

// With a live instance served on the agent host the controller asks it: the
// status rule turns a running service in single-user mode into 4.
TEST_F(ServiceControlTest, ALiveServiceAnswersByTheStatusRule) {
    startAgentHost();
    {
        KelLastError err;
        ASSERT_TRUE(kel::probe::loadHandler(kAgentHost, "sLNSQLHOSTS", "sLPSQLHOSTSMSG", err))
            << err.formatLastErrorMessage();
    }
    const auto serve = [](const std::string& lines) { std::ofstream(kel::test::liveServiceFile()) << lines; };
    KelSQLClassProperties ostrel(KelSQLServerSide);
    auto server = loaded(ostrel, "MSSQL$SQL1");
    KelSQLServerStatusControl status = 0;
    serve("state=2\nroot=C:\\MSSQL\nsingleUser=C:\\MSSQL\\Binn\\sqlservr.exe\n");
    ASSERT_TRUE(server->remoteSqlServerStatus(status)) << server->getLastError().formatLastErrorMessage();
    EXPECT_EQ(status, 4u);
    // Another binary in single-user mode is not this instance's.
    serve("state=2\nroot=C:\\MSSQL\nsingleUser=D:\\Binn\\sqlservr.exe\n");
    ASSERT_TRUE(server->remoteSqlServerStatus(status));
    EXPECT_EQ(status, 2u);
    // A stop and a start change the service and answer its state after.
    ASSERT_TRUE(server->remoteSqlServerStop(status)) << server->getLastError().formatLastErrorMessage();
    EXPECT_EQ(status, 1u);
    ASSERT_TRUE(server->remoteSqlServerStart(status)) << server->getLastError().formatLastErrorMessage();
    EXPECT_EQ(status, 2u);
    serve("state=1\nfailControl=0x1E000077\n");
    EXPECT_TRUE(refused(server->remoteSqlServerStart(status), server->getLastError(), 0x1E000077));
    EXPECT_EQ(status, 0u);
}

TEST_F(ServiceControlTest, RequestsNeedNamesAndTheOstrelBeforeAnythingIsSent) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    auto server = loaded(ostrel, "");
    KelSQLServerStatusControl status = 9;
    EXPECT_TRUE(refused(server->remoteSqlServerStatus(status), server->getLastError(), kelsql::kErrValueNotSet,
                        "sSqlServiceName"));
    EXPECT_EQ(status, 0u);
    EXPECT_EQ(server->serverControl(), nullptr);
    KelSQLServer empty(ostrel, false);
    EXPECT_TRUE(refused(empty.remoteSqlServerStart(status), empty.getLastError(), kelsql::kErrValueNotSet,
                        "m_sSQLServerName"));
    KelSQLClassProperties agent(KelSQLClientSide);
    KelSQLServer atAgent(agent, false);
    atAgent.setSqlServerName("A\\B");
    ASSERT_TRUE(kel::test::sql("UPDATE sqlServer SET sqlServiceName = 'svc'"));
    ASSERT_TRUE(atAgent.query(server->sqlId()));
    EXPECT_TRUE(refused(atAgent.remoteSqlServerStatus(status), atAgent.getLastError(), kelsql::kErrOstrelSideOnly));
}

TEST_F(ServiceControlTest, InstancePartFollowsTheFirstBackslash) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLServer server(ostrel, false);
    const struct {
        const char* name;
        const char* instance;
        const char* only;
    } cases[] = {{"HOST\\INST", "INST", "INST"}, {"HOST", "HOST", ""}, {"HOST\\A\\B", "A\\B", "A\\B"}};
    for (const auto& c : cases) {
        server.setSqlServerName(c.name);
        std::string a = "x", b = "x";
        EXPECT_EQ(server.sqlServerInstanceName(a), c.instance) << c.name;
        EXPECT_EQ(server.sqlServerInstanceNameOnly(b), c.only) << c.name;
    }
}

}  // namespace
