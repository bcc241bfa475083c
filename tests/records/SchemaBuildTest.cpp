// The class-wide part of a schema class is built once, also when several
// threads construct the first objects of one or two classes at the same time.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "Db/KelDBRecord.h"
#include "platform/util/KelLocks.h"

namespace {

// Families of their own, so that no other test has built them first.
struct RaceRow {
    int32_t id = 0;
    char name[17] = {};
    int32_t value = 0;
    int64_t big = 0;
};

template <int N>
struct RaceDesc {
    using Row = RaceRow;
    static constexpr DBColumn columns[] = {
        KEL_DB_COLUMN(Row, id, "i"),
        KEL_DB_COLUMN(Row, name, "s17"),
        KEL_DB_COLUMN(Row, value, "i"),
        KEL_DB_COLUMN(Row, big, "x"),
    };
    static constexpr const char* keys[] = {"id", "value"};
    static constexpr KelDBForeignKey foreignKeys[] = {{"value", "other", "id"}};
    static constexpr DBColumnLayout layout = KEL_DB_TABLE_LAYOUT(Race, 0, "id");
    static constexpr KelDBFamily family = KEL_DB_TABLE_FAMILY(race, Race, "1", 1);
};

template <int N>
class Race_t2 : public KelDBSchema<RaceDesc<N>> {};

template <int N>
using Race = KelDBRecord<RaceDesc<N>, Race_t2<N>>;

// Starts all threads together, each building records of class A or B (with
// the new base on, every record builds its schema row).
template <class A, class B>
void buildConcurrently(int threadsPerClass) {
    const unsigned char savedBase = DBtable::b_newDBBase;
    DBtable::b_newDBBase = 1;
    std::atomic<int> ready{0};
    std::atomic<bool> go{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < 2 * threadsPerClass; ++t) {
        threads.emplace_back([&, t] {
            ready.fetch_add(1);
            while (!go.load()) std::this_thread::yield();
            for (int i = 0; i < 20; ++i) {
                if (t % 2) A a(nullptr);
                else B b(nullptr);
            }
        });
    }
    while (ready.load() < 2 * threadsPerClass) std::this_thread::yield();
    go = true;
    for (std::thread& t : threads) t.join();
    DBtable::b_newDBBase = savedBase;
}

template <int... N>
void expectBuiltOnce() {
    for (auto [builds, columns] : {std::pair{Race_t2<N>::buildCount(), Race_t2<N>::staticColumns().size()}...}) {
        EXPECT_EQ(1, builds);
        EXPECT_EQ(4u, columns);
    }
}

TEST(SchemaBuildTest, EachClassIsBuiltOnceHoweverManyThreadsRace) {
    buildConcurrently<Race<1>, Race<2>>(4);  // two classes at once
    buildConcurrently<Race<3>, Race<3>>(4);  // one class by every thread
    // A semaphore that could not be made does not leave the build unguarded.
    KelSimpleDBSem* saved = KelDBRowBase::s_semColumnVec;
    KelDBRowBase::s_semColumnVec = nullptr;
    buildConcurrently<Race<4>, Race<5>>(4);
    KelDBRowBase::s_semColumnVec = saved;
    expectBuiltOnce<1, 2, 3, 4, 5>();
    Race_t2<1> later;
    EXPECT_EQ("i|s17|i|b|", later.getStructDef());  // x is described as b
    EXPECT_EQ("id = ?AND value = ?", later.getPrimaryWhere());
    EXPECT_EQ(1u, later.getForeignKeyMap().size());
}

}  // namespace
