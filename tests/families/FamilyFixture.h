// The cursor catalogue (instances, databases 10 to 13, file groups 1 to 4,
// files 1 to 4) with every object added at time 100, and helpers that read
// one row of a cursor and insert backup files.
#pragma once

#include <cstdio>
#include <string>

#include "cursors/CursorFixture.h"

namespace kel::test {

// A browse moment as the callers pass it: the literal and its seconds.
constexpr const char* kAt = "{ts'2021-06-01 00:00:00'}";
constexpr int kAtSeconds = 1622505600;

class FamilyCursorTest : public CursorTest {
protected:
    void SetUp() override {
        CursorTest::SetUp();
        ASSERT_EQ(0, execSql("UPDATE sqlDatabase SET addTime = 100, removalTime = 0;"
                             "UPDATE sqlFileGroup SET addTime = 100;"
                             "UPDATE sqlFile SET addTime = 100;"));
    }

    static void addBackupFile(int backupSet, int fileGroup, const char* logicalName) {
        char sql[512];
        std::snprintf(sql, sizeof sql,
                      "INSERT INTO sqlBackupFile (tesselId, sqlFileGroupId, sqlBackupSetId, logicalName)"
                      " VALUES (1, %d, %d, '%s')",
                      fileGroup, backupSet, logicalName);
        ASSERT_EQ(0, execSql(sql)) << sql;
    }
    static void sql(const std::string& text) { ASSERT_EQ(0, execSql(text)) << text; }
};

}  // namespace kel::test
