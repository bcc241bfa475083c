// The semaphore and the recursive critical section under real threads.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/util/KelLocks.h"

namespace {

using namespace std::chrono_literals;

TEST(Locks, SimpleSemaphoreReleasesOneUnitWhateverIsAsked) {
    KelSimpleDBSem sem(1);
    ASSERT_EQ(sem.wait(), 0);
    ASSERT_EQ(sem.release(5), 0);
    ASSERT_EQ(sem.wait(), 0);
    // Only one unit came back: a second waiter must block.
    std::atomic<bool> passed{false};
    std::thread waiter([&] {
        sem.wait();
        passed = true;
    });
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(passed.load());
    sem.release(1);
    waiter.join();
    EXPECT_TRUE(passed.load());
}

TEST(Locks, SemaphoreThatCannotBeMadeFailsWithoutThrowing) {
    KelSemaphore* sem = nullptr;
    EXPECT_NO_THROW(sem = new KelSemaphore(-1));
    EXPECT_FALSE(sem->valid());
    EXPECT_EQ(sem->wait(), -1);
    EXPECT_EQ(sem->release(1), -1);
    delete sem;
}

TEST(Locks, RecursiveLockHeldUntilBothUnlocks) {
    FXCriticalSection cs;
    ASSERT_TRUE(cs.Lock());
    ASSERT_TRUE(cs.Lock());
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
