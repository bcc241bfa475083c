// Whether a database's file subclients cover every data file group and file.
#include <algorithm>

#include "Db/Tbl/sqlFile.h"
#include "Db/Tbl/sqlFileGroup.h"
#include "Db/Tbl/sqlFileSubClient.h"
#include "Db/Tbl/sqlFileSubClientGroup.h"
#include "KelSQL/KelNetSQLVerifyAllFilesCovered.h"
#include "KelSQL/KelSQLBackupRules.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLErrors.h"
#include "BackupRecords.h"

namespace {

// Appends one id per row of the table's prepared where-clause; 0, else the
// number of the error set in err.
template <class Table, class Row, class Id>
uint64_t getAllRowsFromTable(KelLastError& err, Table& table, std::vector<Id>& ids, Id (*extract)(const Row&)) {
    int code = table.openCursor();
    if (code == 100) return 0;  // an empty result opens no cursor
    auto failed = [&](uint64_t number) {
        err.setNumber(number);
        err.addArgument(table.getpDescribe());
        err.addArgument(table.getErrorStr(code));
        return number;
    };
    if (code != 0) return failed(kelsql::kErrRowOperation);
    const Row& row = *table.getDataPtr();
    while ((code = table.fetchCursor(true)) == 0) ids.push_back(extract(row));
    table.closeCursor();
    return code == 100 ? 0 : failed(kelsql::kErrListRead);
}

int32_t SqlFileSubClient_id(const SqlFileSubClient_t& r) { return r.id; }
int32_t SqlFileGroup_id(const SqlFileGroup_t& r) { return r.id; }
int32_t SqlFileSubClientGroup_sqlFileGroupId(const SqlFileSubClientGroup_t& r) { return r.sqlFileGroupId; }
int32_t SqlFileSubClientGroup_sqlFileId(const SqlFileSubClientGroup_t& r) { return r.sqlFileId; }
int32_t SqlFile_id(const SqlFile_t& r) { return r.id; }

bool contains(const std::vector<int32_t>& ids, int32_t id) { return std::find(ids.begin(), ids.end(), id) != ids.end(); }

}  // namespace

bool IsSubClientSetComplete(KelLastError& err, KelSQLClassProperties& context, uint64_t sqlDatabaseId,
                            bool& complete) {
    if (sqlDatabaseId == 0) {
        err.setNumber(kelsql::kErrValueNotSet);
        err.addArgument("sqlDatabaseId");
        err.addArgument("subClientSetComplete(error, cp, sqlDatabaseId)");
        return false;
    }
    DBtran* tran = kelsql::backup::transactionOf(context);
    const int db = static_cast<int>(sqlDatabaseId);

    std::vector<int32_t> subclients;
    SqlFileSubClient subclientRows(tran);
    subclientRows.setWhere("sqlDatabaseId = %d AND flags <> %d", db, 1);
    if (getAllRowsFromTable(err, subclientRows, subclients, &SqlFileSubClient_id) != 0) return false;
    if (subclients.empty()) {
        complete = true;
        return true;
    }
    std::string inSubclients;
    formatINClause(subclients, inSubclients);

    std::vector<int32_t> groups;
    SqlFileGroup groupRows(tran);
    groupRows.setWhere("sqlDatabaseId = %d AND fileGroupName <> 'DatabaseLogs'", db);
    if (getAllRowsFromTable(err, groupRows, groups, &SqlFileGroup_id) != 0 || groups.empty()) return false;

    std::vector<int32_t> wholeGroups;
    SqlFileSubClientGroup members(tran);
    members.setWhere("sqlFileId = 0 AND sqlFileSubClientId %s", inSubclients.c_str());
    if (getAllRowsFromTable(err, members, wholeGroups, &SqlFileSubClientGroup_sqlFileGroupId) != 0 ||
        wholeGroups.empty())
        return false;

    std::vector<int32_t> uncovered;
    for (int32_t g : groups)
        if (!contains(wholeGroups, g)) uncovered.push_back(g);
    // Every data file group is listed whole: nothing is left for single
    // files to cover (and an empty IN list is no valid SQL).
    if (uncovered.empty()) {
        complete = true;
        return true;
    }
    std::string inGroups;
    formatINClause(uncovered, inGroups);
    std::vector<int32_t> files;
    SqlFile fileRows(tran);
    fileRows.setWhere("sqlFileGroupId %s", inGroups.c_str());
    if (getAllRowsFromTable(err, fileRows, files, &SqlFile_id) != 0 || files.empty()) return false;

    std::vector<int32_t> coveredFiles;
    members.setWhere("sqlFileId <> 0 AND sqlFileSubClientId %s", inSubclients.c_str());
    if (getAllRowsFromTable(err, members, coveredFiles, &SqlFileSubClientGroup_sqlFileId) != 0) return false;

    complete = true;
    for (int32_t f : files) {
        if (!contains(coveredFiles, f)) {
            complete = false;
            break;
        }
    }
    return true;
}
