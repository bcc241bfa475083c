// Database "sales" of the shared instance with file-group and file rows
// written straight into the catalogue, and readers of their columns.
#pragma once

#include <string>

#include "DatabaseFixture.h"
#include "KelSQL/KelNetSQLDBTransaction.h"
#include "KelSQL/KelSQLFileGroup.h"

namespace kel::test {

class FileTest : public DatabaseTest {
protected:
    void SetUp() override {
        DatabaseTest::SetUp();
        db_ = databaseRow("sales");
    }

    // A group with SQL Server id 2, streams 3, added at 1000; its id.
    unsigned long groupRow(const std::string& name, long removal = 0, int application = 0, int deleted = 0) {
        EXPECT_TRUE(sql("INSERT INTO sqlFileGroup(tesselId, sqlDatabaseId, applicationNumber, groupId, fileGroupName, "
                        "streams, maxStreams, addTime, removalTime, deleteFlag) VALUES (" +
                        std::to_string(tessel_) + ", " + std::to_string(db_) + ", " + std::to_string(application) +
                        ", 2, " + kel::sql::quoted(name) + ", 3, 3, 1000, " + std::to_string(removal) + ", " +
                        std::to_string(deleted) + ")"));
        return static_cast<unsigned long>(scalar("SELECT max(id) FROM sqlFileGroup"));
    }
    // A file with SQL Server id 3 and size 50; its id.
    unsigned long fileRow(unsigned long group, const std::string& name, long removal = 0,
                          const std::string& path = "d:\\DATA1.MDF") {
        EXPECT_TRUE(sql("INSERT INTO sqlFile(tesselId, sqlFileGroupId, fileId, physicalName, logicalName, size, "
                        "maxSize, addTime, removalTime, deleteFlag) VALUES (" +
                        std::to_string(tessel_) + ", " + std::to_string(group) + ", 3, " + kel::sql::quoted(path) +
                        ", " + kel::sql::quoted(name) + ", 50, 100, 1000, " + std::to_string(removal) + ", 0)"));
        return static_cast<unsigned long>(scalar("SELECT max(id) FROM sqlFile"));
    }
    static long long value(const char* table, const char* column, unsigned long id) {
        return scalar(std::string("SELECT ") + column + " FROM " + table + " WHERE id = " + std::to_string(id));
    }

    unsigned long db_ = 0;
};

}  // namespace kel::test
