// The catalogue's tables, created from their record families' descriptions
// when a catalogue is new, before the written schema (platform tables, indexes,
// procedures). A table refers only to tables before it or to platform tables:
// SQLite resolves a foreign key when a row is written.
#include "Db/Tbl/archFile.h"
#include "Db/Tbl/archGroup.h"
#include "Db/Tbl/sqlArchiveSet.h"
#include "Db/Tbl/sqlBackupFile.h"
#include "Db/Tbl/sqlBackupSet.h"
#include "Db/Tbl/sqlDatabase.h"
#include "Db/Tbl/sqlFile.h"
#include "Db/Tbl/sqlFileGroup.h"
#include "Db/Tbl/sqlFileRename.h"
#include "Db/Tbl/sqlFileSubClient.h"
#include "Db/Tbl/sqlFileSubClientGroup.h"
#include "Db/Tbl/sqlLSNs.h"
#include "Db/Tbl/sqlLogMarkNames.h"
#include "Db/Tbl/sqlRestoreData.h"
#include "Db/Tbl/sqlRestoreTask.h"
#include "Db/Tbl/sqlServer.h"
#include "Db/Tbl/sqlVersion.h"
#include "platform/db/DBTableSchema.h"

const DBTableSchema kKelCatalogueTables[] = {
    KEL_DB_TABLE_SCHEMA(ArchGroupDesc),
    KEL_DB_TABLE_SCHEMA(ArchFileDesc),
    KEL_DB_TABLE_SCHEMA(SqlVersionDesc),
    KEL_DB_TABLE_SCHEMA(SqlServerDesc),
    KEL_DB_TABLE_SCHEMA(SqlDatabaseDesc),
    KEL_DB_TABLE_SCHEMA(SqlFileGroupDesc),
    KEL_DB_TABLE_SCHEMA(SqlFileDesc),
    KEL_DB_TABLE_SCHEMA(SqlFileSubClientDesc),
    KEL_DB_TABLE_SCHEMA(SqlFileSubClientGroupDesc),
    KEL_DB_TABLE_SCHEMA(SqlBackupSetTableDesc),
    KEL_DB_TABLE_SCHEMA(SqlBackupFileDesc),
    KEL_DB_TABLE_SCHEMA(SqlArchiveSetDesc),
    KEL_DB_TABLE_SCHEMA(SqlLSNsDesc),
    KEL_DB_TABLE_SCHEMA(SqlLogMarkNamesDesc),
    KEL_DB_TABLE_SCHEMA(SqlRestoreTaskDesc),
    KEL_DB_TABLE_SCHEMA(SqlRestoreDataDesc),
    KEL_DB_TABLE_SCHEMA(SqlFileRenameDesc),
};
const int kKelCatalogueTableCount = int(sizeof(kKelCatalogueTables) / sizeof(kKelCatalogueTables[0]));
