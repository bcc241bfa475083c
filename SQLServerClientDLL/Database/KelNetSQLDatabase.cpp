#include "KelSQL/KelNetSQLDatabase.h"

#include "KelSQL/KelNetSQLRegistry.h"
#include "KelSQL/KelSQLDatabase.h"

namespace {

const kelsql::MessageRegistration<KelNetSQLDatabase, kelsql::AnswerSide::Both> registered;

}  // namespace

void KelNetSQLDatabase::printSQLDatabase(const KelNetSQLDatabase_t* r) {
    if (!r || !sqlLogLevel(4)) return;
    const char* fn = "KelNetSQLDatabase::printSQLDatabase";
    dumpInnerHeader(fn, "KelNet SqlDatabase");
    dumpNumber(fn, "SqlDatabaseId", static_cast<long long>(r->SqlDatabaseId));
    dumpNumber(fn, "TesselId", static_cast<long long>(r->TesselId));
    dumpText(fn, "DatabaseName", r->DatabaseName, sizeof r->DatabaseName);
    dumpText(fn, "ServerName", r->ServerName, sizeof r->ServerName);
    dumpText(fn, "ClientName", r->ClientName, sizeof r->ClientName);
    dumpNumber(fn, "SqlServerId", static_cast<long long>(r->SqlServerId));
    dumpNumber(fn, "ApplicationNumber", static_cast<long long>(r->ApplicationNumber));
    dumpNumber(fn, "DatabaseId", static_cast<long long>(r->DatabaseId));
    dumpNumber(fn, "Streams", static_cast<long long>(r->Streams));
    dumpNumber(fn, "MaxStreams", static_cast<long long>(r->MaxStreams));
    dumpNumber(fn, "LogStreams", static_cast<long long>(r->LogStreams));
    dumpNumber(fn, "AllowFlags", static_cast<long long>(r->AllowFlags));
    dumpNumber(fn, "AddTime", static_cast<long long>(r->AddTime));
    dumpNumber(fn, "RemovalTime", static_cast<long long>(r->RemovalTime));
    dumpNumber(fn, "DeleteFlag", static_cast<long long>(r->DeleteFlag));
    dumpNumber(fn, "ArchiveGroupNameId", static_cast<long long>(r->ArchiveGroupNameId));
    dumpHex(fn, "SystemFlags", r->SystemFlags);
    KelNetSQLDateTime_t creation = r->CreationTime;
    printSQLDateTime(3, "CreationTime", &creation);
}

void KelNetSQLDatabase::dumpRequest(const char* fn, const KelNetSQLDatabaseReq_t& req) {
    dumpNumber(fn, "DBCode", req.DBCode);
    printSQLDatabase(&req.Database);
}

void KelNetSQLDatabase::dumpResponse(const char*, const KelNetSQLDatabaseRsp_t& rsp) {
    printSQLDatabase(&rsp.Database);
}

kelsql::AnswerSide KelNetSQLDatabase::answerSide(const KelNetSQLDatabaseReq_t& req) {
    switch (req.DBCode) {
    case KelNetSQLDatabaseLookup:
    case KelNetSQLDatabaseUpdate:
    case KelNetSQLDatabaseLogicalDeletion: return kelsql::AnswerSide::Ostrel;
    case KelNetSQLDatabaseCompare: return kelsql::AnswerSide::Agent;
    // A registration is stored by the Ostrel and relayed to it by the agent
    // host it was sent to; an unknown code is refused by the answer itself.
    default: return kelsql::AnswerSide::Both;
    }
}

bool KelNetSQLDatabase::answer(KelNetSQLDatabaseReq_t& req, KelNetSQLDatabaseRsp_t& rsp) {
    KelSQLDatabase database(context(), true);
    bool ok = false;
    switch (req.DBCode) {
    case KelNetSQLDatabaseLookup: ok = database.lookup(&req, &rsp); break;
    case KelNetSQLDatabaseConfig: ok = database.config(&req.Database, &rsp.Database); break;
    case KelNetSQLDatabaseUpdate: ok = database.update(&req, &rsp); break;
    case KelNetSQLDatabaseCompare:
        // Only an agent host compares with its live instance.
        if (!context().isClientOperations()) return refuse("KelNetSQLDatabase::buildReply()", req.DBCode);
        ok = database.CompareAndUpdate(&req, &rsp);
        break;
    case KelNetSQLDatabaseLogicalDeletion: ok = database.logicalDeletion(&req.Database, &rsp.Database); break;
    default: return refuse("KelNetSQLDatabase::buildReply()", req.DBCode);
    }
    if (!ok) {
        getLastError() = database.getLastError();
        // Whatever a failed operation wrote is not an answer.
        std::memset(static_cast<void*>(&rsp.Database), 0, sizeof rsp.Database);
    }
    return ok;
}
