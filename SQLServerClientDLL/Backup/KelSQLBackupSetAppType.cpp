#include "Db/Cursor/sqlBSVersion.h"
#include "KelSQL/KelSQLDatabaseLSNList.h"
#include "BackupRecords.h"

KelSQLBackupSetAppType::KelSQLBackupSetAppType() : v7_(flags_, 1), v8_(flags_, 2), v9_(flags_, 4) {}

bool KelSQLBackupSetAppType::query(KelSQLClassProperties& context, unsigned long sqlBackupSetId) {
    static const char* kFn = "KelSQLBackupSetAppType::query(classProperties, sqlBackupSetId)";
    flags_ = 0;
    SqlBSVersion cursor(kelsql::backup::transactionOf(context));
    cursor.setValues(static_cast<int>(sqlBackupSetId));
    dbStatus_ = cursor.getOneRow(&cursor, false, -1, 0);
    if (dbStatus_ != 0) {
        error_.setNumber(kelsql::kErrRowOperation);
        error_.addArgument(cursor.getpDescribe());
        error_.addArgument(cursor.getErrorStr(static_cast<int>(dbStatus_)));
        return false;
    }
    const int major = cursor.getDataPtr()->major;
    switch (major) {
    case 7: v7_.enable(); return true;
    case 8: v8_.enable(); return true;
    case 9: v9_.enable(); return true;
    default: break;
    }
    error_.setNumber(kelsql::kErrUnsupportedVersion);
    error_.addArgument(kFn);
    error_.addArgument(major);
    return false;
}
