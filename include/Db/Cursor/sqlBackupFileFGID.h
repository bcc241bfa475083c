// Cursor sqlBackupFileFGID: the file group of the live file with a logical name
// in the database of a backup set.
#pragma once

#include <cstdint>

#include "Db/KelDBRecord.h"

struct SqlBackupFileFGID_t {
    int32_t fgid = 0;
};

struct SqlBackupFileFGIDDesc {
    using Row = SqlBackupFileFGID_t;
    static constexpr DBColumn columns[] = {
        KEL_DB_COLUMN(Row, fgid, "i"),
    };
    static constexpr DBColumnLayout layout = KEL_DB_CURSOR_LAYOUT(SqlBackupFileFGID);
    static constexpr KelDBFamily family = KEL_DB_CURSOR_FAMILY(sqlBackupFileFGID, SqlBackupFileFGID, 359);
};
KEL_DB_CHECK_FAMILY(SqlBackupFileFGIDDesc);

class SqlBackupFileFGID_t2 : public KelDBSchema<SqlBackupFileFGIDDesc> {};

class SqlBackupFileFGID : public KelDBRecord<SqlBackupFileFGIDDesc, SqlBackupFileFGID_t2> {
public:
    using KelDBRecord::KelDBRecord;
    // The whole name is compared: it goes in as one literal.
    int setValues(int sqlBackupSetId, char const* logicalName) {
        return formatBatch(
            "SET NOCOUNT ON \n declare @inbsid integer \n set @inbsid = %d \n"
            " declare @inln char(128) \n set @inln = %s \n"
            " select sqlfile.sqlFileGroupId from sqlfilegroup, sqlfile, sqlbackupset \n"
            "\twhere sqlbackupset.id = @inbsid and sqlbackupset.sqldatabaseid = sqlfilegroup.sqldatabaseid"
            " and sqlfilegroup.removaltime = 0 and sqlfile.sqlfilegroupid = sqlfilegroup.id"
            " and sqlfile.logicalname = @inln and sqlfile.removaltime = 0 \n"
            "\tSET NOCOUNT OFF",
            sqlBackupSetId, kel::sql::quoted(logicalName ? logicalName : "").c_str());
    }
};
