// Table sqlBackupSet: one row per finished backup of a database.
#pragma once

#include <cstdint>

#include "Db/KelDBRecord.h"

struct SqlBackupSet_t {
    int32_t id = 0;
    int32_t tesselId = 0;
    int32_t sqlDatabaseId = 0;
    int32_t backupSetId = 0;
    char name[129] = {};
    char description[256] = {};
    char userName[129] = {};
    int32_t vendorId = 0;
    int32_t sqlVersionId = 0;
    int32_t mtfVersionId = 0;
    int32_t timeZone = 0;
    int32_t seltraStartTime = 0;
    int32_t seltraFinishTime = 0;
    int32_t compatibility = 0;
    int32_t dbVersion = 0;
    char backupSize[33] = {};
    int32_t mediaSetId = 0;
    int32_t streams = 0;
    int32_t jobId_h = 0;
    int32_t jobId_l = 0;
    int32_t sqlFileSubClientId = 0;
};

// (The cursor sqlBackupSetDesc owns the name SqlBackupSetDesc.)
struct SqlBackupSetTableDesc {
    using Row = SqlBackupSet_t;
    static constexpr DBColumn columns[] = {
        KEL_DB_COLUMN(Row, id, "i"),
        KEL_DB_COLUMN(Row, tesselId, "i"),
        KEL_DB_COLUMN(Row, sqlDatabaseId, "i"),
        KEL_DB_COLUMN(Row, backupSetId, "i"),
        KEL_DB_COLUMN(Row, name, "s129"),
        KEL_DB_COLUMN(Row, description, "s256"),
        KEL_DB_COLUMN(Row, userName, "s129"),
        KEL_DB_COLUMN(Row, vendorId, "i"),
        KEL_DB_COLUMN(Row, sqlVersionId, "i"),
        KEL_DB_COLUMN(Row, mtfVersionId, "i"),
        KEL_DB_COLUMN(Row, timeZone, "i"),
        KEL_DB_COLUMN(Row, seltraStartTime, "i"),
        KEL_DB_COLUMN(Row, seltraFinishTime, "i"),
        KEL_DB_COLUMN(Row, compatibility, "i"),
        KEL_DB_COLUMN(Row, dbVersion, "i"),
        KEL_DB_COLUMN(Row, backupSize, "s33"),
        KEL_DB_COLUMN(Row, mediaSetId, "i"),
        KEL_DB_COLUMN(Row, streams, "i"),
        KEL_DB_COLUMN(Row, jobId_h, "i"),
        KEL_DB_COLUMN(Row, jobId_l, "i"),
        KEL_DB_COLUMN(Row, sqlFileSubClientId, "i"),
    };
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
KEL_DB_CHECK_FAMILY(SqlBackupSetTableDesc);

class SqlBackupSet_t2 : public KelDBSchema<SqlBackupSetTableDesc> {};

class SqlBackupSet : public KelDBRecord<SqlBackupSetTableDesc, SqlBackupSet_t2> {
public:
    using KelDBRecord::KelDBRecord;
};
