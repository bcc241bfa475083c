// Backup sets leaving the catalogue with their rows, the log marks kept
// beside them, and the removal notice an agent host receives.
#include <functional>

#include "BackupFixture.h"
#include "KelSQL/KelNetSQLDBTransaction.h"
#include "KelSQL/KelSQLLogMarkName.h"

using kel::test::refused;
using kel::test::scalar;
using kel::test::sql;
using kel::test::text;

namespace {

class BackupRemovalTest : public kel::test::BackupTest {
protected:
    void SetUp() override {
        BackupTest::SetUp();
        other_ = databaseRow("other");
        ASSERT_TRUE(sql("INSERT INTO sqlVersion(id, tesselId, type, major, minor, build) VALUES (1, " + t() +
                        ", 1, 9, 0, 1399), (7, " + t() + ", 1, 7, 0, 623)"));
        ASSERT_TRUE(sql("INSERT INTO sqlFileGroup(id, tesselId, sqlDatabaseId, groupId, fileGroupName) VALUES (1, " +
                        t() + ", " + std::to_string(db_) + ", 1, 'PRIMARY')"));
    }
    std::string t() const { return std::to_string(tessel_); }

    // A backup set of database with every kind of row (no LSN row when
    // first is empty).
    void setRows(int id, unsigned long database, const std::string& first, const std::string& last) {
        const std::string i = std::to_string(id), d = std::to_string(database);
        ASSERT_TRUE(sql("INSERT INTO sqlBackupSet(id, tesselId, sqlDatabaseId, backupSetId, mediaSetId, name, "
                        "sqlVersionId, mtfVersionId) VALUES (" + i + ", " + t() + ", " + d + ", " + i + ", 3, 'set" +
                        i + "', 1, 1)"));
        if (!first.empty()) {
            ASSERT_TRUE(sql("INSERT INTO sqlLSNs(sqlBackupSetId, tesselId, sqlDatabaseId, backupType, firstLSN, "
                            "lastLSN, checkpointLSN, fullBackupLSN) VALUES (" + i + ", " + t() + ", " + d + ", 76, '" +
                            first + "', '" + last + "', '" + first + "', '1')"));
        }
        ASSERT_TRUE(sql("INSERT INTO sqlArchiveSet(tesselId, sqlBackupSetId, mediaSetId) VALUES (" + t() + ", " + i +
                        ", 3)"));
        ASSERT_TRUE(sql("INSERT INTO sqlBackupFile(tesselId, sqlFileGroupId, sqlBackupSetId, logicalName) VALUES (" +
                        t() + ", 1, " + i + ", 'f')"));
    }
    void markRow(unsigned long database, const std::string& lsn) {
        ASSERT_TRUE(sql("INSERT INTO sqlLogMarkNames(tesselId, sqlDatabaseId, name, lsn) VALUES (" + t() + ", " +
                        std::to_string(database) + ", 'm" + lsn + "', '" + lsn + "')"));
    }
    // Rows left of each kind, then the marks' names.
    static std::string left() {
        std::string s;
        for (const char* table : {"sqlBackupSet", "sqlLSNs", "sqlArchiveSet", "sqlBackupFile"})
            s += std::to_string(scalar(std::string("SELECT count(*) FROM ") + table)) + ",";
        return s + text("SELECT group_concat(name) FROM (SELECT name FROM sqlLogMarkNames ORDER BY id)");
    }

    unsigned long other_ = 0;
};

}  // namespace

TEST_F(BackupRemovalTest, RemovalTakesEveryRowOfTheSetAndNothingElse) {
    setRows(10, db_, "900", "1100");
    setRows(11, db_, "", "");  // its LSN row is missing
    setRows(12, other_, "900", "1100");
    setRows(13, db_, "2000", "3000");
    for (const char* lsn : {"1000", "899", "2500"}) markRow(db_, lsn);
    markRow(other_, "1000");
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLBackupSet set(ostrel, false);
    // Refused before any table is touched.
    EXPECT_TRUE(refused(set.remove(10ul), set.getLastError(), kelsql::kErrTranRequired));
    EXPECT_TRUE(refused(set.databaseForceDelete(db_), set.getLastError(), kelsql::kErrTranRequired));
    // Each step in a transaction of its own: the rows are counted after commit.
    auto step = [&](const std::function<bool()>& run) {
        EXPECT_TRUE(ostrel.startTransaction());
        const bool ok = run();
        EXPECT_TRUE(ok ? ostrel.commitTransaction() : ostrel.rollBackTransaction());
        return ok ? left() : message(set.getLastError());
    };
    // As numbers "1000" lies inside 900..1100; "899" does not.
    EXPECT_EQ(step([&] { return set.remove(10ul); }), "3,2,3,3,m899,m2500,m1000");
    EXPECT_EQ(step([&] { return set.remove(10ul); }), "3,2,3,3,m899,m2500,m1000") << "a second time finds nothing";
    EXPECT_EQ(step([&] { return set.remove(11ul); }), "2,2,2,2,m899,m2500,m1000");
    EXPECT_EQ(step([&] { return set.databaseForceDelete(db_) && set.databaseForceDelete(db_); }),
              "1,1,1,1,m899,m1000");
    EXPECT_EQ(scalar("SELECT id FROM sqlBackupSet"), 12);
    KelSQLClassProperties agent(KelSQLClientSide);
    KelSQLBackupSet remote(agent, false);
    EXPECT_TRUE(refused(remote.databaseForceDelete(other_), remote.getLastError(), kelsql::kErrOstrelSideOnly));
}

TEST_F(BackupRemovalTest, MarksAreRecordedByTheAgentAndRemovedByDatabase) {
    KelSQLClassProperties agent(KelSQLClientSide);
    KelNetSQLDBTransaction* tran = agent.getNetworkDBTransaction();
    auto record = [&](unsigned long database, const std::string& name, unsigned long when) {
        KelSQLLogMarkName mark(agent, false);
        mark.setTesselId(tessel_);
        mark.setSqlDatabaseId(database);
        mark.setName(name);
        mark.setLSN("34000000000000005");
        mark.markTime().setTime(static_cast<long>(when));
        EXPECT_TRUE(tran->startTransaction());
        const bool ok = mark.networkUpdate();
        EXPECT_TRUE(ok ? tran->commitTransaction() : tran->rollbackTransaction());
        return ok ? 0 : mark.getLastError().number();
    };
    EXPECT_EQ(record(db_, "before 'load'", 1615125909), 0u);
    EXPECT_EQ(record(other_, "elsewhere", 1615126000), 0u);
    EXPECT_EQ(record(db_, "no time", 0), kelsql::kErrValueNotSet);
    // The newest of this database, though another wrote a mark since.
    KelSQLLogMarkName last(agent, false);
    ASSERT_TRUE(last.getLastLogMarkUpdate(tessel_, db_)) << message(last.getLastError());
    EXPECT_EQ(last.name() + "|" + last.lsn(), "before 'load'|34000000000000005");
    EXPECT_EQ(last.markTime().time(), 1615125909ul);
    KelSQLLogMarkName none(agent, false);
    ASSERT_TRUE(none.getLastLogMarkUpdate(tessel_, db_ + other_ + 100));
    EXPECT_TRUE(none.sqlId() == 0 && none.name().empty());
    // A code no operation has.
    KelNetSQLLogMarkName raw(agent, false);
    raw.requestMessage(true)->DBCode = 3;
    KelLastError err;
    EXPECT_TRUE(refused(raw.exchange(err), err, kelsql::kErrRequestRefused));

    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLLogMarkName marks(ostrel, false);
    bool found = false;
    ASSERT_TRUE(marks.query(tessel_, db_, found) && found);
    EXPECT_TRUE(refused(marks.removeLSNRange(tessel_, db_, "", "9"), marks.getLastError(), kelsql::kErrValueNotSet,
                        "firstLSN"));
    EXPECT_TRUE(refused(marks.removeDatabase(tessel_, db_), marks.getLastError(), kelsql::kErrTranRequired));
    ASSERT_TRUE(ostrel.startTransaction());
    ASSERT_TRUE(marks.removeDatabase(tessel_, db_) && marks.removeDatabase(tessel_, db_));
    ASSERT_TRUE(ostrel.commitTransaction());
    ASSERT_TRUE(marks.query(tessel_, db_, found) && !found);
    EXPECT_EQ(text("SELECT group_concat(name) FROM sqlLogMarkNames"), "elsewhere");

    // A SQL Server 7 instance keeps no marks.
    ASSERT_TRUE(sql("UPDATE sqlServer SET sqlVersionId = 7"));
    EXPECT_EQ(record(db_, "seven", 1615125909), kelsql::kErrLogMark);
}

TEST_F(BackupRemovalTest, TheAgentHostHearsOfARemovalAfterItsLogin) {
    std::string sealed;
    ASSERT_TRUE(encryptSQLPassword("pw", sealed));
    ASSERT_TRUE(sql("UPDATE sqlServer SET sa = 'sa', saPassword = '" + sealed + "'"));
    setRows(20, db_, "1", "2");
    setRows(21, db_, "3", "4");
    captureLog();
    startAgentHost();
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLBackupSet set(ostrel, false);
    ASSERT_TRUE(ostrel.startTransaction());
    ASSERT_TRUE(set.remove(20ul)) << message(set.getLastError());
    // The login's push begins with the instance's clustered status.
    const std::string log = ostrelLog();
    const size_t login = log.find("KelNetSQLClientClusteredReq"), notice = log.find("DBCode = 6");
    ASSERT_NE(notice, std::string::npos);
    EXPECT_LT(login, notice);
    EXPECT_TRUE(holdsLogin(ostrel, "sa", "pw", kAgentHost));
    // A logically deleted database's agent is told nothing.
    ASSERT_TRUE(ostrel.commitTransaction());
    ASSERT_TRUE(sql("UPDATE sqlDatabase SET deleteFlag = 1 WHERE backupSetId = " + std::to_string(db_)));
    ASSERT_TRUE(ostrel.startTransaction());
    ASSERT_TRUE(set.remove(21ul)) << message(set.getLastError());
    ASSERT_TRUE(ostrel.commitTransaction());
    EXPECT_EQ(ostrelLog().find("DBCode = 6", notice + 1), std::string::npos);
    EXPECT_EQ(scalar("SELECT count(*) FROM sqlBackupSet"), 0);
}

TEST_F(BackupRemovalTest, ARemovalWithoutItsTransactionEndsTheNetworkOne) {
    setRows(20, db_, "1", "2");
    startAgentHost();
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelNetSQLDBTransaction* remote = ostrel.getNetworkDBTransaction();
    ASSERT_TRUE(remote->setRemoteDataAgent(kAgentHost) && remote->startTransaction());
    KelSQLBackupSet set(ostrel, false);
    EXPECT_TRUE(refused(set.remove(20ul), set.getLastError(), kelsql::kErrTranRequired));
    // The agent host's transaction is gone with it: the catalogue is free.
    EXPECT_FALSE(remote->isTransactionStarted());
    ASSERT_TRUE(ostrel.startTransaction()) << message(ostrel.getLastError());
    ASSERT_TRUE(set.remove(20ul)) << message(set.getLastError());
    ASSERT_TRUE(ostrel.commitTransaction());
    EXPECT_EQ(scalar("SELECT count(*) FROM sqlBackupSet"), 0);
}
