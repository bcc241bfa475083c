// One agent's open network transaction holds the catalogue's write lock; a
// second agent's START is told the catalogue is busy, soon, and succeeds once
// the first commits.
#include <chrono>

#include "KelSQL/KelNetSQLDBTransaction.h"
#include "KelSQL/KelSQLErrors.h"
#include "support/SqlDispatcherFixture.h"

namespace {

class TransactionBusyTest : public kel::test::SqlDispatcherTest {};

TEST_F(TransactionBusyTest, SecondStartIsToldTheCatalogueIsBusy) {
    KelSQLClassProperties holder(KelSQLClientSide);
    KelSQLClassProperties waiter(KelSQLClientSide);
    KelNetSQLDBTransaction* first = holder.getNetworkDBTransaction();
    KelNetSQLDBTransaction* second = waiter.getNetworkDBTransaction();
    ASSERT_TRUE(first->startTransaction()) << first->getLastError().formatLastErrorMessage();

    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(second->startTransaction());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
    EXPECT_EQ(second->getLastError().number(), kelsql::kErrTranBusy);
    EXPECT_NE(second->getLastError().formatLastErrorMessage().find("busy with another transaction"),
              std::string::npos)
        << second->getLastError().formatLastErrorMessage();

    ASSERT_TRUE(first->commitTransaction());
    ASSERT_TRUE(second->startTransaction()) << second->getLastError().formatLastErrorMessage();
    EXPECT_TRUE(second->rollbackTransaction());
}

}  // namespace
