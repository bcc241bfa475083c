// Small readers the tests share: a refusal's error number, an error's
// arguments, and single values read straight from the catalogue.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

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

// The first argument of an error record ("" when it has none).
inline std::string firstArgument(const KelLastError& err) {
    std::vector<std::string> args = arguments(err);
    return args.empty() ? "" : args.front();
}

// A call that must fail with number and, when argument is given, name it
// first among the error's arguments.
inline ::testing::AssertionResult refused(bool ok, const KelLastError& err, uint64_t number,
                                          const char* argument = nullptr) {
    if (ok) return ::testing::AssertionFailure() << "succeeded";
    if (err.number() != number)
        return ::testing::AssertionFailure() << std::hex << "number 0x" << err.number() << ", not 0x" << number;
    if (argument && firstArgument(err) != argument)
        return ::testing::AssertionFailure() << "first argument \"" << firstArgument(err) << "\", not \"" << argument
                                             << "\"";
    return ::testing::AssertionSuccess();
}

// The first column of the query's first row on a connection of its own, read
// by take; the fallbacks say why there is none.
template <typename T, typename Take>
T firstColumn(const std::string& query, T noCatalogue, T badQuery, T noRow, Take take) {
    std::string error;
    std::unique_ptr<DBConnection> c(DBConnection::open(error));
    if (!c) return noCatalogue;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(c->db(), query.c_str(), -1, &stmt, nullptr) != SQLITE_OK) return badQuery;
    T v = sqlite3_step(stmt) == SQLITE_ROW ? take(stmt) : noRow;
    sqlite3_finalize(stmt);
    return v;
}

// One integer of the catalogue (-1 when there is no row, -2 for NULL).
inline long long scalar(const std::string& query) {
    return firstColumn<long long>(query, -3, -3, -1, [](sqlite3_stmt* s) {
        return sqlite3_column_type(s, 0) == SQLITE_NULL ? -2 : sqlite3_column_int64(s, 0);
    });
}

inline std::string text(const std::string& query) {
    return firstColumn<std::string>(query, "<no catalogue>", "<bad query>", "<no row>", [](sqlite3_stmt* s) {
        const unsigned char* t = sqlite3_column_text(s, 0);
        return std::string(t ? reinterpret_cast<const char*>(t) : "<null>");
    });
}

}  // namespace kel::test
