// The network transaction over a real dispatcher: the Ostrel keeps one
// answering context per session, so a transaction started by an agent spans
// that session's later requests until commit, rollback or disconnect.
#include <chrono>
#include <thread>

#include "KelSQL/KelNetSQLDBTransaction.h"
#include "support/ProbeMessages.h"
#include "support/SqlDispatcherFixture.h"

using namespace kel::probe;

namespace {

class NetworkTransactionTest : public kel::test::SqlDispatcherTest {
protected:
    // Rows once the Ostrel let go of its write lock (a new transaction waits for it).
    static long settledRows() {
        KelSQLClassProperties local(KelSQLServerSide);
        if (!local.startTransaction()) return -1;
        local.rollBackTransaction();
        return kel::test::probeRows();
    }
};

}  // namespace

TEST_F(NetworkTransactionTest, FreshSessionHasNoTransaction) {
    KelSQLClassProperties agent(KelSQLClientSide);
    KelNetSQLDBTransaction* t = agent.getNetworkDBTransaction();
    ASSERT_NE(t, nullptr);
    KelNetSQLDBTransState state = 0;
    ASSERT_TRUE(t->getTransactionStatus(&state)) << t->getLastError().formatLastErrorMessage();
    EXPECT_EQ(state, uint32_t{KelSQLTranNone});

    // Commit with nothing started: refused, the state comes back anyway.
    EXPECT_FALSE(t->commitTransaction());
    EXPECT_EQ(t->getLastError().number(), kelsql::kErrTranNotStarted);
    EXPECT_EQ(t->responseMessage(false)->TransactionState, uint32_t{KelSQLTranFailed});
    EXPECT_EQ(t->lastKnownState(), uint32_t{KelSQLTranNone});
    ASSERT_TRUE(t->getTransactionStatus(&state));
    EXPECT_EQ(state, uint32_t{KelSQLTranFailed});
}

TEST_F(NetworkTransactionTest, WriteWithoutTransactionIsRefused) {
    KelSQLClassProperties agent(KelSQLClientSide);
    KelLastError err;
    EXPECT_FALSE(probeWrite(agent, "loose", err));
    EXPECT_EQ(err.number(), kelsql::kErrTranRequired);
}

TEST_F(NetworkTransactionTest, RollbackLeavesNothing) {
    KelSQLClassProperties agent(KelSQLClientSide);
    KelNetSQLDBTransaction* t = agent.getNetworkDBTransaction();
    ASSERT_TRUE(t->startTransaction()) << t->getLastError().formatLastErrorMessage();
    EXPECT_TRUE(t->isTransactionStarted());
    KelLastError err;
    ASSERT_TRUE(probeWrite(agent, "first", err)) << err.formatLastErrorMessage();
    ASSERT_TRUE(probeWrite(agent, "second", err));
    ASSERT_TRUE(t->rollbackTransaction());
    EXPECT_EQ(t->lastKnownState(), uint32_t{KelSQLTranRolledBack});
    EXPECT_EQ(settledRows(), 0);
}

TEST_F(NetworkTransactionTest, CommitKeepsTheWrites) {
    KelSQLClassProperties agent(KelSQLClientSide);
    KelNetSQLDBTransaction* t = agent.getNetworkDBTransaction();
    ASSERT_TRUE(t->startTransaction());
    // A second start is no new transaction: both writes commit together.
    ASSERT_TRUE(t->startTransaction());
    KelLastError err;
    ASSERT_TRUE(probeWrite(agent, "kept", err)) << err.formatLastErrorMessage();
    ASSERT_TRUE(t->startTransaction());
    ASSERT_TRUE(probeWrite(agent, "kept too", err));
    ASSERT_TRUE(t->commitTransaction());
    EXPECT_EQ(t->lastKnownState(), uint32_t{KelSQLTranCommitted});
    EXPECT_EQ(settledRows(), 2);
}

TEST_F(NetworkTransactionTest, DisconnectInTheMiddleRollsBack) {
    {
        KelSQLClassProperties agent(KelSQLClientSide);
        ASSERT_TRUE(agent.getNetworkDBTransaction()->startTransaction());
        KelLastError err;
        ASSERT_TRUE(probeWrite(agent, "orphan", err));
        // The context's end disconnects its session.
    }
    EXPECT_EQ(settledRows(), 0);

    // A new session starts with a fresh answering context.
    KelSQLClassProperties agent(KelSQLClientSide);
    KelNetSQLDBTransState state = 0;
    ASSERT_TRUE(agent.getNetworkDBTransaction()->getTransactionStatus(&state));
    EXPECT_EQ(state, uint32_t{KelSQLTranNone});
}

TEST_F(NetworkTransactionTest, TwoSessionsHaveTwoTransactions) {
    KelSQLClassProperties first(KelSQLClientSide);
    KelSQLClassProperties second(KelSQLClientSide);
    ASSERT_TRUE(first.getNetworkDBTransaction()->startTransaction());
    KelNetSQLDBTransState state = 0;
    ASSERT_TRUE(second.getNetworkDBTransaction()->getTransactionStatus(&state));
    EXPECT_EQ(state, uint32_t{KelSQLTranNone});
    ASSERT_TRUE(first.getNetworkDBTransaction()->rollbackTransaction());
}

TEST_F(NetworkTransactionTest, LentSessionIsDisconnectedByTheContext) {
    CKelNetwork session;
    {
        KelSQLClassProperties agent(KelSQLClientSide, &session);
        KelNetSQLDBTransState state = 0;
        ASSERT_TRUE(agent.getNetworkDBTransaction()->getTransactionStatus(&state));
        EXPECT_TRUE(session.IsConnected());
    }
    EXPECT_FALSE(session.IsConnected());
}

TEST_F(NetworkTransactionTest, AssignedContextKeepsTheNetworkTransaction) {
    auto a = std::make_unique<KelSQLClassProperties>(KelSQLClientSide);
    KelSQLClassProperties b(KelSQLClientSide);
    ASSERT_TRUE(a->getNetworkDBTransaction()->startTransaction());
    b = *a;
    EXPECT_TRUE(b.getNetworkDBTransaction()->isTransactionStarted());
    a.reset();
    // The session outlived a: the Ostrel still holds the transaction.
    KelLastError err;
    ASSERT_TRUE(probeWrite(b, "via b", err)) << err.formatLastErrorMessage();
    ASSERT_TRUE(b.getNetworkDBTransaction()->commitTransaction());
    EXPECT_EQ(settledRows(), 1);
}

TEST_F(NetworkTransactionTest, MessageBuiltBeforeAssignmentKeepsItsSession) {
    KelSQLClassProperties a(KelSQLClientSide);
    KelSQLClassProperties b(KelSQLClientSide);
    // Built on a's own session, which a gives up in the assignment.
    Probe early(a, false);
    a = b;
    ProbeReq_t* req = early.requestMessage(true);
    req->Code = kProbeSide;
    KelLastError err;
    EXPECT_TRUE(early.exchange(err)) << err.formatLastErrorMessage();
}

TEST_F(NetworkTransactionTest, AnUndoneSavepointTakesBackOnlyTheWritesAfterIt) {
    KelSQLClassProperties agent(KelSQLClientSide);
    KelNetSQLDBTransaction* t = agent.getNetworkDBTransaction();
    EXPECT_FALSE(t->setSavepoint());
    EXPECT_EQ(t->getLastError().number(), kelsql::kErrTranRequired);
    ASSERT_TRUE(t->startTransaction());
    KelLastError err;
    ASSERT_TRUE(probeWrite(agent, "before", err)) << err.formatLastErrorMessage();
    ASSERT_TRUE(t->setSavepoint()) << t->getLastError().formatLastErrorMessage();
    ASSERT_TRUE(probeWrite(agent, "undone", err));
    ASSERT_TRUE(t->undoSavepoint()) << t->getLastError().formatLastErrorMessage();
    EXPECT_TRUE(t->isTransactionStarted());
    ASSERT_TRUE(t->setSavepoint());
    ASSERT_TRUE(probeWrite(agent, "released", err));
    ASSERT_TRUE(t->releaseSavepoint()) << t->getLastError().formatLastErrorMessage();
    // Nothing is left to release.
    EXPECT_FALSE(t->releaseSavepoint());
    ASSERT_TRUE(t->commitTransaction());
    EXPECT_EQ(kel::test::text("SELECT group_concat(tag, ',') FROM (SELECT tag FROM frameProbe ORDER BY rowid)"),
              "before,released");
}
