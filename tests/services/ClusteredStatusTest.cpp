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
    const KelLastError& err = agent.getLastError();
    ASSERT_TRUE(agent.getClientClusteredStatus(clustered)) << err.formatLastErrorMessage();
    EXPECT_TRUE(agent.isClientClustered());
    ASSERT_TRUE(agent.getClientClusteredStatus(single));
    EXPECT_EQ(agent.clientClusteredStatus(), uint32_t{KelSQLClusteredOff});
    ASSERT_TRUE(agent.getClientClusteredStatus("Alpha", "alpha\\clu")) << err.formatLastErrorMessage();
    EXPECT_TRUE(agent.isClientClustered());
    ASSERT_TRUE(agent.getClientClusteredStatus("alpha", "ALPHA\\ONE"));
    EXPECT_FALSE(agent.isClientClustered());
    // Quotes stay text.
    ASSERT_TRUE(agent.getClientClusteredStatus("alpha", "ALPHA\\O'NEIL")) << err.formatLastErrorMessage();
    EXPECT_TRUE(agent.isClientClustered());
    EXPECT_FALSE(agent.getClientClusteredStatus("alpha", "x' OR '1'='1"));

    // Refusals; a failed answer leaves what the context knew.
    EXPECT_TRUE(refused(agent.getClientClusteredStatus(4242), err, kelsql::kErrRowOperation));
    EXPECT_TRUE(refused(agent.getClientClusteredStatus("gamma", "ALPHA\\CLU"), err, kelsql::kErrClientNotFound));
    EXPECT_TRUE(refused(agent.getClientClusteredStatus("alpha", "ALPHA\\NONE"), err, kelsql::kErrNoSuchInstance));
    EXPECT_TRUE(agent.isClientClustered());
    EXPECT_TRUE(refused(agent.getClientClusteredStatus(0), err, kelsql::kErrValueNotSet, "sqlServerId"));
    EXPECT_TRUE(refused(agent.getClientClusteredStatus("alpha", ""), err, kelsql::kErrValueNotSet, "sqlServerName"));
    // Cut to its field, the name could be another instance's.
    EXPECT_TRUE(refused(agent.getClientClusteredStatus("alpha", "ALPHA\\" + std::string(123, 'X')), err,
                        kelsql::kErrInvalidArgument, "sqlServerName"));
    EXPECT_TRUE(refused(agent.setRemoteClientClusteredStatusOn(), err, kelsql::kErrOstrelSideOnly));
}

TEST_F(ClusteredStatusTest, OstrelTellsAHost) {
    const unsigned long id = instanceRow("ALPHA\\CLU", 0x1);
    KelSQLClassProperties ostrel(KelSQLServerSide);
    const KelLastError& err = ostrel.getLastError();
    EXPECT_TRUE(refused(ostrel.getClientClusteredStatus(1), err, kelsql::kErrAgentSideOnly));
    EXPECT_TRUE(refused(ostrel.setRemoteClientClusteredStatusOff(), err, kelsql::kErrValueNotSet, "remoteSqlHostName"));
    // The dispatcher on hand stands in for the agent host.
    ostrel.setRemoteSqlHostName(kOstrel);
    ASSERT_TRUE(ostrel.setRemoteClientClusteredStatusOn()) << err.formatLastErrorMessage();
    ASSERT_TRUE(ostrel.setRemoteClientClusteredStatus(id)) << err.formatLastErrorMessage();
    EXPECT_TRUE(refused(ostrel.setRemoteClientClusteredStatus(id + 100), err, kelsql::kErrRowOperation));
}

// The answering side on its own, as the handler builds it.
TEST_F(ClusteredStatusTest, SetOnAnySideGetOnTheOstrelOnly) {
    KelLastError err;
    const auto answer = [&err](KelSQLClassProperties& ctx, KelNetSQLClientClusteredReq_t req) {
        KelNetSQLClientClustered m(ctx, 1, reinterpret_cast<char*>(&req));
        const bool ok = m.buildReply();
        err = m.getLastError();
        return ok ? 0u : m.responseMessage(false)->Status.Status + 1;
    };
    KelSQLClassProperties agent(KelSQLClientSide), ostrel(KelSQLServerSide);
    KelNetSQLClientClusteredReq_t req{};
    req.ClusteredOpCode = KelNetSQLClusteredSet;
    req.Clustered = 5;
    ASSERT_EQ(answer(agent, req), 0u);
    EXPECT_TRUE(agent.isClientClustered());
    req.Clustered = 0;
    ASSERT_EQ(answer(agent, req), 0u);
    EXPECT_EQ(agent.clientClusteredStatus(), uint32_t{KelSQLClusteredOff});
    req.ClusteredOpCode = KelNetSQLClusteredGet;
    req.SqlServerId = 1;
    EXPECT_EQ(answer(agent, req), 2u);  // failed, status 1
    EXPECT_TRUE(refused(false, err, kelsql::kErrRequestRefused));
    req.ClusteredOpCode = 9;
    EXPECT_NE(answer(ostrel, req), 0u);
    EXPECT_TRUE(refused(false, err, kelsql::kErrRequestRefused));

    // The request's dump names the instance.
    captureLog();
    req.ClusteredOpCode = KelNetSQLClusteredGet;
    req.SqlServerId = 0;
    kel::copyField(req.ClientName, "alpha");
    kel::copyField(req.SqlServerName, "ALPHA\\SALES");
    EXPECT_NE(answer(ostrel, req), 0u);
    for (const char* line : {"        ClientName = alpha", "        SqlServerName = ALPHA\\SALES", "        SqlServerId = 0"})
        EXPECT_TRUE(logged(line)) << line;
}

}  // namespace
