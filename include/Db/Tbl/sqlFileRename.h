// Table sqlFileRename: where the files of a restore task are restored to,
// chained through next.
#pragma once

#include <cstdint>

#include "Db/KelDBRecord.h"

#define KEL_SQLFILERENAME_COLUMNS(X) \
    X(INT, id)                       \
    X(INT, restoreTaskId)            \
    X(TEXT, physicalName, 261)       \
    X(TEXT, logicalName, 129)        \
    X(INT, next)

struct SqlFileRename_t {
    KEL_SQLFILERENAME_COLUMNS(KEL_DB_FIELD)
};

struct SqlFileRenameDesc {
    using Row = SqlFileRename_t;
    static constexpr DBColumn columns[] = {KEL_SQLFILERENAME_COLUMNS(KEL_DB_TABLE_COLUMN)};
    static constexpr const char* keys[] = {"id"};
    static constexpr KelDBForeignKey foreignKeys[] = {
        {"restoreTaskId", "sqlRestoreTask", "id"},
    };
    static constexpr DBColumnLayout layout = KEL_DB_TABLE_LAYOUT(SqlFileRename, 0, "id");
    static constexpr KelDBFamily family = KEL_DB_TABLE_FAMILY(sqlFileRename, SqlFileRename, "1.4.304.2", 483);
};
KEL_DB_TABLE_RECORD(SqlFileRename, SqlFileRenameDesc);
