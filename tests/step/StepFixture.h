// A step-restored database "sales" with a backup history, an agent host for
// alpha that reads its live state from the file the test writes, and states
// taken as an agent would report them.
#pragma once

#include <fstream>
#include <string>

#include "KelSQL/KelSQLStepRestoreState.h"
#include "chain/ChainFixture.h"
#include "support/ScriptedLiveSqlServer.h"

namespace kel::test {

class StepTest : public ChainTest {
protected:
    // The instance's SQL login travels to the agent before each question.
    void SetUp() override {
        ChainTest::SetUp();
        std::string stored;
        ASSERT_TRUE(encryptSQLPassword("secret", stored));
        ASSERT_TRUE(sql("UPDATE sqlServer SET sa = 'sa', saPassword = '" + stored +
                        "' WHERE instanceId = " + std::to_string(instance_)));
    }

    // The history of sales: full 10, logs 11 to 13 (12 and 13 both begin
    // where 11 ends, 13 finishes later), differential 14, log 15 that
    // started before 14 finished, log 16 after it; a file backup 17.
    void history() {
        add({{10, 'D', 1000, 1010, 1005, 900, 0},   {11, 'L', 1010, 1020, 0, 1005, 100},
             {12, 'L', 1020, 1030, 0, 1005, 200},   {13, 'L', 1020, 1035, 0, 1005, 210},
             {14, 'I', 1030, 1040, 1038, 1005, 400}, {15, 'L', 1030, 1045, 0, 1005, 390},
             {16, 'L', 1045, 1050, 0, 1005, 500},   {17, 'F', 1050, 1051, 0, 1005, 600}});
    }

    // The agent host for alpha, with the scripted live reader loaded.
    void serveStates() {
        startAgentHost();
        KelLastError err;
        ASSERT_TRUE(kel::probe::loadHandler(kAgentHost, "sLNSQLHOSTS", "sLPSQLHOSTSMSG", err))
            << err.formatLastErrorMessage();
    }

    // What the live database reports ("key=value" lines; empty: no file).
    static void liveState(const std::string& lines) {
        std::remove(liveRestoreStateFile().c_str());
        if (!lines.empty()) std::ofstream(liveRestoreStateFile()) << lines;
    }

    // A state as the agent reported it in the second version.
    static void reported(KelSQLStepRestoreState& state, uint64_t status, uint64_t backupSetId, bool logOnly = false,
                         int first = 0, int last = 0) {
        KelNetSQLDatabaseStateRspV2_t r{};
        r.DatabaseState = status;
        r.BackupSetId = backupSetId;
        r.LogOnly = logOnly;
        EXPECT_TRUE(kel::copyField(r.FirstLSN, lsn(first)));
        EXPECT_TRUE(kel::copyField(r.LastLSN, lsn(last)));
        state.copyFromNetwork(&r);
        state.setDatabaseState();
    }

    static constexpr uint64_t kStandby = 0x200400, kLoading = 0x20;
};

}  // namespace kel::test
