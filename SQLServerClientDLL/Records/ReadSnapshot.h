// One snapshot for an answer read in many statements.
#pragma once

#include <optional>

#include "KelSQL/KelSQLClassProperties.h"
#include "platform/db/DBtable.h"

namespace kelsql::record {

// While one lives on this thread, the records of a context that has no
// transaction started read in this one: one connection and one snapshot for
// the whole answer, instead of a connection and a read transaction per
// statement. Where the context has a transaction, or a snapshot is current
// already, it does nothing. It ends with a commit, so that a write made in
// it (none is meant to be) is never lost.
class ReadSnapshot {
public:
    explicit ReadSnapshot(KelSQLClassProperties& ctx);
    ~ReadSnapshot();
    ReadSnapshot(const ReadSnapshot&) = delete;
    ReadSnapshot& operator=(const ReadSnapshot&) = delete;

    // The snapshot current on this thread; null when none.
    static DBtran* current();

private:
    std::optional<DBtran> tran_;  // only when this one is current
};

}  // namespace kelsql::record
