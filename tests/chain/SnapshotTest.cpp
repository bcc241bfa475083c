// A browse takes its items from the rows its chain's walk read, and reads
// its whole answer in one snapshot that ends with the call: a caller's own
// transaction is joined, and left to the caller.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include "chain/ChainFixture.h"
#include "platform/db/DBtable.h"

namespace {

using Ids = std::vector<uint64_t>;

class BrowseSnapshotTest : public kel::test::ChainTest {
protected:
    // A full, its differential and two logs after it.
    void SetUp() override {
        ChainTest::SetUp();
        add({{1, 'D', 100, 120, 110, 50, 100},
             {2, 'I', 120, 130, 125, 110, 200},
             {3, 'L', 120, 140, 0, 110, 300},
             {4, 'L', 140, 150, 0, 110, 400}});
    }
    // Log 5, after log 4, as its statements.
    std::string log5() const {
        const std::string t = std::to_string(tessel_), db = std::to_string(db_);
        return "INSERT INTO sqlBackupSet (id, tesselId, sqlDatabaseId, backupSetId, name, sqlVersionId, mtfVersionId,"
               " backupSize, sqlFileSubClientId) VALUES (5, " + t + ", " + db + ", 5005, 'set5', " +
               std::to_string(kV9) + ", " + std::to_string(kV9) + ", '1005', 0);"
               "INSERT INTO sqlLSNs VALUES (5, " + t + ", " + db + ", '" + stamp(500) + "', '" + stamp(550) +
               "', 76, '" + lsn(150) + "', '" + lsn(160) + "', '" + lsn(0) + "', '" + lsn(110) + "')";
    }
    Ids browse(KelSQLDatabaseLSNList& list) {
        EXPECT_TRUE(list.query(nullptr, db_, static_cast<unsigned long>(kBase + 1000)))
            << message(list.getLastError());
        Ids ids;
        for (const KelSQLDBRestoreBackupSetItem_t& item : list.browseItems()) ids.push_back(item.sqlBackupSetId);
        return ids;
    }
};

TEST_F(BrowseSnapshotTest, EveryItemCarriesWhatItsRowsSay) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLDatabaseLSNList list(ostrel, false);
    ASSERT_EQ(browse(list), (Ids{4, 3, 2, 1}));
    const struct {
        uint64_t id;
        long start;
        char type;
    } expected[] = {{4, 400, 'L'}, {3, 300, 'L'}, {2, 200, 'I'}, {1, 100, 'D'}};
    const auto& items = list.browseItems();
    for (size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ(items[i].backupSetId, 5000 + expected[i].id) << i;
        EXPECT_EQ(items[i].finishTime, static_cast<uint64_t>(kBase + expected[i].start + 50)) << i;
        EXPECT_EQ(items[i].backupType, expected[i].type) << i;
    }
    EXPECT_EQ(list.restoreByteSize(), sizeOf({1, 2, 3, 4}));
}

TEST_F(BrowseSnapshotTest, TheSnapshotEndsWithTheCallAndJoinsTheCallersTransaction) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    {
        KelSQLDatabaseLSNList list(ostrel, false);
        ASSERT_EQ(browse(list), (Ids{4, 3, 2, 1}));
    }
    // No transaction was left on the context, and the next call reads
    // what was written since.
    EXPECT_FALSE(ostrel.isTransactionStarted());
    ASSERT_TRUE(kel::test::sql(log5()));
    {
        KelSQLDatabaseLSNList list(ostrel, false);
        EXPECT_EQ(browse(list), (Ids{5, 4, 3, 2, 1}));
    }
    ASSERT_TRUE(kel::test::sql("DELETE FROM sqlLSNs WHERE sqlBackupSetId = 5; DELETE FROM sqlBackupSet WHERE id = 5"));
    // In the caller's transaction the caller's own rows are seen, and the
    // transaction stays the caller's to end: rolled back, they are gone.
    ASSERT_TRUE(ostrel.startTransaction());
    ASSERT_EQ(sqlite3_exec(ostrel.getDBTransaction()->tranConnection()->db(), log5().c_str(), nullptr, nullptr,
                           nullptr),
              SQLITE_OK);
    {
        KelSQLDatabaseLSNList list(ostrel, false);
        EXPECT_EQ(browse(list), (Ids{5, 4, 3, 2, 1}));
        KelSQLDatabaseLSNList chain(ostrel, false);
        ASSERT_TRUE(chain.query(5ul)) << message(chain.getLastError());
        EXPECT_EQ(*chain.getBSIdList(), (Ids{1, 2, 3, 4, 5}));
    }
    EXPECT_TRUE(ostrel.isTransactionStarted());
    ASSERT_TRUE(ostrel.rollBackTransaction());
    KelSQLDatabaseLSNList list(ostrel, false);
    EXPECT_EQ(browse(list), (Ids{4, 3, 2, 1}));
}

}  // namespace
