// Restore chains of a backup set, a point in time, a discrete time and a
// browse time over real catalogue rows, here on the Ostrel and from an agent
// over a real dispatcher.
#include <sqlite3.h>

#include "ChainFixture.h"
#include "Db/Tbl/sqlLSNs.h"
#include "KelSQL/KelSQLErrors.h"
#include "platform/db/DBEngine.h"

using kel::test::refused;
using kel::test::sql;

namespace {

using Ids = std::vector<uint64_t>;

class RestoreChainTest : public kel::test::ChainTest {
protected:
    // The full (checkpoint 110), logs linked by LSN, two differentials; log 7
    // does not link to anything; set 11 is of an unknown version, set 12 a
    // file backup.
    void SetUp() override {
        ChainTest::SetUp();
        add({{1, 'D', 100, 120, 110, 50, 100},  {2, 'L', 120, 130, 0, 110, 200}, {3, 'L', 130, 140, 0, 110, 300},
             {4, 'I', 135, 150, 145, 110, 400}, {5, 'L', 140, 150, 0, 110, 500}, {6, 'L', 150, 160, 0, 110, 600},
             {7, 'L', 155, 158, 0, 110, 700},   {8, 'L', 160, 170, 0, 110, 800}, {9, 'I', 170, 175, 172, 110, 900},
             {10, 'L', 170, 180, 0, 110, 1000}, {11, 'L', 180, 190, 0, 110, 1100, kV10},
             {12, 'F', 180, 185, 0, 110, 1150}});
    }
    static long at(long offset) { return kBase + offset; }
};

TEST_F(RestoreChainTest, ChainOfABackupSet) {
    const unsigned long hr = databaseRow("hr"), ops = databaseRow("ops"), v7 = databaseRow("legacy"),
                        loop = databaseRow("loop");
    // hr: the full of logs 23 and 24 (checkpoint 320) is missing; older logs
    // lead to full 20. ops: no log ends where 31 begins. loop: a log whose
    // first and last LSN are equal. legacy: SQL Server 7, its log names the
    // full by its last LSN, and an older full has that LSN as checkpoint.
    add({{20, 'D', 290, 300, 300, 250, 100}, {21, 'L', 300, 310, 0, 300, 200}, {22, 'L', 310, 320, 0, 300, 300},
         {23, 'L', 320, 330, 0, 320, 400}, {24, 'L', 330, 340, 0, 320, 500}}, hr);
    add({{30, 'D', 390, 410, 400, 350, 100}, {31, 'L', 500, 510, 0, 450, 200}}, ops);
    add({{40, 'D', 590, 610, 600, 550, 100}, {41, 'L', 700, 700, 0, 650, 200}}, loop);
    add({{49, 'D', 790, 825, 820, 750, 50, kV7}, {50, 'D', 800, 820, 810, 750, 100, kV7},
         {51, 'L', 820, 830, 0, 820, 200, kV7}}, v7);
    KelSQLClassProperties ostrel(KelSQLServerSide);
    const struct {
        const char* what;
        unsigned long target;
        Ids chain;
        uint64_t error;
    } cases[] = {
        {"a full alone", 1, {1}, 0},
        {"logs before the differential", 3, {1, 2, 3}, 0},
        {"a differential", 4, {1, 4}, 0},
        // Log 5 ends where differential 4 ends: nothing of it is applied.
        {"one differential, the logs before it passed over, logs 5 and 7 left out", 8, {1, 4, 6, 8}, 0},
        {"the newest differential only", 10, {1, 9, 10}, 0},
        {"missing full reached through older logs", 24, {20, 21, 22, 23, 24}, 0},
        {"missing full, the newest older full ends before the log begins", 31, {}, kelsql::kErrRowOperation},
        {"a log that matches itself, past the older full's end", 41, {}, kelsql::kErrRowOperation},
        {"a log that links to nothing after the differential", 7, {}, kelsql::kErrRowOperation},
        {"SQL Server 7: the full by its last LSN", 51, {50, 51}, 0},
        {"a set of an unknown version", 11, {}, kelsql::kErrUnsupportedVersion},
        {"a file backup", 12, {}, kelsql::kErrRowOperation},
        {"no such set", 99, {}, kelsql::kErrRowOperation},
    };
    for (const auto& c : cases) {
        KelSQLDatabaseLSNList list(ostrel, false);
        const bool ok = list.query(c.target);
        if (c.error) {
            EXPECT_TRUE(refused(ok, list.getLastError(), c.error)) << c.what;
            continue;
        }
        ASSERT_TRUE(ok) << c.what << ": " << message(list.getLastError());
        EXPECT_EQ(*list.getBSIdList(), c.chain) << c.what;
        EXPECT_EQ(list.restoreByteSize(), sizeOf(c.chain)) << c.what;
        EXPECT_EQ(list.lastSqlBackupSetId(), c.target) << c.what;
    }
}

TEST_F(RestoreChainTest, ChainsChosenByTime) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    const struct {
        const char* what;
        KelSQLTimeType type;
        long time;
        Ids chain;
        KelSQLTimeType typeAfter;
    } cases[] = {
        {"point in time inside log 8", KelSQLTimeTypePointInTime, at(820), {1, 4, 6, 8}, KelSQLTimeTypeNone},
        // Differential 9 finished at 950, after the time: the older one is used.
        {"point in time between logs", KelSQLTimeTypePointInTime, at(940), {1, 4, 6, 8, 10},
         KelSQLTimeTypePointInTime},
        {"discrete time at a finish", KelSQLTimeTypeDiscreteTime, at(750), {1, 4, 6}, KelSQLTimeTypeNone},
        {"discrete time after a finish", KelSQLTimeTypeDiscreteTime, at(851), {1, 4, 6, 8}, KelSQLTimeTypeNone},
    };
    for (const auto& c : cases) {
        KelSQLDatabaseLSNList list(ostrel, false);
        ASSERT_TRUE(list.query(nullptr, db_, static_cast<unsigned long>(c.time), c.type))
            << c.what << ": " << message(list.getLastError());
        EXPECT_EQ(*list.getBSIdList(), c.chain) << c.what;
        EXPECT_EQ(list.restoreTimeType(), c.typeAfter) << c.what;
    }
    KelSQLDatabaseLSNList late(ostrel, false), early(ostrel, false);
    EXPECT_TRUE(refused(late.query(nullptr, db_, at(5000), KelSQLTimeTypePointInTime), late.getLastError(),
                        kelsql::kErrRowOperation));
    EXPECT_TRUE(refused(early.query(nullptr, db_, at(10), KelSQLTimeTypeDiscreteTime), early.getLastError(),
                        kelsql::kErrRowOperation));
    // Browse: the newest backup finished by the time, its chain newest first
    // with the agent's numbers.
    KelSQLDatabaseLSNList browse(ostrel, false);
    ASSERT_TRUE(browse.query(nullptr, db_, static_cast<unsigned long>(at(1060)))) << message(browse.getLastError());
    const auto& items = browse.browseItems();
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].sqlBackupSetId, 10u);
    EXPECT_EQ(items[0].backupSetId, 5010u);
    EXPECT_EQ(items[0].finishTime, static_cast<uint64_t>(at(1050)));
    EXPECT_EQ(items[1].backupType, 'I');
    EXPECT_EQ(items[2].sqlBackupSetId, 1u);
    // The full a browse time depends on, and none before the first backup.
    SqlLSNs_t row;
    ASSERT_TRUE(browse.getLSNRecordForLastFull(nullptr, db_, static_cast<unsigned long>(at(860)), row));
    EXPECT_EQ(row.sqlBackupSetId, 1);
    EXPECT_FALSE(browse.getLSNRecordForLastFull(nullptr, db_, static_cast<unsigned long>(at(10)), row));
}

TEST_F(RestoreChainTest, JobBasedPruningSelectsByLSN) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLDatabaseLSNList full(ostrel, false);
    ASSERT_TRUE(full.queryForJobBasedPruning(1)) << message(full.getLastError());
    EXPECT_EQ(*full.getBSIdList(), (Ids{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
    // A differential: itself and the later sets sharing its checkpoint LSN.
    KelSQLDatabaseLSNList differential(ostrel, false);
    ASSERT_TRUE(differential.queryForJobBasedPruning(9)) << message(differential.getLastError());
    EXPECT_EQ(*differential.getBSIdList(), (Ids{9}));
    KelSQLClassProperties agent(KelSQLClientSide);
    KelSQLDatabaseLSNList refusedHere(agent, false);
    EXPECT_TRUE(refused(refusedHere.queryForJobBasedPruning(1), refusedHere.getLastError(),
                        kelsql::kErrOstrelSideOnly));
}

TEST_F(RestoreChainTest, AgentAsksTheOstrel) {
    KelSQLClassProperties agent(KelSQLClientSide);
    KelSQLDatabaseLSNList bySet(agent, false), byTime(agent, false);
    ASSERT_TRUE(bySet.query(8)) << message(bySet.getLastError());
    EXPECT_EQ(*bySet.getBSIdList(), (Ids{1, 4, 6, 8}));
    EXPECT_EQ(bySet.restoreByteSize(), sizeOf({1, 4, 6, 8}));
    ASSERT_TRUE(byTime.query(nullptr, db_, static_cast<unsigned long>(at(940)), KelSQLTimeTypePointInTime))
        << message(byTime.getLastError());
    EXPECT_EQ(*byTime.getBSIdList(), (Ids{1, 4, 6, 8, 10}));
    KelSQLDatabaseLSNList bad(agent, false);
    EXPECT_TRUE(refused(bad.query(12), bad.getLastError(), kelsql::kErrRowOperation));

    // A full and 1800 linked logs: 1799 sets travel whole, 1800 do not.
    const unsigned long big = databaseRow("big");
    add({{100, 'D', 0, 5, 5, 1, 0}}, big);
    const std::string n = "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1800) ";
    const std::string db = std::to_string(big), t = std::to_string(tessel_);
    ASSERT_TRUE(sql(n + "INSERT INTO sqlBackupSet (id, tesselId, sqlDatabaseId, name, sqlVersionId, mtfVersionId, "
                        "backupSize) SELECT 100 + i, " + t + ", " + db + ", 'log' || i, 1, 1, '1' FROM n"));
    ASSERT_TRUE(sql(n + "INSERT INTO sqlLSNs SELECT 100 + i, " + t + ", " + db +
                    ", datetime(" + std::to_string(kBase) + " + i, 'unixepoch'), datetime(" + std::to_string(kBase) +
                    " + i, 'unixepoch'), 76, CAST(100000000000000000 + 10 * i - 5 AS TEXT), "
                    "CAST(100000000000000000 + 10 * i + 5 AS TEXT), '0', '" + lsn(5) + "' FROM n"));
    KelSQLDatabaseLSNList whole(agent, false);
    ASSERT_TRUE(whole.query(1898)) << message(whole.getLastError());
    EXPECT_EQ(whole.getBSIdList()->size(), 1799u);
    EXPECT_EQ(whole.getBSIdList()->front(), 100u);
    KelNetSQLBSIdList tooLong(agent, false);
    tooLong.requestMessage(true)->RestoreType = KelNetSQLRestoreTypeDBBackupSet;
    tooLong.requestMessage(false)->SqlBackupSetId = 1899;
    KelLastError err;
    EXPECT_TRUE(refused(tooLong.exchange(err), err, kelsql::kErrBackupSetListFull,
                        "KelSQLDatabaseLSNList::copyToNetwork(rspBSIds)"));
    EXPECT_EQ(tooLong.responseMessage(false)->Status.Status, 1u);
    EXPECT_EQ(tooLong.responseMessage(false)->TotalCount, 0u);
}

}  // namespace

namespace {

class SameSecondChainTest : public kel::test::ChainTest {};

TEST_F(SameSecondChainTest, BackupsStartedTogetherComeInRecordedOrder) {
    // Logs 82 to 86 and differential 81 start in one second; so do logs 87
    // and 88 after it. Recorded in the agent's order.
    add({{80, 'D', 100, 120, 110, 50, 0},   {81, 'I', 120, 130, 125, 110, 100}, {82, 'L', 130, 140, 0, 110, 100},
         {83, 'L', 140, 150, 0, 110, 100},  {84, 'L', 150, 150, 0, 110, 100},   {85, 'L', 150, 160, 0, 110, 100},
         {86, 'L', 160, 170, 0, 110, 100},  {87, 'L', 170, 180, 0, 110, 300},   {88, 'L', 180, 190, 0, 110, 300}});
    KelSQLClassProperties ostrel(KelSQLServerSide), agent(KelSQLClientSide);
    const struct {
        unsigned long target;
        Ids chain;
    } cases[] = {{88, {80, 81, 82, 83, 84, 85, 86, 87, 88}}, {86, {80, 81, 82, 83, 84, 85, 86}},
                 {84, {80, 81, 82, 83, 84}}, {81, {80, 81}}};
    for (const auto& c : cases)
        for (KelSQLClassProperties* side : {&ostrel, &agent}) {
            KelSQLDatabaseLSNList list(*side, false);
            ASSERT_TRUE(list.query(c.target)) << c.target << ": " << message(list.getLastError());
            EXPECT_EQ(*list.getBSIdList(), c.chain) << c.target;
        }
    // The newest backup, by browse time, is the one recorded last.
    KelSQLDatabaseLSNList browse(ostrel, false);
    ASSERT_TRUE(browse.query(nullptr, db_, static_cast<unsigned long>(kBase + 400))) << message(browse.getLastError());
    EXPECT_EQ(*browse.getBSIdList(), (Ids{80, 81, 82, 83, 84, 85, 86, 87, 88}));
}

TEST_F(SameSecondChainTest, AGapOrALogTooEarlyIsNoChain) {
    // Log 92 begins past where 91 ends, so nothing continues from the
    // full's last LSN; log 94 ends at the full's last LSN
    // and is left out, 95 holds it.
    add({{90, 'D', 100, 110, 105, 50, 0}, {91, 'L', 110, 125, 0, 105, 100}, {92, 'L', 120, 130, 0, 105, 200}});
    const unsigned long early = databaseRow("early");
    add({{93, 'D', 300, 320, 310, 50, 0}, {94, 'L', 290, 320, 0, 310, 100}, {95, 'L', 320, 330, 0, 310, 200}}, early);
    KelSQLClassProperties ostrel(KelSQLServerSide), agent(KelSQLClientSide);
    for (KelSQLClassProperties* side : {&ostrel, &agent}) {
        KelSQLDatabaseLSNList gap(*side, false), tooEarly(*side, false), onlyEarly(*side, false);
        EXPECT_TRUE(refused(gap.query(92), gap.getLastError(), kelsql::kErrRowOperation));
        EXPECT_NE(message(gap.getLastError()).find(lsn(110)), std::string::npos) << message(gap.getLastError());
        ASSERT_TRUE(tooEarly.query(95)) << message(tooEarly.getLastError());
        EXPECT_EQ(*tooEarly.getBSIdList(), (Ids{93, 95}));
        EXPECT_TRUE(refused(onlyEarly.query(94), onlyEarly.getLastError(), kelsql::kErrRowOperation));
    }
}

}  // namespace

namespace {

class LongChainTest : public kel::test::ChainTest {};

// SQLite as it ships takes at most this many values in one statement (a
// build may allow more): the chain is longer, and is read on a connection
// held to that limit.
constexpr int kStockVariableLimit = 32766;

TEST_F(LongChainTest, BrowseReadsAChainLongerThanAStatementTakesValues) {
    const int first = 1000, sets = kStockVariableLimit + 234;
    const unsigned long database = databaseRow("long");
    ASSERT_NO_FATAL_FAILURE(addOneChain(first, sets, database));
    KelSQLClassProperties ostrel(KelSQLServerSide);
    ASSERT_TRUE(ostrel.startTransaction());
    sqlite3* db = ostrel.getDBTransaction()->tranConnection()->db();
    const int limit = sqlite3_limit(db, SQLITE_LIMIT_VARIABLE_NUMBER, kStockVariableLimit);
    KelSQLDatabaseLSNList browse(ostrel, false);
    const bool answered = browse.query(nullptr, database, static_cast<unsigned long>(kBase + 100 * (sets - 1) + 60));
    sqlite3_limit(db, SQLITE_LIMIT_VARIABLE_NUMBER, limit);
    ASSERT_TRUE(ostrel.rollBackTransaction());
    ASSERT_TRUE(answered) << message(browse.getLastError());

    // The full and every log, oldest first; newest first as items, each with
    // the agent's number of its set, its finish and its type.
    Ids chain;
    for (int i = 0; i < sets; ++i) chain.push_back(static_cast<uint64_t>(first + i));
    EXPECT_EQ(*browse.getBSIdList(), chain);
    EXPECT_EQ(browse.restoreByteSize(), sizeOf(chain));
    const auto& items = browse.browseItems();
    ASSERT_EQ(items.size(), static_cast<size_t>(sets));
    int wrong = -1;
    for (int k = 0; k < sets && wrong < 0; ++k) {
        const int i = sets - 1 - k;
        const KelSQLDBRestoreBackupSetItem_t& item = items[static_cast<size_t>(k)];
        if (item.sqlBackupSetId != static_cast<uint64_t>(first + i) ||
            item.backupSetId != static_cast<uint64_t>(5000 + first + i) ||
            item.finishTime != static_cast<uint64_t>(kBase + 100 * i + 50) ||
            item.backupType != (i == 0 ? 'D' : 'L'))
            wrong = k;
    }
    EXPECT_EQ(wrong, -1) << "the first wrong item";
}

}  // namespace
