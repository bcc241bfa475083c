#include "KelSQL/KelSQLBackupRules.h"

#include <cstdio>

#include "Db/Proc/simGetVersionOfClient.h"
#include "Db/Tbl/sqlLSNs.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLDatabase.h"
#include "KelSQL/KelSQLDatabaseLSNList.h"
#include "KelSQL/KelSQLDateAndTime.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLErrors.h"
#include "KelSQL/KelSQLFile.h"
#include "KelSQL/KelSQLFileGroup.h"
#include "KelSQL/KelSQLServer.h"
#include "BackupRecords.h"
#include "platform/appmgr/ApplicationId.h"
#include "platform/appmgr/KelClient.h"
#include "platform/events/KelDebug.h"
#include "platform/info/KelPlatformInfo.h"

namespace {

std::string appLine(const char* what, uint64_t appId, uint64_t tesselId) {
    char text[160];
    snprintf(text, sizeof text, "Could not %s object for appID = [%ld] on tessel [%ld]", what,
             static_cast<long>(appId), static_cast<long>(tesselId));
    return text;
}

bool clientVersionBelow(uint64_t tesselId, uint64_t clientId, uint64_t appId, int32_t threshold, const char* fn) {
    unsigned long id = static_cast<unsigned long>(clientId);
    if (id == 0) {
        ApplicationId app(static_cast<unsigned long>(tesselId), static_cast<unsigned long>(appId));
        KelClient* client = app.getClient();
        if (!client) {
            KelDebug::Debug(fn, appLine("getClient", appId, tesselId).c_str());
            return false;
        }
        if (client->getClientId(id) != 0) {
            KelDebug::Debug(fn, appLine("get ClientId", appId, tesselId).c_str());
            return false;
        }
    }
    char noVersion[80];
    snprintf(noVersion, sizeof noVersion, "Could not get version info for clientId [%ld]", static_cast<long>(id));
    SimGetVersionOfClient proc(nullptr);
    proc.setValues(static_cast<int>(id));
    if (proc.openCursor() != 0) {
        KelDebug::Debug(fn, noVersion);
        return false;
    }
    const int code = proc.fetchCursor(true);
    const int32_t release = proc.getDataPtr()->o_releaseID;
    proc.closeCursor();
    if (code != 0) {
        KelDebug::Debug(fn, noVersion);
        return false;
    }
    return release < threshold;
}

}  // namespace

bool sqlServerEnableNextFullBackup(KelSQLClassProperties& context, KelLastError& err, uint64_t tesselId,
                                   uint64_t sqlServerId) {
    if (tesselId == 0 || sqlServerId == 0) {
        err.setNumber(kelsql::kErrInvalidArgument);
        return false;
    }
    if (!context.isServerOperations()) {
        err.setNumber(kelsql::kErrOstrelSideOnly);
        err.addArgument("sqlServerEnableNextFullBackup(sqlClassProperties, lastError, tesselId, sqlServerId)");
        return false;
    }
    KelSQLServer server(context, false);
    if (!server.query(static_cast<unsigned long>(sqlServerId))) {
        err = server.getLastError();
        return false;
    }
    // The flags are written in a transaction: the caller's, else one per
    // row, so that those marked before a failure stay marked.
    const bool own = !context.isTransactionStarted();
    auto write = [&](KelLastError& rowError, auto&& change) {
        if (own && !context.startTransaction()) {
            err = context.getLastError();
            return false;
        }
        if (!change()) {
            err = rowError;
            if (own) context.rollBackTransaction();
            return false;
        }
        if (own && !context.commitTransaction()) {
            err = context.getLastError();
            return false;
        }
        return true;
    };
    if (context.getSQLDSN().sqlAppType().isSql2000AppType() &&
        !write(server.getLastError(), [&] {
            server.sql2000Upgrade()->enable();
            return server.updateSQL2000UpgradeFlag();
        }))
        return false;
    const std::vector<KelSQLDatabase_t>* configured = server.getConfiguredDBs(true, 0);
    if (!configured) {
        err = server.getLastError();
        return false;
    }
    // The server's list is refilled by nothing below: it stays as read.
    const std::vector<KelSQLDatabase_t> databases = *configured;
    KelSQLDatabase database(context, false);
    for (const KelSQLDatabase_t& entry : databases) {
        if (!write(database.getLastError(), [&] {
                if (!database.query(entry.sqlId, nullptr)) return false;
                database.setNextFullOn();
                return database.updateAllowFlags();
            }))
            return false;
    }
    return true;
}

bool isClientVersionLessThan42(uint64_t tesselId, uint64_t clientId, uint64_t appId) {
    return clientVersionBelow(tesselId, clientId, appId, 8, "isClientVersionOlderThan42");
}

bool isClientVersionLessThan41(uint64_t tesselId, uint64_t clientId, uint64_t appId) {
    return clientVersionBelow(tesselId, clientId, appId, 7, "isClientVersionOlderThan41");
}

bool getEndTimeForFFGPITRestores(const char* focusName, SIM_TimeZoneInfo_t* tz, uint32_t sqlDatabaseId,
                                 uint32_t time, uint32_t& endTime) {
    KelSQLClassProperties context(focusName ? focusName : "", KelSQLServerSide);
    KelSQLDatabaseLSNList list(context, true);
    SqlLSNs_t row{};
    if (!list.getLogLSNRecordForFFGPIT(tz, sqlDatabaseId, time, row)) {
        context.log().debug("getEndTimeForFFGPITRestores ", "Failed to get lsn of the log required for FFG PIT restore.");
        return false;
    }
    KelSQLDateAndTime finish;
    finish.setTime(kelsql::backup::wireDate(row.finishTime));
    endTime = static_cast<uint32_t>(finish.time());
    return true;
}

void formatINClause(const std::vector<int32_t>& ids, std::string& text) {
    text = " IN (";
    for (size_t i = 0; i < ids.size(); ++i) {
        if (i) text += ", ";
        text += std::to_string(ids[i]);
    }
    text += ")";
}

bool recalculateTimeForSQLInstance(uint64_t, uint64_t, uint64_t&, bool, KelLastError& err, SIM_TimeZoneInfo_t*) {
    return kelsql::notSupported(err, "recalculateTimeForSQLInstance()");
}

bool recalculateTimeForSQLDatabase(uint64_t sqlDatabaseId, uint64_t otherId, uint64_t& time, bool flag,
                                   KelLastError& err, SIM_TimeZoneInfo_t* tz) {
    KelSQLClassProperties context(KelPI_Focus::getFocus(), KelSQLServerSide);
    KelSQLDatabase database(context, false);
    if (!database.query(static_cast<unsigned long>(sqlDatabaseId), nullptr)) {
        err = database.getLastError();
        return false;
    }
    return recalculateTimeForSQLInstance(database.sqlServerId(), otherId, time, flag, err, tz);
}

bool recalculateTimeForSQLFileGroup(uint64_t sqlFileGroupId, uint64_t otherId, uint64_t& time, bool flag,
                                    KelLastError& err, SIM_TimeZoneInfo_t* tz) {
    KelSQLClassProperties context(KelPI_Focus::getFocus(), KelSQLServerSide);
    KelSQLFileGroup group(context, false);
    if (!group.query(static_cast<unsigned long>(sqlFileGroupId))) {
        err = group.getLastError();
        return false;
    }
    return recalculateTimeForSQLDatabase(group.sqlDatabaseId(), otherId, time, flag, err, tz);
}

bool recalculateTimeForSQLFile(uint64_t sqlFileId, uint64_t otherId, uint64_t& time, bool flag, KelLastError& err,
                               SIM_TimeZoneInfo_t* tz) {
    KelSQLClassProperties context(KelPI_Focus::getFocus(), KelSQLServerSide);
    KelSQLFile file(context, false);
    if (!file.query(static_cast<unsigned long>(sqlFileId))) {
        err = file.getLastError();
        return false;
    }
    return recalculateTimeForSQLFileGroup(file.sqlFileGroupId(), otherId, time, flag, err, tz);
}
