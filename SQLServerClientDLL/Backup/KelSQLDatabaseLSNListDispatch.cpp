#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLDatabaseLSNList.h"
#include "KelSQL/KelSQLTimeZone.h"

bool KelSQLDatabaseLSNList::query(KelNetSQLBSIdListReq_t* req, KelNetSQLBSIdListRsp_t* rsp) {
    static const char* kFn = "KelSQLDatabaseLSNList::query(reqBSIds, rspBSIds)";
    if (!serverObject_) return fail(kelsql::kErrNoSide, kFn);
    if (!req || !rsp) return fail(kelsql::kErrNoBuffer, kFn);
    bsIdList_.clear();
    restoreByteSize_ = 0;
    const unsigned long backupSet = static_cast<unsigned long>(req->SqlBackupSetId);
    const unsigned long database = static_cast<unsigned long>(req->SqlDatabaseId);
    const unsigned long time = static_cast<unsigned long>(req->RestoreTime);
    bool ok = true;
    switch (req->RestoreType) {
    case KelNetSQLRestoreTypePointInTime:
    case KelNetSQLRestoreTypeDiscreteTime: {
        SIM_TimeZoneInfo_t zone{};
        KelLastError zoneError;
        const bool haveZone = getTimeZoneInfoForDatabase(database, zone, zoneError);
        if (!haveZone)
            context_.log().debug(kFn, "Failed to get timeZone Info for database [%ld]", static_cast<long>(database));
        ok = query(haveZone ? &zone : nullptr, database, time,
                   req->RestoreType == KelNetSQLRestoreTypePointInTime ? KelSQLTimeTypePointInTime
                                                                       : KelSQLTimeTypeDiscreteTime);
        break;
    }
    case KelNetSQLRestoreTypeDBBackupSet: ok = query(backupSet); break;
    case KelNetSQLRestoreTypeFileGroup:
    case KelNetSQLRestoreTypeFile:
        ok = query(backupSet, static_cast<KelNetSQLRestoreType>(req->RestoreType), database, time, true);
        break;
    case KelNetSQLRestoreTypeFFGPointInTime:
    case KelNetSQLRestoreTypeFFGStopAtMark:
    case KelNetSQLRestoreTypeFFGStopBeforeMark:
        ok = query(backupSet, KelNetSQLRestoreTypeFFGPointInTime, database, time, true);
        break;
    default: break;  // no chain: an empty list
    }
    return ok && copyToNetwork(rsp);
}
