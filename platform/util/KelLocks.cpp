#include "platform/util/KelLocks.h"

#include <cerrno>
#include <pthread.h>

uint32_t GetCurrentThreadId() {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(reinterpret_cast<void*>(pthread_self())));
}

// The failure is kept rather than thrown: a throw from here would cross the
// library's interface through every record class that holds a semaphore.
KelSemaphore::KelSemaphore(int count)
    : valid_(count >= 0 && sem_init(&handle_, 0, static_cast<unsigned>(count)) == 0) {}

KelSemaphore::~KelSemaphore() {
    if (valid_) sem_destroy(&handle_);
}

int KelSemaphore::wait() {
    if (!valid_) return -1;
    int rc;
    do {
        rc = sem_wait(&handle_);
    } while (rc != 0 && errno == EINTR);
    return rc;
}

int KelSemaphore::release(int count) {
    if (!valid_) return -1;
    for (int i = 0; i < count; ++i)
        if (sem_post(&handle_) != 0) return -1;
    return 0;
}

bool FXCriticalSection::Lock() {
    try {
        mutex_.lock();
    } catch (...) {
        return false;
    }
    SetLockOwner();
    return true;
}

void FXCriticalSection::Unlock() {
    ClearLockOwner();
    try {
        mutex_.unlock();
    } catch (...) {
    }
}
