// Every record family against what its catalogue object is: column names,
// type tokens, row-struct offsets and widths, select list, key, identity and
// foreign keys, the schema row built from them, and the catalogue's DDL.
#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <memory>
#include <set>
#include <tuple>
#include <vector>

#include "Db/Cursor/sql2KFileBkupData.h"
#include "Db/Cursor/sql2KFileGrpBkupData.h"
#include "Db/Cursor/sqlArchGroupDelInfo.h"
#include "Db/Cursor/sqlBSVersion.h"
#include "Db/Cursor/sqlBackupFileFGID.h"
#include "Db/Cursor/sqlBackupFileLogUpdate.h"
#include "Db/Cursor/sqlBackupSetDesc.h"
#include "Db/Cursor/sqlCheckForFullFullBackup.h"
#include "Db/Cursor/sqlDatabaseBkupData.h"
#include "Db/Cursor/sqlDatabaseHistory.h"
#include "Db/Cursor/sqlDatabaseList.h"
#include "Db/Cursor/sqlDbIdFromFileId.h"
#include "Db/Cursor/sqlDbMarkReport.h"
#include "Db/Cursor/sqlFileBkupData.h"
#include "Db/Cursor/sqlFileGroupBkupData.h"
#include "Db/Cursor/sqlFileGroupList.h"
#include "Db/Cursor/sqlFileList.h"
#include "Db/Cursor/sqlGetBackupSetsToPrune.h"
#include "Db/Cursor/sqlGetDBsByFlag.h"
#include "Db/Cursor/sqlServerBkupData.h"
#include "Db/Cursor/sqlTombStoneSQLBackups.h"
#include "Db/Proc/archFileByTime.h"
#include "Db/Proc/simGetVersionOfClient.h"
#include "Db/Tbl/archFile.h"
#include "Db/Tbl/archGroup.h"
#include "Db/Tbl/sqlArchiveSet.h"
#include "Db/Tbl/sqlBackupFile.h"
#include "Db/Tbl/sqlBackupSet.h"
#include "Db/Tbl/sqlFileRename.h"
#include "Db/Tbl/sqlLSNs.h"
#include "Db/Tbl/sqlLogMarkNames.h"
#include "Db/Tbl/sqlVersion.h"
#include "KelSQL/SqlDatabaseTable.h"
#include "KelSQL/SqlFileGroupTable.h"
#include "KelSQL/SqlFileSubClientGroupTable.h"
#include "KelSQL/SqlFileSubClientTable.h"
#include "KelSQL/SqlFileTable.h"
#include "KelSQL/SqlRestoreDataTable.h"
#include "KelSQL/SqlRestoreTaskTable.h"
#include "KelSQL/SqlServerTable.h"
#include "platform/util/BoundedCopy.h"
#include "records/RecordFixture.h"

namespace kel::test {
namespace {

using ForeignKeys = std::set<std::tuple<std::string, std::string, std::string>>;

// What each catalogue object is, written down independently of the headers.
struct Expected {
    std::function<std::unique_ptr<KelDBRecordBase>()> make;
    const char* object;
    int kind;
    const char* columns;           // "name token, ..." in the object's order
    const char* keys = "";         // "a b"
    int identity = -1;             // index of the identity column
    const char* foreignKeys = "";  // "local>table.column ..."
};

template <class R>
std::function<std::unique_ptr<KelDBRecordBase>()> maker() {
    return [] { return std::unique_ptr<KelDBRecordBase>(new R(nullptr)); };
}

const std::vector<Expected>& expectedFamilies() {
    static const std::vector<Expected> all = {
        {maker<SqlServerTable>(), "sqlServer", 1, "instanceId i, tesselId i, serverName s129, sqlVersionId i, "
         "sa s129, saPassword s737, undoFile s1025, addTime i, removalTime i, deleteFlag i, sqlNTAccount s257, "
         "sqlNTPassword s737, sqlServiceName s257, flags i, clientId i", "instanceId", -1,
         "instanceId>APP_InstanceName.id tesselId>APP_Tessel.id sqlVersionId>sqlVersion.id clientId>APP_Client.id"},
        {maker<SqlDatabaseTable>(), "sqlDatabase", 1, "backupSetId i, tesselId i, sqlServerId i, "
         "applicationNumber i, databaseId i, databaseName s129, creationTime t, streams i, maxStreams i, "
         "allowFlags i, addTime i, removalTime i, deleteFlag i, systemFlags i, logStreams i", "backupSetId", -1,
         "backupSetId>APP_BackupSetName.id tesselId>APP_Tessel.id sqlServerId>sqlServer.instanceId"},
        {maker<SqlFileGroupTable>(), "sqlFileGroup", 1, "id i, tesselId i, sqlDatabaseId i, applicationNumber i, "
         "groupId i, fileGroupName s129, streams i, maxStreams i, addTime i, removalTime i, deleteFlag i", "id", 0,
         "sqlDatabaseId>sqlDatabase.backupSetId tesselId>APP_Tessel.id"},
        {maker<SqlFileTable>(), "sqlFile", 1, "id i, tesselId i, sqlFileGroupId i, fileId i, physicalName s261, "
         "logicalName s129, size i, maxSize i, addTime i, removalTime i, deleteFlag i", "id", 0,
         "sqlFileGroupId>sqlFileGroup.id tesselId>APP_Tessel.id"},
        {maker<SqlFileSubClientTable>(), "sqlFileSubClient", 1, "id i, tesselId i, sqlDatabaseId i, "
         "applicationNumber i, subClientName s129, streams i, maxStreams i, flags i, sqlFileSubClientGroupId i", "id",
         0, "tesselId>APP_Tessel.id sqlDatabaseId>sqlDatabase.backupSetId"},
        {maker<SqlFileSubClientGroupTable>(), "sqlFileSubClientGroup", 1, "id i, tesselId i, sqlFileSubClientId i, "
         "sqlFileId i, sqlFileGroupId i, nextId i", "id", 0, "tesselId>APP_Tessel.id "
         "sqlFileSubClientId>sqlFileSubClient.id sqlFileGroupId>sqlFileGroup.id"},
        {maker<SqlVersion>(), "sqlVersion", 1, "id i, tesselId i, type i, major i, minor i, build i", "id", 0},
        {maker<SimGetVersionOfClient>(), "simGetVersionOfClient", 2, "o_release s33, o_buildId s33, o_releaseID i"},
        {maker<ArchFileByTime>(), "archFileByTime", 2, "r_afileId i, r_tesselId i, r_agroupId i, r_copyId i, "
         "r_fileType i, r_createTime i, r_jobId i, r_backupLevel i, r_physicalSize b, r_logicalSize b"},
        {maker<SqlFileList>(), "sqlFileList", 3, "filename s129, sqlfileid i"},
        {maker<SqlFileGroupList>(), "sqlFileGroupList", 3, "fgname s129, sqlfgid i"},
        {maker<SqlDbIdFromFileId>(), "sqlDbIdFromFileId", 3, "sqldbid i"},
        {maker<SqlServerBkupData>(), "sqlServerBkupData", 3, "found i"},
        {maker<SqlDatabaseList>(), "sqlDatabaseList", 3, "dbname s129, sqldbid i"},
        {maker<SqlGetDBsByFlag>(), "sqlGetDBsByFlag", 3, "sqldbid i, dbname s129"},
        {maker<SqlDatabaseBkupData>(), "sqlDatabaseBkupData", 3, "found i"},
        {maker<SqlCheckForFullFullBackup>(), "sqlCheckForFullFullBackup", 3, "found i"},
        {maker<SqlFileGroupBkupData>(), "sqlFileGroupBkupData", 3, "found i"},
        {maker<Sql2KFileGrpBkupData>(), "sql2KFileGrpBkupData", 3, "found i, sqlBackupSetId i"},
        {maker<SqlFileBkupData>(), "sqlFileBkupData", 3, "found i"},
        {maker<Sql2KFileBkupData>(), "sql2KFileBkupData", 3, "found i, sqlBackupSetId i, startTime t, finishTime t"},
        {maker<SqlBackupSet>(), "sqlBackupSet", 1, "id i, tesselId i, sqlDatabaseId i, backupSetId i, name s129, "
         "description s256, userName s129, vendorId i, sqlVersionId i, mtfVersionId i, timeZone i, "
         "seltraStartTime i, seltraFinishTime i, compatibility i, dbVersion i, backupSize s33, mediaSetId i, "
         "streams i, jobId_h i, jobId_l i, sqlFileSubClientId i", "id", 0, "sqlDatabaseId>sqlDatabase.backupSetId "
         "tesselId>APP_Tessel.id sqlVersionId>sqlVersion.id mtfVersionId>sqlVersion.id"},
        {maker<SqlBSVersion>(), "sqlBSVersion", 3, "id i, major i, minor i, build i"},
        {maker<SqlBackupSetDesc>(), "sqlBackupSetDesc", 3, "bsid i, finishTime t"},
        {maker<SqlDatabaseHistory>(), "sqlDatabaseHistory", 3, "sqlBackupSetId i, backupType i, fullBackupLSN s33"},
        {maker<SqlBackupFile>(), "sqlBackupFile", 1, "id i, tesselId i, sqlFileGroupId i, sqlBackupSetId i, "
         "number i, physicalName s261, logicalName s129, physicalDrive s261, pageSize i, pageCount i, type i", "id",
         0, "sqlBackupSetId>sqlBackupSet.id sqlFileGroupId>sqlFileGroup.id tesselId>APP_Tessel.id"},
        {maker<SqlBackupFileFGID>(), "sqlBackupFileFGID", 3, "fgid i"},
        {maker<SqlBackupFileLogUpdate>(), "sqlBackupFileLogUpdate", 3, "rc i"},
        {maker<SqlArchiveSet>(), "sqlArchiveSet", 1, "id i, tesselId i, sqlBackupSetId i, mediaSetId i, "
         "sequenceNumber i, archiveGroup i, archiveFile i, bIsTombstoned i", "id", 0,
         "sqlBackupSetId>sqlBackupSet.id tesselId>APP_Tessel.id"},
        {maker<SqlRestoreTaskTable>(), "sqlRestoreTask", 1, "id i, restoreType i, sqlBackupSetId i, restoreTime i, "
         "percentage i, undoFile s1025, restoreUser s129, restorePassword s737, sqlDatabaseId i, restoreFlags i, "
         "sqlRestoreDataId i, sqlServerId i, databaseName s129, next i, systemFlags i, archiveCopyId i, "
         "stopMarkName s65", "id", 0, "sqlDatabaseId>sqlDatabase.backupSetId sqlServerId>sqlServer.instanceId"},
        {maker<SqlRestoreDataTable>(), "sqlRestoreData", 1, "id i, restoreTaskId i, dataType i, sqlId i, "
         "sqlName s129, sqlFileRenameId i, next i", "id", 0, "restoreTaskId>sqlRestoreTask.id"},
        {maker<SqlFileRename>(), "sqlFileRename", 1, "id i, restoreTaskId i, physicalName s261, logicalName s129, "
         "next i", "id", 0, "restoreTaskId>sqlRestoreTask.id"},
        {maker<ArchGroup>(), "archGroup", 1, "id i, defaultCopy i, name u577, description u, maxStreams i, type i, "
         "incrSP i, origTesseltesselID i, origTesselarchGroupId i, defaultSnapCopy i, SIBlockSizeKB i, "
         "AuxCopyAlertGB i, AuxCopyAlertDays i, flags i, mediaPassword s2049, TimeZoneType i, TimeZone s256, "
         "SubclientExtensionTimeStamp i, SubclientExtensionTimeStampEncrypted s2049, logSP i", "id", 0},
        {maker<ArchFile>(), "archFile", 1, "id i, name u8193, tesselId i, archGroupId i, objName1 s2049, flags i, "
         "appId i, fileType i, cTime i, jobId i, backupLevel i, isValid i, cloudId i, contentIndexTime i, "
         "nPushedItems i", "id tesselId", 0, "archGroupId>archGroup.id"},
        {maker<SqlLSNs>(), "sqlLSNs", 1, "sqlBackupSetId i, tesselId i, sqlDatabaseId i, startTime t, finishTime t, "
         "backupType i, firstLSN s33, lastLSN s33, checkpointLSN s33, fullBackupLSN s33", "sqlBackupSetId", -1,
         "sqlBackupSetId>sqlBackupSet.id tesselId>APP_Tessel.id sqlDatabaseId>sqlDatabase.backupSetId"},
        {maker<SqlLogMarkNames>(), "sqlLogMarkNames", 1, "id i, tesselId i, sqlDatabaseId i, name s65, "
         "description s256, lsn s33, markTime t", "id", 0, "sqlDatabaseId>sqlDatabase.backupSetId "
         "tesselId>APP_Tessel.id"},
        {maker<SqlDbMarkReport>(), "sqlDbMarkReport", 3, "id i, tesselid i, sqldatabaseid i, name s65, "
         "description s256, lsn s33, marktime t"},
        {maker<SqlTombStoneSQLBackups>(), "sqlTombStoneSQLBackups", 3, "found i"},
        {maker<SqlGetBackupSetsToPrune>(), "sqlGetBackupSetsToPrune", 3, "backupSetId i, clientId i, tesselId i"},
        {maker<SqlArchGroupDelInfo>(), "sqlArchGroupDelInfo", 3, "clientid i, sqlserverid i, sqldatabaseid i, "
         "sqlbackupsetid i, clienthostname s257"},
    };
    return all;
}

std::vector<std::string> split(const std::string& text, const std::string& sep) {
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t at; (at = text.find(sep, start)) != std::string::npos; start = at + sep.size())
        out.push_back(text.substr(start, at - start));
    if (start < text.size()) out.push_back(text.substr(start));
    return out;
}

// An expected family taken apart: column names and type tokens, the type
// string and select list they make, the key columns and the foreign keys.
struct Parts {
    std::vector<std::string> names, tokens, keys;
    std::string typeString, selectList;
    ForeignKeys foreignKeys;

    explicit Parts(const Expected& e) : keys(split(e.keys, " ")) {
        for (const std::string& column : split(e.columns, ", ")) {
            names.push_back(column.substr(0, column.find(' ')));
            tokens.push_back(column.substr(column.find(' ') + 1));
            typeString += tokens.back() + "|";
            selectList += (selectList.empty() ? "" : ", ") + names.back();
        }
        for (const std::string& fk : split(e.foreignKeys, " ")) {
            const size_t arrow = fk.find('>'), dot = fk.find('.');
            foreignKeys.insert({fk.substr(0, arrow), fk.substr(arrow + 1, dot - arrow - 1), fk.substr(dot + 1)});
        }
    }
};

// Width and alignment of a field as the C++ row struct lays it out.
std::pair<size_t, size_t> widthAndAlign(const std::string& token) {
    if (token == "i") return {4, alignof(int32_t)};
    if (token == "b" || token == "x") return {8, alignof(int64_t)};
    if (token == "t") return {sizeof(DB_DATETIME), alignof(DB_DATETIME)};
    if (token == "u") return {sizeof(char*), alignof(char*)};
    return {std::stoul(token.substr(1)), 1};
}

int typeIdOf(const std::string& token) {
    switch (token[0]) {
    case 'i': return 1;
    case 'b': case 'x': return 4;
    case 't': return 5;
    default: return 6;
    }
}

class FamilyTest : public CatalogueTest {};

TEST_F(FamilyTest, EveryFamilyAgreesWithItsObject) {
    DBtable::b_newDBBase = 1;
    for (const Expected& e : expectedFamilies()) {
        SCOPED_TRACE(e.object);
        const Parts x(e);
        const std::string stem = char(std::toupper(e.object[0])) + std::string(e.object + 1);
        std::unique_ptr<KelDBRecordBase> record = e.make();
        const KelDBFamily& f = record->family();
        const DBColumnLayout& layout = *f.layout;
        ASSERT_EQ(int(x.names.size()), layout.columnCount);

        EXPECT_STREQ(e.object, record->getName());
        EXPECT_EQ(stem, f.stem);
        EXPECT_EQ(e.kind, layout.kind);
        EXPECT_EQ((e.kind == 1 ? "Table " : e.kind == 2 ? "Procedure " : "Cursor ") + stem, record->getpDescribe());
        EXPECT_EQ(x.selectList, record->getSelectList());

        // Offsets follow from the object's column order and widths alone.
        size_t offset = 0, maxAlign = 1;
        for (size_t i = 0; i < x.names.size(); ++i) {
            SCOPED_TRACE(x.names[i]);
            const DBColumn& c = layout.columns[i];
            auto [width, align] = widthAndAlign(x.tokens[i]);
            offset = (offset + align - 1) / align * align;
            maxAlign = std::max(maxAlign, align);
            EXPECT_EQ(x.names[i], c.name);
            EXPECT_EQ(x.tokens[i], c.token);
            EXPECT_EQ(offset, c.offset);
            EXPECT_EQ(width, c.size);
            offset += width;
        }
        EXPECT_EQ((offset + maxAlign - 1) / maxAlign * maxAlign, f.rowSize);

        EXPECT_EQ(x.keys, std::vector<std::string>(layout.keyColumns, layout.keyColumns + layout.keyCount));
        EXPECT_EQ(e.identity, layout.identityColumn);
        std::string keyList, keyWhere;
        for (const std::string& k : x.keys) {
            keyList += (keyList.empty() ? "" : ", ") + k;
            keyWhere += (keyWhere.empty() ? "" : "AND ") + k + " = ?";
        }
        EXPECT_EQ(keyList, layout.orderBy ? layout.orderBy : "");
        ForeignKeys fks;
        for (int k = 0; k < f.foreignKeyCount; ++k)
            fks.insert({f.foreignKeys[k].localColumn, f.foreignKeys[k].remoteTable, f.foreignKeys[k].remoteColumn});
        EXPECT_EQ(x.foreignKeys, fks);
        EXPECT_EQ(e.kind == 2 ? 20u : 0u, std::string(record->getProcedureCode()).size());

        // The schema row, built from the same description.
        KelDBRowBase* schema = record->getDataPtr_t2();
        ASSERT_NE(nullptr, schema);
        EXPECT_EQ(x.typeString, schema->getStructDef());
        EXPECT_EQ(stem, schema->getTableName());
        EXPECT_EQ(e.kind, schema->getHeaderType());
        EXPECT_EQ(e.identity, schema->getSerialColNum());
        EXPECT_EQ(keyWhere, schema->getPrimaryWhere());
        EXPECT_EQ(x.keys.size(), schema->getPrimaryData().size());
        std::vector<KelDBDataTypeBase*> values = schema->getData();
        ASSERT_EQ(x.names.size(), values.size());
        for (size_t i = 0; i < x.names.size(); ++i) {
            EXPECT_EQ(x.names[i], schema->getColumnName(int(i)));
            EXPECT_EQ(typeIdOf(x.tokens[i]), values[i]->getDataType()) << x.names[i];
        }
        EXPECT_EQ("", schema->getColumnName(int(x.names.size())));
        ForeignKeys schemaFks;
        for (const auto& [table, columns] : schema->getForeignKeyMap())
            for (const auto& [local, remote] : columns) schemaFks.insert({local, table, remote});
        EXPECT_EQ(x.foreignKeys, schemaFks);
    }
}

// The catalogue's tables have the families' columns in the families' order,
// their types and collations, their keys and their foreign keys.
TEST_F(FamilyTest, CatalogueDdlAgreesWithEveryTableFamily) {
    const std::set<std::string> lsnColumns = {"firstLSN", "lastLSN", "checkpointLSN", "fullBackupLSN", "lsn"};
    sqlite3* db = nullptr;
    std::string error;
    ASSERT_EQ(SQLITE_OK, DBopenCatalogue(kel::homePath("catalogue.db"), &db, error)) << error;
    // Rows of a pragma's text columns, each as "a b c".
    auto pragma = [db](const std::string& sql, std::vector<int> columns) {
        std::vector<std::string> rows;
        sqlite3_stmt* stmt = nullptr;
        EXPECT_EQ(SQLITE_OK, sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr)) << sql;
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            std::string row;
            for (int c : columns) row += (row.empty() ? "" : " ") + std::string(reinterpret_cast<const char*>(sqlite3_column_text(stmt, c)));
            rows.push_back(row);
        }
        sqlite3_finalize(stmt);
        return rows;
    };
    for (const Expected& e : expectedFamilies()) {
        if (e.kind != 1) continue;
        SCOPED_TRACE(e.object);
        const Parts x(e);
        EXPECT_EQ(x.names, pragma(std::string("PRAGMA table_info(") + e.object + ")", {1}));
        std::vector<std::string> keys;
        for (const std::string& row : pragma(std::string("PRAGMA table_info(") + e.object + ")", {5, 1}))
            if (row[0] != '0') keys.push_back(row.substr(row.find(' ') + 1));
        EXPECT_EQ(x.keys, keys);

        for (size_t i = 0; i < x.names.size(); ++i) {
            SCOPED_TRACE(x.names[i]);
            const char* type = nullptr;
            const char* collation = nullptr;
            int notNull = 0, primary = 0, autoIncrement = 0;
            ASSERT_EQ(SQLITE_OK, sqlite3_table_column_metadata(db, nullptr, e.object, x.names[i].c_str(), &type,
                                                               &collation, &notNull, &primary, &autoIncrement));
            const bool text = x.tokens[i][0] == 's' || x.tokens[i][0] == 'u';
            EXPECT_STREQ(x.tokens[i] == "i" ? "INTEGER" : "TEXT", type);
            EXPECT_STREQ(!text ? "BINARY" : lsnColumns.count(x.names[i]) ? "KELLSN" : "KELTEXT", collation);
            // An identity is never reused; one assigned elsewhere is never empty.
            EXPECT_EQ(int(i) == e.identity && x.keys.size() == 1, autoIncrement != 0);
            EXPECT_EQ(int(i) == e.identity && x.keys.size() > 1, notNull != 0);
        }
        ForeignKeys fks;
        for (const std::string& row : pragma(std::string("PRAGMA foreign_key_list(") + e.object + ")", {3, 2, 4})) {
            const std::vector<std::string> p = split(row, " ");
            fks.insert({p[0], p[1], p[2]});
        }
        EXPECT_EQ(x.foreignKeys, fks);
    }
    // LSN rows are found by database.
    EXPECT_FALSE(pragma("SELECT name FROM pragma_index_list('sqlLSNs') WHERE name LIKE '%sqlDatabaseId%'", {0}).empty());
    sqlite3_close(db);
}

// The schema row takes its values from the row struct through the column
// table; the key's value object is the key column's.
TEST_F(FamilyTest, SchemaRowLoadsFromTheRowStruct) {
    DBtable::b_newDBBase = 1;
    SqlDatabase record(nullptr);
    SqlDatabase_t& row = *record.getDataPtr();
    row.backupSetId = 10;
    row.logStreams = -2;
    EXPECT_TRUE(kel::copyField(row.databaseName, "db'1"));
    record.populate_t();
    KelDBRowBase* schema = record.getDataPtr_t2();
    std::vector<KelDBDataTypeBase*> values = schema->getData();
    EXPECT_EQ("10", values[0]->toString(0));
    EXPECT_EQ("db'1", values[5]->toString(0));
    EXPECT_TRUE(values[6]->isNull());  // a cleared date
    EXPECT_EQ("-2", values[14]->toString(0));
    ASSERT_EQ(1u, schema->getPrimaryData().size());
    EXPECT_EQ(values[0], schema->getPrimaryData()[0]);

    ASSERT_TRUE(row.creationTime.parse("2024-02-29 23:59:58"));
    EXPECT_TRUE(kel::copyField(row.databaseName, ""));
    record.populate_t();
    EXPECT_EQ("2024-02-29 23:59:58", values[6]->toString(0));
    EXPECT_EQ("", values[5]->toString(0));
}

}  // namespace
}  // namespace kel::test
