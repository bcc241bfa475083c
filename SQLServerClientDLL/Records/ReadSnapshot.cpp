#include "ReadSnapshot.h"

namespace kelsql::record {

namespace {
thread_local DBtran* g_current = nullptr;
}

ReadSnapshot::ReadSnapshot(KelSQLClassProperties& ctx) {
    if (ctx.isTransactionStarted() || g_current) return;
    tran_.emplace(false);
    // Deferred: no lock is taken until the first read.
    tran_->setIsolationType(4);
    if (tran_->startTran() != 0) {
        tran_.reset();  // each statement then reads alone, as without it
        return;
    }
    g_current = &*tran_;
}

ReadSnapshot::~ReadSnapshot() {
    if (!tran_) return;
    g_current = nullptr;
    if (tran_->commitTran() != 0 && tran_->isStarted()) tran_->rollbackTran();
}

DBtran* ReadSnapshot::current() { return g_current; }

}  // namespace kelsql::record
