// The creation forms of an application id besides create(): from names on
// either side, from a request record, and the agent's own path through the
// Ostrel's dispatcher.
#include "DatabaseFixture.h"
#include "KelSQL/KelSQLAppId.h"
#include "support/Checks.h"
#include "support/MachineSetup.h"

using kel::test::scalar;
using kel::test::sql;

namespace {

class AppIdFormsTest : public kel::test::DatabaseTest {
protected:
    struct Names {
        const char* client = "alpha";
        const char* server = kInstance;
        const char* database = "orders";
        unsigned long sp = 3;
        const char* subclient = "default";
    };
    // create() from names on a context of the given side: the error number,
    // 0 on success, with the application id through appIdOut.
    static uint64_t create(KelSQLConstructorType side, const Names& n, unsigned long* appIdOut = nullptr) {
        KelSQLClassProperties ctx(side);
        KelSQLAppId appId(ctx, false);
        EXPECT_TRUE(appId.setApplicationType(70));
        const bool ok = appId.create(n.client, n.server, n.database, n.sp, 0, 0, n.subclient);
        if (appIdOut) *appIdOut = appId.applicationId();
        return kel::test::failure(ok, appId.getLastError());
    }
};

}  // namespace

TEST_F(AppIdFormsTest, RefusalsThenAnAgentSideCreation) {
    startAgentHost();
    // The agent machine's own instance, known to the catalogue.
    unsigned long own = 0;
    ASSERT_EQ(0, admin_.createClient(tessel_, kMachine, "", own));
    const unsigned long ownInstance = instance(own, 70, "AGENT1\\SQL1");
    ASSERT_TRUE(sql("INSERT INTO sqlServer(instanceId, tesselId, serverName, flags, clientId) VALUES (" +
                    std::to_string(ownInstance) + ", " + std::to_string(tessel_) + ", 'AGENT1\\SQL1', 0, " +
                    std::to_string(own) + ")"));
    const long long before = scalar("SELECT count(*) FROM APP_Application");
    struct Case {
        const char* what;
        KelSQLConstructorType side;
        Names names;
        uint64_t number;
    } cases[] = {
        {"no storage policy", KelSQLServerSide, {"alpha", kInstance, "orders", 0}, kelsql::kErrValueNotSet},
        {"no subclient", KelSQLServerSide, {"alpha", kInstance, "orders", 3, ""}, kelsql::kErrValueNotSet},
        {"a client host refuses code 4", KelSQLServerSide, {}, kelsql::kErrRequestRefused},
        {"Ostrel's agent install unknown", KelSQLClientSide, {"", "AGENT1\\SQL1"}, kel::kErrUnknownMachine},
    };
    for (const Case& c : cases) EXPECT_EQ(create(c.side, c.names), c.number) << c.what;

    ASSERT_TRUE(KelRegistry::createMachine(kOstrel));
    EXPECT_EQ(create(KelSQLClientSide, {"", "AGENT1\\SQL1"}), kel::kErrAgentNotActive);
    ASSERT_TRUE(kel::test::activateAgentInstall(kOstrel));
    EXPECT_EQ(create(KelSQLClientSide, {"", "AGENT1\\GONE"}), kelsql::kErrNoSuchInstance)
        << "an ordinary database needs its instance in the catalogue";
    EXPECT_EQ(scalar("SELECT count(*) FROM APP_Application"), before);

    KelSQLClassProperties agent(KelSQLClientSide);
    KelSQLAppId form(agent, false);
    KelNetSQLAppIdReqV3_t req{};
    KelNetSQLAppIdRsp_t rsp{};
    EXPECT_TRUE(kel::test::refused(form.create(&req, &rsp), form.getLastError(), kelsql::kErrNoSide));

    // The agent's own path: the client is the machine in focus, the Ostrel
    // creates, the ids come back.
    unsigned long appId = 0;
    ASSERT_EQ(create(KelSQLClientSide, {"ignored", "AGENT1\\SQL1", "orders", 5, ""}, &appId), 0u);
    ASSERT_NE(appId, 0u);
    EXPECT_EQ(scalar("SELECT count(*) FROM APP_Application WHERE id = " + std::to_string(appId) +
                     " AND dataArchGroup = 5 AND indexArchGroup = 5"),
              1);
    EXPECT_EQ(create(KelSQLClientSide, {"", "AGENT1\\OTHER", "MODEL", 5}), 0u)
        << "a system database needs no catalogue row";
}
