// The instance message over a real Ostrel dispatcher: an agent registers its
// instance and reads it back; the answering side refuses what it must.
#include "InstanceFixture.h"

#include "KelSQL/KelNetSQLDBTransaction.h"
#include "KelSQL/KelNetSQLSecurity.h"

using kel::test::refused;
using kel::test::scalar;

using InstanceMessageTest = kel::test::InstanceDispatcherTest;

TEST_F(InstanceMessageTest, AgentRegistersWithALoginInATransactionAndReadsBack) {
    KelSQLClassProperties agent(KelSQLClientSide), ostrel(KelSQLServerSide);
    KelSQLServer server(agent, false), byId(agent, false), byName(agent, false), stored(ostrel, false);
    server.setClientName(kClient);
    server.setSqlServerName(kInstance);
    server.setSQLVersion(9, 0, 1399, 0);
    auto configure = [&] { return server.config("sa", "agent'pw", "", "MSSQL$SQL1"); };
    // Registration needs a transaction, then a login the agent hands the
    // Ostrel for the session.
    KelNetSQLDBTransaction* t = agent.getNetworkDBTransaction();
    EXPECT_TRUE(refused(configure(), server.getLastError(), kelsql::kErrTranRequired));
    ASSERT_TRUE(t->startTransaction());
    EXPECT_TRUE(refused(configure(), server.getLastError(), kelsql::kErrNoLogin));
    ASSERT_TRUE(t->commitTransaction());
    EXPECT_EQ(counts(), "0|0");
    setLogin(agent, "sa", "agent'pw");
    ASSERT_TRUE(agent.getRemoteSecurity()->update(std::string(kClient), std::string(kInstance)));
    ASSERT_TRUE(t->startTransaction());
    ASSERT_TRUE(configure()) << server.getLastError().formatLastErrorMessage();
    ASSERT_TRUE(t->commitTransaction());
    EXPECT_EQ(server.sqlId(), instance_);
    EXPECT_NE(server.getSQLVersion().sqlId(), 0u);
    EXPECT_EQ(scalar("SELECT count(*) FROM sqlVersion WHERE major = 9 AND build = 1399"), 1);

    ASSERT_TRUE(byId.query(instance_)) << byId.getLastError().formatLastErrorMessage();
    EXPECT_EQ(byId.sqlServerName() + "|" + byId.serviceName() + "|" + std::to_string(byId.getSQLVersion().build()) +
                  "|" + std::to_string(byId.sqlAppType().sqlAppType()),
              std::string(kInstance) + "|MSSQL$SQL1|1399|70");
    ASSERT_TRUE(byName.query(kClient, kInstance)) << byName.getLastError().formatLastErrorMessage();
    EXPECT_EQ(byName.sqlId(), instance_);
    // The Ostrel stored the login the agent sent, encrypted, and can read it.
    ASSERT_TRUE(stored.query(instance_));
    EXPECT_EQ(stored.sa() + ":" + stored.saPassword() + ":" + std::to_string(stored.rowClientId()),
              "sa:agent'pw:" + std::to_string(alpha_));

    // The flags word and the delete mark, each in a network transaction.
    byId.setFlags(KelSQLServer::kClusteredFlag);
    ASSERT_TRUE(t->startTransaction());
    ASSERT_TRUE(byId.update()) << byId.getLastError().formatLastErrorMessage();
    ASSERT_TRUE(t->commitTransaction());
    EXPECT_EQ(scalar("SELECT flags FROM sqlServer"), 1);
    for (bool deleted : {true, false}) {
        ASSERT_TRUE(t->startTransaction());
        KelSQLServer mark(agent, false);
        ASSERT_TRUE(mark.logicalDeletion(deleted, instance_)) << mark.getLastError().formatLastErrorMessage();
        EXPECT_EQ(mark.isDeleted(), deleted);
        ASSERT_TRUE(t->commitTransaction());
        EXPECT_EQ(scalar("SELECT deleteFlag FROM sqlServer"), deleted ? 1 : 0);
    }
}
