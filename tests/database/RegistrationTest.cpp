// Database registration from the agent (DBCode 4) with its file groups,
// allow flags and the delete-flag and removal-time cascades.
#include <memory>

#include "DatabaseFixture.h"
#include "KelSQL/KelNetSQLDBTransaction.h"
#include "KelSQL/KelSQLDatabase.h"
#include "KelSQL/KelSQLFileSubClient.h"
#include "support/LiveInstance.h"

using kel::test::refused;
using kel::test::scalar;
using kel::test::sql;

namespace {

// The tests' live instance, whose file groups are found by name too.
class FindingLiveSqlServer : public kel::test::ServedLiveSqlServer {
public:
    bool fileGroup(const Target&, const std::string& database, const std::string& name,
                   kel::live::LiveFileGroup& out, bool& found, KelLastError&) override {
        const std::vector<std::string> names = kel::test::liveFileGroups(database);
        for (size_t i = 0; i < names.size(); ++i)
            if (names[i] == name) {
                out.groupId = i + 1;
                found = true;
            }
        return true;
    }
};

class RegistrationTest : public kel::test::DatabaseTest {
protected:
    void SetUp() override {
        DatabaseTest::SetUp();
        // SQL Server 2005 with the login "sa" / "pw".
        std::string sealed;
        ASSERT_TRUE(encryptSQLPassword("pw", sealed));
        ASSERT_TRUE(sql("INSERT INTO sqlVersion(tesselId, type, major, minor, build) VALUES (" +
                        std::to_string(tessel_) + ", 1, 9, 0, 1399)"));
        ASSERT_TRUE(sql("UPDATE sqlServer SET sqlVersionId = (SELECT max(id) FROM sqlVersion), sa = 'sa', "
                        "saPassword = '" + sealed + "' WHERE instanceId = " + std::to_string(instance_)));
        previous_ = kel::live::installLiveSqlServer(std::make_unique<FindingLiveSqlServer>());
    }
    void TearDown() override {
        kel::live::installLiveSqlServer(std::move(previous_));
        DatabaseTest::TearDown();
    }

    // The agent registers database name inside a network transaction.
    bool agentRegisters(const std::string& name, unsigned long archive, KelLastError& err) {
        KelSQLClassProperties agent(KelSQLClientSide);
        KelNetSQLDBTransaction* t = agent.getNetworkDBTransaction();
        if (!t->startTransaction()) return false;
        KelSQLDatabase db(agent, false);
        db.setDatabaseName(name);
        db.setSqlServerName(kInstance);
        db.setClientName("alpha");
        const bool ok = db.config(instance_, archive);
        err = db.getLastError();
        return ok ? t->commitTransaction() : (t->rollbackTransaction(), false);
    }
    static long long column(const std::string& col, unsigned long id) {
        return scalar("SELECT " + col + " FROM sqlDatabase WHERE backupSetId = " + std::to_string(id));
    }

    std::unique_ptr<kel::live::LiveSqlServer> previous_;
};

TEST_F(RegistrationTest, AgentRegistersItsDatabaseWithItsGroups) {
    unsigned long id = 0;
    const unsigned long appId = application("fg2", "default", &id);
    KelLastError err;
    EXPECT_TRUE(refused(agentRegisters("fg2", 0, err), err, kelsql::kErrValueNotSet, "archiveGroupNameId"));
    EXPECT_EQ(scalar("SELECT count(*) FROM sqlDatabase WHERE databaseName = 'fg2'"), 0);

    ASSERT_TRUE(agentRegisters("fg2", 7, err)) << err.formatLastErrorMessage();
    EXPECT_EQ(column("applicationNumber", id), static_cast<long long>(appId));
    EXPECT_EQ(column("allowFlags", id), 0x17);
    EXPECT_EQ(column("sqlServerId", id), static_cast<long long>(instance_));

    // Registering again keeps the first time and resets flags and streams.
    ASSERT_TRUE(sql("UPDATE sqlDatabase SET addTime = 1000, deleteFlag = 1, removalTime = 5, streams = 4, "
                    "maxStreams = 4, logStreams = 3 WHERE backupSetId = " + std::to_string(id)));
    ASSERT_TRUE(agentRegisters("fg2", 7, err)) << err.formatLastErrorMessage();
    const char* expected[][2] = {{"addTime", "1000"},  {"deleteFlag", "0"}, {"removalTime", "0"},
                                 {"streams", "1"},     {"maxStreams", "1"}, {"logStreams", "1"}};
    for (auto& e : expected) EXPECT_EQ(std::to_string(column(e[0], id)), e[1]) << e[0];

    // The Ostrel lists it with its groups, the log's included.
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLDatabase db(ostrel, false);
    ASSERT_TRUE(db.query(id, nullptr));
    EXPECT_EQ(db.databaseName(), "fg2");
    std::vector<KelSQLFileGroup_t>* groups = db.getConfiguredFGs(true, id);
    ASSERT_NE(groups, nullptr);
    std::vector<std::string> names;
    for (const KelSQLFileGroup_t& g : *groups) names.push_back(g.name);
    EXPECT_EQ(names, (std::vector<std::string>{"DatabaseLogs", kel::test::fileGroupName(0), "FG1001"}));
}

TEST_F(RegistrationTest, AllowFlagsAndCascades) {
    const unsigned long user = databaseRow("sales", 1, 0x100);
    const unsigned long system = databaseRow("master", 1, 0x100);
    ASSERT_TRUE(sql("UPDATE sqlDatabase SET systemFlags = 0 WHERE backupSetId = " + std::to_string(user)));
    ASSERT_TRUE(sql("INSERT INTO sqlFileGroup(tesselId, sqlDatabaseId, applicationNumber, groupId, fileGroupName, "
                    "streams, maxStreams, addTime, removalTime, deleteFlag) VALUES (" + std::to_string(tessel_) +
                    ", " + std::to_string(user) + ", 0, 1, 'A', 1, 1, 1, 0, 0), (" + std::to_string(tessel_) + ", " +
                    std::to_string(user) + ", 0, 2, 'B', 1, 1, 1, 77, 0)"));
    const long long groupA = scalar("SELECT min(id) FROM sqlFileGroup");
    ASSERT_TRUE(sql("INSERT INTO sqlFile(tesselId, sqlFileGroupId, fileId, physicalName, logicalName, size, maxSize, "
                    "addTime, removalTime, deleteFlag) VALUES (" + std::to_string(tessel_) + ", " +
                    std::to_string(groupA) + ", 1, 'd:\\a.mdf', 'a', 1, 1, 1, 0, 0)"));

    // Through DBFlags from the agent, inside its network transaction.
    {
        KelSQLClassProperties agent(KelSQLClientSide);
        KelSQLDatabase db(agent, false);
        EXPECT_TRUE(refused(db.updateFlag(0, KelSQL_AllowNextDiff, 1, 0), db.getLastError(),
                            kelsql::kErrValueNotSet, "sqlDatabaseId"));
        EXPECT_TRUE(refused(db.updateFlag(user, KelSQL_AllowNextFull, 1, 0), db.getLastError(),
                            kelsql::kErrTranRequired));
        ASSERT_TRUE(agent.getNetworkDBTransaction()->startTransaction());
        ASSERT_TRUE(db.updateFlag(user, KelSQL_AllowNextFullAllowed, 1, 0)) << db.getLastError().formatLastErrorMessage();
        // A system database: bit 0 forced on and bit 8 off whatever is asked.
        ASSERT_TRUE(db.updateFlag(system, KelSQL_AllowNextFullContent, 0, 0));
        ASSERT_TRUE(agent.getNetworkDBTransaction()->commitTransaction());
    }
    EXPECT_EQ(column("allowFlags", user), 0x102);
    EXPECT_EQ(column("allowFlags", system), 0x1);

    KelSQLClassProperties ostrel(KelSQLServerSide);
    ASSERT_TRUE(ostrel.startTransaction());
    KelSQLFileSubClient sub(ostrel, false);
    sub.setTesselId(tessel_);
    sub.setSqlDatabaseId(user);
    sub.setSubClientName("fs");
    ASSERT_TRUE(sub.insert());
    KelSQLDatabase db(ostrel, false);
    // The instance-wide write: the word of one database to all of them.
    ASSERT_TRUE(db.updateFlag(user, KelSQL_AllowFileFull, 1, instance_));
    ASSERT_TRUE(db.query(user, nullptr));
    db.setDeleteFlag()->setDelete();
    ASSERT_TRUE(db.updateDeleteFlag()) << db.getLastError().formatLastErrorMessage();
    db.getRemovalTime().setTime(500L);
    ASSERT_TRUE(db.updateRemovalTime()) << db.getLastError().formatLastErrorMessage();
    ASSERT_TRUE(ostrel.commitTransaction());

    EXPECT_EQ(column("allowFlags", system), 0x106);
    EXPECT_EQ(column("deleteFlag", user), 1);
    EXPECT_EQ(column("removalTime", user), 500);
    EXPECT_EQ(kel::test::text("SELECT group_concat(deleteFlag || ':' || removalTime, ',') FROM "
                              "(SELECT * FROM sqlFileGroup ORDER BY id)"),
              "1:500,1:77");
    EXPECT_EQ(kel::test::text("SELECT deleteFlag || ':' || removalTime FROM sqlFile"), "1:500");
    EXPECT_EQ(scalar("SELECT flags FROM sqlFileSubClient"), 1);

    // SQL Server 7 keeps no file subclients: they are left as they are.
    ASSERT_TRUE(sql("INSERT INTO sqlVersion(tesselId, type, major, minor, build) VALUES (" + std::to_string(tessel_) +
                    ", 1, 7, 0, 623); UPDATE sqlServer SET sqlVersionId = (SELECT max(id) FROM sqlVersion)"));
    ASSERT_TRUE(ostrel.startTransaction());
    ASSERT_TRUE(db.query(user, nullptr));
    db.setDeleteFlag()->setUndelete();
    ASSERT_TRUE(db.updateDeleteFlag()) << db.getLastError().formatLastErrorMessage();
    ASSERT_TRUE(ostrel.commitTransaction());
    EXPECT_EQ(kel::test::text("SELECT group_concat(deleteFlag, ',') FROM sqlFileGroup"), "0,0");
    EXPECT_EQ(scalar("SELECT flags FROM sqlFileSubClient"), 1);
}


// The agent registers the database with groups and files served by live;
// its network transaction is committed whatever the outcome.
class RegistrationRefusalTest : public RegistrationTest {
protected:
    void SetUp() override {
        RegistrationTest::SetUp();
        auto served = std::make_unique<kel::test::FilesLiveSqlServer>();
        live_ = served.get();
        kel::live::installLiveSqlServer(std::move(served));
        application("fg2", "default");
        agent_ = std::make_unique<KelSQLClassProperties>(KelSQLClientSide);
        db_ = std::make_unique<KelSQLDatabase>(*agent_, false);
        db_->setDatabaseName("fg2");
        db_->setSqlServerName(kInstance);
        db_->setClientName("alpha");
    }
    void TearDown() override {
        db_.reset();
        agent_.reset();
        RegistrationTest::TearDown();
    }
    static kel::test::RowCounts registered() { return kel::test::rowCounts({"sqlDatabase", "sqlFileGroup", "sqlFile"}); }
    KelNetSQLDBTransaction* t() { return agent_->getNetworkDBTransaction(); }

    kel::test::FilesLiveSqlServer* live_ = nullptr;
    std::unique_ptr<KelSQLClassProperties> agent_;
    std::unique_ptr<KelSQLDatabase> db_;  // fg2 of the instance, registered by the agent
};

TEST_F(RegistrationRefusalTest, ALastFileRefusedLeavesNothingAndTheMendedRegistrationCommitsWhole) {
    live_->logFile = std::string(sizeof KelNetSQLFile_t::FileName, 'l');
    const kel::test::RowCounts before = registered();
    ASSERT_TRUE(t()->startTransaction());
    EXPECT_TRUE(refused(db_->config(instance_, 7), db_->getLastError(), kelsql::kErrValueNotSet, "logicalName"));
    ASSERT_TRUE(t()->commitTransaction());
    EXPECT_EQ(registered(), before);

    ASSERT_TRUE(t()->startTransaction());
    EXPECT_FALSE(db_->config(instance_, 7));
    live_->logFile = "fg2_log";
    ASSERT_TRUE(db_->config(instance_, 7)) << db_->getLastError().formatLastErrorMessage();
    ASSERT_TRUE(t()->commitTransaction());
    // Two groups and the log's, a file each.
    EXPECT_EQ(registered(), kel::test::grown(before, {{"sqlDatabase", 1}, {"sqlFileGroup", 3}, {"sqlFile", 3}}));
    EXPECT_EQ(kel::test::text("SELECT f.logicalName FROM sqlFile f JOIN sqlFileGroup g ON g.id = f.sqlFileGroupId "
                              "WHERE g.fileGroupName = 'DatabaseLogs'"),
              "fg2_log");
}

// A refusal no check on the agent foresees: the Ostrel's catalogue turns the
// last file down after the database and its groups were stored.
TEST_F(RegistrationRefusalTest, AFileTheOstrelCannotStoreTakesTheDatabaseAndItsGroupsBack) {
    ASSERT_TRUE(kel::test::refuseInserts("sqlFile", "NEW.logicalName = 'boom'"));
    live_->logFile = "boom";
    const kel::test::RowCounts before = registered();
    ASSERT_TRUE(t()->startTransaction());
    EXPECT_TRUE(refused(db_->config(instance_, 7), db_->getLastError(), kelsql::kErrRowOperation));
    ASSERT_TRUE(t()->commitTransaction());
    EXPECT_EQ(registered(), before);
}

// A group registered alone takes its files with it, and back with them.
TEST_F(RegistrationRefusalTest, AGroupWhoseFileTheOstrelCannotStoreIsTakenBack) {
    ASSERT_TRUE(kel::test::refuseInserts("sqlFile", "NEW.logicalName = 'boom'"));
    const unsigned long database = databaseRow("fg1");
    const kel::test::RowCounts before = registered();
    KelSQLFileGroup group(*agent_, false);
    group.initializeSQLObject(true);
    group.setFileGroupName("DatabaseLogs");
    live_->logFile = "boom";
    ASSERT_TRUE(t()->startTransaction());
    EXPECT_TRUE(refused(group.config(database, nullptr), group.getLastError(), kelsql::kErrRowOperation));
    ASSERT_TRUE(t()->commitTransaction());
    EXPECT_EQ(registered(), before);

    ASSERT_TRUE(t()->startTransaction());
    EXPECT_FALSE(group.config(database, nullptr));
    live_->logFile = "fg1_log";
    ASSERT_TRUE(group.config(database, nullptr)) << group.getLastError().formatLastErrorMessage();
    ASSERT_TRUE(t()->commitTransaction());
    EXPECT_EQ(registered(), kel::test::grown(before, {{"sqlFileGroup", 1}, {"sqlFile", 1}}));
}

}  // namespace
