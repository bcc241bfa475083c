// Pruning decisions by cycles over catalogues of 100,000 and 1,000,000
// archive sets (one database per 10,000 full backups, each on an archive
// file of its own; ten cycles kept per database): the library's
// createDatabaseCycles for every database, against the same selection
// written by hand in SQL (every full of a database but its ten newest, with
// its archive files), the two taking turns database by database. Histories
// of fulls alone: a cycle whose newest backup is a log or differential also
// reads that backup's restore chain.
#include <benchmark/benchmark.h>

#include <sqlite3.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <string>

#include "BenchCatalogue.h"
#include "KelSQL/KelSQLArchivePruning.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "platform/info/KelRegistry.h"

namespace {

using kel::bench::execOrDie;
using kel::bench::openCatalogue;

constexpr int kPerDatabase = 10000;
constexpr int kKept = 10;

const char* const kHandSql =
    "SELECT a.tesselId, a.archiveGroup, a.archiveFile, l.sqlBackupSetId FROM"
    " (SELECT sqlBackupSetId, row_number() OVER (ORDER BY startTime DESC) AS n FROM sqlLSNs"
    "  WHERE sqlDatabaseId = ?1 AND backupType = 68) l"
    " JOIN sqlArchiveSet a ON a.sqlBackupSetId = l.sqlBackupSetId WHERE l.n > ?2 ORDER BY l.n, a.id";

std::map<int, std::string> homes;

void useCatalogue(int sets) {
    auto it = homes.find(sets);
    std::string home = it != homes.end() ? it->second
                                         : "/tmp/kel-bench-cycles-" + std::to_string(getpid()) + "-" + std::to_string(sets);
    setenv("KEL_HOME", home.c_str(), 1);
    KelPI_Ostrel ostrel;
    if (it == homes.end()) kel::makeFolders(home);
    if (!KelRegistry::createMachine("OSTREL") || !KelPI_Focus::setFocus("OSTREL") || ostrel.setFocus("OSTREL") == 0 ||
        !ostrel.setOstrelHostName("OSTREL") || !ostrel.setTesselId(1)) {
        std::fprintf(stderr, "cannot focus the Ostrel\n");
        std::exit(1);
    }
    if (it != homes.end()) return;
    homes[sets] = home;
    sqlite3* db = openCatalogue();
    const std::string databases = std::to_string(sets / kPerDatabase);
    execOrDie(db, "BEGIN");
    execOrDie(db, "INSERT INTO APP_Tessel (id, name) VALUES (1, 'tessel');"
                  "INSERT INTO APP_Client (id, tesselId, name) VALUES (1, 1, 'client');"
                  "INSERT INTO APP_InstanceName (id, tesselId, clientId, name) VALUES (1, 1, 1, 'SQL1');"
                  "INSERT INTO sqlVersion (id, tesselId, type, major) VALUES (1, 1, 1, 9);"
                  "INSERT INTO sqlServer (instanceId, tesselId, serverName, sqlVersionId, clientId)"
                  " VALUES (1, 1, 'SQL1', 1, 1);"
                  "INSERT INTO archGroup (id, name) VALUES (1, 'g')");
    execOrDie(db, "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " + databases +
                      ") INSERT INTO APP_BackupSetName (id, tesselId, instanceId, name) SELECT i, 1, 1, 'db' || i FROM n");
    execOrDie(db, "INSERT INTO sqlDatabase (backupSetId, tesselId, sqlServerId, databaseName)"
                  " SELECT id, 1, 1, name FROM APP_BackupSetName");
    // Set i belongs to database 1 + (i - 1) / 10000 and lies on file i.
    const std::string n = "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                          std::to_string(sets) + ") ";
    const std::string dbOf = "(1 + (i - 1) / " + std::to_string(kPerDatabase) + ")";
    execOrDie(db, n + "INSERT INTO sqlBackupSet (id, tesselId, sqlDatabaseId, name, sqlVersionId, mtfVersionId,"
                      " backupSize) SELECT i, 1, " + dbOf + ", 'bs' || i, 1, 1, '1000' FROM n");
    execOrDie(db, n + "INSERT INTO sqlLSNs SELECT i, 1, " + dbOf + ", datetime(1600000000 + 60 * i, 'unixepoch'),"
                      " datetime(1600000030 + 60 * i, 'unixepoch'), 68,"
                      " CAST(100000000000000000 + 10 * i - 5 AS TEXT), CAST(100000000000000000 + 10 * i + 5 AS TEXT),"
                      " CAST(100000000000000000 + 10 * i AS TEXT), CAST(100000000000000000 + 10 * i - 10 AS TEXT) FROM n");
    execOrDie(db, n + "INSERT INTO sqlArchiveSet (tesselId, sqlBackupSetId, mediaSetId, sequenceNumber, archiveGroup,"
                      " archiveFile, bIsTombstoned) SELECT 1, i, 0, 1, 1, i, 0 FROM n");
    execOrDie(db, "COMMIT");
    // Readers start from the database file, not from a log of every row.
    execOrDie(db, "PRAGMA wal_checkpoint(TRUNCATE)");
    sqlite3_close(db);
}

// Each database is decided by the library and by the hand-written SQL in
// turn (each side first for every other database), so that the machine's
// slower and faster phases fall on both alike. The time reported is the
// library's; hand_ms and ratio give the hand-written selection's.
void BM_CyclesRecord_vs_CyclesHandWritten(benchmark::State& state) {
    const int sets = int(state.range(0));
    useCatalogue(sets);
    KelSQLClassProperties ostrel(KelSQLServerSide);
    sqlite3* db = openCatalogue();
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, kHandSql, -1, &st, nullptr) != SQLITE_OK) {
        state.SkipWithError(sqlite3_errmsg(db));
        sqlite3_close(db);
        return;
    }
    using Clock = std::chrono::steady_clock;
    Clock::duration libraryTotal{}, handTotal{};
    size_t prunable = 0, handPrunable = 0;
    for (auto _ : state) {
        prunable = handPrunable = 0;
        Clock::duration library{}, hand{};
        for (int d = 1; d <= sets / kPerDatabase; ++d) {
            auto byLibrary = [&] {
                const Clock::time_point start = Clock::now();
                KelSQLArchivePruning p(ostrel);
                // The newest full of the database is its last set.
                const bool ok = p.createDatabaseCycles(kKept, 0, 1, 1, static_cast<uint64_t>(d) * kPerDatabase);
                prunable += p.prunableFulls().size();
                library += Clock::now() - start;
                if (!ok) state.SkipWithError(p.getLastError().formatLastErrorMessage().c_str());
                return ok;
            };
            auto byHand = [&] {
                const Clock::time_point start = Clock::now();
                sqlite3_bind_int(st, 1, d);
                sqlite3_bind_int(st, 2, kKept);
                while (sqlite3_step(st) == SQLITE_ROW) {
                    KelSQLFullArchiveMapping_t e;
                    e.tesselId = uint64_t(sqlite3_column_int(st, 0));
                    e.archiveGroupId = uint64_t(sqlite3_column_int(st, 1));
                    e.archiveFileId = uint64_t(sqlite3_column_int(st, 2));
                    e.sqlBackupSetId = uint64_t(sqlite3_column_int(st, 3));
                    benchmark::DoNotOptimize(e);
                    ++handPrunable;
                }
                sqlite3_reset(st);
                hand += Clock::now() - start;
            };
            if (d % 2) {
                if (!byLibrary()) break;
                byHand();
            } else {
                byHand();
                if (!byLibrary()) break;
            }
        }
        state.SetIterationTime(std::chrono::duration<double>(library).count());
        libraryTotal += library;
        handTotal += hand;
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    if (prunable != handPrunable) state.SkipWithError("the library and the hand-written SQL disagree");
    state.counters["prunable"] = double(prunable);
    state.counters["hand_ms"] =
        std::chrono::duration<double, std::milli>(handTotal).count() / double(state.iterations());
    state.counters["ratio"] = double(libraryTotal.count()) / double(handTotal.count());
    state.SetComplexityN(sets);
}

BENCHMARK(BM_CyclesRecord_vs_CyclesHandWritten)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseManualTime()
    ->Complexity(benchmark::oN);

}  // namespace

int main(int argc, char** argv) {
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
