// KelSQLServerBrowse::getDatabaseListForSelectiveCopy: which full database
// backups the archive holds at a time, followed from the archive file that
// archFileByTime names to its archive set, backup set and LSN row. Reads
// without a transaction and apart from the point-in-time browse.
#include <string>

#include "BrowseSupport.h"
#include "Db/Cursor/sqlDatabaseList.h"
#include "Db/Proc/archFileByTime.h"
#include "Db/Tbl/sqlArchiveSet.h"
#include "Db/Tbl/sqlBackupFile.h"
#include "Db/Tbl/sqlDatabase.h"
#include "Db/Tbl/sqlFile.h"
#include "Db/Tbl/sqlLSNs.h"
#include "KelSQL/KelSQLServerBrowse.h"
#include "platform/db/SqlText.h"

using kelsql::browse::catalogueError;
using kelsql::browse::column;

namespace {

constexpr int kFullBackup = 68;
constexpr int kSnapshotFullBackup = 100;

// The first row of the record's cursor, read and closed.
int firstRow(DBtable& record) {
    int code = record.openCursor();
    if (code == 0) code = record.fetchCursor(true);
    record.closeCursor();
    return code;
}

// The catalogue ids of every database of an instance, names ascending; false
// when they cannot be read.
bool configuredDatabases(unsigned long sqlServerId, std::vector<unsigned long>& ids) {
    SqlDatabaseList list(nullptr);
    list.setValues(static_cast<int>(sqlServerId));
    int code = list.openCursor();
    while (code == 0 && (code = list.fetchCursor(true)) == 0) ids.push_back(column(list.getDataPtr()->sqldbid));
    list.closeCursor();
    return code == 100;
}

}  // namespace

std::vector<KelSQLDatabaseForSelectiveCopy>* KelSQLServerBrowse::getDatabaseListForSelectiveCopy(
    unsigned long, unsigned long sqlServerId, unsigned long sqlDatabaseId, unsigned long browseTime,
    unsigned long procedureArgument, bool withFiles) {
    selectiveCopyList_.clear();
    std::vector<unsigned long> databases;
    if (sqlDatabaseId != 0)
        databases.push_back(sqlDatabaseId);
    else if (sqlServerId == 0 || !configuredDatabases(sqlServerId, databases) || databases.empty())
        return nullptr;
    for (unsigned long id : databases)
        if (selectiveCopyEntry(id, browseTime, procedureArgument, withFiles) < 0) return nullptr;
    return &selectiveCopyList_;
}

int KelSQLServerBrowse::selectiveCopyEntry(unsigned long sqlDatabaseId, unsigned long& browseTime,
                                           unsigned long procedureArgument, bool withFiles) {
    SqlDatabase database(nullptr);
    database.setWhere("backupSetId = %d", static_cast<int>(sqlDatabaseId));
    sqlCode_ = firstRow(database);
    if (sqlCode_ != 0) {
        catalogueError(lastError_, database, sqlCode_);
        return -1;
    }
    const int applicationNumber = database.getDataPtr()->applicationNumber;
    // Every database of one call is examined at the same instant.
    if (browseTime == 0) browseTime = KelSQLDateAndTime().setCurrent();

    ArchFileByTime archive(nullptr);
    archive.setIsolationType(4);
    archive.setValues(0, applicationNumber, 1, static_cast<int>(browseTime), 0, 1,
                      static_cast<int>(procedureArgument), kelsql::browse::tombstoneLimit(), 0, 1);
    int code = archive.openCursor();
    if (code == 0) code = archive.fetchCursor(true);
    archive.closeCursor();
    if (code == 100) return 0;
    if (code != 0) return -1;
    const ArchFileByTime_t file = *archive.getDataPtr();

    KelSQLDatabaseForSelectiveCopy entry;
    SqlArchiveSet archiveSet(nullptr);
    archiveSet.setWhere("tesselId = %d and archiveFile = %d", file.r_tesselId, file.r_afileId);
    if ((code = firstRow(archiveSet)) != 0) {
        catalogueError(lastError_, archiveSet, code);
        return -1;
    }
    entry.sqlBackupSetId = column(archiveSet.getDataPtr()->sqlBackupSetId);

    SqlLSNs lsn(nullptr);
    lsn.setWhere("sqlBackupSetId = %d", static_cast<int>(entry.sqlBackupSetId));
    if ((code = firstRow(lsn)) != 0) {
        catalogueError(lastError_, lsn, code);
        return -1;
    }
    const SqlLSNs_t& backup = *lsn.getDataPtr();
    entry.sqlDatabaseId = column(backup.sqlDatabaseId);
    KelSQLDateAndTime finish;
    finish.setTime(reinterpret_cast<const TIMESTAMP_STRUCT&>(backup.finishTime));
    entry.finishTime = finish.time();
    if (backup.backupType != kFullBackup && backup.backupType != kSnapshotFullBackup) return -1;
    entry.backupType = static_cast<uint64_t>(backup.backupType);

    database.setWhere("backupSetId = %d", backup.sqlDatabaseId);
    if ((code = firstRow(database)) != 0) {
        catalogueError(lastError_, database, code);
        return -1;
    }
    entry.databaseName = database.getDataPtr()->databaseName;
    entry.systemFlags = column(database.getDataPtr()->systemFlags);

    if (withFiles && !selectiveCopyFiles(entry)) return -1;
    selectiveCopyList_.push_back(std::move(entry));
    return 1;
}

// The database files the backup holds: each backup file matched by logical
// name and file group, every matching row taken.
bool KelSQLServerBrowse::selectiveCopyFiles(KelSQLDatabaseForSelectiveCopy& entry) {
    SqlBackupFile backupFiles(nullptr);
    backupFiles.setWhere("sqlBackupSetId = %d", static_cast<int>(entry.sqlBackupSetId));
    int code = backupFiles.openCursor();
    if (code != 0 && code != 100) {
        catalogueError(lastError_, backupFiles, code);
        return false;
    }
    while (code == 0 && (code = backupFiles.fetchCursor(true)) == 0) {
        const SqlBackupFile_t& held = *backupFiles.getDataPtr();
        SqlFile files(nullptr);
        files.setWhere("logicalName = %s and sqlFileGroupId = %d", kel::sql::quoted(held.logicalName).c_str(),
                       held.sqlFileGroupId);
        int fileCode = files.openCursor();
        if (fileCode != 0 && fileCode != 100) {
            catalogueError(lastError_, files, fileCode);
            return false;
        }
        while (fileCode == 0 && (fileCode = files.fetchCursor(true)) == 0) {
            const SqlFile_t& row = *files.getDataPtr();
            KelSQLFileListForSelectiveCopy item;
            item.sqlFileId = column(row.id);
            item.sqlFileGroupId = column(row.sqlFileGroupId);
            item.logicalName = row.logicalName;
            item.physicalName = row.physicalName;
            item.size = static_cast<uint32_t>(row.size);
            item.maxSize = static_cast<uint32_t>(row.maxSize);
            entry.fileList.push_back(std::move(item));
        }
        files.closeCursor();
        if (fileCode != 100) {
            catalogueError(lastError_, files, fileCode);
            return false;
        }
    }
    backupFiles.closeCursor();
    if (code != 100) {
        catalogueError(lastError_, backupFiles, code);
        return false;
    }
    return true;
}
