// SET lists built column by column, and the update objects' formatters.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "Db/DBUpdateClause.h"
#include "KelSQL/SqlDatabaseTable.h"
#include "KelSQL/SqlFileGroupTable.h"
#include "KelSQL/SqlServerTable.h"
#include "platform/util/BoundedCopy.h"
#include "records/RecordFixture.h"

namespace kel::test {
namespace {

class UpdateClauseTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("TZ", "UTC", 1);
        tzset();
    }
    DBUpdateClause clause_;
};

TEST_F(UpdateClauseTest, ColumnsJoinWithOneSeparator) {
    EXPECT_EQ("", clause_.getUpdateClause());
    clause_.setColumn(5, "streams");
    clause_.setColumn(std::string("a"), "fileGroupName");
    EXPECT_EQ("streams = 5, fileGroupName = 'a'", clause_.getUpdateClause());
}

TEST_F(UpdateClauseTest, SkippedValuesLeaveNoSeparator) {
    clause_.updateColumn(0, "streams");
    clause_.updateColumn(std::string(), "fileGroupName");
    clause_.updateODBCDateColumn(0, "creationTime");
    EXPECT_EQ("", clause_.getUpdateClause());
    clause_.updateColumn(3, "maxStreams");
    clause_.updateColumn(0, "streams");
    clause_.updateColumn(std::string("x"), "sa");
    EXPECT_EQ("maxStreams = 3, sa = 'x'", clause_.getUpdateClause());
}

TEST_F(UpdateClauseTest, ClearStartsANewList) {
    clause_.setColumn(1, "deleteFlag");
    clause_.clearUpdateClause();
    EXPECT_EQ("", clause_.getUpdateClause());
    clause_.setColumn(2, "flags");
    EXPECT_EQ("flags = 2", clause_.getUpdateClause());
}

TEST_F(UpdateClauseTest, NumbersAreSigned32Bit) {
    clause_.setColumn(4294967295ul, "removalTime");
    clause_.setColumn(2147483648ul, "addTime");
    EXPECT_EQ("removalTime = -1, addTime = -2147483648", clause_.getUpdateClause());
}

TEST_F(UpdateClauseTest, DateIsAnOdbcLiteralInLocalTime) {
    clause_.updateODBCDateColumn(1700000000ul, "creationTime");
    EXPECT_EQ("creationTime = {ts'2023-11-14 22:13:20'}", clause_.getUpdateClause());
}

TEST_F(UpdateClauseTest, QuotesAreDoubled) {
    clause_.setColumn(std::string("O'Brien's"), "sa");
    EXPECT_EQ("sa = 'O''Brien''s'", clause_.getUpdateClause());
}

class UpdateObjectTest : public CatalogueTest {};

// The formatters' texts come from the column table: all columns, all but
// the identity, and name=value pairs (the key included without identity).
TEST_F(UpdateObjectTest, FormattersFollowTheColumnTable) {
    SqlFileGroupTable group(nullptr);
    SqlFileGroup_t& row = *group.getDataPtr();
    row.id = 7;
    row.tesselId = 1;
    row.sqlDatabaseId = 10;
    row.groupId = 2;
    kel::copyField(row.fileGroupName, "it's");
    row.streams = 3;
    row.deleteFlag = -1;
    group.setInValues();
    EXPECT_STREQ("7, 1, 10, 0, 2, 'it''s', 3, 0, 0, 0, -1", group.getValuesBuffer());
    group.setInIdValues();
    EXPECT_STREQ("1, 10, 0, 2, 'it''s', 3, 0, 0, 0, -1", group.getValuesBuffer());
    group.setUpdateValues();
    EXPECT_STREQ("tesselId=1, sqlDatabaseId=10, applicationNumber=0, groupId=2, fileGroupName='it''s', streams=3, "
                 "maxStreams=0, addTime=0, removalTime=0, deleteFlag=-1",
                 group.getValuesBuffer());
    group.setPrimaryWhere();
    EXPECT_STREQ("id=7", group.getWhereBuffer());

    SqlDatabaseTable database(nullptr);
    SqlDatabase_t& db = *database.getDataPtr();
    db.backupSetId = 10;
    db.creationTime.parse("2024-02-29 23:59:58");
    database.setUpdateValues();
    EXPECT_STREQ("backupSetId=10, tesselId=0, sqlServerId=0, applicationNumber=0, databaseId=0, databaseName='', "
                 "creationTime='2024-02-29 23:59:58', streams=0, maxStreams=0, allowFlags=0, addTime=0, "
                 "removalTime=0, deleteFlag=0, systemFlags=0, logStreams=0",
                 database.getValuesBuffer());
    database.setPrimaryWhere();
    EXPECT_STREQ("backupSetId=10", database.getWhereBuffer());
}

// A SET list with quotes and printf directives in its texts is run as it
// stands and stores the whole texts.
TEST_F(UpdateObjectTest, UpdateClauseReachesTheCatalogueWhole) {
    seedInstance();
    SqlServerTable server(nullptr);
    server.setWhere("instanceId=%d", 1);
    server.setColumn(std::string("O'Brien"), "sa");
    server.setColumn(std::string("100%s %d"), "sqlServiceName");
    server.setColumn(4294967295ul, "removalTime");
    ASSERT_EQ(0, server.rowUpdate(server.getUpdateClause().c_str()));

    SqlServer read(nullptr);
    read.setWhere("instanceId = %d", 1);
    ASSERT_EQ(0, read.getOneRow(&read, false, -1, 0));
    EXPECT_STREQ("O'Brien", read.getDataPtr()->sa);
    EXPECT_STREQ("100%s %d", read.getDataPtr()->sqlServiceName);
    EXPECT_EQ(-1, read.getDataPtr()->removalTime);
    EXPECT_STREQ("SQL1", read.getDataPtr()->serverName);

    // No row matched: 100, not success.
    server.setWhere("instanceId=%d", 2);
    EXPECT_EQ(100, server.rowUpdate(server.getUpdateClause().c_str()));
}

}  // namespace
}  // namespace kel::test
