// Cursor sqlFileGroupBkupData: one row (the file group id) when a file group
// existed at a point in time and a backup holding it had finished by then.
#pragma once

#include <cstdint>
#include <string>

#include "Db/KelDBDateLiteral.h"
#include "Db/KelDBRecord.h"

struct SqlFileGroupBkupData_t {
    int32_t found = 0;
};

struct SqlFileGroupBkupDataDesc {
    using Row = SqlFileGroupBkupData_t;
    static constexpr DBColumn columns[] = {
        KEL_DB_COLUMN(Row, found, "i"),
    };
    static constexpr DBColumnLayout layout = KEL_DB_CURSOR_LAYOUT(SqlFileGroupBkupData);
    static constexpr KelDBFamily family = KEL_DB_CURSOR_FAMILY(sqlFileGroupBkupData, SqlFileGroupBkupData, 360);
};
KEL_DB_CHECK_FAMILY(SqlFileGroupBkupDataDesc);

class SqlFileGroupBkupData_t2 : public KelDBSchema<SqlFileGroupBkupDataDesc> {};

class SqlFileGroupBkupData : public KelDBRecord<SqlFileGroupBkupDataDesc, SqlFileGroupBkupData_t2> {
public:
    using KelDBRecord::KelDBRecord;
    int setValues(int id, const char* dt, int ut) {
        return formatBatch(
            KEL_DB_AT_TIME_DECLARES
            " select top 1 sqlfilegroup.id from sqlfilegroup, sqllsns, sqlbackupfile \n"
            "\twhere sqlFileGroup.id = @id and sqlFileGroup.addtime <= @ut"
            " and (sqlFileGroup.removaltime = 0 or sqlFileGroup.removaltime >= @ut)"
            " and sqlFileGroup.id = sqlbackupfile.sqlfilegroupid and sqlbackupfile.sqlbackupsetid = sqllsns.sqlbackupsetid"
            " and sqllsns.finishtime <= @dt \n"
            "\tSET NOCOUNT OFF",
            id, kel::sql::dateLiteral(dt).c_str(), ut);
    }
};
