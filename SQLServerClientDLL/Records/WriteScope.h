// The writes of one operation that stand or fall together in the caller's
// transaction. Internal to the library.
#pragma once

#include "KelSQL/KelSQLClassProperties.h"
#include "platform/events/KelLastError.h"

namespace kelsql {

enum class SavepointStep { Begin, Keep, Undo };

// One savepoint step in ctx's own started catalogue transaction; false with
// err set: 0x1E000041 without a transaction, else the transaction error of
// the step (start, commit, rollback) with signature and the database's text.
bool savepointHere(KelSQLClassProperties& ctx, SavepointStep step, KelLastError& err, const char* signature);

// open() sets a savepoint in the transaction that takes the operation's
// writes: the context's own catalogue transaction, or, on an agent, the
// Ostrel's through the network transaction; with neither started there is
// nothing to guard, each write refusing to run. Unless keep() succeeds, the
// scope's end undoes what was written after open(), so that a refusal part
// way leaves the caller's transaction as it was and the operation can be
// retried in it. Scopes nest.
class WriteScope {
public:
    explicit WriteScope(KelSQLClassProperties& ctx) : ctx_(ctx) {}
    ~WriteScope();
    WriteScope(const WriteScope&) = delete;
    WriteScope& operator=(const WriteScope&) = delete;

    bool open(KelLastError& err, const char* signature);
    bool keep(KelLastError& err, const char* signature);

private:
    enum class Place { None, Here, Ostrel };
    bool step(SavepointStep step, KelLastError& err, const char* signature);

    KelSQLClassProperties& ctx_;
    Place place_ = Place::None;
};

}  // namespace kelsql
