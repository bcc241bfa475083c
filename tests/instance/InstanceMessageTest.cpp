// The instance message over a real Ostrel dispatcher: an agent registers its
// instance and reads it back; the answering side refuses what it must.
#include "InstanceFixture.h"

#include "KelSQL/KelNetSQLDBTransaction.h"
#include "KelSQL/KelNetSQLSecurity.h"

using kel::test::scalar;

namespace {

class InstanceMessageTest : public kel::test::InstanceDispatcherTest {
protected:
    // The agent hands the Ostrel its login for the session.
    static bool sendLogin(KelSQLClassProperties& agent) {
        agent.getSQLUserAndPassword().setSqlUser("sa");
        agent.getSQLUserAndPassword().setSqlPassword("agent'pw");
        return agent.getRemoteSecurity()->update(std::string(kMachine), std::string(kInstance));
    }
    static bool configure(KelSQLClassProperties&, KelSQLServer& server) {
        server.setClientName(kMachine);
        server.setSqlServerName(kInstance);
        server.setSQLVersion(9, 0, 1399, 0);
        return server.config("sa", "agent'pw", "", "MSSQL$SQL1");
    }
    // Registration inside one network transaction, committed.
    bool registerFromAgent(KelSQLClassProperties& agent, KelSQLServer& server) {
        KelNetSQLDBTransaction* t = agent.getNetworkDBTransaction();
        if (!t->startTransaction()) return false;
        if (!configure(agent, server)) {
            t->rollbackTransaction();
            return false;
        }
        return t->commitTransaction();
    }
};

}  // namespace

TEST_F(InstanceMessageTest, AgentRegistersAndReadsBack) {
    KelSQLClassProperties agent(KelSQLClientSide);
    ASSERT_TRUE(sendLogin(agent)) << agent.getRemoteSecurity()->getLastError().formatLastErrorMessage();
    KelSQLServer server(agent, false);
    ASSERT_TRUE(registerFromAgent(agent, server)) << server.getLastError().formatLastErrorMessage();
    EXPECT_EQ(server.sqlId(), instance_);
    EXPECT_NE(server.getSQLVersion().sqlId(), 0u);
    EXPECT_EQ(scalar("SELECT count(*) FROM sqlVersion WHERE major = 9 AND build = 1399"), 1);

    KelSQLServer byId(agent, false);
    ASSERT_TRUE(byId.query(instance_)) << byId.getLastError().formatLastErrorMessage();
    EXPECT_EQ(byId.sqlServerName(), kInstance);
    EXPECT_EQ(byId.serviceName(), "MSSQL$SQL1");
    EXPECT_EQ(byId.getSQLVersion().build(), 1399u);
    EXPECT_EQ(byId.sqlAppType().sqlAppType(), 70u);
    KelSQLServer byName(agent, false);
    ASSERT_TRUE(byName.query(kMachine, kInstance)) << byName.getLastError().formatLastErrorMessage();
    EXPECT_EQ(byName.sqlId(), instance_);

    // The Ostrel stored the login the agent sent, encrypted, and can read it.
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLServer stored(ostrel, false);
    ASSERT_TRUE(stored.query(instance_));
    EXPECT_EQ(stored.sa(), "sa");
    EXPECT_EQ(stored.saPassword(), "agent'pw");

    // Again, after a removal and a logical deletion: same row, revived, the
    // version not added twice.
    ASSERT_TRUE(kel::test::sql("UPDATE sqlServer SET deleteFlag = 1, removalTime = 5000"));
    KelSQLServer again(agent, false);
    ASSERT_TRUE(registerFromAgent(agent, again)) << again.getLastError().formatLastErrorMessage();
    EXPECT_EQ(again.sqlId(), instance_);
    EXPECT_FALSE(again.isDeleted());
    EXPECT_EQ(scalar("SELECT count(*) FROM sqlServer"), 1);
    EXPECT_EQ(scalar("SELECT deleteFlag FROM sqlServer"), 0);
    EXPECT_EQ(scalar("SELECT removalTime FROM sqlServer"), 0);
    EXPECT_EQ(scalar("SELECT count(*) FROM sqlVersion"), 1);
}

TEST_F(InstanceMessageTest, RegistrationNeedsATransactionThenALogin) {
    KelSQLClassProperties agent(KelSQLClientSide);
    KelSQLServer server(agent, false);
    EXPECT_FALSE(configure(agent, server));
    EXPECT_EQ(server.getLastError().number(), kelsql::kErrTranRequired);

    KelNetSQLDBTransaction* t = agent.getNetworkDBTransaction();
    ASSERT_TRUE(t->startTransaction());
    KelSQLServer noLogin(agent, false);
    EXPECT_FALSE(configure(agent, noLogin));
    EXPECT_EQ(noLogin.getLastError().number(), kelsql::kErrNoLogin);
    ASSERT_TRUE(t->commitTransaction());
    EXPECT_EQ(scalar("SELECT count(*) FROM sqlServer"), 0);
    EXPECT_EQ(scalar("SELECT count(*) FROM sqlVersion"), 0);
}

TEST_F(InstanceMessageTest, ConfigIsAgentOnly) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLServer server(ostrel, false);
    EXPECT_FALSE(server.config("sa", "", "", ""));
    EXPECT_EQ(server.getLastError().number(), kelsql::kErrAgentSideOnly);
    KelSQLClassProperties agent(KelSQLClientSide);
    KelSQLServer noLogin(agent, false);
    EXPECT_FALSE(noLogin.config("", "", "", ""));
    EXPECT_EQ(noLogin.getLastError().number(), kelsql::kErrValueNotSet);
}

TEST_F(InstanceMessageTest, UnknownCodesAreRefusedWithAZeroedRecord) {
    KelSQLClassProperties agent(KelSQLClientSide);
    for (uint32_t code : {3u, 6u}) {
        KelNetSQLServer message(agent, false);
        KelNetSQLServerReq_t* req = message.requestMessage(true);
        req->DBCode = code;
        req->Server.SqlServerId = instance_;
        kel::copyField(req->Server.ServerName, std::string(kInstance));
        KelLastError err;
        EXPECT_FALSE(message.exchange(err)) << code;
        EXPECT_EQ(err.number(), kelsql::kErrRequestRefused) << code;
        const KelNetSQLServer_t& rec = message.responseMessage(false)->Server;
        const char* bytes = reinterpret_cast<const char*>(&rec);
        EXPECT_TRUE(std::all_of(bytes, bytes + sizeof rec, [](char c) { return c == 0; })) << code;
    }
}

TEST_F(InstanceMessageTest, AgentUpdateWritesTheFlagsWord) {
    KelSQLClassProperties agent(KelSQLClientSide);
    ASSERT_TRUE(sendLogin(agent));
    KelSQLServer server(agent, false);
    ASSERT_TRUE(registerFromAgent(agent, server));

    KelSQLServer change(agent, false);
    ASSERT_TRUE(change.query(instance_));
    change.setFlags(KelSQLServer::kClusteredFlag);
    KelNetSQLDBTransaction* t = agent.getNetworkDBTransaction();
    ASSERT_TRUE(t->startTransaction());
    ASSERT_TRUE(change.update()) << change.getLastError().formatLastErrorMessage();
    ASSERT_TRUE(t->commitTransaction());
    EXPECT_EQ(scalar("SELECT flags FROM sqlServer"), 1);
    EXPECT_TRUE(change.isClusterFlag());
}

TEST_F(InstanceMessageTest, AgentMarksTheInstanceDeletedAndBack) {
    KelSQLClassProperties agent(KelSQLClientSide);
    ASSERT_TRUE(sendLogin(agent));
    KelSQLServer server(agent, false);
    ASSERT_TRUE(registerFromAgent(agent, server));

    KelNetSQLDBTransaction* t = agent.getNetworkDBTransaction();
    ASSERT_TRUE(t->startTransaction());
    KelSQLServer mark(agent, false);
    ASSERT_TRUE(mark.logicalDeletion(true, instance_)) << mark.getLastError().formatLastErrorMessage();
    EXPECT_TRUE(mark.isDeleted());
    ASSERT_TRUE(t->commitTransaction());
    EXPECT_EQ(scalar("SELECT deleteFlag FROM sqlServer"), 1);

    ASSERT_TRUE(t->startTransaction());
    ASSERT_TRUE(mark.logicalDeletion(false, instance_)) << mark.getLastError().formatLastErrorMessage();
    EXPECT_FALSE(mark.isDeleted());
    ASSERT_TRUE(t->commitTransaction());
    EXPECT_EQ(scalar("SELECT deleteFlag FROM sqlServer"), 0);
}
