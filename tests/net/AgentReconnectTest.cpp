// An agent's session that the Ostrel ends for its silence: reopened unseen
// while no network transaction lived on it, reported when one did; and a
// session holding a transaction outlasts the shorter silence.
#include <chrono>
#include <thread>

#include "KelSQL/KelNetSQLDBTransaction.h"
#include "support/SqlDispatcherFixture.h"

namespace {

class AgentReconnectTest : public kel::test::SqlDispatcherTest {
protected:
    void SetUp() override {
        SqlDispatcherTest::SetUp();
        ASSERT_TRUE(ostrel_.stop());
        ASSERT_TRUE(ostrel_.start(kOstrel, {"--rest", "300", "--idle", "2500"}));
    }
    static void pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
};

}  // namespace

TEST_F(AgentReconnectTest, IdleSessionIsReopenedUnlessItCarriedATransaction) {
    KelSQLClassProperties agent(KelSQLClientSide);
    KelNetSQLDBTransaction* t = agent.getNetworkDBTransaction();
    ASSERT_NE(t, nullptr);
    KelNetSQLDBTransState state = 0;
    ASSERT_TRUE(t->getTransactionStatus(&state)) << t->getLastError().formatLastErrorMessage();
    CKelNetwork* session = agent.getSqlSession();
    ASSERT_TRUE(session->IsConnected());

    pause(900);  // past the Ostrel's limit for a session without a transaction
    ASSERT_TRUE(session->connectionStale());
    ASSERT_TRUE(t->getTransactionStatus(&state)) << t->getLastError().formatLastErrorMessage();
    EXPECT_EQ(state, uint32_t{KelSQLTranNone});

    // A transaction keeps the session through the same silence.
    ASSERT_TRUE(t->startTransaction()) << t->getLastError().formatLastErrorMessage();
    pause(900);
    EXPECT_FALSE(session->connectionStale());
    ASSERT_TRUE(t->getTransactionStatus(&state));
    EXPECT_EQ(state, uint32_t{KelSQLTranStarted});

    // Past the longer limit the transaction is gone: said, not papered over.
    pause(3000);
    EXPECT_FALSE(t->getTransactionStatus(&state));
    EXPECT_EQ(t->getLastError().number(), kel::net::kErrNetSessionLost);
    // The next request starts afresh.
    ASSERT_TRUE(t->getTransactionStatus(&state)) << t->getLastError().formatLastErrorMessage();
    EXPECT_EQ(state, uint32_t{KelSQLTranNone});
}
