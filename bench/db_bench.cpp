// The database library against hand-written prepared SQLite statements:
// 100,000 inserts in one transaction (each side into a fresh catalogue), and
// key lookups on one catalogue file of 100,000 rows that both sides read.
// A benchmark named ..._vs_X pairs with the baseline X; the lookups run
// both sides in one loop.
#include <benchmark/benchmark.h>

#include <sqlite3.h>
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <chrono>
#include <string>

#include "BenchCatalogue.h"
#include "Db/Tbl/sqlFile.h"
#include "platform/db/DBEngine.h"
#include "platform/db/DBtable.h"
#include "platform/util/BoundedCopy.h"
#include "platform/util/KelHome.h"

namespace {

constexpr int kRows = 100000;

using FileRow = SqlFile_t;

class FileRecord : public SqlFile {
public:
    explicit FileRecord(DBtran* tran) : SqlFile(tran) {}
    FileRow& row = *getDataPtr();
};

void fillRow(FileRow& row, int i) {
    row.id = 0;
    row.tesselId = 1;
    row.sqlFileGroupId = 1;
    row.fileId = i;
    char path[64];
    std::snprintf(path, sizeof path, "C:\\data\\file%d.mdf", i);
    kel::copyWholeField(row.physicalName, path);
    std::snprintf(path, sizeof path, "file%d", i);
    kel::copyWholeField(row.logicalName, path);
    row.size = i;
    row.maxSize = 2 * i;
    row.addTime = 1700000000;
}

// The hand-written side's binding of one row, as prepared once.
void bindRow(sqlite3_stmt* stmt, const FileRow& row) {
    sqlite3_bind_int(stmt, 1, row.tesselId);
    sqlite3_bind_int(stmt, 2, row.sqlFileGroupId);
    sqlite3_bind_int(stmt, 3, row.fileId);
    sqlite3_bind_text(stmt, 4, row.physicalName, -1, SQLITE_STATIC);
    sqlite3_bind_text(stmt, 5, row.logicalName, -1, SQLITE_STATIC);
    sqlite3_bind_int(stmt, 6, row.size);
    sqlite3_bind_int(stmt, 7, row.maxSize);
    sqlite3_bind_int(stmt, 8, row.addTime);
    sqlite3_bind_int(stmt, 9, row.removalTime);
    sqlite3_bind_int(stmt, 10, row.deleteFlag);
}

std::string g_root;  // every home of this run lives under it

// A fresh home with the rows a file points to.
void freshHome(const char* name) {
    std::string home = g_root + "/" + name;
    std::string cmd = "rm -rf '" + home + "'";
    if (std::system(cmd.c_str()) != 0) return;
    setenv("KEL_HOME", home.c_str(), 1);
    kel::makeFolders(home);
    sqlite3* db = kel::bench::openCatalogue();
    kel::bench::execOrDie(db,
                 "INSERT INTO APP_Tessel (id, name) VALUES (1, 't');"
                 "INSERT INTO APP_Client (id, tesselId) VALUES (1, 1);"
                 "INSERT INTO APP_InstanceName (id, tesselId) VALUES (1, 1);"
                 "INSERT INTO APP_BackupSetName (id, tesselId) VALUES (10, 1);"
                 "INSERT INTO sqlVersion (id, tesselId) VALUES (1, 1);"
                 "INSERT INTO sqlServer (instanceId, tesselId, sqlVersionId, clientId) VALUES (1, 1, 1, 1);"
                 "INSERT INTO sqlDatabase (backupSetId, tesselId, sqlServerId) VALUES (10, 1, 1);"
                 "INSERT INTO sqlFileGroup (id, tesselId, sqlDatabaseId) VALUES (1, 1, 10);");
    sqlite3_close(db);
}

void BM_Insert_DBtable_vs_HandPrepared(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        freshHome("lib");
        state.ResumeTiming();
        DBtran tran(false);
        tran.startTran();
        FileRecord rec(&tran);
        for (int i = 0; i < kRows; ++i) {
            fillRow(rec.row, i);
            if (rec.rowInsert(true) != 0) state.SkipWithError("insert failed");
        }
        tran.commitTran(false);
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

void BM_HandPrepared_Insert(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        freshHome("raw");
        state.ResumeTiming();
        sqlite3* db = nullptr;
        std::string error;
        DBopenCatalogue(kel::homePath("catalogue.db"), &db, error);
        sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db,
                           "INSERT INTO sqlFile (tesselId, sqlFileGroupId, fileId, physicalName, logicalName, size,"
                           " maxSize, addTime, removalTime, deleteFlag) VALUES (?,?,?,?,?,?,?,?,?,?)",
                           -1, &stmt, nullptr);
        FileRow row;
        for (int i = 0; i < kRows; ++i) {
            fillRow(row, i);
            bindRow(stmt, row);
            if (sqlite3_step(stmt) != SQLITE_DONE) state.SkipWithError("insert failed");
            sqlite3_reset(stmt);
            row.id = int32_t(sqlite3_last_insert_rowid(db));
        }
        sqlite3_finalize(stmt);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

// The catalogue both lookups read: rows written by hand, the file closed
// (and so checkpointed) before either side opens it.
void lookupHome() {
    freshHome("lookup");
    sqlite3* db = kel::bench::openCatalogue();
    kel::bench::execOrDie(db, "BEGIN");
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO sqlFile (tesselId, sqlFileGroupId, fileId, physicalName, logicalName, size,"
                       " maxSize, addTime) VALUES (1, 1, ?1, 'C:\\data\\file' || ?1 || '.mdf', 'file' || ?1, ?1, 2 * ?1,"
                       " 1700000000)",
                       -1, &stmt, nullptr);
    for (int i = 0; i < kRows; ++i) {
        sqlite3_bind_int(stmt, 1, i);
        if (sqlite3_step(stmt) != SQLITE_DONE) std::exit(1);
        sqlite3_reset(stmt);
    }
    sqlite3_finalize(stmt);
    kel::bench::execOrDie(db, "COMMIT");
    sqlite3_close(db);
}

// Key lookups, the library's and hand-prepared ones, in alternating blocks
// of the same keys (each side first in every other block), so that the
// machine's slower and faster phases fall on both alike: the ratio of their
// sums is the pair's.
class HandLookup {
public:
    HandLookup() {
        std::string error;
        DBopenCatalogue(kel::homePath("catalogue.db"), &db_, error);
        sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_prepare_v2(db_,
                           "SELECT id, tesselId, sqlFileGroupId, fileId, physicalName, logicalName, size, maxSize,"
                           " addTime, removalTime, deleteFlag FROM sqlFile WHERE id = ?",
                           -1, &stmt_, nullptr);
    }
    ~HandLookup() {
        sqlite3_finalize(stmt_);
        sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(db_);
    }
    bool find(int id) {
        sqlite3_bind_int(stmt_, 1, id);
        bool found = sqlite3_step(stmt_) == SQLITE_ROW;
        if (found) {
            row_.id = sqlite3_column_int(stmt_, 0);
            row_.tesselId = sqlite3_column_int(stmt_, 1);
            row_.sqlFileGroupId = sqlite3_column_int(stmt_, 2);
            row_.fileId = sqlite3_column_int(stmt_, 3);
            // As the library reads a row: a stored text longer than its field is no row.
            found = kel::copyField(row_.physicalName, reinterpret_cast<const char*>(sqlite3_column_text(stmt_, 4))) &&
                    kel::copyField(row_.logicalName, reinterpret_cast<const char*>(sqlite3_column_text(stmt_, 5)));
            row_.size = sqlite3_column_int(stmt_, 6);
            row_.maxSize = sqlite3_column_int(stmt_, 7);
            row_.addTime = sqlite3_column_int(stmt_, 8);
            row_.removalTime = sqlite3_column_int(stmt_, 9);
            row_.deleteFlag = sqlite3_column_int(stmt_, 10);
            benchmark::DoNotOptimize(row_.size);
        }
        sqlite3_reset(stmt_);
        return found;
    }

private:
    sqlite3* db_ = nullptr;
    sqlite3_stmt* stmt_ = nullptr;
    FileRow row_;
};

void BM_Lookup_DBtable_vs_HandPrepared(benchmark::State& state) {
    setenv("KEL_HOME", (g_root + "/lookup").c_str(), 1);
    constexpr int kBlock = 2000;
    HandLookup hand;
    DBtran tran(false);
    tran.setIsolationType(4);
    tran.startTran();
    FileRecord rec(&tran);
    auto library = [&rec](int id) {
        rec.setWhere("id = %d", id);
        const bool found = rec.getOneRow(&rec, false, -1, 0) == 0;
        benchmark::DoNotOptimize(rec.row.size);
        return found;
    };
    using Clock = std::chrono::steady_clock;
    Clock::duration handTime{}, libraryTime{};
    int block = 0;
    bool ok = true;
    for (auto _ : state) {
        const int first = block * kBlock;
        auto run = [&](auto& lookup, Clock::duration& total) {
            const Clock::time_point start = Clock::now();
            for (long long i = first; i < first + kBlock; ++i) ok &= lookup(1 + int(i * 7919 % kRows));
            total += Clock::now() - start;
        };
        auto handFind = [&hand](int id) { return hand.find(id); };
        if (block++ % 2) {
            run(handFind, handTime);
            run(library, libraryTime);
        } else {
            run(library, libraryTime);
            run(handFind, handTime);
        }
    }
    tran.commitTran(false);
    if (!ok) state.SkipWithError("lookup failed");
    const double lookups = double(block) * kBlock;
    state.counters["library_ns"] = double(std::chrono::nanoseconds(libraryTime).count()) / lookups;
    state.counters["hand_ns"] = double(std::chrono::nanoseconds(handTime).count()) / lookups;
    state.counters["ratio"] = double(libraryTime.count()) / double(handTime.count());
}

// The two inserts above in turns (each side first in every other block),
// each into a fresh home prepared before its clock starts.
void BM_Insert_Alternating(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    auto timed = [](const char* home, auto insert) {
        freshHome(home);
        const Clock::time_point start = Clock::now();
        const bool ok = insert();
        return ok ? std::chrono::duration<double>(Clock::now() - start).count() : -1.0;
    };
    auto byLibrary = [] {
        DBtran tran(false);
        tran.startTran();
        FileRecord rec(&tran);
        bool ok = true;
        for (int i = 0; i < kRows && ok; ++i) {
            fillRow(rec.row, i);
            ok = rec.rowInsert(true) == 0;
        }
        return tran.commitTran(false) == 0 && ok;
    };
    auto byHand = [] {
        sqlite3* db = nullptr;
        std::string error;
        DBopenCatalogue(kel::homePath("catalogue.db"), &db, error);
        sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        sqlite3_stmt* stmt = kel::bench::prepareOrDie(
            db, "INSERT INTO sqlFile (tesselId, sqlFileGroupId, fileId, physicalName, logicalName, size,"
                " maxSize, addTime, removalTime, deleteFlag) VALUES (?,?,?,?,?,?,?,?,?,?)");
        FileRow row;
        bool ok = true;
        for (int i = 0; i < kRows && ok; ++i) {
            fillRow(row, i);
            bindRow(stmt, row);
            ok = sqlite3_step(stmt) == SQLITE_DONE;
            sqlite3_reset(stmt);
        }
        sqlite3_finalize(stmt);
        ok = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK && ok;
        sqlite3_close(db);
        return ok;
    };
    kel::bench::Sides sides;
    for (auto _ : state) {
        for (int block = 0; block < 6 && sides.ok; ++block) {
            const double l = block % 2 ? 0 : timed("lib", byLibrary);
            const double h = timed("raw", byHand);
            const double l2 = block % 2 ? timed("lib", byLibrary) : l;
            sides.ok = l2 >= 0 && h >= 0;
            sides.library += l2 / 6;
            sides.hand += h / 6;
        }
    }
    if (!sides.ok) {
        state.SkipWithError("an insert failed");
        return;
    }
    kel::bench::Report::get().add(state, "insert of 100,000 rows", kRows, sides, kel::bench::Target{1.3, 0, 0});
}
BENCHMARK(BM_Insert_Alternating)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

BENCHMARK(BM_HandPrepared_Insert)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Insert_DBtable_vs_HandPrepared)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Lookup_DBtable_vs_HandPrepared)->MinTime(3);

}  // namespace

int main(int argc, char** argv) {
    char pattern[] = "/tmp/kel-bench-db-XXXXXX";
    if (!mkdtemp(pattern)) return 1;
    g_root = pattern;
    benchmark::Initialize(&argc, argv);
    lookupHome();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const bool holds = kel::bench::Report::get().print();
    std::string cmd = "rm -rf '" + g_root + "'";
    return std::system(cmd.c_str()) == 0 ? (holds ? 0 : 2) : 1;
}
