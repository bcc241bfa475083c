// Application ids found for a client's instance, database and subclient, over
// a real Ostrel dispatcher and the application manager's tables.
#include "DatabaseFixture.h"

#include "KelSQL/KelSQLAppId.h"

using kel::test::failure;

namespace {

class AppIdTest : public kel::test::DatabaseTest {
protected:
    void SetUp() override {
        DatabaseTest::SetUp();
        salesDefault_ = application("[ sales ]", "default", &salesSet_);
        salesNightly_ = application("[ sales ]", "nightly");
        hr_ = application("[hr", "default");
    }

public:
    unsigned long salesDefault_ = 0, salesNightly_ = 0, hr_ = 0, salesSet_ = 0;
};

}  // namespace

TEST_F(AppIdTest, LookupMatchesNamesAsTheManagerKeepsThem) {
    struct Case {
        const char* client;
        const char* server;
        const char* database;
        const char* subclient;
        unsigned long AppIdTest::*expected;
        uint64_t error;
    } cases[] = {
        {"ALPHA", "alpha\\sql1", " SALES ", "DEFAULT", &AppIdTest::salesDefault_, 0},
        {"alpha", kInstance, " sales ", "Nightly", &AppIdTest::salesNightly_, 0},
        {"alpha", kInstance, "h", "default", &AppIdTest::hr_, 0},  // "[hr" loses its first and last character
        {"alpha", kInstance, "sales", "default", nullptr, kelsql::kErrApplicationId},
        {"alpha", kInstance, " sales ", "weekly", nullptr, kelsql::kErrApplicationId},
        {"gamma", kInstance, " sales ", "default", nullptr, kelsql::kErrClientNotFound},
    };
    KelSQLClassProperties agent(KelSQLClientSide);
    for (const Case& c : cases) {
        KelSQLAppId appId(agent, false);
        appId.setClientName(c.client);
        appId.setServerName(c.server);
        appId.setDatabaseName(c.database);
        appId.setSubClientName(c.subclient);
        ASSERT_TRUE(appId.setApplicationType(70));
        KelNetSQLAppIdReqV3_t* req = appId.requestMessage(true);
        EXPECT_TRUE(appId.copyToRequest(*req));
        req->DBCode = KelNetSQLAppIdLookup;
        const bool ok = appId.networkQuery();
        EXPECT_EQ(failure(ok, appId.getLastError()), c.error) << c.database << "/" << c.subclient;
        EXPECT_EQ(appId.applicationId(), c.expected ? this->*c.expected : 0ul) << c.database << "/" << c.subclient;
        if (c.expected == &AppIdTest::salesDefault_) {
            EXPECT_EQ(appId.backupSetId(), salesSet_);
            EXPECT_EQ(appId.instanceId(), instance_);
            EXPECT_EQ(appId.clientId(), alpha_);
        }
    }
}

TEST_F(AppIdTest, OtherRequestCodesAreRefusedWithZeroIds) {
    KelSQLClassProperties agent(KelSQLClientSide);
    for (uint32_t code : {3u, 4u}) {
        KelSQLAppId appId(agent, false);
        KelNetSQLAppIdReqV3_t* req = appId.requestMessage(true);
        EXPECT_TRUE(kel::copyField(req->ClientName, std::string("alpha")));
        req->DBCode = code;
        EXPECT_EQ(failure(appId.networkQuery(), appId.getLastError()), kelsql::kErrRequestRefused);
        const KelNetSQLAppIdRsp_t* rsp = appId.responseMessage(false);
        EXPECT_EQ(rsp->InstanceId + rsp->BackupSetId + rsp->ApplicationId + rsp->ClientId, 0u);
    }
}

TEST_F(AppIdTest, ApplicationTypeFollowsItsTable) {
    struct Case {
        unsigned long code;
        unsigned long dsnMajor;
        uint64_t error;
        unsigned long type;  // after the call, from 16 before it
    } cases[] = {
        {0, 8, 0, 16},  {0, 9, 0, 70}, {0, 10, kelsql::kErrUnsupportedVersion, 16},
        {4, 0, 0, 4},   {70, 0, 0, 70}, {5, 0, kelsql::kErrUnknownAppType, 16},
    };
    KelSQLClassProperties ostrel(KelSQLServerSide);
    for (const Case& c : cases) {
        KelSQLAppId appId(ostrel, false);
        ASSERT_TRUE(appId.setApplicationType(16));
        ostrel.getSQLDSN().setSqlServerVersion(c.dsnMajor, 0, 0);
        EXPECT_EQ(failure(appId.setApplicationType(c.code), appId.getLastError()), c.error) << c.code;
        EXPECT_EQ(appId.applicationType(), c.type) << c.code;
        EXPECT_EQ(appId.isSQL2000MajorVersion(), c.type == 16) << c.code;
    }
}
