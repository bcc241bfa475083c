// Media families over the real dispatcher: one stream per backup set and
// sequence number, and the archive file's Tessel read back from the row.
#include <vector>

#include "BackupFixture.h"
#include "KelSQL/KelSQLMediaFamily.h"

using kel::test::arguments;
using kel::test::failure;
using kel::test::refused;
using kel::test::scalar;

namespace {
class MediaFamilyTest : public kel::test::BackupTest {};
}  // namespace

TEST_F(MediaFamilyTest, MediaFamiliesAreStoredOncePerStreamAndReadBack) {
    KelSQLClassProperties agent(KelSQLClientSide);
    const unsigned long bs = recordBackup(agent, "full");
    ASSERT_NE(bs, 0u);
    KelSQLMediaFamily unloaded(agent, false);
    EXPECT_TRUE(refused(unloaded.insert(tessel_, bs), unloaded.getLastError(), kelsql::kErrInsert));
    EXPECT_TRUE(unloaded.clientQuery(12, 1));
    EXPECT_FALSE(unloaded.isLoaded());

    const struct {
        uint64_t sequence;
        uint64_t error;
        std::vector<std::string> args;  // the error's arguments, when it has them
    } cases[] = {
        {1, 0, {}},
        {1, kelsql::kErrMediaFamilyExists, {"1", std::to_string(bs)}},
        {0, kelsql::kErrValueNotSet, {"sequenceNumber", "KelSQLMediaFamily::query(sqlBackupSetId, sequenceNumber)"}},
        {2, 0, {}},
    };
    KelNetSQLDBTransaction* t = agent.getNetworkDBTransaction();
    ASSERT_TRUE(t->startTransaction());
    unsigned long second = 0;
    for (const auto& c : cases) {
        KelNetSQLMediaFamily_t rec{};
        rec.MediaSetId = 12;
        rec.SequenceNumber = c.sequence;
        rec.ArchiveFile = {tessel_ + 40, 3, 10 + c.sequence};  // another Tessel for the archive: not stored
        KelSQLMediaFamily family(agent, false);
        ASSERT_TRUE(family.restore(&rec));
        const bool ok = family.insert(tessel_, bs);
        EXPECT_EQ(failure(ok, family.getLastError()), c.error) << c.sequence;
        if (!ok) {
            EXPECT_EQ(arguments(family.getLastError()), c.args) << c.sequence;
        }
        if (ok && c.sequence == 2) second = static_cast<unsigned long>(family.sqlId());
    }
    ASSERT_TRUE(t->commitTransaction());
    EXPECT_EQ(scalar("SELECT count(*) FROM sqlArchiveSet WHERE bIsTombstoned = 0 AND sqlBackupSetId = " +
                     std::to_string(bs)),
              2);

    KelSQLMediaFamily back(agent, false);
    ASSERT_TRUE(back.query(second)) << message(back.getLastError());
    EXPECT_EQ(back.sequenceNumber(), 2u);
    EXPECT_EQ(back.mediaSetId(), 12u);
    EXPECT_EQ(back.archiveGroupNumber(), 3u);
    EXPECT_EQ(back.archiveFileNumber(), 12u);
    EXPECT_EQ(back.tesselId(), tessel_);
    EXPECT_EQ(back.archiveTesselId(), back.tesselId());

    const struct {
        uint32_t code;
        uint64_t id;
        uint64_t error;
    } lookups[] = {{KelNetSQLMediaFamilyLookup, 0, kelsql::kErrRequestIds},
                   {KelNetSQLMediaFamilyLookup, 999, kelsql::kErrRowOperation},
                   {2, second, kelsql::kErrRequestRefused}};
    for (const auto& l : lookups) {
        KelNetSQLMediaFamily m(agent, false);
        m.requestMessage(true)->DBCode = l.code;
        m.requestMessage(false)->MediaFamily.SqlArchiveSetId = l.id;
        KelLastError err;
        EXPECT_TRUE(refused(m.exchange(err), err, l.error)) << l.code << "/" << l.id;
        if (l.error == kelsql::kErrRequestIds) {
            EXPECT_EQ(arguments(err).back(), "649");
        }
    }
}
