// Writes that stand or fall together on one catalogue connection: inside the
// connection's transaction, an undone savepoint takes back only what was
// written after it began, and the transaction goes on as it was; outside
// one, the savepoint is a transaction of its own, holding the catalogue's
// writer (DBWriterQueue.h) from its start to its end.
#pragma once

#include <string>

#include "platform/db/DBWriterQueue.h"

struct sqlite3;

class DBSavepoint {
public:
    // Begins the savepoint; started() says whether it did.
    explicit DBSavepoint(sqlite3* db);
    ~DBSavepoint();  // undoes unless released
    DBSavepoint(const DBSavepoint&) = delete;
    DBSavepoint& operator=(const DBSavepoint&) = delete;

    bool started() const { return started_; }
    // Why it did not start.
    std::string errorText() const;
    // Keeps what was written; SQLite's result code.
    int release();

    // The three steps alone, for a savepoint that outlives one call (one a
    // network transaction's peer asks for): SQLite's result code. Savepoints
    // nest; each step acts on the innermost one still open.
    static int begin(sqlite3* db);
    static int keep(sqlite3* db);
    static int undo(sqlite3* db);

private:
    sqlite3* db_;
    DBAutocommitWriter writer_;  // taken only outside a transaction; let go after the savepoint ends
    bool started_ = false;
    bool done_ = false;
};
