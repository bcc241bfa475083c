// SET lists built column by column, and the update objects' formatters.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "Db/DBUpdateClause.h"
#include "KelSQL/KelSQLErrors.h"
#include "KelSQL/SqlDatabaseTable.h"
#include "KelSQL/SqlFileGroupTable.h"
#include "platform/util/BoundedCopy.h"
#include "records/RecordFixture.h"
#include "support/Checks.h"

namespace kel::test {
namespace {

// Each case builds a SET list column by column: skipped values leave no
// separator, numbers are signed 32-bit, dates ODBC literals in local time
// (UTC here), quotes doubled, and a cleared list starts again.
TEST(UpdateClauseTest, ColumnsJoinIntoOneSetList) {
    setenv("TZ", "UTC", 1);
    tzset();
    const struct {
        const char* expected;
        void (*build)(DBUpdateClause&);
    } cases[] = {
        {"", [](DBUpdateClause&) {}},
        {"streams = 5, fileGroupName = 'a'", [](DBUpdateClause& c) {
             c.setColumn(5, "streams");
             c.setColumn(std::string("a"), "fileGroupName");
         }},
        {"maxStreams = 3, sa = 'x'", [](DBUpdateClause& c) {
             c.updateColumn(0, "streams");
             c.updateColumn(std::string(), "fileGroupName");
             c.updateODBCDateColumn(0, "creationTime");
             c.updateColumn(3, "maxStreams");
             c.updateColumn(0, "streams");
             c.updateColumn(std::string("x"), "sa");
         }},
        {"flags = 2", [](DBUpdateClause& c) {
             c.setColumn(1, "deleteFlag");
             c.clearUpdateClause();
             c.setColumn(2, "flags");
         }},
        {"removalTime = -1, addTime = -2147483648", [](DBUpdateClause& c) {
             c.setColumn(4294967295ul, "removalTime");
             c.setColumn(2147483648ul, "addTime");
         }},
        {"creationTime = {ts'2023-11-14 22:13:20'}",
         [](DBUpdateClause& c) { c.updateODBCDateColumn(1700000000ul, "creationTime"); }},
        {"sa = 'O''Brien''s'", [](DBUpdateClause& c) { c.setColumn(std::string("O'Brien's"), "sa"); }},
    };
    for (const auto& c : cases) {
        DBUpdateClause clause;
        c.build(clause);
        EXPECT_EQ(c.expected, clause.getUpdateClause());
    }
}

class UpdateObjectTest : public CatalogueTest {};

// The formatters' texts come from the column table (the file and instance
// round trips run them): name=value pairs, the key included when it is no
// identity, dates as quoted literals.
TEST_F(UpdateObjectTest, FormattersFollowTheColumnTable) {
    SqlFileGroupTable group(nullptr);
    group.getDataPtr()->id = 7;
    group.getDataPtr()->deleteFlag = -1;
    group.setInValues();  // the identity too
    EXPECT_STREQ("7, 0, 0, 0, 0, '', 0, 0, 0, 0, -1", group.getValuesBuffer());
    group.setInIdValues();
    EXPECT_STREQ("0, 0, 0, 0, '', 0, 0, 0, 0, -1", group.getValuesBuffer());
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

// A text longer than its column is kept out of the list and refused by name;
// a caller that runs the rest of the list anyway changes nothing.
TEST_F(UpdateObjectTest, ATextLongerThanItsColumnIsRefusedAndNothingRuns) {
    seedInstance();
    const std::string fits(sizeof(SqlDatabase_t::databaseName) - 1, 'n');
    SqlDatabaseTable database(nullptr);
    database.setWhere("backupSetId=%d", 10);
    database.setColumn(fits, "databaseName");
    KelLastError err;
    EXPECT_TRUE(database.clauseFits(err, "test"));
    database.clearUpdateClause();
    database.setColumn(2, "streams");
    database.setColumn(fits + "n", "databaseName");
    database.setColumn(std::string(fits + "nn"), "databaseName");
    database.setColumn(3, "maxStreams");
    EXPECT_EQ("streams = 2, maxStreams = 3", database.getUpdateClause());
    EXPECT_TRUE(refused(database.clauseFits(err, "test"), err, kelsql::kErrValueNotSet, "databaseName"));
    EXPECT_NE(err.formatLastErrorMessage().find("129 characters"), std::string::npos) << err.formatLastErrorMessage();
    EXPECT_NE(0, database.rowUpdate(database.getUpdateClause().c_str()));
    EXPECT_EQ(text("SELECT ifnull(streams, '') || '/' || databaseName FROM sqlDatabase WHERE backupSetId = 10"), "/db1");
    // A cleared list forgets the refusal.
    database.clearUpdateClause();
    database.setColumn(2, "streams");
    EXPECT_EQ(0, database.rowUpdate(database.getUpdateClause().c_str()));
    EXPECT_EQ(text("SELECT ifnull(streams, '') || '/' || databaseName FROM sqlDatabase WHERE backupSetId = 10"), "2/db1");
}

}  // namespace
}  // namespace kel::test
