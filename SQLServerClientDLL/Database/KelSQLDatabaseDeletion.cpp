// KelSQLDatabase: logical and forced deletion, and the layout tree that
// file-subclient editing works on.
#include <strings.h>

#include "KelSQL/KelSQLBackupSet.h"
#include "KelSQL/KelSQLDatabase.h"
#include "KelSQL/KelSQLFile.h"
#include "KelSQL/KelSQLFileSubClient.h"
#include "KelSQL/KelSQLLogMarkName.h"
#include "KelSQL/KelSQLRestoreTask.h"
#include "KelSQL/SqlDatabaseTable.h"
#include "RecordSupport.h"

using kelsql::record::Where;

bool KelSQLDatabase::logicalDeletion(bool deleteFlag, unsigned long sqlDatabaseId) {
    static const char* kFn = "KelSQLDatabase::logicalDeletion(deleteFlag, sqlDatabaseId)";
    const unsigned long id = sqlDatabaseId ? sqlDatabaseId : sqlId_;
    if (!idNotSet(getLastError(), id, "sqlDatabaseId", kFn)) return false;
    switch (kelsql::record::placeOf(context_, *this)) {
    case Where::Local:
        if (!query(id, nullptr)) return false;
        deleteFlag ? deleteFlag_->setDelete() : deleteFlag_->setUndelete();
        return updateDeleteFlag();
    case Where::Remote: {
        KelNetSQLDatabaseReq_t* req = requestMessage(true);
        if (!req) return false;
        req->DBCode = KelNetSQLDatabaseLogicalDeletion;
        req->Database.SqlDatabaseId = id;
        req->Database.DeleteFlag = deleteFlag ? 1 : 0;
        return networkQuery();
    }
    case Where::Neither: break;
    }
    return fail(kelsql::kErrOstrelSideOnly, kFn);
}

bool KelSQLDatabase::logicalDeletion(KelNetSQLDatabase_t* reqDatabase, KelNetSQLDatabase_t* rspDatabase) {
    if (!serverSide_) return fail(kelsql::kErrNoSide, "KelSQLDatabase::logicalDeletion(reqDatbase, rspDatabase)");
    return logicalDeletion(reqDatabase->DeleteFlag != 0, static_cast<unsigned long>(reqDatabase->SqlDatabaseId)) &&
           copyToNetwork(*rspDatabase);
}

bool KelSQLDatabase::forceDeletion(unsigned long sqlDatabaseId, bool force) {
    static const char* kFn = "KelSQLDatabase::forceDeletion(sqlDatabaseId)";
    if (!context_.isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, kFn);
    const unsigned long id = sqlDatabaseId ? sqlDatabaseId : sqlId_;
    if (!idNotSet(getLastError(), id, "sqlDatabaseId", kFn)) return false;
    if (!query(id, nullptr)) {
        if (sqlCode_ != 100) return false;
        getLastError().clear();  // gone already
        return true;
    }
    const bool isProtected = strcasecmp(databaseName_.c_str(), "master") == 0 || databaseId_ == 1;
    if (!force && isProtected && !deleteFlag_->isDeleted()) {
        getLastError().setNumber(kelsql::kErrDatabaseDeletion);
        return false;
    }
    if (!context_.isTransactionStarted()) return fail(kelsql::kErrTranRequired, kFn);
    if (!removeHistory(id)) return false;
    std::vector<KelSQLFileGroup_t>* groups = getConfiguredFGs(true, id);
    if (!groups) return false;
    KelSQLFileGroup group(context_, false);
    for (const KelSQLFileGroup_t& entry : *groups)
        if (!group.forceDeletion(entry.sqlId, true)) return copyError(group.getLastError());
    return deleteRow(id, kFn);
}

// Restore tasks, backup history and, from SQL Server 2000 on, log marks
// and file subclients.
bool KelSQLDatabase::removeHistory(unsigned long sqlDatabaseId) {
    KelSQLRestoreTask tasks(context_, false, kelsql::kRestoreTaskV3);
    if (!tasks.databaseForceDelete(sqlDatabaseId)) return copyError(tasks.getLastError());
    KelSQLBackupSet backups(context_, false, KelNetSQLBackupSet::kRequestType2);
    if (!backups.databaseForceDelete(sqlDatabaseId)) return copyError(backups.getLastError());
    if (isSql7()) return true;
    const unsigned long tesselId = tesselId_ ? tesselId_ : context_.getOstrel().getTesselId();
    KelSQLLogMarkName marks(context_, false);
    if (!marks.removeDatabase(tesselId, sqlDatabaseId)) return copyError(marks.getLastError());
    KelSQLFileSubClient subclients(context_, false);
    return subclients.deleteDatabase(sqlDatabaseId) || copyError(subclients.getLastError());
}

bool KelSQLDatabase::deleteRow(unsigned long sqlDatabaseId, const char* signature) {
    SqlDatabase record(context_.getDBTransaction());
    record.setWhere("backupSetId=%d", static_cast<int>(sqlDatabaseId));
    sqlCode_ = record.rowDelete();
    return sqlCode_ == 0 || sqlCode_ == 100 || catalogueError(signature, record);
}

bool KelSQLDatabase::getDatabaseLayout(KelSQLDatabaseLayout& layout, unsigned long sqlDatabaseId) {
    static const char* kFn = "KelSQLDatabase::getDatabaseLayout(layout, sqlDatabaseId)";
    if (!context_.isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, kFn);
    const unsigned long id = sqlDatabaseId ? sqlDatabaseId : sqlId_;
    if (!idNotSet(getLastError(), id, "sqlDatabaseId", kFn) || !query(id, nullptr)) return false;
    KelSQLDatabaseLayoutInternal view(layout);
    view.clear();
    view.setDatabaseName() = databaseName_;
    view.setSqlDatabaseId(sqlId_);
    if (deleteFlag_->isDeleted()) view.flags().setLogicallyDeletedOn();
    if (removalTime_.time() != 0) view.flags().setClientRemovedOn();
    std::vector<KelSQLFileGroup_t>* groups = getConfiguredFGs(true, 0);
    if (!groups) return false;
    // The list is reread by the group loads below: walk a copy.
    const std::vector<KelSQLFileGroup_t> configured = *groups;
    for (const KelSQLFileGroup_t& entry : configured)
        if (!addLayoutGroup(view, entry.sqlId)) return false;
    view.update();
    return true;
}

bool KelSQLDatabase::addLayoutGroup(KelSQLDatabaseLayoutInternal& view, unsigned long sqlFileGroupId) {
    KelSQLFileGroup group(context_, false);
    if (!group.query(sqlFileGroupId)) return copyError(group.getLastError());
    KelSQLDatabaseFileGroupInternal node;
    node.setSqlFileGroupId(group.sqlId());
    node.setFileGroupName() = group.fileGroupName();
    if (group.isDeleted()) node.flags().setLogicallyDeletedOn();
    if (group.getRemovalTime().time() != 0) node.flags().setClientRemovedOn();
    std::vector<KelSQLFile_t>* files = group.getConfiguredFiles(true, 0);
    if (!files) return copyError(group.getLastError());
    KelSQLFile file(context_, false);
    for (const KelSQLFile_t& entry : *files) {
        if (!file.query(entry.sqlId)) return copyError(file.getLastError());
        KelSQLDatabaseFileInternal leaf;
        leaf.setSqlFileId(file.sqlId());
        leaf.setLogicalName() = file.logicalName();
        leaf.setPhysicalName() = file.physicalName();
        if (file.isDeleted()) leaf.flags().setLogicallyDeletedOn();
        if (file.getRemovalTime().time() != 0) leaf.flags().setClientRemovedOn();
        node.fileList().push_back(leaf);
    }
    view.fileGroupList().push_back(node);
    return true;
}
