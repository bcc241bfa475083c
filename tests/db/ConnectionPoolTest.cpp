// Idle connections serve the whole process: a thread that reads for the
// first time takes one another thread left rather than opening the catalogue
// again, no connection serves two holders at once, and a forked child never
// takes its parent's.
#include <gtest/gtest.h>

#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <thread>

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

}  // namespace
}  // namespace kel::test
