// The backup-rule functions over a real catalogue: the next full of every
// database of an instance, the agent release tests, the IN list text and the
// time recalculations that this platform does not support.
#include "../database/FileFixture.h"
#include "KelSQL/KelSQLBackupRules.h"
#include "KelSQL/KelSQLDatabase.h"
#include "support/Checks.h"

using kel::test::refused;
using kel::test::scalar;
using kel::test::sql;

namespace {

class BackupRulesTest : public kel::test::FileTest {};

TEST_F(BackupRulesTest, InListTextKeepsTheOrderOfItsIds) {
    const struct {
        std::vector<int32_t> ids;
        const char* text;
    } cases[] = {{{}, " IN ()"}, {{42}, " IN (42)"}, {{3, 17, 5}, " IN (3, 17, 5)"}, {{-1, 0}, " IN (-1, 0)"}};
    for (const auto& c : cases) {
        std::string text = "stale";
        formatINClause(c.ids, text);
        EXPECT_EQ(c.text, text);
    }
}

TEST_F(BackupRulesTest, NextFullIsMarkedOnEveryDatabaseOfTheInstanceOnly) {
    const unsigned long other = databaseRow("other");
    ASSERT_TRUE(sql("UPDATE sqlDatabase SET allowFlags = 2"));  // next differential on
    const unsigned long elsewhere = instanceRow("ALPHA\\SQL2", 0);
    ASSERT_TRUE(sql("UPDATE sqlDatabase SET sqlServerId = " + std::to_string(elsewhere) +
                    " WHERE backupSetId = " + std::to_string(other)));
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelLastError err;
    ASSERT_TRUE(sqlServerEnableNextFullBackup(ostrel, err, tessel_, instance_)) << err.formatLastErrorMessage();
    KelSQLDatabase db(ostrel, false);
    ASSERT_TRUE(db.query(db_, nullptr));
    EXPECT_TRUE(db.isNextFullOn());
    EXPECT_FALSE(db.isAllowFlagBit(KelSQL_AllowNextDiff));
    ASSERT_TRUE(db.query(other, nullptr));
    EXPECT_FALSE(db.isNextFullOn()) << "another instance's database";
    // An instance without databases has nothing to mark.
    EXPECT_TRUE(sqlServerEnableNextFullBackup(ostrel, err, tessel_, instanceRow("ALPHA\\SQL3", 0)));

    EXPECT_TRUE(refused(sqlServerEnableNextFullBackup(ostrel, err, 0, instance_), err, kelsql::kErrInvalidArgument));
    KelSQLClassProperties agent(KelSQLClientSide);
    EXPECT_TRUE(refused(sqlServerEnableNextFullBackup(agent, err, tessel_, instance_), err,
                        kelsql::kErrOstrelSideOnly));
    EXPECT_TRUE(refused(sqlServerEnableNextFullBackup(ostrel, err, tessel_, 999), err, kelsql::kErrRowOperation));
}

TEST_F(BackupRulesTest, ReleaseSevenIsOlderThanFourTwoButNotFourOne) {
    const unsigned long app = static_cast<unsigned long>(
        scalar("SELECT applicationNumber FROM sqlDatabase WHERE backupSetId = " + std::to_string(db_)));
    // No release known: new enough.
    EXPECT_FALSE(isClientVersionLessThan42(tessel_, alpha_, app));
    ASSERT_TRUE(sql("INSERT INTO APP_ClientRelease (clientId, tesselId, release, buildId, releaseID) VALUES (" +
                    std::to_string(alpha_) + ", " + std::to_string(tessel_) + ", '10.0', 'B1', 7)"));
    EXPECT_TRUE(isClientVersionLessThan42(tessel_, alpha_, app));
    EXPECT_FALSE(isClientVersionLessThan41(tessel_, alpha_, app));
    EXPECT_TRUE(isClientVersionLessThan42(tessel_, 0, app)) << "client found from the application";
    captureLog();
    EXPECT_FALSE(isClientVersionLessThan42(tessel_, 0, 9999));
    EXPECT_TRUE(logged("isClientVersionOlderThan42|Could not getClient object for appID = [9999] on tessel [" +
                       std::to_string(tessel_) + "]"));
    KelDebug::setSink(nullptr);
}

TEST_F(BackupRulesTest, TimeRecalculationsFailAfterTheirLookups) {
    const unsigned long group = groupRow("PRIMARY");
    const unsigned long file = fileRow(group, "f1");
    captureLog();
    uint64_t time = 77;
    KelLastError err;
    EXPECT_TRUE(refused(recalculateTimeForSQLFile(file, 0, time, false, err, nullptr), err,
                        kelsql::kErrNotSupported, "recalculateTimeForSQLInstance()"));
    EXPECT_EQ(77u, time);
    EXPECT_TRUE(logged("recalculateTimeForSQLInstance()|This function is not supported by SQLDrover."));
    KelLastError missing;
    EXPECT_FALSE(recalculateTimeForSQLFile(9999, 0, time, false, missing, nullptr));
    EXPECT_NE(0u, missing.number());
    EXPECT_NE(kelsql::kErrNotSupported, missing.number()) << "the file lookup's error";
    KelDebug::setSink(nullptr);
    uint32_t end = 5;
    EXPECT_FALSE(getEndTimeForFFGPITRestores(kMachine, nullptr, static_cast<uint32_t>(db_), 0, end));
    EXPECT_EQ(5u, end);
}

}  // namespace
