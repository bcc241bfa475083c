// A parsed T-SQL batch: its variables, its cursors and a flat list of
// instructions whose control flow is already resolved to jumps. Statements
// for SQLite are kept as SQL text with one '?' per variable reference and the
// slot each '?' binds, so that no value ever becomes part of the text.
#pragma once

#include "platform/db/tsql/TsqlValue.h"

#include <sqlite3.h>

#include <memory>
#include <string>
#include <vector>

namespace kel::tsql {

// Slots of the system variables in SqlText::slots; user variables are >= 0.
enum : int { kSlotError = -1, kSlotRowCount = -2, kSlotFetchStatus = -3 };

struct VarDecl {
    enum class Type { Int, DateTime, Text };
    std::string name;  // with its '@', as declared
    Type type = Type::Int;
    size_t length = 0;  // Text: the declared number of characters
};

struct SqlText {
    std::string text;
    std::vector<int> slots;
};

struct Instr {
    enum class Op {
        SetNocount,    // ON and OFF alike: no row-count messages are sent
        SetVar,        // vars[0] = constant or SELECT sql
        SelectAssign,  // vars[i] = column i of each row of sql
        Exec,          // sql: SELECT (result set), INSERT, UPDATE, DELETE
        JumpIfFalse,   // sql yields the condition
        Jump,
        DeclareCursor,  // cursor
        Open,
        Fetch,  // vars receive the row
        Close,
        Deallocate,
        Return
    };
    Op op = Op::Jump;
    SqlText sql;
    std::vector<int> vars;
    int target = 0;
    int cursor = -1;
    bool hasConstant = false;   // SetVar from a literal or a variable, no SQLite needed
    Value constant;
    bool fromVariable = false;  // ... namely from the variable (or system slot) fromVar
    int fromVar = 0;
};

struct Program {
    std::vector<VarDecl> vars;
    std::vector<std::string> cursors;
    std::vector<SqlText> cursorSql;
    std::vector<Instr> code;
    size_t paramCount = 0;     // procedures: the first paramCount vars are the parameters
    std::string procedureName;  // procedures only
    // False when parsing depended on a table that did not exist yet (an
    // INSERT without a column list): such a program is parsed again next time.
    bool cacheable = true;
};

// Parses a batch. db is read for the columns of tables that an INSERT without
// a column list names. Returns null with err set when the batch is refused.
std::shared_ptr<const Program> parseBatch(sqlite3* db, const std::string& batch, std::string& err);

// Parses "CREATE PROC[EDURE] name [(]@p type, ...[)] AS body".
std::shared_ptr<const Program> parseProcedure(sqlite3* db, const std::string& text, std::string& err);

}  // namespace kel::tsql
