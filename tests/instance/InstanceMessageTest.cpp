// The instance message over a real Ostrel dispatcher: an agent registers its
// instance and reads it back; the answering side refuses what it must.
#include "InstanceFixture.h"

#include "KelSQL/KelNetSQLDBTransaction.h"
#include "KelSQL/KelNetSQLSecurity.h"

using kel::test::refused;
using kel::test::scalar;

namespace {

class InstanceMessageTest : public kel::test::InstanceDispatcherTest {
protected:
    static bool configure(KelSQLServer& server) {
        server.setClientName(kClient);
        server.setSqlServerName(kInstance);
        server.setSQLVersion(9, 0, 1399, 0);
        return server.config("sa", "agent'pw", "", "MSSQL$SQL1");
    }
    // The agent hands the Ostrel its login for the session, then registers
    // inside one network transaction, committed.
    bool registerFromAgent(KelSQLClassProperties& agent, KelSQLServer& server) {
        setLogin(agent, "sa", "agent'pw");
        if (!agent.getRemoteSecurity()->update(std::string(kClient), std::string(kInstance))) return false;
        KelNetSQLDBTransaction* t = agent.getNetworkDBTransaction();
        if (!t->startTransaction()) return false;
        if (!configure(server)) {
            t->rollbackTransaction();
            return false;
        }
        return t->commitTransaction();
    }
};

}  // namespace

TEST_F(InstanceMessageTest, AgentRegistersAndReadsBack) {
    KelSQLClassProperties agent(KelSQLClientSide), ostrel(KelSQLServerSide);
    KelSQLServer server(agent, false), byId(agent, false), byName(agent, false), stored(ostrel, false);
    ASSERT_TRUE(registerFromAgent(agent, server)) << server.getLastError().formatLastErrorMessage();
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
    KelNetSQLDBTransaction* t = agent.getNetworkDBTransaction();
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

TEST_F(InstanceMessageTest, RegistrationNeedsATransactionThenALogin) {
    KelSQLClassProperties agent(KelSQLClientSide);
    KelSQLServer server(agent, false);
    EXPECT_TRUE(refused(configure(server), server.getLastError(), kelsql::kErrTranRequired));
    ASSERT_TRUE(agent.getNetworkDBTransaction()->startTransaction());
    EXPECT_TRUE(refused(configure(server), server.getLastError(), kelsql::kErrNoLogin));
    ASSERT_TRUE(agent.getNetworkDBTransaction()->commitTransaction());
    EXPECT_EQ(counts(), "0|0");
}

// The zeroed answer of a refusal is the frame's; this proves the gaps between codes.
TEST_F(InstanceMessageTest, UnknownCodesAreRefused) {
    KelSQLClassProperties agent(KelSQLClientSide);
    for (uint32_t code : {3u, 6u}) {
        KelNetSQLServer message(agent, false);
        message.requestMessage(true)->DBCode = code;
        KelLastError err;
        EXPECT_TRUE(refused(message.exchange(err), err, kelsql::kErrRequestRefused)) << code;
    }
}
