// Clustered status over a real dispatcher: an agent asks the Ostrel about an
// instance's client; the Ostrel tells an agent host; the answering side alone.
#include "KelSQL/KelNetSQLClientClustered.h"
#include "KelSQL/KelSQLErrors.h"
#include "platform/util/BoundedCopy.h"
#include "support/TesselFixture.h"

namespace {

using kel::test::refused;
using ClusteredStatusTest = kel::test::TesselDispatcherTest;

TEST_F(ClusteredStatusTest, AgentAsksByIdAndByName) {
    const unsigned long clustered = instanceRow("ALPHA\\CLU", 0x3);
    const unsigned long single = instanceRow("ALPHA\\ONE", 0x2);
    instanceRow("ALPHA\\O'NEIL", 0x1);
    KelSQLClassProperties agent(KelSQLClientSide);
    ASSERT_TRUE(agent.isClientOperations());
    ASSERT_TRUE(agent.getClientClusteredStatus(clustered)) << agent.getLastError().formatLastErrorMessage();
    EXPECT_TRUE(agent.isClientClustered());
    ASSERT_TRUE(agent.getClientClusteredStatus(single));
    EXPECT_EQ(agent.clientClusteredStatus(), uint32_t{KelSQLClusteredOff});
    ASSERT_TRUE(agent.getClientClusteredStatus("Alpha", "alpha\\clu")) << agent.getLastError().formatLastErrorMessage();
    EXPECT_TRUE(agent.isClientClustered());
    ASSERT_TRUE(agent.getClientClusteredStatus("alpha", "ALPHA\\ONE"));
    EXPECT_FALSE(agent.isClientClustered());
    // Quotes stay text.
    ASSERT_TRUE(agent.getClientClusteredStatus("alpha", "ALPHA\\O'NEIL")) << agent.getLastError().formatLastErrorMessage();
    EXPECT_TRUE(agent.isClientClustered());
    EXPECT_FALSE(agent.getClientClusteredStatus("alpha", "x' OR '1'='1"));
}

TEST_F(ClusteredStatusTest, RefusalsBeforeAndAfterSending) {
    instanceRow("ALPHA\\CLU", 0x1);
    KelSQLClassProperties agent(KelSQLClientSide);
    const KelLastError& err = agent.getLastError();
    agent.setClientClusteredStatusOn();
    EXPECT_TRUE(refused(agent.getClientClusteredStatus(4242), err, kelsql::kErrRowOperation));
    EXPECT_TRUE(refused(agent.getClientClusteredStatus("gamma", "ALPHA\\CLU"), err, kelsql::kErrClientNotFound));
    EXPECT_TRUE(refused(agent.getClientClusteredStatus("alpha", "ALPHA\\NONE"), err, kelsql::kErrNoSuchInstance));
    // A failed answer leaves what the context knew.
    EXPECT_TRUE(agent.isClientClustered());
    EXPECT_TRUE(refused(agent.getClientClusteredStatus(0), err, kelsql::kErrValueNotSet, "sqlServerId"));
    EXPECT_TRUE(refused(agent.getClientClusteredStatus("alpha", ""), err, kelsql::kErrValueNotSet, "sqlServerName"));
    // Cut to its field, the name could be another instance's.
    EXPECT_TRUE(refused(agent.getClientClusteredStatus("alpha", "ALPHA\\" + std::string(123, 'X')), err,
                        kelsql::kErrInvalidArgument, "sqlServerName"));
    EXPECT_TRUE(refused(agent.setRemoteClientClusteredStatusOn(), err, kelsql::kErrOstrelSideOnly));

    KelSQLClassProperties ostrel(KelSQLServerSide);
    EXPECT_TRUE(refused(ostrel.getClientClusteredStatus(1), ostrel.getLastError(), kelsql::kErrAgentSideOnly));
    // No agent host chosen: nothing to send to.
    EXPECT_TRUE(refused(ostrel.setRemoteClientClusteredStatusOff(), ostrel.getLastError(), kelsql::kErrValueNotSet,
                        "remoteSqlHostName"));
}

TEST_F(ClusteredStatusTest, OstrelTellsAHost) {
    const unsigned long id = instanceRow("ALPHA\\CLU", 0x1);
    KelSQLClassProperties ostrel(KelSQLServerSide);
    // The dispatcher on hand stands in for the agent host.
    ostrel.setRemoteSqlHostName(kOstrel);
    ASSERT_TRUE(ostrel.setRemoteClientClusteredStatusOn()) << ostrel.getLastError().formatLastErrorMessage();
    ASSERT_TRUE(ostrel.setRemoteClientClusteredStatus(id)) << ostrel.getLastError().formatLastErrorMessage();
    EXPECT_TRUE(refused(ostrel.setRemoteClientClusteredStatus(id + 100), ostrel.getLastError(),
                        kelsql::kErrRowOperation));
    ostrel.setRemoteSqlHostName("no-such-host");
    EXPECT_FALSE(ostrel.setRemoteClientClusteredStatusOff());
    EXPECT_NE(ostrel.getLastError().number(), 0u);
}

// The answering side on its own, as the handler builds it.
class ClusteredAnswerTest : public kel::test::TesselTest {
protected:
    bool answer(KelSQLClassProperties& ctx, KelNetSQLClientClusteredReq_t req) {
        KelNetSQLClientClustered m(ctx, 1, reinterpret_cast<char*>(&req));
        bool ok = m.buildReply();
        rsp_ = *m.responseMessage(false);
        err_ = m.getLastError();
        return ok;
    }
    KelNetSQLClientClusteredRsp_t rsp_{};
    KelLastError err_;
};

TEST_F(ClusteredAnswerTest, SetOnAnySideGetOnTheOstrelOnly) {
    KelSQLClassProperties agent(KelSQLClientSide);
    KelNetSQLClientClusteredReq_t req{};
    req.ClusteredOpCode = KelNetSQLClusteredSet;
    req.Clustered = 5;
    ASSERT_TRUE(answer(agent, req));
    EXPECT_TRUE(agent.isClientClustered());
    req.Clustered = 0;
    ASSERT_TRUE(answer(agent, req));
    EXPECT_EQ(agent.clientClusteredStatus(), uint32_t{KelSQLClusteredOff});

    req.ClusteredOpCode = KelNetSQLClusteredGet;
    req.SqlServerId = 1;
    EXPECT_TRUE(refused(answer(agent, req), err_, kelsql::kErrRequestRefused));
    EXPECT_EQ(rsp_.Status.Status, 1u);
    req.ClusteredOpCode = 9;
    KelSQLClassProperties ostrel(KelSQLServerSide);
    EXPECT_TRUE(refused(answer(ostrel, req), err_, kelsql::kErrRequestRefused));

    // The request's dump names the instance.
    captureLog();
    req.ClusteredOpCode = KelNetSQLClusteredGet;
    req.SqlServerId = 0;
    kel::copyField(req.ClientName, "alpha");
    kel::copyField(req.SqlServerName, "ALPHA\\SALES");
    EXPECT_FALSE(answer(ostrel, req));
    EXPECT_TRUE(logged("        ClientName = alpha"));
    EXPECT_TRUE(logged("        SqlServerName = ALPHA\\SALES"));
    EXPECT_TRUE(logged("        SqlServerId = 0"));
}

}  // namespace
