// Forced deletion of one database's catalogue rows, used by the instance's
// forced deletion and the Ostrel removal entry points until the database
// record offers its own (KelSQLDatabase::forceDeletion), which replaces it.
// Internal to the catalogue library.
#pragma once

#include "KelSQL/KelSQLClassProperties.h"
#include "platform/events/KelLastError.h"

namespace kelsql {

// In ctx's started transaction: the database's restore tasks, backup sets,
// log marks and file subclients, its file groups with their files, then its
// row. A database already gone is no failure. Without systemToo, "master"
// and SQL Server database id 1 are refused (0x1E0000A4).
bool forceDeleteDatabaseRows(KelSQLClassProperties& ctx, unsigned long sqlDatabaseId, bool systemToo,
                             KelLastError& err);

}  // namespace kelsql
