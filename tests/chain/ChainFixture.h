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

    // One chain of sets sets from id first on, in one statement each table:
    // the full (checkpoint 20, ending at 25), then logs every 100 seconds,
    // each beginning where the one before ended, with the sizes and numbers
    // add gives.
    void addOneChain(int first, int sets, unsigned long database) {
        const std::string n = "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                              std::to_string(sets - 1) + ") ";
        const std::string id = "(" + std::to_string(first) + " + i)", t = std::to_string(tessel_);
        const std::string at = "(" + std::to_string(kBase) + " + 100 * i)";
        auto lsnAt = [](const std::string& offset) { return "CAST(100000000000000000 + " + offset + " AS TEXT)"; };
        ASSERT_TRUE(sql(n + "INSERT INTO sqlBackupSet (id, tesselId, sqlDatabaseId, backupSetId, name, sqlVersionId, "
                            "mtfVersionId, backupSize, sqlFileSubClientId) SELECT " + id + ", " + t + ", " +
                        std::to_string(database) + ", 5000 + " + id + ", 'set' || " + id + ", " +
                        std::to_string(kV9) + ", " + std::to_string(kV9) + ", CAST(1000 + " + id + " AS TEXT), 0 FROM n"));
        ASSERT_TRUE(sql(n + "INSERT INTO sqlLSNs SELECT " + id + ", " + t + ", " + std::to_string(database) +
                        ", datetime(" + at + ", 'unixepoch'), datetime(" + at + " + 50, 'unixepoch'), CASE i WHEN 0 "
                        "THEN 68 ELSE 76 END, " + lsnAt("CASE i WHEN 0 THEN 10 ELSE 10 * i + 10 END") + ", " +
                        lsnAt("CASE i WHEN 0 THEN 25 ELSE 10 * i + 20 END") + ", " + lsnAt("20") + ", " +
                        lsnAt("CASE i WHEN 0 THEN 5 ELSE 20 END") + " FROM n"));
    }

    static uint64_t sizeOf(const std::vector<uint64_t>& ids) {
        uint64_t n = 0;
        for (uint64_t id : ids) n += 1000 + id;
        return n;
    }
};

}  // namespace kel::test
