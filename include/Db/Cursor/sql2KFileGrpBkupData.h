// Cursor sql2KFileGrpBkupData: the newest backup set (highest id) holding a
// file group by a point in time; with type 76 only full backups count.
#pragma once

#include <cstdint>
#include <string>

#include "Db/KelDBDateLiteral.h"
#include "Db/KelDBRecord.h"

struct Sql2KFileGrpBkupData_t {
    int32_t found = 0;
    int32_t sqlBackupSetId = 0;
};

struct Sql2KFileGrpBkupDataDesc {
    using Row = Sql2KFileGrpBkupData_t;
    static constexpr DBColumn columns[] = {
        KEL_DB_COLUMN(Row, found, "i"),
        KEL_DB_COLUMN(Row, sqlBackupSetId, "i"),
    };
    static constexpr DBColumnLayout layout = KEL_DB_CURSOR_LAYOUT(Sql2KFileGrpBkupData);
    static constexpr KelDBFamily family = KEL_DB_CURSOR_FAMILY(sql2KFileGrpBkupData, Sql2KFileGrpBkupData, 382);
};
KEL_DB_CHECK_FAMILY(Sql2KFileGrpBkupDataDesc);

class Sql2KFileGrpBkupData_t2 : public KelDBSchema<Sql2KFileGrpBkupDataDesc> {};

class Sql2KFileGrpBkupData : public KelDBRecord<Sql2KFileGrpBkupDataDesc, Sql2KFileGrpBkupData_t2> {
public:
    using KelDBRecord::KelDBRecord;
    int setValues(int id, const char* dt, int ut, int type) {
        return formatBatch(
            KEL_DB_AT_TIME_DECLARES
            KEL_DB_2K_TYPE_DECLARES
            " select top 1 sqlfilegroup.id, sqlbackupfile.sqlBackupSetId"
            " from sqlfilegroup, sqllsns, sqlbackupfile \n"
            "\twhere sqlFileGroup.id = @id and sqlFileGroup.addtime <= @ut"
            " and sqlFileGroup.id = sqlbackupfile.sqlfilegroupid and sqllsns.backupType != @type"
            " and sqllsns.backupType != @type2 and sqllsns.backupType != @type3"
            " and sqlbackupfile.sqlbackupsetid = sqllsns.sqlbackupsetid and sqllsns.finishtime <= @dt"
            " order by sqlbackupfile.sqlBackupSetId desc \n"
            "\tSET NOCOUNT OFF",
            id, kel::sql::dateLiteral(dt).c_str(), ut, type);
    }
};
