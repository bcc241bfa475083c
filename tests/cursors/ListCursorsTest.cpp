// The name lists of files, file groups and databases, the database of a
// file, and the databases by flag mask.
#include <functional>
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

template <typename Cursor, typename... Args>
std::function<std::string()> rows(Args... args) {
    return [=] {
        Cursor cursor(nullptr);
        EXPECT_EQ(0, cursor.setValues(args...));  // success, whatever the batch's length
        return rowsText(cursor);
    };
}

// Names come trimmed, in name order (ids for the flag mask), removed and
// logically deleted ones included; an empty list is no row.
TEST_F(ListCursorTest, ListsComeTrimmedInTheirOrder) {
    const struct {
        const char* what;
        std::function<std::string()> read;
        const char* expected;
    } cases[] = {
        {"files of group 1", rows<SqlFileList>(1), "Alpha,2; beta,3; zeta,1"},
        {"files of an empty group", rows<SqlFileList>(4), ""},
        {"file groups of database 12", rows<SqlFileGroupList>(12), "Archive,3; data,2; PRIMARY,1"},
        {"file groups of database 13", rows<SqlFileGroupList>(13), ""},
        {"database of file 3", rows<SqlDbIdFromFileId>(3), "12"},
        {"database of no file", rows<SqlDbIdFromFileId>(99), ""},
        {"databases of instance 1", rows<SqlDatabaseList>(1), "alpha,12; Beta,11; master,10"},
        {"databases of instance 3", rows<SqlDatabaseList>(3), ""},
        {"mask 0", rows<SqlGetDBsByFlag>(1, 0), "10,master; 11,Beta; 12,alpha"},
        {"mask 1", rows<SqlGetDBsByFlag>(1, 1), "10,master; 11,Beta"},
        {"mask 2", rows<SqlGetDBsByFlag>(1, 2), "11,Beta; 12,alpha"},
        {"mask 3", rows<SqlGetDBsByFlag>(1, 3), "11,Beta"},
        {"mask of instance 3", rows<SqlGetDBsByFlag>(3, 0), ""},
    };
    for (const auto& c : cases) EXPECT_EQ(c.expected, c.read()) << c.what;
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
