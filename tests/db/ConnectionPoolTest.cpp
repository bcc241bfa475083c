// Idle connections serve the whole process: a thread that reads for the
// first time takes one another thread left rather than opening the catalogue
// again, no connection serves two holders at once, and a forked child never
// takes its parent's. A connection keeps the application manager's
// statements prepared, lending each to one user at a time, handed back with
// nothing of its last use bound.
#include <gtest/gtest.h>

#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <thread>

#include "platform/appmgr/AppStore.h"
#include "platform/db/DBEngine.h"
#include "support/TestHome.h"

namespace kel::test {
namespace {

using ConnectionPoolTest = HomeTest;

unsigned long long takenSerial() {
    std::string error;
    DBPooledConnection c = DBConnection::take(error);
    EXPECT_TRUE(c) << error;
    return c ? c->serial() : 0;
}

TEST_F(ConnectionPoolTest, AThreadTakesTheConnectionAnotherLeft) {
    const unsigned long long left = takenSerial();
    unsigned long long taken = 0;
    std::thread([&] { taken = takenSerial(); }).join();
    EXPECT_EQ(taken, left);

    // Held on one thread, it is not handed to another.
    std::string error;
    DBPooledConnection held = DBConnection::take(error);
    ASSERT_TRUE(held) << error;
    std::thread([&] { taken = takenSerial(); }).join();
    EXPECT_NE(taken, held->serial());
}

TEST_F(ConnectionPoolTest, AForkedChildOpensItsOwn) {
    const unsigned long long left = takenSerial();
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::string error;
        DBPooledConnection c = DBConnection::take(error);
        // Its own connection works; the parent's was not handed to it.
        _exit(c && c->serial() != left && sqlite3_exec(c->db(), "SELECT 1", nullptr, nullptr, nullptr) == SQLITE_OK
                  ? 0
                  : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(takenSerial(), left);
}

int statementsOf(sqlite3* db) {
    int n = 0;
    for (sqlite3_stmt* s = sqlite3_next_stmt(db, nullptr); s; s = sqlite3_next_stmt(db, s)) ++n;
    return n;
}

TEST_F(ConnectionPoolTest, AKeptStatementServesOneUserAtATimeAndForgetsItsValues) {
    using kel::appmgr::AppStatement;
    std::string error;
    DBPooledConnection c = DBConnection::take(error);
    ASSERT_TRUE(c) << error;
    sqlite3* db = c->db();
    const char* sql = "SELECT ? IS NULL, ? + 1";
    const int before = statementsOf(db);
    {
        AppStatement first(db, sql);
        first.bind(5).bind(41);
        ASSERT_EQ(first.step(), 0);
        // The same text while the first is in use: a statement of its own,
        // which leaves the first's row alone.
        AppStatement second(db, sql);
        second.bind(6).bind(1);
        ASSERT_EQ(second.step(), 0);
        EXPECT_EQ(second.integer(1), 2);
        EXPECT_EQ(first.integer(0), 0);
        EXPECT_EQ(first.integer(1), 42);
    }
    EXPECT_EQ(statementsOf(db), before + 1);  // one kept, the other gone
    for (int use = 0; use < 3; ++use) {
        AppStatement again(db, sql);
        ASSERT_EQ(again.step(), 0);
        EXPECT_EQ(again.integer(0), 1) << "a value of an earlier use stayed bound";
    }
    EXPECT_EQ(statementsOf(db), before + 1);
}

}  // namespace
}  // namespace kel::test
