// Row structs that callers keep in lists by value. Every text is copied
// within its field (a full field of the source stays terminated in the copy).
#include <cstring>

#include "Db/Cursor/sqlArchGroupDelInfo.h"
#include "Db/Tbl/sqlLSNs.h"
#include "Db/Tbl/sqlRestoreTask.h"
#include "platform/util/BoundedCopy.h"

namespace {

template <size_t N>
void copyText(char (&dst)[N], const char (&src)[N]) {
    kel::boundedCopy(dst, N, src, N);
}

}  // namespace

SqlRestoreTask_t& SqlRestoreTask_t::operator=(const SqlRestoreTask_t& o) {
    if (this == &o) return *this;
    id = o.id;
    restoreType = o.restoreType;
    sqlBackupSetId = o.sqlBackupSetId;
    restoreTime = o.restoreTime;
    percentage = o.percentage;
    copyText(undoFile, o.undoFile);
    copyText(restoreUser, o.restoreUser);
    copyText(restorePassword, o.restorePassword);
    sqlDatabaseId = o.sqlDatabaseId;
    restoreFlags = o.restoreFlags;
    sqlRestoreDataId = o.sqlRestoreDataId;
    sqlServerId = o.sqlServerId;
    copyText(databaseName, o.databaseName);
    next = o.next;
    systemFlags = o.systemFlags;
    archiveCopyId = o.archiveCopyId;
    copyText(stopMarkName, o.stopMarkName);
    return *this;
}

SqlLSNs_t& SqlLSNs_t::operator=(const SqlLSNs_t& o) {
    if (this == &o) return *this;
    sqlBackupSetId = o.sqlBackupSetId;
    tesselId = o.tesselId;
    sqlDatabaseId = o.sqlDatabaseId;
    startTime = o.startTime;
    finishTime = o.finishTime;
    backupType = o.backupType;
    copyText(firstLSN, o.firstLSN);
    copyText(lastLSN, o.lastLSN);
    copyText(checkpointLSN, o.checkpointLSN);
    copyText(fullBackupLSN, o.fullBackupLSN);
    return *this;
}

SqlArchGroupDelInfo_t& SqlArchGroupDelInfo_t::operator=(const SqlArchGroupDelInfo_t& o) {
    if (this == &o) return *this;
    clientid = o.clientid;
    sqlserverid = o.sqlserverid;
    sqldatabaseid = o.sqldatabaseid;
    sqlbackupsetid = o.sqlbackupsetid;
    copyText(clienthostname, o.clienthostname);
    return *this;
}
