// Table sqlServer: one row per instance of SQL Server of a client, keyed on the platform's instance id.
#pragma once

#include <cstdint>

#include "Db/KelDBRecord.h"

struct SqlServer_t {
    int32_t instanceId = 0;
    int32_t tesselId = 0;
    char serverName[129] = {};
    int32_t sqlVersionId = 0;
    char sa[129] = {};
    char saPassword[513] = {};
    char undoFile[1025] = {};
    int32_t addTime = 0;
    int32_t removalTime = 0;
    int32_t deleteFlag = 0;
    char sqlNTAccount[257] = {};
    char sqlNTPassword[513] = {};
    char sqlServiceName[257] = {};
    int32_t flags = 0;
    int32_t clientId = 0;
};

struct SqlServerDesc {
    using Row = SqlServer_t;
    static constexpr DBColumn columns[] = {
        KEL_DB_COLUMN(Row, instanceId, "i"),
        KEL_DB_COLUMN(Row, tesselId, "i"),
        KEL_DB_COLUMN(Row, serverName, "s129"),
        KEL_DB_COLUMN(Row, sqlVersionId, "i"),
        KEL_DB_COLUMN(Row, sa, "s129"),
        KEL_DB_COLUMN(Row, saPassword, "s513"),
        KEL_DB_COLUMN(Row, undoFile, "s1025"),
        KEL_DB_COLUMN(Row, addTime, "i"),
        KEL_DB_COLUMN(Row, removalTime, "i"),
        KEL_DB_COLUMN(Row, deleteFlag, "i"),
        KEL_DB_COLUMN(Row, sqlNTAccount, "s257"),
        KEL_DB_COLUMN(Row, sqlNTPassword, "s513"),
        KEL_DB_COLUMN(Row, sqlServiceName, "s257"),
        KEL_DB_COLUMN(Row, flags, "i"),
        KEL_DB_COLUMN(Row, clientId, "i"),
    };
    static constexpr const char* keys[] = {"instanceId"};
    static constexpr KelDBForeignKey foreignKeys[] = {
        {"instanceId", "APP_InstanceName", "id"},
        {"tesselId", "APP_Tessel", "id"},
        {"sqlVersionId", "sqlVersion", "id"},
        {"clientId", "APP_Client", "id"},
    };
    static constexpr DBColumnLayout layout = KEL_DB_TABLE_LAYOUT(SqlServer, -1, "instanceId");
    static constexpr KelDBFamily family = KEL_DB_TABLE_FAMILY(sqlServer, SqlServer, "1.15.304.2", 607);
};
KEL_DB_CHECK_FAMILY(SqlServerDesc);

class SqlServer_t2 : public KelDBSchema<SqlServerDesc> {};

class SqlServer : public KelDBRecord<SqlServerDesc, SqlServer_t2> {
public:
    using KelDBRecord::KelDBRecord;
};
