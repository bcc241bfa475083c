// A peer's status block that reports failure without an error number still
// reads as a failure with a number.
#include <gtest/gtest.h>

#include "KelSQL/KelSQLErrorStatus.h"

TEST(StatusBlockTest, FailureWithoutNumberIsRefusal) {
    KelNetSQLOPStatus_t s;
    s.Status = 1;
    KelLastError err;
    EXPECT_FALSE(operationStatus(s, err));
    EXPECT_EQ(err.number(), kelsql::kErrRequestRefused);
}
