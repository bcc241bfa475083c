// The restore description of a backup set, here on the Ostrel and from an
// agent over a real dispatcher.
#include "KelSQL/KelSQLBSRestore.h"
#include "KelSQL/KelSQLErrors.h"
#include "PruneFixture.h"

using kel::test::refused;

namespace {

class BSRestoreTest : public kel::test::PruneTest {};

TEST_F(BSRestoreTest, DescriptionLocallyAndFromTheAgent) {
    // Set 1: 4 streams on 4 files; 2: 2 streams, 3 rows; 3: 3 streams, 1
    // row; 4: no rows; 5: 34 rows, more than a response holds.
    add({{1, 'D', 100, 120, 110, 50, 100}, {2, 'L', 120, 130, 0, 110, 200}, {3, 'I', 130, 140, 135, 110, 300},
         {4, 'L', 140, 150, 0, 110, 400}, {5, 'D', 150, 160, 155, 50, 500}});
    ASSERT_TRUE(kel::test::sql("UPDATE sqlBackupSet SET streams = CASE id WHEN 1 THEN 4 WHEN 2 THEN 2 WHEN 3 THEN 3 "
                               "ELSE 1 END, backupSize = '-7' WHERE id = 3"));
    ASSERT_TRUE(kel::test::sql("UPDATE sqlBackupSet SET streams = CASE id WHEN 1 THEN 4 WHEN 2 THEN 2 ELSE 1 END "
                               "WHERE id <> 3"));
    for (int s = 4; s >= 1; --s) archive(1, 10 + s, 2, s);  // rows in reverse sequence order
    for (int f : {21, 22, 23}) archive(2, f);
    archive(3, 31);
    for (int f = 0; f < 34; ++f) archive(5, 500 + f);
    KelSQLClassProperties ostrel(KelSQLServerSide), agent(KelSQLClientSide);
    const struct {
        unsigned long set;
        std::vector<uint64_t> files;  // as the agent receives them
        uint64_t error;
    } cases[] = {
        {1, {14, 13, 12, 11}, 0},
        {2, {21, 22}, 0},
        {3, {31, 0, 0}, 0},
        {4, {0}, 0},  // one stream, no row: a zero entry
        {5, {}, kelsql::kErrBackupSetListFull},
        {9, {}, kelsql::kErrRowOperation},
    };
    for (const auto& c : cases) {
        KelSQLBSRestore remote(agent, false);
        const bool ok = remote.query(c.set);
        if (c.error) {
            EXPECT_TRUE(refused(ok, remote.getLastError(), c.error)) << c.set;
            continue;
        }
        ASSERT_TRUE(ok) << c.set << ": " << message(remote.getLastError());
        std::vector<uint64_t> files;
        for (const auto& a : remote.archiveList()) files.push_back(a.ArchiveFile);
        EXPECT_EQ(files, c.files) << c.set;
        EXPECT_EQ(remote.backupType(), c.set == 3 ? 'I' : c.set == 1 ? 'D' : 'L') << c.set;
        EXPECT_EQ(remote.tesselId(), c.set == 4 ? 0 : tessel_) << c.set;
    }
    KelSQLBSRestore local(ostrel, false);
    ASSERT_TRUE(local.query(5));
    EXPECT_EQ(local.archiveList().size(), 34u);  // the Ostrel's own users keep them all
    ASSERT_TRUE(local.query(3));
    EXPECT_EQ(local.backupSize(), -7);
    EXPECT_EQ(local.archiveList().front().SequenceNumber, 1u);
    // Answering is for the handler's object only.
    KelNetSQLBSRestoreReq_t req{3};
    KelNetSQLBSRestoreRsp_t rsp{};
    EXPECT_TRUE(refused(local.query(&req, &rsp), local.getLastError(), kelsql::kErrNoSide));
}

TEST_F(BSRestoreTest, ReaderTakesNoMoreThanTheSlots) {
    KelSQLClassProperties agent(KelSQLClientSide);
    KelSQLBSRestore reader(agent, false);
    KelNetSQLBSRestoreRsp_t rsp{};
    rsp.BSRestore.Streams = kelsql::kBSRestoreArchiveSlots;
    rsp.BSRestore.Archives[32].ArchiveFile = 77;
    ASSERT_TRUE(reader.copyFromNetwork(&rsp));
    EXPECT_EQ(reader.archiveList().back().ArchiveFile, 77u);
    rsp.BSRestore.Streams = kelsql::kBSRestoreArchiveSlots + 1;
    EXPECT_TRUE(refused(reader.copyFromNetwork(&rsp), reader.getLastError(), kelsql::kErrListRead));
    EXPECT_TRUE(reader.archiveList().empty());
}

}  // namespace
