#include "DatabaseForceDeletion.h"

#include <vector>

#include "Db/Tbl/sqlDatabase.h"
#include "KelSQL/KelSQLBackupSet.h"
#include "KelSQL/KelSQLDatabase.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLErrors.h"
#include "KelSQL/KelSQLFileGroup.h"
#include "KelSQL/KelSQLFileSubClient.h"
#include "KelSQL/KelSQLLogMarkName.h"
#include "KelSQL/KelSQLRestoreTask.h"

namespace {

constexpr const char* kFn = "forceDeleteDatabaseRows(sqlDatabaseId, systemToo)";

bool copied(KelLastError& err, KelLastError& from) {
    err = from;
    return false;
}

bool refused(KelLastError& err, uint64_t number) {
    err.setNumber(number);
    err.addArgument(kFn);
    return false;
}

}  // namespace

bool kelsql::forceDeleteDatabaseRows(KelSQLClassProperties& ctx, unsigned long sqlDatabaseId, bool systemToo,
                                     KelLastError& err) {
    if (!ctx.isServerOperations()) return refused(err, kErrOstrelSideOnly);
    if (!ctx.isTransactionStarted()) return refused(err, kErrTranRequired);
    KelSQLDatabase database(ctx, false);
    if (!database.query(sqlDatabaseId, nullptr)) {
        if (database.sqlCode() != 100) return copied(err, database.getLastError());
        return true;
    }
    if (!systemToo && (database.databaseName() == "master" || database.id() == 1))
        return refused(err, kErrDatabaseDeletion);
    KelSQLRestoreTask tasks(ctx, false, kRestoreTaskV3);
    if (!tasks.databaseForceDelete(sqlDatabaseId)) return copied(err, tasks.getLastError());
    KelSQLBackupSet backupSets(ctx, false);
    if (!backupSets.databaseForceDelete(sqlDatabaseId)) return copied(err, backupSets.getLastError());
    KelSQLLogMarkName marks(ctx, false);
    if (!marks.removeDatabase(database.tesselId(), sqlDatabaseId)) return copied(err, marks.getLastError());
    KelSQLFileSubClient subclients(ctx, false);
    if (!subclients.deleteDatabase(sqlDatabaseId)) return copied(err, subclients.getLastError());
    const std::vector<KelSQLFileGroup_t>* listed = database.getConfiguredFGs(true, sqlDatabaseId);
    if (!listed) return copied(err, database.getLastError());
    const std::vector<KelSQLFileGroup_t> groups = *listed;
    KelSQLFileGroup group(ctx, false);
    for (const KelSQLFileGroup_t& entry : groups)
        if (!group.forceDeletion(entry.sqlId, true)) return copied(err, group.getLastError());
    SqlDatabase record(ctx.getDBTransaction());
    record.setWhere("backupSetId=%d", static_cast<int>(sqlDatabaseId));
    const int code = record.rowDelete();
    if (code == 0 || code == 100) return true;
    err.setNumber(kErrRowOperation);
    err.addArgument(kFn);
    err.addArgument(record.getpDescribe());
    err.addArgument(record.getErrorStr(code));
    return false;
}
