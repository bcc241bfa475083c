// Table sqlDatabase: one row per database of an instance, keyed on the platform's backup set id.
#pragma once

#include <cstdint>

#include "Db/KelDBRecord.h"

#define KEL_SQLDATABASE_COLUMNS(X) \
    X(INT, backupSetId)            \
    X(INT, tesselId)               \
    X(INT, sqlServerId)            \
    X(INT, applicationNumber)      \
    X(INT, databaseId)             \
    X(TEXT, databaseName, 129)     \
    X(TIME, creationTime)          \
    X(INT, streams)                \
    X(INT, maxStreams)             \
    X(INT, allowFlags)             \
    X(INT, addTime)                \
    X(INT, removalTime)            \
    X(INT, deleteFlag)             \
    X(INT, systemFlags)            \
    X(INT, logStreams)

struct SqlDatabase_t {
    KEL_SQLDATABASE_COLUMNS(KEL_DB_FIELD)
};

struct SqlDatabaseDesc {
    using Row = SqlDatabase_t;
    static constexpr DBColumn columns[] = {KEL_SQLDATABASE_COLUMNS(KEL_DB_TABLE_COLUMN)};
    static constexpr const char* keys[] = {"backupSetId"};
    static constexpr KelDBForeignKey foreignKeys[] = {
        {"backupSetId", "APP_BackupSetName", "id"},
        {"tesselId", "APP_Tessel", "id"},
        {"sqlServerId", "sqlServer", "instanceId"},
    };
    static constexpr DBColumnLayout layout = KEL_DB_TABLE_LAYOUT(SqlDatabase, -1, "backupSetId");
    static constexpr KelDBFamily family = KEL_DB_TABLE_FAMILY(sqlDatabase, SqlDatabase, "1.15.304.2", 594);
};
KEL_DB_TABLE_RECORD(SqlDatabase, SqlDatabaseDesc);
