// Runs T-SQL batches over one SQLite connection: the subset the catalogue's
// cursor batches and procedures are written in (variables, SET, SELECT
// assignment, IF/ELSE, WHILE, BEGIN/END, GOTO, server-side cursors, @@ERROR,
// @@ROWCOUNT, @@FETCH_STATUS). The runner keeps the variables and the control
// flow itself and hands every SELECT, INSERT, UPDATE and DELETE to SQLite with
// the variables bound as parameters.
//
// A batch is parsed whole before anything runs; a batch that uses anything
// outside the subset is refused and runs nothing. A statement that fails does
// not stop the batch (its @@ERROR handling, CLOSE and DEALLOCATE still run);
// the first failure is returned at the end. The result of a batch is its
// first result set.
//
// The runner does not own the connection and is not thread-safe: use one per
// connection, from one thread at a time.
#pragma once

#include "platform/db/tsql/SetLiterals.h"
#include "platform/db/tsql/TsqlValue.h"

#include <sqlite3.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace kel::tsql {

struct Program;

// The most instructions one run of a batch or procedure may take. A GOTO or
// WHILE that never ends would otherwise hold the connection, and with it the
// catalogue's write lock, for good. A cursor loop costs a handful of steps per
// row, so this stays far above any catalogue batch over a million rows while
// a runaway loop of plain jumps ends in well under a second.
constexpr uint64_t kMaxBatchSteps = 10'000'000;

// Return codes: 0 success, otherwise the SQLite result code of the first
// failure (SQLITE_ERROR for a refused batch or a T-SQL runtime error); never 100.
class BatchRunner {
public:
    explicit BatchRunner(sqlite3* db);
    ~BatchRunner();
    BatchRunner(const BatchRunner&) = delete;
    BatchRunner& operator=(const BatchRunner&) = delete;

    // Runs a batch; rows of its first result set go to sink as they are read.
    int run(const std::string& batch, RowSink& sink, std::string& err);
    int run(const std::string& batch, ResultSet& rs, std::string& err) {
        rs.clear();
        return run(batch, static_cast<RowSink&>(rs), err);
    }
    // The same for a batch handed over apart: its shape and the values of
    // its SET literals as takeSetLiterals gives them, each taken whole by
    // setLiteralValue. A shape met before runs its program with the values
    // bound, nothing parsed; otherwise text() gives the batch to run.
    int run(const std::string& shape, const std::vector<Value>& values, const std::function<std::string()>& text,
            RowSink& sink, std::string& err);

    // Stored procedures live in table kelProcedures(name, body): body is the
    // whole "CREATE PROCEDURE name @p type, ... AS ..." text.
    int createProcedureTable(std::string& err);
    int storeProcedure(const std::string& createText, std::string& err);
    int callProcedure(const std::string& name, const std::vector<Value>& args, RowSink& sink, std::string& err);
    int callProcedure(const std::string& name, const std::vector<Value>& args, ResultSet& rs, std::string& err) {
        rs.clear();
        return callProcedure(name, args, static_cast<RowSink&>(rs), err);
    }

    sqlite3* connection() const { return db_; }

private:
    class Execution;
    friend class Execution;
    // A program shared by the batches of one shape (SetLiterals.h): for each
    // instruction, the taken literal it sets, or -1.
    struct Shape {
        std::shared_ptr<const Program> program;
        std::vector<int> literalAt;
        size_t literals = 0;  // how many the shape takes
    };
    struct Literals {
        const Shape* shape;
        const std::vector<Value>& values;
    };
    const Shape* shaped(const std::string& batch, std::string& err);

    bool busy(std::string& err) const;
    bool compiles(const Program& prog, std::string& err);
    std::shared_ptr<const Program> parsed(const std::string& text, bool procedure, std::string& err);
    sqlite3_stmt* statement(const std::string& sql, std::string& err);
    int execute(const Program& prog, const std::vector<Value>& args, RowSink& sink, std::string& err,
                const Literals* literals = nullptr);

    sqlite3* db_;
    bool running_ = false;
    // Both caches are small and dropped whole when full: batches repeat in
    // few shapes, and their statements (variables bound, not written in)
    // repeat across different parameter values.
    std::unordered_map<std::string, std::shared_ptr<const Program>> programs_;
    std::unordered_map<std::string, sqlite3_stmt*> statements_;
    std::unordered_map<std::string, Shape> shapes_;
    // The literals of the batch being run; kept to reuse its buffers.
    struct {
        SetLiterals taken;
    } literals_;
};

}  // namespace kel::tsql
