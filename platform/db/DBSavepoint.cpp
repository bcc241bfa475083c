#include "platform/db/DBSavepoint.h"

#include <sqlite3.h>

namespace {

int run(sqlite3* db, const char* sql) {
    if (!db) return SQLITE_MISUSE;
    char* message = nullptr;
    int rc = sqlite3_exec(db, sql, nullptr, nullptr, &message);
    sqlite3_free(message);
    return rc;
}

}  // namespace

int DBSavepoint::begin(sqlite3* db) { return run(db, "SAVEPOINT kel_write"); }

int DBSavepoint::keep(sqlite3* db) { return run(db, "RELEASE kel_write"); }

// ROLLBACK TO leaves the savepoint open: it is released empty.
int DBSavepoint::undo(sqlite3* db) {
    int rc = run(db, "ROLLBACK TO kel_write");
    return rc == SQLITE_OK ? keep(db) : rc;
}

DBSavepoint::DBSavepoint(sqlite3* db) : db_(db), writer_(db, nullptr) {
    started_ = !writer_.refused() && begin(db_) == SQLITE_OK;
}

std::string DBSavepoint::errorText() const {
    if (writer_.refused()) return writer_.why();
    return db_ ? sqlite3_errmsg(db_) : "no catalogue connection";
}

DBSavepoint::~DBSavepoint() {
    if (started_ && !done_) undo(db_);
}

int DBSavepoint::release() {
    if (!started_) return SQLITE_MISUSE;
    done_ = true;
    return keep(db_);
}
