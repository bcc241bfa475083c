// What the platform home keeps that others must not read is its owner's
// alone, like the registry: the catalogue (sealed logins, the whole backup
// history) and its journal, and the logs folder.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <memory>

#include "platform/db/DBEngine.h"
#include "platform/events/KelCslEventMgr.h"
#include "platform/events/KelDebug.h"
#include "support/TestHome.h"

namespace {

unsigned mode(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? unsigned(st.st_mode & 0777) : 0;
}

class PrivateFilesTest : public kel::test::HomeTest {};

TEST_F(PrivateFilesTest, NewCatalogueAndItsJournalAreTheOwnersAlone) {
    std::string error;
    std::unique_ptr<DBConnection> c(DBConnection::open(error));
    ASSERT_TRUE(c) << error;
    ASSERT_EQ(sqlite3_exec(c->db(), "CREATE TABLE t(x); INSERT INTO t VALUES (1)", nullptr, nullptr, nullptr),
              SQLITE_OK);
    EXPECT_EQ(mode(home_.file("catalogue.db")), 0600u);
    EXPECT_EQ(mode(home_.file("catalogue.db-wal")), 0600u);
    // Opened again, the catalogue keeps what it holds.
    c.reset(DBConnection::open(error));
    ASSERT_TRUE(c) << error;
    sqlite3_stmt* stmt = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(c->db(), "SELECT x FROM t", -1, &stmt, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(stmt, 0), 1);
    sqlite3_finalize(stmt);
}

TEST_F(PrivateFilesTest, LogsFolderIsTheOwnersAlone) {
    KelDebug::Debug("PrivateFilesTest", "a line");
    EXPECT_EQ(mode(home_.file("logs")), 0700u);
    KelCslEventMgr install;
    ASSERT_EQ(install.setEventInfo(nullptr, "KelSqlInstall.log"), 0);
    EXPECT_EQ(mode(home_.file("logs")), 0700u);
}

}  // namespace
