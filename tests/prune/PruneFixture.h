// Backup histories with their archive sets, archive files and copies, for
// the pruning tests: every backup set i lies on archive file 100 + i of
// archive group 1 unless a test says otherwise.
#pragma once

#include <string>
#include <vector>

#include "KelSQL/KelSQLArchivePruning.h"
#include "chain/ChainFixture.h"

namespace kel::test {

class PruneTest : public ChainTest {
protected:
    void SetUp() override {
        ChainTest::SetUp();
        ASSERT_TRUE(sql("INSERT INTO archGroup (id, name) VALUES (1, 'g1'), (2, 'g2')"));
    }

    static std::string n(long v) { return std::to_string(v); }

    // The sets with one archive set each on file 100 + id of group 1.
    void history(const std::vector<Set>& sets, unsigned long database = 0) {
        add(sets, database);
        for (const Set& s : sets) archive(s.id, 100 + s.id);
    }
    void archive(int set, int file, int group = 1, int sequence = 1) {
        ASSERT_TRUE(sql("INSERT INTO sqlArchiveSet (tesselId, sqlBackupSetId, mediaSetId, sequenceNumber, archiveGroup, "
                        "archiveFile, bIsTombstoned) VALUES (" + n(tessel_) + ", " + n(set) + ", 0, " + n(sequence) +
                        ", " + n(group) + ", " + n(file) + ", 0)"));
    }
    // The archive manager's row of a file written by job at cTime.
    void archFile(int file, long jobId, long cTime, int level = 1, int group = 1) {
        ASSERT_TRUE(sql("INSERT INTO archFile (id, name, tesselId, archGroupId, appId, fileType, cTime, jobId, "
                        "backupLevel, isValid) VALUES (" + n(file) + ", 'f" + n(file) + "', " + n(tessel_) + ", " +
                        n(group) + ", 1, 1, " + n(cTime) + ", " + n(jobId) + ", " + n(level) + ", 1)"));
    }
    // The batch the archive manager hands in: files in the given order.
    std::vector<KelSQLFullArchiveMapping_t> batch(const std::vector<int>& files, int group = 1) {
        std::vector<KelSQLFullArchiveMapping_t> out;
        for (int f : files) {
            KelSQLFullArchiveMapping_t e;
            e.tesselId = tessel_;
            e.archiveGroupId = group;
            e.archiveFileId = f;
            out.push_back(e);
        }
        return out;
    }
    static std::vector<int> marked(const std::vector<KelSQLFullArchiveMapping_t>& list) {
        std::vector<int> out;
        for (const auto& e : list)
            if (e.isPrunable) out.push_back(static_cast<int>(e.archiveFileId));
        return out;
    }
    static long sets() { return static_cast<long>(scalar("SELECT count(*) FROM sqlBackupSet")); }
};

}  // namespace kel::test
