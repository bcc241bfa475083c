// Table sqlFileRename: where the files of a restore task are restored to,
// chained through next.
#pragma once

#include <cstdint>

#include "Db/KelDBRecord.h"

struct SqlFileRename_t {
    int32_t id = 0;
    int32_t restoreTaskId = 0;
    char physicalName[261] = {};
    char logicalName[129] = {};
    int32_t next = 0;
};

struct SqlFileRenameDesc {
    using Row = SqlFileRename_t;
    static constexpr DBColumn columns[] = {
        KEL_DB_COLUMN(Row, id, "i"),
        KEL_DB_COLUMN(Row, restoreTaskId, "i"),
        KEL_DB_COLUMN(Row, physicalName, "s261"),
        KEL_DB_COLUMN(Row, logicalName, "s129"),
        KEL_DB_COLUMN(Row, next, "i"),
    };
    static constexpr const char* keys[] = {"id"};
    static constexpr KelDBForeignKey foreignKeys[] = {
        {"restoreTaskId", "sqlRestoreTask", "id"},
    };
    static constexpr DBColumnLayout layout = KEL_DB_TABLE_LAYOUT(SqlFileRename, 0, "id");
    static constexpr KelDBFamily family = KEL_DB_TABLE_FAMILY(sqlFileRename, SqlFileRename, "1.4.304.2", 483);
};
KEL_DB_CHECK_FAMILY(SqlFileRenameDesc);

class SqlFileRename_t2 : public KelDBSchema<SqlFileRenameDesc> {};

class SqlFileRename : public KelDBRecord<SqlFileRenameDesc, SqlFileRename_t2> {
public:
    using KelDBRecord::KelDBRecord;
};
