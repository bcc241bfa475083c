// File subclients and their member chains on the Ostrel: insert defaults,
// what update writes, the delete-flag cascade, chain editing and repair, a
// damaged chain that ends with an error, and both messages over a real
// dispatcher.
#include <memory>

#include "FileFixture.h"
#include "KelSQL/KelSQLFileSubClient.h"
#include "KelSQL/KelSQLFileSubClientGroup.h"

using kel::test::refused;

namespace {

class FileSubClientTest : public kel::test::FileTest {
protected:
    void SetUp() override {
        FileTest::SetUp();
        ctx_ = std::make_unique<KelSQLClassProperties>(KelSQLServerSide);
        ASSERT_TRUE(ctx().startTransaction());
        KelSQLFileSubClient s(ctx(), false);
        s.setTesselId(tessel_);
        s.setSqlDatabaseId(db_);
        s.setSubClientName("fs1");
        ASSERT_TRUE(s.insert()) << s.getLastError().formatLastErrorMessage();
        sub_ = s.sqlId();
        // Rows written behind the library's back need the write lock.
        ASSERT_TRUE(ctx().commitTransaction());
    }

    // A whole-group member in front of the subclient's head, made the head.
    unsigned long add(unsigned long group) {
        KelSQLFileSubClient s(ctx(), false);
        EXPECT_TRUE(s.query(sub_));
        KelSQLFileSubClientGroup m(ctx(), false);
        m.setTesselId(tessel_);
        m.setSqlFileSubClientId(sub_);
        m.setSqlFileGroupId(group);
        EXPECT_TRUE(m.addEntry(s.sqlFileSubClientGroupId())) << m.getLastError().formatLastErrorMessage();
        s.setSqlFileSubClientGroupId(m.sqlId());
        EXPECT_TRUE(s.update(0)) << s.getLastError().formatLastErrorMessage();
        return m.sqlId();
    }
    // The subclient's chain from its head, as the catalogue holds it.
    std::vector<unsigned long> chain() {
        std::vector<unsigned long> ids;
        KelSQLFileSubClient s(ctx(), false);
        EXPECT_TRUE(s.query(sub_));
        for (unsigned long at = s.sqlFileSubClientGroupId(); at != 0 && ids.size() < 10;) {
            ids.push_back(at);
            KelSQLFileSubClientGroup m(ctx(), false);
            EXPECT_TRUE(m.query(at));
            at = m.sqlNextId();
        }
        return ids;
    }
    // A group whose SQL Server id is groupId.
    unsigned long group(const std::string& name, unsigned long groupId, long removal = 0) {
        const unsigned long id = groupRow(name, removal);
        EXPECT_TRUE(kel::test::sql("UPDATE sqlFileGroup SET groupId = " + std::to_string(groupId) +
                                   " WHERE id = " + std::to_string(id)));
        return id;
    }
    long long column(const char* name) { return value("sqlFileSubClient", name, sub_); }

    KelSQLClassProperties& ctx() { return *ctx_; }

    std::unique_ptr<KelSQLClassProperties> ctx_;
    unsigned long sub_ = 0;
};

TEST_F(FileSubClientTest, InsertUpdateAndDeleteFlag) {
    EXPECT_EQ(column("streams"), 1);
    EXPECT_EQ(column("maxStreams"), 1);
    EXPECT_EQ(column("flags"), 2);
    EXPECT_EQ(column("sqlFileSubClientGroupId"), 0);

    const unsigned long g = groupRow("G1");
    ASSERT_TRUE(ctx().startTransaction());
    const unsigned long head = add(g);
    KelSQLFileSubClient s(ctx(), false);
    // An omitted head of 0 is left out; only an explicit one is written.
    ASSERT_TRUE(s.update(sub_));
    EXPECT_EQ(s.sqlFileSubClientGroupId(), head);
    s.clear();
    s.setSqlFileSubClientGroupId(0);
    ASSERT_TRUE(s.update(sub_));
    EXPECT_EQ(s.sqlFileSubClientGroupId(), 0u);

    // A head naming no row is refused before anything is written.
    s.setSqlFileSubClientGroupId(head + 100);
    s.setSubClientName("renamed");
    EXPECT_TRUE(refused(s.update(sub_), s.getLastError(), kelsql::kErrRowOperation));
    ASSERT_TRUE(s.query(sub_));
    EXPECT_EQ(s.subClientName(), "fs1");

    ASSERT_TRUE(s.updateDeleteFlag(db_, true));
    ASSERT_TRUE(s.query(sub_));
    EXPECT_EQ(s.flags(), 1u);
    EXPECT_TRUE(s.isDeleted());
    ASSERT_TRUE(s.updateDeleteFlag(db_, false));
    ASSERT_TRUE(s.query(sub_));
    EXPECT_EQ(s.flags(), 0u);

    ASSERT_TRUE(s.deleteDatabase(db_));
    EXPECT_TRUE(refused(s.query(sub_), s.getLastError(), kelsql::kErrRowOperation));
    EXPECT_TRUE(s.deleteDatabase(db_));
}

TEST_F(FileSubClientTest, ChainEditing) {
    const unsigned long g = groupRow("G1");
    ASSERT_TRUE(ctx().startTransaction());
    const unsigned long first = add(g), second = add(g), third = add(g);
    EXPECT_EQ(chain(), (std::vector<unsigned long>{third, second, first}));

    KelSQLFileSubClientGroup m(ctx(), false);
    m.setTesselId(tessel_);
    m.setSqlFileSubClientId(sub_);
    m.setSqlFileGroupId(g);
    m.setSqlNextId(first + 100, false);
    ASSERT_TRUE(m.insert());
    EXPECT_EQ(m.sqlNextId(), 0u);  // a stale next ends the chain
    m.setSqlNextId(0, false);
    EXPECT_TRUE(refused(m.update(0), m.getLastError(), kelsql::kErrValueNotSet, "sqlNextId"));
    const unsigned long outside = m.sqlId();

    // A row outside the chain ends the walk with an error and stays.
    EXPECT_TRUE(refused(m.deleteEntry(sub_, outside), m.getLastError(), kelsql::kErrBrokenChain));
    EXPECT_TRUE(m.query(outside));

    ASSERT_TRUE(m.deleteEntry(sub_, second));
    EXPECT_EQ(chain(), (std::vector<unsigned long>{third, first}));
    ASSERT_TRUE(m.deleteEntry(sub_, first));
    EXPECT_EQ(chain(), (std::vector<unsigned long>{third}));
    ASSERT_TRUE(m.deleteEntry(sub_, third));
    EXPECT_EQ(chain(), std::vector<unsigned long>{});
    EXPECT_TRUE(refused(m.query(third), m.getLastError(), kelsql::kErrRowOperation));
}

TEST_F(FileSubClientTest, RepairAfterRemovalAndDamagedChains) {
    const unsigned long kept = group("KEPT", 3);
    group("MOVED", 4, 5000);
    const unsigned long moved = static_cast<unsigned long>(kel::test::scalar("SELECT max(id) FROM sqlFileGroup"));
    const unsigned long recreated = group("MOVED", 4);
    const unsigned long gone = group("GONE", 5, 5000);
    ASSERT_TRUE(ctx().startTransaction());
    const unsigned long last = add(kept), middle = add(moved), head = add(gone);

    KelSQLFileSubClientGroup m(ctx(), false);
    unsigned long newNext = 0;
    bool pending = false, changed = false;
    EXPECT_EQ(m.updateContent(head, newNext, pending, changed), sub_) << m.getLastError().formatLastErrorMessage();
    EXPECT_TRUE(pending);
    EXPECT_TRUE(changed);
    EXPECT_EQ(newNext, middle);
    EXPECT_TRUE(refused(m.query(head), m.getLastError(), kelsql::kErrRowOperation));
    ASSERT_TRUE(m.query(middle));
    EXPECT_EQ(m.sqlFileGroupId(), recreated);
    EXPECT_EQ(m.sqlNextId(), last);

    // The caller moves the head.
    KelSQLFileSubClient s(ctx(), false);
    ASSERT_TRUE(s.query(sub_));
    s.setSqlFileSubClientGroupId(newNext);
    ASSERT_TRUE(s.update(0));
    EXPECT_EQ(chain(), (std::vector<unsigned long>{middle, last}));

    newNext = 0;
    pending = changed = false;
    EXPECT_EQ(m.updateContent(0, newNext, pending, changed), 0u);
    EXPECT_EQ(m.getLastError().number(), kelsql::kErrValueNotSet);

    // A loop: the last row names the first again. Every walk ends.
    m.setSqlNextId(middle, true);
    ASSERT_TRUE(m.update(last));
    EXPECT_EQ(m.updateContent(middle, newNext, pending, changed), 0u);
    EXPECT_EQ(m.getLastError().number(), kelsql::kErrBrokenChain);
    KelSQLFileSubClientGroup outsider(ctx(), false);
    outsider.setTesselId(tessel_);
    outsider.setSqlFileSubClientId(sub_);
    outsider.setSqlFileGroupId(kept);
    ASSERT_TRUE(outsider.insert());
    EXPECT_TRUE(refused(m.deleteEntry(sub_, outsider.sqlId()), m.getLastError(), kelsql::kErrBrokenChain));
}

TEST_F(FileSubClientTest, MessagesOverTheDispatcher) {
    const unsigned long g = groupRow("G1");
    ASSERT_TRUE(ctx().startTransaction());
    const unsigned long member = add(g);
    ASSERT_TRUE(ctx().commitTransaction());
    KelSQLClassProperties agent(KelSQLClientSide);

    KelSQLFileSubClient s(agent, false);
    ASSERT_TRUE(s.query(sub_)) << s.getLastError().formatLastErrorMessage();
    EXPECT_EQ(s.sqlDatabaseId(), db_);
    EXPECT_EQ(s.sqlFileSubClientGroupId(), member);
    EXPECT_TRUE(s.isFullRequired());
    EXPECT_TRUE(s.subClientName().empty());  // the name does not travel
    EXPECT_TRUE(refused(s.update(sub_), s.getLastError(), kelsql::kErrOstrelSideOnly));

    KelSQLFileSubClientGroup m(agent, false);
    ASSERT_TRUE(m.query(member)) << m.getLastError().formatLastErrorMessage();
    EXPECT_EQ(m.sqlFileSubClientId(), sub_);
    EXPECT_TRUE(refused(m.query(member + 100), m.getLastError(), kelsql::kErrRowOperation));

    // An unknown operation code: success with an empty record.
    KelNetSQLFileSubClient raw(agent, false);
    raw.requestMessage(true)->DBCode = 3;
    raw.requestMessage(false)->FileSubClient.SqlFileSubClientId = sub_;
    KelLastError err;
    ASSERT_TRUE(raw.exchange(err)) << err.formatLastErrorMessage();
    EXPECT_EQ(raw.responseMessage(false)->FileSubClient.SqlFileSubClientId, 0u);
    EXPECT_EQ(raw.responseMessage(false)->FileSubClient.SqlDatabaseId, 0u);
}

}  // namespace
