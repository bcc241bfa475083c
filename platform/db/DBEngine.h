// The SQLite side of the database library: catalogue connections with the
// catalogue's collations and pragmas, the schema, and the rewriting of ODBC
// timestamp literals into the stored date form.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/db/DBHandles.h"

struct sqlite3;
struct sqlite3_stmt;

namespace kel::tsql {
class BatchRunner;
}

// One connection to the catalogue, with two caches of prepared statements:
// the library's own statements, one per table and shape, kept for the
// connection's life; and caller texts after parameterisation, a few dozen,
// dropped whole when full. A cached statement is handed out reset and must
// be handed back reset (sqlite3_reset after its last step).
class DBConnection {
public:
    // Opens $KEL_HOME/catalogue.db, creating it with the schema when new.
    // Null with error set when it cannot be opened.
    static DBConnection* open(std::string& error);
    // As open, but first takes an idle connection of the process to the same
    // catalogue file, whichever thread left it: a record or transaction
    // without one of its own need not open the catalogue again (an open
    // costs far more than a lookup). A forked child opens its own.
    static DBPooledConnection take(std::string& error);
    // The connection the writers of this process share, for the holder of
    // the catalogue's writer only (DBacquireWriter): one writer after
    // another, on whatever thread, finds its page cache as the last one left
    // it, instead of reading again what another connection wrote. Handed
    // back idle (released through the recycler) it waits for the next
    // writer; one handed back busy stays its holder's (see keepAsOwn).
    static DBPooledConnection takeWriter(std::string& error);
    // Whether this is the writers' shared connection.
    bool writers() const { return writers_; }
    // Makes the writers' connection an ordinary one of its holder: the
    // writers open another.
    void keepAsOwn() { writers_ = false; }
    // Idle, not in a transaction, no statement stepping: fit to hand on.
    bool reusable() const;
    ~DBConnection();
    DBConnection(const DBConnection&) = delete;
    DBConnection& operator=(const DBConnection&) = delete;

    sqlite3* db() const { return db_; }
    // Unique in the process for the connection's life: a statement a record
    // remembers is this connection's only while the serial and textEpoch agree.
    unsigned long long serial() const { return serial_; }
    unsigned long long textEpoch() const { return textEpoch_; }
    // A prepared statement for a caller's text (already rewritten and
    // parameterised); the connection keeps it until its text cache is
    // dropped. Null with the SQLite code in rc on failure.
    sqlite3_stmt* cached(const std::string& sql, int& rc);
    // A statement the library generated (fixed text per table and shape);
    // kept for the connection's life.
    sqlite3_stmt* shaped(const std::string& sql, int& rc);
    // The T-SQL runner of this connection, made on first use; it goes
    // before the connection closes.
    kel::tsql::BatchRunner& runner();

    // A statement of a fixed text (values bound, never written in), kept for
    // the connection's life and lent to one user at a time. Null with rc
    // SQLITE_OK when that text's is lent already or the connection keeps
    // enough: the caller prepares one of its own. Handed back reset.
    sqlite3_stmt* lend(const char* sql, int& rc);
    void giveBack(sqlite3_stmt* stmt);
    // The connection whose handle db is; null when it is none of ours.
    static DBConnection* of(sqlite3* db);

private:
    friend struct DBConnectionRecycler;
    explicit DBConnection(sqlite3* db);
    sqlite3_stmt* prepare(std::unordered_map<std::string, sqlite3_stmt*>& cache, const std::string& sql, int& rc);
    // Whether this connection was opened on the catalogue now at the home's path.
    bool sameCatalogue(const std::string& path, bool known, unsigned long long device, unsigned long long inode) const;

    sqlite3* db_;
    unsigned long long serial_;
    unsigned long long textEpoch_ = 0;
    std::string path_;  // the catalogue file, and its identity when opened
    unsigned long long device_ = 0, inode_ = 0;
    bool writers_ = false;
    std::unordered_map<std::string, sqlite3_stmt*> cache_;
    std::unordered_map<std::string, sqlite3_stmt*> shaped_;
    std::unordered_map<std::string, sqlite3_stmt*> lendable_;
    std::unordered_set<sqlite3_stmt*> lent_;
    std::unique_ptr<kel::tsql::BatchRunner> runner_;
};

// Opens a catalogue connection at path with collations KELTEXT and KELLSN,
// WAL, synchronous FULL, foreign keys on and the busy timeout; creates the
// schema when the file is new. SQLite result code; error text on failure.
int DBopenCatalogue(const std::string& path, sqlite3** db, std::string& error);

// The busy timeout of new connections, in milliseconds.
void DBsetBusyTimeout(int milliseconds);
int DBbusyTimeout();

// Replaces {ts'YYYY-MM-DD HH:MM:SS'} and {ts+'...+'} outside string literals
// with the quoted stored form. False with error set for a malformed or
// all-zero literal.
bool DBrewriteTimestamps(const std::string& sql, std::string& out, std::string& error);

// Replaces the integer and text literals of sql (outside names and comments)
// with parameters, so that statements that differ only in their values share
// one prepared statement. The values are appended to params in order.
void DBparameterize(std::string_view sql, std::string& out, std::vector<DBParam>& params);

// Whether c continues a name for DBparameterize: a number run into one is
// part of the name, not a literal.
bool DBisNameChar(char c);

// Binds params to stmt from parameter index first on; SQLite result code.
int DBbindParams(sqlite3_stmt* stmt, int first, const std::vector<DBParam>& params);

// The written part of the catalogue schema (generated from
// platform/db/schema/*.sql); the catalogue's own tables come from their
// descriptions (DBTableSchema.h) and are created before it.
extern const char* const kKelCatalogueSchema;
