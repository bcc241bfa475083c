#include "AppMgrFixture.h"
#include "platform/db/DBtable.h"

namespace kel::test {
namespace {

using kel::appmgr::kAppErrApplication;
using kel::appmgr::kAppErrClient;

class ApplicationIdTest : public AppMgrTest {
protected:
    // Creates and returns the application id of the names on alpha.
    unsigned long create(unsigned long type, const std::string& inst, const std::string& db, const std::string& sub) {
        ApplicationId application(tessel_, alpha_, type, inst, db, sub);
        unsigned long id = 0;
        EXPECT_EQ(0, application.createApplicationId(nullptr)) << application.getLastError().formatLastErrorMessage();
        EXPECT_EQ(0, application.getAppId(id, nullptr));
        return id;
    }
    std::vector<std::string> applications(unsigned long type, unsigned long inst = 0, unsigned long set = 0) {
        std::vector<std::string> list;
        EXPECT_EQ(0, ClientApplicationList().getApplications(list, tessel_, alpha_, type, inst, set, nullptr, false));
        return list;
    }
};

TEST_F(ApplicationIdTest, CreationRegistersInstanceBackupSetAndSubclientOnce) {
    const unsigned long appId = create(16, "SQL1", "[ sales ]", "default");
    ApplicationId application(tessel_, appId);
    ASSERT_NE(nullptr, application.getSubclient(nullptr));
    EXPECT_EQ(nameOf(application.getInstance(nullptr)) + "|" + nameOf(application.getBackupSet(nullptr)) + "|" +
                  nameOf(application.getSubclient(nullptr)) + "|" + nameOf(application.getClient()),
              "SQL1|[ sales ]|default|alpha");
    EXPECT_EQ(appId, application.getSubclient()->getId());
    // The instance is the one InstanceByName finds, on the right client.
    unsigned long found = 0, client = 0;
    EXPECT_EQ(1, InstanceByName().getInstanceId(alpha_, 16, "sql1", &found, nullptr));
    EXPECT_EQ(application.getInstance()->getId(), found);
    EXPECT_EQ(0, ClientFromInstanceId().getClientId(found, client, nullptr));
    EXPECT_EQ(alpha_, client);

    // Again under other case: the existing id is reported.
    ApplicationId again(tessel_, alpha_, 16, "sql1", "[ SALES ]", "Default");
    unsigned long id = 0;
    EXPECT_EQ(kel::appmgr::kAppIdExists, again.createApplicationId(nullptr));
    EXPECT_EQ(0, again.getAppId(id));
    EXPECT_EQ(appId, id);
    EXPECT_EQ(1u, applications(16).size());
}

TEST_F(ApplicationIdTest, SubclientsShareInstanceAndBackupSetAndListBy) {
    const unsigned long a = create(16, "SQL1", "db1", "default"), b = create(16, "SQL1", "db1", "files");
    const unsigned long c = create(16, "SQL1", "db2", "default"), d = create(70, "SQL2", "db1", "default");
    const unsigned long e = create(16, "SQL3", "db1", "default");
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

    // By client and type, instance, backup set.
    EXPECT_EQ(texts({a, b, c, e}), applications(16));
    EXPECT_EQ(texts({d}), applications(70));
    ApplicationId fromText(std::to_string(c));
    EXPECT_EQ(nameOf(fromText.getBackupSet()), "db2");
    const unsigned long inst = fromText.getInstance()->getId();
    EXPECT_EQ(texts({a, b, c}), applications(16, inst));
    EXPECT_EQ(texts({c}), applications(16, inst, fromText.getBackupSet()->getId()));
    // The client without applications has an empty list; an unknown one fails.
    std::vector<std::string> list{"stale"};
    EXPECT_EQ(0, ClientApplicationList().getApplications(list, tessel_, beta_, 16, 0, 0, nullptr, false));
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(kAppErrClient, ClientApplicationList().getApplications(list, tessel_, beta_ + 100, 16, 0, 0, nullptr, false));
}

TEST_F(ApplicationIdTest, UnknownForeignRefusedOrRolledBack) {
    const unsigned long a = create(16, "SQL1", "db1", "default");
    ApplicationId wrongTessel(tessel_ + 1, a);
    EXPECT_EQ(nullptr, wrongTessel.getClient());
    EXPECT_EQ(static_cast<uint64_t>(kAppErrApplication), wrongTessel.getLastError().number());
    for (const char* text : {"", "abc", "12x", "-1", "99999999999"}) {
        ApplicationId bad{std::string(text)};
        EXPECT_EQ(nullptr, bad.getInstance()) << text;
        EXPECT_EQ(static_cast<uint64_t>(kAppErrApplication), bad.getLastError().number()) << text;
    }
    unsigned long id = 0, found = 0;
    EXPECT_EQ(kAppErrApplication, ApplicationId(tessel_, alpha_, 16, "SQL1", "db1", "files").getAppId(id));
    EXPECT_EQ(kAppErrClient, ApplicationId(tessel_, beta_ + 100, 16, "SQL1", "db1", "default").createApplicationId(nullptr));
    EXPECT_EQ(kel::appmgr::kAppErrArgument, ApplicationId(tessel_, alpha_, 16, "SQL1", "", "default").createApplicationId(nullptr));
    {
        DBtran tran(false);
        ASSERT_EQ(0, tran.startTran());
        ApplicationId application(tessel_, alpha_, 16, "SQL2", "db1", "default");
        ASSERT_EQ(0, application.createApplicationId(&tran));
        EXPECT_NE(nullptr, application.getInstance(&tran));
        ASSERT_EQ(0, tran.rollbackTran());
    }
    EXPECT_EQ(texts({a}), applications(16));
    EXPECT_EQ(0, InstanceByName().getInstanceId(alpha_, 16, "SQL2", &found, nullptr));
}

TEST_F(ApplicationIdTest, StoragePoliciesAndFileSubclientPersist) {
    const unsigned long a = create(16, "SQL1", "db1", "files");
    ApplicationId application(tessel_, a), reread(tessel_, a);
    unsigned long data = 0, log = 0, file = 9;
    EXPECT_EQ(0, application.getDataArchiveGroup(data, nullptr) + application.getIndexArchiveGroup(log, nullptr));
    EXPECT_EQ(std::make_pair(1ul, 1ul), std::make_pair(data, log));
    ASSERT_EQ(0, application.setDataArchiveGroup(5, nullptr, nullptr, nullptr));
    ASSERT_EQ(0, application.setIndexArchiveGroup(6, nullptr, nullptr, nullptr));
    ASSERT_NE(nullptr, application.getSubclient());
    EXPECT_EQ(0, application.getSubclient()->getSQLFileGroupID(file, nullptr));
    EXPECT_EQ(0u, file);
    ASSERT_EQ(0, application.getSubclient()->setSQLFileGroupID(12, nullptr));

    EXPECT_EQ(0, reread.getDataArchiveGroup(data, nullptr) + reread.getIndexArchiveGroup(log, nullptr));
    EXPECT_EQ(std::make_pair(5ul, 6ul), std::make_pair(data, log));
    EXPECT_NE(0, reread.setDataArchiveGroup(0, nullptr, nullptr, nullptr));
    EXPECT_EQ(0, Subclient(a).getSQLFileGroupID(file, nullptr));
    EXPECT_EQ(12u, file);
    EXPECT_EQ(kAppErrApplication, Subclient(a + 1).getSQLFileGroupID(file, nullptr));
}

TEST_F(ApplicationIdTest, RemovalTakesTheInstancesApplicationIdsAndMarksIt) {
    const unsigned long a = create(16, "SQL1", "db1", "default"), b = create(16, "SQL1", "db2", "default");
    const unsigned long other = create(16, "SQL2", "db1", "default");
    const unsigned long inst = ApplicationId(tessel_, a).getInstance()->getId();
    std::vector<std::string> removed;
    unsigned long count = 0;
    bool deleted = true;
    ASSERT_EQ(0, RemoveAppIdHelper(removed, count, alpha_, 16, inst, ApplicationId(tessel_, b).getBackupSet()->getId(), nullptr));
    EXPECT_EQ(texts({b}), removed);
    EXPECT_EQ(0, Instance(inst).isDeleted(deleted));
    EXPECT_FALSE(deleted);

    ASSERT_EQ(0, RemoveAppIdHelper(removed, count, alpha_, 16, inst, 0, nullptr));
    EXPECT_EQ(2u, count);
    EXPECT_EQ(texts({b, a}), removed);
    EXPECT_EQ(0, Instance(inst).isDeleted(deleted));
    EXPECT_TRUE(deleted);
    EXPECT_EQ(texts({other}), applications(16));
    EXPECT_TRUE(ClientApplicationList().isAppTypeInstalled(alpha_, 16));  // SQL2 remains

    // The instance keeps its id: registering the database again reuses it.
    const unsigned long again = create(16, "SQL1", "db1", "default");
    EXPECT_GT(again, other);
    EXPECT_EQ(inst, ApplicationId(tessel_, again).getInstance()->getId());
}

TEST_F(ApplicationIdTest, InstanceSettings) {
    const unsigned long inst = instance(alpha_, 70, "SQL5");
    MsSqlInstance settings(inst);
    bool discovery = true, writer = false;
    unsigned long data = 1, log = 1;
    EXPECT_EQ(0, settings.isEnableDiscovery(discovery, nullptr) + settings.getDefaultSPForDiscoveredDB(data, nullptr));
    EXPECT_FALSE(discovery);
    EXPECT_EQ(1u, data);  // none named: the caller's value stays
    ASSERT_EQ(0, admin_.setDiscovery(inst, true, 3, 4));
    ASSERT_EQ(0, admin_.setUseSnapshotWriter(inst, true));
    EXPECT_EQ(0, settings.isEnableDiscovery(discovery, nullptr) + settings.isUseSnapshotWriter(writer, nullptr) +
                     settings.getDefaultSPForDiscoveredDB(data, nullptr) + settings.getDefaultLogSPForDiscoveredDB(log, nullptr));
    EXPECT_TRUE(discovery && writer);
    EXPECT_EQ(std::make_pair(3ul, 4ul), std::make_pair(data, log));
    EXPECT_EQ(kel::appmgr::kAppErrInstance, MsSqlInstance(inst + 1).isEnableDiscovery(discovery, nullptr));
    EXPECT_EQ(kel::appmgr::kAppErrInstance, admin_.setDiscovery(inst + 1, true, 3, 4));
}

}  // namespace
}  // namespace kel::test
