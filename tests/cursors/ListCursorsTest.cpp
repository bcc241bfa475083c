// The name lists of files, file groups and databases, the database of a
// file, and the databases by flag mask.
#include <string>
#include <vector>

#include "Db/Cursor/sqlDatabaseList.h"
#include "Db/Cursor/sqlDbIdFromFileId.h"
#include "Db/Cursor/sqlFileGroupList.h"
#include "Db/Cursor/sqlFileList.h"
#include "Db/Cursor/sqlGetDBsByFlag.h"
#include "cursors/CursorFixture.h"

namespace kel::test {
namespace {

using ListCursorTest = CursorTest;

TEST_F(ListCursorTest, FilesComeTrimmedInNameOrderWithRemovedAndDeletedOnes) {
    SqlFileList cursor(nullptr);
    cursor.setValues(1);
    std::vector<SqlFileList_t> rows;
    ASSERT_EQ(0, readAll(cursor, rows)) << cursor.getErrorStr(cursor.openCursor());
    ASSERT_EQ(3u, rows.size());
    EXPECT_STREQ("Alpha", rows[0].filename);  // stored "Alpha ", removed
    EXPECT_EQ(2, rows[0].sqlfileid);
    EXPECT_STREQ("beta", rows[1].filename);  // logically deleted
    EXPECT_EQ(3, rows[1].sqlfileid);
    EXPECT_STREQ("zeta", rows[2].filename);
    EXPECT_EQ(1, rows[2].sqlfileid);
}

TEST_F(ListCursorTest, FileGroupsOfADatabaseInNameOrder) {
    SqlFileGroupList cursor(nullptr);
    cursor.setValues(12);
    std::vector<SqlFileGroupList_t> rows;
    ASSERT_EQ(0, readAll(cursor, rows));
    ASSERT_EQ(3u, rows.size());
    EXPECT_STREQ("Archive", rows[0].fgname);
    EXPECT_EQ(3, rows[0].sqlfgid);
    EXPECT_STREQ("data", rows[1].fgname);
    EXPECT_EQ(2, rows[1].sqlfgid);
    EXPECT_STREQ("PRIMARY", rows[2].fgname);
}

TEST_F(ListCursorTest, EmptyGroupOrDatabaseGives100AtOpenAndAtTheFirstFetch) {
    SqlFileList files(nullptr);
    EXPECT_EQ(0, files.setValues(4));  // success, whatever the batch's length
    EXPECT_EQ(100, files.openCursor());
    EXPECT_EQ(100, files.fetchCursor(true));
    files.closeCursor();
    EXPECT_NE(100, files.fetchCursor(true)) << "a closed cursor is misuse, not an end of data";
    SqlFileGroupList groups(nullptr);
    groups.setValues(13);
    EXPECT_EQ(100, groups.openCursor());
    EXPECT_EQ(100, groups.fetchCursor(true));
}

TEST_F(ListCursorTest, DatabaseOfAFile) {
    SqlDbIdFromFileId cursor(nullptr);
    cursor.setValues(3);
    ASSERT_EQ(0, cursor.getOneRow(&cursor, false, -1, 0));
    EXPECT_EQ(12, cursor.getDataPtr()->sqldbid);
    cursor.setValues(99);
    EXPECT_EQ(100, cursor.getOneRow(&cursor, false, -1, 0));
}

TEST_F(ListCursorTest, DatabasesOfAnInstanceInNameOrder) {
    SqlDatabaseList cursor(nullptr);
    cursor.setValues(1);
    std::vector<SqlDatabaseList_t> rows;
    ASSERT_EQ(0, readAll(cursor, rows));
    ASSERT_EQ(3u, rows.size());
    EXPECT_STREQ("alpha", rows[0].dbname);
    EXPECT_EQ(12, rows[0].sqldbid);
    EXPECT_STREQ("Beta", rows[1].dbname);  // logically deleted
    EXPECT_EQ(11, rows[1].sqldbid);
    EXPECT_STREQ("master", rows[2].dbname);
    EXPECT_EQ(10, rows[2].sqldbid);
}

TEST_F(ListCursorTest, DatabasesByFlagMaskInIdOrder) {
    auto ids = [&](int mask) {
        SqlGetDBsByFlag cursor(nullptr);
        cursor.setValues(1, mask);
        std::vector<SqlGetDBsByFlag_t> rows;
        EXPECT_EQ(0, readAll(cursor, rows));
        std::vector<int> out;
        for (const auto& r : rows) out.push_back(r.sqldbid);
        return out;
    };
    EXPECT_EQ(std::vector<int>({10, 11, 12}), ids(0));
    EXPECT_EQ(std::vector<int>({10, 11}), ids(1));
    EXPECT_EQ(std::vector<int>({11}), ids(3));

    SqlGetDBsByFlag cursor(nullptr);
    cursor.setValues(1, 2);
    ASSERT_EQ(0, cursor.openCursor());
    ASSERT_EQ(0, cursor.fetchCursor(true));
    EXPECT_EQ(11, cursor.getDataPtr()->sqldbid);
    ASSERT_EQ(0, cursor.fetchCursor(true));
    EXPECT_STREQ("alpha", cursor.getDataPtr()->dbname);
    EXPECT_EQ(100, cursor.fetchCursor(true));
    cursor.closeCursor();
}

TEST_F(ListCursorTest, InstanceWithoutDatabasesGives100FromBothLists) {
    SqlDatabaseList byName(nullptr);
    byName.setValues(3);
    EXPECT_EQ(100, byName.openCursor());
    SqlGetDBsByFlag byFlag(nullptr);
    byFlag.setValues(3, 0);
    EXPECT_EQ(100, byFlag.openCursor());
}

TEST_F(ListCursorTest, ACursorInATransactionSeesItsUncommittedRows) {
    DBtran tran;
    ASSERT_EQ(0, tran.startTran());
    // A batch on the transaction's connection adds a file to the empty group.
    SqlFileList insert(&tran);
    insert.CallDBsprintfWrapper("insert into sqlFile (id, tesselId, sqlFileGroupId, logicalName) values (9, 1, 4, 'new')"
                                " select @@rowcount");
    int rc = insert.openCursor();
    ASSERT_EQ(0, rc) << insert.getErrorStr(rc);
    insert.closeCursor();

    SqlFileList cursor(&tran);
    cursor.setValues(4);
    std::vector<SqlFileList_t> rows;
    ASSERT_EQ(0, readAll(cursor, rows));
    ASSERT_EQ(1u, rows.size());
    EXPECT_EQ(9, rows[0].sqlfileid);
    ASSERT_EQ(0, tran.rollbackTran());
    EXPECT_EQ(100, cursor.openCursor());
}

}  // namespace
}  // namespace kel::test
