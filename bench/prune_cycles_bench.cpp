// Pruning by cycles over the history of a real server (bench/BenchCatalogue.h,
// each set on an archive file of its own) at 10,000, 100,000 and 1,000,000
// backup sets: createDatabaseCycles keeping one cycle, database after
// database, timed in turns with the same decision written by hand in SQL: a
// cycle is a full with every backup based on it, cycles count from the one
// whose newest backup is newest, and the fulls of the cycles beyond those
// kept go with their archive files. Both answers are compared first.
#include <benchmark/benchmark.h>

#include <sqlite3.h>

#include <string>
#include <vector>

#include "BenchCatalogue.h"
#include "KelSQL/KelSQLArchivePruning.h"
#include "KelSQL/KelSQLClassProperties.h"

namespace {

using namespace kel::bench;

constexpr int kKept = 1;
const Target kTarget{10.0, 1.05, 1.0};

const char* const kHandSql =
    "WITH k AS (SELECT CASE WHEN backupType = 68 THEN checkpointLSN ELSE fullBackupLSN END AS key,"
    "  max(startTime) AS newest FROM sqlLSNs WHERE sqlDatabaseId = ?1 GROUP BY 1),"
    " f AS (SELECT l.sqlBackupSetId AS id, row_number() OVER (ORDER BY k.newest DESC, l.startTime DESC) AS n"
    "  FROM sqlLSNs l JOIN k ON l.checkpointLSN = k.key WHERE l.sqlDatabaseId = ?1 AND l.backupType = 68)"
    " SELECT a.tesselId, a.archiveGroup, a.archiveFile, f.id FROM f JOIN sqlArchiveSet a ON a.sqlBackupSetId = f.id"
    " WHERE f.n > ?2 ORDER BY f.n, a.id";

using Entries = std::vector<std::vector<uint64_t>>;

Histories histories;

void BM_Cycles(benchmark::State& state) {
    const int sets = int(state.range(0));
    histories.use("cycles", sets, true);
    const kel::history::Shape& shape = shapeOf(sets, true);
    KelSQLClassProperties ostrel(KelSQLServerSide);
    sqlite3* db = openCatalogue();
    sqlite3_stmt* st = prepareOrDie(db, kHandSql);
    // The newest full of each database names it to the library.
    auto newestFull = [&](int d) {
        int slot = shape.slotOf(sets) / kel::history::kSlotsPerWeek * kel::history::kSlotsPerWeek;
        while (shape.setAt(slot, d) > sets) slot -= kel::history::kSlotsPerWeek;
        return shape.setAt(slot, d);
    };
    Entries mine, theirs;
    int libraryDb = 0, handDb = 0;
    auto byLibrary = [&] {
        const int d = libraryDb++ % shape.databases + 1;
        KelSQLArchivePruning p(ostrel);
        if (!p.createDatabaseCycles(kKept, 0, 1, 1, static_cast<uint64_t>(newestFull(d)))) {
            std::fprintf(stderr, "%s\n", p.getLastError().formatLastErrorMessage().c_str());
            return false;
        }
        mine.clear();
        for (const KelSQLFullArchiveMapping_t& e : p.prunableFulls())
            mine.push_back({e.tesselId, e.archiveGroupId, e.archiveFileId, e.sqlBackupSetId});
        return true;
    };
    auto byHand = [&] {
        const int d = handDb++ % shape.databases + 1;
        theirs.clear();
        sqlite3_bind_int(st, 1, d);
        sqlite3_bind_int(st, 2, kKept);
        while (sqlite3_step(st) == SQLITE_ROW)
            theirs.push_back({uint64_t(sqlite3_column_int(st, 0)), uint64_t(sqlite3_column_int(st, 1)),
                              uint64_t(sqlite3_column_int(st, 2)), uint64_t(sqlite3_column_int(st, 3))});
        sqlite3_reset(st);
        return true;
    };
    bool same = true;
    size_t prunable = 0;
    for (int d = 0; d < shape.databases && same; ++d) {
        same = byLibrary() && byHand() && mine == theirs && !mine.empty();
        prunable += mine.size();
    }
    Sides sides;
    if (same)
        for (auto _ : state) sides = alternate(sets >= 1000000 ? 4 : 10, shape.databases / 2, byLibrary, byHand);
    sqlite3_finalize(st);
    sqlite3_close(db);
    if (!same || !sides.ok) {
        state.SkipWithError("the library and the hand-written SQL disagree, or a call failed");
        return;
    }
    state.counters["prunable"] = double(prunable);
    Report::get().add(state, "pruning cycles of one database", sets, sides, kTarget);
}

BENCHMARK(BM_Cycles)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("TZ", "UTC", 1);
    return runAndReport(argc, argv);
}
