// The log-only restore list over overlapping log ranges, on the Ostrel, by
// request, and on an agent that would need a connection.
#include "ChainFixture.h"
#include "KelSQL/KelNetSQLTarnLogRestore.h"
#include "KelSQL/KelSQLErrors.h"

using kel::test::refused;

namespace {

using Ids = std::vector<uint64_t>;

class LogOnlyTest : public kel::test::ChainTest {
protected:
    // Logs 81 and 82 overlap; a full between them changes nothing.
    void SetUp() override {
        ChainTest::SetUp();
        add({{80, 'D', 1990, 2000, 2000, 1900, 50}, {81, 'L', 2000, 2010, 0, 2000, 100},
             {82, 'L', 2005, 2020, 0, 2000, 200}, {83, 'L', 2020, 2030, 0, 2000, 300},
             {84, 'L', 2030, 2040, 0, 2000, 400}});
    }
};

TEST_F(LogOnlyTest, LogsThatContinueTheRange) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    const struct {
        const char* what;
        int first, last;
        unsigned long stop;
        long pit;  // seconds after kBase, 0 none
        Ids logs;
        uint64_t error;
    } cases[] = {
        {"every log from the covering one", 2008, 2009, 0, 0, {81, 82, 83, 84}, 0},
        {"up to the stop", 2008, 2009, 82, 0, {81, 82}, 0},
        {"a point in time inside log 83", 2008, 2009, 0, 320, {81, 82, 83}, 0},
        {"a point in time between logs: the next one", 2008, 2009, 0, 370, {81, 82, 83, 84}, 0},
        {"no log covers the range", 3000, 3001, 0, 0, {}, 0},
        {"nothing before nor after the point in time", 3000, 3001, 0, 900, {}, kelsql::kErrRowOperation},
    };
    for (const auto& c : cases) {
        KelNetSQLTarnLogRestore list(ostrel, true);
        const bool ok = list.query(db_, c.stop, lsn(c.first), lsn(c.last), "", "",
                                   c.pit ? static_cast<unsigned long>(kBase + c.pit) : 0);
        if (c.error) {
            EXPECT_TRUE(refused(ok, list.getLastError(), c.error)) << c.what;
            continue;
        }
        ASSERT_TRUE(ok) << c.what << ": " << message(list.getLastError());
        EXPECT_EQ(list.getBSIdList(), c.logs) << c.what;
        EXPECT_EQ(list.getBackupSize(), sizeOf(c.logs)) << c.what;
    }
    // The chain selector hands the same list on.
    KelSQLDatabaseLSNList chain(ostrel, false);
    ASSERT_TRUE(chain.setTarnLogOnlyRestoreList(db_, 82, lsn(2008), lsn(2009), "", "", 0));
    EXPECT_EQ(*chain.getBSIdList(), (Ids{81, 82}));
}

TEST_F(LogOnlyTest, ByRequestAndOnAnAgent) {
    KelSQLClassProperties agent(KelSQLClientSide);
    KelNetSQLTarnLogRestore m(agent, false);
    KelNetSQLTarnLogRestoreReq_t* req = m.requestMessage(true);
    req->SqlDatabaseId = db_;
    EXPECT_TRUE(kel::copyField(req->FirstLSN, lsn(2008)));
    EXPECT_TRUE(kel::copyField(req->LastLSN, lsn(2009)));
    req->StopSqlBackupSetId = 83;
    KelLastError err;
    ASSERT_TRUE(m.exchange(err)) << message(err);
    const KelNetSQLTarnLogRestoreRsp_t* rsp = m.responseMessage(false);
    EXPECT_EQ(Ids(rsp->SqlBackupSetId, rsp->SqlBackupSetId + rsp->TotalCount), (Ids{81, 82, 83}));
    EXPECT_EQ(rsp->RestoreByteSize, sizeOf({81, 82, 83}));
    // An agent that needs a connection sends the request itself: query does nothing.
    KelNetSQLTarnLogRestore local(agent, true);
    EXPECT_TRUE(local.query(db_, 0, lsn(2008), lsn(2009), "", "", 0));
    EXPECT_TRUE(local.getBSIdList().empty());
}

}  // namespace
