// The LSN order chains are built on: exact for any length.
#include <gtest/gtest.h>

#include "KelSQL/KelSQLLSN.h"

TEST(CompareLSNTest, OrdersDigitStringsExactly) {
    const struct {
        const char* a;
        const char* b;
        int order;
    } cases[] = {
        {"100", "99", 1},
        {"99", "100", -1},
        {"0100", "100", 0},
        {"", "0", 0},
        {"  42x7", "42", 0},
        // Neighbouring 17-digit LSNs, which a double cannot tell apart.
        {"34000000000000001", "34000000000000002", -1},
        {"34000000000000002", "34000000000000001", 1},
        {"1234567890123456789012345", "1234567890123456789012344", 1},
    };
    for (const auto& c : cases) EXPECT_EQ(compareLSN(c.a, c.b), c.order) << c.a << " vs " << c.b;
}
