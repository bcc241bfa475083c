// The application information a backup asks for, over a real Ostrel
// dispatcher in each of the three message versions: layouts and sizes, the
// next-full value, the file-subclient override, discovery and snapshot
// settings, and the ids refused on either side.
#include "../database/DatabaseFixture.h"
#include "KelSQL/KelSQLAppInfo.h"
#include "KelSQL/KelSQLFileSubClient.h"

#include <memory>

using kel::test::refused;
using kel::test::sql;

namespace {

class AppInfoTest : public kel::test::DatabaseTest {
protected:
    void SetUp() override {
        DatabaseTest::SetUp();
        ASSERT_TRUE(sql("INSERT INTO APP_SystemOS(id, name) VALUES (7, 'seven'), (34, 'thirty-four')"));
        agent_ = std::make_unique<KelSQLClassProperties>(KelSQLClientSide);
    }
    // The application number the database row was registered under.
    static unsigned long appOf(unsigned long db) {
        return static_cast<unsigned long>(
            kel::test::scalar("SELECT applicationNumber FROM sqlDatabase WHERE backupSetId = " + std::to_string(db)));
    }
    // Agent side, sent to the Ostrel.
    bool ask(KelSQLAppInfo& info, unsigned long appNumber) { return info.query(tessel_, appNumber); }
    std::unique_ptr<KelSQLClassProperties> agent_;
};

TEST_F(AppInfoTest, EachVersionAnswersInItsOwnLayout) {
    // Next full not allowed (bit 1 clear), discovery on, snapshot writer on,
    // the client on a flagged system.
    const unsigned long app = appOf(databaseRow("pubs", 1, 0));
    ASSERT_EQ(0, admin_.setDiscovery(instance_, true, 5, 6));
    ASSERT_EQ(0, admin_.setUseSnapshotWriter(instance_, true));
    ASSERT_TRUE(sql("UPDATE APP_Client SET osId = 34 WHERE id = " + std::to_string(alpha_)));
    struct Case {
        unsigned long version;
        size_t size;
        unsigned long logSP, vss;
    };
    const Case cases[] = {{kelsql::kAppInfoV1, 1040, 6, 0},
                          {kelsql::kAppInfoV2, 1032, 0, 0},
                          {kelsql::kAppInfoV3, 1048, 6, 3}};
    for (const Case& c : cases) {
        KelSQLAppInfo info(*agent_, false, c.version);
        ASSERT_TRUE(ask(info, app)) << info.getLastError().formatLastErrorMessage();
        EXPECT_EQ(c.size, info.getResponseMessageLength()) << c.version;
        EXPECT_EQ(c.version + 1, info.responseType);
        EXPECT_EQ("pubs", info.databaseName());
        EXPECT_EQ(kInstance, info.serverName());
        EXPECT_EQ(KelSQLAppInfo::kNextFullNotAllowed, info.nextFullBackup());
        EXPECT_FALSE(info.isNextFullAllowed());
        EXPECT_FALSE(info.isNextFullOn());
        EXPECT_FALSE(info.isBackupTypeFileSubClient());
        EXPECT_EQ(tessel_, info.tesselNumber());
        EXPECT_EQ(5u, info.spForAutoDiscovery());
        EXPECT_EQ(c.logSP, info.spForLogAutoDiscovery()) << c.version;
        EXPECT_EQ(c.vss, info.vssAllowFlags()) << c.version;
        // No backup set yet: no id and the zero time.
        EXPECT_EQ(0u, info.lastBackupSetId());
        EXPECT_EQ(0, info.lastBackupSetTime().Year);
    }
}

TEST_F(AppInfoTest, FileSubClientOverridesTheDatabaseAndDiscoveryOffGivesNoPolicies) {
    // Next full allowed and on.
    const unsigned long db = databaseRow("sales", 1, 0x3);
    KelSQLClassProperties ostrel(KelSQLServerSide);
    ASSERT_TRUE(ostrel.startTransaction());
    KelSQLFileSubClient sub(ostrel, false);
    sub.setTesselId(tessel_);
    sub.setSqlDatabaseId(db);
    sub.setSubClientName("fs1");
    sub.streams().setStreams(3);
    sub.setFullRequiredFlagOn();
    ASSERT_TRUE(sub.insert()) << sub.getLastError().formatLastErrorMessage();
    ASSERT_TRUE(ostrel.commitTransaction());
    const unsigned long whole = appOf(db);
    const unsigned long files = application("sales", "fs1");
    ASSERT_TRUE(sql("UPDATE APP_Application SET sqlFileSubClientId = " + std::to_string(sub.sqlId()) +
                    " WHERE id = " + std::to_string(files)));
    KelSQLAppInfo info(*agent_, false, kelsql::kAppInfoV3);
    ASSERT_TRUE(ask(info, files)) << info.getLastError().formatLastErrorMessage();
    EXPECT_TRUE(info.isBackupTypeFileSubClient());
    EXPECT_EQ("fs1", info.fileOrGroupName());
    EXPECT_EQ(sub.sqlId(), info.sqlFileOrGroupId());
    EXPECT_EQ(3u, info.streams());
    EXPECT_EQ(1u, info.nextFullBackup());
    EXPECT_EQ(0u, info.spForAutoDiscovery());
    EXPECT_EQ(0u, info.spForLogAutoDiscovery());
    EXPECT_EQ(0u, info.vssAllowFlags());
    // The same database as a whole: the database's values, no file subclient.
    ASSERT_TRUE(ask(info, whole));
    EXPECT_FALSE(info.isBackupTypeFileSubClient());
    EXPECT_EQ("", info.fileOrGroupName());
    EXPECT_EQ(0u, info.sqlFileOrGroupId());
    EXPECT_EQ(1u, info.streams());
    // The local lookup alone fills what no response carries.
    KelSQLAppInfo local(ostrel, false, kelsql::kAppInfoV2);
    ASSERT_TRUE(local.query(tessel_, files)) << local.getLastError().formatLastErrorMessage();
    EXPECT_TRUE(local.isFFGBkpFullRequired());
    EXPECT_EQ("alpha", local.clientName());
    EXPECT_EQ(alpha_, local.clientID());
    EXPECT_EQ(instance_, local.instanceID());
}

TEST_F(AppInfoTest, ZeroIdsAreRefusedOnEitherSide) {
    KelSQLAppInfo info(*agent_, false, kelsql::kAppInfoV1);
    EXPECT_TRUE(refused(info.query(0, 5), info.getLastError(), kelsql::kErrValueNotSet, "tesselId"));
    EXPECT_TRUE(refused(info.query(tessel_, 0), info.getLastError(), kelsql::kErrValueNotSet, "appNumber"));
    // A request that bypasses the agent's check meets the handler's.
    KelNetSQLAppInfo raw(*agent_, false, kelsql::kAppInfoV2);
    raw.requestMessage(true)->TesselId = tessel_;
    KelLastError err;
    EXPECT_TRUE(refused(raw.exchange(err), err, kelsql::kErrRequestIds));
    // Outside reply mode the handler's operation is refused.
    KelNetSQLAppInfoReq_t req{tessel_, 1};
    KelNetSQLAppInfoRsp_t rsp{};
    EXPECT_TRUE(refused(info.lookup(&req, &rsp), info.getLastError(), kelsql::kErrNoSide));
}

}  // namespace
