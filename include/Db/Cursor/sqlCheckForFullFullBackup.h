// Cursor sqlCheckForFullFullBackup: one row when an instance (dbId 0) or a
// database (dbId set; id is then not used) has a full backup (type 68 or 100)
// finished by a point in time; no row otherwise.
#pragma once

#include <cstdint>
#include <string>

#include "Db/KelDBDateLiteral.h"
#include "Db/KelDBRecord.h"

struct SqlCheckForFullFullBackup_t {
    int32_t found = 0;
};

struct SqlCheckForFullFullBackupDesc {
    using Row = SqlCheckForFullFullBackup_t;
    static constexpr DBColumn columns[] = {
        KEL_DB_COLUMN(Row, found, "i"),
    };
    static constexpr DBColumnLayout layout = KEL_DB_CURSOR_LAYOUT(SqlCheckForFullFullBackup);
    static constexpr KelDBFamily family = KEL_DB_CURSOR_FAMILY(sqlCheckForFullFullBackup, SqlCheckForFullFullBackup, 383);
};
KEL_DB_CHECK_FAMILY(SqlCheckForFullFullBackupDesc);

class SqlCheckForFullFullBackup_t2 : public KelDBSchema<SqlCheckForFullFullBackupDesc> {};

class SqlCheckForFullFullBackup : public KelDBRecord<SqlCheckForFullFullBackupDesc, SqlCheckForFullFullBackup_t2> {
public:
    using KelDBRecord::KelDBRecord;
    int setValues(int id, const char* dt, int ut, int dbId, int tombStone) {
        return formatBatch(
            KEL_DB_AT_TIME_DECLARES
            " declare @dbId integer \n set @dbId = %d \n declare @tombStone integer \n set @tombStone = %d \n"
            " IF @dbId = 0 \n BEGIN \n"
            " select top 1 sqlserver.instanceId from sqlserver, sqlbackupset, sqldatabase, sqllsns, sqlArchiveSet \n"
            "\twhere sqlserver.instanceid = @id"
            " and (sqlserver.removaltime = 0 or (sqlserver.removaltime >= @ut and sqlserver.addtime <= @ut))"
            " and sqlserver.instanceid = sqldatabase.sqlserverid and sqldatabase.backupsetid = sqlbackupset.sqldatabaseid"
            " and sqlbackupset.id = sqllsns.sqlbackupsetid and sqlbackupset.id = sqlArchiveSet.sqlbackupsetid"
            " and sqllsns.sqlDatabaseId = sqldatabase.backupsetid"
            " and sqlArchiveSet.bIsTombStoned <= @tombStone and sqlbackupset.sqlFileSubClientId <= 0"
            " and sqllsns.finishtime <= @dt and (sqllsns.backupType = 68 or sqllsns.backupType = 100) \n"
            " END \n ELSE \n BEGIN \n"
            " select top 1 sqldatabase.backupSetId from sqlserver, sqlbackupset, sqldatabase, sqllsns, sqlArchiveSet \n"
            "\twhere sqldatabase.backupsetid = @dbId and sqlserver.instanceid = sqldatabase.sqlserverid"
            " and (sqlserver.removaltime = 0 or (sqlserver.removaltime >= @ut and sqlserver.addtime <= @ut))"
            " and sqldatabase.backupsetid = sqlbackupset.sqldatabaseid and sqlbackupset.id = sqllsns.sqlbackupsetid"
            " and sqllsns.sqlDatabaseId = sqldatabase.backupsetid"
            " and sqlbackupset.id = sqlArchiveSet.sqlbackupsetid and sqlArchiveSet.bIsTombStoned <= @tombStone"
            " and sqllsns.finishtime <= @dt and (sqllsns.backupType = 68 or sqllsns.backupType = 100) \n"
            " END \n"
            "\tSET NOCOUNT OFF",
            id, kel::sql::dateLiteral(dt).c_str(), ut, dbId, tombStone);
    }
};
