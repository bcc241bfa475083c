// Table sqlServer: one row per instance of SQL Server of a client, keyed on the platform's instance id.
#pragma once

#include <cstdint>

#include "Db/KelDBRecord.h"

// The password columns hold a password of up to 511 characters sealed
// (KelPassword::encryptedLength(511) characters).
#define KEL_SQLSERVER_COLUMNS(X) \
    X(INT, instanceId)           \
    X(INT, tesselId)             \
    X(TEXT, serverName, 129)     \
    X(INT, sqlVersionId)         \
    X(TEXT, sa, 129)             \
    X(TEXT, saPassword, 737)     \
    X(TEXT, undoFile, 1025)      \
    X(INT, addTime)              \
    X(INT, removalTime)          \
    X(INT, deleteFlag)           \
    X(TEXT, sqlNTAccount, 257)   \
    X(TEXT, sqlNTPassword, 737)  \
    X(TEXT, sqlServiceName, 257) \
    X(INT, flags)                \
    X(INT, clientId)

struct SqlServer_t {
    KEL_SQLSERVER_COLUMNS(KEL_DB_FIELD)
};

struct SqlServerDesc {
    using Row = SqlServer_t;
    static constexpr DBColumn columns[] = {KEL_SQLSERVER_COLUMNS(KEL_DB_TABLE_COLUMN)};
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
KEL_DB_TABLE_RECORD(SqlServer, SqlServerDesc);
