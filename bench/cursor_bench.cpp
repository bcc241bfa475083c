// The point-in-time backup-data cursor over catalogues of 10,000, 100,000 and
// 1,000,000 backup sets (20 instances of 10 databases), run through its
// record (DBtable and the connection's T-SQL runner, a new time on every
// call) and as the equivalent hand-written SQLite statement prepared once on
// a connection of the same catalogue, the two timed in turns: at a time with
// backup data, and at a time before every backup, when no row answers.
// Nobody runs ANALYZE on the catalogue.
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

using namespace kel::bench;

constexpr int kInstances = 20;
constexpr int kDatabasesPerInstance = 10;
int kBackupSetsPerDatabase = 50;
constexpr int kInstance = 7;
constexpr int kSeconds = 1622505600;  // 2021-06-01 00:00:00 UTC

const char* const kHandWritten =
    "select sqlserver.instanceId from sqlserver, sqlbackupset, sqldatabase, sqllsns, sqlArchiveSet"
    " where sqlserver.instanceid = ?1"
    " and (sqlserver.removaltime = 0 or (sqlserver.removaltime >= ?3 and sqlserver.addtime <= ?3))"
    " and sqlserver.instanceid = sqldatabase.sqlserverid and sqldatabase.backupsetid = sqlbackupset.sqldatabaseid"
    " and sqlbackupset.id = sqllsns.sqlbackupsetid and sqlbackupset.id = sqlArchiveSet.sqlbackupsetid"
    " and sqllsns.sqlDatabaseId = sqldatabase.backupsetid"
    " and sqlArchiveSet.bIsTombStoned <= ?4 and sqlbackupset.sqlFileSubClientId <= 0"
    " and sqllsns.finishtime <= ?2 and sqllsns.backupType != 71 and sqllsns.backupType != 70 limit 1";

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
    execOrDie(db, "PRAGMA wal_checkpoint(TRUNCATE)");
    sqlite3_close(db);
}

// A time for each call, a different second every time as the caller's
// clock gives it: in the year of the backups, or a year before them all.
void timeFor(int64_t call, bool before, char* date, size_t size, char* stored, int& seconds) {
    const int offset = int(call % 3600);
    seconds = (before ? kSeconds - 31536000 : kSeconds) + offset;
    std::snprintf(date, size, "{ts+'%s %02d:%02d:%02d+'}", before ? "2020-06-01" : "2021-06-01", offset / 3600,
                  offset / 60 % 60, offset % 60);
    // The stored form of the literal: what the library's rewriting gives.
    std::snprintf(stored, 20, "%.19s", date + 5);
}

Histories catalogues;
// With a row, the cursor and the hand-written SQL walk the same backups
// before the first that qualifies, however many precede it: only the ratio
// holds them. With none, both must stay flat.
const Target kAtATime{1.5, 0, 0};
const Target kBeforeEveryBackup{1.5, 0.15, 0};

void measure(benchmark::State& state, bool before, const char* name) {
    const int sets = int(state.range(0));
    kBackupSetsPerDatabase = sets / (kInstances * kDatabasesPerInstance);
    catalogues.use("cursor", "cursor-" + std::to_string(sets), buildCatalogue);
    // One record object: its connection (and runner) stay open, as with a
    // record on a transaction.
    SqlServerBkupData record(nullptr);
    sqlite3* db = openCatalogue();
    sqlite3_stmt* st = prepareOrDie(db, kHandWritten);
    const int expected = before ? 0 : kInstance;
    int64_t libraryCall = 0, handCall = 0;
    auto byLibrary = [&] {
        char date[48], stored[20];
        int seconds = 0;
        timeFor(libraryCall++, before, date, sizeof date, stored, seconds);
        record.setValues(kInstance, date, seconds, 0);
        int rc = record.openCursor();
        int found = 0;
        if (rc == 0 && (rc = record.fetchCursor(true)) == 0) found = record.getDataPtr()->found;
        record.closeCursor();
        return (rc == 0 || rc == 100) && found == expected;
    };
    auto byHand = [&] {
        char date[48], stored[20];
        int seconds = 0;
        timeFor(handCall++, before, date, sizeof date, stored, seconds);
        sqlite3_bind_int(st, 1, kInstance);
        sqlite3_bind_text(st, 2, stored, 19, SQLITE_STATIC);
        sqlite3_bind_int(st, 3, seconds);
        sqlite3_bind_int(st, 4, 0);
        const int found = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int(st, 0) : 0;
        sqlite3_reset(st);
        return found == expected;
    };
    // Both sides prepared once before the clock runs: the record opens its
    // connection and parses its batch on its first call, as the hand-written
    // side opened and prepared above.
    Sides sides;
    sides.ok = byLibrary() && byHand();
    for (auto _ : state)
        if (sides.ok) sides = alternate(20, 200, byLibrary, byHand);
    sqlite3_finalize(st);
    sqlite3_close(db);
    if (!sides.ok) {
        state.SkipWithError("the record and the hand-written SQL disagree");
        return;
    }
    Report::get().add(state, name, sets, sides, before ? kBeforeEveryBackup : kAtATime);
}

void BM_CursorAtATime(benchmark::State& s) { measure(s, false, "point-in-time cursor"); }
void BM_CursorBeforeEveryBackup(benchmark::State& s) { measure(s, true, "point-in-time cursor, no row"); }
BENCHMARK(BM_CursorAtATime)->Arg(10000)->Arg(100000)->Arg(1000000)->Iterations(1)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CursorBeforeEveryBackup)->Arg(10000)->Arg(100000)->Arg(1000000)->Iterations(1)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("TZ", "UTC", 1);
    return runAndReport(argc, argv);
}
