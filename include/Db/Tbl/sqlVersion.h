// Table sqlVersion: one row per SQL Server (type 1) and tape-format (type 2) versions, once per Tessel.
#pragma once

#include <cstdint>

#include "Db/KelDBRecord.h"

struct SqlVersion_t {
    int32_t id = 0;
    int32_t tesselId = 0;
    int32_t type = 0;
    int32_t major = 0;
    int32_t minor = 0;
    int32_t build = 0;
};

struct SqlVersionDesc {
    using Row = SqlVersion_t;
    static constexpr DBColumn columns[] = {
        KEL_DB_COLUMN(Row, id, "i"),
        KEL_DB_COLUMN(Row, tesselId, "i"),
        KEL_DB_COLUMN(Row, type, "i"),
        KEL_DB_COLUMN(Row, major, "i"),
        KEL_DB_COLUMN(Row, minor, "i"),
        KEL_DB_COLUMN(Row, build, "i"),
    };
    static constexpr const char* keys[] = {"id"};
    static constexpr DBColumnLayout layout = KEL_DB_TABLE_LAYOUT(SqlVersion, 0, "id");
    static constexpr KelDBFamily family = KEL_DB_TABLE_FAMILY_NOFK(sqlVersion, SqlVersion, "1.3.304.1", 0);
};
KEL_DB_CHECK_FAMILY(SqlVersionDesc);

class SqlVersion_t2 : public KelDBSchema<SqlVersionDesc> {};

class SqlVersion : public KelDBRecord<SqlVersionDesc, SqlVersion_t2> {
public:
    using KelDBRecord::KelDBRecord;
    // The inserting caller fills a row and hands it over whole.
    void setValues(SqlVersion_t* row) {
        if (row) *getDataPtr() = *row;
    }
};
