#include "AppMgrFixture.h"
#include "platform/db/DBtable.h"

namespace kel::test {
namespace {

using kel::appmgr::kAppErrApplication;
using kel::appmgr::kAppErrClient;
using kel::appmgr::kAppIdExists;

class ApplicationIdTest : public AppMgrTest {
protected:
    // Creates and returns the application id of the names on alpha.
    unsigned long create(unsigned long type, const std::string& inst, const std::string& db, const std::string& sub) {
        ApplicationId application(tessel_, alpha_, type, inst, db, sub);
        EXPECT_EQ(0, application.createApplicationId(nullptr)) << application.getLastError().formatLastErrorMessage();
        unsigned long id = 0;
        EXPECT_EQ(0, application.getAppId(id, nullptr));
        return id;
    }

    std::vector<std::string> applications(unsigned long type, unsigned long inst = 0, unsigned long set = 0) {
        std::vector<std::string> list;
        EXPECT_EQ(0, ClientApplicationList().getApplications(list, tessel_, alpha_, type, inst, set, nullptr, false));
        return list;
    }
};

TEST_F(ApplicationIdTest, CreationRegistersInstanceBackupSetAndSubclient) {
    ApplicationId application(tessel_, alpha_, 16, "SQL1", "[ sales ]", "default");
    ASSERT_EQ(0, application.createApplicationId(nullptr));
    unsigned long appId = 0;
    ASSERT_EQ(0, application.getAppId(appId));
    Instance* inst = application.getInstance(nullptr);
    BackupSet* set = application.getBackupSet(nullptr);
    Subclient* sub = application.getSubclient(nullptr);
    ASSERT_TRUE(inst && set && sub);
    std::string name;
    EXPECT_EQ(0, inst->getName(name));
    EXPECT_EQ("SQL1", name);
    EXPECT_EQ(0, set->getName(name));
    EXPECT_EQ("[ sales ]", name);
    EXPECT_EQ(0, sub->getName(name));
    EXPECT_EQ("default", name);
    EXPECT_EQ(appId, sub->getId());

    // The instance is the one InstanceByName finds, on the right client.
    unsigned long found = 0, client = 0;
    EXPECT_EQ(1, InstanceByName().getInstanceId(alpha_, 16, "sql1", &found, nullptr));
    EXPECT_EQ(inst->getId(), found);
    EXPECT_EQ(0, ClientFromInstanceId().getClientId(found, client, nullptr));
    EXPECT_EQ(alpha_, client);
    ASSERT_NE(nullptr, application.getClient());
    EXPECT_EQ(0, application.getClient()->getName(name));
    EXPECT_EQ("alpha", name);
}

TEST_F(ApplicationIdTest, SecondCreationReportsTheExistingId) {
    unsigned long first = create(16, "SQL1", "db1", "default");
    ApplicationId again(tessel_, alpha_, 16, "sql1", "DB1", "Default");
    EXPECT_EQ(kAppIdExists, again.createApplicationId(nullptr));
    unsigned long id = 0;
    EXPECT_EQ(0, again.getAppId(id));
    EXPECT_EQ(first, id);
    EXPECT_EQ(1u, applications(16).size());
}

TEST_F(ApplicationIdTest, SubclientsShareInstanceAndBackupSet) {
    unsigned long a = create(16, "SQL1", "db1", "default");
    unsigned long b = create(16, "SQL1", "db1", "files");
    unsigned long c = create(16, "SQL1", "db2", "default");
    ASSERT_LT(a, b);
    ApplicationId first(tessel_, a), second(tessel_, b), third(tessel_, c);
    ASSERT_TRUE(first.getBackupSet() && second.getBackupSet() && third.getBackupSet());
    EXPECT_EQ(first.getInstance()->getId(), third.getInstance()->getId());
    EXPECT_EQ(first.getBackupSet()->getId(), second.getBackupSet()->getId());
    EXPECT_NE(first.getBackupSet()->getId(), third.getBackupSet()->getId());

    std::vector<unsigned long> ids;
    std::vector<std::string> names;
    ASSERT_EQ(0, ClientApplicationList().getSubclientList(ids, names, 16, first.getBackupSet()->getId(), nullptr, 1));
    EXPECT_EQ(std::vector<unsigned long>({a, b}), ids);
    EXPECT_EQ(std::vector<std::string>({"default", "files"}), names);
}

TEST_F(ApplicationIdTest, ListsByClientTypeInstanceAndBackupSet) {
    unsigned long a = create(16, "SQL1", "db1", "default");
    unsigned long b = create(70, "SQL2", "db1", "default");
    unsigned long c = create(16, "SQL3", "db1", "default");
    unsigned long d = create(16, "SQL1", "db2", "default");
    EXPECT_EQ(std::vector<std::string>({std::to_string(a), std::to_string(c), std::to_string(d)}), applications(16));
    EXPECT_EQ(std::vector<std::string>({std::to_string(b)}), applications(70));

    ApplicationId fromText(applications(16).back());
    ASSERT_NE(nullptr, fromText.getBackupSet());
    std::string name;
    EXPECT_EQ(0, fromText.getBackupSet()->getName(name));
    EXPECT_EQ("db2", name);
    unsigned long inst = fromText.getInstance()->getId();
    EXPECT_EQ(std::vector<std::string>({std::to_string(a), std::to_string(d)}), applications(16, inst));
    EXPECT_EQ(std::vector<std::string>({std::to_string(d)}),
              applications(16, inst, fromText.getBackupSet()->getId()));

    // The client without applications has an empty list; an unknown one fails.
    std::vector<std::string> list{"stale"};
    EXPECT_EQ(0, ClientApplicationList().getApplications(list, tessel_, beta_, 16, 0, 0, nullptr, false));
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(kAppErrClient, ClientApplicationList().getApplications(list, tessel_, beta_ + 100, 16, 0, 0, nullptr, false));
}

TEST_F(ApplicationIdTest, UnknownOrForeignApplicationIds) {
    unsigned long a = create(16, "SQL1", "db1", "default");
    ApplicationId wrongTessel(tessel_ + 1, a);
    EXPECT_EQ(nullptr, wrongTessel.getClient());
    EXPECT_EQ(static_cast<uint64_t>(kAppErrApplication), wrongTessel.getLastError().number());
    for (const char* text : {"", "abc", "12x", "-1", "99999999999"}) {
        ApplicationId bad{std::string(text)};
        EXPECT_EQ(nullptr, bad.getInstance()) << text;
        EXPECT_EQ(static_cast<uint64_t>(kAppErrApplication), bad.getLastError().number()) << text;
    }
    // Not registered under these names yet.
    unsigned long id = 0;
    EXPECT_EQ(kAppErrApplication, ApplicationId(tessel_, alpha_, 16, "SQL1", "db1", "files").getAppId(id));
}

TEST_F(ApplicationIdTest, RefusedOrRolledBackCreationLeavesNothing) {
    EXPECT_EQ(kAppErrClient, ApplicationId(tessel_, beta_ + 100, 16, "SQL1", "db1", "default").createApplicationId(nullptr));
    EXPECT_EQ(kel::appmgr::kAppErrArgument, ApplicationId(tessel_, alpha_, 16, "SQL1", "", "default").createApplicationId(nullptr));
    {
        DBtran tran(false);
        ASSERT_EQ(0, tran.startTran());
        ApplicationId application(tessel_, alpha_, 16, "SQL1", "db1", "default");
        ASSERT_EQ(0, application.createApplicationId(&tran));
        EXPECT_NE(nullptr, application.getInstance(&tran));
        ASSERT_EQ(0, tran.rollbackTran());
    }
    EXPECT_TRUE(applications(16).empty());
    unsigned long found = 0;
    EXPECT_EQ(0, InstanceByName().getInstanceId(alpha_, 16, "SQL1", &found, nullptr));
}

TEST_F(ApplicationIdTest, StoragePoliciesAndFileSubclientPersist) {
    unsigned long a = create(16, "SQL1", "db1", "files");
    ApplicationId application(tessel_, a);
    unsigned long data = 0, log = 0, file = 9;
    EXPECT_EQ(0, application.getDataArchiveGroup(data, nullptr));
    EXPECT_EQ(0, application.getIndexArchiveGroup(log, nullptr));
    EXPECT_EQ(1u, data);
    EXPECT_EQ(1u, log);
    ASSERT_EQ(0, application.setDataArchiveGroup(5, nullptr, nullptr, nullptr));
    ASSERT_EQ(0, application.setIndexArchiveGroup(6, nullptr, nullptr, nullptr));
    ASSERT_NE(nullptr, application.getSubclient());
    EXPECT_EQ(0, application.getSubclient()->getSQLFileGroupID(file, nullptr));
    EXPECT_EQ(0u, file);
    ASSERT_EQ(0, application.getSubclient()->setSQLFileGroupID(12, nullptr));

    ApplicationId reread{std::to_string(a)};
    EXPECT_EQ(0, reread.getDataArchiveGroup(data, nullptr));
    EXPECT_EQ(0, reread.getIndexArchiveGroup(log, nullptr));
    EXPECT_EQ(5u, data);
    EXPECT_EQ(6u, log);
    EXPECT_NE(0, reread.setDataArchiveGroup(0, nullptr, nullptr, nullptr));
    EXPECT_EQ(0, Subclient(a).getSQLFileGroupID(file, nullptr));
    EXPECT_EQ(12u, file);
    EXPECT_EQ(kAppErrApplication, Subclient(a + 1).getSQLFileGroupID(file, nullptr));
}

TEST_F(ApplicationIdTest, RemovalTakesTheInstancesApplicationIdsAndMarksIt) {
    unsigned long a = create(16, "SQL1", "db1", "default");
    unsigned long b = create(16, "SQL1", "db2", "default");
    unsigned long other = create(16, "SQL2", "db1", "default");
    unsigned long inst = ApplicationId(tessel_, a).getInstance()->getId();
    unsigned long set2 = ApplicationId(tessel_, b).getBackupSet()->getId();

    std::vector<std::string> removed;
    unsigned long count = 0;
    ASSERT_EQ(0, RemoveAppIdHelper(removed, count, alpha_, 16, inst, set2, nullptr));
    EXPECT_EQ(std::vector<std::string>({std::to_string(b)}), removed);
    bool deleted = true;
    EXPECT_EQ(0, Instance(inst).isDeleted(deleted));
    EXPECT_FALSE(deleted);

    ASSERT_EQ(0, RemoveAppIdHelper(removed, count, alpha_, 16, inst, 0, nullptr));
    EXPECT_EQ(2u, count);
    EXPECT_EQ(std::vector<std::string>({std::to_string(b), std::to_string(a)}), removed);
    EXPECT_EQ(0, Instance(inst).isDeleted(deleted));
    EXPECT_TRUE(deleted);
    EXPECT_EQ(std::vector<std::string>({std::to_string(other)}), applications(16));
    EXPECT_TRUE(ClientApplicationList().isAppTypeInstalled(alpha_, 16));  // SQL2 remains

    // The instance keeps its id: registering the database again reuses it.
    unsigned long again = create(16, "SQL1", "db1", "default");
    EXPECT_GT(again, other);
    EXPECT_EQ(inst, ApplicationId(tessel_, again).getInstance()->getId());
}

TEST_F(ApplicationIdTest, InstanceSettings) {
    unsigned long inst = instance(alpha_, 70, "SQL5");
    bool on = true;
    unsigned long data = 1, log = 1;
    EXPECT_EQ(0, MsSqlInstance(inst).isEnableDiscovery(on, nullptr));
    EXPECT_FALSE(on);
    EXPECT_EQ(0, MsSqlInstance(inst).getDefaultSPForDiscoveredDB(data, nullptr));
    EXPECT_EQ(1u, data);  // none named: the caller's value stays
    ASSERT_EQ(0, admin_.setDiscovery(inst, true, 3, 4));
    ASSERT_EQ(0, admin_.setUseSnapshotWriter(inst, true));
    EXPECT_EQ(0, MsSqlInstance(inst).isEnableDiscovery(on, nullptr));
    EXPECT_TRUE(on);
    EXPECT_EQ(0, MsSqlInstance(inst).isUseSnapshotWriter(on, nullptr));
    EXPECT_TRUE(on);
    EXPECT_EQ(0, MsSqlInstance(inst).getDefaultSPForDiscoveredDB(data, nullptr));
    EXPECT_EQ(0, MsSqlInstance(inst).getDefaultLogSPForDiscoveredDB(log, nullptr));
    EXPECT_EQ(3u, data);
    EXPECT_EQ(4u, log);
    EXPECT_EQ(kel::appmgr::kAppErrInstance, MsSqlInstance(inst + 1).isEnableDiscovery(on, nullptr));
    EXPECT_EQ(kel::appmgr::kAppErrInstance, admin_.setDiscovery(inst + 1, true, 3, 4));
}

}  // namespace
}  // namespace kel::test
