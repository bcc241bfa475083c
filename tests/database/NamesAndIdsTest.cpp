// The ids a request carries belong to the names (or ids) it carries beside
// them: a database under the instance its client and instance names give, a
// file group under its database, a file under its file group, a file
// subclient's backup set under the subclient's database. A request whose id
// designates another parent (here, another client's) is refused with nothing
// written; an agent host relays a registration only for its own client, and
// stores none itself.
#include <memory>

#include "KelSQL/KelNetSQLDatabase.h"
#include "KelSQL/KelNetSQLFile.h"
#include "KelSQL/KelNetSQLFileGroup.h"
#include "backup/BackupFixture.h"
#include "support/AgentClientFixture.h"

using kel::test::refused;
using kel::test::scalar;
using kel::test::sql;

namespace {

constexpr const char* kOtherInstance = "BETA\\SQL1";

// Alpha's database "sales" with file group "PRIMARY" and file subclient 9;
// beta's instance with database "payroll", its file group and subclient.
class NamesAndIdsTest : public kel::test::BackupTest {
protected:
    void SetUp() override {
        BackupTest::SetUp();
        // SQL Server 2005, whose version chooses the application type.
        ASSERT_TRUE(sql("INSERT INTO sqlVersion(tesselId, type, major, minor, build) VALUES (" +
                        std::to_string(tessel_) + ", 1, 9, 0, 1399); UPDATE sqlServer SET sqlVersionId = "
                        "(SELECT max(id) FROM sqlVersion) WHERE instanceId = " + std::to_string(instance_)));
        group_ = groupRow(db_, "PRIMARY");
        const unsigned long betaInstance = instance(beta_, 70, kOtherInstance);
        ASSERT_TRUE(sql("INSERT INTO sqlServer(instanceId, tesselId, serverName, flags, clientId) VALUES (" +
                        std::to_string(betaInstance) + ", " + std::to_string(tessel_) + ", " +
                        kel::sql::quoted(kOtherInstance) + ", 0, " + std::to_string(beta_) + ")"));
        otherInstance_ = betaInstance;
        unsigned long payroll = 0;
        unsigned long appId = 0;
        ASSERT_EQ(0, admin_.createApplication(beta_, 70, kOtherInstance, "payroll", "default", appId));
        payroll = static_cast<unsigned long>(scalar("SELECT id FROM APP_BackupSetName WHERE name = 'payroll'"));
        ASSERT_TRUE(sql("INSERT INTO sqlDatabase(backupSetId, tesselId, sqlServerId, applicationNumber, databaseId, "
                        "databaseName, streams, maxStreams, allowFlags, addTime, removalTime, deleteFlag, "
                        "systemFlags, logStreams) VALUES (" +
                        std::to_string(payroll) + ", " + std::to_string(tessel_) + ", " +
                        std::to_string(betaInstance) + ", " + std::to_string(appId) +
                        ", 5, 'payroll', 1, 1, 0, 1000, 0, 0, 0, 1)"));
        otherDb_ = payroll;
        otherGroup_ = groupRow(otherDb_, "PRIMARY");
        ASSERT_TRUE(sql("INSERT INTO sqlFileSubClient(id, tesselId, sqlDatabaseId, applicationNumber, subClientName, "
                        "streams, maxStreams, flags, sqlFileSubClientGroupId) VALUES (10, " +
                        std::to_string(tessel_) + ", " + std::to_string(otherDb_) + ", 0, 'files', 1, 1, 0, 0)"));
        agent_ = std::make_unique<KelSQLClassProperties>(KelSQLClientSide);
    }

    unsigned long groupRow(unsigned long database, const std::string& name) {
        EXPECT_TRUE(sql("INSERT INTO sqlFileGroup(tesselId, sqlDatabaseId, applicationNumber, groupId, fileGroupName, "
                        "streams, maxStreams, addTime, removalTime, deleteFlag) VALUES (" +
                        std::to_string(tessel_) + ", " + std::to_string(database) + ", 0, 1, " +
                        kel::sql::quoted(name) + ", 0, 0, 1000, 0, 0)"));
        return static_cast<unsigned long>(scalar("SELECT max(id) FROM sqlFileGroup"));
    }

    // Sends m from the agent inside a network transaction that is committed
    // whatever the answer, so that anything a refused request wrote stays.
    template <class M>
    bool sentAndCommitted(M& m, KelLastError& err) {
        KelNetSQLDBTransaction* t = agent_->getNetworkDBTransaction();
        if (!t->startTransaction()) return false;
        const bool ok = m.exchange(err);
        EXPECT_TRUE(t->commitTransaction());
        return ok;
    }

    // Alpha's names for "sales", in any record that carries them.
    template <class R>
    static void salesNames(R& r) {
        ASSERT_TRUE(kel::copyField(r.ClientName, std::string("alpha")));
        ASSERT_TRUE(kel::copyField(r.ServerName, std::string(kInstance)));
        ASSERT_TRUE(kel::copyField(r.DatabaseName, std::string("sales")));
    }

    // A registration of alpha's database name under instance id sqlServerId.
    bool registers(const std::string& name, uint64_t sqlServerId, KelLastError& err) {
        KelNetSQLDatabase m(*agent_, false);
        KelNetSQLDatabase_t& r = m.requestMessage(true)->Database;
        m.requestMessage(false)->DBCode = KelNetSQLDatabaseConfig;
        r.SqlServerId = sqlServerId;
        r.DatabaseId = 8;
        r.ArchiveGroupNameId = 7;
        EXPECT_TRUE(kel::copyField(r.ClientName, std::string("alpha")));
        EXPECT_TRUE(kel::copyField(r.ServerName, std::string(kInstance)));
        EXPECT_TRUE(kel::copyField(r.DatabaseName, name));
        return sentAndCommitted(m, err);
    }

    // A file group of "sales" by its names, under database id sqlDatabaseId.
    bool registersGroup(const std::string& name, uint64_t sqlDatabaseId, KelLastError& err) {
        KelNetSQLFileGroup m(*agent_, false);
        m.requestMessage(true)->DBCode = KelNetSQLFileGroupConfig;
        KelNetSQLFileGroup_t& r = m.requestMessage(false)->FileGroup;
        r.SqlDatabaseId = sqlDatabaseId;
        r.FileGroupId = 2;
        salesNames(r);
        EXPECT_TRUE(kel::copyField(r.FileGroupName, name));
        return sentAndCommitted(m, err);
    }

    // A file of group "PRIMARY" of "sales" by its names, under group id sqlFileGroupId.
    bool registersFile(const std::string& name, uint64_t sqlFileGroupId, KelLastError& err) {
        KelNetSQLFile m(*agent_, false);
        m.requestMessage(true)->DBCode = KelNetSQLFileConfig;
        KelNetSQLFile_t& r = m.requestMessage(false)->File;
        r.SqlFileGroupId = sqlFileGroupId;
        r.FileId = 3;
        salesNames(r);
        EXPECT_TRUE(kel::copyField(r.FileGroupName, std::string("PRIMARY")));
        EXPECT_TRUE(kel::copyField(r.FileName, name));
        EXPECT_TRUE(kel::copyField(r.PhysicalName, "d:\\data\\" + name + ".ndf"));
        return sentAndCommitted(m, err);
    }

    // A backup of "sales" recorded for file subclient subclient.
    bool recordsBackupOf(uint64_t subclient, KelLastError& err) {
        KelNetSQLBackupSet m(*agent_, false, KelNetSQLBackupSet::kRequestType2);
        KelNetSQLBackupSet2Req_t* req = m.requestMessage2(true);
        req->DBCode = KelNetSQLBackupSetInsert;
        req->BackupSet = record("files " + std::to_string(subclient), subclient);
        req->BackupSet.BackupSet.SqlDatabaseId = db_;
        req->BackupSet.BackupSet.TesselId = tessel_;
        return sentAndCommitted(m, err);
    }

    static long long rows(const std::string& table) { return scalar("SELECT count(*) FROM " + table); }

    std::unique_ptr<KelSQLClassProperties> agent_;  // made once the focus is set
    unsigned long group_ = 0, otherInstance_ = 0, otherDb_ = 0, otherGroup_ = 0;
};

TEST_F(NamesAndIdsTest, ARegistrationUnderAnotherClientsInstanceIsRefused) {
    application("pubs", "default");
    const long long before = rows("sqlDatabase");
    KelLastError err;
    EXPECT_TRUE(refused(registers("pubs", otherInstance_, err), err, kelsql::kErrValueNotSet, "sqlServerId"));
    EXPECT_EQ(rows("sqlDatabase"), before);
}

TEST_F(NamesAndIdsTest, ARegistrationIsStoredUnderTheInstanceItsNamesGive) {
    application("pubs", "default");
    application("hr", "default");
    KelLastError err;
    ASSERT_TRUE(registers("pubs", instance_, err)) << err.formatLastErrorMessage();
    // Without an id the names alone give the instance.
    ASSERT_TRUE(registers("hr", 0, err)) << err.formatLastErrorMessage();
    EXPECT_EQ(scalar("SELECT count(*) FROM sqlDatabase WHERE databaseName IN ('pubs', 'hr') AND sqlServerId = " +
                     std::to_string(instance_)),
              2);
}

TEST_F(NamesAndIdsTest, AFileGroupUnderAnotherClientsDatabaseIsRefused) {
    const long long before = rows("sqlFileGroup");
    KelLastError err;
    EXPECT_TRUE(refused(registersGroup("FG2", otherDb_, err), err, kelsql::kErrValueNotSet, "sqlDatabaseId"));
    EXPECT_EQ(rows("sqlFileGroup"), before);
}

TEST_F(NamesAndIdsTest, AFileGroupIsStoredUnderTheDatabaseItsNamesGive) {
    KelLastError err;
    ASSERT_TRUE(registersGroup("FG2", db_, err)) << err.formatLastErrorMessage();
    EXPECT_EQ(scalar("SELECT sqlDatabaseId FROM sqlFileGroup WHERE fileGroupName = 'FG2'"),
              static_cast<long long>(db_));
}

TEST_F(NamesAndIdsTest, AFileGroupNamedOnlyInPartIsRefused) {
    KelNetSQLFileGroup m(*agent_, false);
    m.requestMessage(true)->DBCode = KelNetSQLFileGroupConfig;
    KelNetSQLFileGroup_t& r = m.requestMessage(false)->FileGroup;
    r.SqlDatabaseId = db_;
    ASSERT_TRUE(kel::copyField(r.ClientName, std::string("alpha")));
    ASSERT_TRUE(kel::copyField(r.FileGroupName, std::string("FG2")));
    const long long before = rows("sqlFileGroup");
    KelLastError err;
    EXPECT_TRUE(refused(sentAndCommitted(m, err), err, kelsql::kErrValueNotSet, "serverName"));
    EXPECT_EQ(rows("sqlFileGroup"), before);
}

TEST_F(NamesAndIdsTest, AFileUnderAnotherClientsFileGroupIsRefused) {
    const long long before = rows("sqlFile");
    KelLastError err;
    EXPECT_TRUE(refused(registersFile("data2", otherGroup_, err), err, kelsql::kErrValueNotSet, "sqlFileGroupId"));
    EXPECT_EQ(rows("sqlFile"), before);
}

TEST_F(NamesAndIdsTest, AFileIsStoredUnderTheFileGroupItsNamesGive) {
    KelLastError err;
    ASSERT_TRUE(registersFile("data2", group_, err)) << err.formatLastErrorMessage();
    EXPECT_EQ(scalar("SELECT sqlFileGroupId FROM sqlFile WHERE logicalName = 'data2'"),
              static_cast<long long>(group_));
}

TEST_F(NamesAndIdsTest, ABackupOfAnotherDatabasesSubclientIsRefused) {
    const long long sets = rows("sqlBackupSet");
    const long long versions = rows("sqlVersion");
    KelLastError err;
    EXPECT_TRUE(refused(recordsBackupOf(10, err), err, kelsql::kErrValueNotSet, "sqlDatabaseId"));
    EXPECT_EQ(rows("sqlBackupSet"), sets);
    // Refused before its versions were resolved (and stored).
    EXPECT_EQ(rows("sqlVersion"), versions);
}

TEST_F(NamesAndIdsTest, ABackupOfASubclientThatIsNotThereIsRefused) {
    const long long sets = rows("sqlBackupSet");
    KelLastError err;
    EXPECT_TRUE(refused(recordsBackupOf(11, err), err, kelsql::kErrRowOperation));
    EXPECT_EQ(rows("sqlBackupSet"), sets);
}

TEST_F(NamesAndIdsTest, ABackupOfTheDatabasesOwnSubclientIsStored) {
    KelLastError err;
    ASSERT_TRUE(recordsBackupOf(9, err)) << err.formatLastErrorMessage();
    EXPECT_EQ(scalar("SELECT sqlDatabaseId FROM sqlBackupSet WHERE sqlFileSubClientId = 9"),
              static_cast<long long>(db_));
}

TEST_F(NamesAndIdsTest, TheRefusalSaysWhichIdAndNamesDisagree) {
    application("pubs", "default");
    KelLastError err;
    ASSERT_FALSE(registers("pubs", otherInstance_, err));
    EXPECT_EQ(err.formatLastErrorMessage(),
              "The value sqlServerId (KelSQLDatabase::config(reqDb, rspDb)) does not match clientName, serverName: " +
                  std::to_string(otherInstance_) + " where they designate " + std::to_string(instance_) + ".");
}

// agent1's agent host, asked by the Ostrel to register a database.
class RelayTest : public kel::test::AgentClientTest {
protected:
    void SetUp() override {
        AgentClientTest::SetUp();
        instance_ = registeredInstance();
        startClientHost("sLNSQLLIVE");
    }

    // A registration of database name for client sent to agent1's agent
    // host, carrying the SQL Server database id and instance id given.
    bool relayed(const std::string& client, const std::string& name, uint64_t databaseId, uint64_t sqlServerId,
                 KelLastError& err) {
        KelSQLClassProperties ostrel(KelSQLServerSide);
        return relayed(ostrel, kClientHost, client, kServer, name, databaseId, sqlServerId, err);
    }
    bool relayed(KelSQLClassProperties& ostrel, const std::string& host, const std::string& client,
                 const std::string& server, const std::string& name, uint64_t databaseId, uint64_t sqlServerId,
                 KelLastError& err) {
        KelNetSQLDatabase m(ostrel, false);
        EXPECT_TRUE(m.setRemoteDataAgent(host));
        m.requestMessage(true)->DBCode = KelNetSQLDatabaseConfig;
        KelNetSQLDatabase_t& r = m.requestMessage(false)->Database;
        r.ArchiveGroupNameId = 7;
        r.DatabaseId = databaseId;
        r.SqlServerId = sqlServerId;
        EXPECT_TRUE(kel::copyField(r.ClientName, client));
        EXPECT_TRUE(kel::copyField(r.ServerName, server));
        EXPECT_TRUE(kel::copyField(r.DatabaseName, name));
        const bool ok = m.exchange(err);
        answered_ = m.responseMessage(false)->Database;
        return ok;
    }

    static long long rows(const std::string& database) {
        return scalar("SELECT count(*) FROM sqlDatabase WHERE databaseName = " + kel::sql::quoted(database));
    }

    KelNetSQLDatabase_t answered_{};
    unsigned long instance_ = 0;
};

TEST_F(RelayTest, ARegistrationForAnotherClientsHostIsRefused) {
    KelLastError err;
    EXPECT_TRUE(refused(relayed("alpha", "fg1", 0, 0, err), err, kelsql::kErrValueNotSet, "clientName"));
    EXPECT_EQ(scalar("SELECT count(*) FROM sqlDatabase"), 0);
    EXPECT_EQ(scalar("SELECT count(*) FROM APP_BackupSetName WHERE name = 'fg1'"), 0);
}

TEST_F(RelayTest, ARegistrationWithADatabaseIdIsRelayedNotStoredByTheAgentHost) {
    // An instance id of another client beside agent1's names: the agent host
    // does not store it as sent, it registers agent1's database.
    const unsigned long alphas = instanceRow("ALPHA\\SQL1", 0);
    KelLastError err;
    ASSERT_TRUE(relayed(kClient, "fg1", 5, alphas, err)) << err.formatLastErrorMessage();
    EXPECT_EQ(scalar("SELECT sqlServerId FROM sqlDatabase WHERE databaseName = 'fg1'"),
              static_cast<long long>(instance_));
    EXPECT_EQ(scalar("SELECT count(*) FROM sqlDatabase WHERE sqlServerId = " + std::to_string(alphas)), 0);
    EXPECT_EQ(answered_.SqlServerId, instance_);
    // Through the Ostrel, with its file groups.
    EXPECT_EQ(scalar("SELECT count(*) FROM sqlFileGroup g JOIN sqlDatabase d ON d.backupSetId = g.sqlDatabaseId "
                     "WHERE d.databaseName = 'fg1'"),
              2);
    EXPECT_EQ(rows("fg1"), 1);
}

TEST_F(RelayTest, AnAgentHostOnTheOstrelsMachineRelaysTooAndStoresNothingItself) {
    // The Ostrel's machine runs an agent host of its own: there the Ostrel is
    // no other machine, and a registration must still go to the Ostrel.
    KelPI_Ostrel own;
    ASSERT_NE(own.setFocus(kOstrel), 0);
    ASSERT_TRUE(own.setOstrelHostName(kOstrel) && own.setTesselId(tessel_));
    ASSERT_TRUE(KelRegistry::set(kOstrel, kel::kSectionHosts, kOstrel, "127.0.0.1:" + std::to_string(ostrel_.port())));
    KelDispatcherProcess ostrelsAgentHost;
    ostrelsAgentHost.setAgentSide(true);
    ostrelsAgentHost.setFocusMachine(kOstrel);
    ASSERT_TRUE(kel::test::startHost(ostrelsAgentHost, "ostrel1.agent"));
    // alpha's database, ready to be stored as sent: its application id, and
    // an instance whose version gives the application type.
    const unsigned long alphas = instanceRow("ALPHA\\SQL1", 0);
    unsigned long appId = 0;
    ASSERT_EQ(0, admin_.createApplication(alpha_, 70, "ALPHA\\SQL1", "pubs", "default", appId));
    ASSERT_TRUE(sql("UPDATE sqlServer SET sqlVersionId = 90 WHERE instanceId = " + std::to_string(alphas)));

    // Sent inside a transaction of that agent host: whatever it wrote is committed.
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelNetSQLDBTransaction* onHost = ostrel.getNetworkDBTransaction();
    ASSERT_TRUE(onHost->setRemoteDataAgent("ostrel1.agent") && onHost->startTransaction());
    KelLastError err;
    EXPECT_TRUE(refused(relayed(ostrel, "ostrel1.agent", "alpha", "ALPHA\\SQL1", "pubs", 5, alphas, err), err,
                        kelsql::kErrValueNotSet, "clientName"));
    ASSERT_TRUE(onHost->commitTransaction());
    EXPECT_EQ(scalar("SELECT count(*) FROM sqlDatabase"), 0);
    EXPECT_TRUE(ostrelsAgentHost.stop());
}

}  // namespace
