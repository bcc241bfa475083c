// Cursor sqlFileBkupData: one row (the file id) when a file existed at a point
// in time and a backup holding it (same file group and logical name) had
// finished by then.
#pragma once

#include <cstdint>
#include <string>

#include "Db/KelDBDateLiteral.h"
#include "Db/KelDBRecord.h"

struct SqlFileBkupData_t {
    int32_t found = 0;
};

struct SqlFileBkupDataDesc {
    using Row = SqlFileBkupData_t;
    static constexpr DBColumn columns[] = {
        KEL_DB_COLUMN(Row, found, "i"),
    };
    static constexpr DBColumnLayout layout = KEL_DB_CURSOR_LAYOUT(SqlFileBkupData);
    static constexpr KelDBFamily family = KEL_DB_CURSOR_FAMILY(sqlFileBkupData, SqlFileBkupData, 361);
};
KEL_DB_CHECK_FAMILY(SqlFileBkupDataDesc);

class SqlFileBkupData_t2 : public KelDBSchema<SqlFileBkupDataDesc> {};

class SqlFileBkupData : public KelDBRecord<SqlFileBkupDataDesc, SqlFileBkupData_t2> {
public:
    using KelDBRecord::KelDBRecord;
    int setValues(int id, const char* dt, int ut) {
        return formatBatch(
            KEL_DB_AT_TIME_DECLARES
            " select top 1 sqlfile.id from sqlfile, sqllsns, sqlbackupfile \n"
            "\twhere sqlFile.id = @id and sqlFile.addtime <= @ut"
            " and (sqlFile.removaltime = 0 or sqlFile.removaltime >= @ut)"
            " and sqlFile.sqlFileGroupid = sqlbackupfile.sqlfilegroupid and sqlFile.logicalName = sqlbackupfile.logicalName"
            " and sqlbackupfile.sqlbackupsetid = sqllsns.sqlbackupsetid and sqllsns.finishtime <= @dt \n"
            "\tSET NOCOUNT OFF",
            id, kel::sql::dateLiteral(dt).c_str(), ut);
    }
};
