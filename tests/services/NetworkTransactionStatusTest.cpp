// What the network transaction's answering side tells: the state by its
// name in the dumps, and refusals of unknown codes. (Commit, rollback and
// disconnect of the session's writes are shown with the context's tests.)
#include "KelSQL/KelNetSQLDBTransaction.h"
#include "KelSQL/KelSQLErrors.h"
#include "support/TesselFixture.h"

namespace {

using NetworkTransactionStatusTest = kel::test::TesselDispatcherTest;

TEST_F(NetworkTransactionStatusTest, StatusIsDumpedByName) {
    captureLog();
    KelSQLClassProperties agent(KelSQLClientSide);
    KelNetSQLDBTransaction* t = agent.getNetworkDBTransaction();
    KelNetSQLDBTransState state = 0;
    ASSERT_TRUE(t->startTransaction()) << t->getLastError().formatLastErrorMessage();
    kel::probe::Probe m(agent, false);
    m.requestMessage(true)->Code = kel::probe::kProbeWrite;
    KelLastError err;
    ASSERT_TRUE(m.exchange(err)) << err.formatLastErrorMessage();
    ASSERT_TRUE(t->getTransactionStatus(&state));
    EXPECT_EQ(state, uint32_t{KelSQLTranStarted});
    ASSERT_TRUE(t->rollbackTransaction());
    ASSERT_TRUE(t->getTransactionStatus(&state));
    EXPECT_EQ(state, uint32_t{KelSQLTranRolledBack});
    EXPECT_EQ(kel::test::probeRows(), 0);

    const std::string log = ostrelLog();
    for (const char* line : {"TransactionCode = STATUS", "TransactionCode = ROLLBACK", "TransactionState = Started",
                             "TransactionState = Rolled Back"})
        EXPECT_NE(log.find(line), std::string::npos) << line;
}

TEST_F(NetworkTransactionStatusTest, UnknownCodeIsRefusedWithoutState) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelNetSQLDBTransactionReq_t req{7};
    KelNetSQLDBTransaction m(ostrel, 1, reinterpret_cast<char*>(&req));
    EXPECT_TRUE(kel::test::refused(m.buildReply(), m.getLastError(), kelsql::kErrRequestRefused));
    EXPECT_EQ(m.responseMessage(false)->TransactionState, 0u);
    EXPECT_EQ(m.responseMessage(false)->Status.Status, 1u);
}

}  // namespace
