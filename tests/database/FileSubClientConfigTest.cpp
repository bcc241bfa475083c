// File subclients configured on the Ostrel: the member chain and the
// application id of a new one, the layout tree with its members marked, the
// edits a marked tree applies (and what it refuses), and logical deletion.
#include <memory>

#include "FileFixture.h"
#include "KelSQL/KelSQLFileSubClient.h"
#include "KelSQL/KelSQLFileSubClientConfig.h"
#include "KelSQL/KelSQLFileSubClientGroup.h"

using kel::test::firstArgument;
using kel::test::refused;
using kel::test::scalar;
using kel::test::sql;
using Flags = KelSQLDatabaseLayoutFlags;

namespace {

class FileSubClientConfigTest : public kel::test::FileTest {
protected:
    void SetUp() override {
        FileTest::SetUp();
        ostrel_ = std::make_unique<KelSQLClassProperties>(KelSQLServerSide);
        ostrel_->getSQLDSN().setSqlServerVersion(9, 0, 1399);
        // Loading the instance hands its version to the data source.
        ASSERT_TRUE(sql("INSERT INTO sqlVersion(tesselId, type, major, minor, build) VALUES (" +
                        std::to_string(tessel_) +
                        ", 1, 9, 0, 1399); UPDATE sqlServer SET sqlVersionId = (SELECT max(id) FROM sqlVersion)"));
        a_ = groupRow("A");
        a1_ = fileRow(a_, "a1");
        a2_ = fileRow(a_, "a2");
        b_ = groupRow("B");
        b1_ = fileRow(b_, "b1");
        fileRow(b_, "b2");
    }

    // The node of group g (0: A, 1: B) or of its file f.
    static KelSQLDatabaseLayoutFlags& node(KelSQLDatabaseLayout& l, int g, int f = -1) {
        auto group = std::next(l.fileGroupList().begin(), g);
        return f < 0 ? group->layoutFlags() : std::next(group->fileList().begin(), f)->layoutFlags();
    }
    static void mark(KelSQLDatabaseLayout& l, int g, int f, uint64_t bit) {
        KelSQLDatabaseLayoutFlagsInternal(node(l, g, f)).updateFlagsOn(bit);
    }
    // The layout flags of the tree, group by group: "group:file,file".
    static std::string marks(KelSQLDatabaseLayout& l) {
        std::string out;
        for (const KelSQLDatabaseFileGroup& g : l.fileGroupList()) {
            out += (out.empty() ? "" : " ") + std::to_string(g.layoutFlags().layoutFlags()) + ":";
            for (const KelSQLDatabaseFile& f : g.fileList()) out += std::to_string(f.layoutFlags().layoutFlags()) + ",";
        }
        return out;
    }
    // The subclient's chain from its head: "group/file" per member.
    std::string chain(unsigned long sub) {
        KelSQLFileSubClient s(*ostrel_, false);
        EXPECT_TRUE(s.query(sub));
        std::string out;
        for (unsigned long at = s.sqlFileSubClientGroupId(), n = 0; at != 0 && n < 10; ++n) {
            KelSQLFileSubClientGroup m(*ostrel_, false);
            EXPECT_TRUE(m.query(at));
            out += std::to_string(m.sqlFileGroupId()) + "/" + std::to_string(m.sqlFileId()) + " ";
            at = m.sqlNextId();
        }
        return out;
    }
    std::string member(unsigned long g, unsigned long f = 0) {
        return std::to_string(g) + "/" + std::to_string(f) + " ";
    }

    std::unique_ptr<KelSQLClassProperties> ostrel_;
    unsigned long a_ = 0, a1_ = 0, a2_ = 0, b_ = 0, b1_ = 0;
};

}  // namespace

TEST_F(FileSubClientConfigTest, InsertChainsTheMembersAndCreatesTheApplicationId) {
    KelSQLFileSubClientConfig config(*ostrel_);
    config.setArchiveGroupId(3);
    config.setTesselId(tessel_);
    EXPECT_TRUE(refused(config.insert("alpha", db_), config.getLastError(), kelsql::kErrValueNotSet));
    EXPECT_EQ(firstArgument(config.getLastError()), "group");
    ASSERT_TRUE(config.addSqlFileGroupId(b_));
    ASSERT_TRUE(config.addSqlFileId(b_, b1_));
    ASSERT_TRUE(config.addSqlFileGroupId(a_));
    ostrel_->getSQLDSN().setSqlServerVersion(7, 0, 623);
    EXPECT_TRUE(refused(config.insert("alpha", db_), config.getLastError(), kelsql::kErrLogMark));
    ostrel_->getSQLDSN().setSqlServerVersion(9, 0, 1399);
    EXPECT_TRUE(refused(config.insert("alpha", db_), config.getLastError(), kelsql::kErrTranRequired));

    ASSERT_TRUE(ostrel_->startTransaction());
    ASSERT_TRUE(config.insert("alpha", db_)) << config.getLastError().formatLastErrorMessage();
    ASSERT_TRUE(ostrel_->commitTransaction());
    const unsigned long sub = config.subClient().sqlId();
    EXPECT_EQ(chain(sub), member(a_) + member(b_, b1_) + member(b_));
    EXPECT_EQ(config.subClient().subClientName(), "B") << "named after the first entry's group";
    const unsigned long appId = config.subClient().applicationNumber();
    EXPECT_EQ(kel::test::text("SELECT subclientName || '/' || sqlFileSubClientId || '/' || dataArchGroup || '/' || "
                              "indexArchGroup FROM APP_Application WHERE id = " + std::to_string(appId)),
              "B/" + std::to_string(sub) + "/3/3");
}

// The subclient and its members are written before its application id: an
// application id refused takes them back.
TEST_F(FileSubClientConfigTest, AnApplicationIdRefusedLastLeavesNoSubclientAndTheMendedOneCommitsWhole) {
    const auto written = [] {
        return kel::test::rowCounts({"sqlFileSubClient", "sqlFileSubClientGroup", "APP_Application"});
    };
    const kel::test::RowCounts before = written();
    KelSQLFileSubClientConfig config(*ostrel_);
    config.setArchiveGroupId(3);
    config.setTesselId(tessel_);
    ASSERT_TRUE(config.addSqlFileGroupId(b_));
    ASSERT_TRUE(config.addSqlFileId(a_, a1_));
    ASSERT_TRUE(ostrel_->startTransaction());
    EXPECT_TRUE(refused(config.insert("nobody", db_), config.getLastError(), kelsql::kErrClientNotFound));
    ASSERT_TRUE(ostrel_->commitTransaction());
    EXPECT_EQ(written(), before);

    ASSERT_TRUE(ostrel_->startTransaction());
    EXPECT_FALSE(config.insert("nobody", db_));
    ASSERT_TRUE(config.insert("alpha", db_)) << config.getLastError().formatLastErrorMessage();
    ASSERT_TRUE(ostrel_->commitTransaction());
    EXPECT_EQ(written(), kel::test::grown(before, {{"sqlFileSubClient", 1}, {"sqlFileSubClientGroup", 2},
                                                   {"APP_Application", 1}}));
    EXPECT_EQ(chain(config.subClient().sqlId()), member(a_, a1_) + member(b_));
}

TEST_F(FileSubClientConfigTest, LayoutEditsApplyTheirMarks) {
    KelSQLFileSubClientConfig config(*ostrel_);
    KelSQLDatabaseLayout layout;
    ASSERT_TRUE(config.getDatabaseLayout(db_, layout));
    ASSERT_TRUE(ostrel_->startTransaction());
    EXPECT_TRUE(refused(config.createFileSubClientLayout("alpha", tessel_, 3, layout, "fs"), config.getLastError(),
                        kelsql::kErrValueNotSet));
    EXPECT_EQ(firstArgument(config.getLastError()), "group");
    mark(layout, 0, -1, Flags::kAddOperation);
    mark(layout, 1, 0, Flags::kAddOperation);
    ASSERT_TRUE(config.createFileSubClientLayout("alpha", tessel_, 3, layout, "fs"))
        << config.getLastError().formatLastErrorMessage();
    const unsigned long sub = config.subClient().sqlId();

    // Whole group A; file b1 of B.
    ASSERT_TRUE(config.getFileSubClientLayout(sub, layout));
    EXPECT_EQ(layout.sqlFileSubClientId(), sub);
    EXPECT_EQ(marks(layout), "4:8,8, 16:4,0,");

    // Adding a single file of a whole-group member replaces the group's row.
    mark(layout, 0, 0, Flags::kAddOperation);
    ASSERT_TRUE(config.updateFileSubClientLayout(layout)) << config.getLastError().formatLastErrorMessage();
    EXPECT_EQ(marks(layout), "16:4,0, 16:4,0,");
    EXPECT_EQ(chain(sub), member(a_, a1_) + member(b_, b1_));

    // Adding a group whose file is a member replaces the file's row.
    mark(layout, 1, -1, Flags::kAddOperation);
    ASSERT_TRUE(config.updateFileSubClientLayout(layout)) << config.getLastError().formatLastErrorMessage();
    EXPECT_EQ(marks(layout), "16:4,0, 4:8,8,");
    EXPECT_EQ(chain(sub), member(b_) + member(a_, a1_));
    EXPECT_EQ(config.subClient().flags() & KelSQLFileSubClient::kFullRequiredFlag, KelSQLFileSubClient::kFullRequiredFlag);

    // A removal of a row that is not there fails and leaves the tree.
    mark(layout, 0, 1, Flags::kDeleteOperation);
    const std::string before = marks(layout);
    EXPECT_TRUE(refused(config.updateFileSubClientLayout(layout), config.getLastError(), kelsql::kErrValueNotSet));
    EXPECT_EQ(firstArgument(config.getLastError()), "sqlFileSubClientGroupId");
    EXPECT_EQ(marks(layout), before);
    ASSERT_TRUE(ostrel_->commitTransaction());

    // A database gone from its instance outranks one deleted logically.
    for (const char* state : {"deleteFlag = 1, removalTime = 5", "deleteFlag = 1, removalTime = 0"}) {
        ASSERT_TRUE(sql(std::string("UPDATE sqlDatabase SET ") + state));
        ASSERT_TRUE(config.getFileSubClientLayout(sub, layout));
        const uint64_t expected = layout.layoutFlags().isClientRemoved() ? kelsql::kErrSubclientUpdate
                                                                          : kelsql::kErrSubclientCreate;
        EXPECT_TRUE(refused(config.updateFileSubClientLayout(layout), config.getLastError(), expected)) << state;
        EXPECT_TRUE(config.getLastError().isCritical());
        EXPECT_EQ(firstArgument(config.getLastError()), "sales");
    }
}

// An edit writes its removals before its additions: an addition the
// catalogue refuses takes the removals back.
TEST_F(FileSubClientConfigTest, ALayoutEditRefusedPartWayLeavesTheMembersAsTheyWere) {
    KelSQLFileSubClientConfig config(*ostrel_);
    KelSQLDatabaseLayout layout;
    ASSERT_TRUE(config.getDatabaseLayout(db_, layout));
    mark(layout, 0, -1, Flags::kAddOperation);
    mark(layout, 1, 0, Flags::kAddOperation);
    ASSERT_TRUE(ostrel_->startTransaction());
    ASSERT_TRUE(config.createFileSubClientLayout("alpha", tessel_, 3, layout, "fs"))
        << config.getLastError().formatLastErrorMessage();
    ASSERT_TRUE(ostrel_->commitTransaction());
    const unsigned long sub = config.subClient().sqlId();
    const std::string members = chain(sub);
    ASSERT_TRUE(kel::test::refuseInserts("sqlFileSubClientGroup"));
    ASSERT_TRUE(config.getFileSubClientLayout(sub, layout));
    mark(layout, 1, 0, Flags::kDeleteOperation);
    mark(layout, 1, 1, Flags::kAddOperation);
    ASSERT_TRUE(ostrel_->startTransaction());
    EXPECT_FALSE(config.updateFileSubClientLayout(layout));
    ASSERT_TRUE(ostrel_->commitTransaction());
    EXPECT_EQ(chain(sub), members);
    EXPECT_EQ(scalar("SELECT count(*) FROM sqlFileSubClientGroup"), 2);
}

TEST_F(FileSubClientConfigTest, LogicalDeletionFreesTheName) {
    KelSQLFileSubClientConfig config(*ostrel_);
    config.setArchiveGroupId(3);
    config.setTesselId(tessel_);
    config.setSubClientName("nightly");
    ASSERT_TRUE(config.addSqlFileGroupId(a_));
    ASSERT_TRUE(ostrel_->startTransaction());
    ASSERT_TRUE(config.insert("alpha", db_)) << config.getLastError().formatLastErrorMessage();
    const unsigned long sub = config.subClient().sqlId();
    ASSERT_TRUE(config.logicalDeletion(sub)) << config.getLastError().formatLastErrorMessage();
    ASSERT_TRUE(ostrel_->commitTransaction());
    EXPECT_EQ(value("sqlFileSubClient", "flags", sub), 1);
    const std::string name = kel::test::text("SELECT subClientName FROM sqlFileSubClient");
    EXPECT_FALSE(name.empty());
    EXPECT_EQ(name.find_first_not_of("0123456789"), std::string::npos) << name;
    EXPECT_EQ(scalar("SELECT count(*) FROM sqlFileSubClientGroup"), 1) << "members stay";
}
