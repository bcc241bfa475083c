// Table sqlRestoreTask: one row per restore task; tasks chain through next.
#pragma once

#include <cstdint>

#include "Db/KelDBRecord.h"

// restorePassword holds a password of up to 511 characters sealed
// (KelPassword::encryptedLength(511) characters).
#define KEL_SQLRESTORETASK_COLUMNS(X) \
    X(INT, id)                        \
    X(INT, restoreType)               \
    X(INT, sqlBackupSetId)            \
    X(INT, restoreTime)               \
    X(INT, percentage)                \
    X(TEXT, undoFile, 1025)           \
    X(TEXT, restoreUser, 129)         \
    X(TEXT, restorePassword, 737)     \
    X(INT, sqlDatabaseId)             \
    X(INT, restoreFlags)              \
    X(INT, sqlRestoreDataId)          \
    X(INT, sqlServerId)               \
    X(TEXT, databaseName, 129)        \
    X(INT, next)                      \
    X(INT, systemFlags)               \
    X(INT, archiveCopyId)             \
    X(TEXT, stopMarkName, 65)

struct SqlRestoreTask_t {
    KEL_SQLRESTORETASK_COLUMNS(KEL_DB_FIELD)

    // Kept in lists by value: every text is copied bounded by its field.
    SqlRestoreTask_t() = default;
    SqlRestoreTask_t(const SqlRestoreTask_t& other) { *this = other; }
    SqlRestoreTask_t& operator=(const SqlRestoreTask_t& other);
};

struct SqlRestoreTaskDesc {
    using Row = SqlRestoreTask_t;
    static constexpr DBColumn columns[] = {KEL_SQLRESTORETASK_COLUMNS(KEL_DB_TABLE_COLUMN)};
    static constexpr const char* keys[] = {"id"};
    static constexpr KelDBForeignKey foreignKeys[] = {
        {"sqlDatabaseId", "sqlDatabase", "backupSetId"},
        {"sqlServerId", "sqlServer", "instanceId"},
    };
    static constexpr DBColumnLayout layout = KEL_DB_TABLE_LAYOUT(SqlRestoreTask, 0, "id");
    static constexpr KelDBFamily family = KEL_DB_TABLE_FAMILY(sqlRestoreTask, SqlRestoreTask, "1.12.304.2", 623);
};
KEL_DB_TABLE_RECORD(SqlRestoreTask, SqlRestoreTaskDesc);
