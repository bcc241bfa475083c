// Cursor sqlServerBkupData: one row (the instance id) when an instance has
// backup data at a point in time, no row when it has none.
#pragma once

#include <cstdint>
#include <string>

#include "Db/KelDBDateLiteral.h"
#include "Db/KelDBRecord.h"

struct SqlServerBkupData_t {
    int32_t found = 0;
};

struct SqlServerBkupDataDesc {
    using Row = SqlServerBkupData_t;
    static constexpr DBColumn columns[] = {
        KEL_DB_COLUMN(Row, found, "i"),
    };
    static constexpr DBColumnLayout layout = KEL_DB_CURSOR_LAYOUT(SqlServerBkupData);
    static constexpr KelDBFamily family = KEL_DB_CURSOR_FAMILY(sqlServerBkupData, SqlServerBkupData, 366);
};
KEL_DB_CHECK_FAMILY(SqlServerBkupDataDesc);

class SqlServerBkupData_t2 : public KelDBSchema<SqlServerBkupDataDesc> {};

class SqlServerBkupData : public KelDBRecord<SqlServerBkupDataDesc, SqlServerBkupData_t2> {
public:
    using KelDBRecord::KelDBRecord;
    // dt is the ODBC timestamp literal of the time, ut the same moment in
    // seconds since 1970, tombStone 1 to count tomb-stoned archive sets.
    int setValues(int id, const char* dt, int ut, int tombStone) {
        return formatBatch(
            KEL_DB_AT_TIME_DECLARES
            " declare @tombStone integer \n set @tombStone = %d \n"
            " select top 1 sqlserver.instanceId from sqlserver, sqlbackupset, sqldatabase, sqllsns, sqlArchiveSet \n"
            "\twhere sqlserver.instanceid = @id"
            " and (sqlserver.removaltime = 0 or (sqlserver.removaltime >= @ut and sqlserver.addtime <= @ut))"
            " and sqlserver.instanceid = sqldatabase.sqlserverid and sqldatabase.backupsetid = sqlbackupset.sqldatabaseid"
            " and sqlbackupset.id = sqllsns.sqlbackupsetid and sqlbackupset.id = sqlArchiveSet.sqlbackupsetid"
            " and sqllsns.sqlDatabaseId = sqldatabase.backupsetid"
            " and sqlArchiveSet.bIsTombStoned <= @tombStone and sqlbackupset.sqlFileSubClientId <= 0"
            " and sqllsns.finishtime <= @dt and sqllsns.backupType != 71 and sqllsns.backupType != 70 \n"
            "\tSET NOCOUNT OFF",
            id, kel::sql::dateLiteral(dt).c_str(), ut, tombStone);
    }
};
