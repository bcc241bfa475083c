// Registration driven by the Ostrel: the agent host registers the database
// through a session and a transaction of its own, so that the row, its file
// groups and its application id are in the catalogue when the Ostrel's call
// says so; discovery says "registered" only for what it registered.
#include <chrono>
#include <fstream>

#include "KelSQL/KelNetSQLDBTransaction.h"
#include "KelSQL/KelSQLDatabase.h"
#include "KelSQL/KelSQLErrors.h"
#include "KelSQL/KelSQLServer.h"
#include "support/AgentClientFixture.h"
#include "support/LiveInstance.h"

using kel::test::refused;
using kel::test::scalar;
using kel::test::sql;
using kel::test::text;

namespace {

class OstrelRegistrationTest : public kel::test::AgentClientTest {
protected:
    void SetUp() override {
        AgentClientTest::SetUp();
        instance_ = registeredInstance();
        captureLog();
    }
    static std::string groups(const std::string& database) {
        return text("SELECT group_concat(fileGroupName, ',') FROM (SELECT g.fileGroupName FROM sqlFileGroup g JOIN "
                    "sqlDatabase d ON d.backupSetId = g.sqlDatabaseId WHERE d.databaseName = " +
                    kel::sql::quoted(database) + " ORDER BY g.fileGroupName)");
    }
    static long long rows(const std::string& database) {
        return scalar("SELECT count(*) FROM sqlDatabase WHERE databaseName = " + kel::sql::quoted(database));
    }
    unsigned long instance_ = 0;
};

TEST_F(OstrelRegistrationTest, TheRowGroupsAndApplicationIdAreThereAfterwards) {
    startClientHost("sLNSQLLIVE");
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLDatabase db(ostrel, false);
    ASSERT_EQ(rows("fg3"), 0);
    ASSERT_TRUE(db.config(kClient, kServer, "fg3", 7)) << db.getLastError().formatLastErrorMessage();
    EXPECT_EQ(text("SELECT sqlServerId || '|' || deleteFlag FROM sqlDatabase WHERE databaseName = 'fg3'"),
              std::to_string(instance_) + "|0");
    EXPECT_EQ(groups("fg3"), "DatabaseLogs," + kel::test::fileGroupName(0) + ",FG1001,FG1002");
    EXPECT_EQ(text("SELECT a.dataArchGroup FROM APP_Application a JOIN APP_BackupSetName b ON b.id = a.backupSet "
                   "WHERE b.name = 'fg3'"),
              "7");
    EXPECT_EQ(db.sqlServerId(), instance_);
    // The login went to the agent host first; no transaction is left open.
    EXPECT_TRUE(holdsLogin(ostrel, "sa", "pw", kClientHost));
    EXPECT_FALSE(ostrel.getNetworkDBTransaction()->isTransactionStarted());
    // No catalogued file looks like a primary data file: the notice says so.
    EXPECT_TRUE(logged("event 0x1E0000FA | fg3"));

    // Again, with a primary data file: the same row, no notice.
    const long long group = scalar("SELECT min(id) FROM sqlFileGroup");
    ASSERT_TRUE(sql("INSERT INTO sqlFile(tesselId, sqlFileGroupId, fileId, physicalName, logicalName, size, maxSize, "
                    "addTime, removalTime, deleteFlag) VALUES (" + std::to_string(tessel_) + ", " +
                    std::to_string(group) + ", 1, 'd:\\data\\fg3.mdf', 'f', 1, 1, 1, 0, 0)"));
    lines_.clear();
    ASSERT_TRUE(db.config(kClient, kServer, "fg3", 7)) << db.getLastError().formatLastErrorMessage();
    EXPECT_EQ(rows("fg3"), 1);
    EXPECT_FALSE(logged("event 0x1E0000FA"));

    // The live names without a configured group.
    ASSERT_TRUE(sql("DELETE FROM sqlFile; DELETE FROM sqlFileGroup WHERE fileGroupName = 'FG1002'"));
    std::vector<std::string>* unconfigured = db.getUnConfiguredFGs(kClient, db.sqlId());
    ASSERT_NE(unconfigured, nullptr) << db.getLastError().formatLastErrorMessage();
    EXPECT_EQ(*unconfigured, std::vector<std::string>{"FG1002"});
}

TEST_F(OstrelRegistrationTest, WhatTheAgentCouldNotRegisterIsAFailureWithNothingLeft) {
    std::ofstream(kel::test::liveGoneFile()) << "ghost||\n";
    startClientHost("sLNSQLHOSTS");
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLDatabase db(ostrel, false);
    EXPECT_TRUE(refused(db.config(kClient, kServer, "ghost", 7), db.getLastError(), kelsql::kErrRowOperation));
    EXPECT_EQ(rows("ghost"), 0);
    // The application id created before the live read went with the relay's transaction.
    EXPECT_EQ(scalar("SELECT count(*) FROM APP_BackupSetName WHERE name = 'ghost'"), 0);
    EXPECT_NE(ostrelLog().find("Network database transaction rolled back!"), std::string::npos);

    // A relay without a storage policy registers nothing either.
    KelNetSQLDatabase raw(ostrel, false);
    ASSERT_TRUE(raw.setRemoteDataAgent(kClientHost));
    raw.requestMessage(true)->DBCode = KelNetSQLDatabaseConfig;
    ASSERT_TRUE(kel::copyField(raw.requestMessage(false)->Database.ClientName, std::string(kClient)));
    ASSERT_TRUE(kel::copyField(raw.requestMessage(false)->Database.ServerName, std::string(kServer)));
    ASSERT_TRUE(kel::copyField(raw.requestMessage(false)->Database.DatabaseName, std::string("pubs")));
    KelLastError err;
    EXPECT_TRUE(refused(raw.exchange(err), err, kelsql::kErrValueNotSet, "archiveGroupNameId"));
    EXPECT_EQ(scalar("SELECT count(*) FROM sqlDatabase"), 0);
}

TEST_F(OstrelRegistrationTest, ACallerHoldingATransactionIsRefusedAtOnce) {
    startClientHost("sLNSQLLIVE");
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLDatabase db(ostrel, false);
    // The relay's own transaction needs the catalogue's writer, which the
    // caller holds: waiting would end in the busy error after the lock wait.
    ASSERT_TRUE(ostrel.startTransaction());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(refused(db.config(kClient, kServer, "fg1", 7), db.getLastError(), kelsql::kErrTranBusy));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_FALSE(holdsLogin(ostrel, "sa", "pw", kClientHost));  // nothing was sent
    ASSERT_TRUE(ostrel.rollBackTransaction());
    // So is one holding a transaction on the agent host.
    KelNetSQLDBTransaction* onHost = ostrel.getNetworkDBTransaction();
    ASSERT_TRUE(onHost->setRemoteDataAgent(kClientHost) && onHost->startTransaction());
    EXPECT_TRUE(refused(db.config(kClient, kServer, "fg1", 7), db.getLastError(), kelsql::kErrTranBusy));
    ASSERT_TRUE(onHost->rollbackTransaction());
    EXPECT_EQ(rows("fg1"), 0);
    ASSERT_TRUE(db.config(kClient, kServer, "fg1", 7)) << db.getLastError().formatLastErrorMessage();
    EXPECT_EQ(rows("fg1"), 1);
}

TEST_F(OstrelRegistrationTest, DiscoveryRegistersEachUnconfiguredNameAndSaysWhich) {
    std::ofstream(kel::test::liveDatabasesFile()) << "Sales\nfresh\nghost\n";
    std::ofstream(kel::test::liveGoneFile()) << "ghost||\n";
    startClientHost("sLNSQLHOSTS");
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLDatabase sales(ostrel, false);
    ASSERT_TRUE(sales.config(kClient, kServer, "Sales", 3)) << sales.getLastError().formatLastErrorMessage();
    lines_.clear();
    KelSQLServer server(ostrel, false);
    ASSERT_TRUE(server.autoDiscoverDatabases(tessel_, instance_));
    EXPECT_FALSE(logged("event 0x1E0000"));  // discovery off: nothing asked, nothing raised
    EXPECT_EQ(scalar("SELECT count(*) FROM sqlDatabase"), 1);

    ASSERT_EQ(0, admin_.setDiscovery(instance_, true, 0, 9));
    ASSERT_TRUE(server.autoDiscoverDatabases(tessel_, instance_)) << server.getLastError().formatLastErrorMessage();
    EXPECT_TRUE(logged("event 0x1E000108 | DATA | fresh | AGENT1\\SQL1 | agent1"));
    EXPECT_TRUE(logged("event 0x1E0000F8 | fresh | AGENT1\\SQL1 | agent1"));
    EXPECT_EQ(rows("fresh"), 1);
    EXPECT_EQ(groups("fresh"), "DatabaseLogs");
    // The one the agent host could not register is said so, and not stored.
    EXPECT_TRUE(logged("event 0x1E0000F7 | ghost | AGENT1\\SQL1 | agent1"));
    EXPECT_FALSE(logged("event 0x1E0000F8 | ghost"));
    EXPECT_EQ(rows("ghost"), 0);
    EXPECT_FALSE(logged("| Sales |"));
}

}  // namespace
