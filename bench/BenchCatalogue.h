// What the catalogue benchmarks share: a connection to the catalogue of the
// platform home, statements that must succeed while the rows are built, the
// history of a real server's databases, and the two sides of a ratio timed
// in turns, peak memory measured in fresh processes, each printed beside the
// target it must meet.
#pragma once

#include <benchmark/benchmark.h>

#include <sqlite3.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "platform/db/DBEngine.h"
#include "platform/info/KelPlatformInfo.h"
#include "platform/info/KelRegistry.h"
#include "platform/util/KelHome.h"
#include "support/BackupHistory.h"

namespace kel::bench {

inline void execOrDie(sqlite3* db, const std::string& sql) {
    char* msg = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &msg) != SQLITE_OK) {
        std::fprintf(stderr, "%s: %s\n", sql.c_str(), msg ? msg : "");
        std::exit(1);
    }
}

inline sqlite3* openCatalogue() {
    sqlite3* db = nullptr;
    std::string error;
    if (DBopenCatalogue(kel::homePath("catalogue.db"), &db, error) != SQLITE_OK) {
        std::fprintf(stderr, "catalogue: %s\n", error.c_str());
        std::exit(1);
    }
    return db;
}

inline sqlite3_stmt* prepareOrDie(sqlite3* db, const char* sql) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "%s: %s\n", sql, sqlite3_errmsg(db));
        std::exit(1);
    }
    return st;
}

// ---- the history of a real server (tests/support/BackupHistory.h), ten
// databases; nobody runs ANALYZE on it.

inline const kel::history::Shape& shapeOf(int sets, bool archives = false) {
    static std::map<std::pair<int, bool>, kel::history::Shape> shapes;
    kel::history::Shape& s = shapes[{sets, archives}];
    s.sets = sets;
    s.archives = archives;
    return s;
}

// Focuses this process on the Ostrel of the current home.
inline void focusOstrel() {
    KelPI_Ostrel ostrel;
    if (!KelRegistry::createMachine("OSTREL") || !KelPI_Focus::setFocus("OSTREL") || ostrel.setFocus("OSTREL") == 0 ||
        !ostrel.setOstrelHostName("OSTREL") || !ostrel.setTesselId(1)) {
        std::fprintf(stderr, "cannot focus the Ostrel\n");
        std::exit(1);
    }
}

inline void writeHistory(const kel::history::Shape& shape) {
    sqlite3* db = openCatalogue();
    execOrDie(db, "BEGIN");
    for (const std::string& sql : kel::history::historySql(shape)) execOrDie(db, sql);
    execOrDie(db, "COMMIT");
    // Readers start from the database file, not from a log of every row.
    execOrDie(db, "PRAGMA wal_checkpoint(TRUNCATE)");
    sqlite3_close(db);
}

inline void writeHistory(int sets, bool archives) { writeHistory(shapeOf(sets, archives)); }

// Makes KEL_HOME a home whose catalogue holds the history of sets backup
// sets (with an archive set each when asked), built on first use (or copied
// from KEL_BENCH_CACHE, where scripts/bench.sh keeps each history once for
// all benchmarks); later calls with the same size return to that home. The
// homes go when the program ends.
class Histories {
public:
    ~Histories() {
        for (const auto& [key, home] : homes_) std::system(("rm -rf '" + home + "'").c_str());
    }
    const std::string& use(const char* name, int sets, bool archives) {
        return use(name, "history-" + std::to_string(sets) + (archives ? "a" : ""),
                   [&] { writeHistory(sets, archives); });
    }
    // The same for a catalogue that write builds in the current home; key
    // names it among all the benchmarks' catalogues.
    template <typename Write>
    const std::string& use(const char* name, const std::string& key, Write write) {
        auto it = homes_.find(key);
        const bool fresh = it == homes_.end();
        if (fresh)
            it = homes_.emplace(key, "/tmp/kel-bench-" + std::string(name) + "-" + std::to_string(getpid()) + "-" + key)
                     .first;
        setenv("KEL_HOME", it->second.c_str(), 1);
        if (fresh) {
            kel::makeFolders(it->second);
            const char* cache = std::getenv("KEL_BENCH_CACHE");
            const std::string cached = cache ? std::string(cache) + "/" + key + ".db" : std::string();
            if (cache && access(cached.c_str(), R_OK) == 0) {
                std::system(("cp '" + cached + "' '" + kel::homePath("catalogue.db") + "'").c_str());
            } else {
                write();
                if (cache) std::system(("cp '" + kel::homePath("catalogue.db") + "' '" + cached + "'").c_str());
            }
        }
        focusOstrel();
        return it->second;
    }

private:
    std::map<std::string, std::string> homes_;
};

// ---- two sides timed in turns

// The library's side and the hand-written side of one measure, each run
// perBlock times per block, the two taking turns (each side first in every
// other block) so that the machine's slower and faster moments fall on both.
struct Sides {
    double library = 0;  // mean seconds per call
    double hand = 0;
    bool ok = true;
};

template <typename Library, typename Hand>
Sides alternate(int blocks, int perBlock, Library library, Hand hand) {
    using Clock = std::chrono::steady_clock;
    Clock::duration l{}, h{};
    Sides out;
    auto run = [&](auto& side, Clock::duration& total) {
        const Clock::time_point start = Clock::now();
        for (int i = 0; i < perBlock && out.ok; ++i) out.ok = side();
        total += Clock::now() - start;
    };
    for (int b = 0; b < blocks && out.ok; ++b) {
        if (b % 2 == 0) {
            run(library, l);
            run(hand, h);
        } else {
            run(hand, h);
            run(library, l);
        }
    }
    const double calls = double(blocks) * perBlock;
    out.library = std::chrono::duration<double>(l).count() / calls;
    out.hand = std::chrono::duration<double>(h).count() / calls;
    return out;
}

// ---- peak memory in fresh processes

// The peak resident memory (KiB) of this process so far.
inline long peakResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

// What one side of a measure left in a fresh process: a digest of its
// answer (the sides must agree) and the process's peak resident memory
// (KiB); kib is -1 when the run failed.
struct Peak {
    long long digest = -1;
    long kib = -1;
};

// This program run again as "--kel-peak args...", so that nothing this
// process built or cached counts on either side. The child inherits the
// home (KEL_HOME) the caller points at.
inline Peak peakOf(const std::vector<std::string>& args) {
    std::string cmd = "'/proc/" + std::to_string(getpid()) + "/exe' --kel-peak";
    for (const std::string& a : args) cmd += " '" + a + "'";
    Peak out;
    FILE* child = popen(cmd.c_str(), "r");
    if (!child) return out;
    if (std::fscanf(child, "%lld %ld", &out.digest, &out.kib) != 2) out.kib = -1;
    if (pclose(child) != 0) out.kib = -1;
    return out;
}

// Both sides in fresh processes, in turns, passes times each; the lowest
// peak of each counts. ok when every run answered and the digests agreed.
struct Peaks {
    long library = -1;
    long hand = -1;
    bool ok = true;
};

inline Peaks peaksOf(int passes, const std::vector<std::string>& library, const std::vector<std::string>& hand) {
    Peaks out;
    long long digest = -1;
    auto take = [&](const std::vector<std::string>& args, long& low) {
        const Peak p = peakOf(args);
        if (p.kib <= 0 || (digest != -1 && p.digest != digest)) out.ok = false;
        digest = p.digest;
        if (p.kib > 0) low = low < 0 ? p.kib : std::min(low, p.kib);
    };
    for (int i = 0; i < passes && out.ok; ++i) {
        take(i % 2 ? hand : library, i % 2 ? out.hand : out.library);
        take(i % 2 ? library : hand, i % 2 ? out.library : out.hand);
    }
    return out;
}

// The child's side, when this program was started by peakOf: run answers
// the arguments with a digest of its answer (negative: it failed), which
// goes out with the peak. True when this process is such a child; exit
// with code then.
template <typename Run>
bool runPeakChild(int argc, char** argv, Run run, int& code) {
    if (argc < 2 || std::strcmp(argv[1], "--kel-peak") != 0) return false;
    const long long digest = run(std::vector<std::string>(argv + 2, argv + argc));
    std::printf("%lld %ld\n", digest, peakResidentKiB());
    code = digest < 0 ? 1 : 0;
    return true;
}

// The targets a measure must meet, and what it measured at each size.
struct Target {
    double ratio = 0;      // library / hand-written at most (0: none)
    double growth = 0;     // exponent of the library's growth at most (0: none)
    double ceiling = 0;    // seconds per call at the largest size at most (0: none)
};

class Report {
public:
    static Report& get() {
        static Report report;
        return report;
    }
    // Records one size's result and gives it to the benchmark's counters.
    void add(benchmark::State& state, const std::string& measure, int sets, const Sides& sides, const Target& target) {
        state.SetIterationTime(sides.library);
        state.counters["lib_us"] = sides.library * 1e6;
        state.counters["hand_us"] = sides.hand * 1e6;
        state.counters["ratio"] = sides.library / sides.hand;
        if (target.ratio > 0) state.counters["target"] = target.ratio;
        rows_[measure].target = target;
        rows_[measure].sizes[sets] = sides;
    }
    // The same for peak memory (KiB) in fresh processes.
    void addPeak(benchmark::State& state, const std::string& measure, int sets, const Peaks& peaks,
                 const Target& target) {
        state.counters["lib_MiB"] = double(peaks.library) / 1024;
        state.counters["hand_MiB"] = double(peaks.hand) / 1024;
        state.counters["ratio"] = double(peaks.library) / double(peaks.hand);
        if (target.ratio > 0) state.counters["target"] = target.ratio;
        Row& row = rows_[measure];
        row.target = target;
        row.memory = true;
        row.sizes[sets] = Sides{double(peaks.library), double(peaks.hand), peaks.ok};
    }
    // One line per measure and size: both times, the ratio beside its
    // target, and the growth of the library's time over the sizes.
    bool print() const {
        bool holds = true;
        std::printf("\n%-34s %9s %12s %12s %7s %7s %s\n", "measure", "sets", "library", "hand-written", "ratio",
                    "target", "");
        for (const auto& [measure, row] : rows_) {
            for (const auto& [sets, s] : row.sizes) {
                const double ratio = s.library / s.hand;
                const bool ok = row.target.ratio == 0 || ratio <= row.target.ratio;
                holds &= ok;
                std::printf("%-34s %9d %12s %12s %7.2f %7s %s\n", measure.c_str(), sets,
                            (row.memory ? mib(s.library) : time(s.library)).c_str(),
                            (row.memory ? mib(s.hand) : time(s.hand)).c_str(), ratio,
                            row.target.ratio > 0 ? ("<=" + fixed(row.target.ratio)).c_str() : "-",
                            ok ? "holds" : "MISSED");
            }
            if (row.sizes.size() >= 2 && !row.memory) {
                const auto& first = *row.sizes.begin();
                const auto& last = *row.sizes.rbegin();
                const double growth = std::log(last.second.library / first.second.library) /
                                      std::log(double(last.first) / double(first.first));
                const bool ok = row.target.growth == 0 || growth <= row.target.growth;
                holds &= ok;
                std::printf("%-34s growth N^%.2f (target N^%s) %s\n", measure.c_str(), growth,
                            row.target.growth > 0 ? fixed(row.target.growth).c_str() : "-", ok ? "holds" : "MISSED");
            }
            if (row.target.ceiling > 0 && !row.sizes.empty()) {
                const double at = row.sizes.rbegin()->second.library;
                const bool ok = at <= row.target.ceiling;
                holds &= ok;
                std::printf("%-34s %s at %d sets (target <= %s) %s\n", measure.c_str(), time(at).c_str(),
                            row.sizes.rbegin()->first, time(row.target.ceiling).c_str(), ok ? "holds" : "MISSED");
            }
        }
        return holds;
    }

private:
    struct Row {
        Target target;
        bool memory = false;  // peak KiB, not seconds
        std::map<int, Sides> sizes;
    };
    static std::string mib(double kib) {
        char out[32];
        std::snprintf(out, sizeof out, "%.1f MiB", kib / 1024);
        return out;
    }
    static std::string fixed(double v) {
        char out[32];
        std::snprintf(out, sizeof out, "%.2f", v);
        return out;
    }
    static std::string time(double seconds) {
        char out[32];
        if (seconds >= 1) std::snprintf(out, sizeof out, "%.2f s", seconds);
        else if (seconds >= 1e-3) std::snprintf(out, sizeof out, "%.2f ms", seconds * 1e3);
        else std::snprintf(out, sizeof out, "%.1f us", seconds * 1e6);
        return out;
    }
    std::map<std::string, Row> rows_;
};

// Runs the registered benchmarks and prints the report; 0 when every target
// holds.
inline int runAndReport(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return Report::get().print() ? 0 : 2;
}

// The same where peak memory is measured: a child of peakOf runs child
// instead (see runPeakChild).
template <typename Child>
int runAndReport(int argc, char** argv, Child child) {
    int code = 0;
    return runPeakChild(argc, argv, child, code) ? code : runAndReport(argc, argv);
}

}  // namespace kel::bench
