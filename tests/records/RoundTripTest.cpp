// Rows written and read back through the records at the full width of their
// columns, and the whole-row update.

#include <cstring>

#include "KelSQL/SqlFileTable.h"
#include "KelSQL/SqlServerTable.h"
#include "platform/util/BoundedCopy.h"
#include "records/RecordFixture.h"

namespace kel::test {
namespace {

class RoundTripTest : public CatalogueTest {
protected:
    // An instance row at full width, with quotes in every text.
    static void fillServer(SqlServer_t& row) {
        row.instanceId = 1;
        row.tesselId = 1;
        EXPECT_TRUE(kel::copyField(row.serverName, repeated(128, "HOST\\I'1")));
        row.sqlVersionId = 1;
        EXPECT_TRUE(kel::copyField(row.sa, repeated(128, "sa'")));
        EXPECT_TRUE(kel::copyField(row.saPassword, repeated(736, "Zm9v'YmFy")));
        EXPECT_TRUE(kel::copyField(row.undoFile, repeated(1024, "C:\\undo\\o'dir\\")));
        row.addTime = 1700000000;
        EXPECT_TRUE(kel::copyField(row.sqlNTAccount, repeated(256, "DOM\\u'")));
        EXPECT_TRUE(kel::copyField(row.sqlNTPassword, repeated(736, "cGFz'cw==")));
        EXPECT_TRUE(kel::copyField(row.sqlServiceName, repeated(256, "MSSQL$I'")));
        row.flags = 3;
        row.clientId = 1;
    }
    static SqlServer_t readServer(int instanceId) {
        SqlServer read(nullptr);
        read.setWhere("instanceId = %d", instanceId);
        EXPECT_EQ(0, read.getOneRow(&read, false, -1, 0));
        return *read.getDataPtr();
    }
    static void expectSameServer(const SqlServer_t& a, const SqlServer_t& b) {
        EXPECT_EQ("", differingColumn(SqlServerDesc::layout, &a, &b));
        EXPECT_EQ(128u, std::strlen(b.serverName));
        EXPECT_EQ(736u, std::strlen(b.saPassword));
        EXPECT_EQ(1024u, std::strlen(b.undoFile));
    }
};

// The update object formats the values text; the plain record binds. The
// whole-row SET list of sqlServer names its key too; the row stays one row
// with every column as written, by a where text or (without one) by key.
TEST_F(RoundTripTest, InstanceRowAtFullWidthThroughBothWritePathsAndWholeRowUpdates) {
    SqlServer bound(nullptr);
    fillServer(*bound.getDataPtr());
    ASSERT_EQ(0, bound.rowInsert(true));
    expectSameServer(*bound.getDataPtr(), readServer(1));
    ASSERT_EQ(0, execSql("DELETE FROM sqlServer;"));

    SqlServerTable server(nullptr);
    fillServer(*server.getDataPtr());
    ASSERT_EQ(0, server.rowInsert(true)) << server.getErrorStr(-1);
    EXPECT_EQ(1, server.getDataPtr()->instanceId);  // no identity written back
    expectSameServer(*server.getDataPtr(), readServer(1));
    server.getDataPtr()->flags = 9;
    server.getDataPtr()->removalTime = -1;
    server.setWhere("instanceId=%d", 1);
    ASSERT_EQ(0, server.rowUpdate(nullptr));
    expectSameServer(*server.getDataPtr(), readServer(1));

    SqlServerTable byKey(nullptr);
    *byKey.getDataPtr() = *server.getDataPtr();
    byKey.getDataPtr()->deleteFlag = 1;
    ASSERT_EQ(0, byKey.rowUpdate(nullptr));
    expectSameServer(*byKey.getDataPtr(), readServer(1));
}

// In a transaction, through the update object (values without the identity)
// and the plain record: each takes its identity and keeps full-width names.
TEST_F(RoundTripTest, FilesTakeTheirIdentityAndFullWidthNames) {
    seedInstance();
    ASSERT_EQ(0, execSql("INSERT INTO sqlFileGroup (id, tesselId, sqlDatabaseId, fileGroupName) VALUES (5, 1, 10, 'P');"));
    DBtran tran;
    ASSERT_EQ(0, tran.startTran());
    for (int pass = 0; pass < 2; ++pass) {
        SqlFileTable formatted(&tran);
        SqlFile plain(&tran);
        SqlFile_t& f = pass ? *plain.getDataPtr() : *formatted.getDataPtr();
        f.tesselId = 1;
        f.sqlFileGroupId = 5;
        f.fileId = pass + 1;
        EXPECT_TRUE(kel::copyField(f.physicalName, repeated(260, "D:\\data\\it's\\")));
        EXPECT_TRUE(kel::copyField(f.logicalName, repeated(128, "log'")));
        f.size = -1;
        ASSERT_EQ(0, pass ? plain.rowInsert(true) : formatted.rowInsert(true));
        ASSERT_GT(f.id, pass);

        SqlFile read(&tran);
        read.setWhere("id = %d", f.id);
        ASSERT_EQ(0, read.getOneRow(&read, false, -1, 0));
        EXPECT_EQ("", differingColumn(SqlFileDesc::layout, &f, read.getDataPtr()));
        EXPECT_EQ(260u, std::strlen(read.getDataPtr()->physicalName));
    }
    ASSERT_EQ(0, tran.commitTran());
}

}  // namespace
}  // namespace kel::test
