// The state of a step-restored database as the Ostrel asks the agent host for
// it, in both message versions, and what the agent side refuses.
#include "KelSQL/KelSQLErrors.h"
#include "StepFixture.h"

using kel::test::refused;

namespace {

class StepStateTest : public kel::test::StepTest {};

TEST_F(StepStateTest, EveryRowOfTheDerivationFirstMatchWins) {
    serveStates();
    const std::string pit = "stopAt=1615100000\n";  // restoreDate 0: not after the database was created
    const struct {
        const char* live;
        uint64_t state;
        bool restorable;
    } cases[] = {
        {"property=1\nstatus=0x200400\n", 128, false},
        {"property=2\nstatus=0x20\n", 2048, false},
        {"property=3\n", 4096, false},
        {"property=4\n", 32, false},
        {"status=0\n", 16, false},
        {"status=0x200420\n", 4, true},  // standby before loading
        {"status=0x20\n", 2, true},
        {"status=0x9C00\n", 512, false},
        {"status=0x1C00\n", 256, false},
        {"status=0xC00\n", 64, false},
        {"status=0x400\n", 8, false},
        {"status=0x1\nstopAt=1615100000\n", 1024, false},
        {"status=0x1\n", 16, false},
        {"status=0x200000\n", 1, false},  // half of standby is not standby
        {"status=0\nstopAt=1615100000\n", 16, false},
        // Restored after the database was created: no stop-at any more.
        {"status=0x1\nrestoreDate=1615200000\nstopAt=1615100000\n", 16, false},
        {"", 16, false},  // nothing read: the reset state
    };
    for (unsigned long version : {kelsql::kDatabaseStateV1, kelsql::kDatabaseStateV2}) {
        KelSQLClassProperties ostrel(KelSQLServerSide);
        for (const auto& c : cases) {
            liveState(c.live + std::string("backupSetId=5011\nlogOnly=1\nfirst=") + lsn(5) + "\n");
            KelSQLStepRestoreState state(ostrel, false, version);
            ASSERT_TRUE(state.query("alpha", db_)) << c.live << message(state.getLastError());
            EXPECT_TRUE(state.isObjectInitialized());
            EXPECT_EQ(state.stepState(), c.state) << version << " " << c.live;
            EXPECT_EQ(state.isStepRestorable(), c.restorable) << c.live;
            EXPECT_EQ(state.backupSetId(), 5011u);
            EXPECT_EQ(state.databaseName(), "sales");
            EXPECT_EQ(state.sqlDatabaseId(), db_);
            // The log range travels in the second version only.
            EXPECT_EQ(state.isLogOnlyAllowed(), version == kelsql::kDatabaseStateV2);
            EXPECT_EQ(state.getLogOnlyFirstLSN(), version == kelsql::kDatabaseStateV2 ? lsn(5) : "");
        }
        // The agent cannot tell: taken as state 32, with the number kept.
        liveState("status=0x20\nfail=0x1E00008D\n");
        KelSQLStepRestoreState state(ostrel, false, version);
        ASSERT_TRUE(state.query(tessel_, "alpha", instance_, "sales")) << message(state.getLastError());
        EXPECT_TRUE(state.isObjectInitialized());
        EXPECT_EQ(state.stepState(), 32u);
        EXPECT_FALSE(state.isStepRestorable());
        EXPECT_EQ(state.getLastError().number(), kelsql::kErrStepStateUnavailable);
        EXPECT_EQ(state.serverName(), kInstance);
        // Any other failure is one, and leaves the object not initialised.
        liveState("fail=0x1E0000F7\n");
        EXPECT_TRUE(refused(state.query("alpha", db_), state.getLastError(), kelsql::kErrDiscoveryFailed));
        EXPECT_FALSE(state.isObjectInitialized());
    }
}

TEST_F(StepStateTest, EachSideAnswersItsOwn) {
    serveStates();
    KelSQLClassProperties ostrel(KelSQLServerSide);
    // The Ostrel's dispatcher does not answer the state request.
    KelNetSQLDatabaseState asked(ostrel, false, kelsql::kDatabaseStateV2);
    ASSERT_TRUE(asked.setRemoteDataAgent(kOstrel));
    KelLastError err;
    EXPECT_TRUE(refused(asked.exchange(err), err, kelsql::kErrRequestRefused));

    KelSQLClassProperties agent(KelSQLClientSide);
    KelSQLStepRestoreState state(agent, false, kelsql::kDatabaseStateV2);
    EXPECT_TRUE(refused(state.query("alpha", db_), state.getLastError(), kelsql::kErrOstrelSideOnly));
    // Only the handler's object answers; the live reading is the agent's.
    KelNetSQLDatabaseStateReq_t req{};
    KelNetSQLDatabaseStateRspV2_t rsp{};
    EXPECT_TRUE(refused(state.query(&req, &rsp), state.getLastError(), kelsql::kErrNoSide));
    KelSQLStepRestoreState atOstrel(ostrel, true, kelsql::kDatabaseStateV2);
    EXPECT_TRUE(refused(atOstrel.query(&req, &rsp), atOstrel.getLastError(), kelsql::kErrAgentSideOnly));
    // This process reads nothing live: the state stays not initialised.
    ASSERT_TRUE(state.query(std::string(kInstance), std::string("sales")));
    EXPECT_FALSE(state.isObjectInitialized());
    unsigned long current = 1, next = 1, flags = 1;
    EXPECT_TRUE(refused(state.hotServerQuery(current, next, flags), state.getLastError(), kelsql::kErrNotLoaded));
}

}  // namespace
