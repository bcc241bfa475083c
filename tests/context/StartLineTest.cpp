// Agents that START at the same time over a real Ostrel dispatcher are served
// in the order they asked, each START keeps its place however long the line
// takes while it moves, and an agent that goes away while it waits leaves
// the line to the next.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <vector>

#include "KelSQL/KelNetSQLDBTransaction.h"
#include "support/ProbeMessages.h"
#include "support/SqlDispatcherFixture.h"

using namespace kel::probe;
using Clock = std::chrono::steady_clock;

namespace {

// Long enough for a request already sent to reach the Ostrel's line.
constexpr auto kArrive = std::chrono::milliseconds(300);

class StartLineTest : public kel::test::SqlDispatcherTest {
protected:
    void TearDown() override {
        for (std::thread& t : threads_) t.join();
        SqlDispatcherTest::TearDown();
    }
    // An agent with its own session to the Ostrel, already greeted.
    static std::unique_ptr<KelSQLClassProperties> agent() {
        auto ctx = std::make_unique<KelSQLClassProperties>(KelSQLClientSide);
        KelNetSQLDBTransState state = 0;
        EXPECT_TRUE(ctx->getNetworkDBTransaction()->getTransactionStatus(&state));
        return ctx;
    }
    // On a thread of its own: START, then after holdMs a write of tag and
    // COMMIT. ok says whether all three succeeded.
    void record(KelSQLClassProperties& ctx, const char* tag, int holdMs, bool& ok) {
        threads_.emplace_back([&ctx, tag, holdMs, &ok] {
            KelNetSQLDBTransaction* t = ctx.getNetworkDBTransaction();
            KelLastError err;
            ok = t->startTransaction();
            std::this_thread::sleep_for(std::chrono::milliseconds(holdMs));
            ok = ok && probeWrite(ctx, tag, err) && t->commitTransaction();
        });
    }
    void joinAll() {
        for (std::thread& t : threads_) t.join();
        threads_.clear();
    }
    // The committed tags in the order they were written.
    static std::string written() {
        return kel::test::text("SELECT group_concat(tag, ',') FROM (SELECT tag FROM frameProbe ORDER BY rowid)");
    }
    static void setStallLimit(int ms) {
        KelPI_Ostrel ostrel;
        ASSERT_TRUE(ostrel.setFocus(kMachine) && ostrel.setWriterStallLimitMs(ms));
    }

    std::vector<std::thread> threads_;
};

}  // namespace

TEST_F(StartLineTest, AStartThatAskedFirstGetsTheWriterFirst) {
    auto holder = agent(), first = agent(), second = agent();
    KelLastError err;
    ASSERT_TRUE(holder->getNetworkDBTransaction()->startTransaction());
    ASSERT_TRUE(probeWrite(*holder, "holder", err)) << err.formatLastErrorMessage();
    bool firstOk = false, secondOk = false;
    record(*first, "first", 0, firstOk);
    std::this_thread::sleep_for(kArrive);
    record(*second, "second", 0, secondOk);
    std::this_thread::sleep_for(kArrive);
    ASSERT_TRUE(holder->getNetworkDBTransaction()->commitTransaction());
    joinAll();
    EXPECT_TRUE(firstOk && secondOk);
    EXPECT_EQ(written(), "holder,first,second");
}

TEST_F(StartLineTest, AStartKeepsItsPlaceWhileTheLineMoves) {
    // Each holds the writer for well under the limit; the last waits for
    // all of them, far longer than the limit.
    setStallLimit(1000);
    auto holder = agent();
    std::vector<std::unique_ptr<KelSQLClassProperties>> waiters;
    for (int i = 0; i < 3; ++i) waiters.push_back(agent());
    ASSERT_TRUE(holder->getNetworkDBTransaction()->startTransaction());
    const Clock::time_point start = Clock::now();
    bool ok[3] = {false, false, false};
    const char* tags[] = {"w1", "w2", "w3"};
    for (int i = 0; i < 3; ++i) {
        record(*waiters[i], tags[i], 700, ok[i]);
        std::this_thread::sleep_for(kArrive);
    }
    ASSERT_TRUE(holder->getNetworkDBTransaction()->commitTransaction());
    joinAll();
    EXPECT_GT(Clock::now() - start, std::chrono::milliseconds(2000));
    EXPECT_TRUE(ok[0] && ok[1] && ok[2]);
    EXPECT_EQ(written(), "w1,w2,w3");
}

TEST_F(StartLineTest, AnAgentThatGoesAwayWhileItWaitsLeavesTheLine) {
    auto holder = agent(), next = agent();
    ASSERT_TRUE(holder->getNetworkDBTransaction()->startTransaction());
    // An agent process that asks for the writer first, and dies waiting.
    const pid_t leaving = fork();
    ASSERT_GE(leaving, 0);
    if (leaving == 0) {
        KelSQLClassProperties ctx(KelSQLClientSide);
        ctx.getNetworkDBTransaction()->startTransaction();
        _exit(0);
    }
    std::this_thread::sleep_for(kArrive);
    bool nextOk = false;
    record(*next, "next", 0, nextOk);
    std::this_thread::sleep_for(kArrive);
    kill(leaving, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(leaving, &status, 0), leaving);
    ASSERT_TRUE(WIFSIGNALED(status));  // it was still waiting
    std::this_thread::sleep_for(kArrive);

    KelLastError err;
    ASSERT_TRUE(probeWrite(*holder, "holder", err)) << err.formatLastErrorMessage();
    ASSERT_TRUE(holder->getNetworkDBTransaction()->commitTransaction());
    joinAll();
    EXPECT_TRUE(nextOk);
    EXPECT_EQ(written(), "holder,next");
}
