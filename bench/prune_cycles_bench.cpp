// Pruning by cycles over the history of a real server (bench/BenchCatalogue.h,
// each set on an archive file of its own) at 10,000, 100,000 and 1,000,000
// backup sets: createDatabaseCycles keeping one cycle, database after
// database, timed in turns with the same decision written by hand in SQL: a
// cycle is a full with every backup based on it, cycles count from the one
// whose newest backup is newest, and the fulls of the cycles beyond those
// kept go with their archive files. Both answers are compared first. The
// peak memory of one database's cycles is measured in a fresh process on
// both sides.
#include <benchmark/benchmark.h>

#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BenchCatalogue.h"
#include "KelSQL/KelSQLArchivePruning.h"
#include "KelSQL/KelSQLClassProperties.h"

namespace {

using namespace kel::bench;

constexpr int kKept = 1;
const Target kTarget{10.0, 1.05, 1.0};
const Target kPeakTarget{1.3, 0, 0};

const char* const kHandSql =
    "WITH k AS (SELECT CASE WHEN backupType = 68 THEN checkpointLSN ELSE fullBackupLSN END AS key,"
    "  max(startTime) AS newest FROM sqlLSNs WHERE sqlDatabaseId = ?1 GROUP BY 1),"
    " f AS (SELECT l.sqlBackupSetId AS id, row_number() OVER (ORDER BY k.newest DESC, l.startTime DESC) AS n"
    "  FROM sqlLSNs l JOIN k ON l.checkpointLSN = k.key WHERE l.sqlDatabaseId = ?1 AND l.backupType = 68)"
    " SELECT a.tesselId, a.archiveGroup, a.archiveFile, f.id FROM f JOIN sqlArchiveSet a ON a.sqlBackupSetId = f.id"
    " WHERE f.n > ?2 ORDER BY f.n, a.id";

using Entries = std::vector<std::vector<uint64_t>>;

Histories histories;

// The newest full of database d names it to the library.
int newestFull(const kel::history::Shape& shape, int d) {
    int slot = shape.slotOf(shape.sets) / kel::history::kSlotsPerWeek * kel::history::kSlotsPerWeek;
    while (shape.setAt(slot, d) > shape.sets) slot -= kel::history::kSlotsPerWeek;
    return shape.setAt(slot, d);
}

bool libraryCycles(KelSQLClassProperties& ostrel, const kel::history::Shape& shape, int d, Entries& out) {
    KelSQLArchivePruning p(ostrel);
    if (!p.createDatabaseCycles(kKept, 0, 1, 1, static_cast<uint64_t>(newestFull(shape, d)))) {
        std::fprintf(stderr, "%s\n", p.getLastError().formatLastErrorMessage().c_str());
        return false;
    }
    out.clear();
    for (const KelSQLFullArchiveMapping_t& e : p.prunableFulls())
        out.push_back({e.tesselId, e.archiveGroupId, e.archiveFileId, e.sqlBackupSetId});
    return true;
}

bool handCycles(sqlite3_stmt* st, int d, Entries& out) {
    out.clear();
    sqlite3_bind_int(st, 1, d);
    sqlite3_bind_int(st, 2, kKept);
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW)
        out.push_back({uint64_t(sqlite3_column_int(st, 0)), uint64_t(sqlite3_column_int(st, 1)),
                       uint64_t(sqlite3_column_int(st, 2)), uint64_t(sqlite3_column_int(st, 3))});
    sqlite3_reset(st);
    return rc == SQLITE_DONE;
}

void BM_Cycles(benchmark::State& state) {
    const int sets = int(state.range(0));
    histories.use("cycles", sets, true);
    const kel::history::Shape& shape = shapeOf(sets, true);
    KelSQLClassProperties ostrel(KelSQLServerSide);
    sqlite3* db = openCatalogue();
    sqlite3_stmt* st = prepareOrDie(db, kHandSql);
    Entries mine, theirs;
    int libraryDb = 0, handDb = 0;
    auto byLibrary = [&] { return libraryCycles(ostrel, shape, libraryDb++ % shape.databases + 1, mine); };
    auto byHand = [&] { return handCycles(st, handDb++ % shape.databases + 1, theirs); };
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

// A fresh process's side ("library" or "hand", the history's size): the
// cycles of one database, in the home the parent chose, as a digest.
long long peakChild(const std::vector<std::string>& args) {
    if (args.size() != 2) return -1;
    const kel::history::Shape& shape = shapeOf(std::atoi(args[1].c_str()), true);
    const int d = shape.databases / 2;
    Entries out;
    if (args[0] == "hand") {
        sqlite3* db = openCatalogue();
        sqlite3_stmt* st = prepareOrDie(db, kHandSql);
        const bool ok = handCycles(st, d, out);
        sqlite3_finalize(st);
        sqlite3_close(db);
        if (!ok) return -1;
    } else {
        focusOstrel();
        KelSQLClassProperties ostrel(KelSQLServerSide);
        if (!libraryCycles(ostrel, shape, d, out)) return -1;
    }
    long long digest = static_cast<long long>(out.size());
    for (const std::vector<uint64_t>& e : out)
        for (uint64_t v : e) digest = (digest * 31 + static_cast<long long>(v)) % 1000000007;
    return digest;
}

void BM_CyclesPeak(benchmark::State& state) {
    const int sets = int(state.range(0));
    histories.use("cycles", sets, true);
    const std::string n = std::to_string(sets);
    Peaks peaks;
    for (auto _ : state) peaks = peaksOf(3, {"library", n}, {"hand", n});
    if (!peaks.ok) {
        state.SkipWithError("a fresh process failed, or the sides disagree");
        return;
    }
    Report::get().addPeak(state, "peak memory, pruning cycles", sets, peaks, kPeakTarget);
}

BENCHMARK(BM_Cycles)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CyclesPeak)->Arg(10000)->Arg(100000)->Arg(1000000)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("TZ", "UTC", 1);
    return runAndReport(argc, argv, peakChild);
}
