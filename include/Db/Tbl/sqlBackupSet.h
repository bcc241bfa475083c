// Table sqlBackupSet: one row per finished backup of a database.
#pragma once

#include <cstdint>

#include "Db/KelDBRecord.h"

#define KEL_SQLBACKUPSET_COLUMNS(X) \
    X(INT, id)                      \
    X(INT, tesselId)                \
    X(INT, sqlDatabaseId)           \
    X(INT, backupSetId)             \
    X(TEXT, name, 129)              \
    X(TEXT, description, 256)       \
    X(TEXT, userName, 129)          \
    X(INT, vendorId)                \
    X(INT, sqlVersionId)            \
    X(INT, mtfVersionId)            \
    X(INT, timeZone)                \
    X(INT, seltraStartTime)         \
    X(INT, seltraFinishTime)        \
    X(INT, compatibility)           \
    X(INT, dbVersion)               \
    X(TEXT, backupSize, 33)         \
    X(INT, mediaSetId)              \
    X(INT, streams)                 \
    X(INT, jobId_h)                 \
    X(INT, jobId_l)                 \
    X(INT, sqlFileSubClientId)

struct SqlBackupSet_t {
    KEL_SQLBACKUPSET_COLUMNS(KEL_DB_FIELD)
};

// (The cursor sqlBackupSetDesc owns the name SqlBackupSetDesc.)
struct SqlBackupSetTableDesc {
    using Row = SqlBackupSet_t;
    static constexpr DBColumn columns[] = {KEL_SQLBACKUPSET_COLUMNS(KEL_DB_TABLE_COLUMN)};
    static constexpr const char* keys[] = {"id"};
    static constexpr KelDBForeignKey foreignKeys[] = {
        {"sqlDatabaseId", "sqlDatabase", "backupSetId"},
        {"tesselId", "APP_Tessel", "id"},
        {"sqlVersionId", "sqlVersion", "id"},
        {"mtfVersionId", "sqlVersion", "id"},
    };
    static constexpr DBColumnLayout layout = KEL_DB_TABLE_LAYOUT(SqlBackupSet, 0, "id");
    static constexpr KelDBFamily family = KEL_DB_TABLE_FAMILY(sqlBackupSet, SqlBackupSet, "1.15.304.2", 676);
};
KEL_DB_TABLE_RECORD(SqlBackupSet, SqlBackupSetTableDesc);
