// The catalogue's collations as a SQLite loadable extension, for the stock
// sqlite3 shell:  .load <build>/bin/libkelcollations  then  PRAGMA integrity_check;
#include <sqlite3ext.h>

#include "platform/db/KelCollations.h"

SQLITE_EXTENSION_INIT1

extern "C" __attribute__((visibility("default"))) int sqlite3_kelcollations_init(sqlite3* db, char**,
                                                                                    const sqlite3_api_routines* api) {
    SQLITE_EXTENSION_INIT2(api);
    int rc = sqlite3_create_collation(db, kel::db::kTextCollation, SQLITE_UTF8, nullptr, kel::db::compareText);
    if (rc == SQLITE_OK)
        rc = sqlite3_create_collation(db, kel::db::kLsnCollation, SQLITE_UTF8, nullptr, kel::db::compareLsn);
    return rc;
}
