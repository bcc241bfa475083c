// Restore chains over the history of a real server (bench/BenchCatalogue.h)
// at 10,000, 100,000 and 1,000,000 backup sets: the chain of one of a
// database's last logs by its set id, the chain to a point in time inside
// that log (the end of the history) and inside a log half way back (the
// middle), and the browse of the database at that time back to its full;
// and the browse of a database whose history of 1,000,000 sets is a single
// chain (its full, then only logs), which reads the whole chain.
// Each is timed in turns with hand-written SQL prepared once on a connection
// of the same catalogue, after both answers were found equal. A chain is as
// long at every size, so its cost must not grow with the history. The peak
// memory of one chain by id, point in time and browse is measured each in a
// fresh process on both sides.
#include <benchmark/benchmark.h>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "BenchCatalogue.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLDatabaseLSNList.h"

namespace {

using namespace kel::bench;

constexpr int kDatabase = 5;
const Target kChainTarget{5.0, 0.15, 1e-3};
const Target kBrowseTarget{2.0, 0, 0};
// A chain that is the whole history: what grows is the answer itself.
const int kOneChainSets = 1000000;
const Target kPeakTarget{1.3, 0, 0};

// The chain of a log (?1) as the selector forms it when the full it names is
// present: that full, the newest differential of the full started by the log,
// then the logs linked back from the log by LSN down to that differential.
const char* const kChainSql =
    "WITH RECURSIVE t AS MATERIALIZED (SELECT sqlDatabaseId AS db, fullBackupLSN AS f, startTime AS s FROM sqlLSNs"
    "  WHERE sqlBackupSetId = ?1),"
    " fl AS MATERIALIZED (SELECT sqlBackupSetId AS id, startTime AS s FROM sqlLSNs WHERE sqlDatabaseId = (SELECT db FROM t)"
    "  AND checkpointLSN = (SELECT f FROM t) AND backupType IN (68, 100) AND startTime <= (SELECT s FROM t)"
    "  ORDER BY +finishTime DESC LIMIT 1),"
    " df AS MATERIALIZED (SELECT sqlBackupSetId AS id, startTime AS s FROM sqlLSNs WHERE sqlDatabaseId = (SELECT db FROM t)"
    "  AND fullBackupLSN = (SELECT f FROM t) AND startTime <= (SELECT s FROM t) AND startTime >= (SELECT s FROM fl)"
    "  AND +backupType = 73 ORDER BY startTime DESC, sqlBackupSetId DESC LIMIT 1),"
    " walk(id, firstLSN, depth) AS (SELECT sqlBackupSetId, firstLSN, 0 FROM sqlLSNs WHERE sqlBackupSetId = ?1"
    "  UNION ALL SELECT l.sqlBackupSetId, l.firstLSN, w.depth + 1 FROM walk w, sqlLSNs l"
    "  WHERE l.sqlDatabaseId = (SELECT db FROM t) AND l.lastLSN = w.firstLSN AND +l.backupType = 76"
    "  AND +l.fullBackupLSN = (SELECT f FROM t)"
    "  AND +l.startTime > coalesce((SELECT s FROM df), (SELECT s FROM fl))),"
    " c(id, k, depth) AS (SELECT id, 0, 0 FROM fl UNION ALL SELECT id, 1, 0 FROM df"
    "  UNION ALL SELECT id, 2, depth FROM walk)"
    " SELECT c.id, b.backupSize, b.backupSetId, l.finishTime, l.backupType FROM c"
    " JOIN sqlBackupSet b ON b.id = c.id JOIN sqlLSNs l ON l.sqlBackupSetId = c.id ORDER BY c.k, c.depth DESC";
// The log that holds a time (?2) in database ?1.
const char* const kHoldsSql =
    "SELECT sqlBackupSetId FROM sqlLSNs WHERE sqlBackupSetId = (SELECT sqlBackupSetId FROM sqlLSNs"
    " WHERE sqlDatabaseId = ?1 AND backupType = 76 AND startTime <= ?2"
    " ORDER BY startTime DESC, sqlBackupSetId DESC LIMIT 1) AND finishTime >= ?2";
// The newest database backup finished by a time.
const char* const kNewestSql =
    "SELECT sqlBackupSetId FROM sqlLSNs WHERE sqlDatabaseId = ?1 AND backupType != 70 AND backupType != 71"
    " AND finishTime <= ?2 ORDER BY finishTime DESC, sqlBackupSetId DESC LIMIT 1";

struct Answer {
    std::vector<uint64_t> ids;
    unsigned long long bytes = 0;
    std::vector<KelSQLDBRestoreBackupSetItem_t> items;  // newest first
    bool operator==(const Answer& o) const {
        if (ids != o.ids || bytes != o.bytes || items.size() != o.items.size()) return false;
        for (size_t i = 0; i < items.size(); ++i) {
            const KelSQLDBRestoreBackupSetItem_t &a = items[i], &b = o.items[i];
            if (a.sqlBackupSetId != b.sqlBackupSetId || a.backupSetId != b.backupSetId ||
                a.finishTime != b.finishTime || a.backupType != b.backupType)
                return false;
        }
        return true;
    }
};

// The hand-written side: its statements prepared once.
class Hand {
public:
    Hand() : db_(openCatalogue()) {
        chain_ = prepareOrDie(db_, kChainSql);
        holds_ = prepareOrDie(db_, kHoldsSql);
        newest_ = prepareOrDie(db_, kNewestSql);
    }
    ~Hand() {
        sqlite3_finalize(chain_);
        sqlite3_finalize(holds_);
        sqlite3_finalize(newest_);
        sqlite3_close(db_);
    }
    bool chain(int set, Answer& out, bool items) {
        out = Answer();
        sqlite3_bind_int(chain_, 1, set);
        while (sqlite3_step(chain_) == SQLITE_ROW) {
            out.ids.push_back(uint64_t(sqlite3_column_int(chain_, 0)));
            out.bytes += std::strtoull(reinterpret_cast<const char*>(sqlite3_column_text(chain_, 1)), nullptr, 10);
            if (items) {
                KelSQLDBRestoreBackupSetItem_t item;
                item.sqlBackupSetId = out.ids.back();
                item.backupSetId = uint64_t(sqlite3_column_int(chain_, 2));
                item.finishTime = uint64_t(seconds(reinterpret_cast<const char*>(sqlite3_column_text(chain_, 3))));
                item.backupType = sqlite3_column_int(chain_, 4);
                out.items.push_back(item);
            }
        }
        sqlite3_reset(chain_);
        std::reverse(out.items.begin(), out.items.end());
        return !out.ids.empty();
    }
    bool pointInTime(int database, long long at, Answer& out) {
        const int target = one(holds_, database, at);
        return target != 0 && chain(target, out, false);
    }
    bool browse(int database, long long at, Answer& out) {
        const int target = one(newest_, database, at);
        return target != 0 && chain(target, out, true);
    }

private:
    static long long seconds(const char* text) {
        struct tm tm = {};
        if (!text || !strptime(text, "%Y-%m-%d %H:%M:%S", &tm)) return 0;
        return static_cast<long long>(timegm(&tm));
    }
    int one(sqlite3_stmt* st, int database, long long at) {
        const std::string t = kel::history::storedTime(at);
        sqlite3_bind_int(st, 1, database);
        sqlite3_bind_text(st, 2, t.c_str(), -1, SQLITE_TRANSIENT);
        const int id = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int(st, 0) : 0;
        sqlite3_reset(st);
        return id;
    }
    sqlite3* db_;
    sqlite3_stmt* chain_ = nullptr;
    sqlite3_stmt* holds_ = nullptr;
    sqlite3_stmt* newest_ = nullptr;
};

Histories histories;

Answer libraryAnswer(KelSQLDatabaseLSNList& list, bool items) {
    Answer a;
    a.ids = *list.getBSIdList();
    a.bytes = list.restoreByteSize();
    if (items) a.items = list.browseItems();
    return a;
}

enum class Kind { ById, AtEnd, AtMiddle, Browse, BrowseOneChain };

// What a kind asks at a size: logs with chains of one length at every size
// (a full, a differential and 48 logs).
struct Question {
    Kind kind;
    int set;        // the set whose chain, by id
    long long at;   // the time, for the others
    int database = kDatabase;
};

// The catalogue a kind asks at a size.
void useHistory(Kind kind, int sets) {
    if (kind != Kind::BrowseOneChain) {
        histories.use("chain", sets, false);
        return;
    }
    histories.use("chain", "onechain-" + std::to_string(sets),
                  [sets] { writeHistory(kel::history::Shape::oneChain(sets)); });
}

Question questionOf(Kind kind, int sets) {
    if (kind == Kind::BrowseOneChain) {
        // After the last log finished: the browse goes back through every set.
        const kel::history::Shape shape = kel::history::Shape::oneChain(sets);
        return {kind, shape.lastSet(), shape.startAt(shape.slotOf(shape.lastSet()), 1) + 120, 1};
    }
    const kel::history::Shape& shape = shapeOf(sets);
    const int last = shape.logOfDay(sets, kDatabase, 48);
    const int middle = shape.logOfDay(sets / 2, kDatabase, 48);
    return {kind, last, shape.startAt(shape.slotOf(kind == Kind::AtMiddle ? middle : last), kDatabase) + 30};
}

bool askLibrary(KelSQLDatabaseLSNList& list, const Question& q) {
    switch (q.kind) {
    case Kind::ById: return list.query(static_cast<unsigned long>(q.set));
    case Kind::AtEnd:
    case Kind::AtMiddle: return list.query(nullptr, q.database, static_cast<unsigned long>(q.at), KelSQLTimeTypePointInTime);
    case Kind::Browse:
    case Kind::BrowseOneChain: return list.query(nullptr, q.database, static_cast<unsigned long>(q.at));
    }
    return false;
}

bool askHand(Hand& hand, const Question& q, Answer& out) {
    switch (q.kind) {
    case Kind::ById: return hand.chain(q.set, out, false);
    case Kind::AtEnd:
    case Kind::AtMiddle: return hand.pointInTime(q.database, q.at, out);
    case Kind::Browse:
    case Kind::BrowseOneChain: return hand.browse(q.database, q.at, out);
    }
    return false;
}

void measure(benchmark::State& state, Kind kind, const char* name) {
    const int sets = int(state.range(0));
    useHistory(kind, sets);
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLDatabaseLSNList list(ostrel, false);
    Hand hand;
    const Question q = questionOf(kind, sets);
    Answer mine, theirs;
    auto byLibrary = [&] { return askLibrary(list, q); };
    auto byHand = [&] { return askHand(hand, q, theirs); };
    if (!byLibrary()) {
        state.SkipWithError(list.getLastError().formatLastErrorMessage().c_str());
        return;
    }
    const bool browse = kind == Kind::Browse || kind == Kind::BrowseOneChain;
    mine = libraryAnswer(list, browse);
    if (!byHand() || !(mine == theirs)) {
        state.SkipWithError("the library and the hand-written SQL disagree");
        return;
    }
    // A chain of a million sets takes seconds a side: fewer turns.
    const bool whole = kind == Kind::BrowseOneChain;
    Sides sides;
    for (auto _ : state) sides = whole ? alternate(4, 1, byLibrary, byHand) : alternate(10, 20, byLibrary, byHand);
    if (!sides.ok) {
        state.SkipWithError("a call failed while timed");
        return;
    }
    state.counters["chain"] = double(mine.ids.size());
    Report::get().add(state, name, sets, sides, browse ? kBrowseTarget : kChainTarget);
}

// A digest of an answer, which both sides' fresh processes must agree on.
long long digestOf(const Answer& a) {
    long long d = static_cast<long long>(a.bytes % 1000000007);
    for (uint64_t id : a.ids) d = d * 31 % 1000000007 + static_cast<long long>(id);
    for (const KelSQLDBRestoreBackupSetItem_t& item : a.items)
        d = d * 31 % 1000000007 + static_cast<long long>(item.backupSetId + item.finishTime);
    return d;
}

// A fresh process's side ("library" or "hand", the kind's number, the
// history's size): one answer, in the home the parent chose.
long long peakChild(const std::vector<std::string>& args) {
    if (args.size() != 3) return -1;
    const Question q = questionOf(static_cast<Kind>(std::atoi(args[1].c_str())), std::atoi(args[2].c_str()));
    Answer a;
    if (args[0] == "hand") {
        Hand hand;
        if (askHand(hand, q, a)) return digestOf(a);
        std::fprintf(stderr, "the hand-written SQL found no chain\n");
        return -1;
    }
    focusOstrel();
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLDatabaseLSNList list(ostrel, false);
    if (!askLibrary(list, q)) {
        std::fprintf(stderr, "%s\n", list.getLastError().formatLastErrorMessage().c_str());
        return -1;
    }
    return digestOf(libraryAnswer(list, q.kind == Kind::Browse));
}

void measurePeak(benchmark::State& state, Kind kind, const char* name) {
    const int sets = int(state.range(0));
    histories.use("chain", sets, false);
    const std::string k = std::to_string(static_cast<int>(kind)), n = std::to_string(sets);
    Peaks peaks;
    for (auto _ : state) peaks = peaksOf(3, {"library", k, n}, {"hand", k, n});
    if (!peaks.ok) {
        state.SkipWithError("a fresh process failed, or the sides disagree");
        return;
    }
    Report::get().addPeak(state, name, sets, peaks, kPeakTarget);
}

void BM_ChainById(benchmark::State& s) { measure(s, Kind::ById, "chain by set id"); }
void BM_PointInTimeEnd(benchmark::State& s) { measure(s, Kind::AtEnd, "point in time, end"); }
void BM_PointInTimeMiddle(benchmark::State& s) { measure(s, Kind::AtMiddle, "point in time, middle"); }
void BM_BrowseToFull(benchmark::State& s) { measure(s, Kind::Browse, "browse back to the full"); }
void BM_BrowseOneChain(benchmark::State& s) { measure(s, Kind::BrowseOneChain, "browse of one whole chain"); }
void BM_PeakChainById(benchmark::State& s) { measurePeak(s, Kind::ById, "peak memory, chain by set id"); }
void BM_PeakPointInTime(benchmark::State& s) { measurePeak(s, Kind::AtEnd, "peak memory, point in time"); }
void BM_PeakBrowse(benchmark::State& s) { measurePeak(s, Kind::Browse, "peak memory, browse"); }

#define KEL_SIZES ->Arg(10000)->Arg(100000)->Arg(1000000)->Iterations(1)
#define KEL_TIMED KEL_SIZES->UseManualTime()->Unit(benchmark::kMicrosecond)
BENCHMARK(BM_ChainById) KEL_TIMED;
BENCHMARK(BM_PointInTimeEnd) KEL_TIMED;
BENCHMARK(BM_PointInTimeMiddle) KEL_TIMED;
BENCHMARK(BM_BrowseToFull) KEL_TIMED;
BENCHMARK(BM_BrowseOneChain)->Arg(kOneChainSets)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PeakChainById) KEL_SIZES->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PeakPointInTime) KEL_SIZES->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PeakBrowse) KEL_SIZES->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("TZ", "UTC", 1);
    return runAndReport(argc, argv, peakChild);
}
