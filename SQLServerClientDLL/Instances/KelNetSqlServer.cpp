#include "KelSQL/KelNetSQLServer.h"

#include "KelSQL/KelNetSQLRegistry.h"
#include "KelSQL/KelSQLServer.h"

namespace {

const kelsql::MessageRegistration<KelNetSQLServer, kelsql::AnswerSide::Both> registered;

}  // namespace

void KelNetSQLServer::printSQLServer(const KelNetSQLServer_t* r) {
    if (!r || !sqlLogLevel(4)) return;
    const char* fn = "KelNetSQLServer::printSQLServer";
    sqlDumpLine(fn, "2    %s:%s", "KelNet SqlServer", " ");
    dumpNumber(fn, "SqlServerId", static_cast<long long>(r->SqlServerId));
    dumpNumber(fn, "TesselId", static_cast<long long>(r->TesselId));
    dumpText(fn, "ServerName", r->ServerName, sizeof r->ServerName);
    dumpText(fn, "ClientName", r->ClientName, sizeof r->ClientName);
    dumpText(fn, "SqlServiceName", r->SqlServiceName, sizeof r->SqlServiceName);
    dumpText(fn, "UndoFilePath", r->UndoFilePath, sizeof r->UndoFilePath);
    dumpNumber(fn, "ServerMajor", static_cast<long long>(r->ServerMajor));
    dumpNumber(fn, "ServerMinor", static_cast<long long>(r->ServerMinor));
    dumpNumber(fn, "ServerBuild", static_cast<long long>(r->ServerBuild));
    dumpNumber(fn, "ClientId", static_cast<long long>(r->ClientId));
    dumpNumber(fn, "AddTime", static_cast<long long>(r->AddTime));
    dumpNumber(fn, "DeleteTime", static_cast<long long>(r->DeleteTime));
    dumpNumber(fn, "DeleteFlag", static_cast<long long>(r->DeleteFlag));
    dumpHex(fn, "Flags", r->Flags);
}

void KelNetSQLServer::dumpRequest(const char* fn, const KelNetSQLServerReq_t& req) {
    dumpNumber(fn, "DBCode", req.DBCode);
    printSQLServer(&req.Server);
}

void KelNetSQLServer::dumpResponse(const char*, const KelNetSQLServerRsp_t& rsp) { printSQLServer(&rsp.Server); }

// The Ostrel asks the client's agent host for its live instance; everything
// else reads or writes the catalogue.
kelsql::AnswerSide KelNetSQLServer::answerSide(const KelNetSQLServerReq_t& req) {
    return req.DBCode == KelNetSQLServerExtract ? kelsql::AnswerSide::Agent : kelsql::AnswerSide::Ostrel;
}

bool KelNetSQLServer::answer(KelNetSQLServerReq_t& req, KelNetSQLServerRsp_t& rsp) {
    KelSQLServer server(context(), true);
    bool ok = false;
    switch (req.DBCode) {
    case KelNetSQLServerLookup: ok = server.lookup(&req, &rsp); break;
    case KelNetSQLServerUpdate: ok = server.update(&req, &rsp); break;
    case KelNetSQLServerInsert: ok = server.insert(&req, &rsp); break;
    case KelNetSQLServerExtract: ok = server.extract(&req, &rsp); break;
    case KelNetSQLServerLogicalDeletion: ok = server.logicalDeletion(&req, &rsp); break;
    default: return refuse("KelNetSQLServer::buildReply()", req.DBCode);
    }
    if (!ok) {
        getLastError() = server.getLastError();
        // Whatever a failed operation wrote is not an answer.
        std::memset(static_cast<void*>(&rsp.Server), 0, sizeof rsp.Server);
    }
    return ok;
}
