// Small readers the tests share: a refusal's error number, an error's
// arguments, and single values read straight from the catalogue.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/db/DBEngine.h"
#include "platform/events/KelLastError.h"

namespace kel::test {

// The error number a call left behind when it failed; 0 when it succeeded,
// so that one comparison checks both the refusal and its number.
inline uint64_t failure(bool ok, const KelLastError& err) { return ok ? 0 : err.number(); }

inline std::vector<std::string> arguments(KelLastError err) {
    std::vector<std::string> out;
    err.resetGetNextArgument();
    while (const char* a = err.getNextArgument()) out.emplace_back(a);
    return out;
}

inline std::string firstArgument(const KelLastError& err) {
    return err.argumentCount() > 0 ? arguments(err).front() : "";
}

// A call that must fail with number and, when argument is given, name it
// first among the error's arguments.
inline ::testing::AssertionResult refused(bool ok, const KelLastError& err, uint64_t number,
                                          const char* argument = nullptr) {
    if (ok) return ::testing::AssertionFailure() << "succeeded";
    if (err.number() != number)
        return ::testing::AssertionFailure() << std::hex << "number 0x" << err.number() << ", not 0x" << number;
    const std::string first = firstArgument(err);
    if (argument && first != argument)
        return ::testing::AssertionFailure() << "first argument \"" << first << "\", not \"" << argument << "\"";
    return ::testing::AssertionSuccess();
}

// The first column of the query's first row on a connection of its own, as
// text; the fallbacks say why there is none.
inline std::string text(const std::string& query) {
    std::string error, v = "<no catalogue>";
    std::unique_ptr<DBConnection> c(DBConnection::open(error));
    sqlite3_stmt* stmt = nullptr;
    if (c && sqlite3_prepare_v2(c->db(), query.c_str(), -1, &stmt, nullptr) != SQLITE_OK) v = "<bad query>";
    if (stmt && sqlite3_step(stmt) != SQLITE_ROW) v = "<no row>";
    else if (stmt) v = sqlite3_column_text(stmt, 0) ? reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)) : "<null>";
    sqlite3_finalize(stmt);
    return v;
}

// One integer of the catalogue (-1 when there is no row, -2 for NULL, -3
// when it cannot be read).
inline long long scalar(const std::string& query) {
    const std::string v = text(query);
    if (v == "<no row>" || v == "<null>") return v == "<null>" ? -2 : -1;
    return v.empty() || v[0] == '<' ? -3 : std::stoll(v);
}

// The committed rows of each table: compared before and after an operation,
// the difference is what it left behind.
using RowCounts = std::map<std::string, long long>;
inline RowCounts rowCounts(const std::vector<std::string>& tables) {
    RowCounts counts;
    for (const std::string& table : tables) counts[table] = scalar("SELECT count(*) FROM " + table);
    return counts;
}
// counts with each table named in added grown by its number.
inline RowCounts grown(RowCounts counts, const RowCounts& added) {
    for (const auto& a : added) counts[a.first] += a.second;
    return counts;
}

// Every row of every table of the catalogue: two equal sums around a
// refused request say that it wrote nothing.
inline long long catalogueRows() {
    std::string error;
    std::unique_ptr<DBConnection> c(DBConnection::open(error));
    if (!c) return -3;
    std::vector<std::string> tables;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(c->db(), "SELECT '\"' || name || '\"' FROM sqlite_master WHERE type = 'table'", -1, &stmt,
                           nullptr) != SQLITE_OK)
        return -3;
    while (sqlite3_step(stmt) == SQLITE_ROW) tables.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
    sqlite3_finalize(stmt);
    long long rows = 0;
    for (const auto& [table, n] : rowCounts(tables)) {
        if (n < 0) return -3;
        rows += n;
    }
    return rows;
}

}  // namespace kel::test
