// Whether a database's file subclients cover every data file group and file,
// over real catalogue rows and asked by an agent of a real Ostrel dispatcher.
#include "../database/FileFixture.h"
#include "KelSQL/KelNetSQLVerifyAllFilesCovered.h"
#include "support/Checks.h"

using kel::test::refused;
using kel::test::scalar;
using kel::test::sql;

namespace {

class SubClientSetTest : public kel::test::FileTest {
protected:
    void SetUp() override {
        FileTest::SetUp();
        g1_ = groupRow("G1");
        g2_ = groupRow("G2");
        g3_ = groupRow("G3");
        groupRow("DatabaseLogs");
        f3a_ = fileRow(g3_, "f3a");
        f3b_ = fileRow(g3_, "f3b");
    }
    unsigned long subclient(int flags) {
        EXPECT_TRUE(sql("INSERT INTO sqlFileSubClient(tesselId, sqlDatabaseId, subClientName, flags) VALUES (" +
                        std::to_string(tessel_) + ", " + std::to_string(db_) + ", 'fs', " + std::to_string(flags) +
                        ")"));
        return static_cast<unsigned long>(scalar("SELECT max(id) FROM sqlFileSubClient"));
    }
    // A member: a whole group (file 0) or one file of it.
    void member(unsigned long sub, unsigned long group, unsigned long file) {
        EXPECT_TRUE(sql("INSERT INTO sqlFileSubClientGroup(tesselId, sqlFileSubClientId, sqlFileId, sqlFileGroupId, "
                        "nextId) VALUES (" +
                        std::to_string(tessel_) + ", " + std::to_string(sub) + ", " + std::to_string(file) + ", " +
                        std::to_string(group) + ", 0)"));
    }
    // The agent's question to the Ostrel; covered or the failure's number.
    uint64_t ask(bool& covered) {
        KelSQLClassProperties agent(KelSQLClientSide);
        KelSQLVerifyAllFilesCovered q(agent, false);
        const bool ok = q.query(db_);
        covered = q.isCovered();
        return ok ? 0 : q.getLastError().number();
    }

    unsigned long g1_ = 0, g2_ = 0, g3_ = 0, f3a_ = 0, f3b_ = 0;
};

TEST_F(SubClientSetTest, WholeGroupsAndSingleFilesCoverTheDatabase) {
    // A deleted subclient alone leaves nothing to cover.
    const unsigned long gone = subclient(1);
    member(gone, g1_, 0);
    bool covered = false;
    ASSERT_EQ(0u, ask(covered));
    EXPECT_TRUE(covered);

    const unsigned long a = subclient(0), b = subclient(0);
    member(a, g1_, 0);
    member(b, g2_, 0);
    member(b, g3_, f3a_);
    ASSERT_EQ(0u, ask(covered));
    EXPECT_FALSE(covered) << "f3b is in no subclient";
    member(a, g3_, f3b_);
    ASSERT_EQ(0u, ask(covered));
    EXPECT_TRUE(covered);
    // The deleted subclient's members count for nothing: G1 then needs its files.
    ASSERT_TRUE(sql("DELETE FROM sqlFileSubClientGroup WHERE sqlFileSubClientId = " + std::to_string(a) +
                    " AND sqlFileId = 0"));
    fileRow(g1_, "f1");
    ASSERT_EQ(0u, ask(covered));
    EXPECT_FALSE(covered);
}

TEST_F(SubClientSetTest, EveryGroupWholeIsCompleteAndSingleFilesAloneAreNoAnswer) {
    const unsigned long a = subclient(0);
    for (unsigned long g : {g1_, g2_, g3_}) member(a, g, 0);
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelLastError err;
    bool complete = false;
    EXPECT_TRUE(IsSubClientSetComplete(err, ostrel, db_, complete)) << err.formatLastErrorMessage();
    EXPECT_TRUE(complete);

    ASSERT_TRUE(sql("DELETE FROM sqlFileSubClientGroup"));
    member(a, g3_, f3a_);
    complete = false;
    KelLastError none;
    EXPECT_FALSE(IsSubClientSetComplete(none, ostrel, db_, complete));
    EXPECT_EQ(0u, none.number());
    bool covered = false;
    EXPECT_EQ(kelsql::kErrRequestRefused, ask(covered)) << "the agent never reads a failure as number 0";

    EXPECT_TRUE(refused(IsSubClientSetComplete(err, ostrel, 0, complete), err, kelsql::kErrValueNotSet,
                        "sqlDatabaseId"));
    KelSQLVerifyAllFilesCovered onOstrel(ostrel, false);
    EXPECT_TRUE(refused(onOstrel.query(db_), onOstrel.getLastError(), kelsql::kErrAgentSideOnly));
}

}  // namespace
