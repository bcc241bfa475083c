// Which fulls the cycles keep, and which archive files of a batch may go,
// over real catalogue rows.
#include "KelSQL/KelSQLErrors.h"
#include "PruneFixture.h"

using kel::test::refused;

namespace {

class ArchivePruningTest : public kel::test::PruneTest {
protected:
    // The batch is walked from its last entry, which the cycles start from.
    // Three cycles: full 1 with log 2, full 3 with log 4, full 5 with log 6;
    // each full finishes 50 seconds after it starts.
    void SetUp() override {
        PruneTest::SetUp();
        history({{1, 'D', 100, 120, 110, 50, 100}, {2, 'L', 120, 130, 0, 110, 200}, {3, 'D', 300, 320, 310, 110, 300},
                 {4, 'L', 320, 330, 0, 310, 400}, {5, 'D', 500, 520, 510, 310, 500}, {6, 'L', 520, 530, 0, 510, 600}});
    }
    static std::vector<int> fullFiles(const KelSQLArchivePruning& p) {
        std::vector<int> out;
        for (const auto& e : p.prunableFulls()) out.push_back(static_cast<int>(e.archiveFileId));
        return out;
    }
};

TEST_F(ArchivePruningTest, CyclesKeptByCountAndRetentionTime) {
    // A newer file backup on full 5's base: its cycle goes without a full.
    const unsigned long files = databaseRow("files");
    history({{11, 'D', 100, 120, 110, 50, 100}, {12, 'D', 300, 320, 310, 110, 300}, {13, 'L', 320, 330, 0, 310, 400},
             {14, 'F', 330, 340, 0, 310, 500}},
            files);
    KelSQLClassProperties ostrel(KelSQLServerSide);
    const struct {
        const char* what;
        uint64_t cycles, retention;
        int file;
        std::vector<int> prunable;
        uint64_t error;
    } cases[] = {
        {"nothing kept", 0, 0, 101, {105, 103, 101}, 0},
        {"one cycle", 1, 0, 105, {103, 101}, 0},
        {"more cycles than fulls", 5, 0, 105, {}, 0},
        {"retention at a full's finish keeps it", 1, kBase + 350, 105, {101}, 0},
        {"retention before it keeps the older full too", 1, kBase + 349, 105, {}, 0},
        {"retention alone", 0, kBase + 550, 105, {103, 101}, 0},
        {"a file backup newest: its full is not counted", 1, 0, 111, {}, 0},
        {"a file backup newest, none kept by count", 0, 0, 111, {111}, 0},
        {"an archive holding a log", 1, 0, 106, {}, kelsql::kErrPruneNotFull},
        {"an unknown archive", 1, 0, 999, {}, kelsql::kErrRowOperation},
    };
    for (const auto& c : cases) {
        KelSQLArchivePruning p(ostrel);
        const bool ok = p.createDatabaseCycles(c.cycles, c.retention, tessel_, 1, c.file);
        if (c.error) {
            EXPECT_TRUE(refused(ok, p.getLastError(), c.error)) << c.what;
            EXPECT_EQ(p.archiveNotFound(), c.file == 999) << c.what;
            continue;
        }
        ASSERT_TRUE(ok) << c.what << ": " << message(p.getLastError());
        EXPECT_EQ(fullFiles(p), c.prunable) << c.what;
        EXPECT_EQ(p.cyclesCreated(), !c.prunable.empty()) << c.what;
    }
    KelSQLArchivePruning p(ostrel);
    ASSERT_TRUE(p.createDatabaseCycles(0, 0, tessel_, 1, 105));
    EXPECT_TRUE(refused(p.createDatabaseCycles(0, 0, tessel_, 1, 106), p.getLastError(), kelsql::kErrPruneNotFull));
    EXPECT_EQ(kel::test::arguments(p.getLastError()),
              (std::vector<std::string>{std::to_string(tessel_), "1", "106"}));
}

// A database's fulls are read with their archive files whether its sets lie
// close together (other databases' sets among them left out) or spread
// among others'; and a catalogue whose sets are all SQL Server 8 or 9 keys
// its fulls by checkpoint, as one that also knows SQL Server 7 does.
TEST_F(ArchivePruningTest, OnlyTheDatabasesOwnFullsWhereverTheirIdsLie) {
    const unsigned long x = databaseRow("x"), y = databaseRow("y");
    auto full = [](int id) { return Set{id, 'D', id * 10, id * 10 + 2, id * 10 + 1, 0, id * 100}; };
    history({full(20), full(22)}, x);
    history({full(21), full(30), full(31)}, y);
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLArchivePruning close(ostrel);
    ASSERT_TRUE(close.createDatabaseCycles(0, 0, tessel_, 1, 122)) << message(close.getLastError());
    EXPECT_EQ(fullFiles(close), (std::vector<int>{122, 120}));
    history({full(40)}, x);
    KelSQLArchivePruning spread(ostrel);
    ASSERT_TRUE(spread.createDatabaseCycles(0, 0, tessel_, 1, 140)) << message(spread.getLastError());
    EXPECT_EQ(fullFiles(spread), (std::vector<int>{140, 122, 120}));

    ASSERT_TRUE(kel::test::sql("DELETE FROM sqlVersion WHERE id <> " + n(kV9)));
    KelSQLArchivePruning sql9(ostrel);
    ASSERT_TRUE(sql9.createDatabaseCycles(1, 0, tessel_, 1, 105)) << message(sql9.getLastError());
    EXPECT_EQ(fullFiles(sql9), (std::vector<int>{103, 101}));
}

TEST_F(ArchivePruningTest, BatchMarkedByItsFullsAndTheirDependants) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    const struct {
        const char* what;
        std::vector<int> batch;
        uint64_t cycles;
        std::vector<int> marked;
        uint64_t error;
    } cases[] = {
        {"whole history, one cycle kept", {101, 102, 103, 104, 106, 105}, 1, {101, 102, 103, 104}, 0},
        {"a dependant outside keeps its full", {101, 103, 104, 105}, 1, {103, 104}, 0},
        {"nothing to prune", {101, 102, 105}, 5, {}, 0},
        {"unknown files only", {901, 902}, 1, {901, 902}, 0},
        {"an unknown newest file", {101, 102, 105, 903}, 1, {101, 102, 903}, 0},
        {"a batch ending in a log", {101, 106}, 1, {}, kelsql::kErrPruneNotFull},
        {"empty", {}, 1, {}, 0},
    };
    for (const auto& c : cases) {
        KelSQLArchivePruning p(ostrel);
        auto list = batch(c.batch);
        for (auto& e : list) e.isPrunable = true;  // whatever the caller left there
        bool prunable = true;
        const bool ok = p.pruneArchiveFiles(prunable, c.cycles, 0, list);
        EXPECT_FALSE(prunable) << c.what;
        if (c.error) {
            EXPECT_TRUE(refused(ok, p.getLastError(), c.error)) << c.what;
            continue;
        }
        ASSERT_TRUE(ok) << c.what << ": " << message(p.getLastError());
        EXPECT_EQ(marked(list), c.marked) << c.what;
        for (const auto& e : list) {
            if (!c.marked.empty()) {  // an early answer writes no backup set
                EXPECT_EQ(e.sqlBackupSetId, e.archiveFileId > 900 ? 0 : e.archiveFileId - 100) << c.what;
            }
        }
    }
    // The same object keeps its cycles for the next batch of the database,
    // even when the newest archive of that batch would be refused.
    KelSQLArchivePruning p(ostrel);
    auto first = batch({101, 102, 105});
    bool prunable = false;
    ASSERT_TRUE(p.pruneArchiveFiles(prunable, 1, 0, first));
    auto second = batch({103, 104, 106});
    ASSERT_TRUE(p.pruneArchiveFiles(prunable, 1, 0, second)) << message(p.getLastError());
    EXPECT_EQ(marked(second), (std::vector<int>{103, 104}));
}

TEST_F(ArchivePruningTest, ASetNoServerCouldRestoreNeitherStopsNorShieldsPruning) {
    // Differential 204's full is not in the catalogue: it has no chain.
    const unsigned long orphan = databaseRow("orphan");
    history({{201, 'D', 100, 120, 110, 50, 100}, {202, 'L', 120, 130, 0, 110, 200}, {204, 'I', 400, 410, 405, 390, 400},
             {205, 'D', 500, 520, 510, 390, 500}, {206, 'L', 130, 530, 0, 510, 600}},
            orphan);
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLDatabaseLSNList none(ostrel, false);
    ASSERT_TRUE(refused(none.query(204), none.getLastError(), kelsql::kErrRowOperation));
    const struct {
        uint64_t cycles;
        std::vector<int> marked;
    } cases[] = {{1, {301, 302}}, {2, {}}};
    for (const auto& c : cases) {
        KelSQLArchivePruning cycles(ostrel);
        ASSERT_TRUE(cycles.createDatabaseCycles(c.cycles, 0, tessel_, 1, 305)) << message(cycles.getLastError());
        KelSQLArchivePruning p(ostrel);
        auto list = batch({301, 302, 304, 306, 305});
        bool prunable = true;
        ASSERT_TRUE(p.pruneArchiveFiles(prunable, c.cycles, 0, list)) << c.cycles << ": " << message(p.getLastError());
        EXPECT_EQ(marked(list), c.marked) << c.cycles;
    }
    // Only the first database: D1 and L2 alone still prune.
    const unsigned long small = databaseRow("small");
    history({{211, 'D', 100, 120, 110, 50, 100}, {212, 'L', 120, 130, 0, 110, 200},
             {214, 'I', 400, 410, 405, 390, 400}},
            small);
    KelSQLArchivePruning p(ostrel);
    ASSERT_TRUE(p.createDatabaseCycles(1, 0, tessel_, 1, 311)) << message(p.getLastError());
    auto list = batch({312, 314, 311});
    bool prunable = true;
    ASSERT_TRUE(p.pruneArchiveFiles(prunable, 1, 0, list)) << message(p.getLastError());
    EXPECT_EQ(marked(list), (std::vector<int>{}));
}

}  // namespace
