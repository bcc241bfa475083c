// The pruning cursors over catalogues of 10,000 and 100,000 archive sets
// (one per backup set; a third of the archive files without any copy, a third
// whose only copy has flag bit 256), run through their records (DBtable and
// the connection's T-SQL runner) and as the equivalent hand-written SQLite
// statements on a connection of the same catalogue; and the peak resident
// memory of a prune of 1,000,000 sets both ways, each in a fresh process
// (bench/BenchCatalogue.h).
#include <benchmark/benchmark.h>

#include <sqlite3.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "BenchCatalogue.h"
#include "Db/Cursor/sqlGetBackupSetsToPrune.h"
#include "Db/Cursor/sqlTombStoneSQLBackups.h"
#include "platform/db/DBEngine.h"
#include "platform/util/KelHome.h"

namespace {

using kel::bench::execOrDie;
using kel::bench::openCatalogue;

constexpr int kDatabases = 100;

const char* const kTombStoneSql =
    "update sqlArchiveSet set bIsTombStoned = 1"
    " where ArchiveFile NOT IN (select archFileId from archFileCopy where (flags & 256) = 0)";
const char* const kPruneSql =
    "select distinct sqlBackupSetId, clientID, sqlArchiveSet.tesselId"
    " from sqlBackupSet, sqlArchiveSet, sqlDatabase, sqlServer"
    " where sqlArchiveSet.archiveFile NOT IN (select archFileId from archFileCopy)"
    " and sqlBackupSet.id = sqlArchiveSet.sqlBackupSetId and sqlDatabase.backupsetId = sqlBackupSet.sqlDatabaseId"
    " and sqlServer.instanceId = sqlDatabase.sqlServerId";

// Points the platform home at the catalogue of that many archive sets,
// building it on first use.
std::map<int, std::string> homes;

void useCatalogue(int sets) {
    auto it = homes.find(sets);
    if (it != homes.end()) {
        setenv("KEL_HOME", it->second.c_str(), 1);
        return;
    }
    std::string home = "/tmp/kel-bench-prune-" + std::to_string(getpid()) + "-" + std::to_string(sets);
    homes[sets] = home;
    setenv("KEL_HOME", home.c_str(), 1);
    kel::makeFolders(home);
    sqlite3* db = openCatalogue();
    execOrDie(db, "BEGIN");
    execOrDie(db, "INSERT INTO APP_Tessel (id, name) VALUES (1, 'tessel');"
                  "INSERT INTO APP_Client (id, tesselId, name) VALUES (1, 1, 'client');"
                  "INSERT INTO APP_InstanceName (id, tesselId, clientId, name) VALUES (1, 1, 1, 'SQL1');"
                  "INSERT INTO sqlVersion (id, tesselId, type, major) VALUES (1, 1, 1, 15);"
                  "INSERT INTO sqlServer (instanceId, tesselId, serverName, sqlVersionId, clientId)"
                  " VALUES (1, 1, 'SQL1', 1, 1)");
    execOrDie(db, "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                      std::to_string(kDatabases) +
                      ") INSERT INTO APP_BackupSetName (id, tesselId, instanceId, name) SELECT i, 1, 1, 'db' || i FROM n");
    execOrDie(db, "INSERT INTO sqlDatabase (backupSetId, tesselId, sqlServerId, databaseName)"
                  " SELECT id, 1, 1, name FROM APP_BackupSetName");
    const std::string n = "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                          std::to_string(sets) + ") ";
    execOrDie(db, n + "INSERT INTO sqlBackupSet (id, tesselId, sqlDatabaseId, sqlVersionId, mtfVersionId, name)"
                      " SELECT i, 1, 1 + i % " + std::to_string(kDatabases) + ", 1, 1, 'bs' || i FROM n");
    execOrDie(db, n + "INSERT INTO sqlArchiveSet (tesselId, sqlBackupSetId, archiveGroup, archiveFile, bIsTombstoned)"
                      " SELECT 1, i, 1, i, 0 FROM n");
    // File i: no copy when i % 3 = 0; one copy with bit 256 when 1; live copies when 2.
    execOrDie(db, n + "INSERT INTO archFileCopy (archFileId, tesselId, copyId, flags)"
                      " SELECT i, 1, 1, CASE i % 3 WHEN 1 THEN 256 ELSE 0 END FROM n WHERE i % 3 <> 0");
    execOrDie(db, n + "INSERT INTO archFileCopy (archFileId, tesselId, copyId, flags)"
                      " SELECT i, 1, 2, 256 FROM n WHERE i % 3 = 2");
    execOrDie(db, "COMMIT");
    // No ANALYZE: the library never runs it on its catalogue. (With its
    // statistics SQLite drives the prune join from the one instance row down,
    // probing archive sets in random order, which both forms then pay alike.)
    sqlite3_close(db);
}

void BM_TombStoneRecord_vs_TombStoneHandWritten(benchmark::State& state) {
    const int sets = int(state.range(0));
    useCatalogue(sets);
    SqlTombStoneSQLBackups record(nullptr);  // its connection stays open
    for (auto _ : state) {
        record.setValues(1);
        int rc = record.getOneRow(&record, false, -1, 0);
        if (rc != 0) {
            state.SkipWithError(record.getErrorStr(rc));
            break;
        }
        benchmark::DoNotOptimize(record.getDataPtr()->found);
    }
    state.counters["marked"] = record.getDataPtr()->found;
    state.SetComplexityN(sets);
}

void BM_TombStoneHandWritten(benchmark::State& state) {
    const int sets = int(state.range(0));
    useCatalogue(sets);
    sqlite3* db = openCatalogue();
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, kTombStoneSql, -1, &st, nullptr);
    int marked = 0;
    for (auto _ : state) {
        if (sqlite3_step(st) != SQLITE_DONE) {
            state.SkipWithError(sqlite3_errmsg(db));
            break;
        }
        sqlite3_reset(st);
        marked = sqlite3_changes(db);
        benchmark::DoNotOptimize(marked);
    }
    state.counters["marked"] = marked;
    state.SetComplexityN(sets);
    sqlite3_finalize(st);
    sqlite3_close(db);
}

void BM_PruneRecord_vs_PruneHandWritten(benchmark::State& state) {
    const int sets = int(state.range(0));
    useCatalogue(sets);
    SqlGetBackupSetsToPrune record(nullptr);
    int rows = 0;
    for (auto _ : state) {
        record.setValues();
        rows = 0;
        int rc = record.openCursor();
        while (rc == 0 && (rc = record.fetchCursor(true)) == 0) ++rows;
        if (rc != 100) {
            state.SkipWithError(record.getErrorStr(rc));
            break;
        }
        record.closeCursor();
    }
    state.counters["rows"] = rows;
    state.SetComplexityN(sets);
}

void BM_PruneHandWritten(benchmark::State& state) {
    const int sets = int(state.range(0));
    useCatalogue(sets);
    sqlite3* db = openCatalogue();
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, kPruneSql, -1, &st, nullptr);
    int rows = 0;
    for (auto _ : state) {
        rows = 0;
        while (sqlite3_step(st) == SQLITE_ROW) {
            SqlGetBackupSetsToPrune_t row;
            row.backupSetId = sqlite3_column_int(st, 0);
            row.clientId = sqlite3_column_int(st, 1);
            row.tesselId = sqlite3_column_int(st, 2);
            benchmark::DoNotOptimize(row);
            ++rows;
        }
        sqlite3_reset(st);
    }
    state.counters["rows"] = rows;
    state.SetComplexityN(sets);
    sqlite3_finalize(st);
    sqlite3_close(db);
}

int pruneThroughRecord() {
    SqlGetBackupSetsToPrune record(nullptr);
    record.setValues();
    int rows = 0;
    int rc = record.openCursor();
    while (rc == 0 && (rc = record.fetchCursor(true)) == 0) ++rows;
    record.closeCursor();
    return rc == 100 ? rows : -1;
}

int pruneHandWritten() {
    sqlite3* db = openCatalogue();
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, kPruneSql, -1, &st, nullptr);
    int rows = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
        SqlGetBackupSetsToPrune_t row;
        row.backupSetId = sqlite3_column_int(st, 0);
        benchmark::DoNotOptimize(row);
        ++rows;
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return rows;
}

// The child's side of a peak (bench/BenchCatalogue.h): one prune of the
// parent's catalogue, "record" or "hand", its rows as the digest.
long long peakChild(const std::vector<std::string>& args) {
    if (args.size() != 1) return -1;
    return args[0] == "record" ? pruneThroughRecord() : pruneHandWritten();
}

// Peak memory, not time: both forms in fresh processes, alternately, three
// times each; the lowest peak of each counts.
void BM_PrunePeakRecord_vs_PrunePeakHandWritten(benchmark::State& state) {
    const int sets = int(state.range(0));
    useCatalogue(sets);
    kel::bench::Peaks peaks;
    for (auto _ : state) peaks = kel::bench::peaksOf(3, {"record"}, {"hand"});
    if (!peaks.ok) {
        state.SkipWithError("a prune failed or the forms disagree");
        return;
    }
    state.counters["record_MiB"] = double(peaks.library) / 1024;
    state.counters["hand_MiB"] = double(peaks.hand) / 1024;
    state.counters["ratio"] = double(peaks.library) / double(peaks.hand);
}

BENCHMARK(BM_TombStoneRecord_vs_TombStoneHandWritten)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK(BM_TombStoneHandWritten)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK(BM_PruneRecord_vs_PruneHandWritten)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK(BM_PruneHandWritten)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK(BM_PrunePeakRecord_vs_PrunePeakHandWritten)->Arg(1000000)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    int code = 0;
    if (kel::bench::runPeakChild(argc, argv, peakChild, code)) return code;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    int rc = 0;
    for (const auto& [sets, home] : homes) {
        std::string cmd = "rm -rf '" + home + "'";
        if (std::system(cmd.c_str()) != 0) rc = 1;
    }
    return rc;
}
