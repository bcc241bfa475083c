// The status block between the answering and the asking side: what travels,
// what is dropped, and that a peer's block is never read past its end.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "KelSQL/KelSQLErrorStatus.h"
#include "support/Checks.h"

namespace {

using kel::test::arguments;
using Texts = std::vector<std::string>;

class OperationStatusTest : public ::testing::Test {
protected:
    // Heap-allocated alone, so that a read past its 560 bytes trips ASan.
    std::unique_ptr<KelNetSQLOPStatus_t> block_ = std::make_unique<KelNetSQLOPStatus_t>();
    KelLastError caller_;

    void fill(char c) { std::memset(static_cast<void*>(block_.get()), c, sizeof(*block_)); }
    std::string header() const {
        return std::to_string(block_->Status) + "/" + std::to_string(block_->LastError) + "/" +
               std::to_string(block_->Severity) + "/" + std::to_string(block_->ArgumentCount) + "/" +
               std::to_string(block_->ArgumentLength);
    }
};

TEST_F(OperationStatusTest, SuccessSendsOnlyAMinorError) {
    KelLastError err;
    err.setMajor(0x1E000033);
    err.addArgument("KelSQLFileGroup::insert()");
    for (int critical : {0, 1}) {
        if (critical) err.setCritical(0x1E0000C4);
        fill(0xAB);
        populateSQLOperationStatus(block_.get(), true, err);
        EXPECT_EQ(header() + block_->Arguments[0], std::string("0/0/0/0/0") + '\0') << critical;
    }
    // The caller's own error is neither kept nor replaced by a minor one.
    caller_.setNumber(0x1E000001);
    EXPECT_TRUE(operationStatus(*block_, caller_));
    EXPECT_EQ(caller_.number(), 0x1E000001u);
    err.setMinor(0x1E0000F8);
    err.addArgument("discover()");
    err.addArgument("db1");
    populateSQLOperationStatus(block_.get(), true, err);
    caller_.clear();
    EXPECT_EQ(header(), "0/" + std::to_string(0x1E0000F8) + "/1/2/15");
    EXPECT_TRUE(operationStatus(*block_, caller_));
    EXPECT_EQ(caller_.number(), 0u);
}

TEST_F(OperationStatusTest, FailureRoundTripsCutAtItsField) {
    KelLastError err;
    err.setCritical(0x1E0000D7);
    err.addArgument("KelSQLFileSubClient::create()");
    err.addArgument(42);
    populateSQLOperationStatus(block_.get(), false, err);
    EXPECT_TRUE(kel::test::refused(operationStatus(*block_, caller_), caller_, 0x1E0000D7));
    EXPECT_TRUE(caller_.isCritical());
    EXPECT_EQ(arguments(caller_), (Texts{"KelSQLFileSubClient::create()", "42"}));

    // Number zero still fails.
    KelLastError none;
    populateSQLOperationStatus(block_.get(), false, none);
    EXPECT_EQ(header(), "1/0/2/0/0");
    EXPECT_TRUE(kel::test::refused(operationStatus(*block_, caller_), caller_, 0));

    // Over 512 bytes of arguments: cut and terminated; 402 bytes hold the
    // first two texts, the third keeps what fits.
    const std::string a(200, 'a'), b(200, 'b'), c(200, 'c');
    KelLastError big(0x1E000033);
    for (const std::string& t : {a, b, c}) big.addArgument(t);
    fill(0xAB);
    populateSQLOperationStatus(block_.get(), false, big);
    EXPECT_EQ(block_->ArgumentLength + block_->Arguments[512], 512u);
    operationStatus(*block_, caller_);
    EXPECT_EQ(arguments(caller_), (Texts{a, b, std::string(110, 'c')}));

    // An unknown severity is rebuilt as major.
    block_->Severity = 7;
    caller_.setMinor(5);
    EXPECT_TRUE(kel::test::refused(operationStatus(*block_, caller_), caller_, 0x1E000033));
    EXPECT_TRUE(caller_.isMajor());
}

TEST_F(OperationStatusTest, HostileBlockIsReadOnlyWithinItself) {
    fill('A');  // no NUL anywhere, padding included
    block_->ArgumentCount = 0x7FFFFFFF;
    block_->ArgumentLength = ~uint64_t{0};
    networkKelLastError(block_.get(), &caller_);
    EXPECT_EQ(arguments(caller_), Texts{std::string(sizeof(block_->Arguments), 'A')});
    // A text that starts just before the limit ends at the block's end.
    std::memset(block_->Arguments, 'B', sizeof(block_->Arguments));
    block_->Arguments[509] = '\0';
    networkKelLastError(block_.get(), &caller_);
    EXPECT_EQ(arguments(caller_), (Texts{std::string(509, 'B'), "BBB"}));

    // Counts that overstate the texts yield fewer arguments; one that wraps
    // to a negative 32-bit value takes nothing.
    const char packed[] = "first\0\0third";
    std::memcpy(block_->Arguments, packed, sizeof(packed));
    block_->ArgumentCount = 3;
    block_->ArgumentLength = sizeof(packed);
    networkKelLastError(block_.get(), &caller_);
    EXPECT_EQ(arguments(caller_), Texts{"first"});
    block_->ArgumentCount = 0xFFFFFFFFu;
    networkKelLastError(block_.get(), &caller_);
    EXPECT_EQ(caller_.argumentCount(), 0);
}

}  // namespace
