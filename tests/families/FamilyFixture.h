// The cursor catalogue (instances, databases 10 to 13, file groups 1 to 4,
// files 1 to 4) with every object added at time 100, and helpers that read
// one row of a cursor and insert backup files.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

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

    // Constructs the cursor, gives it its parameters and reads one row:
    // the read's code, the row in out.
    template <typename Cursor, typename... Args>
    static int one(typename Cursor::Row& out, Args... args) {
        Cursor cursor(nullptr);
        cursor.setValues(args...);
        int rc = cursor.getOneRow(&cursor, false, -1, 0);
        if (rc == 0) out = *cursor.getDataPtr();
        return rc;
    }

    static void addBackupFile(int backupSet, int fileGroup, const char* logicalName) {
        char sql[512];
        std::snprintf(sql, sizeof sql,
                      "INSERT INTO sqlBackupFile (tesselId, sqlFileGroupId, sqlBackupSetId, logicalName)"
                      " VALUES (1, %d, %d, '%s')",
                      fileGroup, backupSet, logicalName);
        ASSERT_EQ(0, execSql(sql)) << sql;
    }
    // Every row of an opened cursor; an empty result (100 from the open) is
    // no rows, not a failure.
    template <typename Record>
    int rowsOf(Record& record, std::vector<typename Record::Row>& rows) {
        int rc = readAll(record, rows);
        return rc == 100 ? 0 : rc;
    }
    static void sql(const std::string& text) { ASSERT_EQ(0, execSql(text)) << text; }
};

}  // namespace kel::test
