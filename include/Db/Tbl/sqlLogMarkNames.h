// Table sqlLogMarkNames: the named log marks of a database.
#pragma once

#include <cstdint>

#include "Db/KelDBRecord.h"

#define KEL_SQLLOGMARKNAMES_COLUMNS(X) \
    X(INT, id)                         \
    X(INT, tesselId)                   \
    X(INT, sqlDatabaseId)              \
    X(TEXT, name, 65)                  \
    X(TEXT, description, 256)          \
    X(LSN, lsn, 33)                    \
    X(TIME, markTime)

struct SqlLogMarkNames_t {
    KEL_SQLLOGMARKNAMES_COLUMNS(KEL_DB_FIELD)
};

struct SqlLogMarkNamesDesc {
    using Row = SqlLogMarkNames_t;
    static constexpr DBColumn columns[] = {KEL_SQLLOGMARKNAMES_COLUMNS(KEL_DB_TABLE_COLUMN)};
    static constexpr const char* keys[] = {"id"};
    static constexpr KelDBForeignKey foreignKeys[] = {
        {"sqlDatabaseId", "sqlDatabase", "backupSetId"},
        {"tesselId", "APP_Tessel", "id"},
    };
    static constexpr DBColumnLayout layout = KEL_DB_TABLE_LAYOUT(SqlLogMarkNames, 0, "id");
    static constexpr KelDBFamily family = KEL_DB_TABLE_FAMILY(sqlLogMarkNames, SqlLogMarkNames, "1.7.304.2", 509);
};
KEL_DB_TABLE_RECORD(SqlLogMarkNames, SqlLogMarkNamesDesc);
