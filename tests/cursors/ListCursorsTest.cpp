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

// Names come trimmed, in name order (ids for the flag mask), removed and
// logically deleted ones included; an empty list is no row.
TEST_F(ListCursorTest, ListsComeTrimmedInTheirOrder) {
    const struct {
        const char* what;
        std::string rows;
        const char* expected;
    } cases[] = {
        {"files of group 1", cursorRows<SqlFileList>(1), "Alpha,2; beta,3; zeta,1"},
        {"files of an empty group", cursorRows<SqlFileList>(4), ""},
        {"file groups of database 12", cursorRows<SqlFileGroupList>(12), "Archive,3; data,2; PRIMARY,1"},
        {"file groups of database 13", cursorRows<SqlFileGroupList>(13), ""},
        {"database of file 3", cursorRows<SqlDbIdFromFileId>(3), "12"},
        {"database of no file", cursorRows<SqlDbIdFromFileId>(99), ""},
        {"databases of instance 1", cursorRows<SqlDatabaseList>(1), "alpha,12; Beta,11; master,10"},
        {"databases of instance 3", cursorRows<SqlDatabaseList>(3), ""},
        {"mask 0", cursorRows<SqlGetDBsByFlag>(1, 0), "10,master; 11,Beta; 12,alpha"},
        {"mask 1", cursorRows<SqlGetDBsByFlag>(1, 1), "10,master; 11,Beta"},
        {"mask 2", cursorRows<SqlGetDBsByFlag>(1, 2), "11,Beta; 12,alpha"},
        {"mask 3", cursorRows<SqlGetDBsByFlag>(1, 3), "11,Beta"},
        {"mask of instance 3", cursorRows<SqlGetDBsByFlag>(3, 0), ""},
    };
    for (const auto& c : cases) EXPECT_EQ(c.expected, c.rows) << c.what;
}

TEST_F(ListCursorTest, EmptyListGives100AtOpenAndFetchAndAClosedCursorIsMisuse) {
    SqlFileList files(nullptr);
    files.setValues(4);
    EXPECT_EQ(100, files.openCursor());
    EXPECT_EQ(100, files.fetchCursor(true));
    files.closeCursor();
    EXPECT_NE(100, files.fetchCursor(true)) << "a closed cursor is misuse, not an end of data";
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
    EXPECT_EQ("new,9", rowsText(cursor));
    ASSERT_EQ(0, tran.rollbackTran());
    EXPECT_EQ(100, cursor.openCursor());
}

}  // namespace
}  // namespace kel::test
