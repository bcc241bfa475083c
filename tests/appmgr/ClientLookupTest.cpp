#include <unistd.h>

#include "AppMgrFixture.h"
#include "platform/db/DBtable.h"

namespace kel::test {
namespace {

using kel::appmgr::kAppErrClient;
using kel::appmgr::kAppErrExists;
using kel::appmgr::kAppErrInstance;
using kel::appmgr::kAppErrNoHost;
using kel::appmgr::kAppErrTessel;

TEST_F(AppMgrTest, TesselsAndClientsByNameAndId) {
    EXPECT_EQ(0, access(home_.file("catalogue.db").c_str(), F_OK));
    KelTessel tessel(tessel_);
    unsigned long number = 0, id = 0, os = 0, other = 0;
    std::string name, host;
    EXPECT_EQ(0, tessel.getTesselNumber(number));
    EXPECT_EQ(tessel_, number);
    EXPECT_EQ(0, tessel.getName(name));
    EXPECT_EQ("main", name);
    EXPECT_EQ(kAppErrTessel, KelTessel(tessel_ + 1).lookup());

    // By name, whatever the case and trailing blanks: the stored name.
    KelClient client(tessel_, "ALPHA  ", false, 0);
    ASSERT_EQ(0, client.lookup(nullptr));
    EXPECT_EQ(0, client.getClientId(id));
    EXPECT_EQ(alpha_, id);
    EXPECT_EQ(0, client.getNetworkHostname(host));
    EXPECT_EQ("alpha.example", host);
    EXPECT_EQ(0, client.getName(name));
    EXPECT_EQ("alpha", name);
    EXPECT_EQ(0, client.getOperatingSystemId(os));
    EXPECT_EQ(7u, os);
    // By id, with and without its Tessel.
    EXPECT_EQ(0, KelClient(tessel_, beta_).getName(name));
    EXPECT_EQ("beta", name);
    name.clear();
    EXPECT_EQ(0, KelClient(beta_).getName(name));
    EXPECT_EQ("beta", name);

    // Names are unique per Tessel; another Tessel has its own.
    EXPECT_EQ(kAppErrExists, admin_.createClient(tessel_, "Alpha", "", id));
    ASSERT_EQ(0, admin_.createTessel("other", other));
    KelClient wrongTessel(other, beta_);
    EXPECT_EQ(kAppErrClient, wrongTessel.lookup());
    EXPECT_EQ(static_cast<uint64_t>(kAppErrClient), wrongTessel.getLastError().number());
    ASSERT_EQ(0, admin_.createClient(other, "alpha", "", id));
    unsigned long found = 0;
    EXPECT_EQ(0, KelClient(other, "alpha", false, 0).getClientId(found));
    EXPECT_EQ(id, found);
    EXPECT_EQ(0, KelClient(tessel_, "alpha", false, 0).getClientId(found));
    EXPECT_EQ(alpha_, found);
    EXPECT_EQ(kAppErrTessel, admin_.createClient(other + 5, "delta", "", id));
}

TEST_F(AppMgrTest, UnknownOrHostlessClientKeepsOutputs) {
    KelClient byName(tessel_, "gamma", false, 0);
    EXPECT_EQ(kAppErrClient, byName.lookup(nullptr));
    unsigned long id = 99;
    std::string host = "unchanged";
    EXPECT_EQ(kAppErrClient, byName.getClientId(id));
    EXPECT_EQ(kAppErrClient, byName.getNetworkHostname(host));
    EXPECT_EQ(99u, id);
    EXPECT_NE(std::string::npos, byName.getLastError().formatLastErrorMessage().find("gamma"));
    EXPECT_EQ(kAppErrClient, KelClient(beta_ + 100).lookup());
    EXPECT_EQ(kAppErrClient, KelClient(0UL).lookup());
    EXPECT_EQ(kAppErrClient, KelClient(tessel_, "", false, 0).lookup());

    KelClient beta(tessel_, "beta", false, 0);
    ASSERT_EQ(0, beta.lookup());
    EXPECT_EQ(kAppErrNoHost, beta.getNetworkHostname(host));
    EXPECT_EQ("unchanged", host);
    ASSERT_EQ(0, admin_.setNetworkHostname(beta_, "beta.example"));
    EXPECT_EQ(0, KelClient(beta_).getNetworkHostname(host));
    EXPECT_EQ("beta.example", host);
}

TEST_F(AppMgrTest, NamesWithQuotesAreStoredWhole) {
    unsigned long id = 0;
    ASSERT_EQ(0, admin_.createClient(tessel_, "o'brien'; DROP TABLE APP_Client; --", "h'1", id));
    std::string name, host;
    EXPECT_EQ(0, KelClient(id).getName(name));
    EXPECT_EQ("o'brien'; DROP TABLE APP_Client; --", name);
    EXPECT_EQ(0, KelClient(tessel_, name, false, 0).getNetworkHostname(host));
    EXPECT_EQ("h'1", host);
    EXPECT_EQ(0, KelClient(alpha_).lookup());
}

TEST_F(AppMgrTest, InstanceByNameLooksUnderOneTypeOnly) {
    unsigned long sql2000 = instance(alpha_, 16, "SALES");
    instance(beta_, 4, "SALES");
    InstanceByName lookup;
    unsigned long id = 0;
    EXPECT_EQ(0, lookup.getInstanceId(alpha_, 4, "sales", &id, nullptr));
    EXPECT_EQ(0u, id);
    EXPECT_EQ(static_cast<uint64_t>(kAppErrInstance), lookup.getLastError().number());
    EXPECT_EQ(1, lookup.getInstanceId(alpha_, 16, "sales", &id, nullptr));
    EXPECT_EQ(sql2000, id);
    EXPECT_EQ(0, lookup.getInstanceId(alpha_, 16, "sales2", &id, nullptr));
    EXPECT_EQ(0, lookup.getInstanceId(alpha_, 16, "sales", nullptr, nullptr));

    unsigned long dup = 0;
    EXPECT_EQ(kAppErrExists, admin_.createInstance(alpha_, 16, "Sales", dup));
    EXPECT_EQ(kAppErrClient, admin_.createInstance(beta_ + 100, 16, "x", dup));
}

TEST_F(AppMgrTest, ClientFromInstanceId) {
    unsigned long id = instance(beta_, 70, "INST1");
    ClientFromInstanceId lookup;
    unsigned long client = 0;
    EXPECT_EQ(0, lookup.getClientId(id, client, nullptr));
    EXPECT_EQ(beta_, client);
    client = 42;
    EXPECT_EQ(kAppErrInstance, lookup.getClientId(id + 1, client, nullptr));
    EXPECT_EQ(kAppErrInstance, lookup.getClientId(0, client, nullptr));
    EXPECT_EQ(42u, client);
}

TEST_F(AppMgrTest, InstanceListOfOneClientAndType) {
    unsigned long first = instance(alpha_, 16, "B");
    instance(alpha_, 70, "C");
    instance(beta_, 16, "D");
    unsigned long second = instance(alpha_, 16, "A");
    ClientApplicationList list;
    std::vector<unsigned long> ids{99};
    std::vector<std::string> names{"stale"};
    ASSERT_EQ(0, list.getInstanceList(alpha_, 16, ids, names, nullptr, 1));
    EXPECT_EQ(std::vector<unsigned long>({first, second}), ids);
    EXPECT_EQ(std::vector<std::string>({"B", "A"}), names);
    EXPECT_TRUE(list.isAppTypeInstalled(alpha_, 70));
    EXPECT_FALSE(list.isAppTypeInstalled(beta_, 70));
    EXPECT_EQ(kAppErrClient, list.getInstanceList(beta_ + 100, 16, ids, names, nullptr, 1));
    EXPECT_TRUE(ids.empty());
}

TEST_F(AppMgrTest, IdsAreNeverReusedAfterDelete) {
    unsigned long client = 0, again = 0;
    ASSERT_EQ(0, admin_.createClient(tessel_, "temp", "", client));
    unsigned long inst = instance(client, 16, "I1");
    unsigned long app = 0;
    ASSERT_EQ(0, admin_.createApplication(client, 16, "I1", "db", "default", app));
    ASSERT_EQ(0, admin_.deleteClient(client));
    EXPECT_EQ(kAppErrClient, KelClient(client).lookup());
    EXPECT_EQ(kAppErrInstance, Instance(inst).lookup());

    // The newest ids were deleted: a new row must still not take them.
    ASSERT_EQ(0, admin_.createClient(tessel_, "temp", "", again));
    EXPECT_GT(again, client);
    EXPECT_GT(instance(again, 16, "I1"), inst);
    unsigned long app2 = 0;
    ASSERT_EQ(0, admin_.createApplication(again, 16, "I1", "db", "default", app2));
    EXPECT_GT(app2, app);
    ASSERT_EQ(0, admin_.deleteApplication(app2));
    unsigned long app3 = 0;
    ASSERT_EQ(0, admin_.createApplication(again, 16, "I1", "db", "default", app3));
    EXPECT_GT(app3, app2);
    EXPECT_EQ(kel::appmgr::kAppErrApplication, admin_.deleteApplication(app2));
}

TEST_F(AppMgrTest, DeleteRefusedWholeWhileTheCatalogueRefersToTheInstance) {
    unsigned long app = 0;
    ASSERT_EQ(0, admin_.createApplication(alpha_, 16, "I1", "db", "default", app));
    ApplicationId application(tessel_, app);
    ASSERT_NE(nullptr, application.getInstance());
    unsigned long inst = application.getInstance()->getId();
    ASSERT_EQ(SQLITE_OK, rawSql("INSERT INTO sqlServer (instanceId, tesselId, clientId) VALUES (" +
                                std::to_string(inst) + ", " + std::to_string(tessel_) + ", " +
                                std::to_string(alpha_) + ")"));
    EXPECT_EQ(kel::appmgr::kAppErrDatabase, admin_.deleteInstance(inst));
    // Nothing went: the application id and its backup set are still there.
    unsigned long id = 0;
    EXPECT_EQ(0, ApplicationId(tessel_, app).getAppId(id));
    EXPECT_NE(nullptr, ApplicationId(tessel_, app).getBackupSet());
    EXPECT_EQ(kel::appmgr::kAppErrDatabase, admin_.deleteClient(alpha_));
    EXPECT_EQ(0, KelClient(alpha_).lookup());
}

TEST_F(AppMgrTest, LookupsSeeTheCallersTransaction) {
    DBtran tran(false);
    ASSERT_EQ(0, tran.startTran());
    kel::appmgr::Admin inTran(&tran);
    unsigned long client = 0;
    ASSERT_EQ(0, inTran.createClient(tessel_, "pending", "p.example", client));
    std::string host;
    EXPECT_EQ(0, KelClient(tessel_, "pending", false, 0).getNetworkHostname(host, &tran));
    EXPECT_EQ("p.example", host);
    ASSERT_EQ(0, tran.rollbackTran());
    EXPECT_EQ(kAppErrClient, KelClient(tessel_, "pending", false, 0).lookup());
}

}  // namespace
}  // namespace kel::test
