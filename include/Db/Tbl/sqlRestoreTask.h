// Table sqlRestoreTask: one row per restore task; tasks chain through next.
#pragma once

#include <cstdint>

#include "Db/KelDBRecord.h"

struct SqlRestoreTask_t {
    int32_t id = 0;
    int32_t restoreType = 0;
    int32_t sqlBackupSetId = 0;
    int32_t restoreTime = 0;
    int32_t percentage = 0;
    char undoFile[1025] = {};
    char restoreUser[129] = {};
    char restorePassword[513] = {};
    int32_t sqlDatabaseId = 0;
    int32_t restoreFlags = 0;
    int32_t sqlRestoreDataId = 0;
    int32_t sqlServerId = 0;
    char databaseName[129] = {};
    int32_t next = 0;
    int32_t systemFlags = 0;
    int32_t archiveCopyId = 0;
    char stopMarkName[65] = {};

    // Kept in lists by value: every text is copied bounded by its field.
    SqlRestoreTask_t() = default;
    SqlRestoreTask_t(const SqlRestoreTask_t& other) { *this = other; }
    SqlRestoreTask_t& operator=(const SqlRestoreTask_t& other);
};

struct SqlRestoreTaskDesc {
    using Row = SqlRestoreTask_t;
    static constexpr DBColumn columns[] = {
        KEL_DB_COLUMN(Row, id, "i"),
        KEL_DB_COLUMN(Row, restoreType, "i"),
        KEL_DB_COLUMN(Row, sqlBackupSetId, "i"),
        KEL_DB_COLUMN(Row, restoreTime, "i"),
        KEL_DB_COLUMN(Row, percentage, "i"),
        KEL_DB_COLUMN(Row, undoFile, "s1025"),
        KEL_DB_COLUMN(Row, restoreUser, "s129"),
        KEL_DB_COLUMN(Row, restorePassword, "s513"),
        KEL_DB_COLUMN(Row, sqlDatabaseId, "i"),
        KEL_DB_COLUMN(Row, restoreFlags, "i"),
        KEL_DB_COLUMN(Row, sqlRestoreDataId, "i"),
        KEL_DB_COLUMN(Row, sqlServerId, "i"),
        KEL_DB_COLUMN(Row, databaseName, "s129"),
        KEL_DB_COLUMN(Row, next, "i"),
        KEL_DB_COLUMN(Row, systemFlags, "i"),
        KEL_DB_COLUMN(Row, archiveCopyId, "i"),
        KEL_DB_COLUMN(Row, stopMarkName, "s65"),
    };
    static constexpr const char* keys[] = {"id"};
    static constexpr KelDBForeignKey foreignKeys[] = {
        {"sqlDatabaseId", "sqlDatabase", "backupSetId"},
        {"sqlServerId", "sqlServer", "instanceId"},
    };
    static constexpr DBColumnLayout layout = KEL_DB_TABLE_LAYOUT(SqlRestoreTask, 0, "id");
    static constexpr KelDBFamily family = KEL_DB_TABLE_FAMILY(sqlRestoreTask, SqlRestoreTask, "1.12.304.2", 623);
};
KEL_DB_CHECK_FAMILY(SqlRestoreTaskDesc);

class SqlRestoreTask_t2 : public KelDBSchema<SqlRestoreTaskDesc> {};

class SqlRestoreTask : public KelDBRecord<SqlRestoreTaskDesc, SqlRestoreTask_t2> {
public:
    using KelDBRecord::KelDBRecord;
};
