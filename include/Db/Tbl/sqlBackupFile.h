// Table sqlBackupFile: one row per database file inside a backup set. The
// column order is relied on by the log-update batch, which inserts without a
// column list.
#pragma once

#include <cstdint>

#include "Db/KelDBRecord.h"

#define KEL_SQLBACKUPFILE_COLUMNS(X) \
    X(INT, id)                       \
    X(INT, tesselId)                 \
    X(INT, sqlFileGroupId)           \
    X(INT, sqlBackupSetId)           \
    X(INT, number)                   \
    X(TEXT, physicalName, 261)       \
    X(TEXT, logicalName, 129)        \
    X(TEXT, physicalDrive, 261)      \
    X(INT, pageSize)                 \
    X(INT, pageCount)                \
    X(INT, type)

struct SqlBackupFile_t {
    KEL_SQLBACKUPFILE_COLUMNS(KEL_DB_FIELD)
};

struct SqlBackupFileDesc {
    using Row = SqlBackupFile_t;
    static constexpr DBColumn columns[] = {KEL_SQLBACKUPFILE_COLUMNS(KEL_DB_TABLE_COLUMN)};
    static constexpr const char* keys[] = {"id"};
    static constexpr KelDBForeignKey foreignKeys[] = {
        {"sqlBackupSetId", "sqlBackupSet", "id"},
        {"sqlFileGroupId", "sqlFileGroup", "id"},
        {"tesselId", "APP_Tessel", "id"},
    };
    static constexpr DBColumnLayout layout = KEL_DB_TABLE_LAYOUT(SqlBackupFile, 0, "id");
    static constexpr KelDBFamily family = KEL_DB_TABLE_FAMILY(sqlBackupFile, SqlBackupFile, "1.7.304.2", 560);
};
KEL_DB_TABLE_RECORD(SqlBackupFile, SqlBackupFileDesc);
