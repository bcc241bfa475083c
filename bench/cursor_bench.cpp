// The point-in-time backup-data cursor over a catalogue of 10,000 backup sets
// (20 instances of 10 databases of 50 backup sets), run through its record
// (DBtable and the connection's T-SQL runner) and as the equivalent
// hand-written SQLite statement on a connection of the same catalogue.
#include <benchmark/benchmark.h>

#include <sqlite3.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

#include "BenchCatalogue.h"
#include "Db/Cursor/sqlServerBkupData.h"
#include "platform/db/DBEngine.h"
#include "platform/util/KelHome.h"

namespace {

using kel::bench::execOrDie;
using kel::bench::openCatalogue;

constexpr int kInstances = 20;
constexpr int kDatabasesPerInstance = 10;
// 50 sets per database make 10,000 sets; KEL_BENCH_SETS (10000, 100000,
// 1000000) scales the history.
int kBackupSetsPerDatabase = 50;
constexpr int kInstance = 7;
constexpr int kSeconds = 1622505600;  // 2021-06-01 00:00:00 UTC

const char* const kHandWritten =
    "select sqlserver.instanceId from sqlserver, sqlbackupset, sqldatabase, sqllsns, sqlArchiveSet"
    " where sqlserver.instanceid = ?1"
    " and (sqlserver.removaltime = 0 or (sqlserver.removaltime >= ?3 and sqlserver.addtime <= ?3))"
    " and sqlserver.instanceid = sqldatabase.sqlserverid and sqldatabase.backupsetid = sqlbackupset.sqldatabaseid"
    " and sqlbackupset.id = sqllsns.sqlbackupsetid and sqlbackupset.id = sqlArchiveSet.sqlbackupsetid"
    " and sqlArchiveSet.bIsTombStoned <= ?4 and sqlbackupset.sqlFileSubClientId <= 0"
    " and sqllsns.finishtime <= ?2 and sqllsns.backupType != 71 and sqllsns.backupType != 70 limit 1";

std::string g_home;

void insertAll(sqlite3* db, const char* sql, int count, void (*bind)(sqlite3_stmt*, int)) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "%s: %s\n", sql, sqlite3_errmsg(db));
        std::exit(1);
    }
    for (int i = 1; i <= count; ++i) {
        bind(st, i);
        if (sqlite3_step(st) != SQLITE_DONE) {
            std::fprintf(stderr, "%s: %s\n", sql, sqlite3_errmsg(db));
            std::exit(1);
        }
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
}

void buildCatalogue() {
    g_home = "/tmp/kel-bench-cursor-" + std::to_string(getpid());
    setenv("KEL_HOME", g_home.c_str(), 1);
    kel::makeFolders(g_home);
    sqlite3* db = openCatalogue();
    const int databases = kInstances * kDatabasesPerInstance;
    const int sets = databases * kBackupSetsPerDatabase;
    execOrDie(db, "BEGIN");
    execOrDie(db, "INSERT INTO APP_Tessel (id, name) VALUES (1, 'tessel');"
                  "INSERT INTO APP_Client (id, tesselId, name) VALUES (1, 1, 'client');"
                  "INSERT INTO sqlVersion (id, tesselId, type, major) VALUES (1, 1, 1, 15)");
    insertAll(db, "INSERT INTO APP_InstanceName (id, tesselId, clientId, name) VALUES (?1, 1, 1, 'SQL' || ?1)",
              kInstances, [](sqlite3_stmt* st, int i) { sqlite3_bind_int(st, 1, i); });
    insertAll(db, "INSERT INTO sqlServer (instanceId, tesselId, serverName, sqlVersionId, addTime, removalTime, clientId)"
                  " VALUES (?1, 1, 'SQL' || ?1, 1, 100, 0, 1)",
              kInstances, [](sqlite3_stmt* st, int i) { sqlite3_bind_int(st, 1, i); });
    insertAll(db, "INSERT INTO APP_BackupSetName (id, tesselId, instanceId, name) VALUES (?1, 1, ?2, 'db' || ?1)",
              databases, [](sqlite3_stmt* st, int i) {
                  sqlite3_bind_int(st, 1, i);
                  sqlite3_bind_int(st, 2, 1 + (i - 1) / kDatabasesPerInstance);
              });
    insertAll(db, "INSERT INTO sqlDatabase (backupSetId, tesselId, sqlServerId, databaseName) VALUES (?1, 1, ?2, 'db' || ?1)",
              databases, [](sqlite3_stmt* st, int i) {
                  sqlite3_bind_int(st, 1, i);
                  sqlite3_bind_int(st, 2, 1 + (i - 1) / kDatabasesPerInstance);
              });
    insertAll(db, "INSERT INTO sqlBackupSet (id, tesselId, sqlDatabaseId, sqlVersionId, mtfVersionId, name, sqlFileSubClientId)"
                  " VALUES (?1, 1, ?2, 1, 1, 'bs' || ?1, ?3)",
              sets, [](sqlite3_stmt* st, int i) {
                  sqlite3_bind_int(st, 1, i);
                  sqlite3_bind_int(st, 2, 1 + (i - 1) / kBackupSetsPerDatabase);
                  sqlite3_bind_int(st, 3, i % 10 == 0 ? 3 : 0);  // some belong to file subclients
              });
    // Backups over the year, a mix of full, differential, log and file backups.
    insertAll(db, "INSERT INTO sqlLSNs (sqlBackupSetId, tesselId, sqlDatabaseId, finishTime, backupType)"
                  " VALUES (?1, 1, ?2, ?3, ?4)",
              sets, [](sqlite3_stmt* st, int i) {
                  static const int types[] = {68, 76, 76, 73, 70, 71};
                  char when[32];
                  std::snprintf(when, sizeof when, "2021-%02d-%02d 10:00:00", 1 + i % 12, 1 + i % 28);
                  sqlite3_bind_int(st, 1, i);
                  sqlite3_bind_int(st, 2, 1 + (i - 1) / kBackupSetsPerDatabase);
                  sqlite3_bind_text(st, 3, when, -1, SQLITE_TRANSIENT);
                  sqlite3_bind_int(st, 4, types[i % 6]);
              });
    insertAll(db, "INSERT INTO sqlArchiveSet (tesselId, sqlBackupSetId, archiveGroup, archiveFile, bIsTombstoned)"
                  " VALUES (1, ?1, 1, ?1, ?2)",
              sets, [](sqlite3_stmt* st, int i) {
                  sqlite3_bind_int(st, 1, i);
                  sqlite3_bind_int(st, 2, i % 7 == 0 ? 1 : 0);
              });
    execOrDie(db, "COMMIT");
    execOrDie(db, "ANALYZE");
    sqlite3_close(db);
}

// A browse time for each call: a different second every time, as the
// caller's clock gives it, or always the same.
void timeFor(int64_t call, bool sameTime, char* date, size_t size, int& seconds) {
    int offset = sameTime ? 0 : int(call % 3600);
    seconds = kSeconds + offset;
    std::snprintf(date, size, "{ts+'2021-06-01 %02d:%02d:%02d+'}", offset / 3600, offset / 60 % 60, offset % 60);
}

void throughRecord(benchmark::State& state, bool sameTime) {
    // One record object: its connection (and runner) stay open, as with a
    // record on a transaction.
    SqlServerBkupData record(nullptr);
    int64_t call = 0;
    for (auto _ : state) {
        char date[48];
        int seconds = 0;
        timeFor(call++, sameTime, date, sizeof date, seconds);
        record.setValues(kInstance, date, seconds, 0);
        int rc = record.openCursor();
        if (rc == 0) rc = record.fetchCursor(true);
        if (rc != 0 || record.getDataPtr()->found != kInstance) {
            state.SkipWithError(record.getErrorStr(rc));
            break;
        }
        record.closeCursor();
    }
}

void handWritten(benchmark::State& state, bool sameTime) {
    sqlite3* db = openCatalogue();
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, kHandWritten, -1, &st, nullptr);
    int64_t call = 0;
    for (auto _ : state) {
        char date[48];
        int seconds = 0;
        timeFor(call++, sameTime, date, sizeof date, seconds);
        // The stored form of the literal: what the library's rewriting gives.
        char stored[20];
        std::snprintf(stored, sizeof stored, "2021-06-01 %.8s", date + 16);
        SqlServerBkupData_t row;
        sqlite3_bind_int(st, 1, kInstance);
        sqlite3_bind_text(st, 2, stored, 19, SQLITE_STATIC);
        sqlite3_bind_int(st, 3, seconds);
        sqlite3_bind_int(st, 4, 0);
        if (sqlite3_step(st) == SQLITE_ROW) row.found = sqlite3_column_int(st, 0);
        sqlite3_reset(st);
        if (row.found != kInstance) {
            state.SkipWithError("no row");
            break;
        }
        benchmark::DoNotOptimize(row);
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
}

void BM_RecordNewTime_vs_HandWrittenNewTime(benchmark::State& state) { throughRecord(state, false); }
void BM_HandWrittenNewTime(benchmark::State& state) { handWritten(state, false); }
void BM_RecordSameTime_vs_HandWrittenSameTime(benchmark::State& state) { throughRecord(state, true); }
void BM_HandWrittenSameTime(benchmark::State& state) { handWritten(state, true); }
BENCHMARK(BM_RecordNewTime_vs_HandWrittenNewTime)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HandWrittenNewTime)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RecordSameTime_vs_HandWrittenSameTime)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HandWrittenSameTime)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (const char* sets = std::getenv("KEL_BENCH_SETS"))
        kBackupSetsPerDatabase = std::max(1, std::atoi(sets) / (kInstances * kDatabasesPerInstance));
    buildCatalogue();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::string cmd = "rm -rf '" + g_home + "'";
    return std::system(cmd.c_str()) == 0 ? 0 : 1;
}
