// Rows written and read back through the records at the full width of their
// columns, the whole-row update and the version table.

#include <cstring>

#include "Db/Tbl/sqlVersion.h"
#include "KelSQL/SqlFileGroupTable.h"
#include "KelSQL/SqlFileSubClientGroupTable.h"
#include "KelSQL/SqlFileSubClientTable.h"
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
        kel::copyField(row.serverName, repeated(128, "HOST\\I'1"));
        row.sqlVersionId = 1;
        kel::copyField(row.sa, repeated(128, "sa'"));
        kel::copyField(row.saPassword, repeated(512, "Zm9v'YmFy"));
        kel::copyField(row.undoFile, repeated(1024, "C:\\undo\\o'dir\\"));
        row.addTime = 1700000000;
        kel::copyField(row.sqlNTAccount, repeated(256, "DOM\\u'"));
        kel::copyField(row.sqlNTPassword, repeated(512, "cGFz'cw=="));
        kel::copyField(row.sqlServiceName, repeated(256, "MSSQL$I'"));
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
        EXPECT_EQ(512u, std::strlen(b.saPassword));
        EXPECT_EQ(1024u, std::strlen(b.undoFile));
    }
};

TEST_F(RoundTripTest, InstanceRowAtFullWidthThroughBothWritePaths) {
    // The update object formats the values text; the plain record binds.
    SqlServerTable formatted(nullptr);
    fillServer(*formatted.getDataPtr());
    ASSERT_EQ(0, formatted.rowInsert(true)) << formatted.getErrorStr(-1);
    EXPECT_EQ(1, formatted.getDataPtr()->instanceId);  // no identity written back
    expectSameServer(*formatted.getDataPtr(), readServer(1));

    ASSERT_EQ(0, execSql("DELETE FROM sqlServer;"));
    SqlServer bound(nullptr);
    fillServer(*bound.getDataPtr());
    ASSERT_EQ(0, bound.rowInsert(true));
    expectSameServer(*bound.getDataPtr(), readServer(1));
}

// The whole-row SET list of sqlServer names its key too; the row stays one
// row with every column as written.
TEST_F(RoundTripTest, WholeRowUpdateOfTheInstanceKeepsTheRow) {
    SqlServerTable server(nullptr);
    fillServer(*server.getDataPtr());
    ASSERT_EQ(0, server.rowInsert(true));
    server.getDataPtr()->flags = 9;
    server.getDataPtr()->removalTime = -1;
    server.setWhere("instanceId=%d", 1);
    ASSERT_EQ(0, server.rowUpdate(nullptr));
    expectSameServer(*server.getDataPtr(), readServer(1));

    // Without a where text the update goes by the key.
    SqlServerTable byKey(nullptr);
    *byKey.getDataPtr() = *server.getDataPtr();
    byKey.getDataPtr()->deleteFlag = 1;
    ASSERT_EQ(0, byKey.rowUpdate(nullptr));
    expectSameServer(*byKey.getDataPtr(), readServer(1));
}

TEST_F(RoundTripTest, FileGroupAndFileTakeTheirIdentityAndFullWidthNames) {
    seedInstance();
    DBtran tran;
    ASSERT_EQ(0, tran.startTran());
    SqlFileGroupTable group(&tran);
    SqlFileGroup_t& g = *group.getDataPtr();
    g.tesselId = 1;
    g.sqlDatabaseId = 10;
    kel::copyField(g.fileGroupName, repeated(128, "PRIMARY'"));
    ASSERT_EQ(0, group.rowInsert(true));
    ASSERT_GT(g.id, 0);

    for (int pass = 0; pass < 2; ++pass) {
        SqlFileTable formatted(&tran);
        SqlFile plain(&tran);
        SqlFile_t& f = pass ? *plain.getDataPtr() : *formatted.getDataPtr();
        f.tesselId = 1;
        f.sqlFileGroupId = g.id;
        f.fileId = pass + 1;
        kel::copyField(f.physicalName, repeated(260, "D:\\data\\it's\\"));
        kel::copyField(f.logicalName, repeated(128, "log'"));
        f.size = -1;
        ASSERT_EQ(0, pass ? plain.rowInsert(true) : formatted.rowInsert(true));
        ASSERT_GT(f.id, 0);

        SqlFile read(&tran);
        read.setWhere("id = %d", f.id);
        ASSERT_EQ(0, read.getOneRow(&read, false, -1, 0));
        EXPECT_EQ("", differingColumn(SqlFileDesc::layout, &f, read.getDataPtr()));
        EXPECT_EQ(260u, std::strlen(read.getDataPtr()->physicalName));
    }
    ASSERT_EQ(0, tran.commitTran());

    SqlFileGroup read(nullptr);
    read.setWhere("id = %d", g.id);
    ASSERT_EQ(0, read.getOneRow(&read, false, -1, 0));
    EXPECT_EQ("", differingColumn(SqlFileGroupDesc::layout, &g, read.getDataPtr()));
}

// A subclient and a chain of two members, the head inserted last.
TEST_F(RoundTripTest, SubclientMemberChain) {
    seedInstance();
    ASSERT_EQ(0, execSql("INSERT INTO sqlFileGroup (id, tesselId, sqlDatabaseId, fileGroupName) VALUES (5, 1, 10, 'PRIMARY');"));
    SqlFileSubClientTable sub(nullptr);
    SqlFileSubClient_t& s = *sub.getDataPtr();
    s.tesselId = 1;
    s.sqlDatabaseId = 10;
    kel::copyField(s.subClientName, repeated(128, "sub'"));
    s.streams = 1;
    s.flags = 3;
    ASSERT_EQ(0, sub.rowInsert(true));

    int next = 0;
    for (int i = 0; i < 2; ++i) {
        SqlFileSubClientGroupTable member(nullptr);
        SqlFileSubClientGroup_t& m = *member.getDataPtr();
        m.tesselId = 1;
        m.sqlFileSubClientId = s.id;
        m.sqlFileGroupId = 5;
        m.nextId = next;
        ASSERT_EQ(0, member.rowInsert(true));
        next = m.id;
    }
    sub.setWhere("id=%d", s.id);
    sub.setColumn(static_cast<unsigned long>(next), "sqlFileSubClientGroupId");
    ASSERT_EQ(0, sub.rowUpdate(sub.getUpdateClause().c_str()));

    SqlFileSubClient readSub(nullptr);
    readSub.setWhere("sqlDatabaseId = %d AND flags <> %d", 10, 1);
    ASSERT_EQ(0, readSub.getOneRow(&readSub, false, -1, 0));
    EXPECT_EQ(128u, std::strlen(readSub.getDataPtr()->subClientName));
    int count = 0;
    for (int id = readSub.getDataPtr()->sqlFileSubClientGroupId; id != 0 && count < 5; ++count) {
        SqlFileSubClientGroup m(nullptr);
        m.setWhere("id=%d", id);
        ASSERT_EQ(0, m.getOneRow(&m, false, -1, 0));
        id = m.getDataPtr()->nextId;
    }
    EXPECT_EQ(2, count);
}

TEST_F(RoundTripTest, VersionIsFoundOnlyOnceInserted) {
    SqlVersion query(nullptr);
    query.setWhere("tesselId = %ld AND major = %ld AND minor = %ld AND build = %ld AND type = %d", 1L, 16L, 0L,
                   1000L, 1);
    EXPECT_EQ(100, query.getOneRow(&query, false, -1, 0));

    SqlVersion_t row;
    row.tesselId = 1;
    row.type = 1;
    row.major = 16;
    row.build = 1000;
    SqlVersion insert(nullptr);
    insert.setValues(&row);
    ASSERT_EQ(0, insert.rowInsert(true));
    const int id = insert.getDataPtr()->id;
    EXPECT_GT(id, 1);

    ASSERT_EQ(0, query.getOneRow(&query, false, -1, 0));
    EXPECT_EQ(id, query.getDataPtr()->id);
    EXPECT_EQ(1000, query.getDataPtr()->build);
}

}  // namespace
}  // namespace kel::test
