// The catalogue's writer within one process: writers are served in the
// order they asked, a line that moves refuses nobody, a writer behind a
// holder that stalls is refused within its limit, and one whose caller has
// gone leaves the line.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "db/TestRecords.h"
#include "platform/db/DBEngine.h"
#include "platform/db/DBWriterQueue.h"
#include "platform/util/BoundedCopy.h"
#include "support/TestHome.h"

namespace kel::test {
namespace {

using Clock = std::chrono::steady_clock;

class WriterLineTest : public HomeTest {
protected:
    void SetUp() override { ASSERT_EQ(seedCatalogue(), SQLITE_OK); }
    void TearDown() override {
        for (std::thread& t : threads_) t.join();
    }

    static int insertGroup(DBtran* tran, const std::string& name) {
        FileGroupRecord rec(tran);
        rec.row.tesselId = 1;
        rec.row.sqlDatabaseId = 11;
        EXPECT_TRUE(kel::copyField(rec.row.fileGroupName, name));
        return rec.rowInsert(true);
    }
    // The committed file groups in the order they were written.
    static std::vector<std::string> written() {
        FileGroupRecord rec;
        rec.setOrderBy("id");
        std::vector<std::string> out;
        if (rec.openCursor() != 0) return out;
        while (rec.fetchCursor(true) == 0) out.push_back(kel::fieldText(rec.row.fileGroupName));
        rec.closeCursor();
        return out;
    }
    // Returns once count writers wait in line (false after 10 s).
    static bool waiting(int count) {
        const Clock::time_point end = Clock::now() + std::chrono::seconds(10);
        while (DBwritersWaiting() != count) {
            if (Clock::now() > end) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return true;
    }
    // On a thread of its own: a transaction that writes name and, after
    // holding the writer for holdMs, commits. rc: 0, or the first failure.
    void transaction(const std::string& name, int limitMs, int holdMs, int* rc) {
        threads_.emplace_back([=] {
            DBtran tran(false);
            tran.setWriterWaitLimit(limitMs);
            *rc = tran.startTran();
            if (*rc) return;
            *rc = insertGroup(&tran, name);
            std::this_thread::sleep_for(std::chrono::milliseconds(holdMs));
            if (*rc == 0) *rc = tran.commitTran(false);
        });
    }

    std::vector<std::thread> threads_;
};

TEST_F(WriterLineTest, WritersAreServedInTheOrderTheyAsked) {
    DBtran holder(false);
    ASSERT_EQ(holder.startTran(), 0);
    ASSERT_EQ(insertGroup(&holder, "holder"), 0);
    int rc[3] = {-1, -1, -1};
    const char* names[] = {"first", "second", "third"};
    for (int i = 0; i < 3; ++i) {
        transaction(names[i], 5000, 0, &rc[i]);
        ASSERT_TRUE(waiting(i + 1));
    }
    ASSERT_EQ(holder.commitTran(false), 0);
    for (std::thread& t : threads_) t.join();
    threads_.clear();
    EXPECT_EQ(rc[0] | rc[1] | rc[2], 0);
    EXPECT_EQ(written(), std::vector<std::string>({"holder", "first", "second", "third"}));
}

TEST_F(WriterLineTest, ALineThatMovesRefusesNobodyHoweverLongItTakes) {
    // Each holds well within the limit; the last waits for all of them,
    // three times the limit and more.
    constexpr int kLimitMs = 300;
    DBtran holder(false);
    ASSERT_EQ(holder.startTran(), 0);
    int rc[4] = {-1, -1, -1, -1};
    for (int i = 0; i < 4; ++i) {
        transaction("w" + std::to_string(i), kLimitMs, 250, &rc[i]);
        ASSERT_TRUE(waiting(i + 1));
    }
    const Clock::time_point start = Clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ASSERT_EQ(holder.commitTran(false), 0);
    for (std::thread& t : threads_) t.join();
    threads_.clear();
    EXPECT_GT(Clock::now() - start, std::chrono::milliseconds(3 * kLimitMs));
    EXPECT_EQ(rc[0] | rc[1] | rc[2] | rc[3], 0);
    EXPECT_EQ(written(), std::vector<std::string>({"w0", "w1", "w2", "w3"}));
}

TEST_F(WriterLineTest, AWriterBehindAStalledHolderIsRefusedWithinItsLimit) {
    DBtran holder(false);
    ASSERT_EQ(holder.startTran(), 0);
    ASSERT_EQ(insertGroup(&holder, "held"), 0);
    // A start in a thread of its own: its code, its text and how long it took.
    auto start = [](int limitMs, int& rc, std::string& why, Clock::duration& took) {
        std::thread([&] {
            DBtran tran(false);
            tran.setWriterWaitLimit(limitMs);
            const Clock::time_point begin = Clock::now();
            rc = tran.startTran();
            took = Clock::now() - begin;
            why = tran.getErrorStr(rc);
            if (rc == 0) rc = insertGroup(&tran, "after") ? -1 : tran.commitTran(false);
        }).join();
    };
    int rc = 0;
    std::string why;
    Clock::duration took{};
    start(400, rc, why, took);
    EXPECT_EQ(rc, kDBErrBusy);
    EXPECT_LT(took, std::chrono::milliseconds(1500));
    // The text says how long the holder has held the writer: the limit.
    const std::string said = "the transaction ahead has held the catalogue's writer for ";
    const size_t at = why.find(said);
    ASSERT_NE(at, std::string::npos) << why;
    const double held = std::stod(why.substr(at + said.size()));
    EXPECT_TRUE(held >= 0.4 && held < 1.5) << why;
    EXPECT_EQ(DBwritersWaiting(), 0);

    // Once the holder ends, the next one is served at once.
    ASSERT_EQ(holder.commitTran(false), 0);
    start(400, rc, why, took);
    EXPECT_EQ(rc, 0) << why;
    EXPECT_LT(took, std::chrono::milliseconds(300));
    EXPECT_EQ(written(), std::vector<std::string>({"held", "after"}));
}

TEST_F(WriterLineTest, AWriterWhoseCallerHasGoneLeavesTheLine) {
    DBtran holder(false);
    ASSERT_EQ(holder.startTran(), 0);
    std::atomic<bool> gone{false};
    int leftRc = -1, nextRc = -1;
    std::string why;
    threads_.emplace_back([&] {
        DBWriterWatch watch([](void* flag) { return static_cast<std::atomic<bool>*>(flag)->load(); }, &gone);
        DBtran tran(false);
        leftRc = tran.startTran();
        why = tran.getErrorStr(leftRc);
        if (leftRc == 0 && insertGroup(&tran, "gone") == 0) tran.commitTran(false);
    });
    ASSERT_TRUE(waiting(1));
    transaction("next", 5000, 0, &nextRc);
    ASSERT_TRUE(waiting(2));
    gone = true;
    // It leaves while the holder still holds.
    threads_.front().join();
    EXPECT_EQ(leftRc, kDBErrBusy);
    EXPECT_EQ(why, "the session ended while it waited for the catalogue's writer");
    EXPECT_EQ(DBwritersWaiting(), 1);
    ASSERT_EQ(holder.commitTran(false), 0);
    threads_.back().join();
    threads_.clear();
    EXPECT_EQ(nextRc, 0);
    EXPECT_EQ(written(), std::vector<std::string>({"next"}));
}

TEST_F(WriterLineTest, AThreadHoldingTheWriterIsRefusedASecondOneAtOnce) {
    DBtran holder(false);
    ASSERT_EQ(holder.startTran(), 0);
    DBtran second(false);
    const Clock::time_point start = Clock::now();
    const int rc = second.startTran();
    EXPECT_EQ(rc, kDBErrBusy);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
    EXPECT_FALSE(second.isStarted());
    ASSERT_EQ(holder.rollbackTran(), 0);
    EXPECT_EQ(second.startTran(), 0);
}

TEST_F(WriterLineTest, AWriteOutsideATransactionTakesItsTurnInLine) {
    DBtran holder(false);
    ASSERT_EQ(holder.startTran(), 0);
    ASSERT_EQ(insertGroup(&holder, "holder"), 0);
    int startedRc = -1, looseRc = -1;
    transaction("started", 5000, 50, &startedRc);
    ASSERT_TRUE(waiting(1));
    threads_.emplace_back([&] { looseRc = insertGroup(nullptr, "loose"); });
    ASSERT_TRUE(waiting(2));
    ASSERT_EQ(holder.commitTran(false), 0);
    for (std::thread& t : threads_) t.join();
    threads_.clear();
    EXPECT_EQ(startedRc | looseRc, 0);
    EXPECT_EQ(written(), std::vector<std::string>({"holder", "started", "loose"}));
}

TEST_F(WriterLineTest, TheNextWriterFindsTheConnectionTheLastOneLeft) {
    // On another thread, as the next session's START would be.
    auto serialOnAnotherThread = [] {
        unsigned long long serial = 0;
        std::thread([&] {
            DBtran tran(false);
            if (tran.startTran() == 0) serial = tran.tranConnection()->serial();
        }).join();
        return serial;
    };
    unsigned long long first = 0;
    {
        DBtran tran(false);
        ASSERT_EQ(tran.startTran(), 0);
        first = tran.tranConnection()->serial();
        ASSERT_EQ(insertGroup(&tran, "kept"), 0);
        ASSERT_EQ(tran.commitTran(false), 0);
    }
    EXPECT_EQ(serialOnAnotherThread(), first);
}

TEST_F(WriterLineTest, ACursorStillReadingAfterCommitKeepsItsConnection) {
    ASSERT_EQ(execSql("INSERT INTO sqlFileGroup (tesselId, sqlDatabaseId, fileGroupName) VALUES (1, 11, 'a'), "
                      "(1, 11, 'b')"),
              SQLITE_OK);
    DBtran tran(false);
    FileGroupRecord reader(&tran);
    ASSERT_EQ(tran.startTran(), 0);
    reader.setOrderBy("id");
    ASSERT_EQ(reader.openCursor(), 0);
    ASSERT_EQ(reader.fetchCursor(true), 0);
    ASSERT_EQ(tran.commitTran(false), 0);
    // The next writer works on a connection of its own meanwhile.
    int rc = -1;
    transaction("c", 5000, 0, &rc);
    threads_.back().join();
    threads_.clear();
    EXPECT_EQ(rc, 0);
    ASSERT_EQ(reader.fetchCursor(true), 0);
    EXPECT_EQ(kel::fieldText(reader.row.fileGroupName), "b");
    EXPECT_EQ(reader.fetchCursor(true), 100);
    reader.closeCursor();
    EXPECT_EQ(written(), std::vector<std::string>({"a", "b", "c"}));
}

}  // namespace
}  // namespace kel::test
