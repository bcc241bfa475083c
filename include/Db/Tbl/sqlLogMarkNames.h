// Table sqlLogMarkNames: the named log marks of a database.
#pragma once

#include <cstdint>

#include "Db/KelDBRecord.h"

struct SqlLogMarkNames_t {
    int32_t id = 0;
    int32_t tesselId = 0;
    int32_t sqlDatabaseId = 0;
    char name[65] = {};
    char description[256] = {};
    char lsn[33] = {};
    DB_DATETIME markTime;
};

struct SqlLogMarkNamesDesc {
    using Row = SqlLogMarkNames_t;
    static constexpr DBColumn columns[] = {
        KEL_DB_COLUMN(Row, id, "i"),
        KEL_DB_COLUMN(Row, tesselId, "i"),
        KEL_DB_COLUMN(Row, sqlDatabaseId, "i"),
        KEL_DB_COLUMN(Row, name, "s65"),
        KEL_DB_COLUMN(Row, description, "s256"),
        KEL_DB_COLUMN(Row, lsn, "s33"),
        KEL_DB_COLUMN(Row, markTime, "t"),
    };
    static constexpr const char* keys[] = {"id"};
    static constexpr KelDBForeignKey foreignKeys[] = {
        {"sqlDatabaseId", "sqlDatabase", "backupSetId"},
        {"tesselId", "APP_Tessel", "id"},
    };
    static constexpr DBColumnLayout layout = KEL_DB_TABLE_LAYOUT(SqlLogMarkNames, 0, "id");
    static constexpr KelDBFamily family = KEL_DB_TABLE_FAMILY(sqlLogMarkNames, SqlLogMarkNames, "1.7.304.2", 509);
};
KEL_DB_CHECK_FAMILY(SqlLogMarkNamesDesc);

class SqlLogMarkNames_t2 : public KelDBSchema<SqlLogMarkNamesDesc> {};

class SqlLogMarkNames : public KelDBRecord<SqlLogMarkNamesDesc, SqlLogMarkNames_t2> {
public:
    using KelDBRecord::KelDBRecord;
};
