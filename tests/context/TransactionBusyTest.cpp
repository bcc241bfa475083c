// One agent's open network transaction holds the catalogue's writer; a
// second agent's START waits behind it, is told the catalogue is busy once the
// holder has held the writer for the limit without ending, and succeeds at
// once when the holder ends.
#include <chrono>
#include <string>

#include "KelSQL/KelNetSQLDBTransaction.h"
#include "KelSQL/KelSQLErrors.h"
#include "support/ProbeMessages.h"
#include "support/SqlDispatcherFixture.h"

using Clock = std::chrono::steady_clock;

namespace {

class TransactionBusyTest : public kel::test::SqlDispatcherTest {
protected:
    // How long the refusal says the holder has held the writer, in seconds;
    // negative when it does not say.
    static double heldFor(const KelLastError& err) {
        const std::string text = err.formatLastErrorMessage();
        const std::string said = "the transaction ahead has held the catalogue's writer for ";
        const size_t at = text.find(said);
        return at == std::string::npos ? -1 : std::stod(text.substr(at + said.size()));
    }
};

TEST_F(TransactionBusyTest, SecondStartIsToldTheCatalogueIsBusy) {
    KelSQLClassProperties holder(KelSQLClientSide);
    KelSQLClassProperties waiter(KelSQLClientSide);
    KelNetSQLDBTransaction* first = holder.getNetworkDBTransaction();
    KelNetSQLDBTransaction* second = waiter.getNetworkDBTransaction();
    ASSERT_TRUE(first->startTransaction()) << first->getLastError().formatLastErrorMessage();

    auto start = Clock::now();
    EXPECT_FALSE(second->startTransaction());
    // The limit is 5 s unless the Ostrel's registry sets another.
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(8));
    EXPECT_EQ(second->getLastError().number(), kelsql::kErrTranBusy);
    EXPECT_NE(second->getLastError().formatLastErrorMessage().find("busy with another transaction"),
              std::string::npos)
        << second->getLastError().formatLastErrorMessage();
    EXPECT_GE(heldFor(second->getLastError()), 5.0) << second->getLastError().formatLastErrorMessage();

    ASSERT_TRUE(first->commitTransaction());
    ASSERT_TRUE(second->startTransaction()) << second->getLastError().formatLastErrorMessage();
    EXPECT_TRUE(second->rollbackTransaction());
}

TEST_F(TransactionBusyTest, AStartBehindAStalledHolderIsRefusedWithinTheLimitAndWritesNothing) {
    KelPI_Ostrel settings;
    ASSERT_TRUE(settings.setFocus(kMachine) && settings.setWriterStallLimitMs(1000));
    KelSQLClassProperties holder(KelSQLClientSide);
    KelSQLClassProperties waiter(KelSQLClientSide);
    KelNetSQLDBTransaction* first = holder.getNetworkDBTransaction();
    KelNetSQLDBTransaction* second = waiter.getNetworkDBTransaction();
    ASSERT_TRUE(first->startTransaction());

    Clock::time_point start = Clock::now();
    EXPECT_TRUE(kel::test::refused(second->startTransaction(), second->getLastError(), kelsql::kErrTranBusy));
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(2500));
    const double held = heldFor(second->getLastError());
    EXPECT_TRUE(held >= 1.0 && held < 2.5) << second->getLastError().formatLastErrorMessage();
    // Refused, it holds nothing: a write has no transaction to go into.
    EXPECT_FALSE(second->isTransactionStarted());
    KelLastError err;
    EXPECT_TRUE(kel::test::refused(kel::probe::probeWrite(waiter, "refused", err), err, kelsql::kErrTranRequired));

    ASSERT_TRUE(first->commitTransaction());
    start = Clock::now();
    ASSERT_TRUE(second->startTransaction()) << second->getLastError().formatLastErrorMessage();
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500));
    ASSERT_TRUE(second->commitTransaction());
    EXPECT_EQ(kel::test::probeRows(), 0);
}

}  // namespace
