#include "KelSQL/KelNetSQLFileGroupNameList.h"

#include "../Records/FieldCopy.h"
#include "KelSQL/KelNetSQLRegistry.h"
#include "KelSQL/KelSQLDatabase.h"
#include "platform/util/BoundedCopy.h"

namespace {

const kelsql::MessageRegistration<KelNetSQLFileGroupNameList, kelsql::AnswerSide::Agent> registered;

}  // namespace

KelNetSQLFileGroupNameList::KelNetSQLFileGroupNameList(KelSQLClassProperties& ctx, bool terminate)
    : KelNetSQLListMessage(ctx, terminate) {
    route();
}

bool KelNetSQLFileGroupNameList::initialize(bool terminate) {
    bool ok = KelNetSQLListMessage::initialize(terminate);
    route();
    return ok;
}

void KelNetSQLFileGroupNameList::route() {
    const std::string& host = context().remoteSqlHostName();
    if (initiatorMode() && context().isServerOperations() && !host.empty()) setRemoteDataAgent(host);
}

void KelNetSQLFileGroupNameList::dumpRequest(const char* fn, const KelNetSQLFileGroupNameListReq_t& req) {
    dumpText(fn, "SqlDatabaseName", req.SqlDatabaseName, sizeof req.SqlDatabaseName);
}

void KelNetSQLFileGroupNameList::dumpResponse(const char* fn, const Response& rsp) {
    dumpNumber(fn, "TotalCount", static_cast<long long>(rsp.TotalCount));
    dumpNumber(fn, "Count", static_cast<long long>(rsp.Count));
}

bool KelNetSQLFileGroupNameList::lookup(const std::string& sqlDatabaseName,
                                        std::vector<std::string>& returnFileGroups) {
    static const char* kFn = "KelNetSQLFileGroupNameList::lookup(sqlDatabaseName, returnFileGroups)";
    if (!stringEmpty(getLastError(), sqlDatabaseName, "sqlDatabaseName", kFn)) return false;
    if (!context().isServerOperations()) return fail(kelsql::kErrOstrelSideOnly, kFn);
    KelNetSQLFileGroupNameListReq_t* req = requestMessage(true);
    if (!req) return false;
    if (!kelsql::copyText(getLastError(), req->SqlDatabaseName, sqlDatabaseName, "sqlDatabaseName", kFn)) return false;
    if (!exchange(getLastError())) return false;
    returnFileGroups.clear();
    for (const KelNetSQLFileGroupInfo_t& item : items()) returnFileGroups.push_back(kel::fieldText(item.Name));
    return true;
}

bool KelNetSQLFileGroupNameList::answer(KelNetSQLFileGroupNameListReq_t& req, Response&) {
    if (!context().isClientOperations()) return refuse("KelNetSQLFileGroupNameList::buildReply()", 0);
    KelSQLDatabase database(context(), true);
    const std::vector<std::string>* names = database.getFileGroupNames(kel::fieldText(req.SqlDatabaseName), false);
    if (!names) {
        getLastError() = database.getLastError();
        return false;
    }
    for (const std::string& name : *names) {
        KelNetSQLFileGroupInfo_t item{};
        if (!kelsql::copyText(getLastError(), item.Name, name, "name", "KelNetSQLFileGroupNameList::buildReply()"))
            return false;
        items().push_back(item);
    }
    return true;
}
