// Every record family against what its catalogue object is: column names,
// type tokens, row-struct offsets and widths, select list, key, identity and
// foreign keys, the schema row built from them, and the catalogue's DDL.
#include <sqlite3.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <set>
#include <sstream>
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
    const char* stem;
    int kind;
    const char* typeString;
    const char* columns;  // "a, b, c": also the select list
    std::vector<std::string> keys;
    int identity;  // index of the identity column, -1 for none
    ForeignKeys foreignKeys;
    const char* revision;
};

template <class R>
std::function<std::unique_ptr<KelDBRecordBase>()> maker() {
    return [] { return std::unique_ptr<KelDBRecordBase>(new R(nullptr)); };
}

const std::vector<Expected>& expectedFamilies() {
    static const std::vector<Expected> all = {
        {maker<SqlServerTable>(), "sqlServer", "SqlServer", 1, "i|i|s129|i|s129|s513|s1025|i|i|i|s257|s513|s257|i|i|",
         "instanceId, tesselId, serverName, sqlVersionId, sa, saPassword, undoFile, addTime, removalTime, deleteFlag, "
         "sqlNTAccount, sqlNTPassword, sqlServiceName, flags, clientId",
         {"instanceId"}, -1,
         {{"instanceId", "APP_InstanceName", "id"}, {"tesselId", "APP_Tessel", "id"},
          {"sqlVersionId", "sqlVersion", "id"}, {"clientId", "APP_Client", "id"}},
         "1.15.304.2"},
        {maker<SqlDatabaseTable>(), "sqlDatabase", "SqlDatabase", 1, "i|i|i|i|i|s129|t|i|i|i|i|i|i|i|i|",
         "backupSetId, tesselId, sqlServerId, applicationNumber, databaseId, databaseName, creationTime, streams, "
         "maxStreams, allowFlags, addTime, removalTime, deleteFlag, systemFlags, logStreams",
         {"backupSetId"}, -1,
         {{"backupSetId", "APP_BackupSetName", "id"}, {"tesselId", "APP_Tessel", "id"},
          {"sqlServerId", "sqlServer", "instanceId"}},
         "1.15.304.2"},
        {maker<SqlFileGroupTable>(), "sqlFileGroup", "SqlFileGroup", 1, "i|i|i|i|i|s129|i|i|i|i|i|",
         "id, tesselId, sqlDatabaseId, applicationNumber, groupId, fileGroupName, streams, maxStreams, addTime, "
         "removalTime, deleteFlag",
         {"id"}, 0, {{"sqlDatabaseId", "sqlDatabase", "backupSetId"}, {"tesselId", "APP_Tessel", "id"}}, "1.8.304.2"},
        {maker<SqlFileTable>(), "sqlFile", "SqlFile", 1, "i|i|i|i|s261|s129|i|i|i|i|i|",
         "id, tesselId, sqlFileGroupId, fileId, physicalName, logicalName, size, maxSize, addTime, removalTime, "
         "deleteFlag",
         {"id"}, 0, {{"sqlFileGroupId", "sqlFileGroup", "id"}, {"tesselId", "APP_Tessel", "id"}}, "1.8.304.2"},
        {maker<SqlFileSubClientTable>(), "sqlFileSubClient", "SqlFileSubClient", 1, "i|i|i|i|s129|i|i|i|i|",
         "id, tesselId, sqlDatabaseId, applicationNumber, subClientName, streams, maxStreams, flags, "
         "sqlFileSubClientGroupId",
         {"id"}, 0, {{"tesselId", "APP_Tessel", "id"}, {"sqlDatabaseId", "sqlDatabase", "backupSetId"}}, "1.9.304.2"},
        {maker<SqlFileSubClientGroupTable>(), "sqlFileSubClientGroup", "SqlFileSubClientGroup", 1, "i|i|i|i|i|i|",
         "id, tesselId, sqlFileSubClientId, sqlFileId, sqlFileGroupId, nextId", {"id"}, 0,
         {{"tesselId", "APP_Tessel", "id"}, {"sqlFileSubClientId", "sqlFileSubClient", "id"},
          {"sqlFileGroupId", "sqlFileGroup", "id"}},
         "1.6.304.1"},
        {maker<SqlVersion>(), "sqlVersion", "SqlVersion", 1, "i|i|i|i|i|i|", "id, tesselId, type, major, minor, build",
         {"id"}, 0, {}, "1.3.304.1"},
        {maker<SimGetVersionOfClient>(), "simGetVersionOfClient", "SimGetVersionOfClient", 2, "s33|s33|i|",
         "o_release, o_buildId, o_releaseID", {}, -1, {}, nullptr},
        {maker<ArchFileByTime>(), "archFileByTime", "ArchFileByTime", 2, "i|i|i|i|i|i|i|i|b|b|",
         "r_afileId, r_tesselId, r_agroupId, r_copyId, r_fileType, r_createTime, r_jobId, r_backupLevel, "
         "r_physicalSize, r_logicalSize",
         {}, -1, {}, nullptr},
        {maker<SqlFileList>(), "sqlFileList", "SqlFileList", 3, "s129|i|", "filename, sqlfileid", {}, -1, {}, nullptr},
        {maker<SqlFileGroupList>(), "sqlFileGroupList", "SqlFileGroupList", 3, "s129|i|", "fgname, sqlfgid", {}, -1,
         {}, nullptr},
        {maker<SqlDbIdFromFileId>(), "sqlDbIdFromFileId", "SqlDbIdFromFileId", 3, "i|", "sqldbid", {}, -1, {}, nullptr},
        {maker<SqlServerBkupData>(), "sqlServerBkupData", "SqlServerBkupData", 3, "i|", "found", {}, -1, {}, nullptr},
        {maker<SqlDatabaseList>(), "sqlDatabaseList", "SqlDatabaseList", 3, "s129|i|", "dbname, sqldbid", {}, -1, {},
         nullptr},
        {maker<SqlGetDBsByFlag>(), "sqlGetDBsByFlag", "SqlGetDBsByFlag", 3, "i|s129|", "sqldbid, dbname", {}, -1, {},
         nullptr},
        {maker<SqlDatabaseBkupData>(), "sqlDatabaseBkupData", "SqlDatabaseBkupData", 3, "i|", "found", {}, -1, {}, nullptr},
        {maker<SqlCheckForFullFullBackup>(), "sqlCheckForFullFullBackup", "SqlCheckForFullFullBackup", 3, "i|", "found", {},
         -1, {}, nullptr},
        {maker<SqlFileGroupBkupData>(), "sqlFileGroupBkupData", "SqlFileGroupBkupData", 3, "i|", "found", {}, -1, {},
         nullptr},
        {maker<Sql2KFileGrpBkupData>(), "sql2KFileGrpBkupData", "Sql2KFileGrpBkupData", 3, "i|i|",
         "found, sqlBackupSetId", {}, -1, {}, nullptr},
        {maker<SqlFileBkupData>(), "sqlFileBkupData", "SqlFileBkupData", 3, "i|", "found", {}, -1, {}, nullptr},
        {maker<Sql2KFileBkupData>(), "sql2KFileBkupData", "Sql2KFileBkupData", 3, "i|i|t|t|",
         "found, sqlBackupSetId, startTime, finishTime", {}, -1, {}, nullptr},
        {maker<SqlBackupSet>(), "sqlBackupSet", "SqlBackupSet", 1, "i|i|i|i|s129|s256|s129|i|i|i|i|i|i|i|i|s33|i|i|i|i|i|",
         "id, tesselId, sqlDatabaseId, backupSetId, name, description, userName, vendorId, sqlVersionId, mtfVersionId, "
         "timeZone, seltraStartTime, seltraFinishTime, compatibility, dbVersion, backupSize, mediaSetId, streams, "
         "jobId_h, jobId_l, sqlFileSubClientId",
         {"id"}, 0,
         {{"sqlDatabaseId", "sqlDatabase", "backupSetId"}, {"tesselId", "APP_Tessel", "id"},
          {"sqlVersionId", "sqlVersion", "id"}, {"mtfVersionId", "sqlVersion", "id"}},
         "1.15.304.2"},
        {maker<SqlBSVersion>(), "sqlBSVersion", "SqlBSVersion", 3, "i|i|i|i|", "id, major, minor, build", {}, -1, {},
         nullptr},
        {maker<SqlBackupSetDesc>(), "sqlBackupSetDesc", "SqlBackupSetDesc", 3, "i|t|", "bsid, finishTime", {}, -1, {},
         nullptr},
        {maker<SqlBackupFile>(), "sqlBackupFile", "SqlBackupFile", 1, "i|i|i|i|i|s261|s129|s261|i|i|i|",
         "id, tesselId, sqlFileGroupId, sqlBackupSetId, number, physicalName, logicalName, physicalDrive, pageSize, "
         "pageCount, type",
         {"id"}, 0,
         {{"sqlBackupSetId", "sqlBackupSet", "id"}, {"sqlFileGroupId", "sqlFileGroup", "id"},
          {"tesselId", "APP_Tessel", "id"}},
         "1.7.304.2"},
        {maker<SqlBackupFileFGID>(), "sqlBackupFileFGID", "SqlBackupFileFGID", 3, "i|", "fgid", {}, -1, {}, nullptr},
        {maker<SqlBackupFileLogUpdate>(), "sqlBackupFileLogUpdate", "SqlBackupFileLogUpdate", 3, "i|", "rc", {}, -1, {},
         nullptr},
        {maker<SqlArchiveSet>(), "sqlArchiveSet", "SqlArchiveSet", 1, "i|i|i|i|i|i|i|i|",
         "id, tesselId, sqlBackupSetId, mediaSetId, sequenceNumber, archiveGroup, archiveFile, bIsTombstoned", {"id"}, 0,
         {{"sqlBackupSetId", "sqlBackupSet", "id"}, {"tesselId", "APP_Tessel", "id"}}, "1.9.304.1"},
        {maker<SqlRestoreTaskTable>(), "sqlRestoreTask", "SqlRestoreTask", 1,
         "i|i|i|i|i|s1025|s129|s513|i|i|i|i|s129|i|i|i|s65|",
         "id, restoreType, sqlBackupSetId, restoreTime, percentage, undoFile, restoreUser, restorePassword, "
         "sqlDatabaseId, restoreFlags, sqlRestoreDataId, sqlServerId, databaseName, next, systemFlags, archiveCopyId, "
         "stopMarkName",
         {"id"}, 0, {{"sqlDatabaseId", "sqlDatabase", "backupSetId"}, {"sqlServerId", "sqlServer", "instanceId"}},
         "1.12.304.2"},
        {maker<SqlRestoreDataTable>(), "sqlRestoreData", "SqlRestoreData", 1, "i|i|i|i|s129|i|i|",
         "id, restoreTaskId, dataType, sqlId, sqlName, sqlFileRenameId, next", {"id"}, 0,
         {{"restoreTaskId", "sqlRestoreTask", "id"}}, "1.4.304.2"},
        {maker<SqlFileRename>(), "sqlFileRename", "SqlFileRename", 1, "i|i|s261|s129|i|",
         "id, restoreTaskId, physicalName, logicalName, next", {"id"}, 0, {{"restoreTaskId", "sqlRestoreTask", "id"}},
         "1.4.304.2"},
        {maker<ArchGroup>(), "archGroup", "ArchGroup", 1,
         "i|i|u577|u|i|i|i|i|i|i|i|i|i|i|s2049|i|s256|i|s2049|i|",
         "id, defaultCopy, name, description, maxStreams, type, incrSP, origTesseltesselID, origTesselarchGroupId, "
         "defaultSnapCopy, SIBlockSizeKB, AuxCopyAlertGB, AuxCopyAlertDays, flags, mediaPassword, TimeZoneType, "
         "TimeZone, SubclientExtensionTimeStamp, SubclientExtensionTimeStampEncrypted, logSP",
         {"id"}, 0, {}, "1.49.66.4"},
        {maker<ArchFile>(), "archFile", "ArchFile", 1, "i|u8193|i|i|s2049|i|i|i|i|i|i|i|i|i|i|",
         "id, name, tesselId, archGroupId, objName1, flags, appId, fileType, cTime, jobId, backupLevel, isValid, "
         "cloudId, contentIndexTime, nPushedItems",
         {"id", "tesselId"}, 0, {{"archGroupId", "archGroup", "id"}}, "1.55.192.4"},
        {maker<SqlLSNs>(), "sqlLSNs", "SqlLSNs", 1, "i|i|i|t|t|i|s33|s33|s33|s33|",
         "sqlBackupSetId, tesselId, sqlDatabaseId, startTime, finishTime, backupType, firstLSN, lastLSN, "
         "checkpointLSN, fullBackupLSN",
         {"sqlBackupSetId"}, -1,
         {{"sqlBackupSetId", "sqlBackupSet", "id"}, {"tesselId", "APP_Tessel", "id"},
          {"sqlDatabaseId", "sqlDatabase", "backupSetId"}},
         "1.12.304.2"},
        {maker<SqlLogMarkNames>(), "sqlLogMarkNames", "SqlLogMarkNames", 1, "i|i|i|s65|s256|s33|t|",
         "id, tesselId, sqlDatabaseId, name, description, lsn, markTime", {"id"}, 0,
         {{"sqlDatabaseId", "sqlDatabase", "backupSetId"}, {"tesselId", "APP_Tessel", "id"}}, "1.7.304.2"},
        {maker<SqlDbMarkReport>(), "sqlDbMarkReport", "SqlDbMarkReport", 3, "i|i|i|s65|s256|s33|t|",
         "id, tesselid, sqldatabaseid, name, description, lsn, marktime", {}, -1, {}, nullptr},
        {maker<SqlTombStoneSQLBackups>(), "sqlTombStoneSQLBackups", "SqlTombStoneSQLBackups", 3, "i|", "found", {}, -1,
         {}, nullptr},
        {maker<SqlGetBackupSetsToPrune>(), "sqlGetBackupSetsToPrune", "SqlGetBackupSetsToPrune", 3, "i|i|i|",
         "backupSetId, clientId, tesselId", {}, -1, {}, nullptr},
        {maker<SqlArchGroupDelInfo>(), "sqlArchGroupDelInfo", "SqlArchGroupDelInfo", 3, "i|i|i|i|s257|",
         "clientid, sqlserverid, sqldatabaseid, sqlbackupsetid, clienthostname", {}, -1, {}, nullptr},
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

const char* kindWord(int kind) { return kind == 1 ? "Table " : kind == 2 ? "Procedure " : "Cursor "; }

class FamilyTest : public CatalogueTest {};

TEST_F(FamilyTest, EveryFamilyAgreesWithItsObject) {
    DBtable::b_newDBBase = 1;
    for (const Expected& e : expectedFamilies()) {
        SCOPED_TRACE(e.object);
        std::unique_ptr<KelDBRecordBase> record = e.make();
        const KelDBFamily& f = record->family();
        const DBColumnLayout& layout = *f.layout;
        const std::vector<std::string> tokens = split(e.typeString, "|");
        const std::vector<std::string> names = split(e.columns, ", ");
        ASSERT_EQ(tokens.size(), names.size());
        ASSERT_EQ(int(names.size()), layout.columnCount);

        EXPECT_STREQ(e.object, record->getName());
        EXPECT_STREQ(e.stem, f.stem);
        EXPECT_EQ(e.kind, layout.kind);
        EXPECT_EQ(std::string(kindWord(e.kind)) + e.stem, record->getpDescribe());
        EXPECT_EQ(e.columns, record->getSelectList());
        if (e.revision) {
            EXPECT_STREQ(e.revision, record->getHeaderRevision());
        }

        // Offsets follow from the object's column order and widths alone.
        size_t offset = 0, maxAlign = 1;
        for (size_t i = 0; i < names.size(); ++i) {
            SCOPED_TRACE(names[i]);
            const DBColumn& c = layout.columns[i];
            auto [width, align] = widthAndAlign(tokens[i]);
            offset = (offset + align - 1) / align * align;
            maxAlign = std::max(maxAlign, align);
            EXPECT_EQ(names[i], c.name);
            EXPECT_EQ(tokens[i], c.token);
            EXPECT_EQ(offset, c.offset);
            EXPECT_EQ(width, c.size);
            offset += width;
        }
        EXPECT_EQ((offset + maxAlign - 1) / maxAlign * maxAlign, f.rowSize);

        std::vector<std::string> keys(layout.keyColumns, layout.keyColumns + layout.keyCount);
        EXPECT_EQ(e.keys, keys);
        EXPECT_EQ(e.identity, layout.identityColumn);
        std::string keyList, keyWhere;
        for (const std::string& k : e.keys) {
            keyList += (keyList.empty() ? "" : ", ") + k;
            keyWhere += (keyWhere.empty() ? "" : "AND ") + k + " = ?";
        }
        EXPECT_EQ(keyList, layout.orderBy ? layout.orderBy : "");
        ForeignKeys fks;
        for (int k = 0; k < f.foreignKeyCount; ++k)
            fks.insert({f.foreignKeys[k].localColumn, f.foreignKeys[k].remoteTable, f.foreignKeys[k].remoteColumn});
        EXPECT_EQ(e.foreignKeys, fks);
        EXPECT_EQ(e.kind == 2 ? 20u : 0u, std::string(record->getProcedureCode()).size());

        // The schema row, built from the same description.
        KelDBRowBase* schema = record->getDataPtr_t2();
        ASSERT_NE(nullptr, schema);
        EXPECT_EQ(e.typeString, schema->getStructDef());
        EXPECT_EQ(e.stem, schema->getTableName());
        EXPECT_EQ(e.kind, schema->getHeaderType());
        EXPECT_EQ(e.identity, schema->getSerialColNum());
        EXPECT_EQ(keyWhere, schema->getPrimaryWhere());
        EXPECT_EQ(e.keys.size(), schema->getPrimaryData().size());
        std::vector<KelDBDataTypeBase*> values = schema->getData();
        ASSERT_EQ(names.size(), values.size());
        for (size_t i = 0; i < names.size(); ++i) {
            EXPECT_EQ(names[i], schema->getColumnName(int(i)));
            EXPECT_EQ(typeIdOf(tokens[i]), values[i]->getDataType()) << names[i];
        }
        ForeignKeys schemaFks;
        for (const auto& [table, columns] : schema->getForeignKeyMap())
            for (const auto& [local, remote] : columns) schemaFks.insert({local, table, remote});
        EXPECT_EQ(e.foreignKeys, schemaFks);

        // A second object leaves the class-wide part as it was.
        std::unique_ptr<KelDBRecordBase> again = e.make();
        EXPECT_EQ(names.back(), again->getDataPtr_t2()->getColumnName(int(names.size()) - 1));
        EXPECT_EQ("", again->getDataPtr_t2()->getColumnName(int(names.size())));
    }
}

// The catalogue's tables have the families' columns in the families' order,
// their types and collations, their keys and their foreign keys.
TEST_F(FamilyTest, CatalogueDdlAgreesWithEveryTableFamily) {
    const std::set<std::string> lsnColumns = {"firstLSN", "lastLSN", "checkpointLSN", "fullBackupLSN", "lsn"};
    sqlite3* db = nullptr;
    std::string error;
    ASSERT_EQ(SQLITE_OK, DBopenCatalogue(kel::homePath("catalogue.db"), &db, error)) << error;
    for (const Expected& e : expectedFamilies()) {
        if (e.kind != 1) continue;
        SCOPED_TRACE(e.object);
        std::vector<std::string> columns;
        std::vector<std::string> keys;
        sqlite3_stmt* stmt = nullptr;
        ASSERT_EQ(SQLITE_OK, sqlite3_prepare_v2(db, (std::string("PRAGMA table_info(") + e.object + ")").c_str(), -1,
                                                &stmt, nullptr));
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            std::string name = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1));
            columns.push_back(name);
            if (sqlite3_column_int(stmt, 5) > 0) keys.push_back(name);
        }
        sqlite3_finalize(stmt);
        EXPECT_EQ(split(e.columns, ", "), columns);
        EXPECT_EQ(e.keys, keys);

        const std::vector<std::string> tokens = split(e.typeString, "|");
        for (size_t i = 0; i < columns.size() && i < tokens.size(); ++i) {
            SCOPED_TRACE(columns[i]);
            const char* type = nullptr;
            const char* collation = nullptr;
            int notNull = 0, primary = 0, autoIncrement = 0;
            ASSERT_EQ(SQLITE_OK, sqlite3_table_column_metadata(db, nullptr, e.object, columns[i].c_str(), &type,
                                                               &collation, &notNull, &primary, &autoIncrement));
            const bool text = tokens[i][0] == 's' || tokens[i][0] == 'u';
            EXPECT_STREQ(tokens[i] == "i" ? "INTEGER" : "TEXT", type);
            EXPECT_STREQ(!text ? "BINARY" : lsnColumns.count(columns[i]) ? "KELLSN" : "KELTEXT", collation);
            EXPECT_EQ(int(i) == e.identity && e.keys.size() == 1, autoIncrement != 0);
            EXPECT_EQ(int(i) == e.identity && e.keys.size() > 1, notNull != 0);  // assigned elsewhere, never empty
        }

        ForeignKeys fks;
        ASSERT_EQ(SQLITE_OK, sqlite3_prepare_v2(db, (std::string("PRAGMA foreign_key_list(") + e.object + ")").c_str(),
                                                -1, &stmt, nullptr));
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            fks.insert({reinterpret_cast<const char*>(sqlite3_column_text(stmt, 3)),
                        reinterpret_cast<const char*>(sqlite3_column_text(stmt, 2)),
                        reinterpret_cast<const char*>(sqlite3_column_text(stmt, 4))});
        }
        sqlite3_finalize(stmt);
        EXPECT_EQ(e.foreignKeys, fks);
    }
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
    kel::copyField(row.databaseName, "db'1");
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
    kel::copyField(row.databaseName, "");
    record.populate_t();
    EXPECT_EQ("2024-02-29 23:59:58", values[6]->toString(0));
    EXPECT_EQ("", values[5]->toString(0));
}

}  // namespace
}  // namespace kel::test
