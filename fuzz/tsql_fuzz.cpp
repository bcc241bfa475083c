// libFuzzer target for the T-SQL runner: the bytes are one batch, run on a
// fresh in-memory database that holds a small table. The runner must refuse
// or run it, never crash or loop: its own step limit ends runaway batches,
// and SQLite's progress handler ends a single runaway statement here.
#include <sqlite3.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/db/tsql/BatchRunner.h"

namespace {

int stopLongStatements(void* counter) { return ++*static_cast<int*>(counter) > 2000; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    sqlite3* db = nullptr;
    if (sqlite3_open(":memory:", &db) != SQLITE_OK) return 0;
    int ticks = 0;
    sqlite3_progress_handler(db, 1000, stopLongStatements, &ticks);
    sqlite3_exec(db,
                 "CREATE TABLE item(id INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT, flag INTEGER, at TEXT);"
                 "INSERT INTO item(name, flag, at) VALUES('alpha', 0, '2021-03-07 14:05:09'), ('beta', 1, NULL);",
                 nullptr, nullptr, nullptr);
    {
        kel::tsql::BatchRunner runner(db);
        kel::tsql::ResultSet rs;
        std::string err;
        const std::string batch(reinterpret_cast<const char*>(data), size);
        int rc = runner.run(batch, rs, err);
        if (rc == 100) __builtin_trap();  // never "no row" for a batch
        // The runner stays usable after whatever the batch did.
        ticks = 0;
        if (runner.run("select 1", rs, err) != 0) __builtin_trap();
    }
    sqlite3_close(db);
    return 0;
}
