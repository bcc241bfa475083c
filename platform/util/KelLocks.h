// The platform's lock classes: a counting semaphore and a recursive critical
// section that records its owning thread.
#pragma once

#include <cstdint>
#include <semaphore.h>

#include <boost/interprocess/sync/interprocess_recursive_mutex.hpp>

// The calling thread's id (pthread_self) as a 32-bit value.
uint32_t GetCurrentThreadId();

class KelSemaphore {
public:
    // Never throws: a semaphore that could not be made is not valid() and
    // every wait() and release() on it fails with -1.
    explicit KelSemaphore(int count);
    ~KelSemaphore();
    KelSemaphore(const KelSemaphore&) = delete;
    KelSemaphore& operator=(const KelSemaphore&) = delete;

    // 0 once a unit was taken; -1 on failure.
    int wait();
    // Releases count units; 0 on success, -1 on failure.
    int release(int count);
    bool valid() const { return valid_; }

private:
    sem_t handle_;
    bool valid_ = false;
};

class KelSimpleDBSem {
public:
    explicit KelSimpleDBSem(int count) : sem_(count) {}
    bool valid() const { return sem_.valid(); }
    int wait() { return sem_.wait(); }
    // Always one unit, whatever is asked: the semaphore is used as a mutex.
    int release(int) { return sem_.release(1); }

private:
    KelSemaphore sem_;
};

class FXLockableResource {
public:
    uint32_t GetLockOwner() const { return owner_; }

protected:
    void SetLockOwner() { owner_ = GetCurrentThreadId(); }
    void ClearLockOwner() { owner_ = 0; }

private:
    volatile uint32_t owner_ = 0;
};

// Recursive: the owning thread may lock again and must unlock as often.
class FXCriticalSection : public FXLockableResource {
public:
    FXCriticalSection() = default;
    FXCriticalSection(const FXCriticalSection&) = delete;
    FXCriticalSection& operator=(const FXCriticalSection&) = delete;

    // False when the mutex failed; the caller then does not hold the lock.
    bool Lock();
    void Unlock();

private:
    boost::interprocess::interprocess_recursive_mutex mutex_;
};

// Holds a critical section for one scope; held() tells whether it was taken.
class FXCriticalSectionGuard {
public:
    explicit FXCriticalSectionGuard(FXCriticalSection& cs) : cs_(cs), held_(cs.Lock()) {}
    ~FXCriticalSectionGuard() {
        if (held_) cs_.Unlock();
    }
    FXCriticalSectionGuard(const FXCriticalSectionGuard&) = delete;
    FXCriticalSectionGuard& operator=(const FXCriticalSectionGuard&) = delete;
    bool held() const { return held_; }

private:
    FXCriticalSection& cs_;
    bool held_;
};
