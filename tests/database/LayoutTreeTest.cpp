// The database layout tree: the configured-state rule over the flag bits,
// deep copies, and writer views that reach their target only on update().
#include <gtest/gtest.h>

#include "KelSQL/KelSQLDatabaseLayout.h"

namespace {

using Flags = KelSQLDatabaseLayoutFlags;

// A layout "db" with one group "G" holding files "a" and "b".
KelSQLDatabaseLayout sample() {
    KelSQLDatabaseLayout layout;
    KelSQLDatabaseLayoutInternal view(layout);
    view.setDatabaseName() = "db";
    KelSQLDatabaseFileGroup group;
    KelSQLDatabaseFileGroupInternal g(group);
    g.setFileGroupName() = "G";
    for (const char* name : {"a", "b"}) {
        KelSQLDatabaseFile file;
        KelSQLDatabaseFileInternal f(file);
        f.setLogicalName() = name;
        f.update();
        g.fileList().push_back(file);
    }
    g.update();
    view.fileGroupList().push_back(group);
    view.update();
    return layout;
}

TEST(LayoutTreeTest, ConfiguredStateTakesOneBitAtATime) {
    struct Case {
        uint64_t start;
        void (KelSQLDatabaseLayoutFlagsInternal::*set)();
        uint64_t expected;
    };
    const Case cases[] = {
        {0, &KelSQLDatabaseLayoutFlagsInternal::setConfiguredOn, Flags::kConfigured},
        {Flags::kFileGroupConfigured, &KelSQLDatabaseLayoutFlagsInternal::setConfiguredOn, Flags::kFileGroupConfigured},
        {Flags::kFileConfigured, &KelSQLDatabaseLayoutFlagsInternal::setFileGroupConfiguredOn, Flags::kFileConfigured},
        {Flags::kConfigured | Flags::kClientRemoved, &KelSQLDatabaseLayoutFlagsInternal::setFileConfiguredOn,
         Flags::kConfigured | Flags::kClientRemoved},
        {Flags::kClientRemoved, &KelSQLDatabaseLayoutFlagsInternal::setFileConfiguredOn,
         Flags::kClientRemoved | Flags::kFileConfigured},
        {Flags::kConfigured | Flags::kFileConfigured, &KelSQLDatabaseLayoutFlagsInternal::setConfiguredOff,
         Flags::kFileConfigured},
        {Flags::kAddOperation | Flags::kDeleteOperation, &KelSQLDatabaseLayoutFlagsInternal::setAddOperationOff,
         Flags::kDeleteOperation},
    };
    for (const Case& c : cases) {
        KelSQLDatabaseFile file;
        KelSQLDatabaseLayoutFlagsInternal w(file.layoutFlags());
        w.updateFlagsOn(c.start);
        (w.*c.set)();
        EXPECT_EQ(file.layoutFlags().layoutFlags(), c.expected) << c.start;
    }
    KelSQLDatabaseLayoutFlagsInternal own;
    own.updateFlagsOn(Flags::kClientRemoved);
    EXPECT_TRUE(own.isFlagOn(0x06));
    EXPECT_FALSE(own.isStateConfigured());
    own.updateFlagsOn(Flags::kFileConfigured);
    EXPECT_TRUE(own.isStateConfigured());
}

TEST(LayoutTreeTest, ViewsWriteBackOnlyOnUpdateAndCopiesAreDeep) {
    KelSQLDatabaseLayout layout = sample();
    const KelSQLDatabaseLayout copy = layout;
    ASSERT_EQ(layout.fileGroupList().front().fileList().size(), 2u);

    KelSQLDatabaseLayoutInternal view(layout);
    KelSQLDatabaseFileGroupInternal g(view.fileGroupList().front());
    KelSQLDatabaseFileInternal f(g.fileList().back());
    f.setPhysicalName() = "d:\\b.ndf";
    f.flags().setConfiguredOn();
    f.update();
    // Only the group view's list has the file so far.
    EXPECT_EQ(g.fileList().back().physicalName(), "d:\\b.ndf");
    EXPECT_EQ(view.fileGroupList().front().fileList().back().physicalName(), "");
    g.update();
    EXPECT_EQ(layout.fileGroupList().front().fileList().back().physicalName(), "");
    view.update();
    const KelSQLDatabaseFile& written = layout.fileGroupList().front().fileList().back();
    EXPECT_EQ(written.physicalName(), "d:\\b.ndf");
    EXPECT_TRUE(written.layoutFlags().isConfigured());
    // The copy taken before is a tree of its own.
    EXPECT_EQ(copy.fileGroupList().front().fileList().back().physicalName(), "");
    EXPECT_FALSE(copy.fileGroupList().front().fileList().back().layoutFlags().isConfigured());

    KelSQLDatabaseFileGroup group = layout.fileGroupList().front();
    group.clear();
    EXPECT_TRUE(group.fileList().empty());
    EXPECT_EQ(group.fileGroupName(), "");
}

}  // namespace
