#include "platform/db/tsql/BatchRunner.h"

#include "platform/db/tsql/SetLiterals.h"
#include "platform/db/tsql/TsqlProgram.h"

#include <cerrno>
#include <cstdint>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace kel::tsql {

bool Value::operator==(const Value& o) const {
    if (type != o.type) return false;
    switch (type) {
    case Type::Null: return true;
    case Type::Int: return i == o.i;
    case Type::Real: return d == o.d;
    case Type::Text: return s == o.s;
    }
    return false;
}

namespace {

constexpr size_t kProgramCacheSize = 32;
constexpr size_t kStatementCacheSize = 64;

Value columnValue(sqlite3_stmt* st, int col) {
    switch (sqlite3_column_type(st, col)) {
    case SQLITE_INTEGER: return Value::integer(sqlite3_column_int64(st, col));
    case SQLITE_FLOAT: return Value::real(sqlite3_column_double(st, col));
    case SQLITE_NULL: return Value::null();
    default: {
        const char* p = reinterpret_cast<const char*>(sqlite3_column_text(st, col));
        return Value::text(p != nullptr ? std::string(p, static_cast<size_t>(sqlite3_column_bytes(st, col)))
                                        : std::string());
    }
    }
}

// Cuts UTF-8 text to n characters, as a char(n) variable keeps it.
void cutToCharacters(std::string& s, size_t n) {
    size_t chars = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) continue;
        if (chars++ == n) {
            s.resize(i);
            return;
        }
    }
}

std::string numberText(const Value& v) {
    if (v.type == Value::Type::Int) return std::to_string(v.i);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.15g", v.d);
    return buf;
}

// Brings a date text to the stored form 'YYYY-MM-DD HH:MM:SS' (a date alone
// is midnight, a fraction of a second is dropped); false for anything else,
// which would otherwise compare as text against stored dates.
bool storedDate(std::string& s) {
    if (s.size() == 10) s += " 00:00:00";
    if (s.size() > 20 && s[19] == '.' && s.find_first_not_of("0123456789", 20) == std::string::npos) s.resize(19);
    static const char shape[] = "dddd-dd-dd dd:dd:dd";
    if (s.size() != 19) return false;
    for (size_t i = 0; i < 19; ++i) {
        bool digit = s[i] >= '0' && s[i] <= '9';
        if (shape[i] == 'd' ? !digit : s[i] != shape[i]) return false;
    }
    return s != "0000-00-00 00:00:00";
}

// Converts a value to a variable's declared type as an assignment does;
// out holds the result only when it succeeds.
bool convert(const VarDecl& d, Value v, Value& out, std::string& err) {
    if (v.isNull()) {
        out = Value::null();
        return true;
    }
    switch (d.type) {
    case VarDecl::Type::Int:
        if (v.type == Value::Type::Int) {
            out = v;
        } else if (v.type == Value::Type::Real) {
            if (!(std::fabs(v.d) < 9.2e18)) {
                err = "Arithmetic overflow converting a number to data type int for " + d.name + ".";
                return false;
            }
            out = Value::integer(static_cast<int64_t>(v.d));
        } else {
            const char* begin = v.s.c_str();
            char* end = nullptr;
            errno = 0;
            long long n = std::strtoll(begin, &end, 10);
            while (end != nullptr && *end == ' ') ++end;
            if (errno != 0 || end == begin || *end != '\0') {
                err = "Conversion failed when converting the varchar value '" + v.s + "' to data type int.";
                return false;
            }
            out = Value::integer(n);
        }
        // int is 32 bits wide in T-SQL: a wider value is an overflow, not a wrap.
        if (out.i < INT32_MIN || out.i > INT32_MAX) {
            err = "Arithmetic overflow error converting expression to data type int for " + d.name + ".";
            return false;
        }
        return true;
    case VarDecl::Type::DateTime:
        if (v.type != Value::Type::Text) {
            err = "Conversion of a number to datetime is not supported for " + d.name + ".";
            return false;
        }
        if (!storedDate(v.s)) {
            err = "Conversion failed when converting date and/or time from character string '" + v.s +
                  "' for " + d.name + ".";
            return false;
        }
        out = std::move(v);
        return true;
    case VarDecl::Type::Text:
        out = Value::text(v.type == Value::Type::Text ? std::move(v.s) : numberText(v));
        cutToCharacters(out.s, d.length);
        return true;
    }
    return false;
}

// Resets a statement taken from the cache when its use ends, so that no
// read transaction stays open behind it.
struct StatementUse {
    sqlite3_stmt* st;
    ~StatementUse() {
        if (st != nullptr) sqlite3_reset(st);
    }
};

}  // namespace

// The state of one run of a program: variables, system variables, cursors
// and the first failure.
class BatchRunner::Execution {
public:
    Execution(BatchRunner& runner, const Program& prog, RowSink& sink, const Literals* literals)
        : r_(runner), p_(prog), sink_(sink), literals_(literals), vars_(prog.vars.size()),
          cursors_(prog.cursors.size()) {}

    bool setArguments(const std::vector<Value>& args, std::string& err) {
        for (size_t k = 0; k < args.size(); ++k) {
            if (!convert(p_.vars[k], args[k], vars_[k], err)) return false;
        }
        return true;
    }

    int run(std::string& err) {
        const auto& code = p_.code;
        size_t pc = 0;
        uint64_t steps = 0;
        while (pc < code.size()) {
            if (++steps > kMaxBatchSteps) {
                failed(SQLITE_ERROR, "the batch was stopped after " + std::to_string(kMaxBatchSteps) +
                                         " steps (a loop that does not end?)");
                break;
            }
            const Instr& in = code[pc++];
            switch (in.op) {
            case Instr::Op::SetNocount: done(0); break;
            case Instr::Op::SetVar: setVar(in); break;
            case Instr::Op::SelectAssign: selectAssign(in); break;
            case Instr::Op::Exec: exec(in); break;
            case Instr::Op::JumpIfFalse:
                if (!condition(in)) pc = static_cast<size_t>(in.target);
                break;
            case Instr::Op::Jump: pc = static_cast<size_t>(in.target); break;
            case Instr::Op::DeclareCursor: declareCursor(in); break;
            case Instr::Op::Open: open(in); break;
            case Instr::Op::Fetch: fetch(in); break;
            case Instr::Op::Close: close(in, false); break;
            case Instr::Op::Deallocate: close(in, true); break;
            case Instr::Op::Return: pc = code.size(); break;
            }
        }
        if (firstRc_ != 0) err = firstErr_;
        return firstRc_;
    }

private:
    struct Cursor {
        bool declared = false;
        bool open = false;
        std::vector<Row> rows;
        size_t next = 0;
    };

    void failed(int rc, const std::string& msg) {
        error_ = rc;
        if (firstRc_ == 0) {
            firstRc_ = rc;
            firstErr_ = msg;
        }
    }
    // rc is what sqlite3_step returned; never report a failure as 0 or 100.
    void failedSql(int rc) {
        rc &= 0xff;
        if (rc == SQLITE_OK || rc == SQLITE_ROW || rc == SQLITE_DONE) rc = SQLITE_ERROR;
        failed(rc, sqlite3_errmsg(r_.db_));
    }
    void done(int64_t rows) {
        error_ = 0;
        rowCount_ = rows;
    }

    // A SET literal of this run's text, where the program is shared by a
    // shape of texts; else the program's own.
    const Value& constantOf(const Instr& in) const {
        if (literals_) {
            const int k = literals_->shape->literalAt[static_cast<size_t>(&in - p_.code.data())];
            if (k >= 0) return literals_->values[static_cast<size_t>(k)];
        }
        return in.constant;
    }

    Value slot(int s) const {
        switch (s) {
        case kSlotError: return Value::integer(error_);
        case kSlotRowCount: return Value::integer(rowCount_);
        case kSlotFetchStatus: return Value::integer(fetchStatus_);
        default: return vars_[static_cast<size_t>(s)];
        }
    }

    // A failed conversion leaves the variable as it was.
    bool assign(int s, Value v) {
        std::string msg;
        Value converted;
        if (!convert(p_.vars[static_cast<size_t>(s)], std::move(v), converted, msg)) {
            failed(SQLITE_MISMATCH, msg);
            return false;
        }
        vars_[static_cast<size_t>(s)] = std::move(converted);
        return true;
    }

    // A cached, reset statement with the variables bound; null on failure.
    sqlite3_stmt* prepare(const SqlText& sql) {
        std::string msg;
        sqlite3_stmt* st = r_.statement(sql.text, msg);
        if (st == nullptr) {
            int rc = sqlite3_errcode(r_.db_) & 0xff;
            failed(rc == SQLITE_OK || rc == SQLITE_ROW || rc == SQLITE_DONE ? SQLITE_ERROR : rc, msg);
            return nullptr;
        }
        for (size_t k = 0; k < sql.slots.size(); ++k) {
            // A variable binds from where it is kept, a system one from a copy.
            const int s = sql.slots[k];
            const Value system = s < 0 ? slot(s) : Value();
            const Value& v = s < 0 ? system : vars_[static_cast<size_t>(s)];
            int n = static_cast<int>(k + 1);
            switch (v.type) {
            case Value::Type::Null: sqlite3_bind_null(st, n); break;
            case Value::Type::Int: sqlite3_bind_int64(st, n, v.i); break;
            case Value::Type::Real: sqlite3_bind_double(st, n, v.d); break;
            case Value::Type::Text:
                sqlite3_bind_text(st, n, v.s.data(), static_cast<int>(v.s.size()), SQLITE_TRANSIENT);
                break;
            }
        }
        return st;
    }

    // The first column of the first row; NULL when there is no row.
    bool scalar(const SqlText& sql, Value& out) {
        sqlite3_stmt* st = prepare(sql);
        if (st == nullptr) return false;
        StatementUse use{st};
        int rc = sqlite3_step(st);
        if (rc == SQLITE_ROW) {
            out = columnValue(st, 0);
            return true;
        }
        if (rc == SQLITE_DONE) {
            out = Value::null();
            return true;
        }
        failedSql(rc);
        return false;
    }

    void setVar(const Instr& in) {
        Value v;
        if (in.hasConstant) v = in.fromVariable ? slot(in.fromVar) : constantOf(in);
        else if (!scalar(in.sql, v)) return;
        if (assign(in.vars[0], std::move(v))) done(1);
    }

    // A NULL condition is false, as in T-SQL.
    bool condition(const Instr& in) {
        Value v;
        if (!scalar(in.sql, v)) return false;
        error_ = 0;
        switch (v.type) {
        case Value::Type::Null: return false;
        case Value::Type::Int: return v.i != 0;
        case Value::Type::Real: return v.d != 0.0;
        case Value::Type::Text: return std::strtod(v.s.c_str(), nullptr) != 0.0;
        }
        return false;
    }

    // Every row assigns in turn, so the last row's values stay; no row
    // leaves the variables as they were.
    void selectAssign(const Instr& in) {
        sqlite3_stmt* st = prepare(in.sql);
        if (st == nullptr) return;
        StatementUse use{st};
        int64_t rows = 0;
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            ++rows;
            for (size_t k = 0; k < in.vars.size(); ++k) {
                if (!assign(in.vars[k], columnValue(st, static_cast<int>(k)))) return;
            }
        }
        if (rc != SQLITE_DONE) return failedSql(rc);
        done(rows);
    }

    void exec(const Instr& in) {
        sqlite3_stmt* st = prepare(in.sql);
        if (st == nullptr) return;
        StatementUse use{st};
        int ncol = sqlite3_column_count(st);
        if (ncol == 0) {
            int rc;
            while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            }
            if (rc != SQLITE_DONE) return failedSql(rc);
            return done(sqlite3_changes(r_.db_));
        }
        bool deliver = !resultTaken_;
        int64_t rows = 0;
        Row row;
        int rc;
        bool first = true;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            if (first && deliver) startResult(st, ncol);
            first = false;
            ++rows;
            if (!deliver) continue;
            row.resize(static_cast<size_t>(ncol));
            for (int c = 0; c < ncol; ++c) row[static_cast<size_t>(c)] = columnValue(st, c);
            if (!sink_.row(row)) deliver = false;
        }
        if (rc != SQLITE_DONE) return failedSql(rc);
        if (first && deliver) startResult(st, ncol);
        done(rows);
    }

    void startResult(sqlite3_stmt* st, int ncol) {
        resultTaken_ = true;
        std::vector<std::string> names;
        for (int c = 0; c < ncol; ++c) {
            const char* n = sqlite3_column_name(st, c);
            // An expression over a bare variable has no column name, as in T-SQL.
            names.emplace_back(n != nullptr && n[0] != '?' ? n : "");
        }
        sink_.columns(names);
    }

    bool cursorOk(const Instr& in, bool mustBeOpen) {
        const Cursor& c = cursors_[static_cast<size_t>(in.cursor)];
        const std::string& name = p_.cursors[static_cast<size_t>(in.cursor)];
        if (!c.declared) {
            failed(SQLITE_ERROR, "A cursor with the name '" + name + "' does not exist.");
            return false;
        }
        if (mustBeOpen && !c.open) {
            failed(SQLITE_ERROR, "The cursor " + name + " is not open.");
            return false;
        }
        return true;
    }

    void declareCursor(const Instr& in) {
        Cursor& c = cursors_[static_cast<size_t>(in.cursor)];
        if (c.declared) {
            return failed(SQLITE_ERROR,
                          "A cursor with the name '" + p_.cursors[static_cast<size_t>(in.cursor)] + "' already exists.");
        }
        c.declared = true;
        done(0);
    }

    // The cursor's rows are read when it opens (a static cursor), so that
    // the loop's own inserts and updates cannot disturb its walk.
    void open(const Instr& in) {
        if (!cursorOk(in, false)) return;
        Cursor& c = cursors_[static_cast<size_t>(in.cursor)];
        if (c.open) return failed(SQLITE_ERROR, "The cursor is already open.");
        sqlite3_stmt* st = prepare(p_.cursorSql[static_cast<size_t>(in.cursor)]);
        if (st == nullptr) return;
        StatementUse use{st};
        c.rows.clear();
        c.next = 0;
        int ncol = sqlite3_column_count(st);
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            Row row(static_cast<size_t>(ncol));
            for (int k = 0; k < ncol; ++k) row[static_cast<size_t>(k)] = columnValue(st, k);
            c.rows.push_back(std::move(row));
        }
        if (rc != SQLITE_DONE) {
            c.rows.clear();
            return failedSql(rc);
        }
        c.open = true;
        done(0);
    }

    void fetch(const Instr& in) {
        if (!cursorOk(in, true)) {
            fetchStatus_ = -1;
            return;
        }
        Cursor& c = cursors_[static_cast<size_t>(in.cursor)];
        if (c.next >= c.rows.size()) {
            fetchStatus_ = -1;
            return done(0);
        }
        const Row& row = c.rows[c.next++];
        if (row.size() != in.vars.size()) {
            fetchStatus_ = -1;
            return failed(SQLITE_ERROR,
                          "Cursorfetch: The number of variables declared in the INTO list must match that of "
                          "selected columns.");
        }
        for (size_t k = 0; k < row.size(); ++k) {
            if (!assign(in.vars[k], row[k])) {
                fetchStatus_ = -1;
                return;
            }
        }
        fetchStatus_ = 0;
        done(1);
    }

    void close(const Instr& in, bool deallocate) {
        if (!cursorOk(in, !deallocate)) return;
        Cursor& c = cursors_[static_cast<size_t>(in.cursor)];
        c.open = false;
        c.rows.clear();
        if (deallocate) c.declared = false;
        done(0);
    }

    BatchRunner& r_;
    const Program& p_;
    RowSink& sink_;
    const Literals* literals_;
    std::vector<Value> vars_;  // every variable starts NULL
    std::vector<Cursor> cursors_;
    int64_t error_ = 0;
    int64_t rowCount_ = 0;
    int64_t fetchStatus_ = -1;
    bool resultTaken_ = false;
    int firstRc_ = 0;
    std::string firstErr_;
};

BatchRunner::BatchRunner(sqlite3* db) : db_(db) {}

BatchRunner::~BatchRunner() {
    for (auto& e : statements_) sqlite3_finalize(e.second);
}

std::shared_ptr<const Program> BatchRunner::parsed(const std::string& text, bool procedure, std::string& err) {
    std::string key = (procedure ? "P" : "B") + text;
    auto it = programs_.find(key);
    if (it != programs_.end()) return it->second;
    auto prog = procedure ? parseProcedure(db_, text, err) : parseBatch(db_, text, err);
    if (prog == nullptr || !compiles(*prog, err)) return nullptr;
    if (!prog->cacheable) return prog;
    if (programs_.size() >= kProgramCacheSize) programs_.clear();
    programs_.emplace(std::move(key), prog);
    return prog;
}

// Every statement is compiled before the first one runs, so that a batch
// with a statement SQLite cannot read runs nothing. A missing table is left
// to the statement's run, as SQL Server resolves names late. The compiled
// statements stay in the cache for the run.
bool BatchRunner::compiles(const Program& prog, std::string& err) {
    auto check = [&](const SqlText& sql) {
        if (sql.text.empty() || statement(sql.text, err) != nullptr) return true;
        if (err.compare(0, 14, "no such table:") == 0) {
            err.clear();
            return true;
        }
        return false;
    };
    for (const auto& in : prog.code) {
        if (!check(in.sql)) return false;
    }
    for (const auto& sql : prog.cursorSql) {
        if (!check(sql)) return false;
    }
    return true;
}

sqlite3_stmt* BatchRunner::statement(const std::string& sql, std::string& err) {
    auto it = statements_.find(sql);
    if (it != statements_.end()) {
        sqlite3_reset(it->second);
        return it->second;
    }
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v3(db_, sql.c_str(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT, &st,
                           nullptr) != SQLITE_OK) {
        err = sqlite3_errmsg(db_);
        sqlite3_finalize(st);
        return nullptr;
    }
    if (st == nullptr) {
        err = "empty statement";
        return nullptr;
    }
    // Only one cached statement is ever in use at a time, so dropping them
    // all here never pulls one from under a running step.
    if (statements_.size() >= kStatementCacheSize) {
        for (auto& e : statements_) sqlite3_finalize(e.second);
        statements_.clear();
    }
    statements_.emplace(sql, st);
    return st;
}

// A sink that calls back into its own runner would find the statement it is
// reading from in the cache, which a new statement may empty: refused.
bool BatchRunner::busy(std::string& err) const {
    if (!running_) return false;
    err = "a batch is already running on this runner";
    return true;
}

int BatchRunner::execute(const Program& prog, const std::vector<Value>& args, RowSink& sink, std::string& err,
                         const Literals* literals) {
    running_ = true;
    Execution ex(*this, prog, sink, literals);
    int rc = ex.setArguments(args, err) ? ex.run(err) : SQLITE_MISMATCH;
    running_ = false;
    return rc;
}

int BatchRunner::run(const std::string& batch, RowSink& sink, std::string& err) {
    err.clear();
    if (db_ == nullptr) {
        err = "no database connection";
        return SQLITE_MISUSE;
    }
    if (busy(err)) return SQLITE_MISUSE;
    if (takeSetLiterals(batch, literals_.taken)) {
        const Shape* shape = shaped(batch, err);
        if (!shape && !err.empty()) return SQLITE_ERROR;
        if (shape) {
            const Literals literals{shape, literals_.taken.values};
            return execute(*shape->program, {}, sink, err, &literals);
        }
    }
    auto prog = parsed(batch, false, err);
    if (prog == nullptr) return SQLITE_ERROR;
    return execute(*prog, {}, sink, err);
}

int BatchRunner::run(const std::string& shape, const std::vector<Value>& values,
                     const std::function<std::string()>& text, RowSink& sink, std::string& err) {
    err.clear();
    if (db_ == nullptr) {
        err = "no database connection";
        return SQLITE_MISUSE;
    }
    if (busy(err)) return SQLITE_MISUSE;
    auto it = shapes_.find(shape);
    if (it != shapes_.end() && it->second.program && it->second.literals == values.size()) {
        const Literals literals{&it->second, values};
        return execute(*it->second.program, {}, sink, err, &literals);
    }
    return run(text(), sink, err);
}

// The program of the batch's shape, parsed from the first text of that shape
// met. It serves the shape only when its constant SET instructions are, in
// order, exactly the literals taken out of the text; otherwise (a literal
// that was part of a longer statement) none, and the text is parsed as it
// stands. Null with err set when the batch is refused.
const BatchRunner::Shape* BatchRunner::shaped(const std::string& batch, std::string& err) {
    auto it = shapes_.find(literals_.taken.shape);
    if (it != shapes_.end()) return it->second.program ? &it->second : nullptr;
    auto prog = parseBatch(db_, batch, err);
    if (prog == nullptr || !compiles(*prog, err)) return nullptr;
    Shape shape;
    shape.literalAt.assign(prog->code.size(), -1);
    size_t k = 0;
    bool same = true;
    for (size_t i = 0; i < prog->code.size() && same; ++i) {
        const Instr& in = prog->code[i];
        if (in.op != Instr::Op::SetVar || !in.hasConstant || in.fromVariable) continue;
        same = k < literals_.taken.values.size() && in.constant == literals_.taken.values[k];
        shape.literalAt[i] = static_cast<int>(k++);
    }
    if (same && k == literals_.taken.values.size() && prog->cacheable) shape.program = prog;
    shape.literals = k;
    if (shapes_.size() >= kProgramCacheSize) shapes_.clear();
    auto placed = shapes_.emplace(literals_.taken.shape, std::move(shape)).first;
    return placed->second.program ? &placed->second : nullptr;
}

int BatchRunner::createProcedureTable(std::string& err) {
    char* msg = nullptr;
    int rc = sqlite3_exec(db_,
                          "CREATE TABLE IF NOT EXISTS kelProcedures("
                          "name TEXT PRIMARY KEY COLLATE NOCASE, body TEXT NOT NULL)",
                          nullptr, nullptr, &msg);
    if (rc != SQLITE_OK) err = msg != nullptr ? msg : sqlite3_errstr(rc);
    sqlite3_free(msg);
    return rc;
}

int BatchRunner::storeProcedure(const std::string& createText, std::string& err) {
    err.clear();
    if (busy(err)) return SQLITE_MISUSE;
    auto prog = parseProcedure(db_, createText, err);
    if (prog == nullptr || !compiles(*prog, err)) return SQLITE_ERROR;
    sqlite3_stmt* st = statement("INSERT OR REPLACE INTO kelProcedures(name, body) VALUES(?1, ?2)", err);
    if (st == nullptr) return sqlite3_errcode(db_) != SQLITE_OK ? sqlite3_errcode(db_) : SQLITE_ERROR;
    StatementUse use{st};
    sqlite3_bind_text(st, 1, prog->procedureName.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 2, createText.c_str(), static_cast<int>(createText.size()), SQLITE_TRANSIENT);
    int rc = sqlite3_step(st);
    if (rc != SQLITE_DONE) {
        err = sqlite3_errmsg(db_);
        return rc;
    }
    return SQLITE_OK;
}

int BatchRunner::callProcedure(const std::string& name, const std::vector<Value>& args, RowSink& sink,
                               std::string& err) {
    err.clear();
    if (busy(err)) return SQLITE_MISUSE;
    std::string body;
    {
        sqlite3_stmt* st = statement("SELECT body FROM kelProcedures WHERE name = ?1", err);
        if (st == nullptr) return SQLITE_ERROR;
        StatementUse use{st};
        sqlite3_bind_text(st, 1, name.c_str(), -1, SQLITE_TRANSIENT);
        int rc = sqlite3_step(st);
        if (rc == SQLITE_DONE) {
            err = "Could not find stored procedure '" + name + "'.";
            return SQLITE_ERROR;
        }
        if (rc != SQLITE_ROW) {
            err = sqlite3_errmsg(db_);
            return rc;
        }
        const char* text = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        body = text != nullptr ? text : "";
    }
    auto prog = parsed(body, true, err);
    if (prog == nullptr) return SQLITE_ERROR;
    if (args.size() != prog->paramCount) {
        err = "Procedure " + name + " expects " + std::to_string(prog->paramCount) + " arguments, " +
              std::to_string(args.size()) + " given.";
        return SQLITE_ERROR;
    }
    return execute(*prog, args, sink, err);
}

}  // namespace kel::tsql
