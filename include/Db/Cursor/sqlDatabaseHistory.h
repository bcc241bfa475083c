// Cursor sqlDatabaseHistory: a database's backup sets newest first (start
// time, then set id), each with its type and the LSN of the full it is
// based on. Read from one index alone, so that a long history costs its
// own rows and not the pages of every other database's.
#pragma once

#include <cstdint>

#include "Db/KelDBRecord.h"

struct SqlDatabaseHistory_t {
    int32_t sqlBackupSetId = 0;
    int32_t backupType = 0;
    char fullBackupLSN[33] = {};
};

struct SqlDatabaseHistoryDesc {
    using Row = SqlDatabaseHistory_t;
    static constexpr DBColumn columns[] = {
        KEL_DB_COLUMN(Row, sqlBackupSetId, "i"),
        KEL_DB_COLUMN(Row, backupType, "i"),
        KEL_DB_COLUMN(Row, fullBackupLSN, "s33"),
    };
    static constexpr DBColumnLayout layout = KEL_DB_CURSOR_LAYOUT(SqlDatabaseHistory);
    static constexpr KelDBFamily family = KEL_DB_CURSOR_FAMILY(sqlDatabaseHistory, SqlDatabaseHistory, 430);
};
KEL_DB_CHECK_FAMILY(SqlDatabaseHistoryDesc);

class SqlDatabaseHistory_t2 : public KelDBSchema<SqlDatabaseHistoryDesc> {};

class SqlDatabaseHistory : public KelDBRecord<SqlDatabaseHistoryDesc, SqlDatabaseHistory_t2> {
public:
    using KelDBRecord::KelDBRecord;
    int setValues(int sqlDatabaseId) {
        return formatBatch(
            "SET NOCOUNT ON \n declare @indbid integer \n set @indbid = %d \n"
            " select sqlBackupSetId, backupType, fullBackupLSN from sqlLSNs \n"
            "\twhere sqlDatabaseId = @indbid \n"
            "\torder by startTime DESC, sqlBackupSetId DESC \n"
            "\tSET NOCOUNT OFF",
            sqlDatabaseId);
    }
};
