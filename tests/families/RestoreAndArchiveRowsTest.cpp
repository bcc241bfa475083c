// Restore tasks and items, archive groups and files, LSNs and log marks:
// row copies bounded at full width, the update objects, the owned unsized
// description, the two-column archive-file key and the marks report.
#include <cstring>
#include <string>
#include <vector>

#include "Db/Cursor/sqlDbMarkReport.h"
#include "Db/Tbl/archFile.h"
#include "Db/Tbl/archGroup.h"
#include "Db/Tbl/sqlFileRename.h"
#include "Db/Tbl/sqlLSNs.h"
#include "Db/Tbl/sqlLogMarkNames.h"
#include "KelSQL/SqlRestoreDataTable.h"
#include "KelSQL/SqlRestoreTaskTable.h"
#include "families/FamilyFixture.h"
#include "platform/util/BoundedCopy.h"
#include "records/RecordFixture.h"

namespace kel::test {
namespace {

class RowsTest : public FamilyCursorTest {};

TEST_F(RowsTest, RestoreTaskCopiesKeepFullWidthTextsTerminated) {
    SqlRestoreTask_t row;
    row.id = 3;
    row.next = 9;
    row.archiveCopyId = -1;
    kel::copyField(row.undoFile, repeated(1024, "u"));
    kel::copyField(row.restoreUser, repeated(128, "r"));
    kel::copyField(row.restorePassword, repeated(512, "p"));
    kel::copyField(row.databaseName, repeated(128, "d"));
    kel::copyField(row.stopMarkName, repeated(64, "m"));
    std::vector<SqlRestoreTask_t> list(2, row);
    EXPECT_EQ(repeated(1024, "u"), list[1].undoFile);
    EXPECT_EQ(repeated(128, "r"), list[1].restoreUser);
    EXPECT_EQ(repeated(512, "p"), list[1].restorePassword);
    EXPECT_EQ(repeated(128, "d"), list[1].databaseName);
    EXPECT_EQ(repeated(64, "m"), list[1].stopMarkName);
    EXPECT_EQ(9, list[1].next);
    EXPECT_EQ(-1, list[1].archiveCopyId);
    // A source that lost its terminators is still copied within each field.
    std::memset(row.undoFile, 'x', sizeof row.undoFile);
    std::memset(row.stopMarkName, 'y', sizeof row.stopMarkName);
    list[0] = row;
    EXPECT_EQ(repeated(1024, "x"), list[0].undoFile);
    EXPECT_EQ(repeated(64, "y"), list[0].stopMarkName);
}

TEST_F(RowsTest, RestoreTasksAndItemsInsertAndUpdateThroughTheUpdateObjects) {
    SqlRestoreTaskTable task(nullptr);
    SqlRestoreTask_t& t = *task.getDataPtr();
    t.sqlDatabaseId = 12;
    t.sqlServerId = 1;
    kel::copyField(t.databaseName, "it's db");
    kel::copyField(t.stopMarkName, repeated(64, "m"));
    ASSERT_EQ(0, task.rowInsert(true));
    ASSERT_GT(t.id, 0);

    SqlRestoreDataTable item(nullptr);
    SqlRestoreData_t& d = *item.getDataPtr();
    d.restoreTaskId = t.id;
    kel::copyField(d.sqlName, "O'Brien");
    ASSERT_EQ(0, item.rowInsert(true));
    SqlFileRename rename(nullptr);
    rename.getDataPtr()->restoreTaskId = t.id;
    kel::copyField(rename.getDataPtr()->logicalName, "data");
    ASSERT_EQ(0, rename.rowInsert(true));

    SqlRestoreDataTable change(nullptr);
    change.setWhere("id=%d", d.id);
    change.setColumn(std::string("x' where 1=1 -- 100%s %d"), "sqlName");
    change.setColumn(rename.getDataPtr()->id, "sqlFileRenameId");
    ASSERT_EQ(0, change.rowUpdate(change.getUpdateClause().c_str()));
    SqlRestoreData back(nullptr);
    back.setWhere("restoreTaskId = %d", t.id);
    ASSERT_EQ(0, back.getOneRow(&back, false, -1, 0));
    EXPECT_STREQ("x' where 1=1 -- 100%s %d", back.getDataPtr()->sqlName);
    EXPECT_EQ(rename.getDataPtr()->id, back.getDataPtr()->sqlFileRenameId);

    SqlRestoreTask again(nullptr);
    again.setWhere("sqlDatabaseId = %d", 12);
    ASSERT_EQ(0, again.getOneRow(&again, false, -1, 0));
    EXPECT_STREQ("it's db", again.getDataPtr()->databaseName);
    EXPECT_EQ(repeated(64, "m"), again.getDataPtr()->stopMarkName);

    d.restoreTaskId = t.id + 100;  // no such task: the foreign key holds
    EXPECT_NE(0, item.rowInsert(true));
}

TEST_F(RowsTest, UnsizedDescriptionIsBoundedAndFreedOnce) {
    std::string huge(kDBUnsizedTextMax + 10, 'a');
    huge.replace(kDBUnsizedTextMax - 1, 2, "\xC3\xA9");  // a character across the bound
    sql("INSERT INTO archGroup (id, name, description) VALUES (1, 'SP', '" + huge + "'),"
        " (2, 'small', 'two words'), (3, 'none', NULL)");
    ArchGroup group(nullptr);
    group.setWhere("id = %ld", 1L);
    ASSERT_EQ(0, group.getOneRow(&group, false, -1, 0));
    ASSERT_NE(nullptr, group.getDataPtr()->description);
    EXPECT_EQ(kDBUnsizedTextMax - 1, std::strlen(group.getDataPtr()->description));  // cut before the character
    // Reading other rows into the same record replaces the text each time.
    group.setWhere("id = %ld", 2L);
    ASSERT_EQ(0, group.getOneRow(&group, false, -1, 0));
    EXPECT_STREQ("two words", group.getDataPtr()->description);
    group.setWhere("id = %ld", 3L);
    ASSERT_EQ(0, group.getOneRow(&group, false, -1, 0));
    EXPECT_EQ(nullptr, group.getDataPtr()->description);
    group.setWhere("id = %ld", 2L);
    ASSERT_EQ(0, group.getOneRow(&group, false, -1, 0));
    group.setWhere("id = %ld", 9L);
    EXPECT_EQ(100, group.getOneRow(&group, false, -1, 0));
    // The record's row releases the last text (the sanitizer checks once).
}

TEST_F(RowsTest, ArchiveFilesAreKeyedByIdAndTessel) {
    sql("INSERT INTO APP_Tessel (id, name) VALUES (2, 'other');"
        "INSERT INTO archGroup (id, name) VALUES (1, 'SP');"
        "INSERT INTO archFile (id, name, tesselId, archGroupId, jobId, isValid) VALUES"
        " (7, 'a', 1, 1, 40, 1), (7, 'b', 2, 1, 40, 1), (8, 'c', 1, 1, 40, 1), (9, 'd', 1, 1, 40, 0)");
    ArchFile file(nullptr);
    file.setWhere("id = %d and tesselId = %d", 7, 2);
    ASSERT_EQ(0, file.getOneRow(&file, false, -1, 0));
    EXPECT_STREQ("b", file.getDataPtr()->name);
    file.setWhere("jobId = %d and isValid = 1 and tesselId = %d", 40, 1);
    file.setOrderBy("id DESC");
    std::vector<ArchFile_t> rows;
    ASSERT_EQ(0, rowsOf(file, rows));
    ASSERT_EQ(2u, rows.size());
    EXPECT_EQ(8, rows[0].id);
    EXPECT_EQ(7, rows[1].id);
    EXPECT_NE(0, execSql("INSERT INTO archFile (id, tesselId) VALUES (7, 1)"));
}

TEST_F(RowsTest, LsnRowsCopyWholeAndKeepTheCallersKey) {
    addBackup(1, 12, "2021-05-01 00:00:00", 68);
    sql("DELETE FROM sqlLSNs");
    SqlLSNs lsn(nullptr);
    SqlLSNs_t& row = *lsn.getDataPtr();
    row.sqlBackupSetId = 1;
    row.tesselId = 1;
    row.sqlDatabaseId = 12;
    row.backupType = 76;
    ASSERT_TRUE(row.finishTime.parse("2021-05-01 10:00:00"));
    kel::copyField(row.firstLSN, repeated(32, "9"));
    kel::copyField(row.lastLSN, "100");
    ASSERT_EQ(0, lsn.rowInsert(true));
    EXPECT_EQ(1, row.sqlBackupSetId);

    std::vector<SqlLSNs_t> kept(1, row);
    row.backupType = 68;
    kel::copyField(row.firstLSN, "1");
    EXPECT_EQ(76, kept[0].backupType);
    EXPECT_EQ(repeated(32, "9"), kept[0].firstLSN);
    EXPECT_EQ(10, kept[0].finishTime.hour);
    EXPECT_TRUE(kept[0].startTime.isCleared());

    SqlLSNs back(nullptr);
    back.setWhere("sqlBackupSetId = %d", 1);
    ASSERT_EQ(0, back.getOneRow(&back, false, -1, 0));
    EXPECT_EQ(repeated(32, "9"), back.getDataPtr()->firstLSN);
    EXPECT_EQ("", differingColumn(SqlLSNsDesc::layout, &kept[0], back.getDataPtr()));
}

TEST_F(RowsTest, MarksReportListsAnInstancesMarksByNameLatestFirst) {
    SqlLogMarkNames mark(nullptr);
    SqlLogMarkNames_t& m = *mark.getDataPtr();
    struct { int db; const char* name; const char* time; } marks[] = {
        {12, "b", "2021-05-01 00:00:00"}, {10, "a", "2021-05-01 00:00:00"}, {12, "a", "2021-05-02 00:00:00"},
        {10, "b", "2021-05-01 00:00:00"}, {13, "a", "2021-05-09 00:00:00"},  // 13 is instance 2's
    };
    int lastId = 0;
    for (auto& x : marks) {
        m.id = 0;
        m.tesselId = 1;
        m.sqlDatabaseId = x.db;
        kel::copyField(m.name, x.name);
        ASSERT_TRUE(m.markTime.parse(x.time));
        ASSERT_EQ(0, mark.rowInsert(true));
        EXPECT_GT(m.id, lastId);
        lastId = m.id;
    }
    SqlDbMarkReport report(nullptr);
    report.setValues(1, 1);
    std::vector<SqlDbMarkReport_t> rows;
    ASSERT_EQ(0, rowsOf(report, rows));
    ASSERT_EQ(4u, rows.size());
    EXPECT_STREQ("a", rows[0].name);
    EXPECT_EQ(12, rows[0].sqldatabaseid);  // the later mark first
    EXPECT_EQ(10, rows[1].sqldatabaseid);
    EXPECT_STREQ("b", rows[2].name);
    EXPECT_EQ(12, rows[2].sqldatabaseid);  // same time: the higher database first
    EXPECT_EQ(10, rows[3].sqldatabaseid);
    report.setValues(1, 3);
    ASSERT_EQ(0, rowsOf(report, rows));
    EXPECT_TRUE(rows.empty());
}

}  // namespace
}  // namespace kel::test
