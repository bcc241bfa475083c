// A fresh platform home whose focus machine is an agent (install active) with
// a real Ostrel dispatcher on a loopback port serving the catalogue's handler
// and the probe handler, and a catalogue with the probe table.
#pragma once

#include <gtest/gtest.h>

#include <sqlite3.h>
#include <string>

#include "KelSQL/KelSQLClassProperties.h"
#include "platform/db/DBEngine.h"
#include "platform/info/KelPlatformInfo.h"
#include "platform/info/KelRegistry.h"
#include "platform/net/KelDispatcherProcess.h"
#include "support/MachineSetup.h"
#include "support/TestHome.h"

namespace kel::test {

// Runs sql on a catalogue connection of its own.
inline bool sql(const std::string& text) {
    std::string error;
    std::unique_ptr<DBConnection> c(DBConnection::open(error));
    if (!c) return false;
    return sqlite3_exec(c->db(), text.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
}
// Committed probe rows; -1 when the catalogue cannot be read.
inline long probeRows() {
    std::string error;
    std::unique_ptr<DBConnection> c(DBConnection::open(error));
    if (!c) return -1;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(c->db(), "SELECT count(*) FROM frameProbe", -1, &stmt, nullptr) != SQLITE_OK) return -1;
    long n = sqlite3_step(stmt) == SQLITE_ROW ? static_cast<long>(sqlite3_column_int64(stmt, 0)) : -1;
    sqlite3_finalize(stmt);
    return n;
}


class SqlDispatcherTest : public HomeTest {
protected:
    static constexpr const char* kMachine = "agent1";
    static constexpr const char* kOstrel = "OSTREL1";

    void SetUp() override {
        ASSERT_TRUE(focusMachineWithOstrel(kMachine, kOstrel, 1));
        ASSERT_TRUE(activateAgentInstall(kMachine));
        ASSERT_TRUE(sql("CREATE TABLE IF NOT EXISTS frameProbe(tag TEXT)"));
        ASSERT_TRUE(startHost(ostrel_, kOstrel));
    }
    void TearDown() override {
        // A clean exit: every session ended, every answering context released.
        EXPECT_TRUE(ostrel_.stop());
    }

    KelDispatcherProcess ostrel_;
};

}  // namespace kel::test
