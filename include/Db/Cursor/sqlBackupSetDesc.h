// Cursor sqlBackupSetDesc: the backup sets of a database with their finish
// times, latest first.
#pragma once

#include <cstdint>

#include "Db/KelDBRecord.h"

struct SqlBackupSetDesc_t {
    int32_t bsid = 0;
    DB_DATETIME finishTime;
};

struct SqlBackupSetDescDesc {
    using Row = SqlBackupSetDesc_t;
    static constexpr DBColumn columns[] = {
        KEL_DB_COLUMN(Row, bsid, "i"),
        KEL_DB_COLUMN(Row, finishTime, "t"),
    };
    static constexpr DBColumnLayout layout = KEL_DB_CURSOR_LAYOUT(SqlBackupSetDesc);
    static constexpr KelDBFamily family = KEL_DB_CURSOR_FAMILY(sqlBackupSetDesc, SqlBackupSetDesc, 362);
};
KEL_DB_CHECK_FAMILY(SqlBackupSetDescDesc);

class SqlBackupSetDesc_t2 : public KelDBSchema<SqlBackupSetDescDesc> {};

class SqlBackupSetDesc : public KelDBRecord<SqlBackupSetDescDesc, SqlBackupSetDesc_t2> {
public:
    using KelDBRecord::KelDBRecord;
    int setValues(int sqlDatabaseId) {
        return formatBatch(
            "SET NOCOUNT ON \n declare @indbid integer \n set @indbid = %d \n"
            " select sqlBackupSet.backupSetId, sqlLSNs.finishTime from sqlBackupSet, sqlLSNs \n"
            "\twhere sqlBackupSet.sqlDatabaseId = @indbid and sqlBackupSet.id = sqlLSNs.sqlBackupSetId \n"
            "\torder by sqlLSNs.finishTime DESC, sqlLSNs.sqlBackupSetId DESC \n"
            "\tSET NOCOUNT OFF",
            sqlDatabaseId);
    }
};
