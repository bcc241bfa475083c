// Cursor sqlBSVersion: the SQL Server version a backup set was written with.
#pragma once

#include <cstdint>

#include "Db/KelDBRecord.h"

struct SqlBSVersion_t {
    int32_t id = 0;
    int32_t major = 0;
    int32_t minor = 0;
    int32_t build = 0;
};

struct SqlBSVersionDesc {
    using Row = SqlBSVersion_t;
    static constexpr DBColumn columns[] = {
        KEL_DB_COLUMN(Row, id, "i"),
        KEL_DB_COLUMN(Row, major, "i"),
        KEL_DB_COLUMN(Row, minor, "i"),
        KEL_DB_COLUMN(Row, build, "i"),
    };
    static constexpr DBColumnLayout layout = KEL_DB_CURSOR_LAYOUT(SqlBSVersion);
    static constexpr KelDBFamily family = KEL_DB_CURSOR_FAMILY(sqlBSVersion, SqlBSVersion, 386);
};
KEL_DB_CHECK_FAMILY(SqlBSVersionDesc);

class SqlBSVersion_t2 : public KelDBSchema<SqlBSVersionDesc> {};

class SqlBSVersion : public KelDBRecord<SqlBSVersionDesc, SqlBSVersion_t2> {
public:
    using KelDBRecord::KelDBRecord;
    int setValues(int sqlBackupSetId) {
        return formatBatch(
            "SET NOCOUNT ON \n declare @bsid integer \n set @bsid = %d \n"
            " select v.id, v.major, v.minor, v.build from sqlVersion v, sqlBackupSet b \n"
            "\twhere b.id = @bsid and b.sqlVersionId = v.id \n"
            "\tSET NOCOUNT OFF",
            sqlBackupSetId);
    }
};
