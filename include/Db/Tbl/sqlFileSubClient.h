// Table sqlFileSubClient: one row per file subclient of a database; flags bit 0 logically deleted, bit 1 next backup full.
#pragma once

#include <cstdint>

#include "Db/KelDBRecord.h"

struct SqlFileSubClient_t {
    int32_t id = 0;
    int32_t tesselId = 0;
    int32_t sqlDatabaseId = 0;
    int32_t applicationNumber = 0;
    char subClientName[129] = {};
    int32_t streams = 0;
    int32_t maxStreams = 0;
    int32_t flags = 0;
    int32_t sqlFileSubClientGroupId = 0;
};

struct SqlFileSubClientDesc {
    using Row = SqlFileSubClient_t;
    static constexpr DBColumn columns[] = {
        KEL_DB_COLUMN(Row, id, "i"),
        KEL_DB_COLUMN(Row, tesselId, "i"),
        KEL_DB_COLUMN(Row, sqlDatabaseId, "i"),
        KEL_DB_COLUMN(Row, applicationNumber, "i"),
        KEL_DB_COLUMN(Row, subClientName, "s129"),
        KEL_DB_COLUMN(Row, streams, "i"),
        KEL_DB_COLUMN(Row, maxStreams, "i"),
        KEL_DB_COLUMN(Row, flags, "i"),
        KEL_DB_COLUMN(Row, sqlFileSubClientGroupId, "i"),
    };
    static constexpr const char* keys[] = {"id"};
    static constexpr KelDBForeignKey foreignKeys[] = {
        {"tesselId", "APP_Tessel", "id"},
        {"sqlDatabaseId", "sqlDatabase", "backupSetId"},
    };
    static constexpr DBColumnLayout layout = KEL_DB_TABLE_LAYOUT(SqlFileSubClient, 0, "id");
    static constexpr KelDBFamily family = KEL_DB_TABLE_FAMILY(sqlFileSubClient, SqlFileSubClient, "1.9.304.2", 532);
};
KEL_DB_CHECK_FAMILY(SqlFileSubClientDesc);

class SqlFileSubClient_t2 : public KelDBSchema<SqlFileSubClientDesc> {};

class SqlFileSubClient : public KelDBRecord<SqlFileSubClientDesc, SqlFileSubClient_t2> {
public:
    using KelDBRecord::KelDBRecord;
};
