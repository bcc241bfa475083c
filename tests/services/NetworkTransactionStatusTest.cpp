// What the network transaction's answering side tells: the state by its
// name in the dumps, and refusals of unknown codes. (Commit, rollback and
// disconnect of the session's writes are shown with the context's tests.)
#include "KelSQL/KelNetSQLDBTransaction.h"
#include "KelSQL/KelSQLErrors.h"
#include "support/TesselFixture.h"

namespace {

using NetworkTransactionStatusTest = kel::test::TesselDispatcherTest;

TEST_F(NetworkTransactionStatusTest, StatusIsDumpedByNameAndUnknownCodesRefused) {
    captureLog();
    KelSQLClassProperties agent(KelSQLClientSide);
    KelNetSQLDBTransaction* t = agent.getNetworkDBTransaction();
    KelNetSQLDBTransState started = 0, rolledBack = 0;
    ASSERT_TRUE(t->startTransaction() && t->getTransactionStatus(&started) && t->rollbackTransaction() &&
                t->getTransactionStatus(&rolledBack))
        << t->getLastError().formatLastErrorMessage();
    EXPECT_EQ(started, uint32_t{KelSQLTranStarted});
    EXPECT_EQ(rolledBack, uint32_t{KelSQLTranRolledBack});
    const std::string log = ostrelLog();
    for (const char* line : {"TransactionCode = STATUS", "TransactionCode = ROLLBACK", "TransactionState = Started",
                             "TransactionState = Rolled Back"})
        EXPECT_NE(log.find(line), std::string::npos) << line;

    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelNetSQLDBTransactionReq_t req{7};
    KelNetSQLDBTransaction m(ostrel, 1, reinterpret_cast<char*>(&req));
    EXPECT_TRUE(kel::test::refused(m.buildReply(), m.getLastError(), kelsql::kErrRequestRefused));
    EXPECT_EQ(m.responseMessage(false)->TransactionState, 0u);
    EXPECT_EQ(m.responseMessage(false)->Status.Status, 1u);
}

}  // namespace
