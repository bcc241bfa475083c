// Cursor sqlGetBackupSetsToPrune: the backup sets whose archive file has no
// copy left at all, with the client and Tessel.
#pragma once

#include <cstdint>

#include "Db/KelDBRecord.h"

struct SqlGetBackupSetsToPrune_t {
    int32_t backupSetId = 0;
    int32_t clientId = 0;
    int32_t tesselId = 0;
};

struct SqlGetBackupSetsToPruneDesc {
    using Row = SqlGetBackupSetsToPrune_t;
    static constexpr DBColumn columns[] = {
        KEL_DB_COLUMN(Row, backupSetId, "i"),
        KEL_DB_COLUMN(Row, clientId, "i"),
        KEL_DB_COLUMN(Row, tesselId, "i"),
    };
    static constexpr DBColumnLayout layout = KEL_DB_CURSOR_LAYOUT(SqlGetBackupSetsToPrune);
    static constexpr KelDBFamily family = KEL_DB_CURSOR_FAMILY(sqlGetBackupSetsToPrune, SqlGetBackupSetsToPrune, 375);
};
KEL_DB_CHECK_FAMILY(SqlGetBackupSetsToPruneDesc);

class SqlGetBackupSetsToPrune_t2 : public KelDBSchema<SqlGetBackupSetsToPruneDesc> {};

class SqlGetBackupSetsToPrune : public KelDBRecord<SqlGetBackupSetsToPruneDesc, SqlGetBackupSetsToPrune_t2> {
public:
    using KelDBRecord::KelDBRecord;
    int setValues() {
        return formatBatch(
            "SET NOCOUNT ON \n"
            " select distinct sqlBackupSetId, clientID, sqlArchiveSet.tesselId"
            " from sqlBackupSet, sqlArchiveSet, sqlDatabase, sqlServer \n"
            "\twhere sqlArchiveSet.archiveFile NOT IN (select archFileId from archFileCopy)"
            " and sqlBackupSet.id = sqlArchiveSet.sqlBackupSetId and sqlDatabase.backupsetId = sqlBackupSet.sqlDatabaseId"
            " and sqlServer.instanceId = sqlDatabase.sqlServerId \n"
            "\tSET NOCOUNT OFF");
    }
};
