// The file information list reaches a requester in another process whole
// and in id order, however many files the set has: its entries travel as
// the frames' trailing data and are rebuilt on the requesting end.
#include "BackupFileFixture.h"
#include "KelSQL/KelSQLBackupFileInfo.h"

namespace {

class BackupFileInfoTest : public kel::test::BackupFileFixture {};

// 250 digits: a long name makes several hundred files outgrow one frame.
std::string physicalName(long i) {
    char digits[251];
    std::snprintf(digits, sizeof digits, "%0250ld", i);
    return std::string("C:\\") + digits;
}

}  // namespace

TEST_F(BackupFileInfoTest, ListReachesTheRequesterWholeAndInIdOrder) {
    KelSQLClassProperties agent(KelSQLClientSide);
    const unsigned long noise = recordBackup(agent, "noise");
    for (long files : {0L, 1L, 600L}) {
        const unsigned long set = recordBackup(agent, "set " + std::to_string(files));
        // Rows alternate with another set's, numbered against their id order.
        ASSERT_TRUE(kel::test::sql("INSERT INTO sqlBackupFile (tesselId, sqlFileGroupId, sqlBackupSetId, number, physicalName, "
                        "logicalName, physicalDrive, pageSize, pageCount, type) WITH RECURSIVE n(i) AS (SELECT 1 "
                        "WHERE 1 <= " + std::to_string(2 * files) + " UNION ALL SELECT i + 1 FROM n WHERE i < " +
                        std::to_string(2 * files) + ") SELECT " +
                        std::to_string(tessel_) + ", 5, CASE WHEN i % 2 THEN " + std::to_string(set) + " ELSE " +
                        std::to_string(noise) + " END, " + std::to_string(2 * files + 1) +
                        " - i, 'C:\\' || printf('%0250d', i), 'f' || i, 'C:\\', 2 * i, 3 * i, 68 FROM n"));
        KelSQLBackupFileInfo info(agent, false);
        ASSERT_TRUE(info.networkQuery(tessel_, set)) << message(info.getLastError());
        const KelNetSQLBkpFileInfoRsp_t* rsp = info.responseMessage(false);
        ASSERT_EQ(rsp->Count, static_cast<uint32_t>(files));
        ASSERT_EQ(info.backupFileList().size(), static_cast<size_t>(files));
        uint64_t previous = 0;
        for (long k = 0; k < files; ++k) {
            const KelNetSQLBackupFileInfo_t& e = rsp->Entries[k];
            const long i = 2 * k + 1;
            EXPECT_GT(e.SqlBackupFileId, previous) << k;
            previous = e.SqlBackupFileId;
            EXPECT_EQ(e.SqlBackupSetId, set);
            EXPECT_EQ(e.Number, static_cast<uint64_t>(2 * files - 2 * k)) << k;
            EXPECT_EQ(e.PageCount, static_cast<uint64_t>(3 * i)) << k;
            EXPECT_STREQ(e.LogicalName, ("f" + std::to_string(i)).c_str());
            EXPECT_EQ(e.PhysicalName, physicalName(i)) << k;
            EXPECT_STREQ(e.PhysicalDrive, "C:\\");
            EXPECT_EQ(info.backupFileList()[k].logicalName, e.LogicalName);
        }
    }
}
