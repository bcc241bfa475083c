// Tomb-stoning and pruning of archive sets by the copies of their archive
// files, and the backup sets recorded on an archive group.
#include <cstring>
#include <string>
#include <vector>

#include "Db/Cursor/sqlArchGroupDelInfo.h"
#include "Db/Cursor/sqlGetBackupSetsToPrune.h"
#include "Db/Cursor/sqlTombStoneSQLBackups.h"
#include "Db/Tbl/sqlArchiveSet.h"
#include "families/FamilyFixture.h"
#include "platform/util/BoundedCopy.h"

namespace kel::test {
namespace {

class PruningTest : public FamilyCursorTest {
protected:
    static int tombStone() {
        SqlTombStoneSQLBackups_t row;
        EXPECT_EQ(0, one<SqlTombStoneSQLBackups>(row, 1));
        return row.found;
    }
    std::vector<SqlGetBackupSetsToPrune_t> toPrune() {
        SqlGetBackupSetsToPrune cursor(nullptr);
        cursor.setValues();
        std::vector<SqlGetBackupSetsToPrune_t> rows;
        EXPECT_EQ(0, rowsOf(cursor, rows));
        return rows;
    }
    // The tomb-stone flag of every archive set, in id order.
    static std::string flags() {
        std::string out;
        SqlArchiveSet record(nullptr);
        if (record.openCursor() != 0) return "error";
        while (record.fetchCursor(true) == 0) out += char('0' + record.getDataPtr()->bIsTombstoned);
        record.closeCursor();
        return out;
    }
};

TEST_F(PruningTest, ACopyWithFlag256TombStonesButDoesNotPrune) {
    addBackup(1, 12, "2021-05-01 00:00:00", 68, 0, 0, 501);  // only copy: flag 256
    addBackup(2, 12, "2021-05-01 00:00:00", 68, 0, 0, 502);  // no copy at all
    addBackup(3, 10, "2021-05-01 00:00:00", 68, 0, 0, 503);  // a live copy
    sql("INSERT INTO sqlArchiveSet (tesselId, sqlBackupSetId, archiveFile) VALUES (1, 2, 502);"  // same file again
        "INSERT INTO archFileCopy (archFileId, tesselId, copyId, flags) VALUES"
        " (501, 1, 1, 256 + 4), (503, 1, 1, 512), (503, 1, 2, 256)");
    EXPECT_EQ(3, tombStone());
    EXPECT_EQ("1101", flags());
    std::vector<SqlGetBackupSetsToPrune_t> rows = toPrune();
    ASSERT_EQ(1u, rows.size());  // once, however many archive sets share the file
    EXPECT_EQ(2, rows[0].backupSetId);
    EXPECT_EQ(1, rows[0].clientId);
    EXPECT_EQ(1, rows[0].tesselId);

    // Marked rows are marked and counted again while nothing changes.
    EXPECT_EQ(3, tombStone());
    sql("DELETE FROM archFileCopy WHERE archFileId = 501");
    EXPECT_EQ(2u, toPrune().size());
}

TEST_F(PruningTest, NothingToMarkAnswersZero) {
    EXPECT_EQ(0, tombStone());
    addBackup(1, 12, "2021-05-01 00:00:00", 68, 0, 0, 501);
    sql("INSERT INTO archFileCopy (archFileId, tesselId, copyId, flags) VALUES (501, 1, 1, 0)");
    EXPECT_EQ(0, tombStone());
    EXPECT_TRUE(toPrune().empty());
}

TEST_F(PruningTest, ArchiveGroupListNeverMixesTesselsAndOrdersByClient) {
    // Tessel 2 with its own client on the same instance number.
    sql("INSERT INTO APP_Tessel (id, name) VALUES (2, 'other');"
        "INSERT INTO APP_Client (id, tesselId, name, net_hostname) VALUES (3, 2, 'c3', 'host3');"
        "INSERT INTO APP_Application (tesselId, clientid, instance) VALUES (1, 2, 1), (1, 1, 2), (2, 3, 1)");
    addBackup(1, 12, "2021-05-01 00:00:00", 68);  // instance 1, client 2
    addBackup(2, 13, "2021-05-01 00:00:00", 68);  // instance 2, client 1
    addBackup(3, 10, "2021-05-01 00:00:00", 68);
    sql("UPDATE sqlArchiveSet SET archiveGroup = 2 WHERE sqlBackupSetId = 3;"
        // an archive set of Tessel 2 pointing at a Tessel-1 backup set
        "INSERT INTO sqlArchiveSet (tesselId, sqlBackupSetId, archiveGroup, archiveFile) VALUES (2, 1, 1, 9)");

    SqlArchGroupDelInfo cursor(nullptr);
    cursor.setValues(1, 1);
    std::vector<SqlArchGroupDelInfo_t> rows;
    ASSERT_EQ(0, rowsOf(cursor, rows));
    ASSERT_EQ(2u, rows.size());
    EXPECT_EQ(1, rows[0].clientid);
    EXPECT_EQ(2, rows[0].sqlserverid);
    EXPECT_EQ(13, rows[0].sqldatabaseid);
    EXPECT_EQ(2, rows[0].sqlbackupsetid);
    EXPECT_STREQ("host1", rows[0].clienthostname);
    EXPECT_EQ(2, rows[1].clientid);
    EXPECT_EQ(1, rows[1].sqlbackupsetid);
    EXPECT_STREQ("host2", rows[1].clienthostname);

    cursor.setValues(2, 1);
    ASSERT_EQ(0, rowsOf(cursor, rows));
    EXPECT_TRUE(rows.empty());
    cursor.setValues(1, 7);
    ASSERT_EQ(0, rowsOf(cursor, rows));
    EXPECT_TRUE(rows.empty());
}

TEST_F(PruningTest, HostNameRowCopiesStayWithinTheirField) {
    SqlArchGroupDelInfo_t full;
    full.clientid = 4;
    std::string name(256, 'h');
    kel::copyField(full.clienthostname, name);
    SqlArchGroupDelInfo_t copy(full);
    EXPECT_EQ(name, copy.clienthostname);
    EXPECT_EQ(4, copy.clientid);
    // A source without its terminator is still copied within the field.
    std::memset(full.clienthostname, 'x', sizeof full.clienthostname);
    copy = full;
    EXPECT_EQ(std::string(256, 'x'), copy.clienthostname);
}

}  // namespace
}  // namespace kel::test
