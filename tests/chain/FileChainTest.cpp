// File and file-group chains over real rows, and the dispatch of every
// restore type from an agent over a real dispatcher.
#include "ChainFixture.h"
#include "KelSQL/KelSQLErrors.h"

using kel::test::refused;

namespace {

using Ids = std::vector<uint64_t>;

class FileChainTest : public kel::test::ChainTest {
protected:
    // File backup 61 of subclient 5 lies inside log 64's LSN range; file
    // differential 62 is of subclient 7, 63 of none.
    void SetUp() override {
        ChainTest::SetUp();
        add({{60, 'D', 990, 1000, 1000, 950, 100}, {61, 'F', 1010, 1015, 0, 1000, 200, kV9, 5},
             {63, 'G', 1012, 1018, 0, 1000, 350}, {62, 'G', 1012, 1019, 0, 1000, 380, kV9, 7},
             {64, 'L', 1000, 1020, 0, 1000, 400}, {65, 'L', 1020, 1030, 0, 1000, 500}});
    }

    // The answer to a request of type for set, with time seconds after kBase.
    uint64_t ask(KelSQLClassProperties& agent, uint32_t type, unsigned long set, long time, Ids& ids) {
        KelNetSQLBSIdList m(agent, false);
        KelNetSQLBSIdListReq_t* req = m.requestMessage(true);
        req->RestoreType = type;
        req->SqlBackupSetId = set;
        req->SqlDatabaseId = db_;
        req->RestoreTime = time ? static_cast<uint64_t>(kBase + time) : 0;
        KelLastError err;
        const bool ok = m.exchange(err);
        const KelNetSQLBSIdListRsp_t* rsp = m.responseMessage(false);
        ids.assign(rsp->SqlBackupSetId, rsp->SqlBackupSetId + rsp->TotalCount);
        if (ok) {
            EXPECT_EQ(rsp->RestoreByteSize, sizeOf(ids)) << type;
        }
        return ok ? 0 : err.number();
    }
};

TEST_F(FileChainTest, FileChainsHere) {
    const unsigned long legacy = databaseRow("legacy");
    add({{70, 'D', 90, 100, 100, 50, 100, kV7}, {71, 'F', 100, 105, 0, 100, 200, kV7},
         {72, 'L', 95, 110, 0, 100, 300, kV7}}, legacy);
    KelSQLClassProperties ostrel(KelSQLServerSide);
    const struct {
        const char* what;
        unsigned long set;
        KelNetSQLRestoreType type;
        unsigned long database;
        long time;
        Ids chain;
        uint64_t error;
    } cases[] = {
        {"file backup, the differential of no subclient, the logs", 61, KelNetSQLRestoreTypeFile, 0, 0,
         {61, 63, 64, 65}, 0},
        {"point in time inside log 64", 61, KelNetSQLRestoreTypeFFGPointInTime, 0, 420, {61, 63, 64}, 0},
        {"the newest backup by the time is not a log", 61, KelNetSQLRestoreTypeFileGroup, 0, 420, {},
         kelsql::kErrRestoreChain},
        {"a file differential is never reached", 63, KelNetSQLRestoreTypeFile, 0, 0, {}, 0x1E000031},
        {"SQL Server 7", 71, KelNetSQLRestoreTypeFile, legacy, 0, {}, kelsql::kErrRestoreChain2},
    };
    for (const auto& c : cases) {
        KelSQLDatabaseLSNList list(ostrel, false);
        const bool ok =
            list.query(c.set, c.type, c.database ? c.database : db_,
                       c.time ? static_cast<unsigned long>(kBase + c.time) : 0, true);
        if (c.error == 0x1E000031) {
            EXPECT_FALSE(ok) << c.what;  // false, no error of its own
            EXPECT_EQ(list.getLastError().number(), 0u) << c.what;
        } else if (c.error) {
            EXPECT_TRUE(refused(ok, list.getLastError(), c.error)) << c.what;
        } else {
            ASSERT_TRUE(ok) << c.what << ": " << message(list.getLastError());
            EXPECT_EQ(*list.getBSIdList(), c.chain) << c.what;
            EXPECT_EQ(list.restoreByteSize(), sizeOf(c.chain)) << c.what;
        }
    }
}

TEST_F(FileChainTest, DispatchOfEveryRestoreType) {
    KelSQLClassProperties agent(KelSQLClientSide);
    const struct {
        uint32_t type;
        unsigned long set;
        long time;
        Ids chain;
        uint64_t error;
    } cases[] = {
        {KelNetSQLRestoreTypePointInTime, 0, 420, {60, 64}, 0},
        {KelNetSQLRestoreTypeDiscreteTime, 0, 451, {60, 64}, 0},
        {KelNetSQLRestoreTypeDBBackupSet, 65, 0, {60, 64, 65}, 0},
        {KelNetSQLRestoreTypeFileGroup, 61, 0, {61, 63, 64, 65}, 0},
        {KelNetSQLRestoreTypeFile, 61, 420, {}, kelsql::kErrRestoreChain},
        {KelNetSQLRestoreTypeFFGPointInTime, 61, 420, {61, 63, 64}, 0},
        {KelNetSQLRestoreTypeFFGStopAtMark, 61, 420, {61, 63, 64}, 0},
        {KelNetSQLRestoreTypeFFGStopBeforeMark, 61, 420, {61, 63, 64}, 0},
        {KelNetSQLRestoreTypeDBStepRestore, 65, 0, {}, 0},
        {KelNetSQLRestoreTypeRecoverOnly, 65, 0, {}, 0},
        {KelNetSQLRestoreTypeHotServer, 65, 0, {}, 0},
        {KelNetSQLRestoreTypeStopAtMark, 65, 0, {}, 0},
    };
    for (const auto& c : cases) {
        Ids ids;
        EXPECT_EQ(ask(agent, c.type, c.set, c.time, ids), c.error) << c.type;
        EXPECT_EQ(ids, c.chain) << c.type;
    }
    // Only the handler's object dispatches.
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLDatabaseLSNList notHandler(ostrel, false);
    KelNetSQLBSIdListReq_t req{};
    KelNetSQLBSIdListRsp_t rsp{};
    EXPECT_TRUE(refused(notHandler.query(&req, &rsp), notHandler.getLastError(), kelsql::kErrNoSide));
}

}  // namespace
