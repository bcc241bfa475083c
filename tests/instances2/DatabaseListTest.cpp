// The databases of an instance: the name list from the agent host in packets
// of 50 (a last packet of its items only), the user-database list, configured
// and unconfigured databases; and the instance's removal time, delete flag
// and forced deletion carried down to its databases.
#include <fstream>

#include "KelSQL/KelNetSQLDatabaseNameList.h"
#include "KelSQL/KelSQLServer.h"
#include "database/DatabaseFixture.h"
#include "support/ScriptedLiveSqlServer.h"

using kel::test::refused;
using kel::test::scalar;
using kel::test::sql;

namespace {

class DatabaseListTest : public kel::test::DatabaseTest {
protected:
    // alpha's agent host serving the live database names given.
    void serveDatabases(const std::vector<std::string>& names) {
        std::ofstream out(kel::test::liveDatabasesFile());
        for (const std::string& n : names) out << n << "\n";
        out.close();
        if (agentHost_.running()) return;
        startAgentHost();
        KelLastError err;
        ASSERT_TRUE(kel::probe::loadHandler(kAgentHost, "sLNSQLHOSTS", "sLPSQLHOSTSMSG", err))
            << err.formatLastErrorMessage();
    }
    void withLogin() {
        std::string sealed;
        ASSERT_TRUE(encryptSQLPassword("pw", sealed));
        ASSERT_TRUE(sql("UPDATE sqlServer SET sa = 'sa', saPassword = '" + sealed + "'"));
    }
    long long removal(unsigned long db) {
        return scalar("SELECT removalTime FROM sqlDatabase WHERE backupSetId = " + std::to_string(db));
    }
    long long deleted(unsigned long db) {
        return scalar("SELECT deleteFlag FROM sqlDatabase WHERE backupSetId = " + std::to_string(db));
    }
};

TEST_F(DatabaseListTest, NameListsTravelInPacketsOf50InOrder) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    ostrel.setRemoteSqlHostName(kAgentHost);
    const struct {
        size_t names;
        std::vector<uint64_t> packets;
    } cases[] = {{0, {0}}, {50, {50}}, {51, {50, 1}}, {120, {50, 50, 20}}};
    for (const auto& c : cases) {
        std::vector<std::string> live;
        for (size_t i = 0; i < c.names; ++i) live.push_back("db" + std::to_string(1000 - i));
        serveDatabases(live);
        KelNetSQLDatabaseNameList raw(ostrel, false);
        ASSERT_TRUE(raw.requestMessage(true) && raw.send());
        std::vector<uint64_t> counts;
        do {
            ASSERT_TRUE(raw.receive());
            EXPECT_EQ(raw.responseMessage(false)->TotalCount, c.names);
            counts.push_back(raw.responseMessage(false)->Count);
        } while (raw.moreFollows());
        EXPECT_EQ(counts, c.packets) << c.names;
        KelNetSQLDatabaseNameList list(ostrel, false);
        std::vector<std::string> got = {"stale"};
        ASSERT_TRUE(list.lookup("ALPHA\\SQL1", got)) << list.getLastError().formatLastErrorMessage();
        EXPECT_EQ(got, live);
    }
    // The Ostrel answers no name list.
    KelSQLClassProperties atOstrel(KelSQLServerSide);
    KelNetSQLDatabaseNameList toOstrel(atOstrel, false);
    std::vector<std::string> got;
    EXPECT_TRUE(refused(toOstrel.lookup("ALPHA\\SQL1", got), toOstrel.getLastError(), kelsql::kErrRequestRefused));
}

TEST_F(DatabaseListTest, UserDatabasesComeAfterTheLoginWithoutSystemOnes) {
    serveDatabases({"MASTER", "Sales", "tempdb", "Msdb", "model", "hr"});
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLServer server(ostrel, false);
    EXPECT_TRUE(refused(server.getDatabaseNames(tessel_, alpha_, kInstance) != nullptr, server.getLastError(),
                        kelsql::kErrSqlConnection));
    setLogin(ostrel, "sa", "pw");
    const std::vector<std::string>* names = server.getDatabaseNames(tessel_, alpha_, kInstance);
    ASSERT_NE(names, nullptr) << server.getLastError().formatLastErrorMessage();
    EXPECT_EQ(*names, (std::vector<std::string>{"Sales", "hr"}));
    EXPECT_TRUE(holdsLogin(ostrel, "sa", "pw", kAgentHost));
}

TEST_F(DatabaseListTest, UnconfiguredAreLiveNamesWithoutALiveRow) {
    serveDatabases({"Sales", "OLD", "tempdb", "MASTER", "New"});
    withLogin();
    databaseRow("sales");
    const unsigned long old = databaseRow("old");
    ASSERT_TRUE(sql("UPDATE sqlDatabase SET deleteFlag = 1 WHERE backupSetId = " + std::to_string(old)));
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLServer server(ostrel, false);
    std::vector<KelSQLDBNameWithType_t> typed = {{"kept", 0}};
    ASSERT_TRUE(server.getUnConfiguredDBsWithType(typed, "alpha", instance_))
        << server.getLastError().formatLastErrorMessage();
    ASSERT_EQ(typed.size(), 4u);
    const std::pair<const char*, int> expected[] = {{"kept", 0}, {"OLD", 0}, {"MASTER", 1}, {"New", 0}};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(typed[i].name, expected[i].first);
        EXPECT_EQ(typed[i].type, expected[i].second) << typed[i].name;
    }
    EXPECT_TRUE(holdsLogin(ostrel, "sa", "pw", kAgentHost));

    // The configured list is kept until fetched again.
    ASSERT_EQ(server.getConfiguredDBs(true, instance_)->size(), 2u);
    databaseRow("later");
    EXPECT_EQ(server.getConfiguredDBs(false, instance_)->size(), 2u);
    EXPECT_EQ(server.getConfiguredDBs(true, instance_)->size(), 3u);
    ASSERT_TRUE(sql("UPDATE sqlDatabase SET systemFlags = 0 WHERE databaseName <> 'sales'"));
    std::vector<KelSQLDatabase_t> system;
    ASSERT_TRUE(server.getSystemDatabases(system, instance_));
    ASSERT_EQ(system.size(), 1u);
    EXPECT_EQ(system[0].name, "sales");
}

TEST_F(DatabaseListTest, RemovalTimeAndDeleteFlagReachTheDatabases) {
    const unsigned long a = databaseRow("A"), b = databaseRow("B");
    ASSERT_TRUE(sql("UPDATE sqlDatabase SET removalTime = 500, deleteFlag = 1 WHERE backupSetId = " +
                    std::to_string(b)));
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLServer server(ostrel, false);
    ASSERT_TRUE(ostrel.startTransaction());
    ASSERT_TRUE(server.updateDBRemovalTime(instance_, 900)) << server.getLastError().formatLastErrorMessage();
    ASSERT_TRUE(server.updateDBDeleteFlag(instance_, false)) << server.getLastError().formatLastErrorMessage();
    ASSERT_TRUE(ostrel.commitTransaction());
    EXPECT_EQ(removal(a), 900);
    EXPECT_EQ(removal(b), 500);
    EXPECT_EQ(deleted(a), 0);
    EXPECT_EQ(deleted(b), 0);
    // Through the instance's own delete flag.
    ASSERT_TRUE(ostrel.startTransaction());
    ASSERT_TRUE(server.logicalDeletion(true, instance_)) << server.getLastError().formatLastErrorMessage();
    ASSERT_TRUE(ostrel.commitTransaction());
    EXPECT_EQ(deleted(a) + deleted(b), 2);
    EXPECT_EQ(scalar("SELECT deleteFlag FROM sqlServer"), 1);
}

TEST_F(DatabaseListTest, ForcedDeletionRemovesTheInstanceWithEverythingUnderIt) {
    const unsigned long a = databaseRow("A");
    ASSERT_TRUE(sql("INSERT INTO sqlFileGroup(id, sqlDatabaseId, tesselId, applicationNumber, groupId, fileGroupName, streams, "
                    "maxStreams, addTime, removalTime, deleteFlag) VALUES (40, " +
                    std::to_string(a) + ", " + std::to_string(tessel_) + ", 0, 1, 'PRIMARY', 1, 1, 1000, 0, 0)"));
    for (const std::string& values : {"1, " + std::to_string(a), std::string("2, NULL")})
        ASSERT_TRUE(sql("INSERT INTO sqlRestoreTask(id, sqlDatabaseId, sqlServerId, databaseName, next, "
                        "sqlRestoreDataId) VALUES (" + values + ", " + std::to_string(instance_) + ", 'x', 0, 0)"))
            << values;
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLServer server(ostrel, false);
    EXPECT_TRUE(refused(server.forceDeletion(instance_), server.getLastError(), kelsql::kErrTranRequired));
    EXPECT_EQ(scalar("SELECT count(*) FROM sqlDatabase"), 1);
    ASSERT_TRUE(ostrel.startTransaction());
    ASSERT_TRUE(server.forceDeletion(instance_)) << server.getLastError().formatLastErrorMessage();
    ASSERT_TRUE(ostrel.commitTransaction());
    for (const char* table : {"sqlServer", "sqlDatabase", "sqlFileGroup", "sqlRestoreTask"})
        EXPECT_EQ(scalar(std::string("SELECT count(*) FROM ") + table), 0) << table;
    // A row already gone.
    ASSERT_TRUE(ostrel.startTransaction());
    EXPECT_TRUE(server.forceDeletion(instance_));
    ASSERT_TRUE(ostrel.commitTransaction());
}

}  // namespace
