#include "platform/db/DBEngine.h"

#include <sqlite3.h>

#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <shared_mutex>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/db/DBTableSchema.h"
#include "platform/db/KelCollations.h"
#include "platform/db/tsql/BatchRunner.h"
#include "platform/util/KelHome.h"
#include "platform/util/SqlQuote.h"

namespace {

std::atomic<int> g_busyTimeoutMs{10000};

int execAll(sqlite3* db, const char* sql, std::string& error) {
    char* msg = nullptr;
    int rc = sqlite3_exec(db, sql, nullptr, nullptr, &msg);
    if (rc != SQLITE_OK) {
        error = msg ? msg : sqlite3_errstr(rc);
    }
    sqlite3_free(msg);
    return rc;
}

int schemaVersion(sqlite3* db, int& version) {
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &stmt, nullptr);
    if (rc != SQLITE_OK) return rc;
    rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW) {
        version = sqlite3_column_int(stmt, 0);
        rc = SQLITE_OK;
    }
    sqlite3_finalize(stmt);
    return rc;
}

// The catalogue's tables from their descriptions, then the written schema:
// the platform's tables, the indexes and the procedures that need them.
int createSchema(sqlite3* db, std::string& error) {
    for (int t = 0; t < kKelCatalogueTableCount; ++t) {
        std::string sql;
        if (!DBcreateTableSql(kKelCatalogueTables[t], sql, error)) return SQLITE_ERROR;
        int rc = execAll(db, sql.c_str(), error);
        if (rc != SQLITE_OK) return rc;
    }
    return execAll(db, kKelCatalogueSchema, error);
}

// 2: the history indexes that pruning seeks on.
// 3: the history indexes that chains and time lookups seek on.
// 5: the password columns hold the sealed form of a 511-character password.
constexpr int kSchemaVersion = 5;

// The described tables whose columns a version changed: a catalogue older
// than that version has them made again from their descriptions.
struct Remade {
    int version;
    const char* table;
};
constexpr Remade kRemade[] = {{5, "sqlServer"}, {5, "sqlRestoreTask"}};

// The table's AUTOINCREMENT sequence, when it has one: -1 when none.
int sequenceOf(sqlite3* db, const std::string& table, long long& seq) {
    seq = -1;
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(db, "SELECT seq FROM sqlite_sequence WHERE name = ?1", -1, &stmt, nullptr);
    if (rc != SQLITE_OK) return rc;
    sqlite3_bind_text(stmt, 1, table.c_str(), -1, SQLITE_TRANSIENT);
    rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW) seq = sqlite3_column_int64(stmt, 0);
    sqlite3_finalize(stmt);
    return rc == SQLITE_ROW || rc == SQLITE_DONE ? SQLITE_OK : rc;
}

// SQLite cannot change a column's CHECK in place: the table is made again
// under another name from its description, takes every row, and replaces
// the old one, keeping the highest id it ever gave out; its indexes come
// back with the written schema. Runs inside the upgrade's transaction, with
// foreign keys off, so that the rows referring to the table stay as they are.
int remakeTable(sqlite3* db, const DBTableSchema& table, std::string& error) {
    const std::string name = table.name, made = std::string("kel_remade_") + table.name;
    DBTableSchema renamed = table;
    renamed.name = made.c_str();
    std::string sql;
    if (!DBcreateTableSql(renamed, sql, error)) return SQLITE_ERROR;
    std::string columns;
    for (int i = 0; i < table.layout->columnCount; ++i)
        columns += (i ? ", " : "") + std::string(table.layout->columns[i].name);
    long long seq = -1;
    int rc = sequenceOf(db, name, seq);
    if (rc == SQLITE_OK) rc = execAll(db, sql.c_str(), error);
    if (rc == SQLITE_OK)
        rc = execAll(db, ("INSERT INTO " + made + " (" + columns + ") SELECT " + columns + " FROM " + name).c_str(),
                     error);
    if (rc == SQLITE_OK)
        rc = execAll(db, ("DROP TABLE " + name + "; ALTER TABLE " + made + " RENAME TO " + name).c_str(), error);
    if (rc == SQLITE_OK && seq >= 0)
        rc = execAll(db, ("DELETE FROM sqlite_sequence WHERE name = " + kel::sql::quoted(name) +
                          "; INSERT INTO sqlite_sequence (name, seq) VALUES (" + kel::sql::quoted(name) + ", " +
                          std::to_string(seq) + ")").c_str(),
                     error);
    return rc;
}

int remakeTables(sqlite3* db, int version, std::string& error) {
    for (const Remade& r : kRemade) {
        if (r.version <= version) continue;
        const DBTableSchema* table = nullptr;
        for (int t = 0; t < kKelCatalogueTableCount && !table; ++t)
            if (std::strcmp(kKelCatalogueTables[t].name, r.table) == 0) table = &kKelCatalogueTables[t];
        if (!table) {
            error = std::string("no description of table ") + r.table;
            return SQLITE_ERROR;
        }
        const int rc = remakeTable(db, *table, error);
        if (rc != SQLITE_OK) return rc;
    }
    return SQLITE_OK;
}

// Creates the schema once, or brings an older catalogue's schema up to date
// (every statement of the written schema may run again); the check is
// repeated under the write lock so that two first openers do not both run
// it. Foreign keys are off meanwhile (a pragma a transaction cannot change).
int ensureSchema(sqlite3* db, std::string& error) {
    int version = 0;
    int rc = schemaVersion(db, version);
    if (rc != SQLITE_OK || version >= kSchemaVersion) return rc;
    std::string ignored;
    rc = execAll(db, "PRAGMA foreign_keys = OFF", error);
    if (rc == SQLITE_OK) rc = execAll(db, "BEGIN IMMEDIATE", error);
    if (rc != SQLITE_OK) {
        execAll(db, "PRAGMA foreign_keys = ON", ignored);
        return rc;
    }
    rc = schemaVersion(db, version);
    if (rc == SQLITE_OK && version < kSchemaVersion) {
        if (version < 1) {
            rc = createSchema(db, error);
        } else {
            rc = remakeTables(db, version, error);
            if (rc == SQLITE_OK) rc = execAll(db, kKelCatalogueSchema, error);
        }
        if (rc == SQLITE_OK)
            rc = execAll(db, ("PRAGMA user_version = " + std::to_string(kSchemaVersion)).c_str(), error);
    }
    if (rc == SQLITE_OK) {
        rc = execAll(db, "COMMIT", error);
    } else {
        execAll(db, "ROLLBACK", ignored);
    }
    const int on = execAll(db, "PRAGMA foreign_keys = ON", rc == SQLITE_OK ? error : ignored);
    return rc == SQLITE_OK ? on : rc;
}

bool parseTimestamp(const std::string& text, char out[64]) {
    int y, mo, d, h, mi, s;
    char tail = 0;
    int n = std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &y, &mo, &d, &h, &mi, &s, &tail);
    if (n < 6 || (n == 7 && tail != '.')) return false;
    if (y < 1 || y > 9999 || mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 59 ||
        h < 0 || mi < 0 || s < 0)
        return false;
    std::snprintf(out, 64, "%04d-%02d-%02d %02d:%02d:%02d", y, mo, d, h, mi, s);
    return true;
}

}  // namespace

void DBsetBusyTimeout(int milliseconds) { g_busyTimeoutMs = milliseconds; }
int DBbusyTimeout() { return g_busyTimeoutMs; }

int DBopenCatalogue(const std::string& path, sqlite3** out, std::string& error) {
    *out = nullptr;
    // The catalogue holds the sealed logins and the whole backup history: a
    // new one is its owner's alone (SQLite gives its journal files the
    // database file's mode).
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) ::close(fd);
    sqlite3* db = nullptr;
    // A connection serves one thread at a time (the idle pool hands it to one
    // thread, a transaction stays with its session's thread), so SQLite's own lock
    // on every call, a good part of a row's cost, protects nothing.
    int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                             nullptr);
    if (rc != SQLITE_OK) {
        error = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        sqlite3_close(db);
        return rc;
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, g_busyTimeoutMs);
    rc = sqlite3_create_collation(db, kel::db::kTextCollation, SQLITE_UTF8, nullptr, kel::db::compareText);
    if (rc == SQLITE_OK)
        rc = sqlite3_create_collation(db, kel::db::kLsnCollation, SQLITE_UTF8, nullptr, kel::db::compareLsn);
    if (rc == SQLITE_OK) rc = execAll(db, "PRAGMA journal_mode = WAL", error);
    if (rc == SQLITE_OK) rc = execAll(db, "PRAGMA synchronous = FULL; PRAGMA foreign_keys = ON", error);
    // Whole-catalogue passes (pruning, tomb-stoning) sort and probe more pages
    // than the default cache holds; spilling them to temporary files makes
    // such a pass grow faster than the catalogue.
    if (rc == SQLITE_OK) rc = execAll(db, "PRAGMA cache_size = -32768; PRAGMA temp_store = MEMORY", error);
    if (rc == SQLITE_OK) rc = ensureSchema(db, error);
    if (rc != SQLITE_OK) {
        if (error.empty()) error = sqlite3_errmsg(db);
        sqlite3_close(db);
        return rc;
    }
    *out = db;
    return SQLITE_OK;
}

namespace {

std::atomic<unsigned long long> g_connectionSerial{0};

// Idle connections of the process, newest last, each handed to one thread at
// a time. Shared rather than kept per thread: a session's thread that reads
// for the first time takes one another session left, instead of opening its
// own (and reading the schema) while it may hold the catalogue's writer.
constexpr size_t kIdleConnections = 16;

struct IdlePool {
    std::mutex mutex;
    std::vector<DBConnection*> idle;
    pid_t pid = 0;  // whose connections they are: a child of fork leaves its parent's alone
    std::vector<DBConnection*> parents;  // a forked child's, left open and unused
    bool gone = false;  // set at exit: a record destroyed after it closes its own

    IdlePool() { idle.reserve(kIdleConnections); }
    // At exit the idle ones are closed (a clean close folds the journal
    // back); a record destroyed later closes its own.
    void close() {
        std::lock_guard<std::mutex> lock(mutex);
        gone = true;
        if (pid == getpid())
            for (DBConnection* c : idle) delete c;
        idle.clear();
    }
    // Under the mutex: the idle list, emptied first in a forked child (its
    // parent's connections are not closed there, which could checkpoint
    // and remove the journal the parent is using).
    std::vector<DBConnection*>* mine() {
        if (gone) return nullptr;
        if (pid != getpid()) {
            parents.insert(parents.end(), idle.begin(), idle.end());
            idle.clear();
            pid = getpid();
        }
        return &idle;
    }
};

// Never destroyed: records may outlive every static.
IdlePool& idlePool() {
    static IdlePool* pool = [] {
        IdlePool* p = new IdlePool;
        std::atexit([] { idlePool().close(); });
        return p;
    }();
    return *pool;
}

bool fileIdentity(const std::string& path, unsigned long long& device, unsigned long long& inode) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return false;
    device = static_cast<unsigned long long>(st.st_dev);
    inode = static_cast<unsigned long long>(st.st_ino);
    return true;
}

}  // namespace

DBConnection* DBConnection::open(std::string& error) {
    if (!kel::makeFolders(kel::homeDirectory())) {
        error = "cannot create the platform home " + kel::homeDirectory();
        return nullptr;
    }
    sqlite3* db = nullptr;
    std::string path = kel::homePath("catalogue.db");
    if (DBopenCatalogue(path, &db, error) != SQLITE_OK) return nullptr;
    DBConnection* connection = new DBConnection(db);
    connection->path_ = path;
    fileIdentity(path, connection->device_, connection->inode_);
    return connection;
}

// The open connection keeps its file alive, so the same identity at the same
// path is the same catalogue, not a new one in its place.
bool DBConnection::sameCatalogue(const std::string& path, bool known, unsigned long long device,
                                 unsigned long long inode) const {
    return known && path_ == path && device_ == device && inode_ == inode;
}

DBPooledConnection DBConnection::take(std::string& error) {
    IdlePool& pool = idlePool();
    std::string path = kel::homePath("catalogue.db");
    unsigned long long device = 0, inode = 0;
    bool known = false, asked = false;
    for (;;) {
        DBConnection* c = nullptr;
        {
            std::lock_guard<std::mutex> lock(pool.mutex);
            std::vector<DBConnection*>* idle = pool.mine();
            if (idle && !idle->empty()) {
                c = idle->back();
                idle->pop_back();
            }
        }
        if (!c) break;
        if (!asked) {
            known = fileIdentity(path, device, inode);
            asked = true;
        }
        if (c->sameCatalogue(path, known, device, inode)) {
            sqlite3_busy_timeout(c->db_, g_busyTimeoutMs);
            return DBPooledConnection(c);
        }
        delete c;
    }
    return DBPooledConnection(open(error));
}

namespace {

// The writers' connection while no writer has it, and the process that
// opened it: a child of fork must not use its parent's connection.
std::mutex g_writersMutex;
DBConnection* g_writersIdle = nullptr;
pid_t g_writersPid = 0;

}  // namespace

DBPooledConnection DBConnection::takeWriter(std::string& error) {
    DBConnection* c = nullptr;
    {
        std::lock_guard<std::mutex> lock(g_writersMutex);
        if (g_writersPid == getpid()) c = g_writersIdle;
        g_writersIdle = nullptr;  // in a child, the parent's is left alone
    }
    std::string path = kel::homePath("catalogue.db");
    unsigned long long device = 0, inode = 0;
    const bool known = c && fileIdentity(path, device, inode);
    if (c && !c->sameCatalogue(path, known, device, inode)) {
        delete c;
        c = nullptr;
    }
    if (!c) c = open(error);
    if (!c) return DBPooledConnection();
    c->writers_ = true;
    sqlite3_busy_timeout(c->db_, g_busyTimeoutMs);
    return DBPooledConnection(c);
}

void DBConnectionRecycler::operator()(DBConnection* connection) const {
    if (!connection) return;
    if (connection->writers_) {
        std::lock_guard<std::mutex> lock(g_writersMutex);
        if (connection->reusable() && !g_writersIdle) {
            g_writersIdle = connection;
            g_writersPid = getpid();
            return;
        }
        connection->writers_ = false;
    }
    if (connection->reusable()) {
        IdlePool& pool = idlePool();
        std::lock_guard<std::mutex> lock(pool.mutex);
        std::vector<DBConnection*>* idle = pool.mine();
        if (idle && idle->size() < kIdleConnections) {
            idle->push_back(connection);
            return;
        }
    }
    delete connection;
}

bool DBConnection::reusable() const {
    if (!sqlite3_get_autocommit(db_) || path_.empty()) return false;
    for (sqlite3_stmt* s = sqlite3_next_stmt(db_, nullptr); s; s = sqlite3_next_stmt(db_, s))
        if (sqlite3_stmt_busy(s)) return false;
    return true;
}

namespace {

// Every open connection by its handle. Never destroyed: a connection may
// close after every static is gone.
struct Registry {
    std::shared_mutex mutex;
    std::unordered_map<sqlite3*, DBConnection*> byHandle;
};

Registry& registry() {
    static Registry* r = new Registry;
    return *r;
}

}  // namespace

DBConnection* DBConnection::of(sqlite3* db) {
    Registry& r = registry();
    std::shared_lock<std::shared_mutex> lock(r.mutex);
    auto it = r.byHandle.find(db);
    return it == r.byHandle.end() ? nullptr : it->second;
}

DBConnection::DBConnection(sqlite3* db) : db_(db), serial_(++g_connectionSerial) {
    Registry& r = registry();
    std::unique_lock<std::shared_mutex> lock(r.mutex);
    r.byHandle[db] = this;
}

sqlite3_stmt* DBConnection::lend(const char* sql, int& rc) {
    // The application manager's texts are a few dozen; past this many a
    // text is taken for one that will not come again.
    constexpr size_t kLendable = 128;
    rc = SQLITE_OK;
    auto it = lendable_.find(sql);
    sqlite3_stmt* stmt = nullptr;
    if (it != lendable_.end()) {
        stmt = it->second;
    } else {
        if (lendable_.size() >= kLendable) return nullptr;
        stmt = prepare(lendable_, sql, rc);
        if (!stmt) return nullptr;
    }
    if (!lent_.insert(stmt).second) return nullptr;  // in use further up the caller's stack
    return stmt;
}

void DBConnection::giveBack(sqlite3_stmt* stmt) {
    if (!stmt || lent_.erase(stmt) == 0) return;
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
}

DBConnection::~DBConnection() {
    runner_.reset();  // its statements belong to db_
    for (auto& entry : cache_) sqlite3_finalize(entry.second);
    for (auto& entry : shaped_) sqlite3_finalize(entry.second);
    for (auto& entry : lendable_) sqlite3_finalize(entry.second);
    {
        Registry& r = registry();
        std::unique_lock<std::shared_mutex> lock(r.mutex);
        r.byHandle.erase(db_);
    }
    sqlite3_close(db_);
}

kel::tsql::BatchRunner& DBConnection::runner() {
    if (!runner_) runner_.reset(new kel::tsql::BatchRunner(db_));
    return *runner_;
}

sqlite3_stmt* DBConnection::prepare(std::unordered_map<std::string, sqlite3_stmt*>& cache, const std::string& sql,
                                    int& rc) {
    sqlite3_stmt* stmt = nullptr;
    rc = sqlite3_prepare_v3(db_, sql.c_str(), int(sql.size()), SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
    if (rc != SQLITE_OK) return nullptr;
    if (!stmt) {
        rc = SQLITE_MISUSE;
        return nullptr;
    }
    cache.emplace(sql, stmt);
    return stmt;
}

sqlite3_stmt* DBConnection::cached(const std::string& sql, int& rc) {
    auto it = cache_.find(sql);
    if (it != cache_.end()) {
        rc = SQLITE_OK;
        return it->second;
    }
    // Texts with literal values rarely repeat; keep the cache small.
    if (cache_.size() >= 64) {
        for (auto& entry : cache_) sqlite3_finalize(entry.second);
        cache_.clear();
        ++textEpoch_;
    }
    return prepare(cache_, sql, rc);
}

sqlite3_stmt* DBConnection::shaped(const std::string& sql, int& rc) {
    auto it = shaped_.find(sql);
    if (it != shaped_.end()) {
        rc = SQLITE_OK;
        return it->second;
    }
    return prepare(shaped_, sql, rc);
}

namespace {

// The end of a text literal, a quoted name ("..", [..], `..`) or a comment
// that starts at i; i itself when none starts there. Read as SQLite reads
// them: a quote inside a comment opens nothing, and a /* comment left open
// runs to the end.
size_t skipOpaque(std::string_view sql, size_t i) {
    const size_t n = sql.size();
    const char c = sql[i];
    if (c == '-' && i + 1 < n && sql[i + 1] == '-') {
        size_t j = sql.find('\n', i);
        return j == std::string_view::npos ? n : j;
    }
    if (c == '/' && i + 1 < n && sql[i + 1] == '*') {
        size_t j = sql.find("*/", i + 2);
        return j == std::string_view::npos ? n : j + 2;
    }
    if (c != '\'' && c != '"' && c != '[' && c != '`') return i;
    const char close = c == '[' ? ']' : c;
    for (size_t j = i + 1; j < n; ++j) {
        if (sql[j] != close) continue;
        if (close != ']' && j + 1 < n && sql[j + 1] == close) {
            ++j;  // a doubled quote stays inside
            continue;
        }
        return j + 1;
    }
    return n;
}

}  // namespace

bool DBisNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '@' || c == '$' || c == '#' || c == '.';
}

void DBparameterize(std::string_view sql, std::string& out, std::vector<DBParam>& params) {
    out.clear();
    out.reserve(sql.size());
    const size_t n = sql.size();
    size_t i = 0;
    while (i < n) {
        char c = sql[i];
        // Most of a where text is names, blanks and operators: copied as they are.
        if (c != '\'' && c != '"' && c != '[' && c != '`' && c != '-' && c != '/' && (c < '0' || c > '9')) {
            out += c;
            ++i;
            continue;
        }
        if (c == '\'' && !(i > 0 && (sql[i - 1] == 'x' || sql[i - 1] == 'X') && (i < 2 || !DBisNameChar(sql[i - 2])))) {
            std::string text;
            size_t j = i + 1;
            bool closed = false;
            while (j < n) {
                if (sql[j] == '\'') {
                    if (j + 1 < n && sql[j + 1] == '\'') {
                        text += '\'';
                        j += 2;
                        continue;
                    }
                    closed = true;
                    break;
                }
                text += sql[j++];
            }
            if (!closed) {  // leave a broken text for SQLite to report
                out.append(sql.substr(i));
                return;
            }
            params.push_back(DBParam{true, 0, std::move(text)});
            out += '?';
            i = j + 1;
            continue;
        }
        size_t end = skipOpaque(sql, i);  // names, comments and x'..' blobs
        if (end != i) {
            out.append(sql.substr(i, end - i));
            i = end;
            continue;
        }
        if (std::isdigit(static_cast<unsigned char>(c)) && (i == 0 || !DBisNameChar(sql[i - 1]))) {
            size_t j = i;
            long long value = 0;
            // Only 18 digits at most become a parameter, and cannot overflow.
            for (; j < n && std::isdigit(static_cast<unsigned char>(sql[j])); ++j)
                if (j - i < 18) value = value * 10 + (sql[j] - '0');
            bool plain = j - i <= 18 && (j == n || !(DBisNameChar(sql[j])));
            if (plain) {
                params.push_back(DBParam{false, value, std::string()});
                out += '?';
            } else {
                while (j < n && DBisNameChar(sql[j])) ++j;
                out.append(sql.substr(i, j - i));
            }
            i = j;
            continue;
        }
        out += c;
        ++i;
    }
}

int DBbindParams(sqlite3_stmt* stmt, int first, const std::vector<DBParam>& params) {
    int index = first;
    for (const DBParam& param : params) {
        int rc = param.isText ? sqlite3_bind_text(stmt, index, param.text.data(), int(param.text.size()), SQLITE_STATIC)
                              : sqlite3_bind_int64(stmt, index, param.number);
        if (rc != SQLITE_OK) return rc;
        ++index;
    }
    return SQLITE_OK;
}

bool DBrewriteTimestamps(const std::string& sql, std::string& out, std::string& error) {
    out.clear();
    out.reserve(sql.size());
    size_t i = 0;
    const size_t n = sql.size();
    while (i < n) {
        char c = sql[i];
        size_t end = skipOpaque(sql, i);  // texts, names and comments stay
        if (end != i) {
            out.append(sql, i, end - i);
            i = end;
            continue;
        }
        if (c != '{') {
            out += c;
            ++i;
            continue;
        }
        size_t j = i + 1;
        while (j < n && std::isspace(static_cast<unsigned char>(sql[j]))) ++j;
        if (j + 1 >= n || std::tolower(sql[j]) != 't' || std::tolower(sql[j + 1]) != 's') {
            out += c;
            ++i;
            continue;
        }
        j += 2;
        while (j < n && std::isspace(static_cast<unsigned char>(sql[j]))) ++j;
        bool plus = j < n && sql[j] == '+';
        if (plus) ++j;
        if (j >= n || sql[j] != '\'') {
            error = "malformed timestamp literal";
            return false;
        }
        size_t close = sql.find('\'', j + 1);
        if (close == std::string::npos) {
            error = "unterminated timestamp literal";
            return false;
        }
        std::string body = sql.substr(j + 1, close - j - 1);
        if (plus && !body.empty() && body.back() == '+') body.pop_back();
        size_t k = close + 1;
        while (k < n && std::isspace(static_cast<unsigned char>(sql[k]))) ++k;
        if (k >= n || sql[k] != '}') {
            error = "malformed timestamp literal";
            return false;
        }
        char stored[64];
        if (!parseTimestamp(body, stored)) {
            error = "invalid timestamp literal '" + body + "'";
            return false;
        }
        out += '\'';
        out += stored;
        out += '\'';
        i = k + 1;
    }
    return true;
}
