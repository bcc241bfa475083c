// The application manager's rows on the shared Tessel, with its clients
// "alpha" (a network host name, OS 7) and "beta" (none): application ids with
// their instance, backup set and subclient, lists, lookups, deletion, and the
// installation's registrations and properties.
#include "platform/appmgr/ApplProperties.h"
#include "platform/appmgr/ApplicationId.h"
#include "platform/appmgr/ClientApplicationList.h"
#include "platform/appmgr/KelClient.h"
#include "platform/appmgr/KelSimDb.h"
#include "platform/db/DBtable.h"
#include "support/TesselFixture.h"

namespace kel::test {
namespace {

using namespace kel::appmgr;

class AppMgrTest : public TesselTest {
protected:
    // A row's name, or why there is none.
    template <class T>
    static std::string nameOf(T&& row) {
        std::string name;
        const int rc = row.getName(name);
        return rc == 0 ? name : "error " + std::to_string(rc);
    }
    static std::vector<std::string> texts(std::initializer_list<unsigned long> ids) {
        std::vector<std::string> out;
        for (unsigned long id : ids) out.push_back(std::to_string(id));
        return out;
    }
    // Creates and returns the application id of the names on alpha.
    unsigned long create(unsigned long type, const std::string& inst, const std::string& db, const std::string& sub) {
        ApplicationId application(tessel_, alpha_, type, inst, db, sub);
        unsigned long id = 0;
        EXPECT_TRUE(application.createApplicationId(nullptr) == 0 && application.getAppId(id, nullptr) == 0)
            << application.getLastError().formatLastErrorMessage();
        return id;
    }
    std::vector<std::string> applications(unsigned long type, unsigned long inst = 0, unsigned long set = 0) {
        std::vector<std::string> list;
        EXPECT_EQ(0, ClientApplicationList().getApplications(list, tessel_, alpha_, type, inst, set, nullptr, false));
        return list;
    }
};
using ApplicationIdTest = AppMgrTest;

TEST_F(ApplicationIdTest, CreationRegistersInstanceBackupSetAndSubclientOnce) {
    const unsigned long appId = create(16, "SQL1", "[ sales ]", "default");
    ApplicationId application(tessel_, appId);
    EXPECT_EQ(nameOf(*application.getInstance(nullptr)) + "|" + nameOf(*application.getBackupSet(nullptr)) + "|" +
                  nameOf(*application.getSubclient(nullptr)) + "|" + nameOf(*application.getClient()),
              "SQL1|[ sales ]|default|alpha");
    // The instance is the one InstanceByName finds, on the right client.
    unsigned long found = 0, client = 0, id = 0;
    EXPECT_TRUE(appId == application.getSubclient()->getId() &&
                InstanceByName().getInstanceId(alpha_, 16, "sql1", &found, nullptr) == 1 &&
                found == application.getInstance()->getId() &&
                ClientFromInstanceId().getClientId(found, client, nullptr) == 0 && client == alpha_);
    // Again under other case: the existing id is reported.
    ApplicationId again(tessel_, alpha_, 16, "sql1", "[ SALES ]", "Default");
    EXPECT_TRUE(again.createApplicationId(nullptr) == kAppIdExists && again.getAppId(id) == 0 && id == appId &&
                applications(16).size() == 1);
}

TEST_F(ApplicationIdTest, SubclientsShareInstanceAndBackupSetAndListBy) {
    const unsigned long a = create(16, "SQL1", "db1", "default"), b = create(16, "SQL1", "db1", "files");
    const unsigned long c = create(16, "SQL1", "db2", "default"), d = create(70, "SQL2", "db1", "default"),
                        e = create(16, "SQL3", "db1", "default");
    ApplicationId first(tessel_, a), second(tessel_, b), third(tessel_, c);
    ASSERT_TRUE(first.getBackupSet() && second.getBackupSet() && third.getBackupSet());
    EXPECT_TRUE(first.getInstance()->getId() == third.getInstance()->getId() &&
                first.getBackupSet()->getId() == second.getBackupSet()->getId() &&
                first.getBackupSet()->getId() != third.getBackupSet()->getId());

    std::vector<unsigned long> ids;
    std::vector<std::string> names;
    ASSERT_EQ(0, ClientApplicationList().getSubclientList(ids, names, 16, first.getBackupSet()->getId(), nullptr, 1));
    EXPECT_TRUE(ids == std::vector<unsigned long>({a, b}) && names == std::vector<std::string>({"default", "files"}));

    // By client and type, instance, backup set.
    EXPECT_TRUE(texts({a, b, c, e}) == applications(16) && texts({d}) == applications(70));
    ApplicationId fromText(std::to_string(c));
    EXPECT_EQ(nameOf(*fromText.getBackupSet()), "db2");
    const unsigned long inst = fromText.getInstance()->getId();
    EXPECT_EQ(texts({a, b, c}), applications(16, inst));
    EXPECT_EQ(texts({c}), applications(16, inst, fromText.getBackupSet()->getId()));
    // The client without applications has an empty list; an unknown one fails.
    std::vector<std::string> list{"stale"};
    EXPECT_TRUE(ClientApplicationList().getApplications(list, tessel_, beta_, 16, 0, 0, nullptr, false) == 0 && list.empty());
    EXPECT_EQ(kAppErrClient, ClientApplicationList().getApplications(list, tessel_, beta_ + 100, 16, 0, 0, nullptr, false));
}

TEST_F(ApplicationIdTest, UnknownForeignRefusedOrRolledBack) {
    const unsigned long a = create(16, "SQL1", "db1", "default");
    ApplicationId wrongTessel(tessel_ + 1, a);
    EXPECT_TRUE(wrongTessel.getClient() == nullptr && wrongTessel.getLastError().number() == kAppErrApplication);
    for (const char* text : {"", "abc", "12x", "-1", "99999999999"}) {
        ApplicationId bad{std::string(text)};
        EXPECT_TRUE(bad.getInstance() == nullptr && bad.getLastError().number() == kAppErrApplication) << text;
    }
    unsigned long id = 0, found = 0;
    EXPECT_TRUE(ApplicationId(tessel_, alpha_, 16, "SQL1", "db1", "files").getAppId(id) == kAppErrApplication &&
                ApplicationId(tessel_, beta_ + 100, 16, "SQL1", "db1", "default").createApplicationId(nullptr) == kAppErrClient &&
                ApplicationId(tessel_, alpha_, 16, "SQL1", "", "default").createApplicationId(nullptr) == kAppErrArgument);
    DBtran tran(false);
    ApplicationId application(tessel_, alpha_, 16, "SQL2", "db1", "default");
    ASSERT_TRUE(tran.startTran() == 0 && application.createApplicationId(&tran) == 0 && application.getInstance(&tran) &&
                tran.rollbackTran() == 0);
    EXPECT_TRUE(texts({a}) == applications(16) && InstanceByName().getInstanceId(alpha_, 16, "SQL2", &found, nullptr) == 0);
}

TEST_F(ApplicationIdTest, RemovalTakesTheInstancesApplicationIdsAndMarksIt) {
    const unsigned long a = create(16, "SQL1", "db1", "default"), b = create(16, "SQL1", "db2", "default"),
                        other = create(16, "SQL2", "db1", "default"), inst = ApplicationId(tessel_, a).getInstance()->getId();
    std::vector<std::string> removed;
    unsigned long count = 0;
    bool deleted = true;
    ASSERT_EQ(0, RemoveAppIdHelper(removed, count, alpha_, 16, inst, ApplicationId(tessel_, b).getBackupSet()->getId(), nullptr));
    EXPECT_TRUE(removed == texts({b}) && Instance(inst).isDeleted(deleted) == 0 && !deleted);
    ASSERT_EQ(0, RemoveAppIdHelper(removed, count, alpha_, 16, inst, 0, nullptr));
    EXPECT_TRUE(count == 2 && removed == texts({b, a}) && Instance(inst).isDeleted(deleted) == 0 && deleted);
    // SQL2 remains.
    EXPECT_TRUE(texts({other}) == applications(16) && ClientApplicationList().isAppTypeInstalled(alpha_, 16));

    // The instance keeps its id: registering the database again reuses it.
    const unsigned long again = create(16, "SQL1", "db1", "default");
    EXPECT_TRUE(again > other && inst == ApplicationId(tessel_, again).getInstance()->getId());
}

// Storage policies, the file subclient's group and instance settings, as
// another reader finds them.
TEST_F(ApplicationIdTest, SettingsPersist) {
    const unsigned long a = create(16, "SQL1", "db1", "files"), inst = instance(alpha_, 70, "SQL5");
    ApplicationId application(tessel_, a), reread(tessel_, a);
    ASSERT_EQ(0, application.setDataArchiveGroup(5, nullptr, nullptr, nullptr) +
                     application.setIndexArchiveGroup(6, nullptr, nullptr, nullptr) +
                     application.getSubclient()->setSQLFileGroupID(12, nullptr));
    unsigned long data = 0, log = 0, file = 0;
    EXPECT_EQ(0, reread.getDataArchiveGroup(data, nullptr) + reread.getIndexArchiveGroup(log, nullptr) +
                     Subclient(a).getSQLFileGroupID(file, nullptr));
    EXPECT_EQ(std::to_string(data) + std::to_string(log) + std::to_string(file), "5612");
    EXPECT_TRUE(reread.setDataArchiveGroup(0, nullptr, nullptr, nullptr) != 0 &&
                Subclient(a + 1).getSQLFileGroupID(file, nullptr) == kAppErrApplication);

    MsSqlInstance settings(inst);
    bool discovery = false, writer = false;
    EXPECT_TRUE(settings.getDefaultSPForDiscoveredDB(data, nullptr) == 0 && data == 5);  // none named: the caller's value stays
    ASSERT_EQ(0, admin_.setDiscovery(inst, true, 3, 4) + admin_.setUseSnapshotWriter(inst, true));
    EXPECT_EQ(0, settings.isEnableDiscovery(discovery, nullptr) + settings.isUseSnapshotWriter(writer, nullptr) +
                     settings.getDefaultSPForDiscoveredDB(data, nullptr) + settings.getDefaultLogSPForDiscoveredDB(log, nullptr));
    EXPECT_TRUE(discovery && writer && data == 3 && log == 4);
    EXPECT_TRUE(MsSqlInstance(inst + 1).isEnableDiscovery(discovery, nullptr) == kAppErrInstance &&
                admin_.setDiscovery(inst + 1, true, 3, 4) == kAppErrInstance);
}

TEST_F(AppMgrTest, TesselsAndClientsByNameAndId) {
    unsigned long number = 0, id = 0, os = 0, other = 0, found = 0;
    std::string host;
    EXPECT_TRUE(KelTessel(tessel_).getTesselNumber(number) == 0 && number == tessel_ && nameOf(KelTessel(tessel_)) == "main" &&
                KelTessel(tessel_ + 1).lookup() == kAppErrTessel);
    // By name, whatever the case and trailing blanks: the stored name.
    KelClient client(tessel_, "ALPHA  ", false, 0);
    EXPECT_EQ(0, client.getClientId(id) + client.getNetworkHostname(host) + client.getOperatingSystemId(os));
    EXPECT_EQ(nameOf(client) + "|" + host + "|" + std::to_string(id) + "|" + std::to_string(os),
              "alpha|alpha.example|" + std::to_string(alpha_) + "|7");
    // By id, with and without its Tessel.
    EXPECT_EQ(nameOf(KelClient(tessel_, beta_)) + "|" + nameOf(KelClient(beta_)), "beta|beta");

    // Names are unique per Tessel; another Tessel has its own.
    ASSERT_TRUE(admin_.createClient(tessel_, "Alpha", "", id) == kAppErrExists && admin_.createTessel("other", other) == 0);
    KelClient wrongTessel(other, beta_);
    EXPECT_TRUE(wrongTessel.lookup() == kAppErrClient && wrongTessel.getLastError().number() == kAppErrClient);
    ASSERT_EQ(0, admin_.createClient(other, "alpha", "", id));
    EXPECT_TRUE(KelClient(other, "alpha", false, 0).getClientId(found) == 0 && found == id &&
                admin_.createClient(other + 5, "delta", "", id) == kAppErrTessel);
}

TEST_F(AppMgrTest, UnknownOrHostlessClientKeepsOutputs) {
    KelClient byName(tessel_, "gamma", false, 0);
    unsigned long id = 99;
    std::string host = "unchanged";
    EXPECT_TRUE(byName.getClientId(id) == kAppErrClient && byName.getNetworkHostname(host) == kAppErrClient && id == 99);
    EXPECT_NE(std::string::npos, byName.getLastError().formatLastErrorMessage().find("gamma"));
    EXPECT_TRUE(KelClient(beta_ + 100).lookup() == kAppErrClient && KelClient(0UL).lookup() == kAppErrClient &&
                KelClient(tessel_, "", false, 0).lookup() == kAppErrClient);
    EXPECT_TRUE(KelClient(tessel_, "beta", false, 0).getNetworkHostname(host) == kAppErrNoHost && host == "unchanged");
    ASSERT_EQ(0, admin_.setNetworkHostname(beta_, "beta.example"));
    EXPECT_TRUE(KelClient(beta_).getNetworkHostname(host) == 0 && host == "beta.example");

    // Quotes are stored whole.
    const std::string quoted = "o'brien'; DROP TABLE APP_Client; --";
    ASSERT_EQ(0, admin_.createClient(tessel_, quoted, "h'1", id));
    EXPECT_EQ(0, KelClient(tessel_, quoted, false, 0).getNetworkHostname(host) + KelClient(alpha_).lookup());
    EXPECT_EQ(nameOf(KelClient(id)) + "|" + host, quoted + "|h'1");
}

TEST_F(AppMgrTest, InstancesByNameClientAndList) {
    const unsigned long sales = instance(alpha_, 16, "SALES"), first = instance(alpha_, 16, "B");
    instance(beta_, 4, "SALES");
    instance(alpha_, 70, "C");
    const unsigned long second = instance(alpha_, 16, "A");
    // By name under one type only.
    InstanceByName lookup;
    unsigned long id = 0, client = 42;
    EXPECT_TRUE(lookup.getInstanceId(alpha_, 4, "sales", &id, nullptr) == 0 && id == 0 &&
                lookup.getLastError().number() == kAppErrInstance);
    EXPECT_TRUE(lookup.getInstanceId(alpha_, 16, "sales", &id, nullptr) == 1 && id == sales);
    EXPECT_EQ(0, lookup.getInstanceId(alpha_, 16, "sales2", &id, nullptr) + lookup.getInstanceId(alpha_, 16, "sales", nullptr, nullptr));
    EXPECT_TRUE(admin_.createInstance(alpha_, 16, "Sales", id) == kAppErrExists && admin_.createInstance(beta_ + 100, 16, "x", id) == kAppErrClient);
    // The client of an unknown instance: refused, the output kept.
    EXPECT_TRUE(ClientFromInstanceId().getClientId(second + 10, client, nullptr) == kAppErrInstance &&
                ClientFromInstanceId().getClientId(0, client, nullptr) == kAppErrInstance && client == 42);

    // The list of one client and type, in creation order, replacing the old.
    ClientApplicationList list;
    std::vector<unsigned long> ids{99};
    std::vector<std::string> names{"stale"};
    ASSERT_EQ(0, list.getInstanceList(alpha_, 16, ids, names, nullptr, 1));
    EXPECT_TRUE(ids == std::vector<unsigned long>({sales, first, second}) && names == std::vector<std::string>({"SALES", "B", "A"}));
    EXPECT_TRUE(list.isAppTypeInstalled(alpha_, 70) && !list.isAppTypeInstalled(beta_, 70));
    EXPECT_TRUE(list.getInstanceList(beta_ + 100, 16, ids, names, nullptr, 1) == kAppErrClient && ids.empty());
}

TEST_F(AppMgrTest, IdsAreNeverReusedAfterDelete) {
    unsigned long client = 0, again = 0, app = 0, app2 = 0, app3 = 0;
    ASSERT_EQ(0, admin_.createClient(tessel_, "temp", "", client));
    const unsigned long inst = instance(client, 16, "I1");
    ASSERT_TRUE(admin_.createApplication(client, 16, "I1", "db", "default", app) == 0 && admin_.deleteClient(client) == 0);
    EXPECT_TRUE(KelClient(client).lookup() == kAppErrClient && Instance(inst).lookup() == kAppErrInstance);

    // The newest ids were deleted: a new row must still not take them.
    ASSERT_EQ(0, admin_.createClient(tessel_, "temp", "", again));
    EXPECT_TRUE(again > client && instance(again, 16, "I1") > inst);
    ASSERT_TRUE(admin_.createApplication(again, 16, "I1", "db", "default", app2) == 0 && admin_.deleteApplication(app2) == 0 &&
                admin_.createApplication(again, 16, "I1", "db", "default", app3) == 0);
    EXPECT_TRUE(app < app2 && app2 < app3 && admin_.deleteApplication(app2) == kAppErrApplication);
}

TEST_F(AppMgrTest, DeleteRefusedWholeWhileTheCatalogueRefersToTheInstance) {
    unsigned long app = 0, id = 0;
    ASSERT_TRUE(admin_.createApplication(alpha_, 16, "I1", "db", "default", app) == 0 && ApplicationId(tessel_, app).getInstance());
    const unsigned long inst = ApplicationId(tessel_, app).getInstance()->getId();
    ASSERT_TRUE(sql("PRAGMA foreign_keys = ON; INSERT INTO sqlServer (instanceId, tesselId, clientId) VALUES (" +
                    std::to_string(inst) + ", " + std::to_string(tessel_) + ", " + std::to_string(alpha_) + ")"));
    // Nothing went: the application id and its backup set are still there.
    EXPECT_TRUE(admin_.deleteInstance(inst) == kAppErrDatabase && ApplicationId(tessel_, app).getAppId(id) == 0 &&
                ApplicationId(tessel_, app).getBackupSet() != nullptr);
    EXPECT_TRUE(admin_.deleteClient(alpha_) == kAppErrDatabase && KelClient(alpha_).lookup() == 0);
}

TEST_F(AppMgrTest, LookupsSeeTheCallersTransaction) {
    DBtran tran(false);
    unsigned long client = 0;
    std::string host;
    ASSERT_TRUE(tran.startTran() == 0 && Admin(&tran).createClient(tessel_, "pending", "p.example", client) == 0);
    EXPECT_TRUE(KelClient(tessel_, "pending", false, 0).getNetworkHostname(host, &tran) == 0 && host == "p.example");
    EXPECT_TRUE(tran.rollbackTran() == 0 && KelClient(tessel_, "pending", false, 0).lookup() == kAppErrClient);
}

TEST_F(AppMgrTest, FileSystemAndClientApplicationsRegisterUpdateAndUpgrade) {
    ASSERT_EQ(0, admin_.setFileSystemInstalled(beta_, false));
    KelSimDb sim;
    bool alpha = false, beta = true, unknown = true;
    EXPECT_TRUE(sim.isFileSystemAlreadyInstalled(alpha_, alpha, nullptr) && sim.isFileSystemAlreadyInstalled(beta_, beta, nullptr) &&
                !sim.isFileSystemAlreadyInstalled(beta_ + 100, unknown, nullptr));
    EXPECT_TRUE(alpha && !beta && unknown && sim.getLastError().number() == kAppErrClient);

    auto release = [&](unsigned long type) {
        std::string r;
        return sim.getClientApplication(alpha_, type, r) ? r : "<none>";
    };
    EXPECT_EQ(release(16), "<none>");
    ASSERT_TRUE(sim.updateSimClientApplication(alpha_, 7, "4.1", 0, 16, 0, 3, nullptr) &&
                sim.updateSimClientApplication(alpha_, 7, "4.2", 0, 16, 0, 3, nullptr));
    EXPECT_TRUE(release(16) == "4.2" && !sim.updateSimClientApplication(beta_ + 100, 7, "4.2", 0, 16, 0, 3, nullptr));
    // Upgraded, run again or to the same type: the registration moves and stays.
    for (unsigned long from : {16, 16, 70}) ASSERT_TRUE(sim.loadSimCSUpgradeDbFromAppType(70, from, "ALPHA", 0, 3, nullptr));
    EXPECT_EQ(release(16) + "|" + release(70), "<none>|4.2");
    EXPECT_TRUE(!sim.loadSimCSUpgradeDbFromAppType(70, 16, "nobody", 0, 3, nullptr) && sim.getLastError().number() == kAppErrClient);
    // Populating keeps a registered release and adds a missing type.
    KelEvent event;
    EXPECT_EQ(0, PopulateActivity().populateClientApptype(event, alpha_, 70) +
                     PopulateActivity().populateClientApptype(event, alpha_, 4));
    // The client goes with its registrations.
    EXPECT_TRUE(release(70) + "|" + release(4) == "4.2|" && admin_.deleteClient(alpha_) == 0);
}

TEST_F(AppMgrTest, ApplicationTypeDeletionMark) {
    const unsigned long first = instance(alpha_, 16, "A"), second = instance(alpha_, 16, "B");
    auto marked = [&] {
        KelApplicationType type(alpha_, 16);
        bool deleted = false;
        const int before = type.isMarkedDeleted(deleted), looked = type.lookup();  // nothing read before
        const int after = type.isMarkedDeleted(deleted);
        return std::to_string(before) + "|" + std::to_string(looked) + "|" + std::to_string(after) + "|" +
               (deleted ? "deleted" : "kept");
    };
    EXPECT_EQ(marked(), "100|0|0|kept");
    // One deleted instance does not mark the type; all of them do.
    ASSERT_EQ(0, admin_.setInstanceDeleted(first, true));
    EXPECT_EQ(marked(), "100|0|0|kept");
    ASSERT_EQ(0, admin_.setInstanceDeleted(second, true));
    EXPECT_TRUE(marked() == "100|0|0|deleted" && !ClientApplicationList().isAppTypeInstalled(alpha_, 16));

    KelApplicationType all(alpha_, 16);
    bool deleted = true;
    ASSERT_EQ(0, all.lookup() + all.setMarkedDeleted(false) + all.update());
    EXPECT_TRUE(Instance(first).isDeleted(deleted) == 0 && !deleted && ClientApplicationList().isAppTypeInstalled(alpha_, 16) &&
                KelApplicationType(alpha_, 70).lookup() == kAppErrAppType);
}

TEST_F(AppMgrTest, SubclientPropertiesByName) {
    unsigned long app = 0, other = 0;
    ASSERT_EQ(0, admin_.createApplication(alpha_, 16, "SQL1", "db1", "default", app) +
                     admin_.createApplication(alpha_, 16, "SQL1", "db1", "files", other));
    auto get = [](unsigned long id, const char* name) {
        ApplNativeProperty p(name, ApplNativeProperty::Boolean, "", 0);
        const int rc = ApplProperties(id).getProperty(p);
        return std::to_string(rc) + (p.getBooleanValue() ? "|on" : "|off");
    };
    ApplNativeProperty on("alwaysFullAfterRestore", ApplNativeProperty::Boolean, "", 0);
    on.setBooleanValue(true);
    EXPECT_EQ(get(app, "alwaysFullAfterRestore"), std::to_string(kAppErrProperty) + "|off");
    ASSERT_EQ(0, ApplProperties(app).setProperty(on));
    EXPECT_EQ(get(app, "alwaysFullAfterRestore") + " " + get(other, "alwaysFullAfterRestore"),
              "0|on " + std::to_string(kAppErrProperty) + "|off");
    on.setValue("false");
    ASSERT_EQ(0, ApplProperties(app).setProperty(on));
    // Deleting the application id takes its properties along.
    EXPECT_TRUE(get(app, "ALWAYSFULLAFTERRESTORE") == "0|off" && ApplProperties(app + 100).setProperty(on) != 0 &&
                admin_.deleteApplication(app) == 0);
}

}  // namespace
}  // namespace kel::test
