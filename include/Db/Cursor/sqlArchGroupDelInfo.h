// Cursor sqlArchGroupDelInfo: every backup set recorded on an archive group,
// with its database, instance, client and host, by client. Every join also
// matches the Tessel.
#pragma once

#include <cstdint>

#include "Db/KelDBRecord.h"

struct SqlArchGroupDelInfo_t {
    int32_t clientid = 0;
    int32_t sqlserverid = 0;
    int32_t sqldatabaseid = 0;
    int32_t sqlbackupsetid = 0;
    char clienthostname[257] = {};

    // Collected in lists by value: the host name is copied bounded by its field.
    SqlArchGroupDelInfo_t() = default;
    SqlArchGroupDelInfo_t(const SqlArchGroupDelInfo_t& other) { *this = other; }
    SqlArchGroupDelInfo_t& operator=(const SqlArchGroupDelInfo_t& other);
};

struct SqlArchGroupDelInfoDesc {
    using Row = SqlArchGroupDelInfo_t;
    static constexpr DBColumn columns[] = {
        KEL_DB_COLUMN(Row, clientid, "i"),
        KEL_DB_COLUMN(Row, sqlserverid, "i"),
        KEL_DB_COLUMN(Row, sqldatabaseid, "i"),
        KEL_DB_COLUMN(Row, sqlbackupsetid, "i"),
        KEL_DB_COLUMN(Row, clienthostname, "s257"),
    };
    static constexpr DBColumnLayout layout = KEL_DB_CURSOR_LAYOUT(SqlArchGroupDelInfo);
    static constexpr KelDBFamily family = KEL_DB_CURSOR_FAMILY(sqlArchGroupDelInfo, SqlArchGroupDelInfo, 408);
};
KEL_DB_CHECK_FAMILY(SqlArchGroupDelInfoDesc);

class SqlArchGroupDelInfo_t2 : public KelDBSchema<SqlArchGroupDelInfoDesc> {};

class SqlArchGroupDelInfo : public KelDBRecord<SqlArchGroupDelInfoDesc, SqlArchGroupDelInfo_t2> {
public:
    using KelDBRecord::KelDBRecord;
    int setValues(int tesselId, int archGroupId) {
        return formatBatch(
            "SET NOCOUNT ON \n declare @tesselid integer \n set @tesselid = %d \n"
            " declare @agid integer \n set @agid = %d \n"
            " select distinct app.clientid, s.instanceid, d.backupsetid, a.sqlBackupSetId, c.net_hostname"
            " from APP_Client c, APP_Application app, sqlServer s, sqlDatabase d, sqlbackupset bs, sqlarchiveset a \n"
            "\twhere a.tesselid = @tesselid and a.archivegroup = @agid and a.sqlbackupsetid = bs.id"
            " and a.tesselid = bs.tesselid and bs.sqlDatabaseid = d.backupsetid and bs.tesselid = d.tesselid"
            " and d.sqlserverid = s.instanceid and d.tesselid = s.tesselid and s.instanceid = app.instance"
            " and app.tesselid = s.tesselid and app.clientid = c.id and c.tesselid = app.tesselid \n"
            "\torder by app.clientid \n"
            "\tSET NOCOUNT OFF",
            tesselId, archGroupId);
    }
};
