// Cursor sqlBackupFileLogUpdate: for a log backup set, records every live file
// of the database's file groups (groupId not 0) as a backup file of the set;
// answers rc 1 on success, 0 when the set is no log backup or a step failed.
#pragma once

#include <cstdint>

#include "Db/KelDBRecord.h"

struct SqlBackupFileLogUpdate_t {
    int32_t rc = 0;
};

struct SqlBackupFileLogUpdateDesc {
    using Row = SqlBackupFileLogUpdate_t;
    static constexpr DBColumn columns[] = {
        KEL_DB_COLUMN(Row, rc, "i"),
    };
    static constexpr DBColumnLayout layout = KEL_DB_CURSOR_LAYOUT(SqlBackupFileLogUpdate);
    static constexpr KelDBFamily family = KEL_DB_CURSOR_FAMILY(sqlBackupFileLogUpdate, SqlBackupFileLogUpdate, 399);
};
KEL_DB_CHECK_FAMILY(SqlBackupFileLogUpdateDesc);

class SqlBackupFileLogUpdate_t2 : public KelDBSchema<SqlBackupFileLogUpdateDesc> {};

class SqlBackupFileLogUpdate : public KelDBRecord<SqlBackupFileLogUpdateDesc, SqlBackupFileLogUpdate_t2> {
public:
    using KelDBRecord::KelDBRecord;
    static constexpr const char* kBatch =
        "SET NOCOUNT ON\n"
        "declare @rc integer, @ic integer, @id integer, @ib integer, @bt integer\n"
        "declare @tid integer, @fgid integer, @fid integer, @ln nvarchar(128), @pn nvarchar(260)\n"
        "set @rc=1\n set @ic=%d\n set @id=%d\n set @ib=%d\n set @bt=0\n"
        "select @bt=backuptype from sqllsns where sqlbackupsetid=@ib and backupType=76\n"
        "if @bt = 0 begin set @rc = 0 goto done end\n"
        "declare BFLU cursor for\n"
        "  select g.tesselId, f.sqlFileGroupId, f.fileId, f.logicalname, f.physicalname\n"
        "  from sqlFileGroup g, sqlFile f\n"
        "  where g.tesselId=@ic and g.sqlDatabaseId=@id and g.groupId != 0 and g.Id=f.sqlFileGroupId\n"
        "    and f.removalTime=0 order by f.id\n"
        "if @@ERROR <> 0 begin set @rc = 0 goto done end\n"
        "open BFLU\n"
        "if @@ERROR <> 0 begin set @rc = 0 goto done end\n"
        "fetch next from BFLU into @tid, @fgid, @fid, @ln, @pn\n"
        "if @@ERROR <> 0 begin set @rc = 0 goto closing end\n"
        "while @@FETCH_STATUS = 0\n"
        "begin\n"
        "  insert into sqlBackupFile values (@tid, @fgid, @ib, @fid, @pn, @ln, substring(@pn,1,3), 0, 0, 68)\n"
        "  if @@ERROR <> 0 begin set @rc = 0 goto closing end\n"
        "  fetch next from BFLU into @tid, @fgid, @fid, @ln, @pn\n"
        "  if @@ERROR <> 0 begin set @rc = 0 goto closing end\n"
        "end\n"
        "closing:\n"
        "close BFLU\n"
        "deallocate BFLU\n"
        "done:\n"
        "SET NOCOUNT OFF\n"
        "select @rc";

    int setValues(int tesselId, int sqlDatabaseId, int sqlBackupSetId) {
        return formatBatch(kBatch, tesselId, sqlDatabaseId, sqlBackupSetId);
    }
};
