// Live database properties over a scripted live instance: one "Status" read
// per name, the recovery model of SQL Server 7 refused, the decisions of both
// verifications; and with the platform's own reader, nothing set.
#include <memory>

#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLDatabaseProperties.h"
#include "KelSQL/KelSQLErrors.h"
#include "support/Checks.h"
#include "support/MachineSetup.h"
#include "support/ScriptedLiveSqlServer.h"
#include "support/TestHome.h"

using kel::test::refused;

namespace {

class DatabasePropertiesTest : public kel::test::HomeTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(kel::test::focusMachineWithOstrel("agent1", "OSTREL1", 1));
        ASSERT_TRUE(kel::test::activateAgentInstall("agent1"));
        auto reader = std::make_unique<kel::test::ScriptedLiveSqlServer>();
        live_ = reader.get();
        kel::live::installLiveSqlServer(std::move(reader));
        context_ = std::make_unique<KelSQLClassProperties>(KelSQLClientSide);
        context_->getSQLDSN().setSqlServerVersion(9, 0, 0);
    }
    void TearDown() override { kel::live::installLiveSqlServer(nullptr); }

    std::unique_ptr<KelSQLClassProperties> context_;
    kel::test::ScriptedLiveSqlServer* live_ = nullptr;
};

}  // namespace

TEST_F(DatabasePropertiesTest, StatusIsReadOncePerName) {
    KelSQLDatabaseProperties p(*context_, "pubs");
    live_->properties["Status"] = "RESTORING";
    bool offline = true, suspect = true, restoring = false, recovering = true, online = true, shut = true;
    ASSERT_TRUE(p.offline(offline) && p.suspect(suspect) && p.restoring(restoring) && p.recovering(recovering) &&
                p.online(online) && p.shutdown(shut));
    EXPECT_TRUE(restoring && !(offline || suspect || recovering || online || shut) && live_->reads["Status"] == 1);
    live_->properties["Status"] = "BEYOND";  // names no state: all of them false
    p.setSqlDatabaseName("other");
    ASSERT_TRUE(p.restoring(restoring) && p.online(online));
    EXPECT_TRUE(!(restoring || online) && live_->reads["Status"] == 2);
    p.setSqlDatabaseName("third");

    live_->failProperty = "Status";  // a failed read keeps nothing: the next reads again
    EXPECT_FALSE(p.offline(offline));
    live_->failProperty.clear();
    EXPECT_TRUE(p.offline(offline) && live_->reads["Status"] == 4);

    KelSQLDatabaseProperties unnamed(*context_);
    EXPECT_TRUE(refused(unnamed.offline(offline), unnamed.getLastError(), kelsql::kErrValueNotSet, "sqlDatabaseName"));
}

TEST_F(DatabasePropertiesTest, VerificationsDecideByTheirTables) {
    // Full-backup-only: SQL Server 7 by its two options, later versions by
    // the recovery model and then the backup history (lsnFull).
    struct Row {
        int major;
        const char* recovery;
        bool bulkCopy, trunc, lsnFull, full;
        uint64_t reason;
        uint32_t type;
    } rows[] = {{7, "", true, true, false, true, 0x1E0000C7, 11},    {7, "", false, true, false, true, 0x1E0000C8, 12},
                {7, "", false, false, true, false, 0, 0},            {9, "FULL", 0, 0, 0, false, 0x1E0000CB, 8},
                {9, "BULK_LOGGED", 0, 0, true, true, 0x1E0000CA, 9}, {9, "SIMPLE", 0, 0, 0, true, 0x1E0000CC, 10}};
    // Not accessible: the first state set decides ("IsShutDown" is also
    // SQL Server 7's suspect).
    struct Access {
        int major;
        bool exists;
        const char* status;
        bool shutDown;
        uint64_t reason;
        uint32_t type;
    } access[] = {{9, false, "SUSPECT", 0, 0x1E0000C9, 4},  {9, true, "SUSPECT", 0, 0x1E0000A1, 1},
                  {9, true, "OFFLINE", 0, 0x1E0000A3, 3},   {9, true, "RESTORING", 0, 0x1E0000C5, 5},
                  {9, true, "RECOVERING", 0, 0x1E0000C6, 6}, {9, true, "ONLINE", 0, 0, 0},
                  {7, true, "", true, 0x1E0000A1, 1}};
    for (const Row& r : rows) {
        context_->getSQLDSN().setSqlServerVersion(r.major, 0, 0);
        live_->properties["Recovery"] = r.recovery;
        live_->options = {{"select into/bulkcopy", r.bulkCopy}, {"trunc. log on chkpt.", r.trunc}};
        live_->fullRequired = r.lsnFull;
        KelSQLDatabaseProperties p(*context_);
        bool full = !r.full;
        ASSERT_TRUE(p.verifyDatabaseOptionsForFullBackupOnlyAllowed("pubs", full)) << r.recovery;
        EXPECT_TRUE(full == r.full && p.reasonError() == r.reason && p.reasonType() == r.type) << r.type;
    }
    for (const Access& a : access) {
        context_->getSQLDSN().setSqlServerVersion(a.major, 0, 0);
        live_->exists = a.exists;
        live_->properties["Status"] = a.status;
        live_->flags["IsShutDown"] = a.shutDown;
        KelSQLDatabaseProperties p(*context_);
        bool notAccessable = a.reason == 0;
        ASSERT_TRUE(p.databaseNotAccessable("pubs", notAccessable)) << a.status;
        EXPECT_TRUE(notAccessable == (a.reason != 0) && p.reasonError() == a.reason && p.reasonType() == a.type)
            << a.type;
    }
}

TEST_F(DatabasePropertiesTest, PlatformReaderSetsNothingAndWrongAsksAreRefused) {
    kel::live::installLiveSqlServer(nullptr);
    for (int major : {9, 7}) {  // SQL Server 7 last, for the refusal below
        context_->getSQLDSN().setSqlServerVersion(major, 0, 0);
        KelSQLDatabaseProperties p(*context_, "pubs");
        bool state = true, standby = true, full = true, gone = true;
        ASSERT_TRUE(p.suspect(state) && p.standby(standby) && p.databaseNotAccessable("pubs", gone) &&
                    p.verifyDatabaseOptionsForFullBackupOnlyAllowed("pubs", full));
        EXPECT_FALSE(state || standby || gone || full) << major;
    }
    KelSQL_RecoveryType2000 model = KelSQL_RecoveryNone;
    KelSQLDatabaseProperties sql7(*context_, "pubs");
    EXPECT_TRUE(refused(sql7.recoveryType(model), sql7.getLastError(), kelsql::kErrRecoveryType) &&
                sql7.getLastError().isCritical());
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLDatabaseProperties atOstrel(ostrel, "pubs");
    bool full = false;
    EXPECT_TRUE(refused(atOstrel.verifyDatabaseOptionsForFullBackupOnlyAllowed("pubs", full),
                        atOstrel.getLastError(), kelsql::kErrAgentSideOnly));
}
