// The SQLite side of the database library: catalogue connections with the
// catalogue's collations and pragmas, the schema, and the rewriting of ODBC
// timestamp literals into the stored date form.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace kel::tsql {
class BatchRunner;
}

// One connection to the catalogue, with a small cache of prepared statements
// (the library's binding statements repeat; texts with literals rarely do).
class DBConnection {
public:
    // Opens $KEL_HOME/catalogue.db, creating it with the schema when new.
    // Null with error set when it cannot be opened.
    static DBConnection* open(std::string& error);
    ~DBConnection();
    DBConnection(const DBConnection&) = delete;
    DBConnection& operator=(const DBConnection&) = delete;

    sqlite3* db() const { return db_; }
    // A prepared statement for sql (already rewritten), reset and unbound;
    // the connection keeps it. Null with the SQLite code in rc on failure.
    sqlite3_stmt* cached(const std::string& sql, int& rc);
    // The T-SQL runner of this connection, made on first use; it goes
    // before the connection closes.
    kel::tsql::BatchRunner& runner();

private:
    explicit DBConnection(sqlite3* db);
    sqlite3* db_;
    std::unordered_map<std::string, sqlite3_stmt*> cache_;
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

// A literal lifted out of a statement text by DBparameterize.
struct DBParam {
    bool isText;
    long long number;
    std::string text;
};

// Replaces the integer and text literals of sql (outside names and comments)
// with parameters, so that statements that differ only in their values share
// one prepared statement. The values are appended to params in order.
void DBparameterize(const std::string& sql, std::string& out, std::vector<DBParam>& params);

// Binds params to stmt from parameter index first on; SQLite result code.
int DBbindParams(sqlite3_stmt* stmt, int first, const std::vector<DBParam>& params);

// The written part of the catalogue schema (generated from
// platform/db/schema/*.sql); the catalogue's own tables come from their
// descriptions (DBTableSchema.h) and are created before it.
extern const char* const kKelCatalogueSchema;
