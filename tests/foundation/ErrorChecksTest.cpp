// Argument checks, the installer's saved error and its formatter, and the
// copy of an error's arguments into an event.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "KelSQL/KelSQLErrorStatus.h"
#include "support/Checks.h"

namespace {

using kel::test::arguments;

TEST(ArgumentChecks, NameComesBeforeTheSignature) {
    KelLastError err;
    const char* sig = "KelSQLClassProperties::getClientClusteredStatus(sqlServerId)";
    EXPECT_TRUE(idNotSet(err, 12, "sqlServerId", sig));
    EXPECT_EQ(err.number(), 0u);
    EXPECT_TRUE(kel::test::refused(idNotSet(err, 0, "sqlServerId", sig), err, kelsql::kErrValueNotSet));
    EXPECT_EQ(arguments(err), (std::vector<std::string>{"sqlServerId", sig}));
    err.clear();
    EXPECT_TRUE(stringEmpty(err, "x", "clientName", sig));
    EXPECT_FALSE(stringEmpty(err, "", "clientName", sig));
    EXPECT_EQ(arguments(err), (std::vector<std::string>{"clientName", sig}));

    // Into an event, in order from the first whatever the cursor.
    KelLastError lsn(0x1E000033);
    lsn.addArgument("KelSQLLSN::insert()");
    lsn.addArgument("Table SqlLSNs");
    lsn.getNextArgument();
    KelEvent event;
    EXPECT_EQ(PushKelErrorParamsToKelEvent(&lsn, &event), 2);
    EXPECT_EQ(event.arguments(), arguments(lsn));
    EXPECT_EQ(PushKelErrorParamsToKelEvent(nullptr, &event) + PushKelErrorParamsToKelEvent(&lsn, nullptr), 0);
}

TEST(SavedInstallError, FormatterFillsOnlyItsBuffer) {
    const auto save = [](KelLastError err) { sqlInstallLastError(KelSQL_InstallErrorSave, err); };
    save(KelLastError());
    unsigned long number = 99;
    char text[16];
    std::memset(text, 'Z', sizeof(text));
    EXPECT_EQ(sqlFormatLastError(&number, text, sizeof(text)), 0u);
    EXPECT_EQ(number, 0u);
    EXPECT_STREQ(text, "");

    // Bad buffers are refused untouched.
    number = 99;
    std::strcpy(text, "abc");
    for (int size : {0, -1}) EXPECT_EQ(sqlFormatLastError(&number, text, size), kelsql::kErrInvalidArgument);
    EXPECT_EQ(sqlFormatLastError(nullptr, text, 4), kelsql::kErrInvalidArgument);
    EXPECT_EQ(sqlFormatLastError(&number, nullptr, 4), kelsql::kErrInvalidArgument);
    EXPECT_EQ(number, 99u);
    EXPECT_STREQ(text, "abc");

    // Cut and terminated inside the buffer.
    KelLastError err;
    idNotSet(err, 0, "sqlServerId", "sqlCreateDataSourceName()");
    save(err);
    std::memset(text, 'Z', sizeof(text));
    EXPECT_EQ(sqlFormatLastError(&number, text, 8), 0u);
    EXPECT_EQ(number, kelsql::kErrValueNotSet);
    EXPECT_EQ(std::string(text), err.formatLastErrorMessage().substr(0, 7));
    EXPECT_EQ(text[8], 'Z');
    char one[1] = {'Z'};
    EXPECT_EQ(sqlFormatLastError(&number, one, 1), 0u);
    EXPECT_EQ(one[0], '\0');
    save(KelLastError());
}

}  // namespace
