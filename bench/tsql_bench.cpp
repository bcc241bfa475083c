// A point-in-time cursor batch (variables, IF, a join with DISTINCT and
// TOP/ORDER BY) over 10,000 backup sets, run through the T-SQL runner and as
// the equivalent hand-written SQLite statement.
#include "BenchCatalogue.h"
#include "platform/db/tsql/BatchRunner.h"
#include "platform/db/tsql/TsqlProgram.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using namespace kel::bench;

constexpr int kBackupSets = 10000;
constexpr int kFiles = 100;

const char* const kBatch =
    "SET NOCOUNT ON \n declare @id integer \n set @id = %d \n"
    " declare @dt datetime \n set @dt = {ts+'2021-06-01 00:00:00+'} \n"
    " declare @ut integer \n set @ut = %d \n declare @type integer \n set @type = %d \n"
    " declare @type2 integer \n set @type2 = 0 \n declare @type3 integer \n set @type3 = 0 \n"
    " IF @type != 0 \n BEGIN \n set @type2 = 71 \n set @type3 = 73 \n END \n"
    " select top 1 * from ( select distinct sqlfile.id, sqlbackupfile.sqlBackupSetId, sqllsns.startTime,"
    " sqllsns.finishTime from sqlfile, sqllsns, sqlbackupfile \n\twhere sqlFile.id = @id and sqlFile.addtime <= @ut"
    " and sqlFile.sqlFileGroupid = sqlbackupfile.sqlfilegroupid and sqlFile.logicalName = sqlbackupfile.logicalName"
    " and sqllsns.backupType != @type and sqllsns.backupType != @type2 and sqllsns.backupType != @type3"
    " and sqlbackupfile.sqlbackupsetid = sqllsns.sqlbackupsetid and sqllsns.finishtime <= @dt ) a"
    " order by a.sqlBackupSetId desc \n\tSET NOCOUNT OFF";

const char* const kHandWritten =
    "select * from ( select distinct sqlfile.id, sqlbackupfile.sqlBackupSetId, sqllsns.startTime,"
    " sqllsns.finishTime from sqlfile, sqllsns, sqlbackupfile where sqlFile.id = ?1 and sqlFile.addtime <= ?2"
    " and sqlFile.sqlFileGroupid = sqlbackupfile.sqlfilegroupid and sqlFile.logicalName = sqlbackupfile.logicalName"
    " and sqllsns.backupType != ?3 and sqllsns.backupType != ?4 and sqllsns.backupType != ?5"
    " and sqlbackupfile.sqlbackupsetid = sqllsns.sqlbackupsetid and sqllsns.finishtime <= ?6 ) a"
    " order by a.sqlBackupSetId desc limit 1";

sqlite3* catalogue() {
    static sqlite3* db = [] {
        sqlite3* d = nullptr;
        sqlite3_open(":memory:", &d);
        execOrDie(d, "CREATE TABLE sqlFile(id INTEGER PRIMARY KEY, sqlFileGroupId INTEGER, logicalName TEXT,"
                     " addTime INTEGER)");
        execOrDie(d, "CREATE TABLE sqlLSNs(id INTEGER PRIMARY KEY, sqlBackupSetId INTEGER, backupType INTEGER,"
                     " startTime TEXT, finishTime TEXT)");
        execOrDie(d, "CREATE TABLE sqlBackupFile(id INTEGER PRIMARY KEY, sqlFileGroupId INTEGER,"
                     " sqlBackupSetId INTEGER, logicalName TEXT)");
        execOrDie(d, "CREATE INDEX lsnSet ON sqlLSNs(sqlBackupSetId)");
        execOrDie(d, "CREATE INDEX bfGroup ON sqlBackupFile(sqlFileGroupId, logicalName)");
        execOrDie(d, "BEGIN");
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(d, "INSERT INTO sqlFile VALUES(?1, ?1, 'file' || ?1, 100)", -1, &st, nullptr);
        for (int f = 1; f <= kFiles; ++f) {
            sqlite3_bind_int(st, 1, f);
            sqlite3_step(st);
            sqlite3_reset(st);
        }
        sqlite3_finalize(st);
        sqlite3_prepare_v2(d, "INSERT INTO sqlBackupFile(sqlFileGroupId, sqlBackupSetId, logicalName)"
                              " VALUES(?1, ?2, 'file' || ?1)", -1, &st, nullptr);
        sqlite3_stmt* lsn = nullptr;
        sqlite3_prepare_v2(d, "INSERT INTO sqlLSNs(sqlBackupSetId, backupType, startTime, finishTime)"
                              " VALUES(?1, ?2, ?3, ?3)", -1, &lsn, nullptr);
        for (int s = 1; s <= kBackupSets; ++s) {
            int file = 1 + s % kFiles;
            sqlite3_bind_int(st, 1, file);
            sqlite3_bind_int(st, 2, s);
            sqlite3_step(st);
            sqlite3_reset(st);
            char when[32];
            std::snprintf(when, sizeof when, "2021-%02d-%02d 10:00:00", 1 + s % 12, 1 + s % 28);
            sqlite3_bind_int(lsn, 1, s);
            sqlite3_bind_int(lsn, 2, s % 3 == 0 ? 76 : 68);
            sqlite3_bind_text(lsn, 3, when, -1, SQLITE_TRANSIENT);
            sqlite3_step(lsn);
            sqlite3_reset(lsn);
        }
        sqlite3_finalize(st);
        sqlite3_finalize(lsn);
        execOrDie(d, "COMMIT");
        return d;
    }();
    return db;
}

std::string batchFor(int id) {
    char buf[2048];
    std::snprintf(buf, sizeof buf, kBatch, id, 1600000000, 76);
    return buf;
}

// The same batch text every time: parsed once.
void BM_RunnerSameText(benchmark::State& state) {
    kel::tsql::BatchRunner runner(catalogue());
    std::string text = batchFor(42);
    kel::tsql::ResultSet rs;
    std::string err;
    for (auto _ : state) {
        if (runner.run(text, rs, err) != 0 || rs.rows.size() > 1) state.SkipWithError(err.c_str());
        benchmark::DoNotOptimize(rs.rows.data());
    }
}
BENCHMARK(BM_RunnerSameText);

// A new file id each time, as the browse formats it: one shape of text,
// parsed once; the statements come from the runner's cache.
void BM_RunnerNewText(benchmark::State& state) {
    kel::tsql::BatchRunner runner(catalogue());
    kel::tsql::ResultSet rs;
    std::string err;
    int id = 0;
    for (auto _ : state) {
        std::string text = batchFor(1 + id++ % kFiles);
        if (runner.run(text, rs, err) != 0 || rs.rows.size() > 1) state.SkipWithError(err.c_str());
        benchmark::DoNotOptimize(rs.rows.data());
    }
}
BENCHMARK(BM_RunnerNewText);

// What a new batch text costs before anything runs.
void BM_ParseOnly(benchmark::State& state) {
    std::string text = batchFor(42);
    std::string err;
    for (auto _ : state) benchmark::DoNotOptimize(kel::tsql::parseBatch(catalogue(), text, err));
}
BENCHMARK(BM_ParseOnly);

// The hand-written statement run for one file id: the rows it gave, each
// read as far as the caller asks.
int runHand(sqlite3_stmt* st, int fileId, bool readText) {
    sqlite3_bind_int(st, 1, fileId);
    sqlite3_bind_int(st, 2, 1600000000);
    sqlite3_bind_int(st, 3, 76);
    sqlite3_bind_int(st, 4, 71);
    sqlite3_bind_int(st, 5, 73);
    sqlite3_bind_text(st, 6, "2021-06-01 00:00:00", -1, SQLITE_STATIC);
    int rows = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
        benchmark::DoNotOptimize(sqlite3_column_int64(st, 1));
        if (readText) benchmark::DoNotOptimize(sqlite3_column_text(st, 2));
        ++rows;
    }
    sqlite3_reset(st);
    return rows;
}

void handWritten(benchmark::State& state, bool prepareEachTime, bool sameId = false) {
    sqlite3* db = catalogue();
    sqlite3_stmt* st = nullptr;
    int id = 0;
    for (auto _ : state) {
        if (st == nullptr) sqlite3_prepare_v2(db, kHandWritten, -1, &st, nullptr);
        if (runHand(st, sameId ? 42 : 1 + id++ % kFiles, true) > 1) state.SkipWithError("more than one row");
        if (prepareEachTime) {
            sqlite3_finalize(st);
            st = nullptr;
        }
    }
    sqlite3_finalize(st);
}

void BM_HandWrittenPrepared(benchmark::State& state) { handWritten(state, false); }
BENCHMARK(BM_HandWrittenPrepared);

void BM_HandWrittenPreparedSameId(benchmark::State& state) { handWritten(state, false, true); }
BENCHMARK(BM_HandWrittenPreparedSameId);

void BM_HandWrittenPrepareEachTime(benchmark::State& state) { handWritten(state, true); }
BENCHMARK(BM_HandWrittenPrepareEachTime);

// The runner with a new file id each call (one shape of text, parsed once)
// against the hand-written statement prepared once, in turns.
void BM_RunnerNewText_vs_HandWrittenPrepared(benchmark::State& state) {
    kel::tsql::BatchRunner runner(catalogue());
    sqlite3_stmt* st = prepareOrDie(catalogue(), kHandWritten);
    kel::tsql::ResultSet rs;
    std::string err;
    int runnerId = 0, handId = 0;
    auto byRunner = [&] {
        return runner.run(batchFor(1 + runnerId++ % kFiles), rs, err) == 0 && rs.rows.size() <= 1;
    };
    auto byHand = [&] { return runHand(st, 1 + handId++ % kFiles, false) <= 1; };
    Sides sides;
    for (auto _ : state) sides = alternate(20, 500, byRunner, byHand);
    sqlite3_finalize(st);
    if (!sides.ok) {
        state.SkipWithError("the runner and the hand-written SQL disagree");
        return;
    }
    Report::get().add(state, "runner, a new value each call", kBackupSets, sides, Target{1.5, 0, 0});
}
BENCHMARK(BM_RunnerNewText_vs_HandWrittenPrepared)->Iterations(1)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) { return runAndReport(argc, argv); }
