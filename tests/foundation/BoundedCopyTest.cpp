// The bounded copies into fixed fields: whole or refused, and a cut only
// where the caller asks for one by name.
#include <gtest/gtest.h>

#include <string>

#include "platform/util/BoundedCopy.h"

namespace {

TEST(BoundedCopy, ATextThatDoesNotFitIsRefusedAndLeavesNothing) {
    char field[5];
    EXPECT_TRUE(kel::copyField(field, std::string("abcd")));
    EXPECT_STREQ(field, "abcd");
    EXPECT_FALSE(kel::copyField(field, std::string("abcde")));
    EXPECT_STREQ(field, "");
    EXPECT_FALSE(kel::boundedCopy(field, sizeof field, "abcdef", 6));
    EXPECT_STREQ(field, "");
    // Up to srcLen or the NUL, whichever comes first.
    EXPECT_TRUE(kel::boundedCopy(field, sizeof field, "abcdefgh", 3));
    EXPECT_STREQ(field, "abc");
}

TEST(BoundedCopy, TheCutIsAskedForByName) {
    char field[5];
    EXPECT_EQ(kel::cutField(field, std::string("abcdefg")), 4u);
    EXPECT_STREQ(field, "abcd");
    char wider[9];
    kel::copyWholeField(wider, field);
    EXPECT_STREQ(wider, "abcd");
}

TEST(BoundedCopy, TheSecureCopyNamesRefuseWhatDoesNotFit) {
    char field[4];
    EXPECT_EQ(strcpy_s(field, sizeof field, "abc"), 0);
    EXPECT_NE(strcpy_s(field, sizeof field, "abcd"), 0);
    EXPECT_STREQ(field, "");
    EXPECT_EQ(strncpy_s(field, sizeof field, "abcdef", 2), 0);
    EXPECT_STREQ(field, "ab");
    EXPECT_NE(strncpy_s(field, sizeof field, "abcdef", 5), 0);
    EXPECT_STREQ(field, "");
}

}  // namespace
