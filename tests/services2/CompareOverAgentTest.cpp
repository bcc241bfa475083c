// The comparison before a backup that the Ostrel asks of the client's agent
// host (DBCode 8), over real dispatchers: with nothing read from the live
// instance the names differ; with a live database that came back, the
// Ostrel marks the database and every file subclient for a full backup.
#include "../database/DatabaseFixture.h"
#include "KelSQL/KelSQLDatabase.h"
#include "KelSQL/KelSQLFileSubClient.h"
#include "support/ProbeMessages.h"

using kel::test::refused;
using kel::test::scalar;
using kel::test::sql;

namespace {

class CompareOverAgentTest : public kel::test::DatabaseTest {
protected:
    void SetUp() override {
        DatabaseTest::SetUp();
        std::string stored;
        ASSERT_TRUE(encryptSQLPassword("pw", stored));
        ASSERT_TRUE(sql("UPDATE sqlServer SET sa = 'sa', saPassword = '" + stored + "'"));
        startAgentHost();
        db_ = databaseRow("pubs", 1, 0);
    }
    // Loads a handler library into the agent host, whose live reader then
    // serves every database as present.
    void serveLiveDatabases() {
        KelLastError err;
        ASSERT_TRUE(kel::probe::loadHandler(kAgentHost, "sLNSQLHOSTS", "sLPSQLHOSTSMSG", err))
            << err.formatLastErrorMessage();
    }
    bool compare(KelSQLDatabase& db) { return db.CompareAndUpdate("alpha", kInstance, instance_, db_); }

    unsigned long db_ = 0;
};

TEST_F(CompareOverAgentTest, NothingReadFromTheLiveInstanceEndsWithNamesDiffering) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLDatabase db(ostrel, false);
    EXPECT_TRUE(refused(compare(db), db.getLastError(), kelsql::kErrCompareAndUpdate));
    EXPECT_TRUE(refused(db.CompareAndUpdate("alpha", kInstance, instance_, 0), db.getLastError(),
                        kelsql::kErrValueNotSet, "databaseId"));
    KelSQLClassProperties agent(KelSQLClientSide);
    KelSQLDatabase onAgent(agent, false);
    EXPECT_TRUE(refused(onAgent.CompareAndUpdate("alpha", kInstance, instance_, db_), onAgent.getLastError(),
                        kelsql::kErrOstrelSideOnly));
}

TEST_F(CompareOverAgentTest, DatabaseBackAgainMarksFullBackupOnEveryFileSubClient) {
    ASSERT_TRUE(sql("UPDATE sqlDatabase SET removalTime = 1000"));
    KelSQLClassProperties ostrel(KelSQLServerSide);
    ASSERT_TRUE(ostrel.startTransaction());
    for (const char* name : {"fs1", "fs2"}) {
        KelSQLFileSubClient s(ostrel, false);
        s.setTesselId(tessel_);
        s.setSqlDatabaseId(db_);
        s.setSubClientName(name);
        ASSERT_TRUE(s.insert()) << s.getLastError().formatLastErrorMessage();
    }
    ASSERT_TRUE(ostrel.commitTransaction());
    serveLiveDatabases();
    KelSQLDatabase db(ostrel, false);
    ASSERT_TRUE(compare(db)) << db.getLastError().formatLastErrorMessage();
    EXPECT_EQ(0, scalar("SELECT removalTime FROM sqlDatabase"));
    EXPECT_EQ(0x20, scalar("SELECT allowFlags FROM sqlDatabase") & 0x20);
    EXPECT_EQ(2, scalar("SELECT count(*) FROM sqlFileSubClient WHERE flags & 2 = 2"));
}

}  // namespace
