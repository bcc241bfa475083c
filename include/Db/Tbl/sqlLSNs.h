// Table sqlLSNs: the LSNs and times of one backup set; keyed by the backup
// set, which the caller supplies.
#pragma once

#include <cstdint>

#include "Db/KelDBRecord.h"

#define KEL_SQLLSNS_COLUMNS(X) \
    X(INT, sqlBackupSetId)     \
    X(INT, tesselId)           \
    X(INT, sqlDatabaseId)      \
    X(TIME, startTime)         \
    X(TIME, finishTime)        \
    X(INT, backupType)         \
    X(LSN, firstLSN, 33)       \
    X(LSN, lastLSN, 33)        \
    X(LSN, checkpointLSN, 33)  \
    X(LSN, fullBackupLSN, 33)

struct SqlLSNs_t {
    KEL_SQLLSNS_COLUMNS(KEL_DB_FIELD)

    // Kept in lists by value: the LSN texts are copied bounded by their fields.
    SqlLSNs_t() = default;
    SqlLSNs_t(const SqlLSNs_t& other) { *this = other; }
    SqlLSNs_t& operator=(const SqlLSNs_t& other);
};

struct SqlLSNsDesc {
    using Row = SqlLSNs_t;
    static constexpr DBColumn columns[] = {KEL_SQLLSNS_COLUMNS(KEL_DB_TABLE_COLUMN)};
    static constexpr const char* keys[] = {"sqlBackupSetId"};
    static constexpr KelDBForeignKey foreignKeys[] = {
        {"sqlBackupSetId", "sqlBackupSet", "id"},
        {"tesselId", "APP_Tessel", "id"},
        {"sqlDatabaseId", "sqlDatabase", "backupSetId"},
    };
    static constexpr DBColumnLayout layout = KEL_DB_TABLE_LAYOUT(SqlLSNs, -1, "sqlBackupSetId");
    static constexpr KelDBFamily family = KEL_DB_TABLE_FAMILY(sqlLSNs, SqlLSNs, "1.12.304.2", 540);
};
KEL_DB_TABLE_RECORD(SqlLSNs, SqlLSNsDesc);
