// Table sqlFileSubClient: one row per file subclient of a database; flags bit 0 logically deleted, bit 1 next backup full.
#pragma once

#include <cstdint>

#include "Db/KelDBRecord.h"

#define KEL_SQLFILESUBCLIENT_COLUMNS(X) \
    X(INT, id)                          \
    X(INT, tesselId)                    \
    X(INT, sqlDatabaseId)               \
    X(INT, applicationNumber)           \
    X(TEXT, subClientName, 129)         \
    X(INT, streams)                     \
    X(INT, maxStreams)                  \
    X(INT, flags)                       \
    X(INT, sqlFileSubClientGroupId)

struct SqlFileSubClient_t {
    KEL_SQLFILESUBCLIENT_COLUMNS(KEL_DB_FIELD)
};

struct SqlFileSubClientDesc {
    using Row = SqlFileSubClient_t;
    static constexpr DBColumn columns[] = {KEL_SQLFILESUBCLIENT_COLUMNS(KEL_DB_TABLE_COLUMN)};
    static constexpr const char* keys[] = {"id"};
    static constexpr KelDBForeignKey foreignKeys[] = {
        {"tesselId", "APP_Tessel", "id"},
        {"sqlDatabaseId", "sqlDatabase", "backupSetId"},
    };
    static constexpr DBColumnLayout layout = KEL_DB_TABLE_LAYOUT(SqlFileSubClient, 0, "id");
    static constexpr KelDBFamily family = KEL_DB_TABLE_FAMILY(sqlFileSubClient, SqlFileSubClient, "1.9.304.2", 532);
};
KEL_DB_TABLE_RECORD(SqlFileSubClient, SqlFileSubClientDesc);
