// The platform's database library: records (DBtable) and transactions
// (DBtran) over the SQLite catalogue under the platform home.
//
// Return codes of every operation: 0 success, 100 no (further) row (also an
// empty cursor and an UPDATE or DELETE that matched nothing), anything else
// an error whose text getErrorStr gives. No exception leaves this library.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/db/DBHandles.h"
#include "platform/db/KelDBDataType.h"
#include "platform/db/DBColumnLayout.h"
#include "platform/db/SqlText.h"
#include "platform/util/KelLocks.h"

struct sqlite3;
struct sqlite3_stmt;
class DBtran;
class DBResultSet;
class KelDBRowBase;

#define KEL_DB_PRINTF(fmtIndex, firstArg) __attribute__((format(printf, fmtIndex, firstArg)))

constexpr int kDBOk = 0;
constexpr int kDBNoRow = 100;
// Errors of the library itself; SQLite's own errors come back as
// -(extended result code), so that no error is ever 0 or 100.
constexpr int kDBErrUsage = -10001;     // misuse: no layout, no where text, ...
constexpr int kDBErrValue = -10002;     // a value that does not fit its column
constexpr int kDBErrNoExecutor = -10003;
constexpr int kDBErrOpen = -10004;
constexpr int kDBErrBusy = -10005;      // the catalogue's writer was refused (its holder stalled)

// The most bytes an unsized text column (token u) brings into its row: a
// longer stored value is cut there (at a character boundary), so a fetch
// never allocates without limit.
constexpr size_t kDBUnsizedTextMax = 65536;

// An ODBC timestamp field of a row struct. All-zero fields mean a cleared
// date, stored as NULL.
struct DB_DATETIME {
    int16_t year = 0;
    uint16_t month = 0;
    uint16_t day = 0;
    uint16_t hour = 0;
    uint16_t minute = 0;
    uint16_t second = 0;
    uint32_t fraction = 0;
    char text[40] = {};
    char flag = 0;

    DB_DATETIME() = default;
    DB_DATETIME(const DB_DATETIME& other) { *this = other; }
    DB_DATETIME& operator=(const DB_DATETIME& other);
    void clear();
    bool isCleared() const;
    // "YYYY-MM-DD HH:MM:SS" into text; the empty text when cleared.
    const char* format();
    // Reads the stored form back; false (and cleared) when it is not one.
    bool parse(const char* stored);
};

// Schema rows read a date field's leading bytes as the ODBC timestamp.
static_assert(offsetof(DB_DATETIME, year) == offsetof(TIMESTAMP_STRUCT, year) &&
                  offsetof(DB_DATETIME, month) == offsetof(TIMESTAMP_STRUCT, month) &&
                  offsetof(DB_DATETIME, day) == offsetof(TIMESTAMP_STRUCT, day) &&
                  offsetof(DB_DATETIME, hour) == offsetof(TIMESTAMP_STRUCT, hour) &&
                  offsetof(DB_DATETIME, minute) == offsetof(TIMESTAMP_STRUCT, minute) &&
                  offsetof(DB_DATETIME, second) == offsetof(TIMESTAMP_STRUCT, second) &&
                  offsetof(DB_DATETIME, fraction) == offsetof(TIMESTAMP_STRUCT, fraction) &&
                  offsetof(DB_DATETIME, text) == sizeof(TIMESTAMP_STRUCT),
              "DB_DATETIME begins with the ODBC timestamp");

void dLongToLongDB(long long value, long* high, long* low);
void longToDlongDB(long long* value, long high, long low);

// File, line and a printf-style message to the platform's error log.
void log_error(const char* file, int line, const char* format, ...) KEL_DB_PRINTF(3, 4);

// What a cursor or procedure hands to its executor. The library's own
// executor (DBrunBatch) runs it through the connection's T-SQL batch runner;
// DBtable::setBatchExecutor replaces it, for tests.
struct DBShapedBatch;
struct DBBatch {
    int kind;                          // DBKindCursor or DBKindProcedure
    const char* objectName;            // "sqlBackupSetDesc", "archFileByTime"
    std::string text;                  // the formatted batch or values text
    std::vector<long long> inputs;     // a procedure's bound inputs, in order
    bool inputsBound = false;          // a procedure takes inputs, not text
    bool firstRowOnly = false;         // the caller reads one row at most
    const DBShapedBatch* shaped = nullptr;  // the library's executor: the batch kept apart, text empty
};
using DBBatchExecutor = int (*)(DBConnection& conn, const DBBatch& batch,
                                std::unique_ptr<DBResultSet>& result, std::string& error);

// One result row source: a prepared SQLite statement or what a batch runner
// produced.
class DBResultSet {
public:
    virtual ~DBResultSet() = default;
    // 0 row available, 100 no further row, else an error code (text in error).
    virtual int next(std::string& error) = 0;
    // The statement behind a plain SQLite result, read directly; else null.
    virtual sqlite3_stmt* statement() { return nullptr; }
    virtual int columnCount() = 0;
    virtual bool isNull(int column) = 0;
    virtual long long intValue(int column) = 0;
    // The column as text; len receives its byte length.
    virtual const char* textValue(int column, int* len) = 0;
};

// Runs a SQL text on a connection as one result set (plain SQLite).
int DBrunSql(sqlite3* db, const std::string& sql, std::unique_ptr<DBResultSet>& result,
             std::string& error);

// The library's executor: a cursor's batch, or a procedure call with its
// bound inputs or its values text ("1,-2,'a''b',NULL"), through the
// connection's T-SQL runner. The result is the batch's first result set. An
// empty result is a result with no row; a failure is never 0 or 100.
int DBrunBatch(DBConnection& conn, const DBBatch& batch, std::unique_ptr<DBResultSet>& result,
               std::string& error);

class DBtable {
public:
    DBtable(const char* name, int, DBtran* tran);
    virtual ~DBtable();
    DBtable(const DBtable&) = delete;
    DBtable& operator=(const DBtable&) = delete;

    // The record's row struct and its layout; set once by the record's
    // constructor before any operation. The layout must outlive the record.
    void setLayout(const DBColumnLayout* layout, void* row);

    virtual void setOrderBy(const char* orderBy);
    // A text goes in as kel::sql::quoted(text) into a plain %s. A format in
    // which a text could be more than that one literal (kel::sql::unsoundFormat:
    // '%s', '%1$s', "%s", [%s], a %s in a comment, %.5s, ...) or that printf
    // cannot format is refused (kDBErrUsage, and every statement of the record
    // with it until a sound where text is set). The same holds for rowUpdate's
    // SET format.
    virtual int setWhere(const char* format, ...) KEL_DB_PRINTF(2, 3);
    virtual void setIsolationType(unsigned int type) { m_isolation = type; }

    int getOneRow(DBtable* record, bool, int, int);
    virtual int openCursor();
    virtual int fetchCursor(bool);
    virtual int closeCursor();

    virtual int rowInsert(bool);
    // Null: every column of the row struct. A text alone: a SET list taken as
    // it stands. A text with arguments: a printf-style SET list.
    // (The format overload is a template only so that a call with the text
    // alone picks the literal one.)
    int rowUpdate(const char* setList) { return updateRow(setList); }
    template <typename = void>
    int rowUpdate(const char* format, ...) KEL_DB_PRINTF(2, 3);
    virtual int rowDelete();

    const char* getErrorStr(int code);
    const char* getpDescribe() const;
    const char* getName() const { return m_name.c_str(); }

    // Where the record connects and as whom. The catalogue file of the
    // platform home is the one database here; these are kept for callers
    // that point a record at an instance.
    void setServerName(const std::string& name) { m_serverName = name; }
    void setLogin(const std::string& login) { m_login = login; }
    void setPassword(const std::string& password) { m_password = password; }
    const std::string& getServerName() const { return m_serverName; }
    const std::string& getLogin() const { return m_login; }
    const std::string& getPassword() const { return m_password; }
    // The column names of the layout joined by ", ".
    const std::string& getSelectList() const { return m_selectList; }

    // Buffers: the checks make them at least as large as asked.
    void querySizeCheck(unsigned long size, bool keep);
    void valuesClauseCheck(unsigned long size);
    void whereClauseCheck(unsigned long size);
    // The batch text, formatted here when it was kept apart (setShapedBatch).
    char* getQueryBuffer();
    char* getValuesBuffer() { return m_values.data(); }
    char* getWhereBuffer() { return m_where.data(); }
    unsigned long getValuesBufferSize() const { return m_values.size(); }
    unsigned long getWhereBufferSize() const { return m_where.size(); }

    // printf into buf of size; texts and dates come in through kel::sql's
    // literals (platform/db/SqlText.h), like every format here. When buf is one
    // of this record's buffers it grows to fit; another buffer is cut at
    // its size and -1 returned. Else the length written.
    int CallDBsprintf(char* buf, unsigned long size, const char* format, ...) KEL_DB_PRINTF(4, 5);
    // Into the query buffer (cursors) or, for a procedure, the values buffer.
    int CallDBsprintfWrapper(const char* format, ...) KEL_DB_PRINTF(2, 3);
    // The batch (or a procedure's values) text as it stands, not read as a format.
    int setBatchText(const std::string& text);
    // A cursor's batch kept as its format's shape and literal values
    // (platform/db/DBShapedBatch.h) instead of formatted; false (nothing
    // kept) when the format or an argument does not allow it.
    bool setShapedBatch(const char* format, va_list args);

    // A procedure's arguments, in order; the library owns and deletes them.
    void ClearBoundInputs();
    void BindInput(KelDBDataTypeBase* value);
    void setInputsBound(int bound) { m_inputsBound = bound; }

    // Row formatters a record may override: a values text or SET list in the
    // values buffer, a key condition in the where buffer. The library's own
    // leave the values buffer empty and bind the row instead.
    virtual void setInValues() { clearText(m_values); }
    virtual void setInIdValues() { clearText(m_values); }
    virtual void setUpdateValues() { clearText(m_values); }
    virtual void setPrimaryWhere();
    virtual void populate_t() {}

    // Kept for the records' calls: rows are bound afresh for each statement, so
    // these three have nothing to do.
    void dataBindClearFirstTime() {}
    void dataBindClear() {}
    void setExtIndicatorArray(void*) {}

    DBtran* getTran() const { return m_tran; }
    // The record's schema row: null unless the new base is on.
    virtual KelDBRowBase* getDataPtr_t2() { return nullptr; }

    static unsigned char b_newDBBase;
    static FXCriticalSection DBCriticalSection;
    static void setBatchExecutor(DBBatchExecutor executor);

protected:
    friend class DBtran;  // detaches the records that outlive it

    // The connection this record works on: its transaction's, else its own
    // (autocommit), opened on first use. Null with m_error set on failure.
    DBConnection* connection();
    int fail(int code, const std::string& text);
    int failSqlite(sqlite3* db, int rc);
    int runStatement(const std::string& sql, bool bindRow, bool bindKeyless, bool countChanges);
    int stepWrite(sqlite3* db, sqlite3_stmt* stmt);
    int fetchRow();
    template <typename Reader>
    void fetchRowFrom(Reader& reader, int columns);
    // getOneRow on a table: one cached statement, stepped once and reset.
    int oneRowFromTable();
    // The row's INSERT with every field bound, prepared once per connection.
    int insertBound(DBConnection* conn);
    // Null: the whole row; else the SET list as it stands.
    virtual int updateRow(const char* setList);
    int updateRowFormat(const char* format, va_list args) KEL_DB_PRINTF(2, 0);
    bool shapeWhere(const char* format, va_list args);
    int refuseFormat(const char* what, const char* format, const std::string& why);
    int refusedWhere();
    static void clearText(std::vector<char>& buf) { if (!buf.empty()) buf[0] = '\0'; }

    std::string m_name;
    std::string m_serverName;
    std::string m_login;
    std::string m_password;
    DBtran* m_tran;
    std::unique_ptr<DBConnection, DBConnectionRecycler> m_ownConnection;
    const DBColumnLayout* m_layout = nullptr;
    void* m_row = nullptr;
    std::string m_selectList;
    std::string m_orderBy;
    std::vector<char> m_query;
    std::unique_ptr<DBShapedBatch> m_shaped;
    bool m_batchShaped = false;  // m_shaped, not m_query, holds the batch
    std::vector<char> m_values;
    std::vector<char> m_where;
    std::vector<KelDBDataTypeBase*> m_inputs;
    int m_inputsBound = 0;
    unsigned int m_isolation = 0;
    std::unique_ptr<DBResultSet> m_cursor;
    bool m_pendingRow = false;
    bool m_openedEmpty = false;  // the last open found no row
    bool m_oneShot = false;  // inside getOneRow
    bool m_whereSet = false;  // setWhere was called; else updates go by key
    std::string m_whereRefusal;  // why the last where format was refused; empty when it was not
    int m_lastCode = 0;
    std::string m_error;

    // What the last statements of this record were, so that a repeated
    // shape is neither rebuilt nor looked up again: valid while the
    // connection's serial (and, for caller texts, its text epoch) agree.
    std::string m_insertSql;
    unsigned long long m_insertSerial = 0;
    sqlite3_stmt* m_insertStmt = nullptr;
    std::string m_selectPrefix;  // "SELECT <list> FROM <name>"
    std::string m_lookupWhere;   // the parameterised where text it was for
    std::string m_lookupOrder;
    unsigned long long m_lookupSerial = 0;
    unsigned long long m_lookupEpoch = 0;
    sqlite3_stmt* m_lookupStmt = nullptr;
    std::string m_shape;                 // the where text parameterised
    std::vector<DBParam> m_params;       // bound as SQLITE_STATIC: kept until the next lookup
    // m_shape and m_params were read from setWhere's format and still
    // stand for the where text.
    bool m_whereShaped = false;
    std::string m_whereText;             // scratch of shapeWhere
};

template <typename>
int DBtable::rowUpdate(const char* format, ...) {
    va_list args;
    va_start(args, format);
    int rc = updateRowFormat(format, args);
    va_end(args);
    return rc;
}

class DBtran : public DBtable {
public:
    explicit DBtran(bool = false);
    ~DBtran() override;

    // A writing transaction waits its turn for the catalogue's writer
    // (platform/db/DBWriterQueue.h) and holds it until it commits or rolls
    // back. It is refused (kDBErrBusy, the text saying why) only when the
    // holder ahead of it has held the writer for the wait limit without
    // ending, when this thread holds it already, or when the thread's
    // DBWriterWatch says whoever asked has gone.
    int startTran();
    int commitTran(bool = false);
    int rollbackTran();
    bool isStarted() const { return m_started; }
    // Savepoints inside the started transaction (DBSavepoint.h), for writes
    // that stand or fall together: kept or undone innermost first, the
    // transaction going on either way. kDBErrUsage when none is started.
    int savepoint();
    int releaseSavepoint();
    int undoSavepoint();
    // The wait limit of startTran, in milliseconds: 5 s unless set.
    void setWriterWaitLimit(int milliseconds) { m_writerWaitMs = milliseconds; }
    // Registers a record working in this transaction.
    void addObject(DBtable* record);
    void removeObject(DBtable* record);
    // Kept for callers: SQLite takes no locking hint, so it is only stored.
    void setHint(int hint) { m_hint = hint; }
    int getHint() const { return m_hint; }

    DBConnection* tranConnection();

private:
    int runControl(const char* sql);
    int runSavepoint(int (*step)(sqlite3*));
    // Works on the connection the writers share while it holds the writer.
    bool takeWritersConnection();
    void releaseWriter();

    bool m_started = false;
    bool m_holdsWriter = false;
    int m_writerWaitMs;
    int m_hint = 0;
    std::vector<DBtable*> m_objects;
};
