// The catalogue's writer within one process: one holder at a time, the
// others served first come, first served. The holder hands the writer to the
// next in line when it lets go, so a writer that waits is woken once, when
// its turn comes, and never polls. SQLite's write lock stays underneath as
// the guard against other processes that open the catalogue.
//
// A waiter gives up only when the holder has held the writer for the
// waiter's limit without letting go (a stalled holder), however long the
// line ahead of it is while it moves; or when whoever asked has gone (see
// DBWriterWatch).
#pragma once

#include <string>

struct sqlite3;
struct sqlite3_stmt;

enum class DBWriterOutcome {
    kGranted,
    kStalled,      // the holder held the writer for the limit without ending
    kAbandoned,    // the thread's watch said whoever asked has gone
    kOwnThread,    // this thread holds the writer already: waiting would never end
};

struct DBWriterWait {
    DBWriterOutcome outcome = DBWriterOutcome::kGranted;
    long long heldMs = 0;  // how long the holder had held the writer when the wait ended
    // Why a wait did not end with the writer, for an error text.
    std::string refusal() const;
};

// Joins the line and waits for the writer; on kGranted the caller holds it
// and must hand it on with DBreleaseWriter.
DBWriterWait DBacquireWriter(int stallLimitMs);
void DBreleaseWriter();
// How many wait in line now.
int DBwritersWaiting();

// While one lives, a wait for the writer on its thread also ends (kAbandoned)
// once gone(arg) says whoever asked for the writer has gone. The check runs
// a few times a second, outside the line's lock. Watches nest.
class DBWriterWatch {
public:
    using Gone = bool (*)(void* arg);
    DBWriterWatch(Gone gone, void* arg);
    ~DBWriterWatch();
    DBWriterWatch(const DBWriterWatch&) = delete;
    DBWriterWatch& operator=(const DBWriterWatch&) = delete;

private:
    Gone previousGone_;
    void* previousArg_;
};

// The writer for one write outside a transaction: taken when db is in
// autocommit mode and stmt writes (a null stmt: what follows opens a
// transaction that writes), handed on at the end of the scope. The limit is
// the busy timeout. A thread that holds the writer already takes no turn:
// SQLite's lock answers it, as it answers another process.
class DBAutocommitWriter {
public:
    DBAutocommitWriter(sqlite3* db, sqlite3_stmt* stmt);
    ~DBAutocommitWriter();
    DBAutocommitWriter(const DBAutocommitWriter&) = delete;
    DBAutocommitWriter& operator=(const DBAutocommitWriter&) = delete;

    // The write must not run: the writer was refused (why() says why).
    bool refused() const { return refused_; }
    std::string why() const { return wait_.refusal(); }

private:
    DBWriterWait wait_;
    bool held_ = false;
    bool refused_ = false;
};
