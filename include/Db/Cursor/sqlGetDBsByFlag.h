// Cursor sqlGetDBsByFlag: the databases of an instance whose system flags
// hold every bit of a mask, by id; logically deleted databases included.
#pragma once

#include <cstdint>

#include "Db/KelDBRecord.h"

struct SqlGetDBsByFlag_t {
    int32_t sqldbid = 0;
    char dbname[129] = {};
};

struct SqlGetDBsByFlagDesc {
    using Row = SqlGetDBsByFlag_t;
    static constexpr DBColumn columns[] = {
        KEL_DB_COLUMN(Row, sqldbid, "i"),
        KEL_DB_COLUMN(Row, dbname, "s129"),
    };
    static constexpr DBColumnLayout layout = KEL_DB_CURSOR_LAYOUT(SqlGetDBsByFlag);
    static constexpr KelDBFamily family = KEL_DB_CURSOR_FAMILY(sqlGetDBsByFlag, SqlGetDBsByFlag, 365);
};
KEL_DB_CHECK_FAMILY(SqlGetDBsByFlagDesc);

class SqlGetDBsByFlag_t2 : public KelDBSchema<SqlGetDBsByFlagDesc> {};

class SqlGetDBsByFlag : public KelDBRecord<SqlGetDBsByFlagDesc, SqlGetDBsByFlag_t2> {
public:
    using KelDBRecord::KelDBRecord;
    int setValues(int inserverid, int inflags) {
        return formatBatch(
            "SET NOCOUNT ON \n declare @inserverid integer \n set @inserverid = %d \n"
            " declare @inflags integer \n set @inflags = %d \n"
            " select backupsetid, RTRIM(databaseName) from sqlDatabase \n"
            " \twhere sqlServerId = @inserverid and (systemflags & @inflags) = @inflags \n"
            " \torder by backupsetid ASC \n\tSET NOCOUNT OFF",
            inserverid, inflags);
    }
};
