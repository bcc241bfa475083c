// Clustered status over a real dispatcher: an agent asks the Ostrel about an
// instance's client; the Ostrel tells an agent host.
#include "KelSQL/KelNetSQLClientClustered.h"
#include "KelSQL/KelSQLErrors.h"
#include "platform/util/BoundedCopy.h"
#include "services/ServicesFixture.h"

namespace {

using ClusteredStatusTest = kel::test::ServicesDispatcherTest;

TEST_F(ClusteredStatusTest, AgentAsksByIdAndByName) {
    const unsigned long clustered = instanceRow("ALPHA\\CLU", 0x3);
    const unsigned long single = instanceRow("ALPHA\\ONE", 0x2);
    KelSQLClassProperties agent(KelSQLClientSide);
    ASSERT_TRUE(agent.isClientOperations());

    ASSERT_TRUE(agent.getClientClusteredStatus(clustered)) << agent.getLastError().formatLastErrorMessage();
    EXPECT_TRUE(agent.isClientClustered());
    ASSERT_TRUE(agent.getClientClusteredStatus(single));
    EXPECT_FALSE(agent.isClientClustered());
    EXPECT_EQ(agent.clientClusteredStatus(), uint32_t{KelSQLClusteredOff});

    ASSERT_TRUE(agent.getClientClusteredStatus("Alpha", "alpha\\clu")) << agent.getLastError().formatLastErrorMessage();
    EXPECT_TRUE(agent.isClientClustered());
    ASSERT_TRUE(agent.getClientClusteredStatus("alpha", "ALPHA\\ONE"));
    EXPECT_FALSE(agent.isClientClustered());
}

TEST_F(ClusteredStatusTest, UnknownInstanceAnswersTheLookupsError) {
    instanceRow("ALPHA\\CLU", 0x1);
    KelSQLClassProperties agent(KelSQLClientSide);
    agent.setClientClusteredStatusOn();
    EXPECT_FALSE(agent.getClientClusteredStatus(4242));
    EXPECT_EQ(agent.getLastError().number(), kelsql::kErrRowOperation);
    // A failed answer leaves what the context knew.
    EXPECT_TRUE(agent.isClientClustered());
    EXPECT_FALSE(agent.getClientClusteredStatus("gamma", "ALPHA\\CLU"));
    EXPECT_EQ(agent.getLastError().number(), kelsql::kErrClientNotFound);
    EXPECT_FALSE(agent.getClientClusteredStatus("alpha", "ALPHA\\NONE"));
    EXPECT_EQ(agent.getLastError().number(), kelsql::kErrNoSuchInstance);
}

TEST_F(ClusteredStatusTest, NamesWithQuotesStayText) {
    const unsigned long id = instanceRow("ALPHA\\O'NEIL", 0x1);
    (void)id;
    KelSQLClassProperties agent(KelSQLClientSide);
    ASSERT_TRUE(agent.getClientClusteredStatus("alpha", "ALPHA\\O'NEIL")) << agent.getLastError().formatLastErrorMessage();
    EXPECT_TRUE(agent.isClientClustered());
    EXPECT_FALSE(agent.getClientClusteredStatus("alpha", "x' OR '1'='1"));
}

TEST_F(ClusteredStatusTest, ArgumentsAndSidesAreCheckedBeforeSending) {
    KelSQLClassProperties agent(KelSQLClientSide);
    EXPECT_FALSE(agent.getClientClusteredStatus(0));
    EXPECT_EQ(agent.getLastError().number(), kelsql::kErrValueNotSet);
    EXPECT_EQ(kel::test::firstArgument(agent.getLastError()), "sqlServerId");
    EXPECT_FALSE(agent.getClientClusteredStatus("alpha", ""));
    EXPECT_EQ(kel::test::firstArgument(agent.getLastError()), "sqlServerName");
    // Cut to its field, the name could be another instance's.
    EXPECT_FALSE(agent.getClientClusteredStatus("alpha", "ALPHA\\" + std::string(123, 'X')));
    EXPECT_EQ(agent.getLastError().number(), kelsql::kErrInvalidArgument);
    EXPECT_EQ(kel::test::firstArgument(agent.getLastError()), "sqlServerName");
    EXPECT_FALSE(agent.setRemoteClientClusteredStatusOn());
    EXPECT_EQ(agent.getLastError().number(), kelsql::kErrOstrelSideOnly);

    KelSQLClassProperties ostrel(KelSQLServerSide);
    EXPECT_FALSE(ostrel.getClientClusteredStatus(1));
    EXPECT_EQ(ostrel.getLastError().number(), kelsql::kErrAgentSideOnly);
    // No agent host chosen: nothing to send to, and a missing value says so.
    EXPECT_FALSE(ostrel.setRemoteClientClusteredStatusOff());
    EXPECT_EQ(ostrel.getLastError().number(), kelsql::kErrValueNotSet);
    EXPECT_EQ(kel::test::firstArgument(ostrel.getLastError()), "remoteSqlHostName");
}

TEST_F(ClusteredStatusTest, OstrelTellsAHost) {
    const unsigned long id = instanceRow("ALPHA\\CLU", 0x1);
    KelSQLClassProperties ostrel(KelSQLServerSide);
    // The dispatcher on hand stands in for the agent host.
    ostrel.setRemoteSqlHostName(kOstrel);
    ASSERT_TRUE(ostrel.setRemoteClientClusteredStatusOn()) << ostrel.getLastError().formatLastErrorMessage();
    ASSERT_TRUE(ostrel.setRemoteClientClusteredStatus(id)) << ostrel.getLastError().formatLastErrorMessage();
    EXPECT_FALSE(ostrel.setRemoteClientClusteredStatus(id + 100));
    EXPECT_EQ(ostrel.getLastError().number(), kelsql::kErrRowOperation);
    ostrel.setRemoteSqlHostName("no-such-host");
    EXPECT_FALSE(ostrel.setRemoteClientClusteredStatusOff());
    EXPECT_NE(ostrel.getLastError().number(), 0u);
}

// The answering side on its own, as the handler builds it.
class ClusteredAnswerTest : public kel::test::OstrelServicesTest {
protected:
    bool answer(KelSQLClassProperties& ctx, const KelNetSQLClientClusteredReq_t& req,
                KelNetSQLClientClusteredRsp_t& rsp, KelLastError& err) {
        KelNetSQLClientClusteredReq_t copy = req;
        KelNetSQLClientClustered m(ctx, 1, reinterpret_cast<char*>(&copy));
        bool ok = m.buildReply();
        rsp = *m.responseMessage(false);
        err = m.getLastError();
        return ok;
    }
};

TEST_F(ClusteredAnswerTest, SetOnAnySideAndRefusals) {
    KelSQLClassProperties agent(KelSQLClientSide);
    KelNetSQLClientClusteredReq_t req{};
    KelNetSQLClientClusteredRsp_t rsp{};
    KelLastError err;
    req.ClusteredOpCode = KelNetSQLClusteredSet;
    req.Clustered = 5;
    ASSERT_TRUE(answer(agent, req, rsp, err));
    EXPECT_TRUE(agent.isClientClustered());
    req.Clustered = 0;
    ASSERT_TRUE(answer(agent, req, rsp, err));
    EXPECT_EQ(agent.clientClusteredStatus(), uint32_t{KelSQLClusteredOff});

    // Only the catalogue's side answers a get.
    req.ClusteredOpCode = KelNetSQLClusteredGet;
    req.SqlServerId = 1;
    EXPECT_FALSE(answer(agent, req, rsp, err));
    EXPECT_EQ(err.number(), kelsql::kErrRequestRefused);
    EXPECT_EQ(rsp.Status.Status, 1u);
    req.ClusteredOpCode = 9;
    KelSQLClassProperties ostrel(KelSQLServerSide);
    EXPECT_FALSE(answer(ostrel, req, rsp, err));
    EXPECT_EQ(err.number(), kelsql::kErrRequestRefused);
}

TEST_F(ClusteredAnswerTest, RequestDumpNamesTheInstance) {
    captureLog();
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelNetSQLClientClusteredReq_t req{};
    KelNetSQLClientClusteredRsp_t rsp{};
    KelLastError err;
    req.ClusteredOpCode = KelNetSQLClusteredGet;
    kel::copyField(req.ClientName, "alpha");
    kel::copyField(req.SqlServerName, "ALPHA\\SALES");
    EXPECT_FALSE(answer(ostrel, req, rsp, err));
    EXPECT_TRUE(logged("        ClientName = alpha"));
    EXPECT_TRUE(logged("        SqlServerName = ALPHA\\SALES"));
    EXPECT_TRUE(logged("        SqlServerId = 0"));
}

}  // namespace
