// Cursors and procedures through the connection's T-SQL batch runner.
#include "platform/db/DBtable.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "platform/db/DBEngine.h"
#include "platform/db/DBShapedBatch.h"
#include "platform/db/tsql/BatchRunner.h"

namespace {

using kel::tsql::Value;

// The first result set of a batch as it is read, packed: a tag byte per
// value, integers as zigzag varints, texts with their length. A result of a
// million rows then costs a few bytes a row rather than a vector of values
// each, while the runner is still done with the connection before the
// caller fetches (a caller may run other statements on it between fetches,
// as the pruning does).
class PackedRows : public kel::tsql::RowSink {
public:
    explicit PackedRows(bool firstOnly) : firstOnly_(firstOnly) {}

    void columns(const std::vector<std::string>& names) override { names_ = names; }
    bool row(const kel::tsql::Row& values) override {
        row_.clear();
        putVarint(values.size());
        for (const Value& v : values) put(v);
        // Rows never span blocks, and blocks are never moved: no doubling
        // copy of everything read so far while the statement still runs.
        if (blocks_.empty() || blocks_.back().capacity() - blocks_.back().size() < row_.size()) {
            // The first block small: most cursors answer a row or a few.
            const size_t block = blocks_.empty() ? kFirstBlock : kBlock;
            blocks_.emplace_back();
            blocks_.back().reserve(std::max(block, row_.size()));
        }
        blocks_.back() += row_;
        return !firstOnly_;
    }

    const std::vector<std::string>& names() const { return names_; }

    // Unpacks the next row into out; false after the last.
    bool next(kel::tsql::Row& out) {
        while (block_ < blocks_.size() && at_ >= blocks_[block_].size()) {
            std::string().swap(blocks_[block_]);  // read: give it back
            ++block_;
            at_ = 0;
        }
        if (block_ >= blocks_.size()) return false;
        const std::string& b = blocks_[block_];
        out.resize(size_t(getVarint(b)));
        for (Value& v : out) get(b, v);
        return true;
    }

private:
    enum Tag : char { kNull, kInt, kReal, kText };
    static constexpr size_t kFirstBlock = 256;
    static constexpr size_t kBlock = 64 * 1024;

    void putVarint(uint64_t n) {
        do {
            char c = char(n & 0x7f);
            n >>= 7;
            row_ += n ? char(c | 0x80) : c;
        } while (n);
    }
    void put(const Value& v) {
        switch (v.type) {
        case Value::Type::Null: row_ += char(kNull); break;
        case Value::Type::Int:
            row_ += char(kInt);
            putVarint((uint64_t(v.i) << 1) ^ uint64_t(v.i >> 63));
            break;
        case Value::Type::Real: {
            row_ += char(kReal);
            char bytes[sizeof v.d];
            std::memcpy(bytes, &v.d, sizeof bytes);
            row_.append(bytes, sizeof bytes);
            break;
        }
        case Value::Type::Text:
            row_ += char(kText);
            putVarint(v.s.size());
            row_ += v.s;
            break;
        }
    }
    uint64_t getVarint(const std::string& b) {
        uint64_t n = 0;
        for (int shift = 0;; shift += 7) {
            unsigned char c = static_cast<unsigned char>(b[at_++]);
            n |= uint64_t(c & 0x7f) << shift;
            if (!(c & 0x80)) return n;
        }
    }
    void get(const std::string& b, Value& v) {
        switch (b[at_++]) {
        case kInt: {
            uint64_t z = getVarint(b);
            v.type = Value::Type::Int;
            v.i = int64_t(z >> 1) ^ -int64_t(z & 1);
            break;
        }
        case kReal:
            v.type = Value::Type::Real;
            std::memcpy(&v.d, b.data() + at_, sizeof v.d);
            at_ += sizeof v.d;
            break;
        case kText: {
            size_t len = size_t(getVarint(b));
            v.type = Value::Type::Text;
            v.s.assign(b, at_, len);
            at_ += len;
            break;
        }
        default: v.type = Value::Type::Null; break;
        }
    }

    bool firstOnly_;
    std::vector<std::string> names_;
    std::vector<std::string> blocks_;
    std::string row_;  // the row being packed
    size_t block_ = 0, at_ = 0;  // where next() reads
};

class RunnerResult : public DBResultSet {
public:
    explicit RunnerResult(PackedRows rows) : rows_(std::move(rows)) {}
    int next(std::string&) override {
        current_ = rows_.next(row_);
        if (!current_) return kDBNoRow;
        texts_.assign(row_.size(), std::string());
        return kDBOk;
    }
    int columnCount() override { return int(rows_.names().size()); }
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
        if (!current_ || column < 0 || size_t(column) >= row_.size()) return none;
        return row_[size_t(column)];
    }

    PackedRows rows_;
    kel::tsql::Row row_;  // the row fetched last
    bool current_ = false;
    std::vector<std::string> texts_;  // numbers asked for as text
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
    // getOneRow reads one row: the rest of a large result is not kept.
    PackedRows rows(batch.firstRowOnly);
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
    } else if (batch.shaped) {
        const DBShapedBatch& shaped = *batch.shaped;
        rc = runner.run(shaped.shape, shaped.values, [&shaped] { return shaped.text(); }, rows, error);
    } else {
        rc = runner.run(batch.text, rows, error);
    }
    if (rc != SQLITE_OK) return -rc;  // the library's errors are negative: never 0 or 100
    // A batch that skipped its SELECT has no result set: for the caller that
    // is a result without rows.
    result.reset(new RunnerResult(std::move(rows)));
    return kDBOk;
}
