// Table sqlArchiveSet: one media family (stream) of a backup set and the
// archive file that holds it, with its tomb-stone flag.
#pragma once

#include <cstdint>

#include "Db/KelDBRecord.h"

#define KEL_SQLARCHIVESET_COLUMNS(X) \
    X(INT, id)                       \
    X(INT, tesselId)                 \
    X(INT, sqlBackupSetId)           \
    X(INT, mediaSetId)               \
    X(INT, sequenceNumber)           \
    X(INT, archiveGroup)             \
    X(INT, archiveFile)              \
    X(INT, bIsTombstoned)

struct SqlArchiveSet_t {
    KEL_SQLARCHIVESET_COLUMNS(KEL_DB_FIELD)
};

struct SqlArchiveSetDesc {
    using Row = SqlArchiveSet_t;
    static constexpr DBColumn columns[] = {KEL_SQLARCHIVESET_COLUMNS(KEL_DB_TABLE_COLUMN)};
    static constexpr const char* keys[] = {"id"};
    static constexpr KelDBForeignKey foreignKeys[] = {
        {"sqlBackupSetId", "sqlBackupSet", "id"},
        {"tesselId", "APP_Tessel", "id"},
    };
    static constexpr DBColumnLayout layout = KEL_DB_TABLE_LAYOUT(SqlArchiveSet, 0, "id");
    static constexpr KelDBFamily family = KEL_DB_TABLE_FAMILY(sqlArchiveSet, SqlArchiveSet, "1.9.304.1", 519);
};
KEL_DB_TABLE_RECORD(SqlArchiveSet, SqlArchiveSetDesc);
