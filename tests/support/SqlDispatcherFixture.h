// A fresh platform home whose focus machine is an agent (install active) with
// a real Ostrel dispatcher on a loopback port serving the catalogue's handler
// and the probe handler, and a catalogue with the probe table.
#pragma once

#include <string>

#include "KelSQL/KelSQLClassProperties.h"
#include "support/Checks.h"
#include "support/MachineSetup.h"
#include "support/TestHome.h"

namespace kel::test {

// Runs sql on a catalogue connection of its own.
inline bool sql(const std::string& text) {
    std::string error;
    std::unique_ptr<DBConnection> c(DBConnection::open(error));
    return c && sqlite3_exec(c->db(), text.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
}
// From here on the catalogue turns down each insert into table whose new row
// meets condition: a database error no check of the library foresees.
inline bool refuseInserts(const std::string& table, const std::string& condition = "1") {
    return sql("CREATE TRIGGER refuse_" + table + " BEFORE INSERT ON " + table + " WHEN " + condition +
               " BEGIN SELECT RAISE(ABORT, 'refused by the test'); END");
}
// Committed probe rows; negative when the catalogue cannot be read.
inline long probeRows() { return static_cast<long>(scalar("SELECT count(*) FROM frameProbe")); }

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
