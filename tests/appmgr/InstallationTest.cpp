#include "AppMgrFixture.h"
#include "platform/appmgr/ApplProperties.h"
#include "platform/appmgr/KelSimDb.h"

namespace kel::test {
namespace {

using kel::appmgr::kAppErrClient;
using kel::appmgr::kAppErrProperty;

TEST_F(AppMgrTest, FileSystemAndClientApplicationsRegisterUpdateAndUpgrade) {
    ASSERT_EQ(0, admin_.setFileSystemInstalled(beta_, false));
    KelSimDb sim;
    bool alpha = false, beta = true, unknown = true;
    EXPECT_TRUE(sim.isFileSystemAlreadyInstalled(alpha_, alpha, nullptr) && sim.isFileSystemAlreadyInstalled(beta_, beta, nullptr));
    EXPECT_FALSE(sim.isFileSystemAlreadyInstalled(beta_ + 100, unknown, nullptr));
    EXPECT_TRUE(alpha && !beta && unknown);
    EXPECT_EQ(static_cast<uint64_t>(kAppErrClient), sim.getLastError().number());

    auto release = [&](unsigned long type) {
        std::string r;
        return sim.getClientApplication(alpha_, type, r) ? r : "<none>";
    };
    EXPECT_EQ(release(16), "<none>");
    ASSERT_TRUE(sim.updateSimClientApplication(alpha_, 7, "4.1", 0, 16, 0, 3, nullptr));
    ASSERT_TRUE(sim.updateSimClientApplication(alpha_, 7, "4.2", 0, 16, 0, 3, nullptr));
    EXPECT_EQ(release(16), "4.2");
    EXPECT_FALSE(sim.updateSimClientApplication(beta_ + 100, 7, "4.2", 0, 16, 0, 3, nullptr));
    // Upgraded, run again or to the same type: the registration moves and stays.
    ASSERT_TRUE(sim.loadSimCSUpgradeDbFromAppType(70, 16, "ALPHA", 0, 3, nullptr));
    ASSERT_TRUE(sim.loadSimCSUpgradeDbFromAppType(70, 16, "ALPHA", 0, 3, nullptr));
    ASSERT_TRUE(sim.loadSimCSUpgradeDbFromAppType(70, 70, "ALPHA", 0, 3, nullptr));
    EXPECT_EQ(release(16) + "|" + release(70), "<none>|4.2");
    EXPECT_FALSE(sim.loadSimCSUpgradeDbFromAppType(70, 16, "nobody", 0, 3, nullptr));
    EXPECT_EQ(static_cast<uint64_t>(kAppErrClient), sim.getLastError().number());
    // Populating keeps a registered release and adds a missing type.
    KelEvent event;
    EXPECT_EQ(0, PopulateActivity().populateClientApptype(event, alpha_, 70) +
                     PopulateActivity().populateClientApptype(event, alpha_, 4));
    EXPECT_EQ(release(70) + "|" + release(4), "4.2|");
    // The client goes with its registrations.
    EXPECT_EQ(0, admin_.deleteClient(alpha_));
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
    EXPECT_EQ(marked(), "100|0|0|deleted");
    EXPECT_FALSE(ClientApplicationList().isAppTypeInstalled(alpha_, 16));

    KelApplicationType all(alpha_, 16);
    bool deleted = true;
    ASSERT_EQ(0, all.lookup() + all.setMarkedDeleted(false) + all.update());
    EXPECT_EQ(0, Instance(first).isDeleted(deleted));
    EXPECT_FALSE(deleted);
    EXPECT_TRUE(ClientApplicationList().isAppTypeInstalled(alpha_, 16));
    EXPECT_EQ(kel::appmgr::kAppErrAppType, KelApplicationType(alpha_, 70).lookup());
}

TEST_F(AppMgrTest, SubclientPropertiesByName) {
    unsigned long app = 0, other = 0;
    ASSERT_EQ(0, admin_.createApplication(alpha_, 16, "SQL1", "db1", "default", app));
    ASSERT_EQ(0, admin_.createApplication(alpha_, 16, "SQL1", "db1", "files", other));
    auto get = [](unsigned long id, const char* name) {
        ApplNativeProperty p(name, ApplNativeProperty::Boolean, "", 0);
        const int rc = ApplProperties(id).getProperty(p);
        return std::to_string(rc) + (p.getBooleanValue() ? "|on" : "|off");
    };
    ApplNativeProperty on("alwaysFullAfterRestore", ApplNativeProperty::Boolean, "", 0);
    EXPECT_EQ(get(app, "alwaysFullAfterRestore"), std::to_string(kAppErrProperty) + "|off");
    on.setBooleanValue(true);
    ASSERT_EQ(0, ApplProperties(app).setProperty(on));
    EXPECT_EQ(get(app, "alwaysFullAfterRestore") + " " + get(other, "alwaysFullAfterRestore"),
              "0|on " + std::to_string(kAppErrProperty) + "|off");
    on.setValue("false");
    ASSERT_EQ(0, ApplProperties(app).setProperty(on));
    EXPECT_EQ(get(app, "ALWAYSFULLAFTERRESTORE"), "0|off");
    EXPECT_NE(0, ApplProperties(app + 100).setProperty(on));
    // Deleting the application id takes its properties along.
    EXPECT_EQ(0, admin_.deleteApplication(app));
}

}  // namespace
}  // namespace kel::test
