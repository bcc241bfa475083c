// Table sqlFile: one row per file of a file group.
#pragma once

#include <cstdint>

#include "Db/KelDBRecord.h"

struct SqlFile_t {
    int32_t id = 0;
    int32_t tesselId = 0;
    int32_t sqlFileGroupId = 0;
    int32_t fileId = 0;
    char physicalName[261] = {};
    char logicalName[129] = {};
    int32_t size = 0;
    int32_t maxSize = 0;
    int32_t addTime = 0;
    int32_t removalTime = 0;
    int32_t deleteFlag = 0;
};

struct SqlFileDesc {
    using Row = SqlFile_t;
    static constexpr DBColumn columns[] = {
        KEL_DB_COLUMN(Row, id, "i"),
        KEL_DB_COLUMN(Row, tesselId, "i"),
        KEL_DB_COLUMN(Row, sqlFileGroupId, "i"),
        KEL_DB_COLUMN(Row, fileId, "i"),
        KEL_DB_COLUMN(Row, physicalName, "s261"),
        KEL_DB_COLUMN(Row, logicalName, "s129"),
        KEL_DB_COLUMN(Row, size, "i"),
        KEL_DB_COLUMN(Row, maxSize, "i"),
        KEL_DB_COLUMN(Row, addTime, "i"),
        KEL_DB_COLUMN(Row, removalTime, "i"),
        KEL_DB_COLUMN(Row, deleteFlag, "i"),
    };
    static constexpr const char* keys[] = {"id"};
    static constexpr KelDBForeignKey foreignKeys[] = {
        {"sqlFileGroupId", "sqlFileGroup", "id"},
        {"tesselId", "APP_Tessel", "id"},
    };
    static constexpr DBColumnLayout layout = KEL_DB_TABLE_LAYOUT(SqlFile, 0, "id");
    static constexpr KelDBFamily family = KEL_DB_TABLE_FAMILY(sqlFile, SqlFile, "1.8.304.2", 554);
};
KEL_DB_CHECK_FAMILY(SqlFileDesc);

class SqlFile_t2 : public KelDBSchema<SqlFileDesc> {};

class SqlFile : public KelDBRecord<SqlFileDesc, SqlFile_t2> {
public:
    using KelDBRecord::KelDBRecord;
};
