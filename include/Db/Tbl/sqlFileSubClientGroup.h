// Table sqlFileSubClientGroup: one row per member (file group or file) of a file subclient, chained through nextId (0 ends).
#pragma once

#include <cstdint>

#include "Db/KelDBRecord.h"

struct SqlFileSubClientGroup_t {
    int32_t id = 0;
    int32_t tesselId = 0;
    int32_t sqlFileSubClientId = 0;
    int32_t sqlFileId = 0;
    int32_t sqlFileGroupId = 0;
    int32_t nextId = 0;
};

struct SqlFileSubClientGroupDesc {
    using Row = SqlFileSubClientGroup_t;
    static constexpr DBColumn columns[] = {
        KEL_DB_COLUMN(Row, id, "i"),
        KEL_DB_COLUMN(Row, tesselId, "i"),
        KEL_DB_COLUMN(Row, sqlFileSubClientId, "i"),
        KEL_DB_COLUMN(Row, sqlFileId, "i"),
        KEL_DB_COLUMN(Row, sqlFileGroupId, "i"),
        KEL_DB_COLUMN(Row, nextId, "i"),
    };
    static constexpr const char* keys[] = {"id"};
    static constexpr KelDBForeignKey foreignKeys[] = {
        {"tesselId", "APP_Tessel", "id"},
        {"sqlFileSubClientId", "sqlFileSubClient", "id"},
        {"sqlFileGroupId", "sqlFileGroup", "id"},
    };
    static constexpr DBColumnLayout layout = KEL_DB_TABLE_LAYOUT(SqlFileSubClientGroup, 0, "id");
    static constexpr KelDBFamily family = KEL_DB_TABLE_FAMILY(sqlFileSubClientGroup, SqlFileSubClientGroup, "1.6.304.1", 503);
};
KEL_DB_CHECK_FAMILY(SqlFileSubClientGroupDesc);

class SqlFileSubClientGroup_t2 : public KelDBSchema<SqlFileSubClientGroupDesc> {};

class SqlFileSubClientGroup : public KelDBRecord<SqlFileSubClientGroupDesc, SqlFileSubClientGroup_t2> {
public:
    using KelDBRecord::KelDBRecord;
};
