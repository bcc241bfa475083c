// Table sqlFileGroup: one row per file group of a database.
#pragma once

#include <cstdint>

#include "Db/KelDBRecord.h"

#define KEL_SQLFILEGROUP_COLUMNS(X) \
    X(INT, id)                      \
    X(INT, tesselId)                \
    X(INT, sqlDatabaseId)           \
    X(INT, applicationNumber)       \
    X(INT, groupId)                 \
    X(TEXT, fileGroupName, 129)     \
    X(INT, streams)                 \
    X(INT, maxStreams)              \
    X(INT, addTime)                 \
    X(INT, removalTime)             \
    X(INT, deleteFlag)

struct SqlFileGroup_t {
    KEL_SQLFILEGROUP_COLUMNS(KEL_DB_FIELD)
};

struct SqlFileGroupDesc {
    using Row = SqlFileGroup_t;
    static constexpr DBColumn columns[] = {KEL_SQLFILEGROUP_COLUMNS(KEL_DB_TABLE_COLUMN)};
    static constexpr const char* keys[] = {"id"};
    static constexpr KelDBForeignKey foreignKeys[] = {
        {"sqlDatabaseId", "sqlDatabase", "backupSetId"},
        {"tesselId", "APP_Tessel", "id"},
    };
    static constexpr DBColumnLayout layout = KEL_DB_TABLE_LAYOUT(SqlFileGroup, 0, "id");
    static constexpr KelDBFamily family = KEL_DB_TABLE_FAMILY(sqlFileGroup, SqlFileGroup, "1.8.304.2", 553);
};
KEL_DB_TABLE_RECORD(SqlFileGroup, SqlFileGroupDesc);
