// Cursor sqlTombStoneSQLBackups: marks every archive set whose archive file
// has no copy with flag bit 256 clear, and answers how many it marked
// (already marked ones again).
#pragma once

#include <cstdint>

#include "Db/KelDBRecord.h"

struct SqlTombStoneSQLBackups_t {
    int32_t found = 0;
};

struct SqlTombStoneSQLBackupsDesc {
    using Row = SqlTombStoneSQLBackups_t;
    static constexpr DBColumn columns[] = {
        KEL_DB_COLUMN(Row, found, "i"),
    };
    static constexpr DBColumnLayout layout = KEL_DB_CURSOR_LAYOUT(SqlTombStoneSQLBackups);
    static constexpr KelDBFamily family = KEL_DB_CURSOR_FAMILY(sqlTombStoneSQLBackups, SqlTombStoneSQLBackups, 354);
};
KEL_DB_CHECK_FAMILY(SqlTombStoneSQLBackupsDesc);

class SqlTombStoneSQLBackups_t2 : public KelDBSchema<SqlTombStoneSQLBackupsDesc> {};

class SqlTombStoneSQLBackups : public KelDBRecord<SqlTombStoneSQLBackupsDesc, SqlTombStoneSQLBackups_t2> {
public:
    using KelDBRecord::KelDBRecord;
    // The argument is declared but read by no statement.
    int setValues(int id) {
        return formatBatch(
            "SET NOCOUNT ON \n declare @id integer \n set @id = %d \n"
            " update sqlArchiveSet set bIsTombStoned = 1 \n"
            "\twhere ArchiveFile NOT IN (select archFileId from archFileCopy where (flags & 256) = 0) \n"
            " select @@rowcount \n"
            "\tSET NOCOUNT OFF",
            id);
    }
};
