#include "KelSQL/KelNetSQLHotServerStep.h"

#include "../Records/FieldCopy.h"
#include "KelSQL/KelNetSQLRegistry.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLDatabaseLSNList.h"
#include "platform/util/BoundedCopy.h"

namespace {

const kelsql::MessageRegistration<KelNetSQLHotServerStep, kelsql::AnswerSide::Ostrel> registered;

}  // namespace

KelNetSQLHotServerStep::KelNetSQLHotServerStep(KelSQLClassProperties& ctx, bool terminate)
    : KelNetSQLMessage(ctx, terminate) {
    // The base built the frame; only the addressing is this class's own.
    if (ctx.isClientOperations()) setRemoteOstrel();
}

bool KelNetSQLHotServerStep::initialize(bool terminate) {
    bool ok = KelNetSQLMessage::initialize(terminate);
    if (ok && initiatorMode() && context().isClientOperations()) ok = setRemoteOstrel();
    return ok;
}

bool KelNetSQLHotServerStep::networkQuery(unsigned long sqlDatabaseId, unsigned long backupSetId,
                                          unsigned long& current, unsigned long& next,
                                          const std::string& backupSetName, unsigned long& flags) {
    KelNetSQLHotServerStepReq* req = requestMessage(true);
    if (!req) return fail(kelsql::kErrNoBuffer, "KelNetSQLHotServerStep::networkQuery()");
    req->SqlDatabaseId = sqlDatabaseId;
    req->BackupSetId = backupSetId;
    if (!kelsql::copyText(getLastError(), req->BackupSetName, backupSetName, "backupSetName",
                          "KelNetSQLHotServerStep::networkQuery()"))
        return false;
    if (!exchange(getLastError())) return false;
    const KelNetSQLHotServerStepRsp* rsp = responseMessage(false);
    current = static_cast<unsigned long>(rsp->CurrentSqlBackupSetId);
    next = static_cast<unsigned long>(rsp->NextSqlBackupSetId);
    flags = static_cast<unsigned long>(rsp->Flags);
    return true;
}

bool KelNetSQLHotServerStep::answer(KelNetSQLHotServerStepReq& req, KelNetSQLHotServerStepRsp& rsp) {
    KelSQLDatabaseLSNList list(context(), true);
    unsigned long current = 0, next = 0, flags = 0;
    const bool ok = list.hotServerStandbyQuery(static_cast<unsigned long>(req.SqlDatabaseId),
                                               static_cast<unsigned long>(req.BackupSetId), current, next,
                                               kel::fieldText(req.BackupSetName), flags);
    if (!ok) {
        getLastError() = list.getLastError();
        return false;
    }
    rsp.CurrentSqlBackupSetId = current;
    rsp.NextSqlBackupSetId = next;
    rsp.Flags = flags;
    return true;
}

void KelNetSQLHotServerStep::dumpRequest(const char* fn, const KelNetSQLHotServerStepReq& req) {
    dumpNumber(fn, "SqlDatabaseId", static_cast<long long>(req.SqlDatabaseId));
    dumpNumber(fn, "BackupSetId", static_cast<long long>(req.BackupSetId));
    dumpText(fn, "BackupSetName", req.BackupSetName, sizeof req.BackupSetName);
}

void KelNetSQLHotServerStep::dumpResponse(const char* fn, const KelNetSQLHotServerStepRsp& rsp) {
    dumpNumber(fn, "CurrentSqlBackupSetId", static_cast<long long>(rsp.CurrentSqlBackupSetId));
    dumpNumber(fn, "NextSqlBackupSetId", static_cast<long long>(rsp.NextSqlBackupSetId));
}
