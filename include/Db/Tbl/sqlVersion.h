// Table sqlVersion: one row per SQL Server (type 1) and tape-format (type 2) versions, once per Tessel.
#pragma once

#include <cstdint>

#include "Db/KelDBRecord.h"

#define KEL_SQLVERSION_COLUMNS(X) \
    X(INT, id)                    \
    X(INT, tesselId)              \
    X(INT, type)                  \
    X(INT, major)                 \
    X(INT, minor)                 \
    X(INT, build)

struct SqlVersion_t {
    KEL_SQLVERSION_COLUMNS(KEL_DB_FIELD)
};

struct SqlVersionDesc {
    using Row = SqlVersion_t;
    static constexpr DBColumn columns[] = {KEL_SQLVERSION_COLUMNS(KEL_DB_TABLE_COLUMN)};
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
