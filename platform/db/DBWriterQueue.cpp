#include "platform/db/DBWriterQueue.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/db/DBEngine.h"

namespace {

using Clock = std::chrono::steady_clock;

// How often a waiter with a watch asks whether whoever asked has gone. The
// writer itself is handed over at once; this only bounds how long a line
// keeps a waiter whose session has ended.
constexpr auto kWatchInterval = std::chrono::milliseconds(500);

thread_local DBWriterWatch::Gone t_gone = nullptr;
thread_local void* t_goneArg = nullptr;

struct Waiter {
    std::thread::id thread = std::this_thread::get_id();
    std::condition_variable wake;  // each waiter its own: a hand-over wakes one thread
    bool granted = false;
};

class WriterLine {
public:
    DBWriterWait acquire(int stallLimitMs) {
        const auto limit = std::chrono::milliseconds(std::max(stallLimitMs, 0));
        std::unique_lock<std::mutex> lock(mutex_);
        if (!held_) {
            grant(std::this_thread::get_id());
            return {};
        }
        if (holder_ == std::this_thread::get_id()) return refuse(DBWriterOutcome::kOwnThread);
        Waiter self;
        line_.push_back(&self);
        for (;;) {
            if (self.granted) return {};
            const Clock::time_point now = Clock::now();
            // Measured against the holder now: a line that moves never
            // brings a waiter to its limit.
            const Clock::time_point stalledAt = since_ + limit;
            if (now >= stalledAt) return leave(self, DBWriterOutcome::kStalled);
            const DBWriterWatch::Gone gone = t_gone;
            self.wake.wait_until(lock, gone ? std::min(stalledAt, now + kWatchInterval) : stalledAt);
            if (self.granted || !gone) continue;
            void* arg = t_goneArg;
            lock.unlock();
            const bool left = gone(arg);
            lock.lock();
            if (!left) continue;
            if (self.granted) {
                // Its turn came as it left: the next one has it instead.
                handOn();
                return refuse(DBWriterOutcome::kAbandoned);
            }
            return leave(self, DBWriterOutcome::kAbandoned);
        }
    }

    void release() {
        std::lock_guard<std::mutex> lock(mutex_);
        handOn();
    }

    int waiting() {
        std::lock_guard<std::mutex> lock(mutex_);
        return static_cast<int>(line_.size());
    }

private:
    void grant(std::thread::id thread) {
        held_ = true;
        holder_ = thread;
        since_ = Clock::now();
    }

    // The writer goes to the first in line, or is free when none waits.
    // Called with mutex_ held; the waiter is woken while it still is, as it
    // lives on the stack of its thread.
    void handOn() {
        if (line_.empty()) {
            held_ = false;
            holder_ = std::thread::id();
            return;
        }
        Waiter* next = line_.front();
        line_.pop_front();
        grant(next->thread);
        next->granted = true;
        next->wake.notify_one();
    }

    DBWriterWait refuse(DBWriterOutcome outcome) const {
        DBWriterWait wait;
        wait.outcome = outcome;
        wait.heldMs = held_ ? std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since_).count() : 0;
        return wait;
    }

    DBWriterWait leave(Waiter& self, DBWriterOutcome outcome) {
        line_.erase(std::find(line_.begin(), line_.end(), &self));
        return refuse(outcome);
    }

    std::mutex mutex_;  // guards everything below
    bool held_ = false;
    std::thread::id holder_;
    Clock::time_point since_;  // when the holder was given the writer
    std::deque<Waiter*> line_;
};

// Never destroyed: a transaction may end during the process's exit.
WriterLine& line() {
    static WriterLine* instance = new WriterLine;
    return *instance;
}

}  // namespace

std::string DBWriterWait::refusal() const {
    char held[96];
    std::snprintf(held, sizeof held, "%lld.%lld s", heldMs / 1000, (heldMs % 1000) / 100);
    switch (outcome) {
    case DBWriterOutcome::kGranted: return std::string();
    case DBWriterOutcome::kStalled:
        return std::string("the transaction ahead has held the catalogue's writer for ") + held + " without ending";
    case DBWriterOutcome::kAbandoned: return "the session ended while it waited for the catalogue's writer";
    case DBWriterOutcome::kOwnThread:
        return "this thread holds the catalogue's writer already, in another transaction";
    }
    return std::string();
}

DBWriterWait DBacquireWriter(int stallLimitMs) { return line().acquire(stallLimitMs); }

void DBreleaseWriter() { line().release(); }

int DBwritersWaiting() { return line().waiting(); }

DBWriterWatch::DBWriterWatch(Gone gone, void* arg) : previousGone_(t_gone), previousArg_(t_goneArg) {
    t_gone = gone;
    t_goneArg = arg;
}

DBWriterWatch::~DBWriterWatch() {
    t_gone = previousGone_;
    t_goneArg = previousArg_;
}

DBAutocommitWriter::DBAutocommitWriter(sqlite3* db, sqlite3_stmt* stmt) {
    if (!db || !sqlite3_get_autocommit(db) || (stmt && sqlite3_stmt_readonly(stmt))) return;
    wait_ = DBacquireWriter(DBbusyTimeout());
    held_ = wait_.outcome == DBWriterOutcome::kGranted;
    refused_ = !held_ && wait_.outcome != DBWriterOutcome::kOwnThread;
}

DBAutocommitWriter::~DBAutocommitWriter() {
    if (held_) DBreleaseWriter();
}
