#include "KelSQL/KelNetSQLFileGroupList.h"

#include "Db/Tbl/sqlFileGroup.h"
#include "KelSQL/KelNetSQLRegistry.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "platform/util/BoundedCopy.h"

namespace {

const kelsql::MessageRegistration<KelNetSQLFileGroupList, kelsql::AnswerSide::Ostrel> registered;

}  // namespace

KelNetSQLFileGroupList::KelNetSQLFileGroupList(KelSQLClassProperties& ctx, bool terminate)
    : KelNetSQLListMessage(ctx, terminate) {
    route();
}

bool KelNetSQLFileGroupList::initialize(bool terminate) {
    bool ok = KelNetSQLListMessage::initialize(terminate);
    route();
    return ok;
}

void KelNetSQLFileGroupList::route() {
    if (initiatorMode() && context().isClientOperations()) setRemoteOstrel();
}

void KelNetSQLFileGroupList::dumpRequest(const char* fn, const KelNetSQLFileGroupListReq_t& req) {
    dumpNumber(fn, "SqlDatabaseId", static_cast<long long>(req.SqlDatabaseId));
}

void KelNetSQLFileGroupList::dumpResponse(const char* fn, const Response& rsp) {
    dumpNumber(fn, "TotalCount", static_cast<long long>(rsp.TotalCount));
    dumpNumber(fn, "Count", static_cast<long long>(rsp.Count));
}

bool KelNetSQLFileGroupList::lookup(unsigned long sqlDatabaseId,
                                    std::vector<KelNetSQLFileGroupItem_t>& returnFileGroups) {
    static const char* kFn = "KelNetSQLFileGroupList::lookup(sqlDatabaseId, returnFileGroups)";
    if (!idNotSet(getLastError(), sqlDatabaseId, "sqlDatabaseId", kFn)) return false;
    if (!context().isClientOperations()) return fail(kelsql::kErrAgentSideOnly, kFn);
    KelNetSQLFileGroupListReq_t* req = requestMessage(true);
    if (!req) return false;
    req->SqlDatabaseId = sqlDatabaseId;
    if (!exchange(getLastError())) return false;
    returnFileGroups = items();
    return true;
}

bool KelNetSQLFileGroupList::answer(KelNetSQLFileGroupListReq_t& req, Response&) {
    static const char* kFn = "KelNetSQLFileGroupList::buildReply()";
    KelSQLClassProperties& ctx = context();
    if (!ctx.isServerOperations()) return refuse(kFn, 0);
    SqlFileGroup record(ctx.isTransactionStarted() ? ctx.getDBTransaction() : nullptr);
    record.setWhere("sqlDatabaseId = %d", static_cast<int>(req.SqlDatabaseId));
    record.setOrderBy("id");
    int code = record.openCursor();
    if (code == 0) {
        const SqlFileGroup_t& row = *record.getDataPtr();
        while ((code = record.fetchCursor(true)) == 0) {
            KelNetSQLFileGroupItem_t item{};
            item.SqlFileGroupId = static_cast<uint32_t>(row.id);
            item.RemovalTime = static_cast<uint32_t>(row.removalTime);
            kel::copyWholeField(item.Name, row.fileGroupName);
            items().push_back(item);
        }
        record.closeCursor();
    }
    if (code == 100) return true;
    getLastError().setNumber(kelsql::kErrListRead);
    getLastError().addArgument(kFn);
    getLastError().addArgument(record.getpDescribe());
    getLastError().addArgument(record.getErrorStr(code));
    return false;
}
