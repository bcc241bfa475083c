// The semaphore and the recursive critical section under real threads.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/util/KelLocks.h"

namespace {

using namespace std::chrono_literals;

TEST(Locks, SemaphoresReleaseOneUnitAndFailWithoutThrowing) {
    KelSimpleDBSem sem(1);
    ASSERT_TRUE(sem.wait() == 0 && sem.release(5) == 0 && sem.wait() == 0);
    // Only one unit came back: a second waiter must block.
    std::atomic<bool> passed{false};
    std::thread waiter([&] { passed = sem.wait() == 0; });
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(passed.load());
    sem.release(1);
    waiter.join();
    EXPECT_TRUE(passed.load());

    KelSemaphore* bad = nullptr;
    EXPECT_NO_THROW(bad = new KelSemaphore(-1));
    EXPECT_FALSE(bad->valid());
    EXPECT_EQ(bad->wait() + bad->release(1), -2);
    delete bad;
}

TEST(Locks, RecursiveLockHeldUntilBothUnlocks) {
    FXCriticalSection cs;
    ASSERT_TRUE(cs.Lock() && cs.Lock());
    EXPECT_EQ(cs.GetLockOwner(), GetCurrentThreadId());
    std::atomic<bool> got{false};
    std::thread other([&] {
        FXCriticalSectionGuard guard(cs);
        got = guard.held();
    });
    std::this_thread::sleep_for(50ms);
    cs.Unlock();
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(got.load()) << "one unlock of two released the lock";
    cs.Unlock();
    other.join();
    EXPECT_TRUE(got.load());
    EXPECT_EQ(cs.GetLockOwner(), 0u);
}

}  // namespace
