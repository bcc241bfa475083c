// Recording a backup from the agent over a real Ostrel dispatcher and
// catalogue, and finding it again.
#include "BackupFixture.h"

using kel::test::grown;
using kel::test::refused;
using kel::test::rowCounts;
using kel::test::scalar;
using kel::test::text;

namespace {

class BackupSetTest : public kel::test::BackupTest {
protected:
    std::string where(unsigned long id) const { return " FROM sqlBackupSet WHERE id = " + std::to_string(id); }

    // The tables a recorded backup writes.
    static kel::test::RowCounts recorded() { return rowCounts({"sqlBackupSet", "sqlLSNs", "sqlVersion"}); }
};

}  // namespace

TEST_F(BackupSetTest, AgentInsertStoresEveryColumnAndNewVersions) {
    KelSQLClassProperties agent(KelSQLClientSide);
    const unsigned long id = recordBackup(agent, "O'Neil full");
    ASSERT_NE(id, 0u);
    const struct {
        const char* column;
        long long value;
    } columns[] = {
        {"tesselId", static_cast<long long>(tessel_)}, {"sqlDatabaseId", static_cast<long long>(db_)},
        {"backupSetId", 41},        {"vendorId", 4608},          {"timeZone", 60},
        {"seltraStartTime", 1615125909}, {"seltraFinishTime", 1615126000}, {"compatibility", 90},
        {"dbVersion", 611},         {"mediaSetId", 12},          {"streams", 2},
        {"jobId_h", 5},             {"jobId_l", -2147483647},    {"sqlFileSubClientId", 9},
    };
    for (const auto& c : columns) EXPECT_EQ(scalar(std::string("SELECT ") + c.column + where(id)), c.value) << c.column;
    EXPECT_EQ(text("SELECT name || '|' || description || '|' || userName || '|' || backupSize" + where(id)),
              "O'Neil full|nightly|sa|1048576");
    // Both versions were new: one row each, named by the set.
    EXPECT_EQ(scalar("SELECT count(*) FROM sqlVersion"), 2);
    EXPECT_EQ(scalar("SELECT v.build FROM sqlVersion v JOIN sqlBackupSet b ON v.id = b.sqlVersionId" + std::string(
                                                                                              " WHERE b.id = ") +
                     std::to_string(id) + " AND v.type = 1 AND v.major = 9"),
              1399);
    EXPECT_EQ(scalar("SELECT v.minor FROM sqlVersion v JOIN sqlBackupSet b ON v.id = b.mtfVersionId WHERE b.id = " +
                     std::to_string(id) + " AND v.type = 2"),
              2);
    EXPECT_EQ(text("SELECT lastLSN FROM sqlLSNs WHERE sqlBackupSetId = " + std::to_string(id)), "34000000000000009");
    // The job id joins back whole, its low half unsigned.
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLBackupSet read(ostrel, false);
    ASSERT_TRUE(read.query(id)) << message(read.getLastError());
    EXPECT_EQ(read.jobId(), kJobId);
    EXPECT_EQ((read.sqlVersion().major)(), 9u);
    EXPECT_EQ(read.getMediaSet().streams(), 2u);
}

TEST_F(BackupSetTest, RefusalsWriteNothing) {
    KelSQLClassProperties agent(KelSQLClientSide);
    const unsigned long id = recordBackup(agent, "full");
    ASSERT_NE(id, 0u);
    KelNetSQLDBTransaction* t = agent.getNetworkDBTransaction();
    const struct {
        const char* what;
        std::string name;
        std::string lastLSN;
        bool transaction;
        uint64_t error;
    } cases[] = {
        {"name taken in the database", "FULL", "34000000000000010", true, kelsql::kErrBackupSetExists},
        {"no transaction on the Ostrel", "log", "34000000000000010", false, kelsql::kErrTranRequired},
        // The set's row is stored, then its LSN row refused: the rollback takes both.
        {"LSN longer than its column", "log", std::string(33, '9'), true, kelsql::kErrValueNotSet},
    };
    for (const auto& c : cases) {
        KelSQLBackupSet set(agent, false);
        set.copyFromNetwork(record(c.name));
        fillLSN(set.getLSN(), 'L', "34000000000000010", c.lastLSN);
        if (c.transaction) {
            ASSERT_TRUE(t->startTransaction());
        }
        EXPECT_TRUE(refused(set.insert(tessel_, db_), set.getLastError(), c.error)) << c.what;
        if (c.transaction) {
            ASSERT_TRUE(t->rollbackTransaction());
        }
        EXPECT_EQ(scalar("SELECT count(*) FROM sqlBackupSet"), 1) << c.what;
        EXPECT_EQ(scalar("SELECT count(*) FROM sqlLSNs"), 1) << c.what;
    }
    // A second LSN row for a set.
    KelSQLLSN lsn(agent, false);
    fillLSN(lsn, 'D', "1", "2");
    ASSERT_TRUE(t->startTransaction());
    EXPECT_TRUE(refused(lsn.insert(tessel_, db_, id), lsn.getLastError(), kelsql::kErrBackupSetExists));
    ASSERT_TRUE(t->rollbackTransaction());
    EXPECT_EQ(text("SELECT firstLSN FROM sqlLSNs"), "34000000000000001");
}

TEST_F(BackupSetTest, SetsAreFoundByIdNameAndNumber) {
    KelSQLClassProperties agent(KelSQLClientSide);
    const unsigned long id = recordBackup(agent, "O'Neil full");
    ASSERT_NE(id, 0u);
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLBackupSet set(ostrel, false);
    const std::pair<const char*, bool> found[] = {
        {"by id", set.query(id)},
        {"by name", set.query(db_, std::string("O'Neil full"))},
        {"by agent number", set.query(db_, 41ul)},
    };
    for (const auto& f : found) {
        EXPECT_TRUE(f.second) << f.first;
        EXPECT_EQ(set.sqlId(), id) << f.first;
    }
    EXPECT_TRUE(refused(set.query(db_, std::string("O'Neil")), set.getLastError(), kelsql::kErrRowOperation));
    EXPECT_EQ(set.sqlCode(), 100);
    EXPECT_TRUE(refused(set.query(0ul), set.getLastError(), kelsql::kErrValueNotSet, "sqlBackupSetId"));
    // The agent reads the set, then its LSN row by a second request.
    KelSQLBackupSet remote(agent, false);
    ASSERT_TRUE(remote.query(id)) << message(remote.getLastError());
    EXPECT_EQ(remote.name(), "O'Neil full");
    EXPECT_EQ(remote.sqlFileSubClientId(), 9u);
    EXPECT_EQ(remote.getLSN().last(), "34000000000000009");
    EXPECT_EQ(remote.getLSN().backupType(), static_cast<uint64_t>('L'));
    EXPECT_TRUE(refused(remote.query(db_, 41ul), remote.getLastError(), kelsql::kErrOstrelSideOnly));
}

TEST_F(BackupSetTest, SnapshotBackupIsNamedByItsStartTime) {
    KelSQLClassProperties agent(KelSQLClientSide);
    KelSQLBackupSet fresh(agent, false);
    EXPECT_TRUE(refused(fresh.insert(tessel_, db_), fresh.getLastError(), kelsql::kErrInsert));
    KelSQLBackupSet set(agent, false);
    ASSERT_TRUE(set.initializeForVSS(77, 1615125909, 1615126000, 3));
    EXPECT_EQ(set.name(), "VSSJob03-07-2021 14:05:09");
    EXPECT_TRUE(set.getMediaSet().query(7)) << "the agent loads no media set";
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLMediaSet media(ostrel);
    EXPECT_TRUE(refused(media.query(7), media.getLastError(), kelsql::kErrAgentSideOnly));
    ASSERT_TRUE(agent.getNetworkDBTransaction()->startTransaction());
    ASSERT_TRUE(set.insert(tessel_, db_)) << message(set.getLastError());
    ASSERT_TRUE(agent.getNetworkDBTransaction()->commitTransaction());
    EXPECT_EQ(scalar("SELECT seltraStartTime + seltraFinishTime" + where(set.sqlId())), 0);
    EXPECT_EQ(scalar("SELECT streams" + where(set.sqlId())), 3);
    EXPECT_EQ(text("SELECT backupType || firstLSN || startTime FROM sqlLSNs"), "1000" "2021-03-07 14:05:09");
}

TEST_F(BackupSetTest, AnLSNRefusedAfterItsSetLeavesNothingAndTheMendedSetCommitsWhole) {
    KelSQLClassProperties agent(KelSQLClientSide);
    KelNetSQLDBTransaction* t = agent.getNetworkDBTransaction();
    const kel::test::RowCounts before = recorded();
    KelSQLBackupSet set(agent, false);
    set.copyFromNetwork(record("log"));
    fillLSN(set.getLSN(), 'L', "34000000000000010", std::string(KelSQLLSN::kLSNMax + 1, '9'));
    ASSERT_TRUE(t->startTransaction());
    EXPECT_TRUE(refused(set.insert(tessel_, db_), set.getLastError(), kelsql::kErrValueNotSet, "lastLSN"));
    ASSERT_TRUE(t->commitTransaction());
    EXPECT_EQ(recorded(), before);

    ASSERT_TRUE(t->startTransaction());
    EXPECT_FALSE(set.insert(tessel_, db_));
    set.getLSN().setLast("34000000000000019");
    ASSERT_TRUE(set.insert(tessel_, db_)) << message(set.getLastError());
    ASSERT_TRUE(t->commitTransaction());
    EXPECT_EQ(recorded(), grown(before, {{"sqlBackupSet", 1}, {"sqlLSNs", 1}, {"sqlVersion", 2}}));
    EXPECT_EQ(text("SELECT lastLSN FROM sqlLSNs WHERE sqlBackupSetId = " + std::to_string(set.sqlId())),
              "34000000000000019");
}

// A refusal no check on the agent foresees: the Ostrel's catalogue turns the
// LSN row down after it stored the set.
TEST_F(BackupSetTest, AnLSNRowTheOstrelCannotStoreTakesItsSetBack) {
    ASSERT_TRUE(kel::test::refuseInserts("sqlLSNs", "NEW.firstLSN = '66'"));
    KelSQLClassProperties agent(KelSQLClientSide);
    KelNetSQLDBTransaction* t = agent.getNetworkDBTransaction();
    const kel::test::RowCounts before = recorded();
    KelSQLBackupSet set(agent, false);
    set.copyFromNetwork(record("log"));
    fillLSN(set.getLSN(), 'L', "66", "34000000000000019");
    ASSERT_TRUE(t->startTransaction());
    EXPECT_TRUE(refused(set.insert(tessel_, db_), set.getLastError(), kelsql::kErrRowOperation));
    set.getLSN().setFirst("34000000000000010");
    ASSERT_TRUE(set.insert(tessel_, db_)) << message(set.getLastError());
    ASSERT_TRUE(t->commitTransaction());
    EXPECT_EQ(recorded(), grown(before, {{"sqlBackupSet", 1}, {"sqlLSNs", 1}, {"sqlVersion", 2}}));
    EXPECT_EQ(scalar("SELECT count(*) FROM sqlBackupSet b JOIN sqlLSNs l ON l.sqlBackupSetId = b.id"), 1);
}

TEST_F(BackupSetTest, VersionRowsMadeForASetTheOstrelCannotStoreGoWithIt) {
    ASSERT_TRUE(kel::test::refuseInserts("sqlBackupSet", "NEW.name = 'boom'"));
    KelSQLClassProperties ostrel(KelSQLServerSide);
    const kel::test::RowCounts before = recorded();
    KelNetSQLBackupSet2_t request = record("boom");
    request.BackupSet.TesselId = tessel_;
    request.BackupSet.SqlDatabaseId = db_;
    KelNetSQLBackupSet2_t response{};
    KelSQLBackupSet set(ostrel, true);
    ASSERT_TRUE(ostrel.startTransaction());
    EXPECT_TRUE(refused(set.insert(request, response), set.getLastError(), kelsql::kErrRowOperation));
    ASSERT_TRUE(ostrel.commitTransaction());
    EXPECT_EQ(recorded(), before);
}
