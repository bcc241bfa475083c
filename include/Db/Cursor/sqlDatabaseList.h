// Cursor sqlDatabaseList: every database of an instance as trimmed names with
// their ids, in name order; logically deleted databases included.
#pragma once

#include <cstdint>

#include "Db/KelDBRecord.h"

struct SqlDatabaseList_t {
    char dbname[129] = {};
    int32_t sqldbid = 0;
};

struct SqlDatabaseListDesc {
    using Row = SqlDatabaseList_t;
    static constexpr DBColumn columns[] = {
        KEL_DB_COLUMN(Row, dbname, "s129"),
        KEL_DB_COLUMN(Row, sqldbid, "i"),
    };
    static constexpr DBColumnLayout layout = KEL_DB_CURSOR_LAYOUT(SqlDatabaseList);
    static constexpr KelDBFamily family = KEL_DB_CURSOR_FAMILY(sqlDatabaseList, SqlDatabaseList, 363);
};
KEL_DB_CHECK_FAMILY(SqlDatabaseListDesc);

class SqlDatabaseList_t2 : public KelDBSchema<SqlDatabaseListDesc> {};

class SqlDatabaseList : public KelDBRecord<SqlDatabaseListDesc, SqlDatabaseList_t2> {
public:
    using KelDBRecord::KelDBRecord;
    int setValues(int inserverid) {
        return formatBatch(
            "SET NOCOUNT ON \n declare @inserverid integer \n set @inserverid = %d \n"
            " select RTRIM(databaseName), backupsetid from sqlDatabase \n \twhere sqlServerId = @inserverid \n"
            " \torder by databaseName ASC \n\tSET NOCOUNT OFF",
            inserverid);
    }
};
