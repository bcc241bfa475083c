// Table sqlRestoreData: the items of a restore task, chained through next.
#pragma once

#include <cstdint>

#include "Db/KelDBRecord.h"

struct SqlRestoreData_t {
    int32_t id = 0;
    int32_t restoreTaskId = 0;
    int32_t dataType = 0;
    int32_t sqlId = 0;
    char sqlName[129] = {};
    int32_t sqlFileRenameId = 0;
    int32_t next = 0;
};

struct SqlRestoreDataDesc {
    using Row = SqlRestoreData_t;
    static constexpr DBColumn columns[] = {
        KEL_DB_COLUMN(Row, id, "i"),
        KEL_DB_COLUMN(Row, restoreTaskId, "i"),
        KEL_DB_COLUMN(Row, dataType, "i"),
        KEL_DB_COLUMN(Row, sqlId, "i"),
        KEL_DB_COLUMN(Row, sqlName, "s129"),
        KEL_DB_COLUMN(Row, sqlFileRenameId, "i"),
        KEL_DB_COLUMN(Row, next, "i"),
    };
    static constexpr const char* keys[] = {"id"};
    static constexpr KelDBForeignKey foreignKeys[] = {
        {"restoreTaskId", "sqlRestoreTask", "id"},
    };
    static constexpr DBColumnLayout layout = KEL_DB_TABLE_LAYOUT(SqlRestoreData, 0, "id");
    static constexpr KelDBFamily family = KEL_DB_TABLE_FAMILY(sqlRestoreData, SqlRestoreData, "1.4.304.2", 504);
};
KEL_DB_CHECK_FAMILY(SqlRestoreDataDesc);

class SqlRestoreData_t2 : public KelDBSchema<SqlRestoreDataDesc> {};

class SqlRestoreData : public KelDBRecord<SqlRestoreDataDesc, SqlRestoreData_t2> {
public:
    using KelDBRecord::KelDBRecord;
};
