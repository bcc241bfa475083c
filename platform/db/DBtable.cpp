#include "platform/db/DBtable.h"

#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <charconv>
#include <cinttypes>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string_view>

#include "platform/db/DBEngine.h"
#include "platform/db/DBSavepoint.h"
#include "platform/db/DBShapedBatch.h"
#include "platform/db/DBWriterQueue.h"
#include "platform/db/SqlFormat.h"
#include "platform/util/BoundedCopy.h"

unsigned char DBtable::b_newDBBase = 0;
FXCriticalSection DBtable::DBCriticalSection;

namespace {

// A prepared statement as a result set. A cached statement is only reset
// when done; an owned one is finalized.
class StatementResult : public DBResultSet {
public:
    StatementResult(sqlite3* db, sqlite3_stmt* stmt, bool owned, std::vector<DBParam> params = {})
        : db_(db), stmt_(stmt), owned_(owned), params_(std::move(params)) {}
    ~StatementResult() override {
        if (owned_) sqlite3_finalize(stmt_);
        else sqlite3_reset(stmt_);
    }
    int next(std::string& error) override {
        int rc = sqlite3_step(stmt_);
        if (rc == SQLITE_ROW) return kDBOk;
        if (rc == SQLITE_DONE) return kDBNoRow;
        error = sqlite3_errmsg(db_);
        return -sqlite3_extended_errcode(db_);
    }
    sqlite3_stmt* statement() override { return stmt_; }
    int columnCount() override { return sqlite3_column_count(stmt_); }
    bool isNull(int column) override { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }
    long long intValue(int column) override { return sqlite3_column_int64(stmt_, column); }
    const char* textValue(int column, int* len) override {
        const char* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
        *len = text ? sqlite3_column_bytes(stmt_, column) : 0;
        return text ? text : "";
    }

private:
    sqlite3* db_;
    sqlite3_stmt* stmt_;
    bool owned_;
    std::vector<DBParam> params_;  // bound as SQLITE_STATIC: kept while stepping
};

std::atomic<DBBatchExecutor> g_executor{DBrunBatch};

template <typename T>
T& field(void* row, const DBColumn& column) {
    return *reinterpret_cast<T*>(static_cast<char*>(row) + column.offset);
}

bool isIntToken(const char* token) { return token[0] == 'i'; }
bool isBigToken(const char* token) { return token[0] == 'b' || token[0] == 'x'; }
bool isDateToken(const char* token) { return token[0] == 't'; }
bool isPointerToken(const char* token) { return token[0] == 'u' && token[1] == '\0'; }

// Column readers for fetchRowFrom: a null value reads as integer 0 and as a
// null text.
struct StatementReader {
    sqlite3_stmt* stmt;
    long long integer(int column) { return sqlite3_column_int64(stmt, column); }
    const char* text(int column, int* len) {
        const char* value = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
        *len = value ? sqlite3_column_bytes(stmt, column) : 0;
        return value;
    }
};

struct ResultReader {
    DBResultSet* result;
    long long integer(int column) { return result->isNull(column) ? 0 : result->intValue(column); }
    const char* text(int column, int* len) {
        *len = 0;
        return result->isNull(column) ? nullptr : result->textValue(column, len);
    }
};

}  // namespace

// ---------------------------------------------------------------- values

DB_DATETIME& DB_DATETIME::operator=(const DB_DATETIME& other) {
    if (this != &other) {
        year = other.year;
        month = other.month;
        day = other.day;
        hour = other.hour;
        minute = other.minute;
        second = other.second;
        fraction = other.fraction;
        std::memset(text, 0, sizeof text);
        flag = other.flag;
    }
    return *this;
}

void DB_DATETIME::clear() {
    year = 0;
    month = day = hour = minute = second = 0;
    fraction = 0;
    std::memset(text, 0, sizeof text);
    flag = 0;
}

bool DB_DATETIME::isCleared() const {
    return year == 0 && month == 0 && day == 0 && hour == 0 && minute == 0 && second == 0;
}

const char* DB_DATETIME::format() {
    if (isCleared()) {
        text[0] = '\0';
    } else {
        std::snprintf(text, sizeof text, "%04d-%02u-%02u %02u:%02u:%02u", int(year), unsigned(month),
                      unsigned(day), unsigned(hour), unsigned(minute), unsigned(second));
    }
    return text;
}

namespace {

// The form the catalogue stores, "YYYY-MM-DD HH:MM:SS": read without sscanf,
// which costs more than the rest of a history row.
bool parseStoredForm(const char* t, int& y, int& mo, int& d, int& h, int& mi, int& s) {
    static const char kForm[] = "0000-00-00 00:00:00";
    for (size_t i = 0; i + 1 < sizeof kForm; ++i) {
        if (kForm[i] == '0' ? (t[i] < '0' || t[i] > '9') : t[i] != kForm[i]) return false;
    }
    auto two = [t](int at) { return (t[at] - '0') * 10 + (t[at + 1] - '0'); };
    y = two(0) * 100 + two(2);
    mo = two(5);
    d = two(8);
    h = two(11);
    mi = two(14);
    s = two(17);
    return true;
}

}  // namespace

bool DB_DATETIME::parse(const char* stored) {
    clear();
    int y, mo, d, h, mi, s;
    if (!stored) return false;
    // Anything else is read as it always was.
    if (!parseStoredForm(stored, y, mo, d, h, mi, s) &&
        std::sscanf(stored, "%4d-%2d-%2d %2d:%2d:%2d", &y, &mo, &d, &h, &mi, &s) != 6)
        return false;
    year = int16_t(y);
    month = uint16_t(mo);
    day = uint16_t(d);
    hour = uint16_t(h);
    minute = uint16_t(mi);
    second = uint16_t(s);
    flag = 1;
    return true;
}

void dLongToLongDB(long long value, long* high, long* low) {
    uint64_t v = uint64_t(value);
    if (high) *high = long(int32_t(uint32_t(v >> 32)));
    if (low) *low = long(int32_t(uint32_t(v & 0xFFFFFFFFu)));
}

void longToDlongDB(long long* value, long high, long low) {
    // The low half is unsigned: a negative 32-bit low word is its high bit.
    if (value) *value = (long long)((uint64_t(uint32_t(high)) << 32) | uint64_t(uint32_t(low)));
}

int DBrunSql(sqlite3* db, const std::string& sql, std::unique_ptr<DBResultSet>& result, std::string& error) {
    std::string text;
    if (!DBrewriteTimestamps(sql, text, error)) return kDBErrValue;
    const char* tail = text.c_str();
    const char* end = tail + text.size();
    sqlite3_stmt* last = nullptr;
    // Every statement but the last runs to its end; the last one's rows are
    // the result.
    while (tail < end) {
        sqlite3_stmt* stmt = nullptr;
        int rc = sqlite3_prepare_v2(db, tail, int(end - tail), &stmt, &tail);
        if (rc != SQLITE_OK) {
            sqlite3_finalize(last);
            error = sqlite3_errmsg(db);
            return -sqlite3_extended_errcode(db);
        }
        if (!stmt) break;  // trailing blanks or comments
        if (last) {
            int step;
            while ((step = sqlite3_step(last)) == SQLITE_ROW) {
            }
            sqlite3_finalize(last);
            if (step != SQLITE_DONE) {
                sqlite3_finalize(stmt);
                error = sqlite3_errmsg(db);
                return -sqlite3_extended_errcode(db);
            }
        }
        last = stmt;
    }
    if (!last) {
        error = "empty statement";
        return kDBErrUsage;
    }
    result.reset(new StatementResult(db, last, true));
    return kDBOk;
}

// ---------------------------------------------------------------- DBtable

DBtable::DBtable(const char* name, int, DBtran* tran)
    : m_name(name ? name : ""), m_tran(tran), m_query(256, '\0'), m_values(256, '\0'), m_where(256, '\0') {
    // Listed from the start, so that a transaction that goes first can
    // detach every record working in it.
    if (m_tran) {
        FXCriticalSectionGuard guard(DBCriticalSection);
        m_tran->addObject(this);
    }
}

DBtable::~DBtable() {
    m_cursor.reset();
    ClearBoundInputs();
    if (m_tran) {
        FXCriticalSectionGuard guard(DBCriticalSection);
        m_tran->removeObject(this);
    }
}

void DBtable::setBatchExecutor(DBBatchExecutor executor) { g_executor = executor ? executor : DBrunBatch; }

void DBtable::setLayout(const DBColumnLayout* layout, void* row) {
    m_layout = layout;
    m_row = row;
    m_selectList.clear();
    if (!layout) return;
    for (int i = 0; i < layout->columnCount; ++i) {
        if (i) m_selectList += ", ";
        m_selectList += layout->columns[i].name;
    }
    if (layout->orderBy && m_orderBy.empty()) m_orderBy = layout->orderBy;
    m_selectPrefix = "SELECT " + m_selectList + " FROM " + m_name;
    m_insertSql.clear();
    m_insertSerial = 0;
    m_lookupSerial = 0;
    if (layout->kind != DBKindTable) return;
    std::string columns, marks;
    for (int i = 0; i < layout->columnCount; ++i) {
        if (i == layout->identityColumn) continue;
        if (!columns.empty()) {
            columns += ", ";
            marks += ", ";
        }
        columns += layout->columns[i].name;
        marks += '?';
    }
    m_insertSql = "INSERT INTO " + m_name + " (" + columns + ") VALUES (" + marks + ")";
}

const char* DBtable::getpDescribe() const {
    return m_layout && m_layout->describe ? m_layout->describe : m_name.c_str();
}

void DBtable::setOrderBy(const char* orderBy) { m_orderBy = orderBy ? orderBy : ""; }

namespace {

// What a where format may hold around its numbers for its shape to be read
// from it: names, blanks and operators that parameterisation copies as they
// are (no texts, digits, signs, comments, times or parameter marks).
bool plainWhereChar(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_' || c == ' ' || c == '=' || c == '<' || c == '>' ||
           c == '!' || c == '(' || c == ')' || c == ',' || c == '.' || c == '*' || c == '\t' || c == '\n';
}

}  // namespace

// A format of names, operators and plain integer conversions gives its text,
// its shape (a "?" for each number) and its parameters in one pass, as the
// text's parameterisation would; anything else is left to vsnprintf and to
// parameterisation when a lookup runs. False, with nothing written, when the
// format is not of that kind.
bool DBtable::shapeWhere(const char* format, va_list args) {
    m_whereText.clear();
    m_shape.clear();
    m_params.clear();
    for (const char* f = format; *f;) {
        if (*f != '%') {
            if (!plainWhereChar(*f)) return false;
            m_whereText += *f;
            m_shape += *f++;
            continue;
        }
        const char* conv = f + 1;
        int longs = 0;
        while (*conv == 'l' && longs < 2) ++conv, ++longs;
        const char kind = *conv;
        if (kind != 'd' && kind != 'i' && kind != 'u') return false;
        // A number run into a name stays in the text.
        if (!m_whereText.empty() && DBisNameChar(m_whereText.back())) return false;
        if (DBisNameChar(conv[1]) || conv[1] == '%') return false;
        long long value = 0;
        if (kind == 'u') {
            const unsigned long long u = longs == 0   ? va_arg(args, unsigned int)
                                         : longs == 1 ? va_arg(args, unsigned long)
                                                      : va_arg(args, unsigned long long);
            if (u > static_cast<unsigned long long>(INT64_MAX)) return false;
            value = static_cast<long long>(u);
        } else {
            value = longs == 0 ? va_arg(args, int) : longs == 1 ? va_arg(args, long) : va_arg(args, long long);
        }
        char digits[24];
        const std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, value);
        m_whereText.append(digits, end.ptr);
        m_shape += '?';
        m_params.push_back(DBParam{false, value, std::string()});
        f = conv + 1;
    }
    whereClauseCheck(m_whereText.size() + 1);
    std::memcpy(m_where.data(), m_whereText.c_str(), m_whereText.size() + 1);
    m_whereSet = !m_whereText.empty();
    m_whereShaped = true;
    return true;
}

int DBtable::setWhere(const char* format, ...) {
    // A format in which a text could be more than its one literal: the
    // record then refuses to run until a sound where text is set.
    m_whereRefusal.clear();
    const auto refuse = [this, format](std::string why) {
        m_whereRefusal = std::move(why);
        return refuseFormat("where", format, m_whereRefusal);
    };
    std::string why;
    if (format && kel::sql::unsoundFormat(format, &why)) return refuse(std::move(why));
    // Straight into the where buffer: a lookup sets its where text each time.
    int n = -1;
    if (format) {
        va_list args;
        va_start(args, format);
        const bool shaped = shapeWhere(format, args);
        va_end(args);
        if (shaped) return kDBOk;
        m_whereShaped = false;
        va_start(args, format);
        n = std::vsnprintf(m_where.data(), m_where.size(), format, args);
        va_end(args);
        if (n >= 0 && size_t(n) >= m_where.size()) {
            whereClauseCheck(size_t(n) + 1);
            va_start(args, format);
            n = std::vsnprintf(m_where.data(), m_where.size(), format, args);
            va_end(args);
        }
        // An empty where text would update or delete by the row's key instead.
        if (n < 0) {
            clearText(m_where);
            return refuse("printf cannot format it with its arguments");
        }
    }
    if (n < 0) n = 0;
    m_whereShaped = false;
    m_where[size_t(n)] = '\0';
    m_whereSet = n > 0;
    return kDBOk;
}

void DBtable::querySizeCheck(unsigned long size, bool keep) {
    m_batchShaped = false;  // the caller writes the text itself
    if (m_query.size() < size + 1) {
        std::vector<char> grown(size + 1, '\0');
        if (keep) std::memcpy(grown.data(), m_query.data(), m_query.size());
        m_query.swap(grown);
    }
}

void DBtable::valuesClauseCheck(unsigned long size) {
    if (m_values.size() < size + 1) m_values.assign(size + 1, '\0');
}

void DBtable::whereClauseCheck(unsigned long size) {
    if (m_where.size() < size + 1) {
        m_where.assign(size + 1, '\0');
        m_whereShaped = false;
    }
}

int DBtable::CallDBsprintf(char* buf, unsigned long size, const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = kel::sql::vformat(format, args);
    va_end(args);
    std::vector<char>* own = nullptr;
    if (buf == m_query.data()) {
        own = &m_query;
        m_batchShaped = false;
    }
    else if (buf == m_values.data()) own = &m_values;
    else if (buf == m_where.data()) {
        own = &m_where;
        m_whereShaped = false;
    }
    if (own) {
        // Doubled quotes may outgrow what the caller reserved.
        if (own->size() < text.size() + 1) own->assign(text.size() + 1, '\0');
        std::memcpy(own->data(), text.c_str(), text.size() + 1);
        return int(text.size());
    }
    if (!buf || size == 0) return -1;
    // Nothing of a statement that does not fit is kept: a cut one could still run.
    return kel::boundedCopy(buf, size, text) ? int(text.size()) : -1;
}

int DBtable::CallDBsprintfWrapper(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = kel::sql::vformat(format, args);
    va_end(args);
    return setBatchText(text);
}

char* DBtable::getQueryBuffer() {
    if (m_batchShaped) setBatchText(m_shaped->text());
    return m_query.data();
}

bool DBtable::setShapedBatch(const char* format, va_list args) {
    m_batchShaped = false;
    if (!m_layout || m_layout->kind != DBKindCursor) return false;
    if (!m_shaped) m_shaped.reset(new DBShapedBatch);
    m_batchShaped = m_shaped->take(format, args);
    return m_batchShaped;
}

int DBtable::setBatchText(const std::string& text) {
    m_batchShaped = false;
    std::vector<char>& target = (m_layout && m_layout->kind == DBKindProcedure) ? m_values : m_query;
    if (target.size() < text.size() + 1) target.assign(text.size() + 1, '\0');
    std::memcpy(target.data(), text.c_str(), text.size() + 1);
    return int(text.size());
}

void DBtable::ClearBoundInputs() {
    for (KelDBDataTypeBase* value : m_inputs) delete value;
    m_inputs.clear();
    m_inputsBound = 0;
}

void DBtable::BindInput(KelDBDataTypeBase* value) {
    if (value) m_inputs.push_back(value);
}

int DBtable::fail(int code, const std::string& text) {
    m_lastCode = code;
    m_error = text;
    return code;
}

int DBtable::failSqlite(sqlite3* db, int rc) {
    int code = db ? sqlite3_extended_errcode(db) : rc;
    if (code == 0) code = rc;
    return fail(-code, db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
}

const char* DBtable::getErrorStr(int code) {
    if (code == m_lastCode && !m_error.empty()) return m_error.c_str();
    if (code == kDBOk) return "success";
    if (code == kDBNoRow) return "no (further) row";
    if (code < 0 && code > -10000) return sqlite3_errstr(-code);
    return "database library error";
}

DBConnection* DBtable::connection() {
    if (m_tran && m_tran != this) return m_tran->tranConnection();
    if (!m_ownConnection) {
        std::string error;
        m_ownConnection = DBConnection::take(error);
        if (!m_ownConnection) fail(kDBErrOpen, "cannot open the catalogue: " + error);
    }
    return m_ownConnection.get();
}

void DBtable::setPrimaryWhere() {
    clearText(m_where);
    m_whereShaped = false;
    if (!m_layout || !m_row || m_layout->keyCount <= 0) return;
    std::string text;
    for (int k = 0; k < m_layout->keyCount; ++k) {
        const DBColumn* column = nullptr;
        for (int i = 0; i < m_layout->columnCount; ++i) {
            if (std::strcmp(m_layout->columns[i].name, m_layout->keyColumns[k]) == 0) column = &m_layout->columns[i];
        }
        if (!column) return;
        if (k) text += " AND ";
        const char* token = column->token;
        if (isIntToken(token)) {
            text += kel::sql::format("%s=%d", column->name, field<int32_t>(m_row, *column));
        } else if (isBigToken(token)) {
            text += kel::sql::format("%s=%lld", column->name, (long long)field<int64_t>(m_row, *column));
        } else if (!isDateToken(token) && !isPointerToken(token)) {
            std::string value = kel::fieldText(&field<char>(m_row, *column), column->size);
            text += kel::sql::format("%s=%s", column->name, kel::sql::quoted(value).c_str());
        } else {
            return;
        }
    }
    whereClauseCheck(text.size() + 1);
    std::memcpy(m_where.data(), text.c_str(), text.size() + 1);
}

namespace {

// Binds one field of the row struct to parameter index. kDBErrValue with
// error set when the value does not fit its column.
int bindField(sqlite3_stmt* stmt, int index, void* row, const DBColumn& column, std::string& error) {
    const char* token = column.token;
    int rc;
    if (isIntToken(token)) {
        rc = sqlite3_bind_int(stmt, index, field<int32_t>(row, column));
    } else if (isBigToken(token)) {
        rc = sqlite3_bind_int64(stmt, index, field<int64_t>(row, column));
    } else if (isDateToken(token)) {
        DB_DATETIME& date = field<DB_DATETIME>(row, column);
        if (date.isCleared()) {
            rc = sqlite3_bind_null(stmt, index);
        } else {
            if (date.year < 1 || date.month < 1 || date.month > 12 || date.day < 1 || date.day > 31 ||
                date.hour > 23 || date.minute > 59 || date.second > 59) {
                error = std::string("invalid date in column ") + column.name;
                return kDBErrValue;
            }
            rc = sqlite3_bind_text(stmt, index, date.format(), 19, SQLITE_STATIC);
        }
    } else if (isPointerToken(token)) {
        const char* text = field<char*>(row, column);
        rc = text ? sqlite3_bind_text(stmt, index, text, -1, SQLITE_STATIC) : sqlite3_bind_text(stmt, index, "", 0, SQLITE_STATIC);
    } else {
        const char* text = &field<char>(row, column);
        size_t len = strnlen(text, column.size);
        if (len >= column.size) {
            error = std::string("text longer than column ") + column.name;
            return kDBErrValue;
        }
        rc = sqlite3_bind_text(stmt, index, text, int(len), SQLITE_STATIC);
    }
    return rc == SQLITE_OK ? kDBOk : -rc;
}

}  // namespace

// Steps a statement that writes to its end: SQLITE_DONE, SQLite's code, or
// kDBErrBusy (with its text) when it would take the catalogue's writer
// outside a transaction and was refused its turn.
int DBtable::stepWrite(sqlite3* db, sqlite3_stmt* stmt) {
    DBAutocommitWriter writer(db, stmt);
    if (writer.refused()) return fail(kDBErrBusy, writer.why());
    int rc = sqlite3_step(stmt);
    while (rc == SQLITE_ROW) rc = sqlite3_step(stmt);
    return rc;
}

// Runs one statement without a result. With bindRow every column of the row
// (but the identity column when bindKeyless) is bound in order. With
// countChanges a statement that changed nothing gives 100.
int DBtable::runStatement(const std::string& sqlIn, bool bindRow, bool bindKeyless, bool countChanges) {
    DBConnection* conn = connection();
    if (!conn) return m_lastCode;
    std::string dated, sql, error;
    if (!DBrewriteTimestamps(sqlIn, dated, error)) return fail(kDBErrValue, error);
    std::vector<DBParam> params;
    DBparameterize(dated, sql, params);
    int rc = 0;
    sqlite3_stmt* stmt = conn->cached(sql, rc);
    if (!stmt) return failSqlite(conn->db(), rc);
    int index = 1;
    if (bindRow) {
        for (int i = 0; i < m_layout->columnCount; ++i) {
            if (bindKeyless && i == m_layout->identityColumn) continue;
            int bound = bindField(stmt, index++, m_row, m_layout->columns[i], error);
            if (bound != kDBOk) {
                sqlite3_clear_bindings(stmt);
                return error.empty() ? failSqlite(conn->db(), -bound) : fail(bound, error);
            }
        }
    }
    // The literals of the text come after the row's fields.
    rc = DBbindParams(stmt, index, params);
    if (rc != SQLITE_OK) {
        sqlite3_clear_bindings(stmt);
        return failSqlite(conn->db(), rc);
    }
    rc = stepWrite(conn->db(), stmt);
    if (rc != SQLITE_DONE) {
        int code = rc == kDBErrBusy ? rc : failSqlite(conn->db(), rc);
        sqlite3_reset(stmt);
        sqlite3_clear_bindings(stmt);
        return code;
    }
    sqlite3_reset(stmt);
    if (countChanges && sqlite3_changes(conn->db()) == 0) return kDBNoRow;
    return kDBOk;
}

int DBtable::rowInsert(bool) {
    if (!m_layout || !m_row || m_layout->kind != DBKindTable) return fail(kDBErrUsage, "rowInsert needs a table layout");
    const int identity = m_layout->identityColumn;
    setInIdValues();
    DBConnection* conn = connection();
    if (!conn) return m_lastCode;
    int rc;
    if (m_values[0] == '\0') {
        rc = insertBound(conn);
    } else {
        // A record's own values text: the library's columns, its values.
        std::string sql = m_insertSql.substr(0, m_insertSql.rfind(" VALUES (")) + " VALUES (" + m_values.data() + ")";
        rc = runStatement(sql, false, true, false);
    }
    if (rc != kDBOk) return rc;
    if (identity >= 0) {
        sqlite3_int64 id = sqlite3_last_insert_rowid(conn->db());
        field<int32_t>(m_row, m_layout->columns[identity]) = int32_t(id);
    }
    return kDBOk;
}

int DBtable::insertBound(DBConnection* conn) {
    int rc = SQLITE_OK;
    if (m_insertSerial != conn->serial()) {
        m_insertStmt = conn->shaped(m_insertSql, rc);
        if (!m_insertStmt) return failSqlite(conn->db(), rc);
        m_insertSerial = conn->serial();
    }
    sqlite3_stmt* stmt = m_insertStmt;
    std::string error;
    int index = 1;
    for (int i = 0; i < m_layout->columnCount; ++i) {
        if (i == m_layout->identityColumn) continue;
        int bound = bindField(stmt, index++, m_row, m_layout->columns[i], error);
        if (bound != kDBOk) {
            sqlite3_clear_bindings(stmt);
            return error.empty() ? failSqlite(conn->db(), -bound) : fail(bound, error);
        }
    }
    rc = stepWrite(conn->db(), stmt);
    if (rc != SQLITE_DONE) {
        int code = rc == kDBErrBusy ? rc : failSqlite(conn->db(), rc);
        sqlite3_reset(stmt);
        sqlite3_clear_bindings(stmt);
        return code;
    }
    sqlite3_reset(stmt);
    return kDBOk;
}

int DBtable::updateRowFormat(const char* format, va_list args) {
    if (!format) return updateRow(nullptr);
    std::string why;
    if (kel::sql::unsoundFormat(format, &why)) return refuseFormat("SET", format, why);
    std::string set = kel::sql::vformat(format, args);
    return updateRow(set.c_str());
}

int DBtable::refuseFormat(const char* what, const char* format, const std::string& why) {
    return fail(kDBErrUsage, std::string("the ") + what + " format (" + format + ") is refused: " + why +
                                 "; give a text as kel::sql::quoted(text) to a plain %s");
}

int DBtable::refusedWhere() { return fail(kDBErrUsage, "the where format was refused: " + m_whereRefusal); }

int DBtable::updateRow(const char* setList) {
    if (!m_whereRefusal.empty()) return refusedWhere();
    if (!m_layout || m_layout->kind != DBKindTable) return fail(kDBErrUsage, "rowUpdate needs a table layout");
    if (!m_whereSet) setPrimaryWhere();
    if (m_where[0] == '\0') return fail(kDBErrUsage, "rowUpdate without a where text");
    std::string where(m_where.data());
    std::string set;
    bool bindRow = false;
    if (setList) {
        set = setList;
    } else {
        if (!m_row) return fail(kDBErrUsage, "rowUpdate needs a row");
        setUpdateValues();
        if (m_values[0] != '\0') {
            set = m_values.data();
        } else {
            bindRow = true;
            for (int i = 0; i < m_layout->columnCount; ++i) {
                if (i == m_layout->identityColumn) continue;
                if (!set.empty()) set += ", ";
                set += m_layout->columns[i].name;
                set += " = ?";
            }
        }
    }
    return runStatement("UPDATE " + m_name + " SET " + set + " WHERE " + where, bindRow, true, true);
}

int DBtable::rowDelete() {
    if (!m_whereRefusal.empty()) return refusedWhere();
    if (!m_layout || m_layout->kind != DBKindTable) return fail(kDBErrUsage, "rowDelete needs a table layout");
    if (!m_whereSet) setPrimaryWhere();
    if (m_where[0] == '\0') return fail(kDBErrUsage, "rowDelete without a where text");
    return runStatement("DELETE FROM " + m_name + " WHERE " + std::string(m_where.data()), false, false, true);
}

int DBtable::openCursor() {
    m_cursor.reset();
    m_openedEmpty = false;
    if (!m_whereRefusal.empty()) return refusedWhere();
    if (!m_layout || !m_row) return fail(kDBErrUsage, "openCursor needs a layout");
    DBConnection* conn = connection();
    if (!conn) return m_lastCode;
    std::string error;
    int rc;
    if (m_layout->kind == DBKindTable) {
        // Only the where text's literals become parameters: an ORDER BY
        // may name columns by number.
        std::string sql = "SELECT " + m_selectList + " FROM " + m_name;
        std::vector<DBParam> params;
        if (m_whereSet) {
            std::string dated, where;
            if (!DBrewriteTimestamps(m_where.data(), dated, error)) return fail(kDBErrValue, error);
            DBparameterize(dated, where, params);
            sql += " WHERE " + where;
        }
        if (!m_orderBy.empty()) sql += " ORDER BY " + m_orderBy;
        sqlite3_stmt* stmt = nullptr;
        if (m_oneShot) {
            // getOneRow opens, reads and closes within one call: the
            // connection's cached statement is safe to use.
            stmt = conn->cached(sql, rc);
        } else {
            rc = sqlite3_prepare_v2(conn->db(), sql.c_str(), int(sql.size()), &stmt, nullptr);
        }
        if (!stmt || rc != SQLITE_OK) {
            if (!m_oneShot) sqlite3_finalize(stmt);
            return failSqlite(conn->db(), rc ? rc : SQLITE_MISUSE);
        }
        rc = DBbindParams(stmt, 1, params);
        m_cursor.reset(new StatementResult(conn->db(), stmt, !m_oneShot, std::move(params)));
        if (rc != SQLITE_OK) {
            m_cursor.reset();
            return failSqlite(conn->db(), rc);
        }
    } else {
        DBBatch batch{m_layout->kind, m_name.c_str(), std::string(), {}};
        batch.firstRowOnly = m_oneShot;
        if (m_layout->kind == DBKindProcedure) {
            batch.text = m_values.data();
            batch.inputsBound = m_inputsBound != 0 || !m_inputs.empty();
            for (KelDBDataTypeBase* value : m_inputs) {
                long long v = 0;
                if (auto* i32 = dynamic_cast<KelDB_int*>(value)) v = i32->value();
                else if (auto* i64 = dynamic_cast<KelDB_int64*>(value)) v = i64->value();
                batch.inputs.push_back(v);
            }
        } else if (m_batchShaped && g_executor.load() == DBrunBatch) {
            batch.shaped = m_shaped.get();
        } else {
            batch.text = getQueryBuffer();
        }
        rc = g_executor.load()(*conn, batch, m_cursor, error);
        if (rc != kDBOk) {
            m_cursor.reset();
            return fail(rc, error);
        }
        if (!m_cursor) return fail(kDBErrNoExecutor, "the batch executor gave no result");
    }
    // An empty result is reported at once: the caller gets 100 from open.
    rc = m_cursor->next(error);
    if (rc != kDBOk) {
        m_cursor.reset();
        m_openedEmpty = rc == kDBNoRow;
        return rc == kDBNoRow ? kDBNoRow : fail(rc, error);
    }
    m_pendingRow = true;
    return kDBOk;
}

int DBtable::fetchCursor(bool) {
    // A caller that reads on after an empty open gets the end of data, as
    // from any other cursor that has no further row.
    if (!m_cursor && m_openedEmpty) return kDBNoRow;
    if (!m_cursor) return fail(kDBErrUsage, "fetchCursor without an open cursor");
    if (!m_pendingRow) {
        std::string error;
        int rc = m_cursor->next(error);
        if (rc == kDBNoRow) return kDBNoRow;
        if (rc != kDBOk) return fail(rc, error);
    }
    m_pendingRow = false;
    return fetchRow();
}

int DBtable::closeCursor() {
    m_cursor.reset();
    m_pendingRow = false;
    m_openedEmpty = false;
    return kDBOk;
}

int DBtable::getOneRow(DBtable* record, bool, int, int) {
    DBtable* target = record ? record : this;
    if (target->m_layout && target->m_row && target->m_layout->kind == DBKindTable) return target->oneRowFromTable();
    target->m_oneShot = true;
    int rc = target->openCursor();
    target->m_oneShot = false;
    if (rc == kDBOk) rc = target->fetchCursor(true);
    target->closeCursor();
    return rc;
}

int DBtable::fetchRow() {
    const int columns = std::min(m_layout->columnCount, m_cursor->columnCount());
    if (sqlite3_stmt* stmt = m_cursor->statement()) {
        StatementReader reader{stmt};
        fetchRowFrom(reader, columns);
    } else {
        ResultReader reader{m_cursor.get()};
        fetchRowFrom(reader, columns);
    }
    return kDBOk;
}

template <typename Reader>
void DBtable::fetchRowFrom(Reader& reader, int columns) {
    for (int i = 0; i < columns; ++i) {
        const DBColumn& column = m_layout->columns[i];
        const char* token = column.token;
        if (isIntToken(token)) {
            field<int32_t>(m_row, column) = int32_t(reader.integer(i));
        } else if (isBigToken(token)) {
            field<int64_t>(m_row, column) = int64_t(reader.integer(i));
        } else if (isDateToken(token)) {
            DB_DATETIME& date = field<DB_DATETIME>(m_row, column);
            int len = 0;
            const char* value = reader.text(i, &len);
            if (!value) date.clear();
            else date.parse(value);
        } else if (isPointerToken(token)) {
            char*& text = field<char*>(m_row, column);
            delete[] text;
            text = nullptr;
            int len = 0;
            const char* value = reader.text(i, &len);
            if (value) {
                if (size_t(len) > kDBUnsizedTextMax) {
                    len = int(kDBUnsizedTextMax);
                    while (len > 0 && (static_cast<unsigned char>(value[len]) & 0xC0) == 0x80) --len;
                }
                text = new char[size_t(len) + 1];
                std::memcpy(text, value, size_t(len));
                text[len] = '\0';
            }
        } else {
            int len = 0;
            const char* value = reader.text(i, &len);
            // Writes refuse a text longer than its column (bindField), so a
            // stored value fits; one put there around the library is read cut
            // rather than past the end of the row.
            kel::cutCopy(&field<char>(m_row, column), column.size, value ? value : "", size_t(len));
        }
    }
}

int DBtable::oneRowFromTable() {
    m_cursor.reset();
    m_pendingRow = false;
    m_openedEmpty = false;
    if (!m_whereRefusal.empty()) return refusedWhere();
    DBConnection* conn = connection();
    if (!conn) return m_lastCode;
    std::string error;
    if (!m_whereShaped) {
        m_params.clear();
        m_shape.clear();
    }
    if (m_whereSet && !m_whereShaped) {
        // Only the where text's literals become parameters: an ORDER BY
        // may name columns by number.
        std::string_view where(m_where.data());
        if (where.find('{') != std::string_view::npos) {
            std::string dated;
            if (!DBrewriteTimestamps(std::string(where), dated, error)) return fail(kDBErrValue, error);
            DBparameterize(dated, m_shape, m_params);
        } else {
            DBparameterize(where, m_shape, m_params);
        }
    }
    int rc = SQLITE_OK;
    sqlite3_stmt* stmt = m_lookupStmt;
    if (m_lookupSerial != conn->serial() || m_lookupEpoch != conn->textEpoch() || m_lookupWhere != m_shape ||
        m_lookupOrder != m_orderBy) {
        std::string sql = m_selectPrefix;
        if (m_whereSet) sql += " WHERE " + m_shape;
        if (!m_orderBy.empty()) sql += " ORDER BY " + m_orderBy;
        m_lookupSerial = 0;
        stmt = conn->cached(sql, rc);
        if (!stmt || rc != SQLITE_OK) return failSqlite(conn->db(), rc ? rc : SQLITE_MISUSE);
        m_lookupStmt = stmt;
        m_lookupWhere = m_shape;
        m_lookupOrder = m_orderBy;
        m_lookupSerial = conn->serial();
        m_lookupEpoch = conn->textEpoch();
    }
    rc = DBbindParams(stmt, 1, m_params);
    if (rc != SQLITE_OK) {
        sqlite3_reset(stmt);
        return failSqlite(conn->db(), rc);
    }
    rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW) {
        StatementReader reader{stmt};
        fetchRowFrom(reader, std::min(m_layout->columnCount, sqlite3_column_count(stmt)));
        sqlite3_reset(stmt);
        return kDBOk;
    }
    if (rc == SQLITE_DONE) {
        sqlite3_reset(stmt);
        return kDBNoRow;
    }
    error = sqlite3_errmsg(conn->db());
    int code = -sqlite3_extended_errcode(conn->db());
    sqlite3_reset(stmt);
    return fail(code, error);
}

// ---------------------------------------------------------------- DBtran

namespace {

// How long startTran waits behind a holder of the catalogue's writer that
// does not end: a few seconds, far below the two minutes an agent waits for
// the answer to its START.
constexpr int kStartLockWaitMs = 5000;

}  // namespace

DBtran::DBtran(bool) : DBtable("DBtran", 0, nullptr), m_writerWaitMs(kStartLockWaitMs) {}

DBtran::~DBtran() {
    FXCriticalSectionGuard guard(DBCriticalSection);
    // A record may outlive its transaction: its cursor (a statement of this
    // connection) goes now, and it works on a connection of its own after.
    for (DBtable* record : m_objects) {
        record->closeCursor();
        record->m_tran = nullptr;
    }
    m_objects.clear();
    if (m_started) rollbackTran();
    releaseWriter();
}

DBConnection* DBtran::tranConnection() { return connection(); }

int DBtran::runControl(const char* sql) {
    DBConnection* conn = connection();
    if (!conn) return m_lastCode;
    char* msg = nullptr;
    int rc = sqlite3_exec(conn->db(), sql, nullptr, nullptr, &msg);
    sqlite3_free(msg);
    if (rc != SQLITE_OK) return failSqlite(conn->db(), rc);
    return kDBOk;
}

bool DBtran::takeWritersConnection() {
    // A cursor of one of its records still reads on the connection it has:
    // it keeps that one.
    if (m_ownConnection && !m_ownConnection->reusable()) return true;
    std::string error;
    DBPooledConnection writers = DBConnection::takeWriter(error);
    if (!writers) {
        fail(kDBErrOpen, "cannot open the catalogue: " + error);
        return false;
    }
    m_ownConnection = std::move(writers);
    return true;
}

void DBtran::releaseWriter() {
    if (!m_holdsWriter) return;
    // The writers' connection goes before the writer does, to the next one.
    if (m_ownConnection && m_ownConnection->writers()) {
        if (m_ownConnection->reusable()) m_ownConnection.reset();
        else m_ownConnection->keepAsOwn();
    }
    m_holdsWriter = false;
    DBreleaseWriter();
}

int DBtran::startTran() {
    if (m_started) return fail(kDBErrUsage, "transaction already started");
    // Reads of isolation type 4 take no lock until they read; writers take
    // the writer at once, so that two writers queue here instead of
    // failing at their first write.
    if (m_isolation == 4) {
        int rc = runControl("BEGIN DEFERRED");
        if (rc == kDBOk) m_started = true;
        return rc;
    }
    const DBWriterWait wait = DBacquireWriter(m_writerWaitMs);
    if (wait.outcome != DBWriterOutcome::kGranted) return fail(kDBErrBusy, wait.refusal());
    m_holdsWriter = true;
    if (!takeWritersConnection()) {
        releaseWriter();
        return m_lastCode;
    }
    DBConnection* conn = connection();
    // In this process the writer is ours; another process that opened the
    // catalogue may still hold SQLite's lock, and is waited for as long.
    sqlite3_busy_timeout(conn->db(), std::min(m_writerWaitMs, DBbusyTimeout()));
    int rc = runControl("BEGIN IMMEDIATE");
    sqlite3_busy_timeout(conn->db(), DBbusyTimeout());
    if (rc == kDBOk) {
        m_started = true;
        return rc;
    }
    releaseWriter();
    if ((sqlite3_extended_errcode(conn->db()) & 0xff) == SQLITE_BUSY)
        rc = fail(kDBErrBusy, "another process holds the catalogue's write lock (" + m_error + ")");
    return rc;
}

int DBtran::commitTran(bool) {
    if (!m_started) return fail(kDBErrUsage, "no transaction started");
    int rc = runControl("COMMIT");
    if (rc == kDBOk) {
        m_started = false;
        releaseWriter();
    }
    return rc;
}

int DBtran::rollbackTran() {
    if (!m_started) return fail(kDBErrUsage, "no transaction started");
    int rc = runControl("ROLLBACK");
    // A failed rollback leaves SQLite's own rollback in force.
    m_started = false;
    releaseWriter();
    return rc;
}

int DBtran::runSavepoint(int (*step)(sqlite3*)) {
    if (!m_started) return fail(kDBErrUsage, "no transaction started");
    DBConnection* conn = connection();
    if (!conn) return m_lastCode;
    int rc = step(conn->db());
    if (rc != SQLITE_OK) return failSqlite(conn->db(), rc);
    return kDBOk;
}

int DBtran::savepoint() { return runSavepoint(&DBSavepoint::begin); }
int DBtran::releaseSavepoint() { return runSavepoint(&DBSavepoint::keep); }
int DBtran::undoSavepoint() { return runSavepoint(&DBSavepoint::undo); }

void DBtran::addObject(DBtable* record) {
    if (!record || std::find(m_objects.begin(), m_objects.end(), record) != m_objects.end()) return;
    try {
        m_objects.push_back(record);
    } catch (const std::exception&) {
        // The record works without being listed; nothing leaves the library.
        log_error(__FILE__, __LINE__, "DBtran::addObject could not register %s", record->getName());
    }
}

void DBtran::removeObject(DBtable* record) {
    m_objects.erase(std::remove(m_objects.begin(), m_objects.end(), record), m_objects.end());
}
