// The status block between the answering and the asking side: what travels,
// what is dropped, and that a peer's block is never read past its end.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "KelSQL/KelSQLErrorStatus.h"

namespace {

std::vector<std::string> arguments(KelLastError& err) {
    std::vector<std::string> out;
    err.resetGetNextArgument();
    for (const char* a = err.getNextArgument(); a; a = err.getNextArgument()) out.emplace_back(a);
    return out;
}

class OperationStatusTest : public ::testing::Test {
protected:
    // Heap-allocated alone, so that a read past its 560 bytes trips ASan.
    std::unique_ptr<KelNetSQLOPStatus_t> block_ = std::make_unique<KelNetSQLOPStatus_t>();

    void dirtyBlock() { std::memset(static_cast<void*>(block_.get()), 0xAB, sizeof(*block_)); }
    void expectClean() {
        EXPECT_EQ(block_->Status, 0u);
        EXPECT_EQ(block_->LastError, 0u);
        EXPECT_EQ(block_->Severity, 0u);
        EXPECT_EQ(block_->ArgumentCount, 0u);
        EXPECT_EQ(block_->ArgumentLength, 0u);
        EXPECT_EQ(block_->Arguments[0], '\0');
    }
};

TEST_F(OperationStatusTest, SuccessWithMajorErrorSendsCleanBlock) {
    KelLastError err;
    err.setMajor(0x1E000033);
    err.addArgument("KelSQLFileGroup::insert()");
    dirtyBlock();
    populateSQLOperationStatus(block_.get(), true, err);
    expectClean();

    err.setCritical(0x1E0000C4);
    dirtyBlock();
    populateSQLOperationStatus(block_.get(), true, err);
    expectClean();

    KelLastError caller(0x1E000001);
    EXPECT_TRUE(operationStatus(*block_, caller));
    EXPECT_EQ(caller.number(), 0x1E000001u);
}

TEST_F(OperationStatusTest, MinorErrorTravelsWithSuccessAndIsIgnored) {
    KelLastError err;
    err.setMinor(0x1E0000F8);
    err.addArgument("discover()");
    err.addArgument("db1");
    populateSQLOperationStatus(block_.get(), true, err);
    EXPECT_EQ(block_->Status, 0u);
    EXPECT_EQ(block_->LastError, 0x1E0000F8u);
    EXPECT_EQ(block_->Severity, 1u);
    EXPECT_EQ(block_->ArgumentCount, 2u);
    EXPECT_EQ(block_->ArgumentLength, std::strlen("discover()") + 1 + 3 + 1);

    KelLastError caller;
    EXPECT_TRUE(operationStatus(*block_, caller));
    EXPECT_EQ(caller.number(), 0u);
}

TEST_F(OperationStatusTest, FailureRoundTripKeepsNumberSeverityAndArguments) {
    KelLastError err;
    err.setCritical(0x1E0000D7);
    err.addArgument("KelSQLFileSubClient::create()");
    err.addArgument(42);
    populateSQLOperationStatus(block_.get(), false, err);

    KelLastError caller;
    ASSERT_FALSE(operationStatus(*block_, caller));
    EXPECT_EQ(caller.number(), 0x1E0000D7u);
    EXPECT_TRUE(caller.isCritical());
    EXPECT_EQ(arguments(caller), (std::vector<std::string>{"KelSQLFileSubClient::create()", "42"}));
}

TEST_F(OperationStatusTest, FailureWithNumberZeroStillFails) {
    KelLastError err;
    populateSQLOperationStatus(block_.get(), false, err);
    EXPECT_EQ(block_->Status, 1u);
    EXPECT_EQ(block_->LastError, 0u);
    KelLastError caller(0x1E000033);
    EXPECT_FALSE(operationStatus(*block_, caller));
    EXPECT_EQ(caller.number(), 0u);
}

TEST_F(OperationStatusTest, ArgumentsOver512BytesAreCutAndTerminated) {
    KelLastError err;
    err.setMajor(0x1E000033);
    const std::string a(200, 'a'), b(200, 'b'), c(200, 'c');
    err.addArgument(a);
    err.addArgument(b);
    err.addArgument(c);
    ASSERT_GT(err.argumentListLength(), 512);
    dirtyBlock();
    populateSQLOperationStatus(block_.get(), false, err);
    EXPECT_EQ(block_->ArgumentLength, 512u);
    EXPECT_EQ(block_->Arguments[512], '\0');

    KelLastError caller;
    operationStatus(*block_, caller);
    // 402 bytes hold the first two texts; the third keeps what fits before 512.
    EXPECT_EQ(arguments(caller), (std::vector<std::string>{a, b, std::string(110, 'c')}));
}

TEST_F(OperationStatusTest, HostileBlockIsReadOnlyWithinItself) {
    // No NUL anywhere, padding included.
    std::memset(static_cast<void*>(block_.get()), 'A', sizeof(*block_));
    block_->Status = 1;
    block_->LastError = 0x1E000033;
    block_->Severity = 2;
    block_->ArgumentCount = 0x7FFFFFFF;
    block_->ArgumentLength = ~uint64_t{0};
    KelLastError caller;
    networkKelLastError(block_.get(), &caller);
    ASSERT_EQ(caller.argumentCount(), 1);
    EXPECT_EQ(arguments(caller)[0], std::string(sizeof(block_->Arguments), 'A'));

    // A text that starts just before the limit ends at the block's end.
    std::memset(block_->Arguments, 'B', sizeof(block_->Arguments));
    block_->Arguments[509] = '\0';
    networkKelLastError(block_.get(), &caller);
    EXPECT_EQ(arguments(caller), (std::vector<std::string>{std::string(509, 'B'), "BBB"}));
}

TEST_F(OperationStatusTest, CountsThatOverstateTheTextsYieldFewerArguments) {
    const char packed[] = "first\0\0third";
    std::memcpy(block_->Arguments, packed, sizeof(packed));
    block_->Status = 1;
    block_->ArgumentCount = 3;
    block_->ArgumentLength = sizeof(packed);
    KelLastError caller;
    networkKelLastError(block_.get(), &caller);
    EXPECT_EQ(arguments(caller), std::vector<std::string>{"first"});

    // A count that wraps to a negative 32-bit value takes nothing.
    block_->ArgumentCount = 0xFFFFFFFFu;
    networkKelLastError(block_.get(), &caller);
    EXPECT_EQ(caller.argumentCount(), 0);
}

TEST_F(OperationStatusTest, UnknownSeverityIsRebuiltAsMajor) {
    block_->Status = 1;
    block_->LastError = 0x1E000031;
    block_->Severity = 7;
    KelLastError caller;
    caller.setMinor(5);
    EXPECT_FALSE(operationStatus(*block_, caller));
    EXPECT_EQ(caller.number(), 0x1E000031u);
    EXPECT_TRUE(caller.isMajor());
}

}  // namespace
