// Table sqlRestoreData: the items of a restore task, chained through next.
#pragma once

#include <cstdint>

#include "Db/KelDBRecord.h"

#define KEL_SQLRESTOREDATA_COLUMNS(X) \
    X(INT, id)                        \
    X(INT, restoreTaskId)             \
    X(INT, dataType)                  \
    X(INT, sqlId)                     \
    X(TEXT, sqlName, 129)             \
    X(INT, sqlFileRenameId)           \
    X(INT, next)

struct SqlRestoreData_t {
    KEL_SQLRESTOREDATA_COLUMNS(KEL_DB_FIELD)
};

struct SqlRestoreDataDesc {
    using Row = SqlRestoreData_t;
    static constexpr DBColumn columns[] = {KEL_SQLRESTOREDATA_COLUMNS(KEL_DB_TABLE_COLUMN)};
    static constexpr const char* keys[] = {"id"};
    static constexpr KelDBForeignKey foreignKeys[] = {
        {"restoreTaskId", "sqlRestoreTask", "id"},
    };
    static constexpr DBColumnLayout layout = KEL_DB_TABLE_LAYOUT(SqlRestoreData, 0, "id");
    static constexpr KelDBFamily family = KEL_DB_TABLE_FAMILY(sqlRestoreData, SqlRestoreData, "1.4.304.2", 504);
};
KEL_DB_TABLE_RECORD(SqlRestoreData, SqlRestoreDataDesc);
