// Table sqlFile: one row per file of a file group.
#pragma once

#include <cstdint>

#include "Db/KelDBRecord.h"

#define KEL_SQLFILE_COLUMNS(X) \
    X(INT, id)                 \
    X(INT, tesselId)           \
    X(INT, sqlFileGroupId)     \
    X(INT, fileId)             \
    X(TEXT, physicalName, 261) \
    X(TEXT, logicalName, 129)  \
    X(INT, size)               \
    X(INT, maxSize)            \
    X(INT, addTime)            \
    X(INT, removalTime)        \
    X(INT, deleteFlag)

struct SqlFile_t {
    KEL_SQLFILE_COLUMNS(KEL_DB_FIELD)
};

struct SqlFileDesc {
    using Row = SqlFile_t;
    static constexpr DBColumn columns[] = {KEL_SQLFILE_COLUMNS(KEL_DB_TABLE_COLUMN)};
    static constexpr const char* keys[] = {"id"};
    static constexpr KelDBForeignKey foreignKeys[] = {
        {"sqlFileGroupId", "sqlFileGroup", "id"},
        {"tesselId", "APP_Tessel", "id"},
    };
    static constexpr DBColumnLayout layout = KEL_DB_TABLE_LAYOUT(SqlFile, 0, "id");
    static constexpr KelDBFamily family = KEL_DB_TABLE_FAMILY(sqlFile, SqlFile, "1.8.304.2", 554);
};
KEL_DB_TABLE_RECORD(SqlFile, SqlFileDesc);
