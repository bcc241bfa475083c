// Table sqlDatabase: one row per database of an instance, keyed on the platform's backup set id.
#pragma once

#include <cstdint>

#include "Db/KelDBRecord.h"

struct SqlDatabase_t {
    int32_t backupSetId = 0;
    int32_t tesselId = 0;
    int32_t sqlServerId = 0;
    int32_t applicationNumber = 0;
    int32_t databaseId = 0;
    char databaseName[129] = {};
    DB_DATETIME creationTime;
    int32_t streams = 0;
    int32_t maxStreams = 0;
    int32_t allowFlags = 0;
    int32_t addTime = 0;
    int32_t removalTime = 0;
    int32_t deleteFlag = 0;
    int32_t systemFlags = 0;
    int32_t logStreams = 0;
};

struct SqlDatabaseDesc {
    using Row = SqlDatabase_t;
    static constexpr DBColumn columns[] = {
        KEL_DB_COLUMN(Row, backupSetId, "i"),
        KEL_DB_COLUMN(Row, tesselId, "i"),
        KEL_DB_COLUMN(Row, sqlServerId, "i"),
        KEL_DB_COLUMN(Row, applicationNumber, "i"),
        KEL_DB_COLUMN(Row, databaseId, "i"),
        KEL_DB_COLUMN(Row, databaseName, "s129"),
        KEL_DB_COLUMN(Row, creationTime, "t"),
        KEL_DB_COLUMN(Row, streams, "i"),
        KEL_DB_COLUMN(Row, maxStreams, "i"),
        KEL_DB_COLUMN(Row, allowFlags, "i"),
        KEL_DB_COLUMN(Row, addTime, "i"),
        KEL_DB_COLUMN(Row, removalTime, "i"),
        KEL_DB_COLUMN(Row, deleteFlag, "i"),
        KEL_DB_COLUMN(Row, systemFlags, "i"),
        KEL_DB_COLUMN(Row, logStreams, "i"),
    };
    static constexpr const char* keys[] = {"backupSetId"};
    static constexpr KelDBForeignKey foreignKeys[] = {
        {"backupSetId", "APP_BackupSetName", "id"},
        {"tesselId", "APP_Tessel", "id"},
        {"sqlServerId", "sqlServer", "instanceId"},
    };
    static constexpr DBColumnLayout layout = KEL_DB_TABLE_LAYOUT(SqlDatabase, -1, "backupSetId");
    static constexpr KelDBFamily family = KEL_DB_TABLE_FAMILY(sqlDatabase, SqlDatabase, "1.15.304.2", 594);
};
KEL_DB_CHECK_FAMILY(SqlDatabaseDesc);

class SqlDatabase_t2 : public KelDBSchema<SqlDatabaseDesc> {};

class SqlDatabase : public KelDBRecord<SqlDatabaseDesc, SqlDatabase_t2> {
public:
    using KelDBRecord::KelDBRecord;
};
