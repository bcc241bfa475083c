// The database library against hand-written prepared SQLite statements:
// 100,000 inserts in one transaction (each side into a fresh catalogue), and
// key lookups on one catalogue file of 100,000 rows that both sides read.
// A benchmark named ..._vs_X pairs with the baseline X; run with
// --benchmark_enable_random_interleaving=true to interleave the pairs.
#include <benchmark/benchmark.h>

#include <sqlite3.h>
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
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
    kel::copyField(row.physicalName, path);
    std::snprintf(path, sizeof path, "file%d", i);
    kel::copyField(row.logicalName, path);
    row.size = i;
    row.maxSize = 2 * i;
    row.addTime = 1700000000;
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

void BM_Lookup_DBtable_vs_HandPrepared(benchmark::State& state) {
    setenv("KEL_HOME", (g_root + "/lookup").c_str(), 1);
    DBtran tran(false);
    tran.setIsolationType(4);
    tran.startTran();
    FileRecord rec(&tran);
    int i = 0;
    for (auto _ : state) {
        rec.setWhere("id = %d", 1 + (i++ * 7919) % kRows);
        if (rec.getOneRow(&rec, false, -1, 0) != 0) state.SkipWithError("lookup failed");
        benchmark::DoNotOptimize(rec.row.size);
    }
    tran.commitTran(false);
}

void BM_HandPrepared_Lookup(benchmark::State& state) {
    setenv("KEL_HOME", (g_root + "/lookup").c_str(), 1);
    sqlite3* db = nullptr;
    std::string error;
    DBopenCatalogue(kel::homePath("catalogue.db"), &db, error);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT id, tesselId, sqlFileGroupId, fileId, physicalName, logicalName, size, maxSize,"
                       " addTime, removalTime, deleteFlag FROM sqlFile WHERE id = ?",
                       -1, &stmt, nullptr);
    FileRow row;
    int i = 0;
    for (auto _ : state) {
        sqlite3_bind_int(stmt, 1, 1 + (i++ * 7919) % kRows);
        if (sqlite3_step(stmt) != SQLITE_ROW) state.SkipWithError("lookup failed");
        row.id = sqlite3_column_int(stmt, 0);
        row.tesselId = sqlite3_column_int(stmt, 1);
        row.sqlFileGroupId = sqlite3_column_int(stmt, 2);
        row.fileId = sqlite3_column_int(stmt, 3);
        kel::copyField(row.physicalName, reinterpret_cast<const char*>(sqlite3_column_text(stmt, 4)));
        kel::copyField(row.logicalName, reinterpret_cast<const char*>(sqlite3_column_text(stmt, 5)));
        row.size = sqlite3_column_int(stmt, 6);
        row.maxSize = sqlite3_column_int(stmt, 7);
        row.addTime = sqlite3_column_int(stmt, 8);
        row.removalTime = sqlite3_column_int(stmt, 9);
        row.deleteFlag = sqlite3_column_int(stmt, 10);
        benchmark::DoNotOptimize(row.size);
        sqlite3_reset(stmt);
    }
    sqlite3_finalize(stmt);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

BENCHMARK(BM_HandPrepared_Insert)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Insert_DBtable_vs_HandPrepared)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_HandPrepared_Lookup);
BENCHMARK(BM_Lookup_DBtable_vs_HandPrepared);

}  // namespace

int main(int argc, char** argv) {
    char pattern[] = "/tmp/kel-bench-db-XXXXXX";
    if (!mkdtemp(pattern)) return 1;
    g_root = pattern;
    benchmark::Initialize(&argc, argv);
    lookupHome();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::string cmd = "rm -rf '" + g_root + "'";
    return std::system(cmd.c_str()) == 0 ? 0 : 1;
}
