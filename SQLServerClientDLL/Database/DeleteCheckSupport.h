// What the three deletion probes share on both sides.
#pragma once

#include <string>

#include "KelSQL/KelNetSQLDeleteCheck.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLDateAndTime.h"
#include "KelSQL/KelSQLErrors.h"
#include "RecordSupport.h"

namespace kelsql::deletecheck {

// The Ostrel's checks run where the catalogue is read without a connection,
// inside a started transaction.
inline bool checkPlace(KelSQLClassProperties& ctx, const KelNetMessage& message, KelLastError& err,
                       const char* signature) {
    if (record::placeOf(ctx, message) != record::Where::Local) return record::fail(err, kErrOstrelSideOnly, signature);
    return true;
}
inline bool inTransaction(KelSQLClassProperties& ctx, KelLastError& err, const char* signature) {
    return record::transactionOf(ctx) != nullptr || record::fail(err, kErrTranRequired, signature);
}

// The agent host's answer from its lookup by name: the request back with
// RemovalTime 0 when the object was found, the current time when the lookup
// found no such object (sqlCode 100). Any other failure fails the probe.
inline bool answer(bool found, long long sqlCode, KelLastError& lookupError, KelLastError& err,
                   const KelNetSQLDatabaseDeleteCheck_t& request, KelNetSQLDatabaseDeleteCheck_t& response) {
    if (!found && sqlCode != 100) {
        err = lookupError;
        return false;
    }
    response = request;
    KelSQLDateAndTime now;
    response.RemovalTime = found ? 0 : now.setCurrent();
    return true;
}

}  // namespace kelsql::deletecheck
