// Cursor sql2KFileBkupData: the newest backup set (highest id) holding a file
// by a point in time, with its start and finish; with type 76 only full
// backups count.
#pragma once

#include <cstdint>
#include <string>

#include "Db/KelDBDateLiteral.h"
#include "Db/KelDBRecord.h"

struct Sql2KFileBkupData_t {
    int32_t found = 0;
    int32_t sqlBackupSetId = 0;
    DB_DATETIME startTime;
    DB_DATETIME finishTime;
};

struct Sql2KFileBkupDataDesc {
    using Row = Sql2KFileBkupData_t;
    static constexpr DBColumn columns[] = {
        KEL_DB_COLUMN(Row, found, "i"),
        KEL_DB_COLUMN(Row, sqlBackupSetId, "i"),
        KEL_DB_COLUMN(Row, startTime, "t"),
        KEL_DB_COLUMN(Row, finishTime, "t"),
    };
    static constexpr DBColumnLayout layout = KEL_DB_CURSOR_LAYOUT(Sql2KFileBkupData);
    static constexpr KelDBFamily family = KEL_DB_CURSOR_FAMILY(sql2KFileBkupData, Sql2KFileBkupData, 401);
};
KEL_DB_CHECK_FAMILY(Sql2KFileBkupDataDesc);

class Sql2KFileBkupData_t2 : public KelDBSchema<Sql2KFileBkupDataDesc> {};

class Sql2KFileBkupData : public KelDBRecord<Sql2KFileBkupDataDesc, Sql2KFileBkupData_t2> {
public:
    using KelDBRecord::KelDBRecord;
    int setValues(int id, const char* dt, int ut, int type) {
        return formatBatch(
            KEL_DB_AT_TIME_DECLARES
            KEL_DB_2K_TYPE_DECLARES
            " select top 1 sqlfile.id, sqlbackupfile.sqlBackupSetId, sqllsns.startTime,"
            " sqllsns.finishTime from sqlfile, sqllsns, sqlbackupfile \n"
            "\twhere sqlFile.id = @id and sqlFile.addtime <= @ut"
            " and sqlFile.sqlFileGroupid = sqlbackupfile.sqlfilegroupid and sqlFile.logicalName = sqlbackupfile.logicalName"
            " and sqllsns.backupType != @type and sqllsns.backupType != @type2 and sqllsns.backupType != @type3"
            " and sqlbackupfile.sqlbackupsetid = sqllsns.sqlbackupsetid and sqllsns.finishtime <= @dt"
            " order by sqlbackupfile.sqlBackupSetId desc \n"
            "\tSET NOCOUNT OFF",
            id, kel::sql::dateLiteral(dt).c_str(), ut, type);
    }
};
