// Table sqlLSNs: the LSNs and times of one backup set; keyed by the backup
// set, which the caller supplies.
#pragma once

#include <cstdint>

#include "Db/KelDBRecord.h"

struct SqlLSNs_t {
    int32_t sqlBackupSetId = 0;
    int32_t tesselId = 0;
    int32_t sqlDatabaseId = 0;
    DB_DATETIME startTime;
    DB_DATETIME finishTime;
    int32_t backupType = 0;
    char firstLSN[33] = {};
    char lastLSN[33] = {};
    char checkpointLSN[33] = {};
    char fullBackupLSN[33] = {};

    // Kept in lists by value: the LSN texts are copied bounded by their fields.
    SqlLSNs_t() = default;
    SqlLSNs_t(const SqlLSNs_t& other) { *this = other; }
    SqlLSNs_t& operator=(const SqlLSNs_t& other);
};

struct SqlLSNsDesc {
    using Row = SqlLSNs_t;
    static constexpr DBColumn columns[] = {
        KEL_DB_COLUMN(Row, sqlBackupSetId, "i"),
        KEL_DB_COLUMN(Row, tesselId, "i"),
        KEL_DB_COLUMN(Row, sqlDatabaseId, "i"),
        KEL_DB_COLUMN(Row, startTime, "t"),
        KEL_DB_COLUMN(Row, finishTime, "t"),
        KEL_DB_COLUMN(Row, backupType, "i"),
        KEL_DB_COLUMN(Row, firstLSN, "s33"),
        KEL_DB_COLUMN(Row, lastLSN, "s33"),
        KEL_DB_COLUMN(Row, checkpointLSN, "s33"),
        KEL_DB_COLUMN(Row, fullBackupLSN, "s33"),
    };
    static constexpr const char* keys[] = {"sqlBackupSetId"};
    static constexpr KelDBForeignKey foreignKeys[] = {
        {"sqlBackupSetId", "sqlBackupSet", "id"},
        {"tesselId", "APP_Tessel", "id"},
        {"sqlDatabaseId", "sqlDatabase", "backupSetId"},
    };
    static constexpr DBColumnLayout layout = KEL_DB_TABLE_LAYOUT(SqlLSNs, -1, "sqlBackupSetId");
    static constexpr KelDBFamily family = KEL_DB_TABLE_FAMILY(sqlLSNs, SqlLSNs, "1.12.304.2", 540);
};
KEL_DB_CHECK_FAMILY(SqlLSNsDesc);

class SqlLSNs_t2 : public KelDBSchema<SqlLSNsDesc> {};

class SqlLSNs : public KelDBRecord<SqlLSNsDesc, SqlLSNs_t2> {
public:
    using KelDBRecord::KelDBRecord;
};
