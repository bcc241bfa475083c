// A backup window opens: agents connect to the Ostrel all at once. Each
// connection is in the dispatcher's hands at once, not dropped by a full
// listen queue to be tried again by the agent's kernel a second later.
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "KelSQL/KelNetSQLDBTransaction.h"
#include "support/SqlDispatcherFixture.h"

namespace {

using Clock = std::chrono::steady_clock;
using ConnectionBurstTest = kel::test::SqlDispatcherTest;

}  // namespace

TEST_F(ConnectionBurstTest, AgentsConnectingAtOnceAreAllAnsweredWithinASecond) {
    // Fewer than the dispatcher's 256 session slots: nobody may be turned away.
    constexpr int kAgents = 250;
    std::atomic<int> ready{0};
    std::atomic<bool> go{false};
    std::vector<Clock::duration> took(kAgents, Clock::duration::max());
    std::vector<uint64_t> errors(kAgents, 0);
    std::vector<std::thread> agents;
    for (int i = 0; i < kAgents; ++i) {
        agents.emplace_back([&, i] {
            KelSQLClassProperties agent(KelSQLClientSide);
            KelNetSQLDBTransaction* t = agent.getNetworkDBTransaction();
            ++ready;
            while (!go) std::this_thread::yield();
            const Clock::time_point asked = Clock::now();
            KelNetSQLDBTransState state = 0;
            // Connects, proves the key, asks.
            if (t && t->getTransactionStatus(&state) && state == KelSQLTranNone)
                took[i] = Clock::now() - asked;
            else
                errors[i] = t ? t->getLastError().number() : 1;
        });
    }
    while (ready < kAgents) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    go = true;
    for (std::thread& a : agents) a.join();
    int answered = 0;
    Clock::duration slowest{};
    for (int i = 0; i < kAgents; ++i) {
        EXPECT_EQ(errors[i], 0u) << "agent " << i;
        if (took[i] == Clock::duration::max()) continue;
        ++answered;
        slowest = std::max(slowest, took[i]);
    }
    EXPECT_EQ(answered, kAgents);
    EXPECT_LT(slowest, std::chrono::seconds(1))
        << "slowest " << std::chrono::duration_cast<std::chrono::milliseconds>(slowest).count() << " ms";
}
