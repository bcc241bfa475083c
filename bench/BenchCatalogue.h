// What the catalogue benchmarks share: a connection to the catalogue of the
// platform home and statements that must succeed while the rows are built.
#pragma once

#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/db/DBEngine.h"
#include "platform/util/KelHome.h"

namespace kel::bench {

inline void execOrDie(sqlite3* db, const std::string& sql) {
    char* msg = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &msg) != SQLITE_OK) {
        std::fprintf(stderr, "%s: %s\n", sql.c_str(), msg ? msg : "");
        std::exit(1);
    }
}

inline sqlite3* openCatalogue() {
    sqlite3* db = nullptr;
    std::string error;
    if (DBopenCatalogue(kel::homePath("catalogue.db"), &db, error) != SQLITE_OK) {
        std::fprintf(stderr, "catalogue: %s\n", error.c_str());
        std::exit(1);
    }
    return db;
}

}  // namespace kel::bench
