// Cursor sqlDbMarkReport: every log mark of every database of an instance, by
// name, latest first.
#pragma once

#include <cstdint>

#include "Db/KelDBRecord.h"

struct SqlDbMarkReport_t {
    int32_t id = 0;
    int32_t tesselid = 0;
    int32_t sqldatabaseid = 0;
    char name[65] = {};
    char description[256] = {};
    char lsn[33] = {};
    DB_DATETIME marktime;
};

struct SqlDbMarkReportDesc {
    using Row = SqlDbMarkReport_t;
    static constexpr DBColumn columns[] = {
        KEL_DB_COLUMN(Row, id, "i"),
        KEL_DB_COLUMN(Row, tesselid, "i"),
        KEL_DB_COLUMN(Row, sqldatabaseid, "i"),
        KEL_DB_COLUMN(Row, name, "s65"),
        KEL_DB_COLUMN(Row, description, "s256"),
        KEL_DB_COLUMN(Row, lsn, "s33"),
        KEL_DB_COLUMN(Row, marktime, "t"),
    };
    static constexpr DBColumnLayout layout = KEL_DB_CURSOR_LAYOUT(SqlDbMarkReport);
    static constexpr KelDBFamily family = KEL_DB_CURSOR_FAMILY(sqlDbMarkReport, SqlDbMarkReport, 421);
};
KEL_DB_CHECK_FAMILY(SqlDbMarkReportDesc);

class SqlDbMarkReport_t2 : public KelDBSchema<SqlDbMarkReportDesc> {};

class SqlDbMarkReport : public KelDBRecord<SqlDbMarkReportDesc, SqlDbMarkReport_t2> {
public:
    using KelDBRecord::KelDBRecord;
    int setValues(int tesselId, int instanceId) {
        return formatBatch(
            "SET NOCOUNT ON \n declare @tesselid integer \n set @tesselid = %d \n"
            " declare @sid integer \n set @sid = %d \n"
            " select n.id, n.tesselid, n.sqldatabaseid, n.name, n.description, n.lsn, n.marktime"
            " from sqllogmarknames n, sqlserver s, sqldatabase d \n"
            "\twhere s.tesselid = @tesselid and s.instanceid = @sid and s.tesselid = d.tesselid"
            " and s.instanceid = d.sqlserverid and d.tesselid = n.tesselid and d.backupsetid = n.sqldatabaseid \n"
            "\torder by n.name, n.marktime desc, n.sqldatabaseid desc \n"
            "\tSET NOCOUNT OFF",
            tesselId, instanceId);
    }
};
