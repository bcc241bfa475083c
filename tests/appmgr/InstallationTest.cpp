#include "AppMgrFixture.h"
#include "platform/appmgr/ApplProperties.h"
#include "platform/appmgr/KelSimDb.h"

namespace kel::test {
namespace {

using kel::appmgr::kAppErrAppType;
using kel::appmgr::kAppErrClient;
using kel::appmgr::kAppErrProperty;

TEST_F(AppMgrTest, FileSystemAgentIsReadPerClient) {
    ASSERT_EQ(0, admin_.setFileSystemInstalled(beta_, false));
    KelSimDb sim;
    bool installed = false;
    EXPECT_TRUE(sim.isFileSystemAlreadyInstalled(alpha_, installed, nullptr));
    EXPECT_TRUE(installed);
    EXPECT_TRUE(sim.isFileSystemAlreadyInstalled(beta_, installed, nullptr));
    EXPECT_FALSE(installed);
    installed = true;
    EXPECT_FALSE(sim.isFileSystemAlreadyInstalled(beta_ + 100, installed, nullptr));
    EXPECT_TRUE(installed);
    EXPECT_EQ(static_cast<uint64_t>(kAppErrClient), sim.getLastError().number());
}

TEST_F(AppMgrTest, ClientApplicationsRegisterUpdateAndUpgrade) {
    KelSimDb sim;
    std::string release;
    EXPECT_FALSE(sim.getClientApplication(alpha_, 16, release));
    ASSERT_TRUE(sim.updateSimClientApplication(alpha_, 7, "4.1", 0, 16, 0, 3, nullptr));
    ASSERT_TRUE(sim.updateSimClientApplication(alpha_, 7, "4.2", 0, 16, 0, 3, nullptr));
    EXPECT_TRUE(sim.getClientApplication(alpha_, 16, release));
    EXPECT_EQ("4.2", release);
    EXPECT_FALSE(sim.updateSimClientApplication(beta_ + 100, 7, "4.2", 0, 16, 0, 3, nullptr));

    ASSERT_TRUE(sim.loadSimCSUpgradeDbFromAppType(70, 16, "ALPHA", 0, 3, nullptr));
    EXPECT_FALSE(sim.getClientApplication(alpha_, 16, release));
    EXPECT_TRUE(sim.getClientApplication(alpha_, 70, release));
    EXPECT_EQ("4.2", release);
    // Run again, or to the same type, the upgrade keeps the registration.
    ASSERT_TRUE(sim.loadSimCSUpgradeDbFromAppType(70, 16, "ALPHA", 0, 3, nullptr));
    ASSERT_TRUE(sim.loadSimCSUpgradeDbFromAppType(70, 70, "ALPHA", 0, 3, nullptr));
    EXPECT_TRUE(sim.getClientApplication(alpha_, 70, release));
    EXPECT_FALSE(sim.loadSimCSUpgradeDbFromAppType(70, 16, "nobody", 0, 3, nullptr));
    EXPECT_EQ(static_cast<uint64_t>(kAppErrClient), sim.getLastError().number());

    // Populating keeps a registered release and adds a missing type.
    KelEvent event;
    EXPECT_EQ(0, PopulateActivity().populateClientApptype(event, alpha_, 70));
    EXPECT_EQ(0, PopulateActivity().populateClientApptype(event, alpha_, 4));
    EXPECT_TRUE(sim.getClientApplication(alpha_, 70, release));
    EXPECT_EQ("4.2", release);
    EXPECT_TRUE(sim.getClientApplication(alpha_, 4, release));
    EXPECT_EQ("", release);
    // The client goes with its registrations.
    EXPECT_EQ(0, admin_.deleteClient(alpha_));
}

TEST_F(AppMgrTest, ApplicationTypeDeletionMark) {
    unsigned long first = instance(alpha_, 16, "A");
    unsigned long second = instance(alpha_, 16, "B");
    KelApplicationType type(alpha_, 16);
    bool deleted = true;
    EXPECT_EQ(100, type.isMarkedDeleted(deleted));
    ASSERT_EQ(0, type.lookup());
    EXPECT_EQ(0, type.isMarkedDeleted(deleted));
    EXPECT_FALSE(deleted);

    // One deleted instance does not mark the type; all of them do.
    ASSERT_EQ(0, admin_.setInstanceDeleted(first, true));
    KelApplicationType partly(alpha_, 16);
    ASSERT_EQ(0, partly.lookup());
    EXPECT_EQ(0, partly.isMarkedDeleted(deleted));
    EXPECT_FALSE(deleted);
    ASSERT_EQ(0, admin_.setInstanceDeleted(second, true));
    KelApplicationType all(alpha_, 16);
    ASSERT_EQ(0, all.lookup());
    EXPECT_EQ(0, all.isMarkedDeleted(deleted));
    EXPECT_TRUE(deleted);
    EXPECT_FALSE(ClientApplicationList().isAppTypeInstalled(alpha_, 16));

    ASSERT_EQ(0, all.setMarkedDeleted(false));
    ASSERT_EQ(0, all.update());
    EXPECT_EQ(0, Instance(first).isDeleted(deleted));
    EXPECT_FALSE(deleted);
    EXPECT_TRUE(ClientApplicationList().isAppTypeInstalled(alpha_, 16));
    EXPECT_EQ(kAppErrAppType, KelApplicationType(alpha_, 70).lookup());
}

TEST_F(AppMgrTest, SubclientPropertiesByName) {
    unsigned long app = 0, other = 0;
    ASSERT_EQ(0, admin_.createApplication(alpha_, 16, "SQL1", "db1", "default", app));
    ASSERT_EQ(0, admin_.createApplication(alpha_, 16, "SQL1", "db1", "files", other));
    ApplNativeProperty property("alwaysFullAfterRestore", ApplNativeProperty::Boolean, "", 0);
    EXPECT_EQ(kAppErrProperty, ApplProperties(app).getProperty(property));
    EXPECT_FALSE(property.getBooleanValue());

    ApplNativeProperty on("alwaysFullAfterRestore", ApplNativeProperty::Boolean, "", 0);
    on.setBooleanValue(true);
    ASSERT_EQ(0, ApplProperties(app).setProperty(on));
    EXPECT_EQ(0, ApplProperties(app).getProperty(property));
    EXPECT_TRUE(property.getBooleanValue());
    EXPECT_EQ(kAppErrProperty, ApplProperties(other).getProperty(property));

    on.setValue("false");
    ASSERT_EQ(0, ApplProperties(app).setProperty(on));
    ApplNativeProperty reread("ALWAYSFULLAFTERRESTORE", ApplNativeProperty::Boolean, "", 0);
    EXPECT_EQ(0, ApplProperties(app).getProperty(reread));
    EXPECT_FALSE(reread.getBooleanValue());
    EXPECT_NE(0, ApplProperties(app + 100).setProperty(on));

    // Deleting the application id takes its properties along.
    EXPECT_EQ(0, admin_.deleteApplication(app));
}

}  // namespace
}  // namespace kel::test
