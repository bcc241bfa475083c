// Live database properties over a scripted live instance: one "Status" read
// per name, the recovery model of SQL Server 7 refused, the decisions of both
// verifications; and with the platform's own reader, nothing set.
#include <memory>

#include "KelSQL/KelSQLDatabaseProperties.h"
#include "KelSQL/KelSQLClassProperties.h"
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
    EXPECT_TRUE(restoring);
    EXPECT_FALSE(offline || suspect || recovering || online || shut);
    EXPECT_EQ(live_->reads["Status"], 1);

    live_->properties["Status"] = "BEYOND";  // names no state: all of them false
    p.setSqlDatabaseName("other");
    ASSERT_TRUE(p.restoring(restoring) && p.online(online));
    EXPECT_FALSE(restoring || online);
    EXPECT_EQ(live_->reads["Status"], 2);

    live_->failProperty = "Status";  // a failed read keeps nothing
    p.setSqlDatabaseName("third");
    EXPECT_FALSE(p.offline(offline));
    live_->failProperty.clear();
    ASSERT_TRUE(p.offline(offline));
    EXPECT_EQ(live_->reads["Status"], 4);

    KelSQLDatabaseProperties unnamed(*context_);
    EXPECT_TRUE(refused(unnamed.offline(offline), unnamed.getLastError(), kelsql::kErrValueNotSet, "sqlDatabaseName"));
}

TEST_F(DatabasePropertiesTest, RecoveryModelOfSqlServer7IsACriticalRefusal) {
    context_->getSQLDSN().setSqlServerVersion(7, 0, 0);
    KelSQLDatabaseProperties p(*context_, "pubs");
    KelSQL_RecoveryType2000 model = KelSQL_RecoveryNone;
    EXPECT_TRUE(refused(p.recoveryType(model), p.getLastError(), kelsql::kErrRecoveryType));
    EXPECT_EQ(p.getLastError().severity(), KelLE_Critical);
}

TEST_F(DatabasePropertiesTest, VerificationsDecideByTheirTables) {
    struct Row {
        int major;
        const char* recovery;   // later versions
        bool bulkCopy, trunc;   // SQL Server 7 options
        bool lsnFull;           // the backup history asks for a full
        bool full;
        uint64_t reason;
        uint32_t type;
    } rows[] = {
        {7, "", true, true, false, true, 0x1E0000C7, 11},     {7, "", false, true, false, true, 0x1E0000C8, 12},
        {7, "", false, false, true, false, 0, 0},             {9, "FULL", false, false, false, false, 0x1E0000CB, 8},
        {9, "BULK_LOGGED", false, false, true, true, 0x1E0000CA, 9},
        {9, "SIMPLE", false, false, false, true, 0x1E0000CC, 10},
    };
    for (const Row& r : rows) {
        context_->getSQLDSN().setSqlServerVersion(r.major, 0, 0);
        live_->properties["Recovery"] = r.recovery;
        live_->options["select into/bulkcopy"] = r.bulkCopy;
        live_->options["trunc. log on chkpt."] = r.trunc;
        live_->fullRequired = r.lsnFull;
        KelSQLDatabaseProperties p(*context_);
        bool full = !r.full;
        ASSERT_TRUE(p.verifyDatabaseOptionsForFullBackupOnlyAllowed("pubs", full)) << r.recovery;
        EXPECT_EQ(full, r.full) << r.major << r.recovery;
        EXPECT_EQ(p.reasonError(), r.reason) << r.major << r.recovery;
        EXPECT_EQ(p.reasonType(), r.type) << r.major << r.recovery;
    }

    struct Access {
        int major;
        bool exists;
        const char* status;
        bool shutDown;  // SQL Server 7's "IsShutDown", also its suspect
        uint64_t reason;
        uint32_t type;
    } access[] = {
        {9, false, "SUSPECT", false, 0x1E0000C9, 4}, {9, true, "SUSPECT", false, 0x1E0000A1, 1},
        {9, true, "OFFLINE", false, 0x1E0000A3, 3},  {9, true, "RESTORING", false, 0x1E0000C5, 5},
        {9, true, "RECOVERING", false, 0x1E0000C6, 6}, {9, true, "ONLINE", false, 0, 0},
        {7, true, "", true, 0x1E0000A1, 1},
    };
    for (const Access& a : access) {
        context_->getSQLDSN().setSqlServerVersion(a.major, 0, 0);
        live_->exists = a.exists;
        live_->properties["Status"] = a.status;
        live_->flags["IsShutDown"] = a.shutDown;
        KelSQLDatabaseProperties p(*context_);
        bool notAccessable = a.reason == 0;
        ASSERT_TRUE(p.databaseNotAccessable("pubs", notAccessable)) << a.status;
        EXPECT_EQ(notAccessable, a.reason != 0) << a.status;
        EXPECT_EQ(p.reasonError(), a.reason) << a.status;
        EXPECT_EQ(p.reasonType(), a.type) << a.status;
    }
}

TEST_F(DatabasePropertiesTest, PlatformReaderSetsNothingAndTheOstrelIsRefused) {
    kel::live::installLiveSqlServer(nullptr);
    for (int major : {7, 9}) {
        context_->getSQLDSN().setSqlServerVersion(major, 0, 0);
        KelSQLDatabaseProperties p(*context_, "pubs");
        bool state = true, standby = true, full = true, gone = true;
        ASSERT_TRUE(p.suspect(state) && p.standby(standby));
        EXPECT_FALSE(state || standby);
        ASSERT_TRUE(p.databaseNotAccessable("pubs", gone) && p.verifyDatabaseOptionsForFullBackupOnlyAllowed("pubs", full));
        EXPECT_FALSE(gone || full) << major;
    }
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLDatabaseProperties p(ostrel, "pubs");
    bool full = false;
    EXPECT_TRUE(refused(p.verifyDatabaseOptionsForFullBackupOnlyAllowed("pubs", full), p.getLastError(),
                        kelsql::kErrAgentSideOnly));
}
