// Table sqlFileSubClientGroup: one row per member (file group or file) of a file subclient, chained through nextId (0 ends).
#pragma once

#include <cstdint>

#include "Db/KelDBRecord.h"

#define KEL_SQLFILESUBCLIENTGROUP_COLUMNS(X) \
    X(INT, id)                               \
    X(INT, tesselId)                         \
    X(INT, sqlFileSubClientId)               \
    X(INT, sqlFileId)                        \
    X(INT, sqlFileGroupId)                   \
    X(INT, nextId)

struct SqlFileSubClientGroup_t {
    KEL_SQLFILESUBCLIENTGROUP_COLUMNS(KEL_DB_FIELD)
};

struct SqlFileSubClientGroupDesc {
    using Row = SqlFileSubClientGroup_t;
    static constexpr DBColumn columns[] = {KEL_SQLFILESUBCLIENTGROUP_COLUMNS(KEL_DB_TABLE_COLUMN)};
    static constexpr const char* keys[] = {"id"};
    static constexpr KelDBForeignKey foreignKeys[] = {
        {"tesselId", "APP_Tessel", "id"},
        {"sqlFileSubClientId", "sqlFileSubClient", "id"},
        {"sqlFileGroupId", "sqlFileGroup", "id"},
    };
    static constexpr DBColumnLayout layout = KEL_DB_TABLE_LAYOUT(SqlFileSubClientGroup, 0, "id");
    static constexpr KelDBFamily family = KEL_DB_TABLE_FAMILY(sqlFileSubClientGroup, SqlFileSubClientGroup, "1.6.304.1", 503);
};
KEL_DB_TABLE_RECORD(SqlFileSubClientGroup, SqlFileSubClientGroupDesc);
