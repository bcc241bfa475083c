// What the network transaction's answering side tells: the state by its
// name in the dumps, and refusals of unknown codes. (Commit, rollback and
// disconnect of the session's writes are shown with the context's tests.)
#include "KelSQL/KelNetSQLDBTransaction.h"
#include "KelSQL/KelSQLErrors.h"
#include "platform/util/BoundedCopy.h"
#include "services/ServicesFixture.h"
#include "support/ProbeMessages.h"

namespace {

using NetworkTransactionStatusTest = kel::test::ServicesDispatcherTest;

bool write(KelSQLClassProperties& ctx, const char* tag, KelLastError& err) {
    kel::probe::Probe m(ctx, false);
    kel::probe::ProbeReq_t* req = m.requestMessage(true);
    req->Code = kel::probe::kProbeWrite;
    kel::copyField(req->Tag, tag);
    return m.exchange(err);
}

TEST_F(NetworkTransactionStatusTest, StatusIsDumpedByName) {
    captureLog();
    KelSQLClassProperties agent(KelSQLClientSide);
    KelNetSQLDBTransaction* t = agent.getNetworkDBTransaction();
    KelNetSQLDBTransState state = 0;
    ASSERT_TRUE(t->startTransaction()) << t->getLastError().formatLastErrorMessage();
    KelLastError err;
    ASSERT_TRUE(write(agent, "one", err)) << err.formatLastErrorMessage();
    ASSERT_TRUE(write(agent, "two", err));
    ASSERT_TRUE(t->getTransactionStatus(&state));
    EXPECT_EQ(state, uint32_t{KelSQLTranStarted});
    ASSERT_TRUE(t->rollbackTransaction());
    ASSERT_TRUE(t->getTransactionStatus(&state));
    EXPECT_EQ(state, uint32_t{KelSQLTranRolledBack});
    EXPECT_EQ(kel::test::probeRows(), 0);

    const std::string log = ostrelLog();
    EXPECT_NE(log.find("TransactionCode = STATUS"), std::string::npos) << log;
    EXPECT_NE(log.find("TransactionCode = ROLLBACK"), std::string::npos);
    EXPECT_NE(log.find("TransactionState = Started"), std::string::npos);
    EXPECT_NE(log.find("TransactionState = Rolled Back"), std::string::npos);
}

TEST_F(NetworkTransactionStatusTest, UnknownCodeIsRefusedWithoutState) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelNetSQLDBTransactionReq_t req{7};
    KelNetSQLDBTransaction m(ostrel, 1, reinterpret_cast<char*>(&req));
    EXPECT_FALSE(m.buildReply());
    EXPECT_EQ(m.getLastError().number(), kelsql::kErrRequestRefused);
    EXPECT_EQ(m.responseMessage(false)->TransactionState, 0u);
    EXPECT_EQ(m.responseMessage(false)->Status.Status, 1u);
}

}  // namespace
