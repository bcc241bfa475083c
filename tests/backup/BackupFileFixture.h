// A recorded log backup of the fixture's database and the database's file
// layout in the catalogue: group PRIMARY (groupId 1) with the live files
// "data" and "O'Brien" and the removed file "gone", and the log group
// (groupId 0) with its file "log".
#pragma once

#include <string>

#include "BackupFixture.h"

namespace kel::test {

class BackupFileFixture : public BackupTest {
protected:
    void SetUp() override {
        BackupTest::SetUp();
        const std::string t = std::to_string(tessel_);
        const std::string d = std::to_string(db_);
        ASSERT_TRUE(sql("INSERT INTO sqlFileGroup (id, tesselId, sqlDatabaseId, groupId, fileGroupName, removalTime) "
                        "VALUES (5, " + t + ", " + d + ", 1, 'PRIMARY', 0), (6, " + t + ", " + d + ", 0, 'log', 0);"
                        "INSERT INTO sqlFile (id, tesselId, sqlFileGroupId, fileId, physicalName, logicalName, "
                        "removalTime) VALUES (1, " + t + ", 5, 1, 'C:\\d\\data.mdf', 'data', 0), (2, " + t +
                        ", 5, 2, 'D:\\x.ndf', 'gone', 9), (3, " + t + ", 6, 3, 'L:\\l.ldf', 'log', 0), (4, " + t +
                        ", 5, 4, 'E:\\o.ndf', 'O''Brien', 0)"));
        KelSQLClassProperties agent(KelSQLClientSide);
        bs_ = recordBackup(agent, "log 1");
        ASSERT_NE(bs_, 0u);
    }

    static long long count(const std::string& where) {
        return scalar("SELECT count(*) FROM sqlBackupFile WHERE " + where);
    }

    static constexpr unsigned long kGroup = 5;
    unsigned long bs_ = 0;
};

}  // namespace kel::test
