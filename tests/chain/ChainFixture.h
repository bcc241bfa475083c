// Backup histories written straight into the catalogue for the restore-chain
// tests: rows of sqlBackupSet and sqlLSNs with 18-digit LSNs that differ only
// in their last digits (a double cannot tell them apart) and times as
// seconds from a base.
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "KelSQL/KelSQLDatabaseLSNList.h"
#include "backup/BackupFixture.h"

namespace kel::test {

class ChainTest : public BackupTest {
protected:
    static constexpr long kBase = 1615000000;
    // sqlVersion rows of SQL Server 2005, 7 and an unknown 10.
    static constexpr int kV9 = 1, kV7 = 2, kV10 = 3;

    struct Set {
        int id;
        char type;
        int first, last, checkpoint, full;  // LSNs as offsets, see lsn()
        long start;                         // seconds after kBase; finishes 50 later
        int version = kV9;
        int subclient = 0;
    };

    void SetUp() override {
        BackupTest::SetUp();
        for (int v : {kV9, kV7, kV10})
            ASSERT_TRUE(sql("INSERT INTO sqlVersion (id, tesselId, type, major) VALUES (" + std::to_string(v) + ", " +
                            std::to_string(tessel_) + ", 1, " + (v == kV9 ? "9" : v == kV7 ? "7" : "10") + ")"));
    }

    static std::string lsn(int n) { return std::to_string(100000000000000000ull + static_cast<unsigned>(n)); }
    static std::string stamp(long offset) {
        const time_t t = kBase + offset;
        struct tm b;
        gmtime_r(&t, &b);
        char s[32];
        strftime(s, sizeof s, "%Y-%m-%d %H:%M:%S", &b);
        return s;
    }

    // Sizes are 1000 + id bytes; the agent's number is 5000 + id.
    void add(const std::vector<Set>& sets, unsigned long database = 0) {
        const std::string db = std::to_string(database ? database : db_), t = std::to_string(tessel_);
        for (const Set& s : sets) {
            const std::string id = std::to_string(s.id);
            ASSERT_TRUE(sql("INSERT INTO sqlBackupSet (id, tesselId, sqlDatabaseId, backupSetId, name, sqlVersionId, "
                            "mtfVersionId, backupSize, sqlFileSubClientId) VALUES (" +
                            id + ", " + t + ", " + db + ", " + std::to_string(5000 + s.id) + ", 'set" + id + "', " +
                            std::to_string(s.version) + ", " + std::to_string(s.version) + ", '" +
                            std::to_string(1000 + s.id) + "', " + std::to_string(s.subclient) + ")"))
                << s.id;
            ASSERT_TRUE(sql("INSERT INTO sqlLSNs VALUES (" + id + ", " + t + ", " + db + ", '" + stamp(s.start) +
                            "', '" + stamp(s.start + 50) + "', " + std::to_string(int(s.type)) + ", '" + lsn(s.first) +
                            "', '" + lsn(s.last) + "', '" + lsn(s.checkpoint) + "', '" + lsn(s.full) + "')"))
                << s.id;
        }
    }

    static uint64_t sizeOf(const std::vector<uint64_t>& ids) {
        uint64_t n = 0;
        for (uint64_t id : ids) n += 1000 + id;
        return n;
    }
};

}  // namespace kel::test
