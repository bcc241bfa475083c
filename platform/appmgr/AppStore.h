// The application manager's access to its own tables in the catalogue
// database: a connection (the caller's transaction's, else one of its own)
// and statements whose values are always bound, never written into the text.
#pragma once

#include <memory>
#include <string>

#include "platform/db/DBHandles.h"
#include "platform/db/DBSavepoint.h"
#include "platform/db/DBWriterQueue.h"
#include "platform/events/KelLastError.h"

struct sqlite3;
struct sqlite3_stmt;
class DBConnection;
class DBtran;

namespace kel::appmgr {

// Error numbers of the application manager (texts in the error catalogue).
constexpr int kAppErrTessel = 0x0A000040;      // no such Tessel
constexpr int kAppErrClient = 0x0A000041;      // no such client
constexpr int kAppErrNoHost = 0x0A000042;      // client without a network host name
constexpr int kAppErrInstance = 0x0A000043;    // no such instance
constexpr int kAppErrApplication = 0x0A000044; // no such application id
constexpr int kAppErrAppType = 0x0A000045;     // unknown application type
constexpr int kAppErrDatabase = 0x0A000046;    // the catalogue database failed
constexpr int kAppErrArgument = 0x0A000047;    // a required name or id is missing
constexpr int kAppErrExists = 0x0A000048;      // a client or instance of that name exists
constexpr int kAppErrBackupSet = 0x0A000049;   // no such backup set
constexpr int kAppErrProperty = 0x0A00004A;    // the subclient has no such property
constexpr int kAppErrInstallDb = 0x0A00004B;   // the installation database refused
constexpr int kAppErrSystemOS = 0x0A00004C;    // no such operating system
// createApplicationId on an application id that is already registered.
constexpr int kAppIdExists = 50209;

// Where one operation works: the transaction's connection when one is given,
// else a connection the owner opens once and keeps.
class AppConnection {
public:
    AppConnection();
    ~AppConnection();
    AppConnection(const AppConnection&) = delete;
    AppConnection& operator=(const AppConnection&) = delete;

    // Null with error set when the catalogue cannot be opened.
    sqlite3* db(DBtran* tran, KelLastError& error, const char* signature);

private:
    DBPooledConnection own_;
};

// One prepared statement; every value is bound by position (from 1 on).
class AppStatement {
public:
    AppStatement(sqlite3* db, const char* sql);
    ~AppStatement();
    AppStatement(const AppStatement&) = delete;
    AppStatement& operator=(const AppStatement&) = delete;

    AppStatement& bind(long long value);
    AppStatement& bind(const std::string& value);
    AppStatement& bindNull();

    // 0 a row, 100 no (further) row, else SQLite's code (text: errorText()).
    // A write outside a transaction waits its turn for the catalogue's
    // writer first; refused, it is SQLITE_BUSY and runs nothing.
    int step();
    long long integer(int column) const;
    std::string text(int column) const;
    std::string errorText() const;

private:
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
    DBConnection* lender_ = nullptr;  // whose kept statement stmt_ is, if any
    int prepareCode_ = 0;  // SQLITE_OK
    int next_ = 1;
    std::string refusal_;  // why the writer was refused, when it was
};

// Sets error to number with the signature, and a detail when there is one.
int appFail(KelLastError& error, int number, const char* signature, const std::string& detail = "");

// A statement's failure as the manager's database error.
int appDbFail(KelLastError& error, const char* signature, const AppStatement& statement);

// Several writes that stand or fall together, inside the caller's transaction
// or on their own (then holding the catalogue's writer until it ends).
using AppSavepoint = DBSavepoint;

// Ids are positive 32-bit numbers; anything else names no row.
inline bool appValidId(unsigned long id) { return id != 0 && id <= 0x7FFFFFFFUL; }
inline unsigned long appToId(long long value) { return value > 0 ? static_cast<unsigned long>(value) : 0; }

// Reads the one row of sql (which takes the id as its only parameter) and
// hands it to fill. 0; notFound when there is no such row; else the database
// error. The error record says which.
template <typename Fill>
int appLoadById(AppConnection& connection, DBtran* tran, KelLastError& error, const char* signature,
                const char* sql, unsigned long id, int notFound, Fill fill) {
    error.clear();
    if (!appValidId(id)) return appFail(error, notFound, signature, std::to_string(id));
    sqlite3* db = connection.db(tran, error, signature);
    if (!db) return static_cast<int>(error.number());
    AppStatement statement(db, sql);
    int rc = statement.bind(static_cast<long long>(id)).step();
    if (rc == 100) return appFail(error, notFound, signature, std::to_string(id));
    if (rc != 0) return appDbFail(error, signature, statement);
    fill(statement);
    return 0;
}

// A named row looked up by id (Row::lookup); its getters look it up first
// when that has not happened yet.
template <typename Row>
class AppNamedRow {
public:
    unsigned long getId() const { return id_; }
    int getName(std::string& name, DBtran* tran = nullptr) { return read(name_, name, tran); }
    const KelLastError& getLastError() const { return error_; }

protected:
    explicit AppNamedRow(unsigned long id) : id_(id) {}

    template <typename Fill>
    int load(DBtran* tran, const char* signature, const char* sql, int notFound, Fill fill) {
        found_ = false;
        int rc = appLoadById(connection_, tran, error_, signature, sql, id_, notFound, fill);
        found_ = rc == 0;
        return rc;
    }
    template <typename T>
    int read(const T& member, T& out, DBtran* tran) {
        if (!found_ && static_cast<Row*>(this)->lookup(tran) != 0) return static_cast<int>(error_.number());
        out = member;
        return 0;
    }

    unsigned long id_;
    bool found_ = false;
    std::string name_;
    AppConnection connection_;
    KelLastError error_;
};

}  // namespace kel::appmgr
