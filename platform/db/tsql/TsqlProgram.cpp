#include "platform/db/tsql/TsqlProgram.h"

#include "platform/util/SqlQuote.h"
#include "platform/db/tsql/TsqlLexer.h"

#include <strings.h>

#include <cerrno>
#include <cstdlib>
#include <map>

namespace kel::tsql {

namespace {

using Kind = Token::Kind;

bool sameName(const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()) == 0; }

bool wordLike(Kind k) {
    return k == Kind::Word || k == Kind::Number || k == Kind::Variable || k == Kind::SystemVariable ||
           k == Kind::QuotedName || k == Kind::String || k == Kind::Timestamp;
}

// Words that begin a statement of their own: a SQL statement or a condition
// ends before one of them (outside parentheses and CASE ... END).
bool startsStatement(const Token& t) {
    static const char* const words[] = {"SET",   "DECLARE", "SELECT", "IF",     "ELSE",       "WHILE",
                                        "BEGIN", "END",     "OPEN",   "FETCH",  "CLOSE",      "DEALLOCATE",
                                        "INSERT", "UPDATE", "DELETE", "RETURN", "GOTO",       "BREAK",
                                        "CONTINUE", "PRINT", "EXEC",  "EXECUTE", "CREATE",    "DROP",
                                        "ALTER",  "TRUNCATE", "RAISERROR", "COMMIT", "ROLLBACK", "USE",
                                        "WAITFOR", "GRANT", "DENY", "REVOKE", "SAVE", "MERGE"};
    if (t.kind != Kind::Word) return false;
    for (const char* w : words) {
        if (t.is(w)) return true;
    }
    return false;
}

class Parser;

// Builds the SQLite text of a run of tokens: variables become '?' with their
// slot recorded, and the spellings SQLite does not know are translated.
class Emitter {
public:
    Emitter(Parser& parser, SqlText& sql) : parser_(parser), sql_(sql) { limits_.resize(1); }
    bool emit(size_t from, size_t to);
    void raw(const std::string& text) {
        sql_.text += text;
        lastKind_ = Kind::Punct;
    }
    bool finish();

private:
    struct Limit {
        bool set = false;
        std::string text;
        int slot = 0;
        bool isVar = false;
    };
    bool variable(const Token& t);
    bool top(size_t& i, size_t to);
    void flushLimit();
    void separate(const Token& t);

    Parser& parser_;
    SqlText& sql_;
    std::vector<Limit> limits_;
    Kind lastKind_ = Kind::Punct;
    // Where a TOP may follow: right after SELECT, or after SELECT DISTINCT|ALL.
    enum class TopPlace { No, AfterSelect, AfterQuantifier };
    TopPlace topPlace_ = TopPlace::No;
};

class Parser {
public:
    Parser(sqlite3* db, std::string& err) : db_(db), err_(err) {}

    bool tokenize(const std::string& text) { return kel::tsql::tokenize(text, t_, err_); }

    bool fail(const std::string& what) {
        if (err_.empty()) err_ = what;
        return false;
    }
    const Token& tok(size_t i) const { return t_[i < t_.size() ? i : t_.size() - 1]; }

    int findVar(const std::string& name) const {
        for (size_t i = 0; i < prog_->vars.size(); ++i) {
            if (sameName(prog_->vars[i].name, name)) return static_cast<int>(i);
        }
        return -1;
    }
    bool slotOf(const Token& t, int& slot) {
        if (t.kind == Kind::SystemVariable) {
            if (sameName(t.text, "@@ERROR")) slot = kSlotError;
            else if (sameName(t.text, "@@ROWCOUNT")) slot = kSlotRowCount;
            else if (sameName(t.text, "@@FETCH_STATUS")) slot = kSlotFetchStatus;
            else return fail("unsupported system variable " + t.text);
            return true;
        }
        slot = findVar(t.text);
        if (slot < 0) return fail("Must declare the scalar variable \"" + t.text + "\".");
        return true;
    }

    // Parses parameters (procedures) then statements up to the end.
    bool procedureHeader() {
        if (!(tok(0).is("CREATE") && (tok(1).is("PROC") || tok(1).is("PROCEDURE")))) {
            return fail("a procedure text begins with CREATE PROCEDURE");
        }
        pos_ = 2;
        if (tok(pos_).kind != Kind::Word && tok(pos_).kind != Kind::QuotedName) return fail("procedure without a name");
        prog_->procedureName = tok(pos_++).text;
        bool paren = tok(pos_).punct("(");
        if (paren) ++pos_;
        while (tok(pos_).kind == Kind::Variable) {
            if (!declareVariable()) return false;
            if (!tok(pos_).punct(",")) break;
            ++pos_;
        }
        if (paren) {
            if (!tok(pos_).punct(")")) return fail("expected ) after the procedure's parameters");
            ++pos_;
        }
        if (!tok(pos_).is("AS")) return fail("expected AS before the procedure's body");
        ++pos_;
        prog_->paramCount = prog_->vars.size();
        return true;
    }

    bool statements() {
        while (tok(pos_).kind != Kind::End) {
            if (tok(pos_).punct(";")) {
                ++pos_;
                continue;
            }
            if (!statement()) return false;
        }
        for (const auto& g : gotos_) {
            auto it = labels_.find(upper(g.second));
            if (it == labels_.end()) return fail("unknown label " + g.second);
            prog_->code[g.first].target = it->second;
        }
        return true;
    }

    std::shared_ptr<Program> take() { return std::move(prog_); }

private:
    friend class Emitter;

    static std::string upper(std::string s) {
        for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return s;
    }

    Instr& add(Instr::Op op) {
        prog_->code.emplace_back();
        prog_->code.back().op = op;
        return prog_->code.back();
    }
    int here() const { return static_cast<int>(prog_->code.size()); }

    enum class Extent { Expr, Select, Insert, Update, Delete };

    // The index just past the statement or condition that starts at from.
    bool extentEnd(size_t from, Extent kind, size_t& end) {
        int depth = 0;
        int cases = 0;
        bool setSeen = false;
        bool selectSeen = false;
        bool valuesSeen = false;
        size_t i = from;
        if (kind != Extent::Expr) ++i;  // the statement's own keyword
        for (;; ++i) {
            const Token& t = tok(i);
            if (t.kind == Kind::End) break;
            if (t.punct("(")) { ++depth; continue; }
            if (t.punct(")")) {
                if (--depth < 0) return fail("unbalanced )");
                continue;
            }
            if (t.is("CASE")) { ++cases; continue; }
            if (cases > 0 && t.is("END")) { --cases; continue; }
            if (depth > 0 || cases > 0) continue;
            if (t.punct(";")) break;
            if (t.kind == Kind::Word && tok(i + 1).punct(":")) break;  // a label
            if (t.is("VALUES")) valuesSeen = true;
            if (!startsStatement(t)) continue;
            if (t.is("SELECT")) {
                const Token& prev = tok(i - 1);
                if (prev.is("UNION") || prev.is("ALL") || prev.is("EXCEPT") || prev.is("INTERSECT")) continue;
                if (kind == Extent::Insert && !selectSeen && !valuesSeen) {
                    selectSeen = true;
                    continue;
                }
            }
            if (t.is("SET") && kind == Extent::Update && !setSeen) {
                setSeen = true;
                continue;
            }
            break;
        }
        if (depth != 0) return fail("unbalanced (");
        end = i;
        return true;
    }

    bool statement() {
        const Token& t = tok(pos_);
        if (t.kind == Kind::Word && tok(pos_ + 1).punct(":")) {
            labels_[upper(t.text)] = here();
            pos_ += 2;
            return true;
        }
        if (t.is("SET")) return setStatement();
        if (t.is("DECLARE")) return declare();
        if (t.is("SELECT")) return select();
        if (t.is("INSERT")) return dml(Extent::Insert);
        if (t.is("UPDATE")) return dml(Extent::Update);
        if (t.is("DELETE")) return dml(Extent::Delete);
        if (t.is("IF")) return ifStatement();
        if (t.is("WHILE")) return whileStatement();
        if (t.is("BEGIN")) return block();
        if (t.is("OPEN") || t.is("CLOSE") || t.is("DEALLOCATE")) return cursorOp();
        if (t.is("FETCH")) return fetch();
        if (t.is("RETURN")) {
            ++pos_;
            if (tok(pos_).punct("-") && tok(pos_ + 1).kind == Kind::Number) pos_ += 2;
            else if (tok(pos_).kind == Kind::Number) ++pos_;
            add(Instr::Op::Return);
            return true;
        }
        if (t.is("GOTO")) {
            if (tok(pos_ + 1).kind != Kind::Word) return fail("GOTO without a label");
            gotos_.emplace_back(here(), tok(pos_ + 1).text);
            add(Instr::Op::Jump);
            pos_ += 2;
            return true;
        }
        if (t.is("BREAK") || t.is("CONTINUE")) {
            if (loops_.empty()) return fail(t.text + " outside a WHILE loop");
            if (t.is("BREAK")) loops_.back().breaks.push_back(here());
            add(Instr::Op::Jump).target = loops_.back().top;
            ++pos_;
            return true;
        }
        if (t.kind == Kind::End) return fail("statement expected at the end of the batch");
        return fail("unsupported statement beginning with '" + t.text + "'");
    }

    bool setStatement() {
        const Token& what = tok(pos_ + 1);
        if (what.is("NOCOUNT")) {
            const Token& v = tok(pos_ + 2);
            if (!v.is("ON") && !v.is("OFF")) return fail("SET NOCOUNT takes ON or OFF");
            add(Instr::Op::SetNocount);
            pos_ += 3;
            return true;
        }
        if (what.kind != Kind::Variable) return fail("unsupported SET option '" + what.text + "'");
        int slot = findVar(what.text);
        if (slot < 0) return fail("Must declare the scalar variable \"" + what.text + "\".");
        if (!tok(pos_ + 2).punct("=")) return fail("expected = after SET " + what.text);
        size_t from = pos_ + 3;
        size_t end = 0;
        if (!extentEnd(from, Extent::Expr, end)) return false;
        if (end == from) return fail("SET " + what.text + " without a value");
        Instr in;
        in.op = Instr::Op::SetVar;
        in.vars.push_back(slot);
        if (!constant(from, end, in)) {
            Emitter e(*this, in.sql);
            e.raw("SELECT ");
            if (!e.emit(from, end) || !e.finish()) return false;
        }
        prog_->code.push_back(std::move(in));
        pos_ = end;
        return true;
    }

    // A value that needs no SQLite: a literal, NULL or another variable.
    bool constant(size_t from, size_t end, Instr& in) {
        bool negative = tok(from).punct("-") && end == from + 2 && tok(from + 1).kind == Kind::Number;
        if (negative) ++from;
        if (end != from + 1) return false;
        const Token& t = tok(from);
        switch (t.kind) {
        case Kind::Number: {
            if (t.text.find_first_of(".eE") != std::string::npos) {
                double d = std::strtod(t.text.c_str(), nullptr);
                in.constant = Value::real(negative ? -d : d);
            } else {
                errno = 0;
                long long v = std::strtoll(t.text.c_str(), nullptr, 10);
                if (errno != 0) return false;
                in.constant = Value::integer(negative ? -v : v);
            }
            break;
        }
        case Kind::String:
        case Kind::Timestamp:
            in.constant = Value::text(t.text);
            break;
        case Kind::Word:
            if (!t.is("NULL")) return false;
            in.constant = Value::null();
            break;
        case Kind::Variable:
        case Kind::SystemVariable:
            if (!slotOf(t, in.fromVar)) return false;
            in.fromVariable = true;
            break;
        default:
            return false;
        }
        in.hasConstant = true;
        return true;
    }

    bool declareVariable() {
        VarDecl d;
        d.name = tok(pos_).text;
        if (findVar(d.name) >= 0) return fail("The variable name '" + d.name + "' has already been declared.");
        ++pos_;
        if (tok(pos_).is("AS")) ++pos_;
        const Token& type = tok(pos_);
        if (type.is("INTEGER") || type.is("INT")) {
            d.type = VarDecl::Type::Int;
            ++pos_;
        } else if (type.is("DATETIME")) {
            d.type = VarDecl::Type::DateTime;
            ++pos_;
        } else if (type.is("CHAR") || type.is("VARCHAR") || type.is("NVARCHAR")) {
            d.type = VarDecl::Type::Text;
            if (!tok(pos_ + 1).punct("(") || tok(pos_ + 2).kind != Kind::Number || !tok(pos_ + 3).punct(")")) {
                return fail("type " + type.text + " of " + d.name + " needs a length");
            }
            d.length = std::strtoul(tok(pos_ + 2).text.c_str(), nullptr, 10);
            if (d.length == 0 || d.length > 8000) return fail("bad length for " + d.name);
            pos_ += 4;
        } else {
            return fail("unsupported type '" + type.text + "' for " + d.name);
        }
        if (tok(pos_).punct("=")) return fail("initial values in DECLARE are not supported");
        prog_->vars.push_back(d);
        return true;
    }

    bool declare() {
        ++pos_;
        if (tok(pos_).kind == Kind::Word || tok(pos_).kind == Kind::QuotedName) return declareCursor();
        while (true) {
            if (tok(pos_).kind != Kind::Variable) return fail("DECLARE expects a variable");
            if (!declareVariable()) return false;
            if (!tok(pos_).punct(",")) return true;
            ++pos_;
        }
    }

    int findCursor(const std::string& name) const {
        for (size_t i = 0; i < prog_->cursors.size(); ++i) {
            if (sameName(prog_->cursors[i], name)) return static_cast<int>(i);
        }
        return -1;
    }

    bool declareCursor() {
        std::string name = tok(pos_++).text;
        if (findCursor(name) >= 0) return fail("cursor " + name + " declared twice");
        if (tok(pos_).is("INSENSITIVE")) ++pos_;
        if (!tok(pos_).is("CURSOR")) return fail("expected CURSOR after DECLARE " + name);
        ++pos_;
        static const char* const options[] = {"LOCAL", "FORWARD_ONLY", "STATIC", "READ_ONLY", "FAST_FORWARD"};
        for (bool more = true; more;) {
            more = false;
            for (const char* o : options) {
                if (tok(pos_).is(o)) {
                    ++pos_;
                    more = true;
                }
            }
        }
        if (!tok(pos_).is("FOR") || !tok(pos_ + 1).is("SELECT")) return fail("cursor " + name + " needs FOR SELECT");
        ++pos_;
        size_t end = 0;
        if (!extentEnd(pos_, Extent::Select, end)) return false;
        SqlText sql;
        Emitter e(*this, sql);
        if (!e.emit(pos_, end) || !e.finish()) return false;
        prog_->cursors.push_back(name);
        prog_->cursorSql.push_back(std::move(sql));
        add(Instr::Op::DeclareCursor).cursor = static_cast<int>(prog_->cursors.size() - 1);
        pos_ = end;
        return true;
    }

    bool cursorName(size_t at, int& cursor) {
        const Token& t = tok(at);
        if (t.kind != Kind::Word && t.kind != Kind::QuotedName) return fail("cursor name expected");
        cursor = findCursor(t.text);
        if (cursor < 0) return fail("A cursor with the name '" + t.text + "' does not exist.");
        return true;
    }

    bool cursorOp() {
        Instr::Op op = tok(pos_).is("OPEN") ? Instr::Op::Open
                       : tok(pos_).is("CLOSE") ? Instr::Op::Close
                                               : Instr::Op::Deallocate;
        int cursor = -1;
        if (!cursorName(pos_ + 1, cursor)) return false;
        add(op).cursor = cursor;
        pos_ += 2;
        return true;
    }

    bool fetch() {
        ++pos_;
        if (tok(pos_).is("NEXT")) ++pos_;
        if (tok(pos_).is("FROM")) ++pos_;
        int cursor = -1;
        if (!cursorName(pos_, cursor)) return false;
        ++pos_;
        if (!tok(pos_).is("INTO")) return fail("FETCH without INTO is not supported");
        Instr in;
        in.op = Instr::Op::Fetch;
        in.cursor = cursor;
        do {
            ++pos_;
            int slot = 0;
            if (tok(pos_).kind != Kind::Variable) return fail("FETCH INTO expects variables");
            if (!slotOf(tok(pos_), slot)) return false;
            in.vars.push_back(slot);
            ++pos_;
        } while (tok(pos_).punct(","));
        prog_->code.push_back(std::move(in));
        return true;
    }

    // Splits the select list of the SELECT at start into items; listEnd is
    // the FROM at depth 0 or the statement's end.
    void selectItems(size_t listStart, size_t end, std::vector<std::pair<size_t, size_t>>& items, size_t& listEnd) {
        int depth = 0;
        size_t itemStart = listStart;
        size_t i = listStart;
        for (; i < end; ++i) {
            const Token& t = tok(i);
            if (t.punct("(")) ++depth;
            else if (t.punct(")")) --depth;
            else if (depth == 0 && t.punct(",")) {
                items.emplace_back(itemStart, i);
                itemStart = i + 1;
            } else if (depth == 0 && t.is("FROM")) {
                break;
            }
        }
        items.emplace_back(itemStart, i);
        listEnd = i;
    }

    bool select() {
        size_t start = pos_;
        size_t end = 0;
        if (!extentEnd(start, Extent::Select, end)) return false;
        size_t listStart = start + 1;
        if (tok(listStart).is("DISTINCT") || tok(listStart).is("ALL")) ++listStart;
        if (tok(listStart).is("TOP")) {
            listStart += tok(listStart + 1).punct("(") ? 4 : 2;
        }
        std::vector<std::pair<size_t, size_t>> items;
        size_t listEnd = 0;
        selectItems(listStart, end, items, listEnd);
        bool assigns = tok(listStart).kind == Kind::Variable && tok(listStart + 1).punct("=");

        Instr in;
        in.op = assigns ? Instr::Op::SelectAssign : Instr::Op::Exec;
        Emitter e(*this, in.sql);
        if (!e.emit(start, listStart)) return false;
        for (size_t k = 0; k < items.size(); ++k) {
            size_t a = items[k].first;
            size_t b = items[k].second;
            if (a == b) return fail("empty item in a select list");
            bool isAssign = tok(a).kind == Kind::Variable && tok(a + 1).punct("=");
            if (isAssign != assigns) {
                return fail("A SELECT statement that assigns a value to a variable must not be combined with "
                            "data-retrieval operations.");
            }
            if (k > 0) e.raw(",");
            if (isAssign) {
                int slot = 0;
                if (!slotOf(tok(a), slot)) return false;
                if (slot < 0) return fail("a system variable cannot be assigned");
                in.vars.push_back(slot);
                if (!e.emit(a + 2, b)) return false;
            } else if ((tok(a).kind == Kind::Word || tok(a).kind == Kind::QuotedName) && tok(a + 1).punct("=") &&
                       b > a + 2) {
                // name = expr is a column alias
                if (!e.emit(a + 2, b)) return false;
                e.raw(" AS " + kel::sql::quotedName(tok(a).text));
            } else if (!e.emit(a, b)) {
                return false;
            }
        }
        if (!e.emit(listEnd, end) || !e.finish()) return false;
        prog_->code.push_back(std::move(in));
        pos_ = end;
        return true;
    }

    bool hasWordAtDepth0(size_t from, size_t end, const char* word) {
        int depth = 0;
        for (size_t i = from; i < end; ++i) {
            if (tok(i).punct("(")) ++depth;
            else if (tok(i).punct(")")) --depth;
            else if (depth == 0 && tok(i).is(word)) return true;
        }
        return false;
    }

    // Columns of table other than its identity column (an INTEGER PRIMARY
    // KEY, which SQL Server fills itself when no column list is given).
    bool nonIdentityColumns(const std::string& table, std::vector<std::string>& columns) {
        columns.clear();
        if (db_ == nullptr) return false;
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db_, "SELECT name, type, pk FROM pragma_table_info(?1)", -1, &st, nullptr) !=
            SQLITE_OK) {
            sqlite3_finalize(st);
            prog_->cacheable = false;
            return false;
        }
        sqlite3_bind_text(st, 1, table.c_str(), -1, SQLITE_TRANSIENT);
        int pkCount = 0;
        bool identity = false;
        while (sqlite3_step(st) == SQLITE_ROW) {
            const char* name = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
            const char* type = reinterpret_cast<const char*>(sqlite3_column_text(st, 1));
            int pk = sqlite3_column_int(st, 2);
            if (pk > 0) ++pkCount;
            if (pk == 1 && type != nullptr && strcasecmp(type, "INTEGER") == 0) {
                identity = true;
                continue;
            }
            columns.emplace_back(name != nullptr ? name : "");
        }
        sqlite3_finalize(st);
        if (columns.empty() && !identity) prog_->cacheable = false;
        return identity && pkCount == 1;
    }

    bool dml(Extent kind) {
        size_t start = pos_;
        size_t end = 0;
        if (!extentEnd(start, kind, end)) return false;
        if (kind != Extent::Insert && !hasWordAtDepth0(start, end, "WHERE")) {
            return fail(tok(start).text + " without a WHERE condition is refused");
        }
        for (size_t i = start; i < end; ++i) {
            if (tok(i).is("TOP") && !tok(i - 1).is("SELECT") && !tok(i - 1).is("DISTINCT")) {
                return fail("TOP is supported in SELECT only");
            }
        }
        Instr in;
        in.op = Instr::Op::Exec;
        Emitter e(*this, in.sql);
        size_t rest = start;
        if (kind == Extent::Insert) {
            size_t name = start + 1;
            if (tok(name).is("INTO")) ++name;
            size_t after = name + 1;
            if (tok(name).is("dbo") && tok(name + 1).punct(".")) after = name + 3;
            const std::string& table = tok(after - 1).text;
            std::vector<std::string> columns;
            if (!tok(after).punct("(") && nonIdentityColumns(table, columns)) {
                std::string list;
                for (const auto& c : columns) list += (list.empty() ? "" : ",") + kel::sql::quotedName(c);
                e.raw("INSERT INTO " + kel::sql::quotedName(table) + " (" + list + ")");
                rest = after;
            }
        }
        if (!e.emit(rest, end) || !e.finish()) return false;
        prog_->code.push_back(std::move(in));
        pos_ = end;
        return true;
    }

    bool condition(Instr& in) {
        size_t from = pos_ + 1;
        size_t end = 0;
        if (!extentEnd(from, Extent::Expr, end)) return false;
        if (end == from) return fail(tok(pos_).text + " without a condition");
        in.op = Instr::Op::JumpIfFalse;
        Emitter e(*this, in.sql);
        e.raw("SELECT ");
        if (!e.emit(from, end) || !e.finish()) return false;
        pos_ = end;
        return true;
    }

    bool body(const char* what) {
        if (tok(pos_).kind == Kind::End || tok(pos_).is("ELSE") || tok(pos_).is("END")) {
            return fail(std::string(what) + " without a statement");
        }
        return statement();
    }

    bool ifStatement() {
        Instr in;
        if (!condition(in)) return false;
        int jump = here();
        prog_->code.push_back(std::move(in));
        if (!body("IF")) return false;
        while (tok(pos_).punct(";")) ++pos_;
        if (tok(pos_).is("ELSE")) {
            ++pos_;
            int skip = here();
            add(Instr::Op::Jump);
            prog_->code[jump].target = here();
            if (!body("ELSE")) return false;
            prog_->code[skip].target = here();
        } else {
            prog_->code[jump].target = here();
        }
        return true;
    }

    bool whileStatement() {
        int top = here();
        Instr in;
        if (!condition(in)) return false;
        int jump = here();
        prog_->code.push_back(std::move(in));
        loops_.push_back({top, {}});
        if (!body("WHILE")) return false;
        add(Instr::Op::Jump).target = top;
        prog_->code[jump].target = here();
        for (int b : loops_.back().breaks) prog_->code[b].target = here();
        loops_.pop_back();
        return true;
    }

    bool block() {
        if (tok(pos_ + 1).is("TRAN") || tok(pos_ + 1).is("TRANSACTION") || tok(pos_ + 1).is("TRY")) {
            return fail("BEGIN " + tok(pos_ + 1).text + " is not supported");
        }
        ++pos_;
        while (!tok(pos_).is("END")) {
            if (tok(pos_).kind == Kind::End) return fail("BEGIN without END");
            if (tok(pos_).punct(";")) {
                ++pos_;
                continue;
            }
            if (!statement()) return false;
        }
        ++pos_;
        return true;
    }

    struct Loop {
        int top;
        std::vector<int> breaks;
    };

    sqlite3* db_;
    std::string& err_;
    std::vector<Token> t_;
    size_t pos_ = 0;
    std::shared_ptr<Program> prog_ = std::make_shared<Program>();
    std::map<std::string, int> labels_;
    std::vector<std::pair<int, std::string>> gotos_;
    std::vector<Loop> loops_;
};

void Emitter::separate(const Token& t) {
    if (sql_.text.empty() || sql_.text.back() == ' ') return;
    if (t.spaceBefore || (wordLike(lastKind_) && wordLike(t.kind))) sql_.text += ' ';
}

bool Emitter::variable(const Token& t) {
    int slot = 0;
    if (!parser_.slotOf(t, slot)) return false;
    sql_.text += '?';
    sql_.slots.push_back(slot);
    return true;
}

// TOP n / TOP (n) / TOP (@v) right after SELECT [DISTINCT|ALL] becomes a
// LIMIT at the end of that SELECT (before its closing parenthesis).
bool Emitter::top(size_t& i, size_t to) {
    Limit lim;
    size_t k = i + 1;
    bool paren = parser_.tok(k).punct("(");
    if (paren) ++k;
    const Token& n = parser_.tok(k);
    if (n.kind == Kind::Number && n.text.find_first_not_of("0123456789") == std::string::npos) {
        lim.text = n.text;
    } else if (n.kind == Kind::Variable) {
        if (!parser_.slotOf(n, lim.slot)) return false;
        lim.isVar = true;
    } else {
        return parser_.fail("TOP needs a whole number");
    }
    ++k;
    if (paren) {
        if (!parser_.tok(k).punct(")")) return parser_.fail("expected ) after TOP (");
        ++k;
    }
    if (parser_.tok(k).is("PERCENT") || parser_.tok(k).is("WITH")) {
        return parser_.fail("TOP " + parser_.tok(k).text + " is not supported");
    }
    if (k > to) return parser_.fail("TOP at the end of a statement");
    lim.set = true;
    limits_.back() = lim;
    i = k - 1;
    return true;
}

void Emitter::flushLimit() {
    Limit& lim = limits_.back();
    if (!lim.set) return;
    sql_.text += " LIMIT ";
    if (lim.isVar) {
        sql_.text += '?';
        sql_.slots.push_back(lim.slot);
    } else {
        sql_.text += lim.text;
    }
    lim = Limit();
}

bool Emitter::emit(size_t from, size_t to) {
    for (size_t i = from; i < to; ++i) {
        const Token& t = parser_.tok(i);
        if (t.is("TOP") && topPlace_ != TopPlace::No) {
            if (!top(i, to)) return false;
            topPlace_ = TopPlace::No;
            continue;
        }
        if (t.is("dbo") && parser_.tok(i + 1).punct(".")) {
            ++i;  // the default schema: SQLite knows one
            continue;
        }
        separate(t);
        switch (t.kind) {
        case Kind::Variable:
        case Kind::SystemVariable:
            if (!variable(t)) return false;
            break;
        case Kind::String:
        case Kind::Timestamp:
            sql_.text += kel::sql::quoted(t.text);
            break;
        case Kind::QuotedName:
            sql_.text += kel::sql::quotedName(t.text);
            break;
        case Kind::Word:
            if (t.is("substring") && parser_.tok(i + 1).punct("(")) sql_.text += "substr";
            else if (t.is("isnull") && parser_.tok(i + 1).punct("(")) sql_.text += "ifnull";
            else sql_.text += t.text;
            break;
        case Kind::Punct:
            if (t.text == "(") {
                sql_.text += '(';
                limits_.emplace_back();
            } else if (t.text == ")") {
                if (limits_.size() > 1) {
                    flushLimit();
                    limits_.pop_back();
                }
                sql_.text += ')';
            } else if (t.text == ":") {
                return parser_.fail("unexpected ':'");  // SQLite would read a named parameter
            } else if (t.text == "!<") {
                sql_.text += ">=";
            } else if (t.text == "!>") {
                sql_.text += "<=";
            } else {
                sql_.text += t.text;
            }
            break;
        default:
            sql_.text += t.text;
            break;
        }
        lastKind_ = t.kind;
        if (t.is("SELECT")) topPlace_ = TopPlace::AfterSelect;
        else if (topPlace_ == TopPlace::AfterSelect && (t.is("DISTINCT") || t.is("ALL"))) topPlace_ = TopPlace::AfterQuantifier;
        else topPlace_ = TopPlace::No;
    }
    return true;
}

bool Emitter::finish() {
    while (limits_.size() > 1) limits_.pop_back();
    flushLimit();
    return true;
}

}  // namespace

std::shared_ptr<const Program> parseBatch(sqlite3* db, const std::string& batch, std::string& err) {
    err.clear();
    Parser p(db, err);
    if (!p.tokenize(batch) || !p.statements()) return nullptr;
    return p.take();
}

std::shared_ptr<const Program> parseProcedure(sqlite3* db, const std::string& text, std::string& err) {
    err.clear();
    Parser p(db, err);
    if (!p.tokenize(text) || !p.procedureHeader() || !p.statements()) return nullptr;
    return p.take();
}

}  // namespace kel::tsql
