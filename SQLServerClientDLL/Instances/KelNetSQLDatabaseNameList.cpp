#include "KelSQL/KelNetSQLDatabaseNameList.h"

#include "../Records/FieldCopy.h"
#include "KelSQL/KelNetSQLRegistry.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLErrors.h"
#include "KelSQL/KelSQLServer.h"
#include "platform/util/BoundedCopy.h"

namespace {

const kelsql::MessageRegistration<KelNetSQLDatabaseNameList, kelsql::AnswerSide::Agent> registered;

}  // namespace

KelNetSQLDatabaseNameList::KelNetSQLDatabaseNameList(KelSQLClassProperties& ctx, bool terminate)
    : KelNetSQLListMessage(ctx, terminate) {
    route();
}

bool KelNetSQLDatabaseNameList::initialize(bool terminate) {
    bool ok = KelNetSQLListMessage::initialize(terminate);
    route();
    return ok;
}

void KelNetSQLDatabaseNameList::route() {
    const std::string& host = context().remoteSqlHostName();
    if (initiatorMode() && context().isServerOperations() && !host.empty()) setRemoteDataAgent(host);
}

void KelNetSQLDatabaseNameList::dumpRequest(const char* fn, const KelNetSQLDatabaseNameListReq_t& req) {
    dumpText(fn, "SqlServerName", req.SqlServerName, sizeof req.SqlServerName);
}

void KelNetSQLDatabaseNameList::dumpResponse(const char* fn, const Response& rsp) {
    dumpNumber(fn, "TotalCount", static_cast<long long>(rsp.TotalCount));
    dumpNumber(fn, "Count", static_cast<long long>(rsp.Count));
    for (uint64_t i = 0; i < rsp.Count && i < kPerPacket; ++i) dumpText(fn, "Name", rsp.Items[i].Name, 129);
}

bool KelNetSQLDatabaseNameList::lookup(const std::string& sqlServerName, std::vector<std::string>& names) {
    static const char* kFn = "KelNetSQLDatabaseNameList::lookup(sqlServerName, names)";
    if (!stringEmpty(getLastError(), sqlServerName, "sqlServerName", kFn)) return false;
    if (context().isClientOperations()) return fail(kelsql::kErrOstrelSideOnly, kFn);
    KelNetSQLDatabaseNameListReq_t* req = requestMessage(true);
    if (!req) return false;
    if (!kelsql::copyText(getLastError(), req->SqlServerName, sqlServerName, "sqlServerName", kFn)) return false;
    if (!exchange(getLastError())) return false;
    names.clear();
    for (const KelNetSQLDatabaseInfo_t& item : items()) names.push_back(kel::fieldText(item.Name));
    return true;
}

bool KelNetSQLDatabaseNameList::answer(KelNetSQLDatabaseNameListReq_t& req, Response&) {
    if (!context().isClientOperations()) return refuse("KelNetSQLDatabaseNameList::buildReply()", 0);
    KelSQLServer server(context(), true);
    server.setSqlServerName(kel::fieldText(req.SqlServerName));
    const std::vector<std::string>* names = server.getDatabaseNames(true, "", 0);
    if (!names) {
        getLastError() = server.getLastError();
        return false;
    }
    for (const std::string& name : *names) {
        KelNetSQLDatabaseInfo_t item{};
        if (!kelsql::copyText(getLastError(), item.Name, name, "name", "KelNetSQLDatabaseNameList::buildReply()"))
            return false;
        items().push_back(item);
    }
    return true;
}
