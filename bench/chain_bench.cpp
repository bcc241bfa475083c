// The restore chain of a database's newest log over histories of 10,000,
// 100,000 and 1,000,000 backup sets (a full every 1,000 sets, a differential
// every 100, logs between, all linked by 18-digit LSNs): the chain selector
// on an Ostrel-side context against one hand-written recursive SQL walk of
// the same rows on a connection of the same catalogue. The chain is the
// same length at every size, so its cost must not grow with the history.
#include <benchmark/benchmark.h>

#include <sqlite3.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "BenchCatalogue.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLDatabaseLSNList.h"
#include "platform/info/KelPlatformInfo.h"
#include "platform/info/KelRegistry.h"
#include "platform/util/KelHome.h"

namespace {

using kel::bench::execOrDie;
using kel::bench::openCatalogue;

// Set i: LSNs 1e17 + 10i - 5 to 1e17 + 10i + 5 (each begins where the one
// before ends), a full's checkpoint 1e17 + 10i, every set based on the full
// of its thousand.
const char* const kWalkSql =
    "WITH RECURSIVE t AS (SELECT sqlDatabaseId AS db, fullBackupLSN AS f FROM sqlLSNs WHERE sqlBackupSetId = ?1),"
    " walk(id, type, firstLSN) AS ("
    "  SELECT sqlBackupSetId, backupType, firstLSN FROM sqlLSNs WHERE sqlBackupSetId = ?1"
    "  UNION ALL SELECT l.sqlBackupSetId, l.backupType, l.firstLSN FROM walk w, t, sqlLSNs l"
    "  WHERE w.type = 76 AND l.sqlDatabaseId = t.db AND l.lastLSN = w.firstLSN AND +l.fullBackupLSN = t.f"
    "  AND +l.backupType IN (73, 76)),"
    " chain(id) AS (SELECT id FROM walk UNION ALL SELECT l.sqlBackupSetId FROM sqlLSNs l, t"
    "  WHERE l.sqlDatabaseId = t.db AND l.checkpointLSN = t.f AND l.backupType IN (68, 100))"
    " SELECT c.id, b.backupSize FROM chain c JOIN sqlBackupSet b ON b.id = c.id";

std::map<int, std::string> homes;

// The newest log of a history of that many sets.
int newestLog(int sets) { return sets % 100 == 0 ? sets - 1 : sets; }

void useCatalogue(int sets) {
    auto it = homes.find(sets);
    std::string home = it != homes.end() ? it->second
                                         : "/tmp/kel-bench-chain-" + std::to_string(getpid()) + "-" + std::to_string(sets);
    setenv("KEL_HOME", home.c_str(), 1);
    KelPI_Ostrel ostrel;
    if (!KelRegistry::createMachine("OSTREL") || !KelPI_Focus::setFocus("OSTREL") || ostrel.setFocus("OSTREL") == 0 ||
        !ostrel.setOstrelHostName("OSTREL") || !ostrel.setTesselId(1)) {
        std::fprintf(stderr, "cannot focus the Ostrel\n");
        std::exit(1);
    }
    if (it != homes.end()) return;
    homes[sets] = home;
    kel::makeFolders(home);
    sqlite3* db = openCatalogue();
    execOrDie(db, "BEGIN");
    execOrDie(db, "INSERT INTO APP_Tessel (id, name) VALUES (1, 'tessel');"
                  "INSERT INTO APP_Client (id, tesselId, name) VALUES (1, 1, 'client');"
                  "INSERT INTO APP_InstanceName (id, tesselId, clientId, name) VALUES (1, 1, 1, 'SQL1');"
                  "INSERT INTO APP_BackupSetName (id, tesselId, instanceId, name) VALUES (1, 1, 1, 'db');"
                  "INSERT INTO sqlVersion (id, tesselId, type, major) VALUES (1, 1, 1, 9);"
                  "INSERT INTO sqlServer (instanceId, tesselId, serverName, sqlVersionId, clientId)"
                  " VALUES (1, 1, 'SQL1', 1, 1);"
                  "INSERT INTO sqlDatabase (backupSetId, tesselId, sqlServerId, databaseName) VALUES (1, 1, 1, 'db')");
    const std::string n = "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                          std::to_string(sets) + ") ";
    execOrDie(db, n + "INSERT INTO sqlBackupSet (id, tesselId, sqlDatabaseId, name, sqlVersionId, mtfVersionId,"
                      " backupSize) SELECT i, 1, 1, 'bs' || i, 1, 1, CAST(1000 + i AS TEXT) FROM n");
    execOrDie(db, n + "INSERT INTO sqlLSNs SELECT i, 1, 1, datetime(1600000000 + i, 'unixepoch'),"
                      " datetime(1600000000 + i, 'unixepoch'),"
                      " CASE WHEN i % 1000 = 0 THEN 68 WHEN i % 100 = 0 THEN 73 ELSE 76 END,"
                      " CAST(100000000000000000 + 10 * i - 5 AS TEXT), CAST(100000000000000000 + 10 * i + 5 AS TEXT),"
                      " CAST(100000000000000000 + 10 * i AS TEXT),"
                      " CAST(100000000000000000 + 10 * (CASE WHEN i % 1000 = 0 THEN i - 1000 ELSE i - i % 1000 END)"
                      " AS TEXT) FROM n");
    execOrDie(db, "COMMIT");
    sqlite3_close(db);
}

void BM_ChainOfNewestLog(benchmark::State& state) {
    const int sets = int(state.range(0));
    useCatalogue(sets);
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLDatabaseLSNList list(ostrel, false);
    for (auto _ : state) {
        if (!list.query(static_cast<unsigned long>(newestLog(sets)))) {
            state.SkipWithError(list.getLastError().formatLastErrorMessage().c_str());
            break;
        }
        benchmark::DoNotOptimize(list.restoreByteSize());
    }
    state.counters["chain"] = static_cast<double>(list.getBSIdList()->size());
    state.SetComplexityN(sets);
}

void BM_ChainHandWrittenWalk(benchmark::State& state) {
    const int sets = int(state.range(0));
    useCatalogue(sets);
    sqlite3* db = openCatalogue();
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, kWalkSql, -1, &st, nullptr) != SQLITE_OK) {
        state.SkipWithError(sqlite3_errmsg(db));
        sqlite3_close(db);
        return;
    }
    int rows = 0;
    for (auto _ : state) {
        sqlite3_bind_int(st, 1, newestLog(sets));
        rows = 0;
        unsigned long long bytes = 0;
        while (sqlite3_step(st) == SQLITE_ROW) {
            bytes += std::strtoull(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)), nullptr, 10);
            ++rows;
        }
        sqlite3_reset(st);
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["chain"] = rows;
    state.SetComplexityN(sets);
    sqlite3_finalize(st);
    sqlite3_close(db);
}

BENCHMARK(BM_ChainOfNewestLog)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChainHandWrittenWalk)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

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
