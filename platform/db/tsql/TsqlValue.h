// The values a T-SQL batch keeps in its variables and returns in its result
// set, and the sink that receives the result rows as they are read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kel::tsql {

struct Value {
    enum class Type { Null, Int, Real, Text };

    Type type = Type::Null;
    int64_t i = 0;
    double d = 0.0;
    std::string s;

    static Value null() { return Value(); }
    static Value integer(int64_t v) { Value r; r.type = Type::Int; r.i = v; return r; }
    static Value real(double v) { Value r; r.type = Type::Real; r.d = v; return r; }
    static Value text(std::string v) { Value r; r.type = Type::Text; r.s = std::move(v); return r; }

    bool isNull() const { return type == Type::Null; }
    bool operator==(const Value& o) const;
    bool operator!=(const Value& o) const { return !(*this == o); }
};

using Row = std::vector<Value>;

// Receives the batch's first result set while the statement that yields it
// runs. Returning false from row() stops reading further rows.
class RowSink {
public:
    virtual ~RowSink() = default;
    virtual void columns(const std::vector<std::string>& names) = 0;
    virtual bool row(const Row& values) = 0;
};

// The whole first result set, kept in memory.
class ResultSet : public RowSink {
public:
    std::vector<std::string> names;
    std::vector<Row> rows;
    bool present = false;  // a result set was produced, even an empty one

    void clear() { names.clear(); rows.clear(); present = false; }
    void columns(const std::vector<std::string>& n) override { names = n; present = true; }
    bool row(const Row& values) override { rows.push_back(values); return true; }
};

}  // namespace kel::tsql
