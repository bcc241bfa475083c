// Backup sets leaving the catalogue when their archive files have no copy
// left or their archive group goes; and the jobs an archive manager may age.
#include "KelSQL/KelSQLErrors.h"
#include "PruneFixture.h"

using kel::test::refused;
using kel::test::scalar;
using kel::test::sql;

namespace {

class PruneRemovalTest : public kel::test::PruneTest {
protected:
    void SetUp() override {
        PruneTest::SetUp();
        history({{1, 'D', 100, 120, 110, 50, 100}, {2, 'L', 120, 130, 0, 110, 200}, {3, 'L', 130, 140, 0, 110, 300},
                 {4, 'D', 300, 320, 310, 110, 400}});
    }
    static long rowsOf(int set) {
        return static_cast<long>(scalar("SELECT (SELECT count(*) FROM sqlBackupSet WHERE id = " + n(set) +
                                        ") + (SELECT count(*) FROM sqlLSNs WHERE sqlBackupSetId = " + n(set) +
                                        ") + (SELECT count(*) FROM sqlArchiveSet WHERE sqlBackupSetId = " + n(set) + ")"));
    }
};

TEST_F(PruneRemovalTest, SetsWithoutCopiesLeaveEachInItsOwnTransaction) {
    // 101 and 104: no copy; 102: only a copy with flag 256; 103: a live copy.
    ASSERT_TRUE(sql("INSERT INTO archFileCopy (archFileId, tesselId, copyId, flags) VALUES (102, 1, 1, 256), "
                    "(103, 1, 1, 0)"));
    // Set 4's LSN row cannot be deleted: its removal fails and is undone.
    ASSERT_TRUE(sql("CREATE TRIGGER held BEFORE DELETE ON sqlLSNs WHEN old.sqlBackupSetId = 4 "
                    "BEGIN SELECT RAISE(ABORT, 'held'); END"));
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLArchivePruning p(ostrel);
    EXPECT_FALSE(p.removePrunedFiles());
    EXPECT_EQ(rowsOf(1), 0);
    EXPECT_EQ(rowsOf(4), 3);
    EXPECT_EQ(rowsOf(2) + rowsOf(3), 6);
    EXPECT_EQ(scalar("SELECT group_concat(bIsTombstoned, '') FROM (SELECT bIsTombstoned FROM sqlArchiveSet ORDER BY id)"),
              101);  // sets 2, 3, 4: marked before any removal, and kept by the undone one
    EXPECT_FALSE(ostrel.isTransactionStarted());

    ASSERT_TRUE(sql("DROP TRIGGER held"));
    ASSERT_TRUE(p.removePrunedFiles()) << message(p.getLastError());
    EXPECT_EQ(rowsOf(4), 0);
    EXPECT_EQ(sets(), 2);
    ASSERT_TRUE(p.removePrunedFiles());  // nothing left to prune

    ASSERT_TRUE(sql("DROP TABLE archFileCopy"));
    EXPECT_TRUE(refused(p.removePrunedFiles(), p.getLastError(), kelsql::kErrRowOperation));
}

TEST_F(PruneRemovalTest, ArchiveGroupOfTwoClients) {
    // Beta's database with set 5 on group 2, beside alpha's sets 2 and 3.
    const unsigned long betaInstance = instance(beta_, 70, "BETA\\SQL1");
    ASSERT_TRUE(sql("INSERT INTO sqlServer(instanceId, tesselId, serverName, flags, clientId) VALUES (" +
                    n(betaInstance) + ", " + n(tessel_) + ", 'BETA\\SQL1', 0, " + n(beta_) + ")"));
    unsigned long appId = 0;
    ASSERT_EQ(0, admin_.createApplication(beta_, 70, "BETA\\SQL1", "bdb", "default", appId));
    ApplicationId app(std::to_string(appId));
    const unsigned long betaDb = app.getBackupSet()->getId();
    ASSERT_TRUE(sql("INSERT INTO sqlDatabase(backupSetId, tesselId, sqlServerId, databaseName) VALUES (" + n(betaDb) +
                    ", " + n(tessel_) + ", " + n(betaInstance) + ", 'bdb')"));
    add({{5, 'D', 100, 120, 110, 50, 100}}, betaDb);
    archive(5, 205, 2);
    ASSERT_TRUE(sql("UPDATE sqlArchiveSet SET archiveGroup = 2 WHERE sqlBackupSetId IN (2, 3)"));
    captureLog();
    KelSQLClassProperties ostrel(KelSQLServerSide), agent(KelSQLClientSide);
    KelSQLArchivePruning p(ostrel), onAgent(agent);
    EXPECT_TRUE(refused(onAgent.deleteArchiveGroup(tessel_, 2), onAgent.getLastError(), kelsql::kErrOstrelSideOnly));
    EXPECT_TRUE(refused(p.deleteArchiveGroup(tessel_, 2), p.getLastError(), kelsql::kErrTranRequired));
    EXPECT_TRUE(refused(p.deleteArchiveGroup(tessel_, 0), p.getLastError(), kelsql::kErrValueNotSet));
    ASSERT_TRUE(ostrel.startTransaction());
    ASSERT_TRUE(p.deleteArchiveGroup(tessel_, 2)) << message(p.getLastError());
    ASSERT_TRUE(ostrel.commitTransaction());
    EXPECT_EQ(rowsOf(2) + rowsOf(3) + rowsOf(5), 0);
    EXPECT_EQ(sets(), 2);
    KelDebug::setSink({});
    long switches = 0;
    for (const std::string& l : lines_) switches += l.find("remote SQL host") != std::string::npos;
    EXPECT_EQ(switches, 2);  // once per client, not once per set
}

TEST_F(PruneRemovalTest, JobsByTheirArchiveFiles) {
    // Job kJobId (above 2^32) wrote full 1, jobs 12 and 13 its logs, job 14
    // full 4; job 99's file is not in the catalogue.
    const long j1 = static_cast<int32_t>(static_cast<uint32_t>(kJobId));
    archFile(101, j1, kBase + 100, 1);
    archFile(102, 12, kBase + 200, 2);
    archFile(103, 13, kBase + 300, 2);
    archFile(104, 14, kBase + 400, 1);
    archFile(900, 99, kBase + 500, 1);
    ASSERT_TRUE(sql("INSERT INTO archFile (id, name, tesselId, archGroupId, cTime, jobId, isValid) VALUES (105, 'f', " +
                    n(tessel_) + ", 1, 0, " + n(static_cast<int32_t>(kJobId >> 32)) + ", 1)"));  // the high half only
    KelSQLClassProperties ostrel(KelSQLServerSide);
    const uint64_t low = static_cast<uint32_t>(kJobId);
    const struct {
        const char* what;
        uint64_t job, before;
        bool ok, prunable;
        uint64_t blocking;
    } cases[] = {
        {"every file older", kJobId, kBase + 1000, true, true, 13},
        {"a file created at the time", kJobId, kBase + 200, true, false, 12},
        {"a time past 2^31 reads negative", kJobId, 0x80000000ull + kBase, true, false, low},
        {"only the low 32 bits of the time count", kJobId, (1ull << 32) + kBase + 1000, true, true, 13},
        {"a log's job", 12, kBase + 1000, true, false, 12},
        {"an unknown archive", 99, kBase, true, true, 0},
        {"no archive file", 77, kBase, false, false, 0},
    };
    for (const auto& c : cases) {
        KelSQLArchivePruning p(ostrel);
        bool prunable = !c.prunable;
        uint64_t job = 0, tessel = 0;
        EXPECT_EQ(p.isJobPrunable(c.job, tessel_, c.before, prunable, job, tessel), c.ok) << c.what;
        if (!c.ok) continue;
        EXPECT_EQ(prunable, c.prunable) << c.what;
        EXPECT_EQ(job, c.blocking) << c.what;
        EXPECT_EQ(tessel, c.blocking ? tessel_ : 0) << c.what;
    }
    KelSQLArchivePruning p(ostrel);
    std::vector<KelSQLJobInfo_t> chain;
    ASSERT_TRUE(p.formRestoreChains(kJobId, tessel_, chain)) << message(p.getLastError());
    ASSERT_TRUE(p.formRestoreChains(99, tessel_, chain));
    std::vector<std::vector<int64_t>> got;
    for (const auto& j : chain) got.push_back({int64_t(j.jobId), int64_t(j.tesselId), j.cTime, j.backupLevel});
    const int64_t t = tessel_;
    EXPECT_EQ(got, (std::vector<std::vector<int64_t>>{{int64_t(low), t, kBase + 100, 1},
                                                       {12, t, kBase + 200, 2},
                                                       {13, t, kBase + 300, 2},
                                                       {99, t, 0, 0}}));
}

TEST_F(PruneRemovalTest, AJobsLogPastAGapLeavesTheChainToOlderLogs) {
    // Log 5 of full 1 begins past where log 3 ends: no server restores it,
    // so full 1's chain is the one log 3 ends.
    history({{5, 'L', 150, 160, 0, 110, 500}});
    const long j1 = static_cast<int32_t>(static_cast<uint32_t>(kJobId));
    archFile(101, j1, kBase + 100, 1);
    archFile(102, 12, kBase + 200, 2);
    archFile(103, 13, kBase + 300, 2);
    archFile(105, 15, kBase + 500, 2);
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLDatabaseLSNList broken(ostrel, false);
    ASSERT_TRUE(refused(broken.query(5), broken.getLastError(), kelsql::kErrRowOperation));
    // The full's job ages with its logs up to log 3, the last of its chain.
    KelSQLArchivePruning p(ostrel);
    bool prunable = false;
    uint64_t job = 0, tessel = 0;
    ASSERT_TRUE(p.isJobPrunable(kJobId, tessel_, kBase + 1000, prunable, job, tessel)) << message(p.getLastError());
    EXPECT_TRUE(prunable);
    EXPECT_EQ(job, 13u);
}

}  // namespace
