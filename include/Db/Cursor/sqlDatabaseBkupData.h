// Cursor sqlDatabaseBkupData: one row (the database id) when a database existed
// at a point in time and a backup of it, kept on an archive set within the
// tomb-stone limit, had finished by then; no row otherwise.
#pragma once

#include <cstdint>
#include <string>

#include "Db/KelDBDateLiteral.h"
#include "Db/KelDBRecord.h"

struct SqlDatabaseBkupData_t {
    int32_t found = 0;
};

struct SqlDatabaseBkupDataDesc {
    using Row = SqlDatabaseBkupData_t;
    static constexpr DBColumn columns[] = {
        KEL_DB_COLUMN(Row, found, "i"),
    };
    static constexpr DBColumnLayout layout = KEL_DB_CURSOR_LAYOUT(SqlDatabaseBkupData);
    static constexpr KelDBFamily family = KEL_DB_CURSOR_FAMILY(sqlDatabaseBkupData, SqlDatabaseBkupData, 364);
};
KEL_DB_CHECK_FAMILY(SqlDatabaseBkupDataDesc);

class SqlDatabaseBkupData_t2 : public KelDBSchema<SqlDatabaseBkupDataDesc> {};

class SqlDatabaseBkupData : public KelDBRecord<SqlDatabaseBkupDataDesc, SqlDatabaseBkupData_t2> {
public:
    using KelDBRecord::KelDBRecord;
    int setValues(int id, const char* dt, int ut, int tombStone) {
        return formatBatch(
            KEL_DB_AT_TIME_DECLARES
            " declare @tombStone integer \n set @tombStone = %d \n"
            " select top 1 sqldatabase.backupSetId from sqlbackupset, sqldatabase, sqllsns, sqlArchiveSet \n"
            "\twhere sqldatabase.backupsetid = @id and sqlbackupset.id = sqlArchiveSet.sqlbackupsetid"
            " and sqlArchiveSet.bIsTombStoned <= @tombStone and sqldatabase.addtime <= @ut"
            " and (sqldatabase.removaltime = 0 or sqldatabase.removaltime >= @ut)"
            " and sqldatabase.backupsetid = sqlbackupset.sqldatabaseid and sqlbackupset.id = sqllsns.sqlbackupsetid"
            " and sqllsns.sqlDatabaseId = sqldatabase.backupsetid"
            " and sqllsns.finishtime <= @dt \n"
            "\tSET NOCOUNT OFF",
            id, kel::sql::dateLiteral(dt).c_str(), ut, tombStone);
    }
};
