#include "KelSQL/KelNetSQLAppId.h"

#include "KelSQL/KelNetSQLRegistry.h"
#include "KelSQL/KelSQLAppId.h"

namespace {

const kelsql::MessageRegistration<KelNetSQLAppId, kelsql::AnswerSide::Ostrel> registered;

}  // namespace

void KelNetSQLAppId::dumpRequest(const char* fn, const KelNetSQLAppIdReqV3_t& req) {
    dumpNumber(fn, "DBCode", req.DBCode);
    dumpText(fn, "ClientName", req.ClientName, sizeof req.ClientName);
    dumpNumber(fn, "ApplicationType", static_cast<long long>(req.ApplicationType));
    dumpText(fn, "ServerName", req.ServerName, sizeof req.ServerName);
    dumpText(fn, "DatabaseName", req.DatabaseName, sizeof req.DatabaseName);
    dumpText(fn, "SubClientName", req.SubClientName, sizeof req.SubClientName);
    dumpText(fn, "Release", req.Release, sizeof req.Release);
    dumpNumber(fn, "ArchiveGroupNameId", static_cast<long long>(req.ArchiveGroupNameId));
    dumpNumber(fn, "LOGArchiveGroupNameId", static_cast<long long>(req.LOGArchiveGroupNameId));
    dumpNumber(fn, "SPConfig", static_cast<long long>(req.SPConfig));
}

void KelNetSQLAppId::dumpResponse(const char* fn, const KelNetSQLAppIdRsp_t& rsp) {
    dumpNumber(fn, "InstanceId", static_cast<long long>(rsp.InstanceId));
    dumpNumber(fn, "BackupSetId", static_cast<long long>(rsp.BackupSetId));
    dumpNumber(fn, "ApplicationId", static_cast<long long>(rsp.ApplicationId));
    dumpNumber(fn, "ClientId", static_cast<long long>(rsp.ClientId));
}

bool KelNetSQLAppId::answer(KelNetSQLAppIdReqV3_t& req, KelNetSQLAppIdRsp_t& rsp) {
    KelSQLAppId appId(context(), true);
    bool ok = false;
    switch (req.DBCode) {
    case KelNetSQLAppIdLookup: ok = appId.lookup(&req, &rsp); break;
    case KelNetSQLAppIdCreate: ok = appId.update(&req, &rsp); break;
    default: return refuse("KelNetSQLAppId::buildReply()", req.DBCode);
    }
    if (!ok) getLastError() = appId.getLastError();
    return ok;
}
