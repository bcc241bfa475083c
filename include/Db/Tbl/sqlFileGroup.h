// Table sqlFileGroup: one row per file group of a database.
#pragma once

#include <cstdint>

#include "Db/KelDBRecord.h"

struct SqlFileGroup_t {
    int32_t id = 0;
    int32_t tesselId = 0;
    int32_t sqlDatabaseId = 0;
    int32_t applicationNumber = 0;
    int32_t groupId = 0;
    char fileGroupName[129] = {};
    int32_t streams = 0;
    int32_t maxStreams = 0;
    int32_t addTime = 0;
    int32_t removalTime = 0;
    int32_t deleteFlag = 0;
};

struct SqlFileGroupDesc {
    using Row = SqlFileGroup_t;
    static constexpr DBColumn columns[] = {
        KEL_DB_COLUMN(Row, id, "i"),
        KEL_DB_COLUMN(Row, tesselId, "i"),
        KEL_DB_COLUMN(Row, sqlDatabaseId, "i"),
        KEL_DB_COLUMN(Row, applicationNumber, "i"),
        KEL_DB_COLUMN(Row, groupId, "i"),
        KEL_DB_COLUMN(Row, fileGroupName, "s129"),
        KEL_DB_COLUMN(Row, streams, "i"),
        KEL_DB_COLUMN(Row, maxStreams, "i"),
        KEL_DB_COLUMN(Row, addTime, "i"),
        KEL_DB_COLUMN(Row, removalTime, "i"),
        KEL_DB_COLUMN(Row, deleteFlag, "i"),
    };
    static constexpr const char* keys[] = {"id"};
    static constexpr KelDBForeignKey foreignKeys[] = {
        {"sqlDatabaseId", "sqlDatabase", "backupSetId"},
        {"tesselId", "APP_Tessel", "id"},
    };
    static constexpr DBColumnLayout layout = KEL_DB_TABLE_LAYOUT(SqlFileGroup, 0, "id");
    static constexpr KelDBFamily family = KEL_DB_TABLE_FAMILY(sqlFileGroup, SqlFileGroup, "1.8.304.2", 553);
};
KEL_DB_CHECK_FAMILY(SqlFileGroupDesc);

class SqlFileGroup_t2 : public KelDBSchema<SqlFileGroupDesc> {};

class SqlFileGroup : public KelDBRecord<SqlFileGroupDesc, SqlFileGroup_t2> {
public:
    using KelDBRecord::KelDBRecord;
};
