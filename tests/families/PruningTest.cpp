// Tomb-stoning and pruning of archive sets by the copies of their archive
// files, and the backup sets recorded on an archive group.
#include <string>

#include "Db/Cursor/sqlArchGroupDelInfo.h"
#include "Db/Cursor/sqlGetBackupSetsToPrune.h"
#include "Db/Cursor/sqlTombStoneSQLBackups.h"
#include "Db/Tbl/sqlArchiveSet.h"
#include "cursors/CursorFixture.h"

namespace kel::test {
namespace {

class PruningTest : public CursorTest {
protected:
    static std::string tombStone() { return cursorRows<SqlTombStoneSQLBackups>(1); }
    static std::string toPrune() { return cursorRows<SqlGetBackupSetsToPrune>(); }
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
    EXPECT_EQ("3", tombStone());
    EXPECT_EQ("1101", flags());
    EXPECT_EQ("2,1,1", toPrune());  // once, however many archive sets share the file

    // Marked rows are marked and counted again while nothing changes.
    EXPECT_EQ("3", tombStone());
    sql("DELETE FROM archFileCopy WHERE archFileId = 501");
    EXPECT_EQ("1,1,1; 2,1,1", toPrune());
}

TEST_F(PruningTest, NothingToMarkAnswersZero) {
    EXPECT_EQ("0", tombStone());
    addBackup(1, 12, "2021-05-01 00:00:00", 68, 0, 0, 501);
    sql("INSERT INTO archFileCopy (archFileId, tesselId, copyId, flags) VALUES (501, 1, 1, 0)");
    EXPECT_EQ("0", tombStone());
    EXPECT_EQ("", toPrune());
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

    EXPECT_EQ("1,2,13,2,host1; 2,1,12,1,host2", cursorRows<SqlArchGroupDelInfo>(1, 1));
    EXPECT_EQ("", cursorRows<SqlArchGroupDelInfo>(2, 1));
    EXPECT_EQ("", cursorRows<SqlArchGroupDelInfo>(1, 7));
}

}  // namespace
}  // namespace kel::test
