// The next steps of a standby or loading database, and the hot-standby
// server's next backup set asked by its agent over the Ostrel's dispatcher.
#include <memory>
#include <tuple>

#include "KelSQL/KelNetSQLHotServerStep.h"
#include "KelSQL/KelSQLDatabase.h"
#include "KelSQL/KelSQLErrors.h"
#include "StepFixture.h"

using kel::test::refused;

namespace {

using Ids = std::vector<uint64_t>;

class StepChainTest : public kel::test::StepTest {
protected:
    Ids steps(KelSQLDatabaseLSNList& list) {
        Ids ids;
        for (const auto& item : list.stepItems()) {
            ids.push_back(item.sqlBackupSetId);
            EXPECT_EQ(item.backupSetId, 5000 + item.sqlBackupSetId);
            EXPECT_EQ(static_cast<char>(item.backupType), item.sqlBackupSetId == 10 ? 'D' : 'L');
        }
        return ids;
    }
};

TEST_F(StepChainTest, StandbyAndLoadingSteps) {
    history();
    const unsigned long v7 = databaseRow("v7");
    // A SQL Server 7 full is followed by the logs of its last LSN.
    add({{20, 'D', 2000, 2010, 2005, 1900, 0, kV7}, {21, 'L', 2010, 2020, 0, 2005, 100, kV7},
         {22, 'L', 2010, 2030, 0, 2010, 200, kV7}}, v7);
    // The loading walk over [100, 200] in catalogue order.
    const unsigned long walk = databaseRow("walk");
    add({{30, 'L', 50, 150, 0, 1, 0}, {31, 'L', 90, 250, 0, 1, 10}, {32, 'L', 250, 300, 0, 1, 20},
         {33, 'L', 310, 400, 0, 1, 30}, {34, 'L', 280, 320, 0, 1, 40}}, walk);
    KelSQLClassProperties ostrel(KelSQLServerSide);
    const struct {
        const char* what;
        unsigned long database;
        uint64_t status, restored;
        bool logOnly;
        Ids next;
    } cases[] = {
        {"after a log: every log from its end, latest finish first", db_, kStandby, 5011, false, {13, 12}},
        {"after a full: the earliest log of its checkpoint", db_, kStandby, 5010, false, {11}},
        {"after a differential: no log that started before it finished", db_, kStandby, 5014, false, {16}},
        {"after a SQL Server 7 full: by its last LSN", v7, kStandby, 5020, false, {22}},
        {"after a file backup: nothing", db_, kStandby, 5017, false, {}},
        {"on line: nothing", db_, 0x1, 5011, true, {}},
        {"loading without log-only permission: nothing", walk, kLoading, 5030, false, {}},
        {"loading: the logs that cover and continue the range", walk, kLoading, 5030, true, {31, 32, 34}},
        {"loading, no set from that agent number on", walk, kLoading, 9000, true, {}},
    };
    for (const auto& c : cases) {
        KelSQLStepRestoreState state(ostrel, false, kelsql::kDatabaseStateV2);
        reported(state, c.status, c.restored, c.logOnly, 100, 200);
        KelSQLDatabaseLSNList list(ostrel, false);
        ASSERT_TRUE(list.query(c.database, state)) << c.what << ": " << message(list.getLastError());
        Ids got;
        for (const auto& item : list.stepItems()) got.push_back(item.sqlBackupSetId);
        EXPECT_EQ(got, c.next) << c.what;
    }
    // Items carry the set's agent number, type and finish.
    KelSQLStepRestoreState state(ostrel, false, kelsql::kDatabaseStateV2);
    reported(state, kStandby, 5011);
    KelSQLDatabaseLSNList list(ostrel, false);
    ASSERT_TRUE(list.query(db_, state));
    ASSERT_EQ(steps(list), (Ids{13, 12}));
    EXPECT_EQ(list.stepItems()[0].finishTime, static_cast<uint64_t>(kBase + 260));

    // A standby set the catalogue does not know is a failure, and the list
    // is left empty.
    reported(state, kStandby, 9000);
    EXPECT_TRUE(refused(list.query(db_, state), list.getLastError(), kelsql::kErrRowOperation));
    EXPECT_TRUE(list.stepItems().empty());
    KelSQLStepRestoreState fresh(ostrel, false, kelsql::kDatabaseStateV2);
    EXPECT_TRUE(refused(list.query(db_, fresh), list.getLastError(), kelsql::kErrValueNotSet));
    KelSQLClassProperties agent(KelSQLClientSide);
    KelSQLDatabaseLSNList atAgent(agent, false);
    EXPECT_TRUE(refused(atAgent.query(db_, &state), atAgent.getLastError(), kelsql::kErrOstrelSideOnly));
}

class HotStandbyTest : public StepChainTest {
protected:
    void SetUp() override {
        StepChainTest::SetUp();
        previous_ = kel::live::installLiveSqlServer(std::make_unique<kel::test::ScriptedLiveSqlServer>());
    }
    void TearDown() override {
        kel::live::installLiveSqlServer(std::move(previous_));
        StepChainTest::TearDown();
    }

    // The agent's question after restoring the set of that agent number (or
    // name) into database; false with the error in err.
    bool ask(unsigned long database, unsigned long restored, unsigned long& next, unsigned long& flags,
             KelLastError& err, const std::string& name = "") {
        liveState("status=0x200400\nbackupSetId=" + std::to_string(restored) + "\nname=" + name + "\n");
        KelSQLClassProperties agent(KelSQLClientSide);
        KelSQLDatabase live(agent, false);
        live.setSqlId(database);
        live.setDatabaseName("sales");
        KelSQLStepRestoreState state(agent, false, kelsql::kDatabaseStateV2);
        if (!state.query(std::string(kInstance), live)) return false;
        unsigned long current = 0;
        next = flags = 99;
        const bool ok = state.hotServerQuery(current, next, flags);
        err = state.getLastError();
        if (ok && restored != 0) {
            EXPECT_EQ(current + 5000, name.empty() ? restored : 5011);
        }
        return ok;
    }

    std::unique_ptr<kel::live::LiveSqlServer> previous_;
};

TEST_F(HotStandbyTest, NextSetAfterEachBackupType) {
    history();
    // LSNs of different lengths: the differential [9000, 9990] lies inside
    // the log [8000, 10000] only as numbers.
    const unsigned long digits = databaseRow("digits");
    const std::string d = std::to_string(digits), t = std::to_string(tessel_);
    for (const auto& row : {std::make_tuple(50, 'D', "7000", "8000", "7500", "7000", "10:00:00"),
                            std::make_tuple(51, 'I', "9000", "9990", "9500", "7500", "11:00:00"),
                            std::make_tuple(52, 'L', "8000", "10000", "0", "7500", "12:00:00")}) {
        const std::string id = std::to_string(std::get<0>(row));
        ASSERT_TRUE(kel::test::sql("INSERT INTO sqlBackupSet (id, tesselId, sqlDatabaseId, backupSetId, name, sqlVersionId, "
                        "mtfVersionId, backupSize) VALUES (" + id + ", " + t + ", " + d + ", 50" + id + ", 'd" + id +
                        "', 1, 1, '1')"));
        ASSERT_TRUE(kel::test::sql("INSERT INTO sqlLSNs VALUES (" + id + ", " + t + ", " + d + ", '2021-03-05 " +
                        std::get<6>(row) + "', '2021-03-05 " + std::get<6>(row) + "', " +
                        std::to_string(int(std::get<1>(row))) + ", '" + std::get<2>(row) + "', '" + std::get<3>(row) +
                        "', '" + std::get<4>(row) + "', '" + std::get<5>(row) + "')"));
    }
    const struct {
        const char* what;
        unsigned long database, restored;
        unsigned long next, flags;  // what the Ostrel does not write arrives as 0
        const char* name;
    } cases[] = {
        {"log: the latest-finishing log from its end", db_, 5011, 13, 0, ""},
        {"log without successor, a later differential: full restore", db_, 5013, 0, 2, ""},
        {"log without successor or differential: up to date", db_, 5016, 0, 1, ""},
        {"full: its differential before any log", db_, 5010, 14, 0, ""},
        {"differential: no log that spans it finished after it", db_, 5014, 0, 1, ""},
        {"differential, LSNs compared as numbers", digits, 5051, 52, 0, ""},
        {"file backup: nothing decided", db_, 5017, 0, 0, ""},
        {"a name selects the set, not the number", db_, 5016, 13, 0, "set11"},
    };
    KelLastError err;
    for (const auto& c : cases) {
        unsigned long next = 0, flags = 0;
        ASSERT_TRUE(ask(c.database, c.restored, next, flags, err, c.name)) << c.what << ": " << message(err);
        EXPECT_EQ(next, c.next) << c.what;
        EXPECT_EQ(flags, c.flags) << c.what;
    }
    // A later full of another database changes nothing; of this one, a
    // full restore whatever was restored.
    unsigned long next = 0, flags = 0;
    add({{60, 'D', 3000, 3010, 3005, 2900, 700}}, digits);
    ASSERT_TRUE(ask(db_, 5016, next, flags, err));
    EXPECT_EQ(flags, 1u);
    add({{61, 'D', 3000, 3010, 3005, 2900, 700}});
    ASSERT_TRUE(ask(db_, 5011, next, flags, err));
    EXPECT_EQ(next, 0u);
    EXPECT_EQ(flags, 2u);
    // Nothing restored yet: answered without asking.
    ostrel_.stop();
    ASSERT_TRUE(ask(db_, 0, next, flags, err)) << message(err);
    EXPECT_EQ(next, 0u);
    EXPECT_EQ(flags, 99u);
}

TEST_F(HotStandbyTest, RefusedAnswers) {
    history();
    unsigned long next = 0, flags = 0;
    KelLastError err;
    EXPECT_TRUE(refused(ask(db_, 9000, next, flags, err), err, kelsql::kErrRowOperation));
    KelSQLClassProperties agent(KelSQLClientSide);
    KelSQLDatabaseLSNList list(agent, true);
    unsigned long current = 0;
    EXPECT_TRUE(refused(list.hotServerStandbyQuery(db_, 5011, current, next, "", flags), list.getLastError(),
                        kelsql::kErrOstrelSideOnly));
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLDatabaseLSNList here(ostrel, true);
    EXPECT_TRUE(refused(here.hotServerStandbyQuery(db_, 0, current, next, "", flags), here.getLastError(),
                        kelsql::kErrValueNotSet));
}

TEST_F(HotStandbyTest, TheNextSetContinuesTheLSNs) {
    // gapped: nothing begins where log 71 ends, though log 72 goes past it.
    // early: log 76 ends where full 75 ends and has nothing to apply.
    const unsigned long gapped = databaseRow("gapped"), early = databaseRow("early");
    add({{70, 'D', 100, 110, 105, 50, 0}, {71, 'L', 110, 120, 0, 105, 100}, {72, 'L', 130, 140, 0, 105, 200}},
        gapped);
    add({{75, 'D', 200, 220, 210, 50, 0}, {76, 'L', 190, 220, 0, 210, 100}, {77, 'L', 220, 230, 0, 210, 200}},
        early);
    unsigned long next = 0, flags = 0;
    KelLastError err;
    EXPECT_TRUE(refused(ask(gapped, 5071, next, flags, err), err, kelsql::kErrRowOperation));
    EXPECT_NE(message(err).find(lsn(120)), std::string::npos) << message(err);
    ASSERT_TRUE(ask(early, 5075, next, flags, err)) << message(err);
    EXPECT_EQ(next, 77u);
    EXPECT_EQ(flags, 0u);
}

}  // namespace
