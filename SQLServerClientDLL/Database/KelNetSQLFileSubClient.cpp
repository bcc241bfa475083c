#include "KelSQL/KelNetSQLFileSubClient.h"

#include "KelSQL/KelNetSQLRegistry.h"
#include "KelSQL/KelSQLFileSubClient.h"

namespace {

const kelsql::MessageRegistration<KelNetSQLFileSubClient, kelsql::AnswerSide::Ostrel> registered;

void dumpRecord(const char* fn, const KelNetSQLFileSubClient_t& r,
                void (*number)(const char*, const char*, long long)) {
    number(fn, "SqlFileSubClientId", static_cast<long long>(r.SqlFileSubClientId));
    number(fn, "TesselId", static_cast<long long>(r.TesselId));
    number(fn, "SqlDatabaseId", static_cast<long long>(r.SqlDatabaseId));
    number(fn, "ApplicationNumber", static_cast<long long>(r.ApplicationNumber));
    number(fn, "flags", static_cast<long long>(r.flags));
    number(fn, "SqlFileSubClientGroupId", static_cast<long long>(r.SqlFileSubClientGroupId));
    number(fn, "Streams", static_cast<long long>(r.Streams));
    number(fn, "LogStreams", static_cast<long long>(r.LogStreams));
    number(fn, "MaxStreams", static_cast<long long>(r.MaxStreams));
    number(fn, "FlagsChanged", static_cast<long long>(r.FlagsChanged));
}

}  // namespace

void KelNetSQLFileSubClient::dumpRequest(const char* fn, const KelNetSQLFileSubClientReq_t& req) {
    dumpNumber(fn, "SqlFileSubClientId", static_cast<long long>(req.FileSubClient.SqlFileSubClientId));
}

void KelNetSQLFileSubClient::dumpResponse(const char* fn, const KelNetSQLFileSubClientRsp_t& rsp) {
    dumpRecord(fn, rsp.FileSubClient, &KelNetSQLFrame::dumpNumber);
}

bool KelNetSQLFileSubClient::answer(KelNetSQLFileSubClientReq_t& req, KelNetSQLFileSubClientRsp_t& rsp) {
    KelSQLFileSubClient subclient(context(), true);
    const auto id = static_cast<unsigned long>(req.FileSubClient.SqlFileSubClientId);
    bool ok = true;
    switch (req.DBCode) {
    case KelNetSQLFileSubClientQuery: ok = subclient.query(id); break;
    case KelNetSQLFileSubClientUpdate:
        // FlagsChanged of the record decides whether flags are written.
        subclient.copyFromNetwork(req.FileSubClient);
        ok = subclient.update(id);
        break;
    // An unknown code runs nothing: success with an empty record.
    default: return true;
    }
    if (!ok) {
        getLastError() = subclient.getLastError();
        return false;
    }
    subclient.copyToNetwork(rsp.FileSubClient);
    return true;
}
