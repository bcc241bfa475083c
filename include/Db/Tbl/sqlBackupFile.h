// Table sqlBackupFile: one row per database file inside a backup set. The
// column order is relied on by the log-update batch, which inserts without a
// column list.
#pragma once

#include <cstdint>

#include "Db/KelDBRecord.h"

struct SqlBackupFile_t {
    int32_t id = 0;
    int32_t tesselId = 0;
    int32_t sqlFileGroupId = 0;
    int32_t sqlBackupSetId = 0;
    int32_t number = 0;
    char physicalName[261] = {};
    char logicalName[129] = {};
    char physicalDrive[261] = {};
    int32_t pageSize = 0;
    int32_t pageCount = 0;
    int32_t type = 0;
};

struct SqlBackupFileDesc {
    using Row = SqlBackupFile_t;
    static constexpr DBColumn columns[] = {
        KEL_DB_COLUMN(Row, id, "i"),
        KEL_DB_COLUMN(Row, tesselId, "i"),
        KEL_DB_COLUMN(Row, sqlFileGroupId, "i"),
        KEL_DB_COLUMN(Row, sqlBackupSetId, "i"),
        KEL_DB_COLUMN(Row, number, "i"),
        KEL_DB_COLUMN(Row, physicalName, "s261"),
        KEL_DB_COLUMN(Row, logicalName, "s129"),
        KEL_DB_COLUMN(Row, physicalDrive, "s261"),
        KEL_DB_COLUMN(Row, pageSize, "i"),
        KEL_DB_COLUMN(Row, pageCount, "i"),
        KEL_DB_COLUMN(Row, type, "i"),
    };
    static constexpr const char* keys[] = {"id"};
    static constexpr KelDBForeignKey foreignKeys[] = {
        {"sqlBackupSetId", "sqlBackupSet", "id"},
        {"sqlFileGroupId", "sqlFileGroup", "id"},
        {"tesselId", "APP_Tessel", "id"},
    };
    static constexpr DBColumnLayout layout = KEL_DB_TABLE_LAYOUT(SqlBackupFile, 0, "id");
    static constexpr KelDBFamily family = KEL_DB_TABLE_FAMILY(sqlBackupFile, SqlBackupFile, "1.7.304.2", 560);
};
KEL_DB_CHECK_FAMILY(SqlBackupFileDesc);

class SqlBackupFile_t2 : public KelDBSchema<SqlBackupFileDesc> {};

class SqlBackupFile : public KelDBRecord<SqlBackupFileDesc, SqlBackupFile_t2> {
public:
    using KelDBRecord::KelDBRecord;
};
