// Cursors and procedures through the connection's T-SQL batch runner.
#include "platform/db/DBtable.h"

#include <sqlite3.h>

#include <cctype>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "platform/db/DBEngine.h"
#include "platform/db/tsql/BatchRunner.h"

namespace {

using kel::tsql::Value;

// The first result set of a batch, kept whole: the runner is done with the
// connection before the caller fetches, so that a caller may run other
// statements (or batches) on it between fetches.
class RunnerResult : public DBResultSet {
public:
    explicit RunnerResult(kel::tsql::ResultSet rows) : rows_(std::move(rows)) {}
    int next(std::string&) override {
        if (next_ >= rows_.rows.size()) return kDBNoRow;
        current_ = &rows_.rows[next_++];
        texts_.assign(current_->size(), std::string());
        return kDBOk;
    }
    int columnCount() override { return int(rows_.names.size()); }
    bool isNull(int column) override { return value(column).isNull(); }
    long long intValue(int column) override {
        const Value& v = value(column);
        switch (v.type) {
        case Value::Type::Int: return v.i;
        case Value::Type::Real: return (long long)v.d;
        case Value::Type::Text: return std::strtoll(v.s.c_str(), nullptr, 10);
        case Value::Type::Null: break;
        }
        return 0;
    }
    const char* textValue(int column, int* len) override {
        const Value& v = value(column);
        const std::string* text = &v.s;
        if (v.type == Value::Type::Int || v.type == Value::Type::Real) {
            std::string& shown = texts_[size_t(column)];
            shown = v.type == Value::Type::Int ? std::to_string(v.i) : std::to_string(v.d);
            text = &shown;
        }
        *len = int(text->size());
        return text->c_str();
    }

private:
    const Value& value(int column) const {
        static const Value none;
        if (!current_ || column < 0 || size_t(column) >= current_->size()) return none;
        return (*current_)[size_t(column)];
    }

    kel::tsql::ResultSet rows_;
    size_t next_ = 0;
    const kel::tsql::Row* current_ = nullptr;
    std::vector<std::string> texts_;  // numbers asked for as text
};

// Keeps the first row only: getOneRow reads no more, and the rest of a large
// result need not be copied.
class FirstRowSink : public kel::tsql::ResultSet {
public:
    bool row(const kel::tsql::Row& values) override {
        rows.push_back(values);
        return false;
    }
};

bool isBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// A procedure's values text: integers, quoted texts and NULL separated by
// commas, as the record formats it when it does not bind its inputs.
bool parseValues(const std::string& text, std::vector<Value>& args, std::string& error) {
    std::string shape;
    std::vector<DBParam> params;
    DBparameterize(text, shape, params);
    std::vector<std::string> items(1);
    for (char c : shape) {
        if (c == ',') items.emplace_back();
        else if (!isBlank(c)) items.back() += char(std::toupper(static_cast<unsigned char>(c)));
    }
    if (items.size() == 1 && items[0].empty()) return true;  // no argument
    size_t next = 0;
    for (const std::string& item : items) {
        const DBParam* p = (item == "?" || item == "-?") && next < params.size() ? &params[next++] : nullptr;
        if (item == "NULL") {
            args.push_back(Value::null());
        } else if (p && p->isText && item == "?") {
            args.push_back(Value::text(p->text));
        } else if (p && !p->isText) {
            args.push_back(Value::integer(item == "?" ? p->number : -p->number));
        } else {
            error = "invalid procedure argument list: " + text;
            return false;
        }
    }
    return true;
}

}  // namespace

int DBrunBatch(DBConnection& conn, const DBBatch& batch, std::unique_ptr<DBResultSet>& result,
               std::string& error) {
    kel::tsql::ResultSet all;
    FirstRowSink first;
    kel::tsql::ResultSet& rows = batch.firstRowOnly ? first : all;
    kel::tsql::BatchRunner& runner = conn.runner();
    int rc;
    if (batch.kind == DBKindProcedure) {
        std::vector<Value> args;
        if (batch.inputsBound) {
            for (long long v : batch.inputs) args.push_back(Value::integer(v));
        } else if (!parseValues(batch.text, args, error)) {
            return kDBErrUsage;
        }
        rc = runner.callProcedure(batch.objectName ? batch.objectName : "", args, rows, error);
    } else {
        rc = runner.run(batch.text, rows, error);
    }
    if (rc != SQLITE_OK) return -rc;  // the library's errors are negative: never 0 or 100
    // A batch that skipped its SELECT has no result set: for the caller that
    // is a result without rows.
    result.reset(new RunnerResult(std::move(rows)));
    return kDBOk;
}
