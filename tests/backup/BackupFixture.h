// A registered database of alpha's instance on a real Ostrel dispatcher, and
// the records an agent fills for a finished backup.
#pragma once

#include <string>

#include "KelSQL/KelNetSQLDBTransaction.h"
#include "KelSQL/KelSQLBackupSet.h"
#include "database/DatabaseFixture.h"

namespace kel::test {

class BackupTest : public DatabaseTest {
protected:
    static constexpr uint64_t kJobId = 0x0000000580000001ull;  // a low half with its top bit set

    void SetUp() override {
        DatabaseTest::SetUp();
        db_ = databaseRow("sales");
        // The file subclient the records below name: a subclient's backup
        // is stored only under the subclient's own database.
        ASSERT_TRUE(sql("INSERT INTO sqlFileSubClient(id, tesselId, sqlDatabaseId, applicationNumber, subClientName, "
                        "streams, maxStreams, flags, sqlFileSubClientGroupId) VALUES (9, " +
                        std::to_string(tessel_) + ", " + std::to_string(db_) + ", 0, 'files', 1, 1, 0, 0)"));
    }

    static KelNetSQLBackupSet2_t record(const std::string& name, uint64_t subclient = 9) {
        KelNetSQLBackupSet2_t r{};
        KelNetSQLBackupSet_t& b = r.BackupSet;
        b.BackupSetId = 41;
        EXPECT_TRUE(kel::copyField(b.Name, name));
        EXPECT_TRUE(kel::copyField(b.Description, std::string("nightly")));
        EXPECT_TRUE(kel::copyField(b.UserName, std::string("sa")));
        EXPECT_TRUE(kel::copyField(b.BackupSize, std::string("1048576")));
        b.VendorId = 4608;
        b.SqlVersion.Major = 9;
        b.SqlVersion.Build = 1399;
        b.MtfVersion.Major = 1;
        b.MtfVersion.Minor = 2;
        b.TimeZone = 60;
        b.SeltraStartTime = 1615125909;
        b.SeltraFinishTime = 1615126000;
        b.Compatibility = 90;
        b.DBVersion = 611;
        b.MediaSetId = 12;
        b.Streams = 2;
        b.JobId = kJobId;
        r.SqlFileSubClientId = subclient;
        return r;
    }

    static void fillLSN(KelSQLLSN& lsn, uint64_t type, const std::string& first, const std::string& last) {
        lsn.setBackupType(type);
        lsn.setFirst(first);
        lsn.setLast(last);
        lsn.setCheckpoint(first);
        lsn.setDatabase("33000000000000001");
    }

    // Records a backup from the agent in a network transaction of its own;
    // the new row id, 0 on failure.
    unsigned long recordBackup(KelSQLClassProperties& agent, const std::string& name) {
        KelNetSQLDBTransaction* t = agent.getNetworkDBTransaction();
        KelSQLBackupSet set(agent, false);
        set.copyFromNetwork(record(name));
        fillLSN(set.getLSN(), 'L', "34000000000000001", "34000000000000009");
        if (!t->startTransaction()) return 0;
        const bool ok = set.insert(tessel_, db_);
        EXPECT_TRUE(ok) << set.getLastError().formatLastErrorMessage();
        if (!(ok ? t->commitTransaction() : t->rollbackTransaction())) return 0;
        return ok ? set.sqlId() : 0;
    }

    static std::string message(KelLastError& err) { return err.formatLastErrorMessage(); }

    unsigned long db_ = 0;
};

}  // namespace kel::test
