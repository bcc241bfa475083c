#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "db/TestRecords.h"
#include "platform/util/BoundedCopy.h"
#include "support/TestHome.h"

namespace kel::test {
namespace {

class TransactionTest : public HomeTest {
protected:
    void SetUp() override { ASSERT_EQ(seedCatalogue(), SQLITE_OK); }
    void TearDown() override { DBsetBusyTimeout(10000); }

    static int insertGroup(DBtran* tran, const char* name) {
        FileGroupRecord rec(tran);
        rec.row.tesselId = 1;
        rec.row.sqlDatabaseId = 11;
        EXPECT_TRUE(kel::copyField(rec.row.fileGroupName, name));
        return rec.rowInsert(true);
    }

    static std::vector<std::string> groupNames() {
        FileGroupRecord rec;
        std::vector<std::string> out;
        if (rec.openCursor() != 0) return out;
        while (rec.fetchCursor(true) == 0) out.push_back(kel::fieldText(rec.row.fileGroupName));
        rec.closeCursor();
        return out;
    }
};

TEST_F(TransactionTest, RollbackDiscardsAndCommitKeepsAcrossReopen) {
    {
        DBtran tran(false);
        ASSERT_EQ(tran.startTran(), 0);
        ASSERT_EQ(insertGroup(&tran, "lost"), 0);
        ASSERT_EQ(tran.rollbackTran(), 0);
        ASSERT_EQ(tran.startTran(), 0);
        ASSERT_EQ(insertGroup(&tran, "kept1"), 0);
        ASSERT_EQ(insertGroup(&tran, "kept2"), 0);
        ASSERT_EQ(tran.commitTran(false), 0);
        EXPECT_TRUE(!tran.isStarted());
        ASSERT_EQ(tran.startTran(), 0);
        ASSERT_EQ(insertGroup(&tran, "dropped at destruction"), 0);
    }  // never committed: rolled back
    EXPECT_EQ(groupNames(), std::vector<std::string>({"kept1", "kept2"}));
}

TEST_F(TransactionTest, ARecordOutlivingItsTransactionWorksOnItsOwnConnection) {
    auto tran = std::make_unique<DBtran>(false);
    FileGroupRecord rec(tran.get());
    PairCursor bare(tran.get());  // a record that does not list itself
    ASSERT_EQ(tran->startTran(), 0);
    ASSERT_EQ(insertGroup(tran.get(), "rolled back"), 0);
    rec.setWhere("sqlDatabaseId = %d", 11);
    ASSERT_EQ(rec.openCursor(), 0);  // a statement of the transaction's connection
    tran.reset();
    EXPECT_EQ(rec.getTran(), nullptr);
    EXPECT_EQ(bare.getTran(), nullptr);
    EXPECT_NE(rec.fetchCursor(true), 0);  // the cursor went with the transaction
    rec.row.tesselId = 1;
    rec.row.sqlDatabaseId = 11;
    EXPECT_TRUE(kel::copyField(rec.row.fileGroupName, "after"));
    ASSERT_EQ(rec.rowInsert(true), 0);
    EXPECT_EQ(groupNames(), std::vector<std::string>({"after"}));
}

TEST_F(TransactionTest, ARecordOutsideATransactionFailsInsteadOfHanging) {
    DBsetBusyTimeout(200);
    DBtran tran(false);
    ASSERT_EQ(tran.startTran(), 0);
    ASSERT_EQ(insertGroup(&tran, "held"), 0);
    auto start = std::chrono::steady_clock::now();
    const int rc = insertGroup(nullptr, "waits");
    EXPECT_TRUE(rc != 0 && rc != 100);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    // A read of isolation type 4 still sees the committed state.
    DBtran reader(false);
    reader.setIsolationType(4);
    ASSERT_EQ(reader.startTran(), 0);
    FileGroupRecord rec(&reader);
    EXPECT_EQ(rec.openCursor(), 100);
    rec.closeCursor();
    ASSERT_EQ(tran.commitTran(false), 0);
}

TEST_F(TransactionTest, TwoThreadsEachWithATransactionBothCommit) {
    auto work = [](const char* prefix, int* result) {
        for (int i = 0; i < 20 && *result == 0; ++i) {
            DBtran tran(false);
            const std::string name = prefix + std::to_string(i);
            *result = tran.startTran() ? -1 : insertGroup(&tran, name.c_str()) ? -2 : tran.commitTran(false);
        }
    };
    int a = 0, b = 0;
    std::thread ta(work, "a", &a), tb(work, "b", &b);
    ta.join();
    tb.join();
    EXPECT_EQ(0, a);
    EXPECT_EQ(0, b);
    EXPECT_EQ(groupNames().size(), 40u);
}

// A process killed in the middle of a transaction leaves exactly the
// transactions it committed.
TEST_F(TransactionTest, KilledWriterLeavesExactlyTheCommittedRows) {
    int pipeFd[2];
    ASSERT_EQ(pipe(pipeFd), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        for (int i = 0; i < 5; ++i) {
            DBtran tran(false);
            const std::string name = "committed" + std::to_string(i);
            if (tran.startTran() || insertGroup(&tran, name.c_str()) || tran.commitTran(false)) _exit(2);
        }
        DBtran open(false);
        if (open.startTran() != 0) _exit(4);
        for (int i = 0; i < 50; ++i) insertGroup(&open, "uncommitted");
        if (write(pipeFd[1], "m", 1) != 1) _exit(5);
        for (;;) pause();
    }
    close(pipeFd[1]);
    char c;
    const bool ready = read(pipeFd[0], &c, 1) == 1;
    close(pipeFd[0]);
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(ready && WIFSIGNALED(status));
    EXPECT_EQ(groupNames(), std::vector<std::string>({"committed0", "committed1", "committed2", "committed3",
                                                      "committed4"}));
}

TEST_F(TransactionTest, AnUndoneSavepointTakesBackOnlyWhatCameAfterIt) {
    DBtran tran(false);
    EXPECT_EQ(tran.savepoint(), kDBErrUsage);  // no transaction to hold it
    ASSERT_EQ(tran.startTran(), 0);
    ASSERT_EQ(insertGroup(&tran, "before"), 0);
    ASSERT_EQ(tran.savepoint(), 0);
    ASSERT_EQ(insertGroup(&tran, "kept inside"), 0);
    ASSERT_EQ(tran.savepoint(), 0);
    ASSERT_EQ(insertGroup(&tran, "undone"), 0);
    ASSERT_EQ(tran.undoSavepoint(), 0);
    ASSERT_EQ(tran.releaseSavepoint(), 0);
    // Both savepoints are gone; the transaction goes on.
    EXPECT_NE(tran.undoSavepoint(), 0);
    ASSERT_EQ(insertGroup(&tran, "after"), 0);
    ASSERT_EQ(tran.commitTran(false), 0);
    EXPECT_EQ(groupNames(), std::vector<std::string>({"before", "kept inside", "after"}));
}

}  // namespace
}  // namespace kel::test
