// Where a catalogue record's either-side operation runs, and the transaction
// its reads join. Shared by the record classes; internal to the library.
#pragma once

#include <cstdint>

#include "KelSQL/KelSQLClassProperties.h"
#include "ReadSnapshot.h"

namespace kelsql::record {

enum class Where { Local, Remote, Neither };

// Here on the Ostrel, or on an agent that needs no connection; sent from any
// other agent.
inline Where placeOf(KelSQLClassProperties& ctx, const KelNetMessage& message) {
    if (ctx.isServerOperations()) return Where::Local;
    if (ctx.isClientOperations()) return message.connectionNeeded() ? Where::Remote : Where::Local;
    return Where::Neither;
}

// Reads join the caller's transaction when one is started, else the read
// snapshot current on this thread (ReadSnapshot.h), if any.
inline DBtran* transactionOf(KelSQLClassProperties& ctx) {
    return ctx.isTransactionStarted() ? ctx.getDBTransaction() : ReadSnapshot::current();
}

// Catalogue columns are 32-bit: ids and times read back unsigned.
inline unsigned long column(int32_t value) { return static_cast<unsigned long>(static_cast<uint32_t>(value)); }

}  // namespace kelsql::record
