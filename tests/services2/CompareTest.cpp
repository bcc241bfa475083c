// Comparison of a database row with newer values: the removal-time rule and
// the stamping of file groups, the column rules, names compared without
// regard to case, and the update an agent sends as DBCode 2.
#include <memory>

#include "../database/FileFixture.h"
#include "KelSQL/KelSQLDatabase.h"

using kel::test::refused;
using kel::test::scalar;
using kel::test::sql;

namespace {

class CompareTest : public kel::test::FileTest {
protected:
    long long column(const std::string& name, const std::string& table = "sqlDatabase",
                     const std::string& where = "") {
        return scalar("SELECT " + name + " FROM " + table + " WHERE " +
                      (where.empty() ? "backupSetId = " + std::to_string(db_) : where));
    }
    long long groupRemoval(unsigned long id) { return column("removalTime", "sqlFileGroup", "id = " + std::to_string(id)); }
};

TEST_F(CompareTest, RemovalTimeRuleAndFileGroupStamps) {
    const unsigned long fresh = groupRow("g1", 0), old = groupRow("g2", 500);
    KelSQLClassProperties ostrel(KelSQLServerSide);
    struct Step {
        unsigned long newer;
        long long row, fresh;
    };
    // 0 with nothing stored; T over 0 stamps the groups still present; a
    // second time and 0 change nothing; the marker writes 0, groups untouched.
    const Step steps[] = {{0, 0, 0}, {1000, 1000, 1000}, {2000, 1000, 1000}, {0, 1000, 1000},
                          {KelSQLDatabase::kRemovalTimeBack, 0, 1000}};
    for (const Step& s : steps) {
        ASSERT_TRUE(ostrel.startTransaction());
        KelSQLDatabase row(ostrel, false), newer(ostrel, false);
        newer.setDatabaseName("SALES");
        newer.getRemovalTime().setTime(static_cast<long>(s.newer));
        ASSERT_TRUE(row.compareAndUpdate(newer, db_)) << row.getLastError().formatLastErrorMessage();
        ASSERT_TRUE(ostrel.commitTransaction());
        EXPECT_EQ(s.row, column("removalTime")) << s.newer;
        EXPECT_EQ(s.fresh, groupRemoval(fresh)) << s.newer;
        EXPECT_EQ(500, groupRemoval(old)) << s.newer;
    }
}

TEST_F(CompareTest, ColumnsWrittenOnlyWhenSetAndDifferentAndNamesMustMatch) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    ASSERT_TRUE(ostrel.startTransaction());
    KelSQLDatabase row(ostrel, false), newer(ostrel, false);
    newer.setDatabaseName("Sales2");
    EXPECT_TRUE(refused(row.compareAndUpdate(newer, db_), row.getLastError(), kelsql::kErrCompareAndUpdate));
    newer.setDatabaseName("Sales");
    newer.setId(9);
    newer.getStreams().setStreams(4);
    newer.setAllowFlagBitOn(KelSQL_AllowNextFull);
    ASSERT_TRUE(row.compareAndUpdate(newer, db_)) << row.getLastError().formatLastErrorMessage();
    ASSERT_TRUE(ostrel.commitTransaction());
    EXPECT_EQ(9, column("databaseId"));
    EXPECT_EQ(4, column("streams"));
    EXPECT_EQ(4, column("maxStreams"));  // raised with the streams
    EXPECT_EQ(2, column("logStreams"));  // 0 is not set
    EXPECT_EQ(1, column("allowFlags"));
    EXPECT_EQ("2021-03-07 14:05:09", kel::test::text("SELECT creationTime FROM sqlDatabase"));
}

TEST_F(CompareTest, AgentUpdateAnswersTheRowAsReadBefore) {
    KelSQLClassProperties agent(KelSQLClientSide);
    KelNetSQLDBTransaction* t = agent.getNetworkDBTransaction();
    KelSQLDatabase db(agent, false);
    // Refused outside a transaction; the caller's values come back.
    ASSERT_TRUE(db.query(db_, nullptr)) << db.getLastError().formatLastErrorMessage();
    db.getStreams().setStreams(6);
    EXPECT_TRUE(refused(db.update(), db.getLastError(), kelsql::kErrTranRequired));
    ASSERT_TRUE(t->startTransaction());
    ASSERT_TRUE(db.query(db_, nullptr));
    db.getStreams().setStreams(6);
    ASSERT_TRUE(db.update()) << db.getLastError().formatLastErrorMessage();
    EXPECT_EQ(1, db.getStreams().streams());
    ASSERT_TRUE(t->commitTransaction());
    EXPECT_EQ(6, column("streams"));
    KelNetSQLDatabaseReq_t req{};
    KelNetSQLDatabaseRsp_t rsp{};
    EXPECT_TRUE(refused(db.update(&req, &rsp), db.getLastError(), kelsql::kErrNoSide));
}

}  // namespace
