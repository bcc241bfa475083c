#include "KelSQL/KelNetSQLFileGroup.h"

#include "KelSQL/KelNetSQLRegistry.h"
#include "KelSQL/KelSQLFileGroup.h"

namespace {

const kelsql::MessageRegistration<KelNetSQLFileGroup, kelsql::AnswerSide::Ostrel> registered;

}  // namespace

void KelNetSQLFileGroup::printSQLFileGroup(const KelNetSQLFileGroup_t* r) {
    if (!r || !sqlLogLevel(4)) return;
    const char* fn = "KelNetSQLFileGroup::printSQLFileGroup";
    dumpInnerHeader(fn, "KelNet SqlFileGroup");
    dumpNumber(fn, "SqlFileGroupId", static_cast<long long>(r->SqlFileGroupId));
    dumpNumber(fn, "SqlDatabaseId", static_cast<long long>(r->SqlDatabaseId));
    dumpNumber(fn, "TesselId", static_cast<long long>(r->TesselId));
    dumpText(fn, "FileGroupName", r->FileGroupName, sizeof r->FileGroupName);
    dumpText(fn, "DatabaseName", r->DatabaseName, sizeof r->DatabaseName);
    dumpText(fn, "ServerName", r->ServerName, sizeof r->ServerName);
    dumpText(fn, "ClientName", r->ClientName, sizeof r->ClientName);
    dumpNumber(fn, "ApplicationNumber", static_cast<long long>(r->ApplicationNumber));
    dumpNumber(fn, "FileGroupId", static_cast<long long>(r->FileGroupId));
    dumpNumber(fn, "Streams", static_cast<long long>(r->Streams));
    dumpNumber(fn, "MaxStreams", static_cast<long long>(r->MaxStreams));
    dumpNumber(fn, "AddTime", static_cast<long long>(r->AddTime));
    dumpNumber(fn, "RemovalTime", static_cast<long long>(r->RemovalTime));
    dumpNumber(fn, "DeleteFlag", static_cast<long long>(r->DeleteFlag));
}

void KelNetSQLFileGroup::dumpRequest(const char* fn, const KelNetSQLFileGroupReq_t& req) {
    dumpNumber(fn, "DBCode", req.DBCode);
    printSQLFileGroup(&req.FileGroup);
}

void KelNetSQLFileGroup::dumpResponse(const char*, const KelNetSQLFileGroupRsp_t& rsp) {
    printSQLFileGroup(&rsp.FileGroup);
}

bool KelNetSQLFileGroup::answer(KelNetSQLFileGroupReq_t& req, KelNetSQLFileGroupRsp_t& rsp) {
    KelSQLFileGroup group(context(), true);
    bool ok = false;
    switch (req.DBCode) {
    case KelNetSQLFileGroupLookup: ok = group.lookup(&req.FileGroup, &rsp.FileGroup); break;
    case KelNetSQLFileGroupUpdate: ok = group.update(&req.FileGroup, &rsp.FileGroup); break;
    case KelNetSQLFileGroupConfig: ok = group.config(&req.FileGroup, &rsp.FileGroup); break;
    case KelNetSQLFileGroupLogicalDeletion: ok = group.logicalDeletion(&req.FileGroup, &rsp.FileGroup); break;
    // DBCode 3 is the agent host's question; the catalogue does not answer it.
    default: return refuse("KelNetSQLFileGroup::buildReply()", req.DBCode);
    }
    if (!ok) {
        getLastError() = group.getLastError();
        // Whatever a failed operation wrote is not an answer.
        std::memset(static_cast<void*>(&rsp.FileGroup), 0, sizeof rsp.FileGroup);
    }
    return ok;
}
