#include "AppMgrFixture.h"
#include "platform/db/DBtable.h"

namespace kel::test {
namespace {

using kel::appmgr::kAppErrClient;
using kel::appmgr::kAppErrExists;
using kel::appmgr::kAppErrInstance;
using kel::appmgr::kAppErrTessel;

TEST_F(AppMgrTest, TesselsAndClientsByNameAndId) {
    unsigned long number = 0, id = 0, os = 0, other = 0, found = 0;
    std::string host;
    EXPECT_EQ(0, KelTessel(tessel_).getTesselNumber(number));
    EXPECT_EQ(std::to_string(number) + nameOf(KelTessel(tessel_)), std::to_string(tessel_) + "main");
    EXPECT_EQ(kAppErrTessel, KelTessel(tessel_ + 1).lookup());
    // By name, whatever the case and trailing blanks: the stored name.
    KelClient client(tessel_, "ALPHA  ", false, 0);
    EXPECT_EQ(0, client.getClientId(id) + client.getNetworkHostname(host) + client.getOperatingSystemId(os));
    EXPECT_EQ(nameOf(client) + "|" + host + "|" + std::to_string(id) + "|" + std::to_string(os),
              "alpha|alpha.example|" + std::to_string(alpha_) + "|7");
    // By id, with and without its Tessel.
    EXPECT_EQ(nameOf(KelClient(tessel_, beta_)) + "|" + nameOf(KelClient(beta_)), "beta|beta");

    // Names are unique per Tessel; another Tessel has its own.
    EXPECT_EQ(kAppErrExists, admin_.createClient(tessel_, "Alpha", "", id));
    ASSERT_EQ(0, admin_.createTessel("other", other));
    KelClient wrongTessel(other, beta_);
    EXPECT_EQ(kAppErrClient, wrongTessel.lookup());
    EXPECT_EQ(static_cast<uint64_t>(kAppErrClient), wrongTessel.getLastError().number());
    ASSERT_EQ(0, admin_.createClient(other, "alpha", "", id));
    EXPECT_EQ(0, KelClient(other, "alpha", false, 0).getClientId(found));
    EXPECT_EQ(id, found);
    EXPECT_EQ(kAppErrTessel, admin_.createClient(other + 5, "delta", "", id));
}

TEST_F(AppMgrTest, UnknownOrHostlessClientKeepsOutputs) {
    KelClient byName(tessel_, "gamma", false, 0);
    unsigned long id = 99;
    std::string host = "unchanged";
    EXPECT_EQ(kAppErrClient, byName.getClientId(id));
    EXPECT_EQ(kAppErrClient, byName.getNetworkHostname(host));
    EXPECT_EQ(99u, id);
    EXPECT_NE(std::string::npos, byName.getLastError().formatLastErrorMessage().find("gamma"));
    EXPECT_EQ(kAppErrClient, KelClient(beta_ + 100).lookup());
    EXPECT_EQ(kAppErrClient, KelClient(0UL).lookup());
    EXPECT_EQ(kAppErrClient, KelClient(tessel_, "", false, 0).lookup());
    EXPECT_EQ(kel::appmgr::kAppErrNoHost, KelClient(tessel_, "beta", false, 0).getNetworkHostname(host));
    EXPECT_EQ("unchanged", host);
    ASSERT_EQ(0, admin_.setNetworkHostname(beta_, "beta.example"));
    EXPECT_EQ(0, KelClient(beta_).getNetworkHostname(host));
    EXPECT_EQ("beta.example", host);

    // Quotes are stored whole.
    const std::string quoted = "o'brien'; DROP TABLE APP_Client; --";
    ASSERT_EQ(0, admin_.createClient(tessel_, quoted, "h'1", id));
    EXPECT_EQ(0, KelClient(tessel_, quoted, false, 0).getNetworkHostname(host));
    EXPECT_EQ(nameOf(KelClient(id)) + "|" + host, quoted + "|h'1");
    EXPECT_EQ(0, KelClient(alpha_).lookup());
}

TEST_F(AppMgrTest, InstancesByNameClientAndList) {
    const unsigned long sales = instance(alpha_, 16, "SALES"), first = instance(alpha_, 16, "B");
    instance(beta_, 4, "SALES");
    instance(alpha_, 70, "C");
    const unsigned long second = instance(alpha_, 16, "A");
    // By name under one type only.
    InstanceByName lookup;
    unsigned long id = 0, client = 42;
    EXPECT_EQ(0, lookup.getInstanceId(alpha_, 4, "sales", &id, nullptr));
    EXPECT_EQ(0u, id);
    EXPECT_EQ(static_cast<uint64_t>(kAppErrInstance), lookup.getLastError().number());
    EXPECT_EQ(1, lookup.getInstanceId(alpha_, 16, "sales", &id, nullptr));
    EXPECT_EQ(sales, id);
    EXPECT_EQ(0, lookup.getInstanceId(alpha_, 16, "sales2", &id, nullptr));
    EXPECT_EQ(0, lookup.getInstanceId(alpha_, 16, "sales", nullptr, nullptr));
    EXPECT_EQ(kAppErrExists, admin_.createInstance(alpha_, 16, "Sales", id));
    EXPECT_EQ(kAppErrClient, admin_.createInstance(beta_ + 100, 16, "x", id));
    // The client of an unknown instance: refused, the output kept.
    EXPECT_EQ(kAppErrInstance, ClientFromInstanceId().getClientId(second + 10, client, nullptr));
    EXPECT_EQ(kAppErrInstance, ClientFromInstanceId().getClientId(0, client, nullptr));
    EXPECT_EQ(42u, client);

    // The list of one client and type, in creation order, replacing the old.
    ClientApplicationList list;
    std::vector<unsigned long> ids{99};
    std::vector<std::string> names{"stale"};
    ASSERT_EQ(0, list.getInstanceList(alpha_, 16, ids, names, nullptr, 1));
    EXPECT_EQ(std::vector<unsigned long>({sales, first, second}), ids);
    EXPECT_EQ(std::vector<std::string>({"SALES", "B", "A"}), names);
    EXPECT_TRUE(list.isAppTypeInstalled(alpha_, 70) && !list.isAppTypeInstalled(beta_, 70));
    EXPECT_EQ(kAppErrClient, list.getInstanceList(beta_ + 100, 16, ids, names, nullptr, 1));
    EXPECT_TRUE(ids.empty());
}

TEST_F(AppMgrTest, IdsAreNeverReusedAfterDelete) {
    unsigned long client = 0, again = 0, app = 0, app2 = 0, app3 = 0;
    ASSERT_EQ(0, admin_.createClient(tessel_, "temp", "", client));
    const unsigned long inst = instance(client, 16, "I1");
    ASSERT_EQ(0, admin_.createApplication(client, 16, "I1", "db", "default", app));
    ASSERT_EQ(0, admin_.deleteClient(client));
    EXPECT_EQ(kAppErrClient, KelClient(client).lookup());
    EXPECT_EQ(kAppErrInstance, Instance(inst).lookup());

    // The newest ids were deleted: a new row must still not take them.
    ASSERT_EQ(0, admin_.createClient(tessel_, "temp", "", again));
    EXPECT_GT(again, client);
    EXPECT_GT(instance(again, 16, "I1"), inst);
    ASSERT_EQ(0, admin_.createApplication(again, 16, "I1", "db", "default", app2));
    ASSERT_EQ(0, admin_.deleteApplication(app2));
    ASSERT_EQ(0, admin_.createApplication(again, 16, "I1", "db", "default", app3));
    EXPECT_TRUE(app < app2 && app2 < app3);
    EXPECT_EQ(kel::appmgr::kAppErrApplication, admin_.deleteApplication(app2));
}

TEST_F(AppMgrTest, DeleteRefusedWholeWhileTheCatalogueRefersToTheInstance) {
    unsigned long app = 0, id = 0;
    ASSERT_EQ(0, admin_.createApplication(alpha_, 16, "I1", "db", "default", app));
    ASSERT_NE(nullptr, ApplicationId(tessel_, app).getInstance());
    const unsigned long inst = ApplicationId(tessel_, app).getInstance()->getId();
    ASSERT_EQ(SQLITE_OK, rawSql("INSERT INTO sqlServer (instanceId, tesselId, clientId) VALUES (" + std::to_string(inst) +
                                ", " + std::to_string(tessel_) + ", " + std::to_string(alpha_) + ")"));
    EXPECT_EQ(kel::appmgr::kAppErrDatabase, admin_.deleteInstance(inst));
    // Nothing went: the application id and its backup set are still there.
    EXPECT_EQ(0, ApplicationId(tessel_, app).getAppId(id));
    EXPECT_NE(nullptr, ApplicationId(tessel_, app).getBackupSet());
    EXPECT_EQ(kel::appmgr::kAppErrDatabase, admin_.deleteClient(alpha_));
    EXPECT_EQ(0, KelClient(alpha_).lookup());
}

TEST_F(AppMgrTest, LookupsSeeTheCallersTransaction) {
    DBtran tran(false);
    ASSERT_EQ(0, tran.startTran());
    unsigned long client = 0;
    std::string host;
    ASSERT_EQ(0, kel::appmgr::Admin(&tran).createClient(tessel_, "pending", "p.example", client));
    EXPECT_EQ(0, KelClient(tessel_, "pending", false, 0).getNetworkHostname(host, &tran));
    EXPECT_EQ("p.example", host);
    ASSERT_EQ(0, tran.rollbackTran());
    EXPECT_EQ(kAppErrClient, KelClient(tessel_, "pending", false, 0).lookup());
}

}  // namespace
}  // namespace kel::test
