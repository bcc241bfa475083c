// What the file-group and file records share: where an either-side
// operation runs, the transaction a read joins, how a 32-bit column reads
// back, and the errors they raise. Internal to the catalogue library.
#pragma once

#include <strings.h>

#include <cstdint>
#include <string>

#include "../Records/FieldCopy.h"
#include "../Records/RecordPlace.h"
#include "Db/Tbl/sqlDatabase.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLErrors.h"
#include "KelSQL/KelSQLLookups.h"
#include "ParentIds.h"
#include "platform/db/DBtable.h"
#include "platform/db/SqlText.h"
#include "platform/live/KelLiveSqlServer.h"

namespace kelsql::record {

inline bool fail(KelLastError& err, uint64_t number, const char* signature) {
    err.setNumber(number);
    err.addArgument(signature);
    return false;
}

inline bool catalogueError(KelLastError& err, const char* signature, DBtable& table, long long code) {
    err.setNumber(kErrRowOperation);
    err.addArgument(signature);
    err.addArgument(table.getpDescribe());
    err.addArgument(table.getErrorStr(static_cast<int>(code)));
    return false;
}

// The SET list table built, run over the row its where text names; nothing
// set is nothing run. A text longer than its column is refused here, with
// 0x1E000037 naming the column, before any SQL runs; a failed run is
// 0x1E000033 as above. code keeps the database's answer.
template <typename Table>
bool runUpdateClause(KelLastError& err, const char* signature, Table& table, long long& code) {
    code = 0;
    if (!table.clauseFits(err, signature)) return false;
    if (table.getUpdateClause().empty()) return true;
    const std::string set = table.getUpdateClause();
    code = table.rowUpdate(set.c_str());
    return code == 0 || catalogueError(err, signature, table, code);
}

// One row of Record in the caller's transaction, by where (the first row
// without one), handed to copy; else 0x1E000033 with signature, the table and
// the database's text. code keeps the database's answer either way.
template <typename Record, typename Copy>
bool readRow(KelLastError& err, KelSQLClassProperties& ctx, const char* where, const char* signature, long long& code,
             Copy copy) {
    Record record(transactionOf(ctx));
    if (where) record.setWhere("%s", where);
    code = record.getOneRow(&record, false, -1, 0);
    if (code != 0) return catalogueError(err, signature, record, code);
    copy(*record.getDataPtr());
    return true;
}

// The row fill (false: refused, err set) writes over the one where names (its catalogue id without a
// where text) in the started transaction, with the SET list values or the
// whole row, and is handed back to copy as the database then holds it.
template <typename Record, typename Fill, typename Copy>
bool updateRow(KelLastError& err, KelSQLClassProperties& ctx, const char* where, const char* values,
               const char* signature, long long& code, Fill fill, Copy copy) {
    Record record(ctx.getDBTransaction());
    // A fill that refuses a text has set err already.
    if (!fill(*record.getDataPtr())) return false;
    if (where) record.setWhere("%s", where);
    code = record.rowUpdate(values);
    if (code != 0) return catalogueError(err, signature, record, code);
    copy(*record.getDataPtr());
    return true;
}

// The live instance an agent-side record reads: the context's data source.
inline kel::live::LiveTarget liveTarget(KelSQLClassProperties& ctx) {
    return {ctx.virtualMachine(), ctx.getSQLDSN().sqlServerName()};
}

// Names compare as SQL Server compares them here: without regard to case.
inline bool sameText(const std::string& a, const std::string& b) {
    return a.size() == b.size() && strncasecmp(a.c_str(), b.c_str(), a.size()) == 0;
}

}  // namespace kelsql::record
