// Restore tasks and items, archive groups and files, and log marks:
// row copies bounded at full width, the update objects, the owned unsized
// description, the two-column archive-file key and the marks report.
#include <cstring>
#include <string>
#include <vector>

#include "Db/Cursor/sqlArchGroupDelInfo.h"
#include "Db/Cursor/sqlDbMarkReport.h"
#include "Db/Tbl/archFile.h"
#include "Db/Tbl/archGroup.h"
#include "Db/Tbl/sqlLSNs.h"
#include "Db/Tbl/sqlLogMarkNames.h"
#include "cursors/CursorFixture.h"
#include "KelSQL/SqlRestoreDataTable.h"
#include "KelSQL/SqlRestoreTaskTable.h"
#include "platform/util/BoundedCopy.h"
#include "records/RecordFixture.h"

namespace kel::test {
namespace {

class RowsTest : public CursorTest {};

// A row whose texts lost their terminators, copied by construction and by
// assignment: every text stays within its field, every other column whole.
template <class Desc>
void expectBoundedCopies() {
    SCOPED_TRACE(Desc::family.object);
    using Row = typename Desc::Row;
    const DBColumnLayout& layout = Desc::layout;
    Row row;
    char* source = reinterpret_cast<char*>(&row);
    for (int i = 0; i < layout.columnCount; ++i) {
        const DBColumn& c = layout.columns[i];
        if (c.token[0] == 's') std::memset(source + c.offset, 'a' + i, c.size);
        if (c.token[0] == 'i') *reinterpret_cast<int32_t*>(source + c.offset) = -1000 - i;
        if (c.token[0] == 't') {
            ASSERT_TRUE(reinterpret_cast<DB_DATETIME*>(source + c.offset)->parse("2021-05-01 10:00:00"));
        }
    }
    std::vector<Row> copies(2, row);
    copies[0] = row;
    for (Row& copy : copies) {
        const char* target = reinterpret_cast<const char*>(&copy);
        for (int i = 0; i < layout.columnCount; ++i) {
            const DBColumn& c = layout.columns[i];
            if (c.token[0] == 's') {
                EXPECT_EQ(std::string(c.size - 1, char('a' + i)), target + c.offset) << c.name;
            } else {
                EXPECT_EQ(0, std::memcmp(source + c.offset, target + c.offset, c.token[0] == 't' ? 16 : c.size)) << c.name;
            }
        }
    }
}

TEST_F(RowsTest, RowCopiesKeepFullWidthTextsTerminated) {
    expectBoundedCopies<SqlRestoreTaskDesc>();
    expectBoundedCopies<SqlLSNsDesc>();
    expectBoundedCopies<SqlArchGroupDelInfoDesc>();
}

TEST_F(RowsTest, RestoreTasksAndItemsInsertAndUpdateThroughTheUpdateObjects) {
    SqlRestoreTaskTable task(nullptr);
    SqlRestoreTask_t& t = *task.getDataPtr();
    t.sqlDatabaseId = 12;
    t.sqlServerId = 1;
    EXPECT_TRUE(kel::copyField(t.databaseName, "it's db"));
    EXPECT_TRUE(kel::copyField(t.stopMarkName, repeated(64, "m")));
    ASSERT_EQ(0, task.rowInsert(true));
    ASSERT_GT(t.id, 0);

    SqlRestoreDataTable item(nullptr);
    SqlRestoreData_t& d = *item.getDataPtr();
    d.restoreTaskId = t.id;
    EXPECT_TRUE(kel::copyField(d.sqlName, "O'Brien"));
    ASSERT_EQ(0, item.rowInsert(true));

    SqlRestoreDataTable change(nullptr);
    change.setWhere("id=%d", d.id);
    change.setColumn(std::string("x' where 1=1 -- 100%s %d"), "sqlName");
    change.setColumn(7, "next");
    ASSERT_EQ(0, change.rowUpdate(change.getUpdateClause().c_str()));
    SqlRestoreData back(nullptr);
    back.setWhere("restoreTaskId = %d", t.id);
    ASSERT_EQ(0, back.getOneRow(&back, false, -1, 0));
    EXPECT_STREQ("x' where 1=1 -- 100%s %d", back.getDataPtr()->sqlName);
    EXPECT_EQ(7, back.getDataPtr()->next);

    SqlRestoreTask again(nullptr);
    again.setWhere("sqlDatabaseId = %d", 12);
    ASSERT_EQ(0, again.getOneRow(&again, false, -1, 0));
    EXPECT_STREQ("it's db", again.getDataPtr()->databaseName);
    EXPECT_EQ(repeated(64, "m"), again.getDataPtr()->stopMarkName);

    d.restoreTaskId = t.id + 100;  // no such task: the foreign key holds
    EXPECT_NE(0, item.rowInsert(true));
}

// The library allocates the unsized text on fetch and the row owns it (the
// sanitizer checks each is freed once); a long one is cut at its bound.
TEST_F(RowsTest, UnsizedDescriptionIsWrittenBoundedAndFreedOnce) {
    std::string huge(kDBUnsizedTextMax + 10, 'a');
    huge.replace(kDBUnsizedTextMax - 1, 2, "\xC3\xA9");  // a character across the bound
    sql("INSERT INTO archGroup (id, name, description) VALUES (1, 'SP', '" + huge + "'), (3, 'none', NULL)");
    ArchGroup small(nullptr);
    EXPECT_TRUE(kel::copyField(small.getDataPtr()->name, "small"));
    small.getDataPtr()->description = new char[10];
    std::strcpy(small.getDataPtr()->description, "two words");
    ASSERT_EQ(0, small.rowInsert(true));
    const long smallId = small.getDataPtr()->id;

    ArchGroup group(nullptr);
    group.setWhere("id = %ld", 1L);
    ASSERT_EQ(0, group.getOneRow(&group, false, -1, 0));
    ASSERT_NE(nullptr, group.getDataPtr()->description);
    EXPECT_EQ(kDBUnsizedTextMax - 1, std::strlen(group.getDataPtr()->description));  // cut before the character
    // Reading other rows into the same record replaces the text each time.
    group.setWhere("id = %ld", smallId);
    ASSERT_EQ(0, group.getOneRow(&group, false, -1, 0));
    EXPECT_STREQ("two words", group.getDataPtr()->description);
    group.setWhere("id = %ld", 3L);
    ASSERT_EQ(0, group.getOneRow(&group, false, -1, 0));
    EXPECT_EQ(nullptr, group.getDataPtr()->description);
    group.setWhere("id = %ld", smallId);
    ASSERT_EQ(0, group.getOneRow(&group, false, -1, 0));
    group.setWhere("id = %ld", 9L);
    EXPECT_EQ(100, group.getOneRow(&group, false, -1, 0));
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
    EXPECT_EQ("8,c,1,1,,0,0,0,0,40,0,1,0,0,0; 7,a,1,1,,0,0,0,0,40,0,1,0,0,0", rowsText(file));
    EXPECT_NE(0, execSql("INSERT INTO archFile (id, tesselId) VALUES (7, 1)"));
}

TEST_F(RowsTest, MarksReportListsAnInstancesMarksByNameLatestFirst) {
    SqlLogMarkNames mark(nullptr);
    SqlLogMarkNames_t& m = *mark.getDataPtr();
    struct { int db; const char* name; const char* time; } marks[] = {
        {12, "b", "2021-05-01 00:00:00"}, {10, "a", "2021-05-01 00:00:00"}, {12, "a", "2021-05-02 00:00:00"},
        {10, "b", "2021-05-01 00:00:00"}, {13, "a", "2021-05-09 00:00:00"},  // 13 is instance 2's
    };
    for (auto& x : marks) {
        m.id = 0;
        m.tesselId = 1;
        m.sqlDatabaseId = x.db;
        EXPECT_TRUE(kel::copyField(m.name, x.name));
        ASSERT_TRUE(m.markTime.parse(x.time));
        ASSERT_EQ(0, mark.rowInsert(true));
    }
    // The later mark first; at the same time, the higher database first.
    EXPECT_EQ("3,1,12,a,,,2021-05-02 00:00:00; 2,1,10,a,,,2021-05-01 00:00:00; "
              "1,1,12,b,,,2021-05-01 00:00:00; 4,1,10,b,,,2021-05-01 00:00:00",
              cursorRows<SqlDbMarkReport>(1, 1));
    EXPECT_EQ("", cursorRows<SqlDbMarkReport>(1, 3));
}

}  // namespace
}  // namespace kel::test
