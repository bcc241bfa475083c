// Creation of application ids on the Ostrel over the real catalogue and the
// application manager's tables: what registering an instance refuses or
// repairs, and how storage policies land on every application id of the
// database.
#include <sys/stat.h>
#include <unistd.h>

#include "DatabaseFixture.h"
#include "KelSQL/KelSQLAppId.h"
#include "platform/appmgr/ApplProperties.h"
#include "platform/appmgr/ApplicationId.h"
#include "platform/util/KelHome.h"

using kel::test::scalar;
using kel::test::sql;
using kel::test::text;

namespace {

class AppIdCreateTest : public kel::test::DatabaseTest {
protected:
    void SetUp() override {
        DatabaseTest::SetUp();
        captureLog();
        // The installation service's library, where the loader looks first.
        ASSERT_EQ(0, mkdir(home_.file("lib").c_str(), 0700));
        const std::string built = kel::programFolder() + "/../bin/libsLNSIMCS.so";
        ASSERT_EQ(0, symlink(built.c_str(), home_.file("lib/libsLNSIMCS.so").c_str()));
    }

    struct Request {
        const char* database;
        unsigned long type = 70;
        const char* server = kInstance;
        const char* client = "alpha";
        const char* subclient = "default";
        unsigned long sp = 3, logSp = 0, assign = 0;
        const char* release = "";
    };
    // Runs create() on the Ostrel: the error number (0 on success) and the
    // application id created or found.
    uint64_t create(const Request& r, unsigned long* appIdOut = nullptr) {
        KelSQLClassProperties ostrel(KelSQLServerSide);
        return create(ostrel, r, appIdOut);
    }
    // The same on ostrel, inside its transaction when one is started.
    uint64_t create(KelSQLClassProperties& ostrel, const Request& r, unsigned long* appIdOut = nullptr) {
        KelSQLAppId appId(ostrel, false);
        appId.setClientName(r.client);
        appId.setServerName(r.server);
        appId.setDatabaseName(r.database);
        appId.setSubClientName(r.subclient);
        appId.setArchiveGroupNameId(r.sp);
        appId.setLogArchiveGroupNameId(r.logSp);
        appId.setAssignSPFlag(r.assign);
        appId.setRelease(r.release);
        EXPECT_TRUE(appId.setApplicationType(r.type));
        const bool ok = appId.create();
        if (appIdOut) *appIdOut = appId.applicationId();
        last_ = appId.getLastError().number();
        return ok ? 0 : last_;
    }
    static long long applications() { return scalar("SELECT count(*) FROM APP_Application"); }
    static std::string policies(unsigned long appId) {
        return text("SELECT dataArchGroup || '/' || indexArchGroup FROM APP_Application WHERE id = " +
                    std::to_string(appId));
    }
    static long long installed(unsigned long client, unsigned long type) {
        return scalar("SELECT count(*) FROM APP_SimClientApp WHERE clientId = " + std::to_string(client) +
                      " AND appTypeId = " + std::to_string(type));
    }

    uint64_t last_ = 0;
};

}  // namespace

TEST_F(AppIdCreateTest, InstanceRegistrationRefusesBeforeCreatingAnything) {
    application("master", "default");
    unsigned long old = 0;
    ASSERT_EQ(0, admin_.createApplication(alpha_, 16, "ALPHA\\OLD", "master", "default", old));
    struct Case {
        const char* what;
        Request request;
    } cases[] = {
        {"70 to 16", {"MASTER", 16}},
        {"70 to 4", {"master", 4}},
        {"16 to 4", {"master", 4, "alpha\\old"}},
    };
    const long long before = applications();
    for (const Case& c : cases) {
        EXPECT_EQ(create(c.request), kelsql::kErrDowngrade) << c.what;
        EXPECT_EQ(applications(), before) << c.what;
    }
    EXPECT_TRUE(logged("Cannot install Instance [alpha\\old] with appType [4] since it is configured as SQL 2000!"));

    ASSERT_EQ(0, admin_.setFileSystemInstalled(alpha_, false));
    EXPECT_EQ(create({"master", 70, "ALPHA\\NEW"}), kelsql::kErrFileSystemMissing);
    EXPECT_TRUE(logged("Could not find FileSystem Drover in the database. File system Drover has to be installed "
                       "before any other Seltra Drover's. Install will break here."));
    EXPECT_EQ(applications(), before);
    EXPECT_EQ(create({"pubs", 70, "ALPHA\\NEW"}), 0u) << "an ordinary database needs no agent check";
}

TEST_F(AppIdCreateTest, MsdbRegistersTheInstanceOnlyOnTheOstrelsOwnClient) {
    unsigned long own = 0;
    ASSERT_EQ(0, admin_.createClient(tessel_, kOstrel, "", own));
    struct Case {
        const char* client;
        unsigned long clientId;
        long long registered;
    } cases[] = {{"alpha", alpha_, 0}, {kOstrel, own, 1}};
    for (const Case& c : cases) {
        Request r{"MSDB", 16, "ALPHA\\SQL2", c.client};
        r.release = "8.00.2039";
        EXPECT_EQ(create(r), 0u) << c.client;
        EXPECT_EQ(installed(c.clientId, 16), c.registered) << c.client;
    }
    EXPECT_TRUE(logged("SQL instance [ALPHA\\SQL2 IS NOT] being configured"));
    EXPECT_TRUE(logged("SQL instance [ALPHA\\SQL2 IS] being configured"));
}

TEST_F(AppIdCreateTest, FailedUpgradeLeavesItsErrorAndTheCreationGoesOn) {
    unsigned long old = 0;
    ASSERT_EQ(0, admin_.createApplication(alpha_, 16, "ALPHA\\OLD", "pubs", "default", old));
    ASSERT_TRUE(sql("INSERT INTO APP_SimClientApp (clientId, appTypeId, release) VALUES (" + std::to_string(alpha_) +
                    ", 16, '8.00'); CREATE TRIGGER refuse BEFORE UPDATE ON APP_SimClientApp "
                    "BEGIN SELECT RAISE(ABORT, 'refused'); END;"));
    unsigned long appId = 0;
    Request r{"master", 70, "ALPHA\\OLD"};
    r.release = "9.00.1399";
    EXPECT_EQ(create(r, &appId), 0u);
    EXPECT_EQ(last_, static_cast<uint64_t>(kel::appmgr::kAppErrInstallDb));
    EXPECT_TRUE(logged("appTypeUpgrade failed!!"));
    EXPECT_EQ(policies(appId), "3/3");
    EXPECT_EQ(installed(alpha_, 70), 1) << "an upgrade leaves the client's applications to be updated";
}

TEST_F(AppIdCreateTest, StoragePoliciesReachEveryApplicationIdOfTheDatabase) {
    const unsigned long salesDefault = application("sales", "default");
    const unsigned long salesNightly = application("sales", "nightly");
    const unsigned long hr = application("hr", "default");
    ASSERT_TRUE(sql("UPDATE APP_Application SET indexArchGroup = 4 WHERE id = " + std::to_string(salesNightly)));
    const long long before = applications();
    unsigned long found = 0;
    EXPECT_EQ(create({"SALES", 70, kInstance, "alpha", "DEFAULT", 5}, &found), 0u);
    EXPECT_EQ(found, salesDefault);
    EXPECT_EQ(applications(), before) << "the default subclient of a configured database creates nothing";
    EXPECT_EQ(policies(salesDefault), "5/5");
    EXPECT_EQ(policies(salesNightly), "5/4") << "a policy already set stays";
    EXPECT_EQ(policies(hr), "1/1");

    // The subclient's own policy wins, and carries over to the next.
    ApplProperties(hr).setProperty(ApplNativeProperty("Storage Policy", ApplNativeProperty::Integer, "7"));
    const unsigned long hrWeekly = application("hr", "weekly");
    EXPECT_EQ(create({"hr", 70, kInstance, "alpha", "default", 3, 1, 2}), 0u);
    EXPECT_EQ(policies(hr), "7/7");
    EXPECT_EQ(policies(hrWeekly), "7/7");

    // A new subclient of a configured database is created.
    unsigned long monthly = 0;
    EXPECT_EQ(create({"sales", 70, kInstance, "alpha", "monthly", 6, 2}, &monthly), 0u);
    EXPECT_EQ(applications(), before + 2);
    EXPECT_EQ(policies(monthly), "6/2");
}

TEST_F(AppIdCreateTest, DiscoveredLogPolicyWithoutItsGroupFallsBackToOne) {
    ASSERT_EQ(0, admin_.setDiscovery(instance_, true, 0, 5));
    unsigned long appId = 0;
    EXPECT_EQ(create({"found", 70, kInstance, "alpha", "default", 1, 4}, &appId), 0u);
    EXPECT_TRUE(logged("event 0x1E000108 | LOG | found | " + std::string(kInstance) + " | alpha"));
    EXPECT_FALSE(logged("| DATA |")) << "policy 1 is never looked up";
    EXPECT_EQ(policies(appId), "1/1");

    ASSERT_TRUE(sql("INSERT INTO archGroup (id, name) VALUES (5, 'logs')"));
    EXPECT_EQ(create({"later", 70, kInstance, "alpha", "default", 9}, &appId), 0u);
    EXPECT_TRUE(logged("event 0x1E000108 | DATA | later"));
    EXPECT_EQ(policies(appId), "1/5");
}

TEST_F(AppIdCreateTest, MarkedDeletedInstanceIsBroughtBackThroughTheLibrary) {
    application("master", "default");
    ASSERT_EQ(0, admin_.setInstanceDeleted(instance_, true));
    EXPECT_EQ(create({"master"}), 0u);
    EXPECT_TRUE(logged("Instance has been undeleted."));
    bool deleted = true;
    ASSERT_EQ(0, Instance(instance_).isDeleted(deleted));
    EXPECT_FALSE(deleted);

    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLAppId appId(ostrel, false);
    EXPECT_FALSE(appId.loadSimCSMarkDeleteApplicationInstance(tessel_, beta_, 70, instance_, 1))
        << "another client's instance";
    EXPECT_EQ(appId.getLastError().number(), static_cast<uint64_t>(kel::appmgr::kAppErrInstance));
}

TEST_F(AppIdCreateTest, AgentAsksTheOstrelToCreate) {
    KelSQLClassProperties agent(KelSQLClientSide);
    KelSQLAppId appId(agent, false);
    appId.setClientName("alpha");
    appId.setServerName(kInstance);
    appId.setDatabaseName("orders");
    appId.setSubClientName("default");
    appId.setArchiveGroupNameId(4);
    ASSERT_TRUE(appId.setApplicationType(70));
    KelNetSQLAppIdReqV3_t* req = appId.requestMessage(true);
    EXPECT_TRUE(appId.copyToRequest(*req));
    req->DBCode = KelNetSQLAppIdCreate;
    ASSERT_TRUE(appId.networkQuery()) << appId.getLastError().formatLastErrorMessage();
    EXPECT_EQ(appId.instanceId(), instance_);
    EXPECT_EQ(appId.clientId(), alpha_);
    EXPECT_EQ(policies(appId.applicationId()), "4/4");
    req = appId.requestMessage(true);
    EXPECT_TRUE(appId.copyToRequest(*req));
    req->DBCode = KelNetSQLAppIdCreate;
    req->ArchiveGroupNameId = 0;
    EXPECT_EQ(kel::test::failure(appId.networkQuery(), appId.getLastError()), kelsql::kErrValueNotSet);
}

// Registering an instance writes its application id, then the client's
// application type with the release: a refusal there takes the id back.
TEST_F(AppIdCreateTest, AnInstanceRefusedInItsLastStepLeavesNoApplicationIdAndItsRetryCommitsWhole) {
    ASSERT_TRUE(kel::test::refuseInserts("APP_SimClientApp", "NEW.release = 'refused'"));
    const auto written = [] {
        return kel::test::rowCounts({"APP_InstanceName", "APP_BackupSetName", "APP_Application", "APP_SimClientApp"});
    };
    const kel::test::RowCounts before = written();
    // beta has no instance yet: registering one installs its application type.
    Request r{"master", 70, "BETA\\SQL1", "beta"};
    r.release = "refused";
    KelSQLClassProperties ostrel(KelSQLServerSide);
    ASSERT_TRUE(ostrel.startTransaction());
    EXPECT_EQ(create(ostrel, r), static_cast<uint64_t>(kel::appmgr::kAppErrInstallDb));
    ASSERT_TRUE(ostrel.commitTransaction());
    EXPECT_EQ(written(), before);

    ASSERT_TRUE(ostrel.startTransaction());
    EXPECT_NE(create(ostrel, r), 0u);
    r.release = "9.00.1399";
    ASSERT_EQ(create(ostrel, r), 0u);
    ASSERT_TRUE(ostrel.commitTransaction());
    EXPECT_EQ(written(), kel::test::grown(before, {{"APP_InstanceName", 1}, {"APP_BackupSetName", 1},
                                                   {"APP_Application", 1}, {"APP_SimClientApp", 1}}));
    EXPECT_EQ(kel::test::text("SELECT release FROM APP_SimClientApp WHERE clientId = " + std::to_string(beta_)),
              "9.00.1399");
}
