// Argument checks, the installer's saved error and its formatter, and the
// copy of an error's arguments into an event.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "KelSQL/KelSQLErrorStatus.h"

namespace {

TEST(ArgumentChecks, NameComesBeforeTheSignature) {
    KelLastError err;
    const char* sig = "KelSQLClassProperties::getClientClusteredStatus(sqlServerId)";
    EXPECT_TRUE(idNotSet(err, 12, "sqlServerId", sig));
    EXPECT_EQ(err.number(), 0u);
    EXPECT_FALSE(idNotSet(err, 0, "sqlServerId", sig));
    EXPECT_EQ(err.number(), kelsql::kErrValueNotSet);
    err.resetGetNextArgument();
    EXPECT_STREQ(err.getNextArgument(), "sqlServerId");
    EXPECT_STREQ(err.getNextArgument(), sig);
    EXPECT_EQ(err.getNextArgument(), nullptr);

    err.clear();
    EXPECT_TRUE(stringEmpty(err, "x", "clientName", sig));
    EXPECT_FALSE(stringEmpty(err, "", "clientName", sig));
    err.resetGetNextArgument();
    EXPECT_STREQ(err.getNextArgument(), "clientName");
    EXPECT_STREQ(err.getNextArgument(), sig);
}

class SavedInstallError : public ::testing::Test {
protected:
    void save(const KelLastError& err) {
        KelLastError copy = err;
        sqlInstallLastError(KelSQL_InstallErrorSave, copy);
    }
    void TearDown() override { save(KelLastError()); }
};

TEST_F(SavedInstallError, NoSavedErrorGivesZeroAndEmptyText) {
    save(KelLastError());
    unsigned long number = 99;
    char text[16];
    std::memset(text, 'Z', sizeof(text));
    EXPECT_EQ(sqlFormatLastError(&number, text, sizeof(text)), 0u);
    EXPECT_EQ(number, 0u);
    EXPECT_STREQ(text, "");
}

TEST_F(SavedInstallError, BadBuffersAreRefusedUntouched) {
    unsigned long number = 99;
    char text[4] = "abc";
    EXPECT_EQ(sqlFormatLastError(&number, text, 0), kelsql::kErrInvalidArgument);
    EXPECT_EQ(sqlFormatLastError(&number, text, -1), kelsql::kErrInvalidArgument);
    EXPECT_EQ(sqlFormatLastError(nullptr, text, 4), kelsql::kErrInvalidArgument);
    EXPECT_EQ(sqlFormatLastError(&number, nullptr, 4), kelsql::kErrInvalidArgument);
    EXPECT_EQ(number, 99u);
    EXPECT_STREQ(text, "abc");
}

TEST_F(SavedInstallError, TextIsCutAndTerminatedInsideTheBuffer) {
    KelLastError err;
    idNotSet(err, 0, "sqlServerId", "sqlCreateDataSourceName()");
    save(err);
    unsigned long number = 0;
    char text[16];
    std::memset(text, 'Z', sizeof(text));
    EXPECT_EQ(sqlFormatLastError(&number, text, 8), 0u);
    EXPECT_EQ(number, kelsql::kErrValueNotSet);
    EXPECT_EQ(std::string(text), err.formatLastErrorMessage().substr(0, 7));
    EXPECT_EQ(text[8], 'Z');  // nothing written past size

    char one[1] = {'Z'};
    EXPECT_EQ(sqlFormatLastError(&number, one, 1), 0u);
    EXPECT_EQ(one[0], '\0');
}

TEST(ErrorToEvent, ArgumentsGoInOrderFromTheFirst) {
    KelLastError err(0x1E000033);
    err.addArgument("KelSQLLSN::insert()");
    err.addArgument("Table SqlLSNs");
    err.getNextArgument();  // a cursor left mid-list must not skip arguments
    KelEvent event;
    EXPECT_EQ(PushKelErrorParamsToKelEvent(&err, &event), 2);
    EXPECT_EQ(event.arguments(), (std::vector<std::string>{"KelSQLLSN::insert()", "Table SqlLSNs"}));
    EXPECT_EQ(PushKelErrorParamsToKelEvent(nullptr, &event), 0);
    EXPECT_EQ(PushKelErrorParamsToKelEvent(&err, nullptr), 0);
}

}  // namespace
