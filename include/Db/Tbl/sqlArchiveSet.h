// Table sqlArchiveSet: one media family (stream) of a backup set and the
// archive file that holds it, with its tomb-stone flag.
#pragma once

#include <cstdint>

#include "Db/KelDBRecord.h"

struct SqlArchiveSet_t {
    int32_t id = 0;
    int32_t tesselId = 0;
    int32_t sqlBackupSetId = 0;
    int32_t mediaSetId = 0;
    int32_t sequenceNumber = 0;
    int32_t archiveGroup = 0;
    int32_t archiveFile = 0;
    int32_t bIsTombstoned = 0;
};

struct SqlArchiveSetDesc {
    using Row = SqlArchiveSet_t;
    static constexpr DBColumn columns[] = {
        KEL_DB_COLUMN(Row, id, "i"),
        KEL_DB_COLUMN(Row, tesselId, "i"),
        KEL_DB_COLUMN(Row, sqlBackupSetId, "i"),
        KEL_DB_COLUMN(Row, mediaSetId, "i"),
        KEL_DB_COLUMN(Row, sequenceNumber, "i"),
        KEL_DB_COLUMN(Row, archiveGroup, "i"),
        KEL_DB_COLUMN(Row, archiveFile, "i"),
        KEL_DB_COLUMN(Row, bIsTombstoned, "i"),
    };
    static constexpr const char* keys[] = {"id"};
    static constexpr KelDBForeignKey foreignKeys[] = {
        {"sqlBackupSetId", "sqlBackupSet", "id"},
        {"tesselId", "APP_Tessel", "id"},
    };
    static constexpr DBColumnLayout layout = KEL_DB_TABLE_LAYOUT(SqlArchiveSet, 0, "id");
    static constexpr KelDBFamily family = KEL_DB_TABLE_FAMILY(sqlArchiveSet, SqlArchiveSet, "1.9.304.1", 519);
};
KEL_DB_CHECK_FAMILY(SqlArchiveSetDesc);

class SqlArchiveSet_t2 : public KelDBSchema<SqlArchiveSetDesc> {};

class SqlArchiveSet : public KelDBRecord<SqlArchiveSetDesc, SqlArchiveSet_t2> {
public:
    using KelDBRecord::KelDBRecord;
};
